#include "frmEsclavo.h"

#include "LeeIniDefecto.h"
#include "Mensajes.h"
#include "Modulo.h"
#include "Proceso.h"
#include "TextosProcedimiento.h"

#include <QElapsedTimer>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QString kTitulo = QStringLiteral("Configuración MAESTRO");
const QString kSeccion = QStringLiteral("Configuración");
// Opciones del maestro que MySQL 5.5 y posteriores (y MariaDB) ya no leen del
// archivo de opciones: con ellas el servidor no arranca.
constexpr const char* kOpcionesMaestro[] = {"master-host", "master-user", "master-password",
                                            "master-port"};
// Lo que se espera a que corran los dos hilos del esclavo.
constexpr int kEsperaReplicacionMs = 10000;

bool EsOpcionMaestro(const pasos::ClaveOpcion& c) {
    for (const char* o : kOpcionesMaestro)
        if (c.clave == o)
            return true;
    return false;
}

} // namespace

frmEsclavo::frmEsclavo(QWidget* parent)
    : VentanaReplicacion(QStringLiteral("frmEsclavo"),
                         QStringLiteral("Replicación servidor ESCLAVO"), parent) {
    // Una sentencia rechazada se informa con el mensaje del propio servidor.
    politica = [general = PoliticaGeneral()](const rtqx5::ErrorRT& e) {
        if (e.Numero() == rtqx5::kErrorServidor)
            rtqx5::MsgBox(e.Descripcion(), rtqx5::vbInformation, "Alerta");
        else
            general(e);
    };
    ConstruyeControles();
    Form_Load();
}

frmEsclavo::~frmEsclavo() = default;

void frmEsclavo::ConstruyeControles() {
    FijaAreaCliente(12600, 7560);

    CreaEncabezado(QStringLiteral("Datos de configuración para conectar al servidor MAESTRO"));

    QLabel* grupo = CreaEtiqueta(10, QStringLiteral("Datos del servidor MAESTRO"));
    QFont negrita = grupo->font();
    negrita.setBold(true);
    grupo->setFont(negrita);
    Coloca(grupo, 360, 1380, 5000, 240);
    Coloca(CreaEtiqueta(13, QStringLiteral("Estos datos se configuraron en la ventana de "
                                           "configuración maestro ( es el usuario con privilegios "
                                           "de replicación)")),
           480, 1680, 11760, 240);

    // Dirección, usuario y contraseña en un renglón.
    const struct {
        int indice;
        int etiqueta;
        const char* texto;
        const char* valor;
        int izquierdaEtiqueta;
        int izquierdaCampo;
    } renglon[] = {{1, 2, "Dirección:", "IP del servidor", 480, 1440},
                   {0, 1, "Usuario:", "usuariomirror", 4200, 5160},
                   {2, 3, "Contraseña:", "clavereplic", 8040, 9240}};
    for (const auto& c : renglon) {
        Coloca(CreaEtiqueta(c.etiqueta, QString::fromUtf8(c.texto)), c.izquierdaEtiqueta, 2100,
               c.izquierdaCampo - c.izquierdaEtiqueta - 60, 300);
        Coloca(CreaDato(c.indice, QString::fromUtf8(c.valor), QStringLiteral("X")),
               c.izquierdaCampo, 2040, 2415, 360);
    }

    // Los demás campos en una columna.
    const struct {
        int indice;
        int etiqueta;
        const char* texto;
        const char* valor;
        const char* clase;
        int largo;
        int ancho;
    } columna[] = {
        {7, 11, "Puerto:", "3306", "9", 5, 735},
        {8, 4, "Base de datos a replicar:", "datos1", "X", 0, 2415},
        {3, 5, "Nombre para archivos LOG:", "qxlog-bin", "X", 0, 2415},
        {4, 6, "Días de expiración para archivos LOG:", "10", "9", 2, 495},
        {5, 7, "Identificación del servidor", "2", "9", 2, 495},
        {6, 9, "Nombre de la instancia usada:", "", "X", 0, 2415},
        {9, 12, "No. de segundos, para reitentar conectar", "5000", "9", 4, 615},
    };
    int arriba = 2760;
    for (const auto& c : columna) {
        Coloca(CreaEtiqueta(c.etiqueta, QString::fromUtf8(c.texto)), 480, arriba - 120, 2520, 480);
        QLineEdit* campo =
            CreaDato(c.indice, QString::fromUtf8(c.valor), QString::fromLatin1(c.clase));
        Coloca(campo, 3120, arriba, c.ancho, 360);
        if (c.largo > 0) {
            campo->setMaxLength(c.largo);
            campo->setAlignment(Qt::AlignRight);
        }
        if (c.indice == 6) {
            Coloca(CreaEtiqueta(14, QStringLiteral("Puerto:")), 5640, arriba + 60, 600, 300);
            txtPorto = new QLineEdit(this);
            txtPorto->setObjectName(QStringLiteral("txtPorto"));
            txtPorto->setReadOnly(true);
            txtPorto->setAlignment(Qt::AlignRight);
            txtPorto->setFocusPolicy(Qt::ClickFocus);
            Coloca(txtPorto, 6300, arriba, 735, 360);
        }
        arriba += 600;
    }

    Coloca(CreaProceder(), 11040, 2640, 1335, 600);
    Coloca(CreaCapturaDOS(true), 7320, 3360, 5055, 3960);

    OrdenTabulacion({txtElINI, txtDato[1], txtDato[0], txtDato[2], txtDato[7], txtDato[8],
                     txtDato[3], txtDato[4], txtDato[5], txtDato[6], txtDato[9], cmdProceder});
    InstalaValidaciones();
}

void frmEsclavo::Form_Load() {
    PrimeraActivacion = true;
    RutaIni = RutaMySQLPrincipal() + QStringLiteral("my.ini");
    std::string seccion = Utf8(kSeccion);
    std::string clave = "Instancia ESCLAVO";
    std::string defecto = "MySQL";
    const std::string configuracion = Utf8(Proceso::RutaConfiguracion);
    txtDato[6]->setText(
        DeUtf8(rtqx5::LeeIniDefecto(seccion, clave, defecto, *Proceso::libRTSA, configuracion)));
    clave = "Archivo INI";
    defecto = Utf8(RutaIni);
    txtElINI->setText(
        DeUtf8(rtqx5::LeeIniDefecto(seccion, clave, defecto, *Proceso::libRTSA, configuracion)));
    txtElINI->setProperty("Tag", txtElINI->text());
    RutaIni = txtElINI->text();
}

void frmEsclavo::CargaDatosIni() {
    BdReplicar = LeeMysqld("replicate-do-db").toLower();
    NombreLog = LeeMysqld("log-bin");
    DiasExpiracion = LeeMysqld("expire_logs_days");
    IdServidor = LeeMysqld("server-id");
    HostMaestro = LeeMysqld("master-host");
    UsuarioMaestro = LeeMysqld("master-user");
    ClaveMaestro = LeeMysqld("master-password");
    PuertoMaestro = LeeMysqld("master-port");
    ReintentosMaestro = LeeMysqld("master-retry-count");
    PonDato(HostMaestro, 1);
    PonDato(UsuarioMaestro, 0);
    PonDato(ClaveMaestro, 2);
    PonDato(PuertoMaestro, 7);
    PonDato(ReintentosMaestro, 9);
    PonDato(BdReplicar, 8);
    PonDato(IdServidor, 5);
    PonDato(DiasExpiracion, 4);
    PonDato(NombreLog, 3);
}

bool frmEsclavo::EligeClaves(std::vector<pasos::ClaveOpcion>& claves, bool& cambiaMaestro) {
    cambiaMaestro = false;
    Estado(QStringLiteral("el archivo de opciones con el servidor de MySQL"), true);
    pasos::Dictamen dictamen = ConsultaServidor(claves);
    if (dictamen.acepta)
        return true;
    // Un servidor que ya no lee el maestro del archivo: sin esas cuatro claves,
    // y sin master-retry-count si tampoco la conoce.
    std::vector<pasos::ClaveOpcion> sinMaestro;
    for (const auto& c : claves)
        if (!EsOpcionMaestro(c))
            sinMaestro.push_back(c);
    dictamen = ConsultaServidor(sinMaestro);
    if (!dictamen.acepta) {
        std::erase_if(sinMaestro, [](const auto& c) { return c.clave == "master-retry-count"; });
        dictamen = ConsultaServidor(sinMaestro);
    }
    if (!dictamen.acepta) {
        InformaRechazo(dictamen.motivo);
        return false;
    }
    claves = std::move(sinMaestro);
    cambiaMaestro = true;
    Estado(QStringLiteral("Este servidor de MySQL no acepta master-host, master-user, "
                          "master-password y master-port en el archivo de opciones: el maestro se "
                          "indicará con CHANGE MASTER TO."));
    return true;
}

void frmEsclavo::MuestraReplicacion() {
    QString lectura, aplicacion, errorLectura, errorAplicacion;
    bool hayMaestro = false;
    QElapsedTimer reloj;
    reloj.start();
    for (;;) {
        rtqx5::Conexion::Resultado estado;
        if (Paso([&] { estado = Conexion.Consulta("SHOW SLAVE STATUS"); }))
            return;
        hayMaestro = !estado.filas.empty();
        lectura = DeUtf8(estado.Valor("Slave_IO_Running"));
        aplicacion = DeUtf8(estado.Valor("Slave_SQL_Running"));
        errorLectura = DeUtf8(estado.Valor("Last_IO_Error"));
        errorAplicacion = DeUtf8(estado.Valor("Last_SQL_Error"));
        const bool corren = lectura == QLatin1String("Yes") && aplicacion == QLatin1String("Yes");
        if (!hayMaestro || corren || !errorLectura.isEmpty() || !errorAplicacion.isEmpty() ||
            reloj.elapsed() >= kEsperaReplicacionMs)
            break;
        EsperaConEventos(200);
    }
    if (!hayMaestro) {
        Estado(QStringLiteral("Replicación: la instancia no tiene ningún maestro configurado"));
        return;
    }
    Estado(QStringLiteral("Replicación: lectura %1, aplicación %2").arg(lectura, aplicacion));
    if (!errorLectura.isEmpty())
        Estado(QStringLiteral("Error de lectura: ") + errorLectura);
    if (!errorAplicacion.isEmpty())
        Estado(QStringLiteral("Error de aplicación: ") + errorAplicacion);
}

void frmEsclavo::cmdProceder_Click() {
    if (EnProceso())
        return;
    Corrida corrida(*this);

    const std::string PuertoGuardado = Proceso::BasesDD->cPuerto;
    txtCapturaDOS->clear();
    const bool validos = VerificaDatos();
    const QString iniInstancia = RutaMySQLPrincipal() + txtDato[6]->text() + QStringLiteral(".ini");
    QString PuertoInstancia;
    if (Proceso::DeArchivos->HayArchivo(Utf8(iniInstancia))) {
        PuertoInstancia = DeUtf8(Proceso::libRTSA->LeeIni("mysqld", "port", Utf8(iniInstancia)));
        txtPorto->setText(PuertoInstancia);
    } else {
        rtqx5::MsgBox(Utf8(QStringLiteral("El archivo de instancia ") + iniInstancia +
                           QStringLiteral(" no existe")),
                      rtqx5::vbCritical, "Error");
    }
    if (!validos || !Confirmado(QStringLiteral("ESCLAVO")))
        return;

    BdReplicar = txtDato[8]->text();
    DiasExpiracion = txtDato[4]->text();
    IdServidor = txtDato[5]->text();
    NombreLog = txtDato[3]->text();
    HostMaestro = txtDato[1]->text();
    UsuarioMaestro = txtDato[0]->text();
    ClaveMaestro = txtDato[2]->text();
    PuertoMaestro = txtDato[7]->text();
    ReintentosMaestro = txtDato[9]->text();
    std::vector<pasos::ClaveOpcion> claves = ClavesRegistroBinario();
    claves.insert(claves.end(), {
                                    {"mysqld", "master-host", Utf8(HostMaestro)},
                                    {"mysqld", "master-user", Utf8(UsuarioMaestro)},
                                    {"mysqld", "master-password", Utf8(ClaveMaestro)},
                                    {"mysqld", "master-port", Utf8(PuertoMaestro)},
                                    {"mysqld", "master-retry-count", Utf8(ReintentosMaestro)},
                                });
    // Nada cambia si el servidor no arrancaría con el archivo así.
    bool cambiaMaestro = false;
    if (!EligeClaves(claves, cambiaMaestro)) {
        cmdProceder->setEnabled(true);
        return;
    }

    const std::string configuracion = Utf8(Proceso::RutaConfiguracion);
    Paso([&] {
        Proceso::libRTSA->EscribeIni(Utf8(kSeccion), "Instancia ESCLAVO", Utf8(txtDato[6]->text()),
                                     configuracion);
    });
    Paso([&] {
        Proceso::libRTSA->EscribeIni(Utf8(kSeccion), "Archivo INI", Utf8(txtElINI->text()),
                                     configuracion);
    });

    const QString servicio = txtDato[6]->text();
    CambiaServidor(claves, servicio, PuertoInstancia);
    {

        // Sin puerto de la instancia no hay conexión: ningún puerto por omisión.
        Proceso::BasesDD->cPuerto = Utf8(PuertoInstancia);
        bool conectado = false;
        Paso([&] { conectado = Proceso::BasesDD->ConectarAservidor(Conexion); });
        if (!conectado) {
            rtqx5::MsgBox("No pudo conectar a la instancia indicada", rtqx5::vbCritical, "ERROR");
            AnotaFalla(QStringLiteral("No se pudo conectar a la instancia %1 (puerto «%2»)")
                           .arg(servicio, PuertoInstancia));
        } else {
            if (cambiaMaestro) {
                // Un esclavo que ya corría no acepta otro maestro.
                Paso([&] { EscribeBitacora(QStringLiteral("stop slave")); });
                CorrePaso(nullptr, [&] { Conexion.Execute("stop slave"); });
                const bool literal = Conexion.DiagonalLiteral();
                std::string sentencia, mostrada;
                const auto error = Paso([&] {
                    const auto puerto = Utf8(PuertoMaestro);
                    sentencia = pasos::SentenciaChangeMaster(Utf8(HostMaestro), puerto,
                                                             Utf8(UsuarioMaestro),
                                                             Utf8(ClaveMaestro), false, literal);
                    mostrada = pasos::SentenciaChangeMaster(
                        Utf8(HostMaestro), puerto, Utf8(UsuarioMaestro), {}, true, literal);
                });
                if (!error) {
                    Paso([&] { EscribeBitacora(DeUtf8(mostrada)); });
                    Paso([&] { Estado(DeUtf8(mostrada), true); });
                    PasoAnotado(QStringLiteral("El servidor rechazó CHANGE MASTER TO"),
                                [&] { Conexion.Execute(sentencia); });
                }
            }
            const std::string iniciar = "start slave";
            Paso([&] { EscribeBitacora(DeUtf8(iniciar)); });
            Paso([&] { Conexion.Execute(iniciar); });
            MuestraReplicacion();
        }
    }

    Proceso::BasesDD->cPuerto = PuertoGuardado;
    if (HuboFallas())
        MuestraFallas();
    Estado(QStringLiteral("Fin del proceso"));
    AvisoFinal(kTitulo);
}
