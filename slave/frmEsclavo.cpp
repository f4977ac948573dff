#include "frmEsclavo.h"

#include "ClaveTemporal.h"
#include "CopiaDatos.h"
#include "EjecucionCMD.h"
#include "LeeIniDefecto.h"
#include "Mensajes.h"
#include "Modulo.h"
#include "OpcionMySQL.h"
#include "PasosInstancia.h"
#include "Proceso.h"
#include "SondaEscritura.h"
#include "TextosProcedimiento.h"
#include "TextosReplicacion.h"
#include "TextosVerificacion.h"
#include "Versiones.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <optional>

namespace {

const QString kTitulo = QStringLiteral("Configuración MAESTRO");
const QString kSeccion = QStringLiteral("Configuración");
// Opciones del maestro que MySQL 5.5 y posteriores (y MariaDB) ya no leen del
// archivo de opciones: con ellas el servidor no arranca.
constexpr const char* kOpcionesMaestro[] = {"master-host", "master-user", "master-password",
                                            "master-port"};
// Lo que se espera a que corran los dos hilos del esclavo.
constexpr int kEsperaReplicacionMs = 10000;
// Lo que deben seguir corriendo para darse por buenos.
constexpr int kHilosEstablesMs = 1000;
// El identificador del servidor que propone el diseño.
const QString kIdDiseno = QStringLiteral("2");
// Errores del cliente cuando el servidor no contesta (sin servidor local, sin
// servidor en la dirección y el puerto, dirección desconocida) y cuando
// rechaza la cuenta.
constexpr long kSinServidor[] = {2002, 2003, 2005};
constexpr long kCuentaRechazada = 1045;

// El valor de una columna del estado del esclavo con su nombre clásico o el
// nuevo (Replica/Source).
QString Columna(const rtqx5::Conexion::Resultado& r, const std::string& clasica) {
    for (const std::string& nombre : {clasica, pasos::ColumnaNueva(clasica)})
        for (std::size_t i = 0; i < r.columnas.size(); ++i)
            if (r.columnas[i] == nombre && !r.filas.empty())
                return QString::fromStdString(r.filas.front()[i]);
    return {};
}

// El mismo servidor (sin distinguir mayúsculas) y el mismo puerto (como
// número) que los del maestro en uso.
bool MismoHost(const QString& enUso, const QString& tecleado) {
    return enUso.compare(tecleado, Qt::CaseInsensitive) == 0;
}
bool MismoPuerto(const QString& enUso, const QString& tecleado) {
    return rtqx5::PuertoValido(enUso.toStdString()) == rtqx5::PuertoValido(tecleado.toStdString());
}

// La cuenta del producto en el puerto dado (la de la instancia).
rtqx5::BasesDD CuentaProducto(const QString& puerto) {
    rtqx5::BasesDD bd = *Proceso::BasesDD;
    bd.cPuerto = puerto.toStdString();
    return bd;
}

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

    chkCopia = new QCheckBox(
        QStringLiteral("Copiar los datos del maestro antes de iniciar la replicación"), this);
    chkCopia->setObjectName(QStringLiteral("chkCopia"));
    Coloca(chkCopia, 480, arriba + 60, 6720, 360);
    // La instancia o la base cambiadas deciden de nuevo si se copia.
    for (int indice : {6, 8})
        connect(txtDato[indice], &QLineEdit::editingFinished, this, [this] { DecideCopia(); });

    Coloca(CreaProceder(), 11040, 2640, 1335, 600);
    Coloca(CreaCapturaDOS(true), 7320, 3360, 5055, 3300);
    barCopia = new QProgressBar(this);
    barCopia->setObjectName(QStringLiteral("barCopia"));
    barCopia->setRange(0, 100);
    barCopia->setTextVisible(false);
    barCopia->setVisible(false);
    Coloca(barCopia, 7320, 6720, 5055, 240);
    lblCopia = new QLabel(this);
    lblCopia->setObjectName(QStringLiteral("lblCopia"));
    lblCopia->setWordWrap(true);
    lblCopia->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblCopia->setVisible(false);
    Coloca(lblCopia, 7320, 7020, 5055, 480);
    tmrCopia = new QTimer(this);
    tmrCopia->setInterval(200);
    connect(tmrCopia, &QTimer::timeout, this, &frmEsclavo::MuestraAvance);

    OrdenTabulacion({txtElINI, txtDato[1], txtDato[0], txtDato[2], txtDato[7], txtDato[8],
                     txtDato[3], txtDato[4], txtDato[5], txtDato[6], txtDato[9], chkCopia,
                     cmdProceder});
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
    CargaDatosArchivo();
    DecideCopia();
}

void frmEsclavo::CargaDatosArchivo() {
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
    // El identificador de otro archivo no sirve para este servidor.
    if (IdServidor.isEmpty())
        txtDato[5]->setText(kIdDiseno);

    // Sin el maestro en el archivo, el que usa la instancia.
    enUsoAlCargar_ = false;
    claveMostrada_.clear();
    if (!HostMaestro.isEmpty() || !Proceso::BasesDD)
        return;
    const QString iniInstancia = RutaMySQLPrincipal() + txtDato[6]->text() + QStringLiteral(".ini");
    if (!Proceso::DeArchivos->HayArchivo(Utf8(iniInstancia)))
        return;
    rtqx5::BasesDD bd =
        CuentaProducto(DeUtf8(Proceso::libRTSA->LeeIni("mysqld", "port", Utf8(iniInstancia))));
    rtqx5::Conexion instancia;
    if (!bd.ConectarAservidor(instancia))
        return;
    rtqx5::Conexion::Resultado estado;
    if (CorrePaso(nullptr, [&] {
            const auto version = pasos::LeeVersion(instancia.Execute("SELECT VERSION()").at(0));
            estado = instancia.Consulta(pasos::ConsultaEstadoEsclavo(version));
        }))
        return;
    const QString host = Columna(estado, "Master_Host");
    if (host.isEmpty())
        return;
    PonDato(host, 1);
    PonDato(Columna(estado, "Master_Port"), 7);
    PonDato(Columna(estado, "Master_User"), 0);
    if (ClaveMaestro.isEmpty()) {
        enUsoAlCargar_ = true;
        claveMostrada_ = txtDato[2]->text();
    }
}

frmEsclavo::ReglaCampo frmEsclavo::Regla(int Index) const {
    if (Index <= 5)
        return ReglaComun(Index, QStringLiteral("Identificación del servidor"));
    switch (Index) {
    case 6:
        return {QStringLiteral("Nombre de la instancia usada:"), pasos::kMaxNombreBase,
                ReglaCampo::NombreArchivo};
    case 7:
        return {QStringLiteral("Puerto:"), 5, ReglaCampo::Puerto};
    case 8:
        return {QStringLiteral("Base de datos a replicar:"), pasos::kMaxNombreBase};
    default:
        return {QStringLiteral("No. de segundos, para reitentar conectar"), 4};
    }
}

bool frmEsclavo::EligeClaves(std::vector<pasos::ClaveOpcion>& claves) {
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
        InformaRechazo(dictamen);
        return false;
    }
    claves = std::move(sinMaestro);
    Estado(QStringLiteral("Este servidor de MySQL no acepta master-host, master-user, "
                          "master-password y master-port en el archivo de opciones: el maestro se "
                          "indica solo con CHANGE MASTER TO."));
    return true;
}

void frmEsclavo::TomaValores() {
    BdReplicar = txtDato[8]->text();
    DiasExpiracion = txtDato[4]->text();
    IdServidor = txtDato[5]->text();
    NombreLog = txtDato[3]->text();
    HostMaestro = txtDato[1]->text();
    UsuarioMaestro = txtDato[0]->text();
    ClaveMaestro = txtDato[2]->text();
    PuertoMaestro = txtDato[7]->text();
    ReintentosMaestro = txtDato[9]->text();
    Servicio = txtDato[6]->text();
    ArchivoIni = txtElINI->text();
    ClaveConocida = !enUsoAlCargar_ || ClaveMaestro != claveMostrada_;
    Copiar = chkCopia->isChecked();
}

void frmEsclavo::DecideCopia() {
    if (EnProceso())
        return;
    const QString instancia = txtDato[6]->text();
    const QString base = txtDato[8]->text().trimmed();
    const QString clave = instancia + QLatin1Char('\n') + base;
    if (clave == decididaPara_)
        return;
    decididaPara_ = clave;
    chkCopia->setChecked(InstanciaSinDatos(instancia, base));
}

bool frmEsclavo::InstanciaSinDatos(const QString& instancia, const QString& base) const {
    const QString ini = RutaMySQLPrincipal() + instancia + QStringLiteral(".ini");
    if (!Proceso::BasesDD || base.isEmpty() || !Proceso::DeArchivos->HayArchivo(Utf8(ini)))
        return false;
    rtqx5::BasesDD bd =
        CuentaProducto(DeUtf8(Proceso::libRTSA->LeeIni("mysqld", "port", Utf8(ini))));
    rtqx5::Conexion conexion;
    if (!bd.ConectarAservidor(conexion))
        return false;
    rtqx5::Conexion::Resultado r;
    if (CorrePaso(nullptr, [&] {
            r = conexion.Consulta(
                "SELECT COUNT(*) AS tablas FROM information_schema.TABLES WHERE TABLE_SCHEMA = '" +
                pasos::EscapaSQL(Utf8(base), conexion.DiagonalLiteral()) + "'");
        }))
        return false;
    return r.Valor("tablas") == "0";
}

bool frmEsclavo::Rechaza(const QString& texto) {
    Estado(texto);
    Estado(QStringLiteral("No se cambió nada."));
    rtqx5::MsgBox(Utf8(texto), rtqx5::vbCritical, "Error");
    return false;
}

bool frmEsclavo::ConectaInstancia(const QString& puerto) {
    // Sin el archivo de la instancia no se sabe su puerto: ninguno por omisión.
    if (puerto.isEmpty()) {
        rtqx5::MsgBox(
            Utf8(QStringLiteral("No pudo conectar a la instancia indicada (%1): no se "
                                "conoce su puerto porque no existe su archivo «%2»")
                     .arg(Servicio, RutaMySQLPrincipal() + Servicio + QStringLiteral(".ini"))),
            rtqx5::vbCritical, "ERROR");
        return false;
    }
    rtqx5::BasesDD bd = CuentaProducto(puerto);
    if (bd.ConectarAservidor(Conexion))
        return true;
    rtqx5::MsgBox(
        Utf8(QStringLiteral("No pudo conectar a la instancia indicada (%1, puerto «%2»): %3")
                 .arg(Servicio, puerto, DeUtf8(bd.cErrorConexion))),
        rtqx5::vbCritical, "ERROR");
    return false;
}

bool frmEsclavo::LeeInstancia(pasos::VersionServidor& version, MaestroEnUso& enUso) {
    rtqx5::Conexion::Resultado estado;
    const auto error = CorrePaso(nullptr, [&] {
        version = pasos::LeeVersion(Conexion.Execute("SELECT VERSION()").at(0));
        estado = Conexion.Consulta(pasos::ConsultaEstadoEsclavo(version));
    });
    if (error) {
        rtqx5::MsgBox(
            Utf8(QStringLiteral("No se pudo leer el estado de esclavo de la instancia %1: "
                                "%2")
                     .arg(Servicio, DeUtf8(error->Descripcion()))),
            rtqx5::vbCritical, "ERROR");
        return false;
    }
    enUso.host = Columna(estado, "Master_Host");
    enUso.puerto = Columna(estado, "Master_Port");
    enUso.usuario = Columna(estado, "Master_User");
    enUso.hay = !enUso.host.isEmpty();
    return true;
}

bool frmEsclavo::RevisaMaestro(const MaestroEnUso& enUso) {
    const QString servidor = HostMaestro + QLatin1Char(':') + PuertoMaestro;
    Estado(QStringLiteral("el servidor MAESTRO ") + servidor, true);
    const bool mismaCuenta = enUso.hay && MismoHost(enUso.host, HostMaestro) &&
                             MismoPuerto(enUso.puerto, PuertoMaestro) &&
                             enUso.usuario == UsuarioMaestro;
    const auto rechaza = [this](const QString& texto) { return Rechaza(texto); };
    if (!ClaveConocida && !mismaCuenta)
        return rechaza(QStringLiteral("Cambió el servidor MAESTRO o la cuenta de replicación: "
                                      "escriba la contraseña de la cuenta."));

    // Sin la contraseña, la cuenta en uso se queda: el maestro se revisa con la
    // cuenta del producto, si entra.
    rtqx5::BasesDD bd;
    bd.cRuta = Utf8(HostMaestro);
    bd.cPuerto = Utf8(PuertoMaestro);
    bd.cUsuario = ClaveConocida ? Utf8(UsuarioMaestro) : Proceso::BasesDD->cUsuario;
    bd.cPassword = ClaveConocida ? Utf8(ClaveMaestro) : Proceso::BasesDD->cPassword;
    rtqx5::Conexion maestro;
    if (!bd.ConectarAservidor(maestro)) {
        const QString mensaje = DeUtf8(bd.cErrorConexion);
        if (std::ranges::find(kSinServidor, bd.nErrorConexion) != std::end(kSinServidor))
            return rechaza(
                QStringLiteral("El servidor MAESTRO %1 no contestó: revise la dirección "
                               "y el puerto, y que su servicio esté corriendo.\r\n\r\n%2")
                    .arg(servidor, mensaje));
        if (!ClaveConocida) {
            Estado(QStringLiteral("La cuenta del producto no entra al servidor MAESTRO; se "
                                  "conserva la cuenta de replicación en uso."));
            return true;
        }
        if (bd.nErrorConexion == kCuentaRechazada)
            return rechaza(
                QStringLiteral("El servidor MAESTRO %1 rechazó la cuenta «%2»: revise el "
                               "usuario y la contraseña (los de la ventana del servidor "
                               "MAESTRO).\r\n\r\n%3")
                    .arg(servidor, UsuarioMaestro, mensaje));
        return rechaza(
            QStringLiteral("No pudo conectar al servidor MAESTRO %1: %2").arg(servidor, mensaje));
    }
    rtqx5::Conexion::Resultado r;
    if (const auto error = CorrePaso(
            nullptr, [&] { r = maestro.Consulta("SELECT @@server_id AS id, @@log_bin AS bin"); }))
        return rechaza(
            QStringLiteral("No se pudo leer la configuración del servidor MAESTRO %1: %2")
                .arg(servidor, DeUtf8(error->Descripcion())));
    const QString id = DeUtf8(r.Valor("id"));
    if (id.toLongLong() == IdServidor.toLongLong()) {
        const long long libre = id.toLongLong() >= 99 ? 2 : id.toLongLong() + 1;
        return rechaza(
            QStringLiteral("El servidor MAESTRO %1 tiene el mismo identificador (%2) que "
                           "el campo «Identificación del servidor»: cada servidor "
                           "necesita uno propio. Use otro, por ejemplo %3.")
                .arg(servidor, id)
                .arg(libre));
    }
    if (DeUtf8(r.Valor("bin")) != QLatin1String("1"))
        return rechaza(QStringLiteral("El servidor MAESTRO %1 no tiene el registro binario activo: "
                                      "configure primero el servidor MAESTRO.")
                           .arg(servidor));
    return true;
}

bool frmEsclavo::RevisaCopia() {
    if (!Copiar)
        return true;
    const QString servidor = HostMaestro + QLatin1Char(':') + PuertoMaestro;
    Estado(QStringLiteral("los datos a copiar del servidor MAESTRO ") + servidor, true);
    const QString motivo = DeUtf8(pasos::MotivoBaseNoCopiable(Utf8(BdReplicar)));
    if (!motivo.isEmpty())
        return Rechaza(
            QStringLiteral("No se pueden copiar los datos: el nombre de la base «%1» %2.")
                .arg(BdReplicar, motivo));
    rtqx5::BasesDD bd = *Proceso::BasesDD;
    bd.cRuta = Utf8(HostMaestro);
    bd.cPuerto = Utf8(PuertoMaestro);
    rtqx5::Conexion maestro;
    if (!bd.ConectarAservidor(maestro))
        return Rechaza(QStringLiteral("No se pueden copiar los datos: la cuenta del producto «%1» "
                                      "no entra al servidor MAESTRO %2. Desmarque la copia o "
                                      "revise la cuenta del producto.\r\n\r\n%3")
                           .arg(DeUtf8(bd.cUsuario), servidor, DeUtf8(bd.cErrorConexion)));
    rtqx5::Conexion::Resultado juego, bases;
    if (const auto error = CorrePaso(nullptr, [&] {
            juego = maestro.Consulta("SELECT @@character_set_server AS juego");
            bases = maestro.Consulta("SHOW DATABASES");
        }))
        return Rechaza(QStringLiteral("No se pueden copiar los datos: no se pudo leer el servidor "
                                      "MAESTRO %1: %2")
                           .arg(servidor, DeUtf8(error->Descripcion())));
    std::vector<std::string> enMaestro;
    for (const auto& fila : bases.filas)
        if (!fila.empty())
            enMaestro.push_back(fila.front());
    if (std::ranges::find(enMaestro, Utf8(BdReplicar)) == enMaestro.end())
        return Rechaza(QStringLiteral("No se pueden copiar los datos: la base «%1» no existe en el "
                                      "servidor MAESTRO %2.")
                           .arg(BdReplicar, servidor));
    juegoCaracteres_ = juego.Valor("juego");
    basesCopia_ = pasos::BasesACopiar(Utf8(BdReplicar), enMaestro);
    QStringList nombres;
    for (const auto& b : basesCopia_)
        nombres << DeUtf8(b);
    Estado(QStringLiteral("Se copiarán del MAESTRO: ") + nombres.join(QStringLiteral(", ")));
    return LeeTablasCopia(maestro, servidor);
}

bool frmEsclavo::LeeTablasCopia(rtqx5::Conexion& maestro, const QString& servidor) {
    std::vector<pasos::TablaCopia> tablas;
    const pasos::TablaCopia* sonda = nullptr;
    std::vector<std::string> columnas;
    if (const auto error = CorrePaso(nullptr, [&] {
            const bool literal = maestro.DiagonalLiteral();
            tablas = pasos::LeeTablasCopia(
                maestro.Consulta(pasos::ConsultaTablasCopia(basesCopia_, literal)).filas);
            sonda = pasos::TablaSonda(tablas);
            if (sonda)
                columnas =
                    maestro.Execute(pasos::ConsultaColumnas(sonda->base, sonda->nombre, literal));
        }))
        return Rechaza(
            QStringLiteral("No se pueden copiar los datos: no se pudieron leer las tablas "
                           "del servidor MAESTRO %1: %2")
                .arg(servidor, DeUtf8(error->Descripcion())));
    modoVolcado_ = pasos::EligeModoVolcado(tablas);
    bytesDatos_ = 0;
    for (const auto& t : tablas)
        bytesDatos_ += t.bytes;
    sentenciaSonda_ =
        sonda && !columnas.empty()
            ? pasos::SentenciaSondaEscritura(sonda->base, sonda->nombre, columnas.front())
            : std::string();
    return true;
}

void frmEsclavo::ConfiguraReplicacion(const QString& puertoInstancia) {
    if (!ConectaInstancia(puertoInstancia)) {
        AnotaFalla(QStringLiteral("No se pudo conectar a la instancia %1 (puerto «%2»)")
                       .arg(Servicio, puertoInstancia));
        return;
    }
    pasos::VersionServidor version;
    MaestroEnUso enUso;
    if (!LeeInstancia(version, enUso)) {
        AnotaFalla(QStringLiteral("No se pudo leer el estado de esclavo de la instancia ") +
                   Servicio);
        return;
    }
    pasos::DatosMaestro datos = LoQueCambia(enUso);
    if (Copiar) {
        // Una copia a medias no se replica: el esclavo se queda detenido.
        QString volcado;
        bool copiados = false;
        // Lo que la copia no pudo armar o leer (una línea de órdenes, la
        // posición del volcado) la detiene como cualquier otra falla.
        if (const auto error = CorrePaso(
                nullptr, [&] { copiados = CopiaDatos(version, puertoInstancia, datos, volcado); }))
            AnotaFalla(QStringLiteral("La copia de los datos se detuvo: %1. La replicación no se "
                                      "inició; el volcado, si lo hay, es «%2».")
                           .arg(DeUtf8(error->Descripcion()), volcado));
        if (!copiados)
            return;
        if (!CambiaMaestro(version, datos, false)) {
            AnotaFalla(QStringLiteral("La replicación no se inició; los datos ya están copiados y "
                                      "el volcado se conserva: «%1»")
                           .arg(volcado));
            return;
        }
        if (!QFile::remove(volcado))
            Estado(QStringLiteral("No se pudo borrar el volcado «%1»").arg(volcado));
        // La instancia ya tiene los datos: otra corrida no los copia sin que
        // se pida.
        chkCopia->setChecked(false);
    } else {
        CambiaMaestro(version, datos, true);
    }
    const std::string inicia = pasos::SentenciaIniciaEsclavo(version);
    Paso([&] { EscribeBitacora(DeUtf8(inicia)); });
    if (!PasoAnotado(QStringLiteral("El servidor rechazó «%1»").arg(DeUtf8(inicia)),
                     [&] { Conexion.Execute(inicia); }))
        MuestraReplicacion(version);
}

pasos::DatosMaestro frmEsclavo::LoQueCambia(const MaestroEnUso& enUso) const {
    // Solo lo que cambia: nombrar el servidor o el puerto, aun con el valor en
    // uso, hace que el esclavo relea el maestro desde su primer registro.
    pasos::DatosMaestro datos;
    if (!enUso.hay || !MismoHost(enUso.host, HostMaestro))
        datos.host = Utf8(HostMaestro);
    if (!enUso.hay || !MismoPuerto(enUso.puerto, PuertoMaestro))
        datos.puerto = Utf8(PuertoMaestro);
    if (!enUso.hay || enUso.usuario != UsuarioMaestro)
        datos.usuario = Utf8(UsuarioMaestro);
    if (ClaveConocida)
        datos.clave = Utf8(ClaveMaestro);
    return datos;
}

bool frmEsclavo::CambiaMaestro(const pasos::VersionServidor& version,
                               const pasos::DatosMaestro& datos, bool detener) {
    const bool literal = Conexion.DiagonalLiteral();
    std::string sentencia, mostrada;
    if (const auto error = Paso([&] {
            sentencia = pasos::SentenciaCambiaMaestro(version, datos, false, literal);
            mostrada = pasos::SentenciaCambiaMaestro(version, datos, true, literal);
        })) {
        AnotaFalla(QStringLiteral("No se pudo armar CHANGE MASTER TO: ") +
                   DeUtf8(error->Descripcion()));
        return false;
    }
    if (sentencia.empty()) {
        Estado(QStringLiteral("El servidor MAESTRO y la cuenta no cambian: la replicación sigue "
                              "donde iba."));
        return true;
    }
    if (detener) {
        // Un esclavo que corre no acepta otro maestro.
        const std::string detiene = pasos::SentenciaDetieneEsclavo(version);
        Paso([&] { EscribeBitacora(DeUtf8(detiene)); });
        CorrePaso(nullptr, [&] { Conexion.Execute(detiene); });
    }
    Paso([&] { EscribeBitacora(DeUtf8(mostrada)); });
    Paso([&] { Estado(DeUtf8(mostrada), true); });
    return !PasoAnotado(QStringLiteral("El servidor rechazó CHANGE MASTER TO"),
                        [&] { Conexion.Execute(sentencia); });
}

QString frmEsclavo::CarpetaVolcado() const {
    const QString ini = RutaMySQLPrincipal() + Servicio + QStringLiteral(".ini");
    const std::string datadir = Proceso::libRTSA->LeeIni("mysqld", "datadir", Utf8(ini));
    if (!datadir.empty()) {
        const QString carpeta = DeUtf8(pasos::CarpetaDatosOriginal(datadir));
        if (QDir(carpeta).exists())
            return carpeta;
    }
    return RutaMySQLPrincipal();
}

bool frmEsclavo::CopiaDatos(const pasos::VersionServidor& version, const QString& puertoInstancia,
                            pasos::DatosMaestro& datos, QString& volcado) {
    const auto detenida = [&](const QString& motivo) {
        const bool hay = QFileInfo::exists(volcado);
        AnotaFalla(
            QStringLiteral("La copia de los datos se detuvo (%1); la replicación no se "
                           "inició. %2")
                .arg(motivo, hay ? QStringLiteral("El volcado se conserva: «%1»").arg(volcado)
                                 : QStringLiteral("No quedó volcado («%1»).").arg(volcado)));
        return false;
    };
    // La instancia no aplica nada del maestro mientras se carga la copia.
    const std::string detiene = pasos::SentenciaDetieneEsclavo(version);
    Paso([&] { EscribeBitacora(DeUtf8(detiene)); });
    CorrePaso(nullptr, [&] { Conexion.Execute(detiene); });

    volcado =
        DeUtf8(pasos::NombreVolcado(Utf8(CarpetaVolcado()), Utf8(BdReplicar), std::time(nullptr)));
    std::optional<pasos::ClaveTemporal> clave;
    if (const auto error = CorrePaso(nullptr, [&] { clave.emplace(Proceso::BasesDD->cPassword); }))
        return detenida(QStringLiteral("no se pudo preparar la contraseña: ") +
                        DeUtf8(error->Descripcion()));
    pasos::DatosCopia d{Utf8(RutaMySQLPrincipal()), clave->Opcion(),
                        Utf8(HostMaestro),          Utf8(PuertoMaestro),
                        Proceso::BasesDD->cUsuario, juegoCaracteres_};

    QString bloqueo;
    if (!Vuelca(d, volcado, bloqueo))
        return detenida(QStringLiteral("el volcado del MAESTRO falló"));

    const auto posicion = pasos::LeeCoordenadasArchivo(Utf8(volcado));
    if (!posicion)
        return detenida(QStringLiteral("el volcado no dice la posición del registro binario del "
                                       "MAESTRO"));
    const QString enLaCopia = QStringLiteral("Posición del MAESTRO en la copia: %1, %2")
                                  .arg(DeUtf8(posicion->archivo))
                                  .arg(posicion->posicion);
    LineaCopia(enLaCopia);

    d.puerto = Utf8(puertoInstancia);
    if (!Carga(d, volcado, bloqueo + QStringLiteral("\r\n") + enLaCopia))
        return detenida(QStringLiteral("la carga en la instancia %1 falló").arg(Servicio));
    LineaCopia(QStringLiteral("Datos cargados en la instancia ") + Servicio);

    // Con la posición van el servidor, el puerto y la cuenta en una sola
    // sentencia: nombrarlos aparte olvidaría la posición.
    datos.host = Utf8(HostMaestro);
    datos.puerto = Utf8(PuertoMaestro);
    datos.usuario = Utf8(UsuarioMaestro);
    if (ClaveConocida)
        datos.clave = Utf8(ClaveMaestro);
    datos.archivoLog = posicion->archivo;
    datos.posicionLog = posicion->posicion;
    return true;
}

// Cada comando vacía la caja: las líneas de la copia van arriba de la salida
// del comando que sigue y a la bitácora.
void frmEsclavo::LineaCopia(const QString& texto) {
    Paso([&] { EscribeBitacora(texto); });
    Estado(texto);
}

bool frmEsclavo::Vuelca(const pasos::DatosCopia& d, const QString& volcado, QString& bloqueo) {
    const QString aviso = DeUtf8(pasos::AvisoModoVolcado(modoVolcado_));
    LineaCopia(aviso);
    // El maestro en solo lectura, medido en el maestro mientras se vuelca.
    std::optional<SondaEscritura> sonda;
    if (!sentenciaSonda_.empty()) {
        rtqx5::BasesDD cuenta = *Proceso::BasesDD;
        cuenta.cRuta = Utf8(HostMaestro);
        cuenta.cPuerto = Utf8(PuertoMaestro);
        sonda.emplace(cuenta, sentenciaSonda_);
    }
    QElapsedTimer reloj;
    reloj.start();
    SigueAvance([&] {
        pasos::AvanceCopia a;
        a.hechos = static_cast<std::uint64_t>(std::max<qint64>(QFileInfo(volcado).size(), 0));
        a.total = bytesDatos_;
        a.segundos = static_cast<double>(reloj.elapsed()) / 1000.0;
        if (sonda && sonda->Error().empty())
            a.soloLectura = sonda->EsperandoAhora();
        return a;
    });
    const bool bien = EjecutaComando(
        [&] { return pasos::ComandoVuelcaDatos(d, basesCopia_, Utf8(volcado), modoVolcado_); },
        aviso);
    SigueAvance(nullptr);
    if (sonda)
        sonda->Detiene();
    if (!bien)
        return false;
    barCopia->setValue(100);
    const QString megas = DeUtf8(pasos::Megabytes(
        static_cast<std::uint64_t>(std::max<qint64>(QFileInfo(volcado).size(), 0))));
    const QString error =
        !sonda ? QStringLiteral("no hay tablas que escribir") : DeUtf8(sonda->Error());
    bloqueo = error.isEmpty()
                  ? QStringLiteral("El MAESTRO estuvo en solo lectura %1 s; %2 MB copiados")
                        .arg(sonda->SegundosEnEspera(), 0, 'f', 1)
                        .arg(megas)
                  : QStringLiteral("No se pudo medir cuánto estuvo el MAESTRO en solo lectura "
                                   "(%1); %2 MB copiados")
                        .arg(error, megas);
    LineaCopia(bloqueo);
    return true;
}

bool frmEsclavo::Carga(const pasos::DatosCopia& d, const QString& volcado,
                       const QString& encabezado) {
    const auto total = static_cast<std::uint64_t>(std::max<qint64>(QFileInfo(volcado).size(), 0));
    QElapsedTimer reloj;
    reloj.start();
    // Lo leído del volcado mientras corre la carga (-1 antes y después).
    std::uint64_t leidos = 0;
    SigueAvance([&] {
        leidos = std::max<std::uint64_t>(leidos, static_cast<std::uint64_t>(std::max<std::int64_t>(
                                                     ejecucion::PosicionEntradaCMD(), 0)));
        pasos::AvanceCopia a;
        a.cargando = true;
        a.hechos = leidos;
        a.total = total;
        a.segundos = static_cast<double>(reloj.elapsed()) / 1000.0;
        return a;
    });
    const bool bien =
        EjecutaComando([&] { return pasos::ComandoCargaDatos(d); }, encabezado, Utf8(volcado));
    if (bien)
        leidos = total;
    SigueAvance(nullptr);
    if (bien)
        barCopia->setValue(100);
    return bien;
}

void frmEsclavo::SigueAvance(std::function<pasos::AvanceCopia()> avance) {
    if (!avance) {
        // Lo último que se vio.
        tmrCopia->stop();
        MuestraAvance();
        avance_ = nullptr;
        return;
    }
    avance_ = std::move(avance);
    barCopia->setVisible(true);
    lblCopia->setVisible(true);
    MuestraAvance();
    tmrCopia->start();
}

void frmEsclavo::MuestraAvance() {
    if (!avance_)
        return;
    const pasos::AvanceCopia a = avance_();
    barCopia->setValue(pasos::PorcentajeCopia(a));
    lblCopia->setText(DeUtf8(pasos::LineaAvanceCopia(a)));
}

bool frmEsclavo::MuestraReplicacion(const pasos::VersionServidor& version) {
    QString lectura, aplicacion, errorLectura, errorAplicacion;
    bool hayMaestro = false;
    QElapsedTimer reloj;
    reloj.start();
    const std::string consulta = pasos::ConsultaEstadoEsclavo(version);
    qint64 corriendoDesde = -1;
    for (;;) {
        rtqx5::Conexion::Resultado estado;
        if (const auto error = Paso([&] { estado = Conexion.Consulta(consulta); })) {
            AnotaFalla(QStringLiteral("No se pudo leer el estado de la replicación: ") +
                       DeUtf8(error->Descripcion()));
            return false;
        }
        hayMaestro = !estado.filas.empty();
        lectura = Columna(estado, "Slave_IO_Running");
        aplicacion = Columna(estado, "Slave_SQL_Running");
        errorLectura = Columna(estado, "Last_IO_Error");
        errorAplicacion = Columna(estado, "Last_SQL_Error");
        // Los hilos corren de verdad si siguen corriendo un segundo después:
        // la aplicación arranca y puede detenerse en el primer evento.
        const bool corren = lectura == QLatin1String("Yes") && aplicacion == QLatin1String("Yes");
        if (!corren)
            corriendoDesde = -1;
        else if (corriendoDesde < 0)
            corriendoDesde = reloj.elapsed();
        const bool estables = corren && reloj.elapsed() - corriendoDesde >= kHilosEstablesMs;
        if (!hayMaestro || estables || !errorLectura.isEmpty() || !errorAplicacion.isEmpty() ||
            reloj.elapsed() >= kEsperaReplicacionMs)
            break;
        EsperaConEventos(200);
    }
    if (!hayMaestro) {
        Estado(QStringLiteral("Replicación: la instancia no tiene ningún maestro configurado"));
        AnotaFalla(QStringLiteral("La instancia no tiene ningún maestro configurado"));
        return false;
    }
    const QString linea =
        QStringLiteral("Replicación: lectura %1, aplicación %2").arg(lectura, aplicacion);
    Estado(linea);
    if (!errorLectura.isEmpty())
        Estado(QStringLiteral("Error de lectura: ") + errorLectura);
    if (!errorAplicacion.isEmpty())
        Estado(QStringLiteral("Error de aplicación: ") + errorAplicacion);
    if (lectura == QLatin1String("Yes") && aplicacion == QLatin1String("Yes"))
        return true;
    QString falla = QStringLiteral("La replicación no corre (lectura %1, aplicación %2)")
                        .arg(lectura, aplicacion);
    if (!errorLectura.isEmpty())
        falla += QStringLiteral("; error de lectura: ") + errorLectura;
    if (!errorAplicacion.isEmpty())
        falla += QStringLiteral("; error de aplicación: ") + errorAplicacion;
    AnotaFalla(falla);
    return false;
}

void frmEsclavo::cmdProceder_Click() {
    if (EnProceso())
        return;
    Corrida corrida(*this);

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
    TomaValores();

    // Antes de cambiar nada: la instancia contesta y el maestro sirve.
    pasos::VersionServidor version;
    MaestroEnUso enUso;
    if (!Proceso::BasesDD) {
        rtqx5::MsgBox("No pudo conectar a la instancia indicada: faltan los datos de conexión del "
                      "producto.",
                      rtqx5::vbCritical, "ERROR");
        cmdProceder->setEnabled(true);
        return;
    }
    if (!ConectaInstancia(PuertoInstancia) || !CuentaCabeEn(Conexion) ||
        !LeeInstancia(version, enUso) || !RevisaMaestro(enUso) || !RevisaCopia()) {
        cmdProceder->setEnabled(true);
        return;
    }

    std::vector<pasos::ClaveOpcion> claves = ClavesRegistroBinario();
    claves.insert(claves.end(), {{"mysqld", "master-host", Utf8(HostMaestro)},
                                 {"mysqld", "master-user", Utf8(UsuarioMaestro)}});
    // Una contraseña que no se conoce no se escribe: el archivo guarda la suya.
    if (ClaveConocida)
        claves.push_back({"mysqld", "master-password", Utf8(ClaveMaestro)});
    claves.insert(claves.end(), {{"mysqld", "master-port", Utf8(PuertoMaestro)},
                                 {"mysqld", "master-retry-count", Utf8(ReintentosMaestro)}});
    // Nada cambia si el servidor no arrancaría con el archivo así.
    if (!EligeClaves(claves)) {
        cmdProceder->setEnabled(true);
        return;
    }

    const std::string configuracion = Utf8(Proceso::RutaConfiguracion);
    Paso([&] {
        Proceso::libRTSA->EscribeIni(Utf8(kSeccion), "Instancia ESCLAVO", Utf8(Servicio),
                                     configuracion);
    });
    Paso([&] {
        Proceso::libRTSA->EscribeIni(Utf8(kSeccion), "Archivo INI", Utf8(ArchivoIni),
                                     configuracion);
    });

    // La conexión de la revisión no sobrevive al reinicio.
    Conexion.Cierra();
    if (CambiaServidor(claves, Servicio, PuertoInstancia))
        ConfiguraReplicacion(PuertoInstancia);

    if (HuboFallas())
        MuestraFallas();
    Estado(QStringLiteral("Fin del proceso"));
    AvisoFinal(kTitulo);
}
