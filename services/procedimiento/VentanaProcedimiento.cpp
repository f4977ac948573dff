#include "VentanaProcedimiento.h"

#include "ArchivoOpciones.h"
#include "CajaQt.h"
#include "Campos.h"
#include "EjecucionCMD.h"
#include "Mensajes.h"
#include "Modulo.h"
#include "Proceso.h"
#include "TextosProcedimiento.h"
#include "Twips.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QEventLoop>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <ctime>

namespace {

// Error de automatización para lo que no es un ErrorRT ("Error interno").
constexpr long kErrorInterno = 51;

const QString kCierreDiferido = QStringLiteral(" (se cerrará al terminar el proceso)");

} // namespace

PoliticaError PoliticaGeneral() {
    return [](const rtqx5::ErrorRT& e) {
        rtqx5::MsgBox(pasos::TextoError(e.Numero(), e.Descripcion()), rtqx5::vbCritical, "ERROR");
    };
}

PoliticaError PoliticaSilenciaServidor() {
    return [general = PoliticaGeneral()](const rtqx5::ErrorRT& e) {
        if (e.Numero() != rtqx5::kErrorServidor)
            general(e);
    };
}

std::optional<rtqx5::ErrorRT> CorrePaso(const PoliticaError& politica,
                                        const std::function<void()>& paso) {
    std::optional<rtqx5::ErrorRT> error;
    try {
        paso();
        return error;
    } catch (const rtqx5::ErrorRT& e) {
        error = e;
    } catch (const std::exception& e) {
        error = rtqx5::ErrorRT(kErrorInterno, e.what());
    }
    if (politica)
        politica(*error);
    return error;
}

QString RutaMySQLPrincipal() {
    QWidget* principal = Proceso::VentanaPrincipal;
    if (!principal)
        return {};
    const auto* etiqueta = principal->findChild<QLabel*>(QStringLiteral("lblMuestra_1"));
    QString ruta = etiqueta ? etiqueta->text() : QString();
    AgregaDiagonal(ruta);
    return ruta;
}

// ---- Construcción -----------------------------------------------------------

VentanaProcedimiento::VentanaProcedimiento(const QString& nombre, const QString& caption,
                                           QWidget* parent)
    : QDialog(parent), politica(PoliticaGeneral()), caption_(caption) {
    setObjectName(nombre);
    setWindowTitle(caption);
    if (Proceso::VentanaPrincipal)
        setWindowIcon(Proceso::VentanaPrincipal->windowIcon());
    setFont(ejecucion::LetraDeDiseno());
    ejecucion::InstalaBombaQt();
    connect(qApp, &QApplication::focusChanged, this, &VentanaProcedimiento::CambioDeFoco);
}

VentanaProcedimiento::~VentanaProcedimiento() {
    // Al destruirse los controles el foco cambia: ya no hay nada que validar.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
}

void VentanaProcedimiento::FijaAreaCliente(int ancho, int alto) {
    setFixedSize(Twips::APixeles(ancho, this), Twips::APixeles(alto, this));
}

void VentanaProcedimiento::Coloca(QWidget* control, int izquierda, int arriba, int ancho,
                                  int alto) const {
    control->setGeometry(Twips::APixeles(izquierda, this), Twips::APixeles(arriba, this),
                         Twips::APixeles(ancho, this), Twips::APixeles(alto, this));
}

QLabel* VentanaProcedimiento::CreaEtiqueta(int Index, const QString& texto, QWidget* padre) {
    auto* etiqueta = new QLabel(texto, padre ? padre : this);
    etiqueta->setObjectName(QStringLiteral("lblEtiq_%1").arg(Index));
    etiqueta->setWordWrap(true);
    etiqueta->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (lblEtiq.size() <= static_cast<std::size_t>(Index))
        lblEtiq.resize(static_cast<std::size_t>(Index) + 1, nullptr);
    lblEtiq[static_cast<std::size_t>(Index)] = etiqueta;
    return etiqueta;
}

QLineEdit* VentanaProcedimiento::CreaDato(int Index, const QString& texto, const QString& clase,
                                          QWidget* padre) {
    auto* campo = new QLineEdit(texto, padre ? padre : this);
    campo->setObjectName(QStringLiteral("txtDato_%1").arg(Index));
    PreparaCampo(campo, clase);
    if (txtDato.size() <= static_cast<std::size_t>(Index))
        txtDato.resize(static_cast<std::size_t>(Index) + 1, nullptr);
    txtDato[static_cast<std::size_t>(Index)] = campo;
    return campo;
}

QPlainTextEdit* VentanaProcedimiento::CreaCapturaDOS(bool conBarras) {
    txtCapturaDOS = ejecucion::CreaCajaCaptura(this);
    txtCapturaDOS->setVerticalScrollBarPolicy(conBarras ? Qt::ScrollBarAsNeeded
                                                        : Qt::ScrollBarAlwaysOff);
    txtCapturaDOS->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Se lee con el ratón; no es parada del tabulador.
    txtCapturaDOS->setFocusPolicy(Qt::ClickFocus);
    return txtCapturaDOS;
}

QPushButton* VentanaProcedimiento::CreaProceder() {
    cmdProceder = new QPushButton(QStringLiteral("Proceder"), this);
    cmdProceder->setObjectName(QStringLiteral("cmdProceder"));
    cmdProceder->setAutoDefault(false);
    connect(cmdProceder, &QPushButton::clicked, this, [this] {
        // El clic que intentó llevarse el foco de un campo rechazado no cuenta.
        if (rechazadoPor_ == cmdProceder) {
            rechazadoPor_ = nullptr;
            return;
        }
        cmdProceder_Click();
    });
    return cmdProceder;
}

void VentanaProcedimiento::PonGris(QLineEdit* campo) {
    QPalette paleta = campo->palette();
    for (const auto grupo : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        paleta.setColor(grupo, QPalette::Base, QColor(188, 186, 187));
    campo->setPalette(paleta);
}

void VentanaProcedimiento::OrdenTabulacion(const std::vector<QWidget*>& controles) {
    for (std::size_t i = 1; i < controles.size(); ++i)
        QWidget::setTabOrder(controles[i - 1], controles[i]);
}

// ---- Validación al dejar un control -----------------------------------------

void VentanaProcedimiento::ValidaAlSalir(QWidget* control,
                                         std::function<void(bool& Cancel)> validacion) {
    validaciones_[control] = std::move(validacion);
}

void VentanaProcedimiento::CambioDeFoco(QWidget* antes, QWidget* ahora) {
    // El foco que vuelve al control rechazado no valida nada; durante una
    // corrida los valores ya se tomaron.
    if (validando_ || descargada_ || enProceso_)
        return;
    if (!antes || !ahora || antes->window() != this || ahora->window() != this)
        return;
    rechazadoPor_ = nullptr;
    const auto validacion = validaciones_.find(antes);
    if (validacion == validaciones_.end())
        return;
    bool Cancel = false;
    validando_ = true;
    validacion->second(Cancel);
    if (Cancel) {
        rechazadoPor_ = ahora;
        antes->setFocus(Qt::OtherFocusReason);
    }
    validando_ = false;
}

// ---- Eventos -----------------------------------------------------------------

bool VentanaProcedimiento::event(QEvent* evento) {
    if (evento->type() == QEvent::WindowActivate)
        Form_Activate();
    return QDialog::event(evento);
}

void VentanaProcedimiento::showEvent(QShowEvent* evento) {
    QDialog::showEvent(evento);
    // Sin gestor de ventanas puede no haber activación: la primera corre igual.
    if (PrimeraActivacion)
        QTimer::singleShot(0, this, [this] { Form_Activate(); });
}

void VentanaProcedimiento::done(int resultado) {
    if (enProceso_) {
        cierrePendiente_ = true;
        setWindowTitle(caption_ + kCierreDiferido);
        return;
    }
    Descarga();
    QDialog::done(resultado);
}

void VentanaProcedimiento::Descarga() {
    if (descargada_)
        return;
    descargada_ = true;
    Form_Unload();
}

// ---- El procedimiento ----------------------------------------------------------

VentanaProcedimiento::Corrida::Corrida(VentanaProcedimiento& ventana) : ventana_(ventana) {
    ventana_.enProceso_ = true;
    ventana_.OlvidaFallas();
    ventana_.bloqueados_.clear();
    for (QWidget* control : ventana_.findChildren<QWidget*>()) {
        const bool captura =
            qobject_cast<QLineEdit*>(control) || qobject_cast<QAbstractItemView*>(control) ||
            qobject_cast<QAbstractButton*>(control) || qobject_cast<QPlainTextEdit*>(control);
        if (!captura || control == ventana_.cmdProceder || control == ventana_.txtCapturaDOS ||
            !control->isEnabled())
            continue;
        ventana_.bloqueados_.emplace_back(control);
        control->setEnabled(false);
    }
}

VentanaProcedimiento::Corrida::~Corrida() {
    for (const QPointer<QWidget>& control : ventana_.bloqueados_)
        if (control)
            control->setEnabled(true);
    ventana_.bloqueados_.clear();
    ventana_.enProceso_ = false;
    if (ventana_.cierrePendiente_) {
        ventana_.cierrePendiente_ = false;
        ventana_.setWindowTitle(ventana_.caption_);
        ventana_.close();
    }
}

std::optional<rtqx5::ErrorRT> VentanaProcedimiento::Paso(const std::function<void()>& paso) {
    return CorrePaso(politica, paso);
}

std::optional<rtqx5::ErrorRT> VentanaProcedimiento::PasoAnotado(const QString& que,
                                                                const std::function<void()>& paso) {
    const auto error = Paso(paso);
    if (error)
        AnotaFalla(que + QStringLiteral(": ") + DeUtf8(error->Descripcion()));
    return error;
}

namespace {

// La caja del comando con líneas fijas arriba: donde el ejecutor la vacía,
// quedan esas líneas.
class CajaConEncabezado : public ejecucion::Caja {
public:
    CajaConEncabezado(QWidget* caja, std::string encabezado)
        : caja_(caja), encabezado_(std::move(encabezado)) {}
    std::string Texto() const override { return caja_.Texto(); }
    void PonTexto(const std::string& texto) override {
        caja_.PonTexto(texto.empty() ? encabezado_ : texto);
    }
    void Agrega(const std::string& texto) override { caja_.Agrega(texto); }
    long MaxLength() const override { return caja_.MaxLength(); }
    bool MultiLine() const override { return caja_.MultiLine(); }
    void CursorAlFinal() override { caja_.CursorAlFinal(); }

private:
    ejecucion::CajaQt caja_;
    std::string encabezado_;
};

} // namespace

bool VentanaProcedimiento::EjecutaComando(const std::string& comando, const std::string& mostrado,
                                          const QString& encabezado, const std::string& entrada) {
    QString texto = DeUtf8(mostrado.empty() ? comando : mostrado);
    if (!entrada.empty())
        texto += QStringLiteral(" < \"") + DeUtf8(entrada) + QLatin1Char('"');
    Paso([&] { EscribeBitacora(texto); });
    QString lineas = encabezado;
    if (!lineas.isEmpty() && !lineas.endsWith(QLatin1Char('\n')))
        lineas += QStringLiteral("\r\n");
    CajaConEncabezado caja(txtCapturaDOS, Utf8(lineas));
    std::string bloque, salida;
    std::int32_t codigo = 0;
    const bool iniciado =
        ejecucion::EjecutaCMD(comando, Utf8(Proceso::CarpetaPrograma), "", &caja, true,
                              ejecucion::kModoAgrega, bloque, salida, -1, codigo, entrada);
    ++comandos_;
    if (!iniciado) {
        AnotaFalla(QStringLiteral("No se pudo ejecutar el comando «%1»").arg(texto));
        return false;
    }
    if (codigo != 0) {
        AnotaFalla(
            QStringLiteral("El comando «%1» terminó con el código %2").arg(texto).arg(codigo),
            DeUtf8(ejecucion::QuitaBlancos(salida)));
        return false;
    }
    return true;
}

bool VentanaProcedimiento::EjecutaComando(const std::function<std::string()>& arma,
                                          const QString& encabezado, const std::string& entrada) {
    std::string comando;
    if (const auto error = CorrePaso(nullptr, [&] { comando = arma(); })) {
        AnotaFalla(QStringLiteral("No se ejecutó un comando: ") + DeUtf8(error->Descripcion()));
        return false;
    }
    return EjecutaComando(comando, {}, encabezado, entrada);
}

bool VentanaProcedimiento::Respalda(const QString& ruta, QString* hecha) {
    std::string copia;
    if (PasoAnotado(
            QStringLiteral("No se pudo respaldar «%1»; no se cambió el archivo").arg(ruta), [&] {
                copia =
                    pasos::RespaldaArchivo(*Proceso::DeArchivos, Utf8(ruta), std::time(nullptr));
            }))
        return false;
    if (hecha)
        *hecha = DeUtf8(copia);
    if (!copia.empty()) {
        respaldos_ << DeUtf8(copia);
        const QString linea = QStringLiteral("Copia de respaldo: ") + DeUtf8(copia);
        Paso([&] { EscribeBitacora(linea); });
        Paso([&] { Estado(linea); });
    }
    return true;
}

void VentanaProcedimiento::AnotaFalla(const QString& linea, const QString& salida) {
    fallas_.push_back({linea, salida, comandos_});
}

void VentanaProcedimiento::OlvidaFallas() {
    fallas_.clear();
    respaldos_.clear();
    comandos_ = 0;
}

void VentanaProcedimiento::MuestraFallas() {
    for (const Falla& f : fallas_) {
        Estado(f.linea);
        // La salida del último comando ya está en la caja.
        if (!f.salida.isEmpty() && f.comando != comandos_)
            Estado(f.salida);
    }
}

void VentanaProcedimiento::AvisoFinal(const QString& titulo) {
    QString copias;
    for (const QString& r : respaldos_)
        copias += QStringLiteral("\r\n\r\nCopia de respaldo: ") + r;
    if (fallas_.empty()) {
        rtqx5::MsgBox(Utf8(QStringLiteral("Proceso terminado") + copias), rtqx5::vbInformation,
                      Utf8(titulo));
        return;
    }
    QStringList lineas;
    for (const Falla& f : fallas_)
        lineas << f.linea;
    rtqx5::MsgBox(Utf8(QStringLiteral("El proceso terminó con errores:\r\n\r\n") +
                       lineas.join(QStringLiteral("\r\n")) + copias),
                  rtqx5::vbExclamation, Utf8(titulo));
}

void VentanaProcedimiento::EsperaConEventos(int milisegundos) {
    QEventLoop bucle;
    QTimer::singleShot(milisegundos, &bucle, &QEventLoop::quit);
    bucle.exec();
}

void VentanaProcedimiento::Estado(const QString& texto, bool verificando) {
    MuestraPaso(this, texto, verificando);
}
