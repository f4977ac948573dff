#pragma once

#include "VentanaReplicacion.h"

#include <vector>

// "Replicación servidor ESCLAVO": hace de una instancia de MySQL de este equipo
// el esclavo de un maestro. Su carga toma del archivo de configuración la
// instancia y el archivo de opciones usados la última vez; "Proceder" guarda
// ambos, detiene la instancia, escribe las claves del esclavo, la arranca, se
// conecta a ella en el puerto de su propio archivo de opciones y arranca la
// replicación, y muestra si los dos hilos del esclavo corren.
class frmEsclavo : public VentanaReplicacion {
    Q_OBJECT
public:
    explicit frmEsclavo(QWidget* parent = nullptr);
    ~frmEsclavo() override;

    void cmdProceder_Click() override;

    QLineEdit* txtPorto = nullptr;

    QString HostMaestro;
    QString UsuarioMaestro;
    QString ClaveMaestro;
    QString PuertoMaestro;
    QString ReintentosMaestro;

protected:
    void CargaDatosIni() override;

private:
    void Form_Load();
    void ConstruyeControles();

    // Las claves que el servidor de la carpeta de MySQL acepta, y si el maestro
    // va por CHANGE MASTER TO porque rechaza master-host y compañía. False si
    // no acepta ni así (ya se informó el motivo).
    bool EligeClaves(std::vector<pasos::ClaveOpcion>& claves, bool& cambiaMaestro);
    // Espera hasta 10 s a que los dos hilos del esclavo corran y lo dice en
    // líneas de estado.
    void MuestraReplicacion();
};
