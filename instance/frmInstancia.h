#pragma once

#include "VentanaProcedimiento.h"

#include <QString>
#include <array>

class QGroupBox;

// "Nueva instancia de MySQL en este servidor": describe un segundo servidor
// MySQL en este equipo (nombre del servicio, carpeta de datos, archivo de
// opciones en la carpeta de MySQL, puerto). "Proceder" rechaza lo que tocaría
// al servidor instalado o a otro ya creado, copia my.ini con el puerto y la
// carpeta de datos nuevos, copia la base mysql del servidor instalado,
// registra el servicio con mysqld --install, lo arranca con net start y, si
// quedaron tablas InnoDB sin copiar, las recrea con mysql_upgrade (la
// contraseña va en un archivo temporal, nunca en la línea de órdenes). Si el
// servicio no arranca, ofrece quitar lo que creó.
class frmInstancia : public VentanaProcedimiento {
    Q_OBJECT
public:
    explicit frmInstancia(QWidget* parent = nullptr);
    ~frmInstancia() override;

    // Cada campo revisa lo que es (MotivoCampo; todos salvo el 4, además, no
    // vacíos sin contar blancos en los extremos): si no sirve, retiene el
    // foco con un pitido y un cuadro crítico que nombra el campo y dice por qué.
    void txtDato_Validate(int Index, bool& Cancel);
    void cmdProceder_Click() override;

    // El valor del campo Index: durante una corrida, el que se tomó al
    // empezarla (los controles ya no se leen); fuera de ella, el del control.
    QString Dato(int Index) const;

    // txtDato(1), de dos líneas de alto y varias líneas: no cabe en el arreglo
    // txtDato de líneas simples, cuyo lugar 1 queda vacío (nullptr).
    QPlainTextEdit* txtDatoMultiLinea = nullptr;
    QGroupBox* Frame1 = nullptr;

protected:
    void Form_Activate() override;

private:
    // Lo que calcula y encuentra la verificación antes de la confirmación.
    struct Verificacion {
        QString IniOriginal, IniNuevo, DatosOriginal, DatosNuevo;
        QString Avisos;   // informan; la confirmación decide
        QString Rechazos; // impiden la corrida
    };
    // Lo que creó esta corrida, lo único que se puede deshacer.
    struct Creado {
        bool servicio = false;
        QString ini;     // el archivo de opciones escrito ("" si no)
        QString carpeta; // la carpeta creada más externa ("" si ninguna)
    };

    void ConstruyeControles();
    void Form_Load();
    QWidget* Campo(int Index) const;
    QString TextoControl(int Index) const;
    // Por qué `valor` no sirve para el campo Index, listo para seguir a
    // "El campo «etiqueta» "; "" cuando sirve.
    QString MotivoCampo(int Index, const QString& valor) const;
    void RechazaCampo(int Index, const QString& motivo);
    // En "Proceder": cada valor fijado otra vez; false tras el cuadro.
    bool RevisaCampos();

    // Pasos de cmdProceder_Click.
    Verificacion Verifica(const QString& RutaMySQL, const QString& NombreInstancia);
    void RechazosDelServidorInstalado(Verificacion& v);
    void CreaArchivoOpciones(const QString& IniOriginal, const QString& IniNuevo);
    // Crea la carpeta mysql nueva y copia los archivos útiles de la original;
    // devuelve cuántos archivos de tablas InnoDB quedaron sin copiar.
    int CopiaBaseSistema(const QString& DatosOriginal, const QString& DatosNuevo);
    void ComandosDelServicio(const QString& RutaMySQL, const QString& IniNuevo,
                             const QString& NombreInstancia, bool actualizaSistema, Creado creado);
    void ActualizaSistema(const QString& RutaMySQL);
    void OfreceDeshacer(const QString& RutaMySQL, const QString& NombreInstancia,
                        const Creado& creado);

    std::array<QString, 6> valores_;
    bool fijados_ = false;
};
