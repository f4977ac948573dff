#pragma once

#include "VentanaReplicacion.h"

class QGroupBox;
class QListWidget;

// "Replicación servidor MAESTRO": prepara el servidor MySQL de este equipo como
// maestro de replicación. Su carga (en el constructor) se conecta al servidor
// de la configuración, lista las bases del producto y propone el archivo de
// opciones; "Proceder" crea la cuenta de replicación, detiene el servicio,
// escribe las seis claves del maestro y arranca el servicio.
class frmMaestro : public VentanaReplicacion {
    Q_OBJECT
public:
    explicit frmMaestro(QWidget* parent = nullptr);
    ~frmMaestro() override;

    void cmdProceder_Click() override;

    QListWidget* lstBdeDs = nullptr;
    QGroupBox* Frame1 = nullptr;

protected:
    void CargaDatosIni() override;
    ReglaCampo Regla(int Index) const override;

private:
    void Form_Load();
    void ConstruyeControles();
    void CreaCuentaReplicacion();
    // Marcado de un elemento de la lista.
    static bool Marcado(QListWidget* lista, int i);
    // Cuadro crítico "No pudo conectar al servidor …: motivo" de la carga.
    void AvisaSinConexion() const;

    // Por qué no se abrió la conexión de la carga ("" si se abrió).
    QString errorConexion_;
};
