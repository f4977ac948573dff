#include "CambioInterrumpido.h"

#include "CambioOpciones.h"
#include "Mensajes.h"
#include "Modulo.h"
#include "TextosProcedimiento.h"

#include <QApplication>
#include <QCursor>
#include <optional>

namespace {

const char* const kTitulo = "Servicio detenido";

QString Entre(const std::string& texto) {
    return QStringLiteral("«") + DeUtf8(texto) + QStringLiteral("»");
}

bool Pregunta(const QString& texto) {
    return rtqx5::MsgBox(Utf8(texto), rtqx5::vbYesNo | rtqx5::vbQuestion, kTitulo) == rtqx5::vbYes;
}

} // namespace

void AtiendeCambioInterrumpido(const QString& rutaConfiguracion, const QString& carpetaPrograma) {
    const std::string ruta = pasos::RutaDiario(Utf8(rutaConfiguracion));
    std::optional<pasos::Diario> diario;
    try {
        diario = pasos::LeeDiario(ruta);
    } catch (const rtqx5::ErrorRT& e) {
        // Una nota que no se entiende puede ser la de un servicio detenido.
        rtqx5::MsgBox(Utf8(QStringLiteral("%1.\r\n\r\nUna configuración anterior pudo cortarse "
                                          "con un servicio de MySQL detenido: revise los "
                                          "servicios. La nota se deja como está y se avisará de "
                                          "nuevo al abrir el programa.")
                               .arg(DeUtf8(e.Descripcion()))),
                      rtqx5::vbExclamation, kTitulo);
        return;
    }
    if (!diario)
        return;
    const QString servicio = DeUtf8(diario->servicio);
    const QString archivo = Entre(diario->archivo);
    const QString respaldo =
        diario->respaldo.empty() ? QStringLiteral("(no había)") : Entre(diario->respaldo);

    bool restaura = false;
    if (!Pregunta(QStringLiteral("La última configuración se cortó mientras el servicio %1 estaba "
                                 "detenido para cambiar %2.\r\n\r\n¿Arrancar el servicio con %2 "
                                 "como está ahora?")
                      .arg(servicio, archivo))) {
        if (diario->respaldo.empty() ||
            !Pregunta(QStringLiteral("¿Poner de vuelta en %1 la copia de respaldo %2 y arrancar el "
                                     "servicio %3 con ella?")
                          .arg(archivo, respaldo, servicio))) {
            rtqx5::MsgBox(Utf8(QStringLiteral("El servicio %1 se deja como está; se preguntará de "
                                              "nuevo al abrir el programa.")
                                   .arg(servicio)),
                          rtqx5::vbInformation, kTitulo);
            return;
        }
        restaura = true;
    }

    QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    const std::string falla = pasos::ReanudaServicio(*diario, restaura, Utf8(carpetaPrograma));
    QApplication::restoreOverrideCursor();
    if (!falla.empty()) {
        rtqx5::MsgBox(Utf8(QStringLiteral("No se pudo arrancar el servicio %1: %2\r\n\r\nLa copia "
                                          "de respaldo está en %3.")
                               .arg(servicio, DeUtf8(falla), respaldo)),
                      rtqx5::vbCritical, kTitulo);
        return;
    }
    const QString hecho =
        restaura ? QStringLiteral("Se restauró %1 desde %2 y el servicio %3 arrancó")
                       .arg(archivo, respaldo, servicio)
                 : QStringLiteral("El servicio %1 arrancó con %2").arg(servicio, archivo);
    EscribeBitacora(hecho);
    pasos::BorraDiario(ruta);
    rtqx5::MsgBox(Utf8(hecho), rtqx5::vbInformation, kTitulo);
}
