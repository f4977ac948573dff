#include "frmMaestro.h"

#include "Mensajes.h"
#include "Modulo.h"
#include "Proceso.h"
#include "TextosProcedimiento.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QString kTitulo = QStringLiteral("Configuración MAESTRO");

} // namespace

frmMaestro::frmMaestro(QWidget* parent)
    : VentanaReplicacion(QStringLiteral("frmMaestro"),
                         QStringLiteral("Replicación servidor MAESTRO"), parent) {
    politica = PoliticaSilenciaServidor();
    ConstruyeControles();
    Form_Load();
}

frmMaestro::~frmMaestro() = default;

void frmMaestro::ConstruyeControles() {
    FijaAreaCliente(12600, 7215);

    CreaEncabezado(QStringLiteral("Datos de configuración para conectar a este servidor MAESTRO"));

    Frame1 = new QGroupBox(QStringLiteral("Datos del usuario, con privilegios de replicación (no "
                                          "se almacenan en el archivo .INI)"),
                           this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Coloca(Frame1, 360, 1320, 12015, 975);
    const struct {
        int etiqueta;
        const char* texto;
        int izquierdaEtiqueta;
        int izquierdaCampo;
        const char* valor;
    } cuenta[] = {{1, "Usuario:", 360, 1320, "usuariomirror"},
                  {2, "Dirección:", 4080, 5280, "IP del esclavo"},
                  {3, "Contraseña:", 8040, 9480, "clavereplic"}};
    for (int i = 0; i < 3; ++i) {
        const auto& c = cuenta[i];
        Coloca(CreaEtiqueta(c.etiqueta, QString::fromUtf8(c.texto), Frame1), c.izquierdaEtiqueta,
               540, c.izquierdaCampo - c.izquierdaEtiqueta - 60, 300);
        Coloca(CreaDato(i, QString::fromUtf8(c.valor), QStringLiteral("X"), Frame1),
               c.izquierdaCampo, 480, 2415, 360);
    }

    Coloca(CreaEtiqueta(4, QStringLiteral("Base de datos a replicar:")), 480, 2520, 2250, 240);
    lstBdeDs = new QListWidget(this);
    lstBdeDs->setObjectName(QStringLiteral("lstBdeDs"));
    lstBdeDs->setSelectionMode(QAbstractItemView::NoSelection);
    Coloca(lstBdeDs, 3120, 2520, 3015, 2220);
    QLabel* nota = CreaEtiqueta(10, QString());
    nota->setFrameStyle(QFrame::Box | QFrame::Plain);
    nota->setMargin(2);
    Coloca(nota, 480, 2880, 2250, 1680);

    Coloca(CreaProceder(), 8760, 2640, 1335, 735);
    Coloca(CreaCapturaDOS(true), 6360, 3600, 6015, 3375);

    const struct {
        int indice;
        int etiqueta;
        const char* texto;
        const char* valor;
        const char* clase;
        int ancho;
    } campos[] = {{3, 5, "Nombre para archivos LOG:", "qxlog-bin", "X", 2415},
                  {4, 6, "Días de expiración para archivos LOG:", "10", "9", 495},
                  {5, 7, "Identificación del servidor MAESTRO", "1", "9", 495},
                  {6, 9, "Nombre de la instancia MAESTRA:", "MySQL", "X", 2415}};
    int arriba = 4800;
    for (const auto& c : campos) {
        Coloca(CreaEtiqueta(c.etiqueta, QString::fromUtf8(c.texto)), 480, arriba - 120, 2520, 480);
        QLineEdit* campo =
            CreaDato(c.indice, QString::fromUtf8(c.valor), QString::fromLatin1(c.clase));
        Coloca(campo, 3120, arriba, c.ancho, 360);
        arriba += 600;
    }
    for (int i : {4, 5}) {
        txtDato[i]->setAlignment(Qt::AlignRight);
        txtDato[i]->setMaxLength(2);
    }
    // El identificador del servidor se muestra, no se teclea.
    txtDato[5]->setReadOnly(true);
    PonGris(txtDato[5]);

    OrdenTabulacion({txtElINI, txtDato[0], txtDato[1], txtDato[2], lstBdeDs, txtDato[3], txtDato[4],
                     txtDato[5], txtDato[6], cmdProceder});
    InstalaValidaciones();
}

void frmMaestro::Form_Load() {
    PrimeraActivacion = true;
    const bool conectado = Proceso::BasesDD && Proceso::BasesDD->ConectarAservidor(Conexion);
    if (!Proceso::BasesDD) {
        errorConexion_ = QStringLiteral("No pudo conectar al servidor: faltan los datos de "
                                        "conexión del producto.");
    } else if (!conectado) {
        const rtqx5::BasesDD& bd = *Proceso::BasesDD;
        errorConexion_ = QStringLiteral("No pudo conectar al servidor %1:%2 : %3")
                             .arg(DeUtf8(bd.cRuta), DeUtf8(bd.cPuerto), DeUtf8(bd.cErrorConexion));
    }
    if (conectado) {
        // Una lista que el servidor niega queda vacía: Proceder lo dirá.
        CorrePaso(nullptr, [&] {
            for (const std::string& fila : Conexion.Execute("SHOW DATABASES")) {
                const QString nombre = DeUtf8(fila).toLower();
                if (nombre.startsWith(QStringLiteral("datos"))) {
                    auto* elemento = new QListWidgetItem(nombre, lstBdeDs);
                    elemento->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
                    elemento->setCheckState(Qt::Unchecked);
                }
            }
        });
        if (lstBdeDs->count() > 0)
            lstBdeDs->item(0)->setCheckState(Qt::Checked);
    } else {
        AvisaSinConexion();
    }

    RutaIni = RutaMySQLPrincipal() + QStringLiteral("my.ini");
    txtElINI->setText(RutaIni);
    txtElINI->setProperty("Tag", txtElINI->text());

    lblEtiq[10]->setText(QStringList{
        QStringLiteral("Al ESCLAVO deberán copiarse, además:"), QString(),
        QStringLiteral("catalogossat"), QStringLiteral("concentradorqxp"),
        QStringLiteral("generalorvalo"), QStringLiteral("mysql"), QStringLiteral("orvaloreportes")}
                             .join(QStringLiteral("\r\n")));
}

void frmMaestro::AvisaSinConexion() const {
    rtqx5::MsgBox(Utf8(errorConexion_), rtqx5::vbCritical, "Error");
}

frmMaestro::ReglaCampo frmMaestro::Regla(int Index) const {
    if (Index <= 5)
        return ReglaComun(Index, QStringLiteral("Identificación del servidor MAESTRO"));
    return {QStringLiteral("Nombre de la instancia MAESTRA:"), pasos::kMaxValorOpcion};
}

bool frmMaestro::Marcado(QListWidget* lista, int i) {
    return lista->item(i)->checkState() == Qt::Checked;
}

void frmMaestro::CargaDatosIni() {
    BdReplicar = LeeMysqld("replicate-do-db").toLower();
    NombreLog = LeeMysqld("log-bin");
    DiasExpiracion = LeeMysqld("expire_logs_days");
    IdServidor = LeeMysqld("server-id");
    if (!BdReplicar.isEmpty()) {
        for (int i = 0; i < lstBdeDs->count(); ++i) {
            if (lstBdeDs->item(i)->text().toLower() == BdReplicar)
                lstBdeDs->item(i)->setCheckState(Qt::Checked);
        }
    }
    PonDato(IdServidor, 5);
    PonDato(DiasExpiracion, 4);
    PonDato(NombreLog, 3);
}

void frmMaestro::cmdProceder_Click() {
    if (EnProceso())
        return;
    Corrida corrida(*this);

    txtCapturaDOS->clear();
    if (!Conexion.Abierta()) {
        AvisaSinConexion();
        return;
    }
    Estado(QStringLiteral("Bases de datos seleccionadas"), true);
    bool hayMarcada = false;
    for (int i = 0; i < lstBdeDs->count() && !hayMarcada; ++i)
        hayMarcada = Marcado(lstBdeDs, i);
    if (!hayMarcada) {
        rtqx5::MsgBox("No seleccionó ninguna base de datos a replicar", rtqx5::vbCritical, "Error");
        return;
    }
    if (!VerificaDatos() || !CuentaCabeEn(Conexion) || !Confirmado(QStringLiteral("MAESTRO")))
        return;

    BdReplicar.clear();
    for (int i = 0; i < lstBdeDs->count(); ++i) {
        if (Marcado(lstBdeDs, i)) {
            BdReplicar = lstBdeDs->item(i)->text();
            break;
        }
    }
    DiasExpiracion = txtDato[4]->text();
    IdServidor = txtDato[5]->text();
    NombreLog = txtDato[3]->text();
    const std::vector<pasos::ClaveOpcion> claves = ClavesRegistroBinario();
    // Nada cambia si el servidor no arrancaría con el archivo así.
    if (!ServidorAcepta(claves)) {
        cmdProceder->setEnabled(true);
        return;
    }

    Paso([&] { Conexion.Execute("USE mysql"); });
    CreaCuentaReplicacion();

    CambiaServidor(claves, txtDato[6]->text(), DeUtf8(Proceso::BasesDD->cPuerto));

    // Con fallas, lo que mostraron los comandos se queda en la caja.
    if (HuboFallas())
        MuestraFallas();
    else
        txtCapturaDOS->clear();
    Estado(QStringLiteral("Fin del proceso"));
    AvisoFinal(kTitulo);
}

// La cuenta de replicación con su permiso, en el texto que acepta el servidor
// conectado; sin versión, el clásico.
void frmMaestro::CreaCuentaReplicacion() {
    pasos::VersionServidor version;
    Paso([&] {
        const std::vector<std::string> fila = Conexion.Execute("SELECT VERSION()");
        if (!fila.empty())
            version = pasos::LeeVersion(fila.front());
    });
    const std::string usuario = Utf8(txtDato[0]->text());
    const std::string direccion = Utf8(txtDato[1]->text());
    const std::string clave = Utf8(txtDato[2]->text());
    const bool literal = Conexion.DiagonalLiteral();
    const std::string cuenta = pasos::CuentaSQL(usuario, direccion, literal);
    pasos::SentenciasCuenta textos;
    if (PasoAnotado(QStringLiteral("No se creó la cuenta de replicación ") + DeUtf8(cuenta), [&] {
            textos =
                pasos::SentenciasCuentaReplicacion(version, usuario, direccion, clave, literal);
        }))
        return;
    const struct {
        const pasos::SentenciaConClave& sentencia;
        QString rechazo; // vacío: su rechazo es de esperar (la cuenta no existía)
    } sentencias[] = {
        {textos.borra, QString()},
        {textos.crea, QStringLiteral("la creación de la cuenta ")},
        {textos.permiso, QStringLiteral("el permiso de replicación de la cuenta ")},
    };
    for (const auto& s : sentencias) {
        // La caja y la bitácora ven la clave como "********"; el servidor, la
        // clave. Un rechazo que cite la sentencia tampoco la muestra.
        const QString texto = DeUtf8(s.sentencia.enmascarada);
        Paso([&] { EscribeBitacora(texto); });
        Paso([&] { Estado(texto, true); });
        const auto ejecuta = [&] {
            try {
                Conexion.Execute(s.sentencia.exacta);
            } catch (const rtqx5::ErrorRT& e) {
                throw rtqx5::ErrorRT(e.Numero(),
                                     pasos::OcultaClave(e.Descripcion(), clave, literal));
            }
        };
        if (s.rechazo.isEmpty())
            Paso(ejecuta);
        else
            PasoAnotado(QStringLiteral("El servidor rechazó ") + s.rechazo + DeUtf8(cuenta),
                        ejecuta);
    }
}
