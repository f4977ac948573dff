#include "Modulo.h"

#include "Mensajes.h"
#include "Proceso.h"
#include "Rutas.h"
#include "Twips.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QPlainTextEdit>
#include <QStringList>
#include <QTextCursor>
#include <QWidget>
#include <cmath>

namespace {

constexpr long kErrorDesbordamiento = 6;
constexpr long kErrorTipos = 13;
constexpr long kErrorObjetoNoEstablecido = 91;
constexpr long kErrorPropiedadNoValida = 380;
constexpr long kErrorSinMetodo = 438;

template <class T> T& Requiere(const std::shared_ptr<T>& objeto) {
    if (!objeto)
        throw rtqx5::ErrorRT(kErrorObjetoNoEstablecido,
                             "Variable de objeto o bloque With no establecido");
    return *objeto;
}

QString MarcaBitacora() {
    return DeUtf8(rtqx5::UneRuta(Utf8(Proceso::CarpetaPrograma), kMarcaBitacora));
}

// Lados exteriores de la ventana (marco incluido) en píxeles.
QSize TamanoExterior(const QWidget* v) {
    return v->isWindow() ? v->frameGeometry().size() : v->size();
}

} // namespace

void EscribeBitacora(const QString& texto, bool desdeCero) {
    if (!Requiere(Proceso::DeArchivos).HayArchivo(Utf8(MarcaBitacora())))
        return;
    QFile archivo(Proceso::RutaBitacora);
    const auto modo = desdeCero ? QIODevice::WriteOnly | QIODevice::Truncate
                                : QIODevice::WriteOnly | QIODevice::Append;
    if (!archivo.open(modo))
        throw rtqx5::ErrorRT(rtqx5::kErrorArchivo, "No se puede abrir la bitácora " +
                                                       Utf8(Proceso::RutaBitacora) + ": " +
                                                       Utf8(archivo.errorString()));
    const QString linea =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
        QStringLiteral("     ") + texto + QStringLiteral("\r\n");
    // Página de códigos ANSI en Windows, UTF-8 en los demás sistemas.
    const QByteArray bytes = linea.toLocal8Bit();
    if (archivo.write(bytes) != bytes.size() || !archivo.flush())
        throw rtqx5::ErrorRT(rtqx5::kErrorArchivo, "No se puede escribir en la bitácora " +
                                                       Utf8(Proceso::RutaBitacora) + ": " +
                                                       Utf8(archivo.errorString()));
}

void MuestraPaso(QWidget* ventana, const QString& texto, bool verificando) {
    const auto nombre = QStringLiteral("txtCapturaDOS");
    QPlainTextEdit* caja = ventana ? ventana->findChild<QPlainTextEdit*>(nombre) : nullptr;
    if (!caja && ventana && ventana->objectName() == nombre)
        caja = qobject_cast<QPlainTextEdit*>(ventana);
    if (!caja)
        throw rtqx5::ErrorRT(kErrorSinMetodo, "El objeto no admite esta propiedad o método");
    QTextCursor cursor(caja->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(
        QStringLiteral("\r\n") +
        (verificando ? QStringLiteral("Verificando ") + texto + QStringLiteral(" ...") : texto));
    caja->moveCursor(QTextCursor::End);
    caja->ensureCursorVisible();
    // La línea se ve al momento aunque el procedimiento siga ocupado.
    QCoreApplication::processEvents();
}

QString IdentificadorVentana(const QWidget* ventana) {
    if (!ventana)
        return {};
    const QString etiqueta = ComoTexto(ventana->property("Tag"));
    if (!etiqueta.trimmed().isEmpty())
        return etiqueta;
    return ventana->objectName().trimmed();
}

void GuardaVentana(QWidget* ventana, bool conTamano) {
    const QString id = IdentificadorVentana(ventana);
    if (id.isEmpty())
        return;
    auto& lib = Requiere(Proceso::libRTSA);
    const std::string seccion = Utf8(id);
    const std::string archivo = Utf8(Proceso::RutaConfiguracion);
    const auto escribe = [&](const char* clave, const QString& valor) {
        lib.EscribeIni(seccion, clave, Utf8(valor), archivo);
    };
    escribe("Ventana", ventana->windowTitle());
    escribe("Linea", TextoSimple(Twips::DePixeles(ventana->pos().y(), ventana)));
    escribe("Columna", TextoSimple(Twips::DePixeles(ventana->pos().x(), ventana)));
    if (conTamano) {
        const QSize exterior = TamanoExterior(ventana);
        escribe("Ancho", TextoSimple(Twips::DePixeles(exterior.width(), ventana)));
        escribe("Alto", TextoSimple(Twips::DePixeles(exterior.height(), ventana)));
    }
}

void RecuperaVentana(QWidget* ventana, bool conTamano) {
    if (!ventana)
        return;
    int arriba = 0, izquierda = 0, ancho = 0, alto = 0;
    // Cada paso que falla deja arriba e izquierda en 0 y se sigue con el siguiente.
    const auto paso = [&](auto&& accion) {
        try {
            accion();
        } catch (...) {
            arriba = 0;
            izquierda = 0;
        }
    };
    const QString id = IdentificadorVentana(ventana);
    if (!id.isEmpty()) {
        const std::string seccion = Utf8(id);
        const std::string archivo = Utf8(Proceso::RutaConfiguracion);
        const auto lee = [&](const char* clave) {
            return Requiere(Proceso::libRTSA).LeeIni(seccion, clave, archivo);
        };
        paso([&] { arriba = Entero16(Requiere(Proceso::libRTSA).rtval(lee("Linea"))); });
        paso([&] { izquierda = Entero16(Requiere(Proceso::libRTSA).rtval(lee("Columna"))); });
        if (conTamano) {
            paso([&] { ancho = Entero16(DeUtf8(lee("Ancho"))); });
            paso([&] { alto = Entero16(DeUtf8(lee("Alto"))); });
        }
    }
    paso([&] { ventana->move(Twips::APixeles(izquierda, ventana), ventana->pos().y()); });
    paso([&] { ventana->move(ventana->pos().x(), Twips::APixeles(arriba, ventana)); });
    if (conTamano && ancho != 0 && alto != 0) {
        // Las medidas guardadas son exteriores; resize() fija el área interior.
        // El marco solo se conoce cuando existe la ventana nativa.
        if (ventana->isWindow() && !ventana->testAttribute(Qt::WA_WState_Created))
            ventana->winId();
        const QSize marco = TamanoExterior(ventana) - ventana->size();
        paso([&] {
            if (ancho < 0)
                throw rtqx5::ErrorRT(kErrorPropiedadNoValida, "Valor de propiedad no válido");
            ventana->resize(std::max(1, Twips::APixeles(ancho, ventana) - marco.width()),
                            ventana->height());
        });
        paso([&] {
            if (alto < 0)
                throw rtqx5::ErrorRT(kErrorPropiedadNoValida, "Valor de propiedad no válido");
            ventana->resize(ventana->width(),
                            std::max(1, Twips::APixeles(alto, ventana) - marco.height()));
        });
    }
}

bool Confirma(const QString& pregunta, const QString& titulo, bool porOmisionNo) {
    const int estilo =
        rtqx5::vbYesNo | rtqx5::vbQuestion | (porOmisionNo ? rtqx5::vbDefaultButton2 : 0);
    return rtqx5::MsgBox(Utf8(pregunta), estilo, Utf8(titulo)) == rtqx5::vbYes;
}

bool HaySwitchRtsa() {
    const QString linea = Proceso::LineaComandos
                              ? *Proceso::LineaComandos
                              : QCoreApplication::arguments().mid(1).join(QLatin1Char(' '));
    return linea.contains(QStringLiteral("-rtsa"), Qt::CaseSensitive);
}

QString ComoTexto(const QVariant& valor) {
    if (!valor.isValid() || valor.isNull())
        return {};
    return valor.toString();
}

void AgregaDiagonal(QString& ruta) {
    const QChar separador = QLatin1Char(rtqx5::SeparadorRuta());
    if (!ruta.endsWith(separador))
        ruta += separador;
}

void AgregaDiagonal(std::string& ruta) {
    if (ruta.empty() || ruta.back() != rtqx5::SeparadorRuta())
        ruta += rtqx5::SeparadorRuta();
}

int Entero16(double valor) {
    if (!std::isfinite(valor))
        throw rtqx5::ErrorRT(kErrorDesbordamiento, "Desbordamiento");
    // Redondeo al par más cercano, como CInt.
    const double redondeado =
        valor - std::floor(valor) == 0.5 ? 2.0 * std::round(valor / 2.0) : std::round(valor);
    if (redondeado < -32768.0 || redondeado > 32767.0)
        throw rtqx5::ErrorRT(kErrorDesbordamiento, "Desbordamiento");
    return static_cast<int>(redondeado);
}

int Entero16(const QString& texto) {
    bool ok = false;
    const double valor = texto.trimmed().toDouble(&ok);
    if (!ok)
        throw rtqx5::ErrorRT(kErrorTipos, "No coinciden los tipos");
    return Entero16(valor);
}

QString TextoSimple(double valor) {
    const float simple = static_cast<float>(valor);
    if (std::nearbyint(simple) == simple && std::fabs(simple) < 1e7f)
        return QString::number(static_cast<qlonglong>(simple));
    return QString::number(simple, 'g', 7);
}

void ReportaError(const rtqx5::ErrorRT& error) {
    rtqx5::MsgBox("Error nº " + std::to_string(error.Numero()) + ", " + error.Descripcion(),
                  rtqx5::vbCritical, "Error");
}
