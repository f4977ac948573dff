#include "frmInicial.h"

#include "CambioInterrumpido.h"
#include "Campos.h"
#include "CargaConfiguracion.h"
#include "Fabrica.h"
#include "Iconos.h"
#include "Modulo.h"
#include "Proceso.h"
#include "Rutas.h"
#include "Version.h"
#include "frmDescripcion.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QString kCaptionDiseno = QStringLiteral("Replicación Tesal");
constexpr int kF1 = 112;
constexpr int kF4 = 115;
constexpr int kTeclaE = 69;
constexpr int kCtrl = 2;
constexpr int kAlt = 4;

// Botones de opción con degradado (el control de botón con degradado del diseño).
const char* const kEstiloOpciones = R"(
QPushButton[opcion="true"] {
    color: white; font-weight: bold; font-size: 11pt; padding: 10px;
    border: 1px solid #1b3f63; border-radius: 6px;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #7fb2e5, stop:0.5 #3a78b5, stop:1 #1f4e79);
}
QPushButton[opcion="true"]:hover {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #9cc6ee, stop:0.5 #4f8fcc, stop:1 #28609a);
}
QPushButton[opcion="true"]:pressed {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #1f4e79, stop:1 #3a78b5);
}
QPushButton[opcion="true"]:focus { border: 2px solid #f0b030; }
QPushButton[opcion="true"]:disabled {
    color: #eeeeee; border: 1px solid #8a8a8a;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #c8c8c8, stop:1 #9a9a9a);
}
)";

} // namespace

frmInicial::frmInicial(const QString& carpetaPrograma, const QString& nombreEjecutable,
                       QWidget* parent)
    : QWidget(parent) {
    Proceso::VentanaPrincipal = this;
    ConstruyeControles();
    Form_Load(carpetaPrograma, nombreEjecutable);
}

frmInicial::~frmInicial() {
    if (descripcion_)
        delete descripcion_.data();
    LiberaObjetos();
}

frmInicial* frmInicial::Principal() {
    return qobject_cast<frmInicial*>(Proceso::VentanaPrincipal.data());
}

QString frmInicial::RutaMySQL() const {
    return lblMuestra[1]->text();
}

void frmInicial::ConstruyeControles() {
    setObjectName(QStringLiteral("frmInicial"));
    setWindowTitle(kCaptionDiseno);
    setWindowIcon(IconoPrograma());
    setStyleSheet(QString::fromUtf8(kEstiloOpciones));

    auto* principalLayout = new QVBoxLayout(this);
    principalLayout->setContentsMargins(18, 16, 18, 14);
    principalLayout->setSpacing(10);

    auto* datos = new QGridLayout;
    datos->setHorizontalSpacing(10);
    const std::array<QString, 2> etiquetas{QStringLiteral("Servidor:"),
                                           QStringLiteral("Ruta de MySQL:")};
    for (int i = 0; i < 2; ++i) {
        lblEtiq[i] = new QLabel(etiquetas[i], this);
        lblEtiq[i]->setObjectName(QStringLiteral("lblEtiq_%1").arg(i));
        lblMuestra[i] = new QLabel(this);
        lblMuestra[i]->setObjectName(QStringLiteral("lblMuestra_%1").arg(i));
        lblMuestra[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        lblMuestra[i]->setMinimumWidth(260);
        lblMuestra[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
        datos->addWidget(lblEtiq[i], i, 0, Qt::AlignRight);
        datos->addWidget(lblMuestra[i], i, 1);
    }
    datos->setColumnStretch(1, 1);
    principalLayout->addLayout(datos);

    lblEtiq[2] = new QLabel(QStringLiteral("Configurar"), this);
    lblEtiq[2]->setObjectName(QStringLiteral("lblEtiq_2"));
    QFont titulo = lblEtiq[2]->font();
    titulo.setBold(true);
    titulo.setPointSizeF(titulo.pointSizeF() * 1.4);
    lblEtiq[2]->setFont(titulo);
    lblEtiq[2]->setAlignment(Qt::AlignCenter);
    principalLayout->addSpacing(6);
    principalLayout->addWidget(lblEtiq[2]);

    const std::array<QString, 4> opciones{
        QStringLiteral("Crear nueva instancia de MySQL"), QStringLiteral("Servidor MAESTRO"),
        QStringLiteral("Servidor ESCLAVO"), QStringLiteral("Estado de la replicación")};
    for (int i = 0; i < 4; ++i) {
        ggcOpc[i] = new QPushButton(opciones[i], this);
        ggcOpc[i]->setObjectName(QStringLiteral("ggcOpc_%1").arg(i));
        ggcOpc[i]->setProperty("opcion", true);
        ggcOpc[i]->setMinimumHeight(48);
        // Sin ventana conectada el botón no hace nada todavía (AsignaOpcion).
        ggcOpc[i]->setEnabled(false);
        connect(ggcOpc[i], &QPushButton::clicked, this, [this, i] { ggcOpc_Click(i); });
        principalLayout->addWidget(ggcOpc[i]);
    }

    principalLayout->addStretch(1);
    cmdLB = new QPushButton(QStringLiteral("Limpiar bitacora"), this);
    cmdLB->setObjectName(QStringLiteral("cmdLB"));
    connect(cmdLB, &QPushButton::clicked, this, &frmInicial::cmdLB_Click);
    auto* pie = new QHBoxLayout;
    pie->addStretch(1);
    pie->addWidget(cmdLB);
    principalLayout->addLayout(pie);

    // La ventana ve las teclas antes que sus controles.
    for (QWidget* hijo : findChildren<QWidget*>())
        hijo->installEventFilter(this);

    resize(480, 460);
}

void frmInicial::Form_Load(const QString& carpetaPrograma, const QString& nombreEjecutable) {
    PrimeraActivacion = true;
    Terminar = false;
    PreguntarAlSalir = true;

    QString carpeta =
        carpetaPrograma.isEmpty() ? QCoreApplication::applicationDirPath() : carpetaPrograma;
    carpeta = QDir::toNativeSeparators(carpeta);
    QString nombre = nombreEjecutable;
    if (nombre.isEmpty()) {
        nombre = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        if (nombre.endsWith(QStringLiteral(".exe"), Qt::CaseInsensitive))
            nombre.chop(4);
    }

    try {
        QDir::setCurrent(carpeta);

        using rtqx5::CreaObjeto;
        const std::string prefijo = "rtqx5";
        CreaObjeto(Proceso::libRTSA, "libRTSA", prefijo);
        CreaObjeto(Proceso::Plugins, "Plugins", prefijo);
        CreaObjeto(Proceso::BasesDD, "BasesDD", prefijo);
        CreaObjeto(Proceso::Utilerias, "Utilerias", prefijo);
        CreaObjeto(Proceso::DeArchivos, "DeArchivos", prefijo);
        CreaObjeto(Proceso::DelRegistro, "DelRegistro", prefijo);
        CreaObjeto(Proceso::DeControles, "DeControles", prefijo);
        CreaObjeto(Proceso::DeAcceso, "DeAcceso", prefijo);
        // Cada clase que falló ya mostró su cuadro; sin todos los objetos el
        // programa no puede trabajar.
        if (!Proceso::libRTSA || !Proceso::Plugins || !Proceso::BasesDD || !Proceso::Utilerias ||
            !Proceso::DeArchivos || !Proceso::DelRegistro || !Proceso::DeControles ||
            !Proceso::DeAcceso) {
            TerminaAhora();
            return;
        }

        Proceso::CarpetaPrograma = carpeta;
        Proceso::RutaConfiguracion =
            DeUtf8(rtqx5::UneRuta(Utf8(carpeta), Utf8(nombre + QStringLiteral(".ini"))));
        Proceso::RutaBitacora = DeUtf8(rtqx5::UneRuta(
            Utf8(carpeta), Utf8(QStringLiteral("Bitacora") + nombre + QStringLiteral(".txt"))));

        if (!CargaConfiguracion(Proceso::libRTSA, Proceso::DelRegistro, Proceso::BasesDD,
                                Utf8(Proceso::RutaConfiguracion), true)) {
            TerminaAhora();
            return;
        }

        if (!Proceso::DeArchivos->HayArchivo(Utf8(Proceso::RutaBitacora)))
            IniciaBitacora();

        Proceso::TextoVersion = QStringLiteral("   v %1.%2.%3")
                                    .arg(version::Mayor)
                                    .arg(version::Menor)
                                    .arg(version::Revision);
        setWindowTitle(kCaptionDiseno.trimmed() + Proceso::TextoVersion);

        lblMuestra[0]->setText(DeUtf8(Proceso::BasesDD->cRuta));
        lblMuestra[1]->setText(DeUtf8(Proceso::DelRegistro->LeerCadena(
            "Software\\MySQL AB\\MySQL Server 5.1", "Location", rtqx5::HKEY_LOCAL_MACHINE_)));

        // Un cambio de servidor que se cortó dejó su servicio detenido.
        AtiendeCambioInterrumpido(Proceso::RutaConfiguracion, Proceso::CarpetaPrograma);
    } catch (const rtqx5::ErrorRT& e) {
        // Un error no previsto del arranque: se informa y el programa acaba.
        ReportaError(e);
        TerminaAhora();
    }
}

void frmInicial::Form_Activate() {
    if (!PrimeraActivacion || Terminar)
        return;
    PrimeraActivacion = false;
    if (lblMuestra[1]->text().isEmpty()) {
        rtqx5::MsgBox("No fue localizada la ruta de MYSQL, por lo que al parecer este equipo no "
                      "lo tiene instalado",
                      rtqx5::vbCritical, "Error");
        Terminar = true;
    }
    if (Terminar)
        TerminaAhora();
}

void frmInicial::TerminaAhora() {
    Terminar = true;
    codigoSalida_ = 1;
    hide();
    emit Finaliza(codigoSalida_);
}

void frmInicial::IniciaBitacora() {
    EscribeBitacora(QStringLiteral("Iniciando bitácora"), true);
}

void frmInicial::LiberaObjetos() {
    Proceso::libRTSA.reset();
    Proceso::Plugins.reset();
    Proceso::BasesDD.reset();
    Proceso::Utilerias.reset();
    Proceso::DeArchivos.reset();
    Proceso::DeControles.reset();
    Proceso::DelRegistro.reset();
    Proceso::DeAcceso.reset();
}

void frmInicial::AsignaOpcion(int Index, CreaVentana crea) {
    if (Index < 0 || Index > 3)
        return;
    opciones_[Index] = std::move(crea);
    ggcOpc[Index]->setEnabled(static_cast<bool>(opciones_[Index]));
}

void frmInicial::ggcOpc_Click(int Index) {
    // 0: frmInstancia, 1: frmMaestro, 3: frmEstado, cualquier otro: frmEsclavo.
    const int opcion = Index == 0 || Index == 1 || Index == 3 ? Index : 2;
    if (!opciones_[opcion])
        return;
    // Se crea en cada apertura para que su carga corra cada vez.
    std::unique_ptr<QDialog> ventana = opciones_[opcion]();
    if (!ventana)
        return;
    ventana->setWindowModality(Qt::ApplicationModal);
    ventana->exec();
}

void frmInicial::cmdLB_Click() {
    if (!Confirma(QStringLiteral("¿Está seguro de limpiar la bitácora de este programa?"),
                  QStringLiteral("Limpiar bitácora"), true))
        return;
    try {
        IniciaBitacora();
    } catch (const rtqx5::ErrorRT& e) {
        ReportaError(e);
    }
}

void frmInicial::Form_KeyDown(int KeyCode, int Shift) {
    if (KeyCode == kF1) {
        if (!descripcion_)
            descripcion_ = new frmDescripcion();
        descripcion_->mnDescrip_Click();
    } else if (KeyCode == kF4 && Shift == kAlt) {
        close();
    } else if (KeyCode == kTeclaE && Shift == kCtrl) {
        ggcOpc_Click(3);
    }
}

void frmInicial::Form_DblClick() {
    try {
        Proceso::DeArchivos->AbreDocumento(Utf8(Proceso::RutaConfiguracion), 0, 1);
    } catch (const rtqx5::ErrorRT& e) {
        ReportaError(e);
    }
}

bool frmInicial::Form_QueryUnload() {
    if (HaySwitchRtsa())
        return true;
    if (PreguntarAlSalir)
        return Confirma(QStringLiteral("¿Desea cerrar este programa?"), QStringLiteral("Finalizar"),
                        false);
    return true;
}

void frmInicial::Form_Unload() {
    if (descargada_)
        return;
    descargada_ = true;
    // La descripción guarda su colocación mientras los objetos existen.
    if (descripcion_)
        descripcion_->close();
    LiberaObjetos();
    emit Finaliza(0);
}

bool frmInicial::event(QEvent* evento) {
    if (evento->type() == QEvent::WindowActivate)
        Form_Activate();
    return QWidget::event(evento);
}

void frmInicial::showEvent(QShowEvent* evento) {
    QWidget::showEvent(evento);
    // Sin gestor de ventanas la ventana puede no activarse nunca; la primera
    // activación corre de todos modos tras mostrarse.
    if (PrimeraActivacion)
        QTimer::singleShot(0, this, &frmInicial::Form_Activate);
}

void frmInicial::closeEvent(QCloseEvent* evento) {
    // Un final anticipado no pregunta ni descarga.
    if (Terminar || descargada_) {
        evento->accept();
        return;
    }
    if (!Form_QueryUnload()) {
        evento->ignore();
        return;
    }
    Form_Unload();
    evento->accept();
}

void frmInicial::keyPressEvent(QKeyEvent* evento) {
    Form_KeyDown(CodigoTecla(evento->key()), EstadoMayusculas(evento->modifiers()));
    QWidget::keyPressEvent(evento);
}

void frmInicial::mouseDoubleClickEvent(QMouseEvent* evento) {
    // Solo el área libre de la ventana, no sus controles.
    if (!childAt(evento->position().toPoint()))
        Form_DblClick();
    QWidget::mouseDoubleClickEvent(evento);
}

bool frmInicial::eventFilter(QObject* objeto, QEvent* evento) {
    if (evento->type() == QEvent::KeyPress && objeto != this) {
        const auto* tecla = static_cast<QKeyEvent*>(evento);
        const int codigo = CodigoTecla(tecla->key());
        const int mayusculas = EstadoMayusculas(tecla->modifiers());
        if (codigo == kF1 || (codigo == kF4 && mayusculas == kAlt) ||
            (codigo == kTeclaE && mayusculas == kCtrl)) {
            Form_KeyDown(codigo, mayusculas);
            return true;
        }
    }
    return QWidget::eventFilter(objeto, evento);
}
