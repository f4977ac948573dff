// Cuadros reales del programa (MensajeroQt): icono, botones, botón por omisión
// y respuesta al teclado.
#include "MensajeroQt.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>

namespace {

struct VistaCaja {
    QMessageBox::Icon icono = QMessageBox::NoIcon;
    QString titulo, texto;
    QMessageBox::StandardButtons botones;
    QMessageBox::StandardButton porOmision = QMessageBox::NoButton;
    QStringList textosBotones;
    int ancho = 0;
};

// Muestra el cuadro con MensajeroQt; cuando aparece, anota lo que muestra y le
// manda la tecla. Devuelve la respuesta del cuadro.
int MuestraYPulsa(const std::string& texto, int estilo, const std::string& titulo, Qt::Key tecla,
                  VistaCaja& vista) {
    MensajeroQt mensajero;
    bool visto = false;
    std::function<void()> espera;
    espera = [&] {
        auto* caja = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!caja || !caja->isVisible()) {
            QTimer::singleShot(10, espera);
            return;
        }
        visto = true;
        vista.icono = caja->icon();
        vista.titulo = caja->windowTitle();
        vista.texto = caja->text();
        vista.botones = caja->standardButtons();
        vista.porOmision = caja->standardButton(caja->defaultButton());
        vista.ancho = caja->width();
        for (QAbstractButton* b : caja->buttons())
            vista.textosBotones << b->text();
        QTest::keyClick(caja, tecla);
    };
    QTimer::singleShot(0, espera);
    const int respuesta = mensajero.Muestra(texto, estilo, titulo);
    EXPECT_TRUE(visto);
    return respuesta;
}

struct CasoCaja {
    int estilo;
    Qt::Key tecla;
    QMessageBox::Icon icono;
    QMessageBox::StandardButtons botones;
    QMessageBox::StandardButton porOmision;
    int respuesta;
};

std::ostream& operator<<(std::ostream& os, const CasoCaja& c) {
    return os << "estilo " << c.estilo << " tecla " << c.tecla;
}

class MensajeroQtTest : public ::testing::TestWithParam<CasoCaja> {};

TEST_P(MensajeroQtTest, IconoBotonesYBotonPorOmision) {
    const auto& c = GetParam();
    VistaCaja vista;
    EXPECT_EQ(MuestraYPulsa("¿Está seguro?", c.estilo, "Título ñ", c.tecla, vista), c.respuesta);
    EXPECT_EQ(vista.icono, c.icono);
    EXPECT_EQ(vista.titulo, QStringLiteral("Título ñ"));
    EXPECT_EQ(vista.texto, QStringLiteral("¿Está seguro?"));
    EXPECT_EQ(vista.botones, c.botones);
    EXPECT_EQ(vista.porOmision, c.porOmision);
    // Botones en español, con su tecla (S de Sí).
    const QStringList textos = c.botones == (QMessageBox::Yes | QMessageBox::No)
                                   ? QStringList{QStringLiteral("&Sí"), QStringLiteral("&No")}
                                   : QStringList{QStringLiteral("Aceptar")};
    EXPECT_EQ(vista.textosBotones, textos);
}

constexpr auto kSiNo = QMessageBox::StandardButtons(QMessageBox::Yes | QMessageBox::No);

INSTANTIATE_TEST_SUITE_P(Estilos, MensajeroQtTest,
                         ::testing::Values(
                             // Limpiar bitácora: Enter acepta el No por omisión.
                             CasoCaja{4 + 32 + 256, Qt::Key_Return, QMessageBox::Question, kSiNo,
                                      QMessageBox::No, rtqx5::vbNo},
                             // La tecla S elige Sí aunque el botón por omisión sea No.
                             CasoCaja{4 + 32 + 256, Qt::Key_S, QMessageBox::Question, kSiNo,
                                      QMessageBox::No, rtqx5::vbYes},
                             // Cerrar el programa: Enter acepta el Sí por omisión.
                             CasoCaja{4 + 32, Qt::Key_Return, QMessageBox::Question, kSiNo,
                                      QMessageBox::Yes, rtqx5::vbYes},
                             CasoCaja{16, Qt::Key_Return, QMessageBox::Critical, QMessageBox::Ok,
                                      QMessageBox::Ok, rtqx5::vbOK},
                             CasoCaja{16, Qt::Key_Escape, QMessageBox::Critical, QMessageBox::Ok,
                                      QMessageBox::Ok, rtqx5::vbOK},
                             CasoCaja{48, Qt::Key_Return, QMessageBox::Warning, QMessageBox::Ok,
                                      QMessageBox::Ok, rtqx5::vbOK},
                             CasoCaja{64, Qt::Key_Return, QMessageBox::Information, QMessageBox::Ok,
                                      QMessageBox::Ok, rtqx5::vbOK}));

TEST(MensajeroQt, RetornoDeCarroSoloEsSaltoDeLinea) {
    VistaCaja vista;
    MuestraYPulsa("uno\r\rdos\r\ntres <b>x</b>", 16, "Atención", Qt::Key_Return, vista);
    EXPECT_EQ(vista.texto, QStringLiteral("uno\n\ndos\ntres <b>x</b>"));
}

// Un texto corto no recorta el título: el cuadro es al menos tan ancho como
// él.
TEST(MensajeroQt, ElCuadroMuestraElTituloEntero) {
    VistaCaja vista;
    MuestraYPulsa("Proceso terminado", 64, "Configuración MAESTRO", Qt::Key_Return, vista);
    QFont letra = QApplication::font("QMdiSubWindowTitleBar");
    letra.setBold(true);
    EXPECT_GT(vista.ancho,
              QFontMetrics(letra).horizontalAdvance(QStringLiteral("Configuración MAESTRO")) + 100);
}

} // namespace
