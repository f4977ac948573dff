#pragma once

#include "VentanaProcedimiento.h"

#include <QString>

class QGroupBox;

// "Nueva instancia de MySQL en este servidor": describe un segundo servidor
// MySQL en este equipo (nombre del servicio, carpeta de datos, archivo de
// opciones en la carpeta de MySQL, puerto). "Proceder" copia my.ini con el
// puerto y la carpeta de datos nuevos, copia la base mysql del servidor
// instalado, registra el servicio con mysqld --install, lo arranca con net
// start y, si quedaron tablas InnoDB sin copiar, las recrea con mysql_upgrade.
class frmInstancia : public VentanaProcedimiento {
    Q_OBJECT
public:
    explicit frmInstancia(QWidget* parent = nullptr);
    ~frmInstancia() override;

    // Campos 0, 2 y 5: no vacíos (sin contar blancos en los extremos); el 5,
    // además, un puerto de 1 a 65535. Campo 1: no vacío y sin saltos de línea.
    // Campo 3: no vacío. Campo 4: cualquiera. Con Cancel, pitido.
    void txtDato_Validate(int Index, bool& Cancel);
    void cmdProceder_Click() override;

    // El texto del campo Index (el 1 es de varias líneas).
    QString Dato(int Index) const;

    // txtDato(1), de dos líneas de alto y varias líneas: no cabe en el arreglo
    // txtDato de líneas simples, cuyo lugar 1 queda vacío (nullptr).
    QPlainTextEdit* txtDatoMultiLinea = nullptr;
    QGroupBox* Frame1 = nullptr;

protected:
    void Form_Activate() override;

private:
    void ConstruyeControles();
    void Form_Load();
    QWidget* Campo(int Index) const;

    // Pasos de cmdProceder_Click tras la confirmación.
    void CreaArchivoOpciones(const QString& IniOriginal, const QString& IniNuevo);
    // Crea la carpeta mysql nueva y copia los archivos útiles de la original;
    // devuelve cuántos archivos de tablas InnoDB quedaron sin copiar.
    int CopiaBaseSistema(const QString& DatosOriginal, const QString& DatosNuevo);
    void ComandosDelServicio(const QString& RutaMySQL, const QString& IniNuevo,
                             const QString& NombreInstancia, bool actualizaSistema);
};
