#pragma once

#include "VentanaReplicacion.h"

#include "CopiaDatos.h"
#include "TextosReplicacion.h"

#include <functional>
#include <vector>

class QCheckBox;
class QProgressBar;
class QTimer;

// "Replicación servidor ESCLAVO": hace de una instancia de MySQL de este equipo
// el esclavo de un maestro. Su carga toma del archivo de configuración la
// instancia y el archivo de opciones usados la última vez, y del archivo de
// opciones (o, sin claves master-*, de la replicación en uso en la instancia)
// los datos del maestro. "Proceder" revisa antes de cambiar nada que la
// instancia conteste y que el maestro acepte la cuenta, tenga el registro
// binario y otro identificador; luego guarda los ajustes, detiene la
// instancia, escribe las claves del esclavo, la arranca, le indica el maestro
// con CHANGE MASTER TO (solo lo que cambia), arranca la replicación y revisa
// que los dos hilos del esclavo corran. Con chkCopia, antes de indicarle el
// maestro le copia sus datos: un volcado del maestro (en una transacción si
// todas sus tablas son InnoDB; si no, con el maestro bloqueado mientras se
// lee), su carga en la instancia detenida y el maestro con la posición del
// registro binario del volcado. barCopia y lblCopia dicen cómo va.
class frmEsclavo : public VentanaReplicacion {
    Q_OBJECT
public:
    explicit frmEsclavo(QWidget* parent = nullptr);
    ~frmEsclavo() override;

    void cmdProceder_Click() override;

    QLineEdit* txtPorto = nullptr;
    // "Copiar los datos del maestro antes de iniciar la replicación".
    QCheckBox* chkCopia = nullptr;
    // Bajo la caja, durante la copia: MB volcados o cargados, el tiempo que
    // falta y, mientras se vuelca, si el maestro está en solo lectura.
    QProgressBar* barCopia = nullptr;
    QLabel* lblCopia = nullptr;

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
    // chkCopia al confirmar.
    bool Copiar = false;

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
    // Las claves de RutaIni (o la replicación en uso) en los campos.
    void CargaDatosArchivo();
    void ConstruyeControles();
    // Toma los campos en el estado de la ventana (tras la confirmación).
    void TomaValores();
    // Marca chkCopia si la instancia del campo 6 no tiene la base del campo 8
    // o no tiene tablas en ella; la desmarca si las tiene o no se puede saber.
    // Solo cuando cambió la instancia o la base desde la última vez.
    void DecideCopia();
    bool InstanciaSinDatos(const QString& instancia, const QString& base) const;
    // Línea de estado, "No se cambió nada." y el cuadro crítico; false.
    bool Rechaza(const QString& texto);

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
    // Con la copia: la cuenta del producto entra al maestro y la base del
    // campo 8 existe en él; toma su juego de caracteres, las bases a copiar,
    // sus tablas (el modo del volcado, el tamaño y la escritura de la sonda).
    // False, con el cuadro, si no.
    bool RevisaCopia();
    bool LeeTablasCopia(rtqx5::Conexion& maestro, const QString& servidor);

    // Las claves que el servidor de la carpeta de MySQL acepta: sin
    // master-host y compañía si ya no los lee del archivo. False si no acepta
    // ni así (ya se informó el motivo).
    bool EligeClaves(std::vector<pasos::ClaveOpcion>& claves);
    // Tras el arranque de la instancia: CHANGE MASTER TO con lo que cambia,
    // start slave y la prueba de los hilos; cada falla queda anotada.
    void ConfiguraReplicacion(const QString& puertoInstancia);
    // Lo que CHANGE MASTER TO debe decir sin copia: solo lo que cambia.
    pasos::DatosMaestro LoQueCambia(const MaestroEnUso& enUso) const;
    // CHANGE MASTER TO con `datos` (nada si no hay nada que decir), tras
    // stop slave si `detener`. False (con la falla anotada) si no se pudo.
    bool CambiaMaestro(const pasos::VersionServidor& version, const pasos::DatosMaestro& datos,
                       bool detener);
    // La copia con el esclavo detenido: volcado del maestro, posición leída
    // del volcado, carga en la instancia. Completa `datos` con todo el maestro
    // y la posición. False (con la falla anotada, que nombra el volcado) si
    // algo falló; `volcado` es el archivo.
    bool CopiaDatos(const pasos::VersionServidor& version, const QString& puertoInstancia,
                    pasos::DatosMaestro& datos, QString& volcado);
    // El volcado con su aviso y su avance, y la línea del tiempo que el
    // maestro estuvo en solo lectura (medido por la sonda) en `bloqueo`.
    bool Vuelca(const pasos::DatosCopia& d, const QString& volcado, QString& bloqueo);
    // La carga del volcado en la instancia, con su avance.
    bool Carga(const pasos::DatosCopia& d, const QString& volcado, const QString& encabezado);
    // Una línea de la copia: en la caja y en la bitácora.
    void LineaCopia(const QString& texto);
    // Muestra en barCopia y lblCopia lo que da `avance`, ahora y cada 200 ms
    // mientras corre el comando; sin `avance`, deja de hacerlo.
    void SigueAvance(std::function<pasos::AvanceCopia()> avance);
    void MuestraAvance();
    // La carpeta del volcado: la de datos de la instancia (datadir de su
    // archivo) o, sin ella, la carpeta de MySQL.
    QString CarpetaVolcado() const;
    // Espera hasta 10 s a que los dos hilos del esclavo corran y lo dice en
    // líneas de estado. False (con la falla anotada) si no corren.
    bool MuestraReplicacion(const pasos::VersionServidor& version);

    // La contraseña que se mostró al cargar sobre una replicación en uso
    // cuyo archivo no la guarda; vacía si no hubo tal replicación.
    QString claveMostrada_;
    bool enUsoAlCargar_ = false;
    // Instancia y base de la última decisión de chkCopia.
    QString decididaPara_;
    // Lo que RevisaCopia tomó del maestro.
    std::vector<std::string> basesCopia_;
    std::string juegoCaracteres_;
    pasos::ModoVolcado modoVolcado_;
    std::uint64_t bytesDatos_ = 0;
    std::string sentenciaSonda_;
    QTimer* tmrCopia = nullptr;
    std::function<pasos::AvanceCopia()> avance_;
};
