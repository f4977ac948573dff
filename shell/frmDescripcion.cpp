#include "frmDescripcion.h"

#include "Iconos.h"
#include "Modulo.h"
#include "Proceso.h"
#include "Twips.h"

#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTextEdit>

namespace {

// Tamaño de diseño (exterior) en twips.
constexpr double kAnchoDiseno = 9600;
constexpr double kAltoDiseno = 7200;

const char* const kTextoDescripcion = R"(
<h2>Replicación Tesal</h2>
<p>Prepara los servidores MySQL 5.1 de Orvalo Premium para la replicación
maestro/esclavo.</p>
<ul>
<li><b>Crear nueva instancia de MySQL</b>: copia el archivo de opciones del servidor
instalado con otro puerto y otra carpeta de datos, copia la base <i>mysql</i>,
registra la instancia como servicio y la arranca.</li>
<li><b>Servidor MAESTRO</b>: crea la cuenta de replicación para el esclavo, escribe
las claves del registro binario en la sección [mysqld] y reinicia el servicio.</li>
<li><b>Servidor ESCLAVO</b>: escribe las claves del registro binario y los datos del
maestro, reinicia el servicio y arranca la replicación.</li>
</ul>
<p>La salida de cada comando se muestra en la ventana del proceso. Mientras exista
el archivo <i>ReplicacionTesal_.txt</i> en la carpeta del programa, cada paso se anota
en la bitácora.</p>
<p>F1 muestra esta ventana; doble clic en la ventana principal abre el archivo de
configuración.</p>
)";

} // namespace

frmDescripcion::frmDescripcion(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmDescripcion"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Descripción del programa"));
    setWindowIcon(IconoDescripcion());

    barraMenu = new QMenuBar(this);
    mnUno = barraMenu->addMenu(QStringLiteral("Uno"));
    mnUno->setObjectName(QStringLiteral("mnUno"));
    mnDescrip = mnUno->addAction(QStringLiteral("Descripción del programa"));
    mnDescrip->setObjectName(QStringLiteral("mnDescrip"));
    mnEditINI = mnUno->addAction(QStringLiteral("Editar archivo INI de configuración"));
    mnEditINI->setObjectName(QStringLiteral("mnEditINI"));
    connect(mnDescrip, &QAction::triggered, this, &frmDescripcion::mnDescrip_Click);
    connect(mnEditINI, &QAction::triggered, this, &frmDescripcion::mnEditINI_Click);

    rtbTexto = new QTextEdit(this);
    rtbTexto->setObjectName(QStringLiteral("rtbTexto"));
    rtbTexto->setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    rtbTexto->setHtml(QString::fromUtf8(kTextoDescripcion));

    resize(Twips::APixeles(kAnchoDiseno, this), Twips::APixeles(kAltoDiseno, this));
    Form_Load();
}

std::optional<QSizeF> frmDescripcion::MedidasCaja(double anchoTwips, double altoTwips) {
    const float ancho = static_cast<float>(anchoTwips) - 260.0f;
    const float alto = static_cast<float>(altoTwips) - 600.0f;
    if (ancho < 0 || alto < 0)
        return std::nullopt;
    return QSizeF(ancho, alto);
}

void frmDescripcion::Form_Load() {
    RecuperaVentana(this, true);
}

void frmDescripcion::Form_Resize() {
    const int alturaMenu = barraMenu->sizeHint().height();
    barraMenu->setGeometry(0, 0, width(), alturaMenu);
    // Las medidas del diseño son las exteriores de la ventana.
    const QSize exterior = size() + (frameGeometry().size() - geometry().size());
    const auto caja = MedidasCaja(Twips::DePixeles(exterior.width(), this),
                                  Twips::DePixeles(exterior.height(), this));
    if (!caja)
        return;
    rtbTexto->setGeometry(0, alturaMenu, Twips::APixeles(caja->width(), this),
                          Twips::APixeles(caja->height(), this));
}

void frmDescripcion::Form_Unload() {
    try {
        GuardaVentana(this, true);
    } catch (const rtqx5::ErrorRT& e) {
        ReportaError(e);
    }
}

void frmDescripcion::mnDescrip_Click() {
    show();
    raise();
    activateWindow();
}

void frmDescripcion::mnEditINI_Click() {
    try {
        if (!Proceso::DeArchivos)
            throw rtqx5::ErrorRT(91, "Variable de objeto o bloque With no establecido");
        Proceso::DeArchivos->AbreDocumento(Utf8(Proceso::RutaConfiguracion), 0, 1);
    } catch (const rtqx5::ErrorRT& e) {
        ReportaError(e);
    }
}

void frmDescripcion::resizeEvent(QResizeEvent* evento) {
    QWidget::resizeEvent(evento);
    Form_Resize();
}

void frmDescripcion::closeEvent(QCloseEvent* evento) {
    Form_Unload();
    evento->accept();
}
