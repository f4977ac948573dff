#pragma once

#include "HistorialOpciones.h"
#include "VentanaReplicacion.h"

#include <vector>

class QComboBox;
class QTreeWidget;

// "Cambios en los archivos de opciones": las copias de respaldo que dejan las
// corridas junto al archivo de opciones del maestro y al de la instancia
// esclava, de la más nueva a la más vieja, cada una con lo que cambió en
// [mysqld] y [client]; "Restaurar esta versión" pone la copia elegida en lugar
// del archivo con el cambio de un servidor (respaldo del archivo actual,
// revisión del servidor, detener, reemplazar, arrancar y volver si no arranca).
class frmCambios : public VentanaReplicacion {
    Q_OBJECT
public:
    explicit frmCambios(QWidget* parent = nullptr);
    ~frmCambios() override;

    void cmdProceder_Click() override;

    // Un archivo de opciones y el servicio que lo lee.
    struct ArchivoServicio {
        QString quien; // "MAESTRO", "ESCLAVO" o "MAESTRO y ESCLAVO"
        QString archivo;
        QString servicio;
    };
    const std::vector<ArchivoServicio>& Archivos() const { return archivos_; }

    QComboBox* cboArchivo = nullptr;
    // Una fila por copia (fecha y hora, nombre); debajo, sus cambios.
    QTreeWidget* tvwCopias = nullptr;

protected:
    // Lista las copias del archivo elegido.
    void CargaDatosIni() override;
    ReglaCampo Regla(int Index) const override;
    void Form_Activate() override;

private:
    void ConstruyeControles();
    void Form_Load();
    // La copia elegida en la lista; -1 sin ninguna.
    int CopiaElegida() const;
    // La pregunta que nombra el archivo, el servicio y las claves que cambiarán.
    bool ConfirmaRestauracion(const ArchivoServicio& a, const pasos::Respaldo& copia);
    // El servidor de la carpeta de MySQL revisa la copia tal cual; sin
    // aceptación lo dice en la caja y en un cuadro y no se cambia nada.
    bool ServidorAceptaCopia(const pasos::Respaldo& copia);

    std::vector<ArchivoServicio> archivos_;
    std::vector<pasos::Respaldo> copias_;
    std::vector<pasos::OpcionesLeidas> leidas_;
};
