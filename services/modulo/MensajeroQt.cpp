#include "MensajeroQt.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <vector>

namespace {

QMessageBox::Icon Icono(int estilo) {
    switch (estilo & 0x70) {
    case rtqx5::vbCritical:
        return QMessageBox::Critical;
    case rtqx5::vbQuestion:
        return QMessageBox::Question;
    case rtqx5::vbExclamation:
        return QMessageBox::Warning;
    case rtqx5::vbInformation:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

// Botones en el orden clásico, con la respuesta de cada uno.
std::vector<std::pair<QMessageBox::StandardButton, int>> Botones(int estilo) {
    switch (estilo & 7) {
    case 1:
        return {{QMessageBox::Ok, rtqx5::vbOK}, {QMessageBox::Cancel, rtqx5::vbCancel}};
    case 3:
        return {{QMessageBox::Yes, rtqx5::vbYes},
                {QMessageBox::No, rtqx5::vbNo},
                {QMessageBox::Cancel, rtqx5::vbCancel}};
    case rtqx5::vbYesNo:
        return {{QMessageBox::Yes, rtqx5::vbYes}, {QMessageBox::No, rtqx5::vbNo}};
    default:
        return {{QMessageBox::Ok, rtqx5::vbOK}};
    }
}

// El texto de cada botón en español, como en un Windows en español (Qt sin
// traducciones cargadas los muestra en inglés).
QString TextoBoton(QMessageBox::StandardButton boton) {
    switch (boton) {
    case QMessageBox::Yes:
        return QStringLiteral("&Sí");
    case QMessageBox::No:
        return QStringLiteral("&No");
    case QMessageBox::Cancel:
        return QStringLiteral("Cancelar");
    default:
        return QStringLiteral("Aceptar");
    }
}

// El cuadro no se ajusta a su título: sin más ancho que el del texto, el gestor
// de ventanas lo recorta ("Config… STRO"). Un espaciador en la última fila lo
// hace tan ancho como el título, el icono y los botones de la barra.
void AnchoParaTitulo(QMessageBox& caja) {
    auto* rejilla = qobject_cast<QGridLayout*>(caja.layout());
    if (!rejilla)
        return;
    QFont letra = QApplication::font("QMdiSubWindowTitleBar");
    letra.setBold(true);
    // Icono de la ventana y botones de cerrar y ayuda, con sus márgenes.
    constexpr int kBarra = 160;
    const int ancho = QFontMetrics(letra).horizontalAdvance(caja.windowTitle()) + kBarra;
    rejilla->addItem(new QSpacerItem(ancho, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                     rejilla->rowCount(), 0, 1, rejilla->columnCount());
}

} // namespace

int MensajeroQt::Muestra(const std::string& texto, int estilo, const std::string& titulo) {
    QString cuerpo = QString::fromStdString(texto);
    // Los textos traen CR LF o CR solo como salto de línea.
    cuerpo.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    cuerpo.replace(QLatin1Char('\r'), QLatin1Char('\n'));

    QMessageBox caja(Icono(estilo), QString::fromStdString(titulo), cuerpo, QMessageBox::NoButton,
                     QApplication::activeWindow());
    caja.setTextFormat(Qt::PlainText);
    const auto botones = Botones(estilo);
    for (const auto& [boton, respuesta] : botones)
        caja.addButton(boton)->setText(TextoBoton(boton));
    const std::size_t porOmision = (estilo & rtqx5::vbDefaultButton2) && botones.size() > 1 ? 1 : 0;
    caja.setDefaultButton(botones[porOmision].first);
    AnchoParaTitulo(caja);
    if (botones.size() == 1)
        caja.setEscapeButton(botones[0].first);
    caja.exec();
    const auto elegido = caja.standardButton(caja.clickedButton());
    for (const auto& [boton, respuesta] : botones)
        if (boton == elegido)
            return respuesta;
    // Cerrado sin elegir (Escape sin botón de escape): la respuesta por omisión.
    return rtqx5::RespuestaPorOmision(estilo);
}

void MensajeroQt::Beep() {
    QApplication::beep();
}
