#pragma once

#include "VentanaReplicacion.h"

#include "TextosReplicacion.h"

#include <vector>

// "Replicación servidor ESCLAVO": hace de una instancia de MySQL de este equipo
// el esclavo de un maestro. Su carga toma del archivo de configuración la
// instancia y el archivo de opciones usados la última vez, y del archivo de
// opciones (o, sin claves master-*, de la replicación en uso en la instancia)
// los datos del maestro. "Proceder" revisa antes de cambiar nada que la
// instancia conteste y que el maestro acepte la cuenta, tenga el registro
// binario y otro identificador; luego guarda los ajustes, detiene la
// instancia, escribe las claves del esclavo, la arranca, le indica el maestro
// con CHANGE MASTER TO (solo lo que cambia), arranca la replicación y revisa
// que los dos hilos del esclavo corran.
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
    // Instancia (campo 6) y archivo de opciones (txtElINI) de la corrida.
    QString Servicio;
    QString ArchivoIni;
    // False cuando la contraseña es la que se mostró al cargar sobre una
    // replicación en uso: no se conoce, y la cuenta en uso la conserva.
    bool ClaveConocida = true;

protected:
    void CargaDatosIni() override;
    ReglaCampo Regla(int Index) const override;

private:
    // El maestro que la instancia usa (SHOW SLAVE STATUS).
    struct MaestroEnUso {
        bool hay = false;
        QString host, puerto, usuario;
    };

    void Form_Load();
    void ConstruyeControles();
    // Toma los campos en el estado de la ventana (tras la confirmación).
    void TomaValores();

    // Conecta Conexion a la instancia (cuenta del producto, puerto de su
    // archivo de opciones). Sin conexión, el cuadro con el motivo; false.
    bool ConectaInstancia(const QString& puerto);
    // Lee la versión y el maestro en uso de la instancia conectada. False (con
    // el mensaje del servidor) si no se pudo.
    bool LeeInstancia(pasos::VersionServidor& version, MaestroEnUso& enUso);
    // Con el maestro tecleado: la cuenta entra, su server-id no es el del
    // campo 5 y tiene el registro binario. False, con el cuadro que dice qué
    // hacer, si algo falla.
    bool RevisaMaestro(const MaestroEnUso& enUso);

    // Las claves que el servidor de la carpeta de MySQL acepta: sin
    // master-host y compañía si ya no los lee del archivo. False si no acepta
    // ni así (ya se informó el motivo).
    bool EligeClaves(std::vector<pasos::ClaveOpcion>& claves);
    // Tras el arranque de la instancia: CHANGE MASTER TO con lo que cambia,
    // start slave y la prueba de los hilos; cada falla queda anotada.
    void ConfiguraReplicacion(const QString& puertoInstancia);
    // Espera hasta 10 s a que los dos hilos del esclavo corran y lo dice en
    // líneas de estado. False (con la falla anotada) si no corren.
    bool MuestraReplicacion(const pasos::VersionServidor& version);

    // La contraseña que se mostró al cargar sobre una replicación en uso
    // cuyo archivo no la guarda; vacía si no hubo tal replicación.
    QString claveMostrada_;
    bool enUsoAlCargar_ = false;
};
