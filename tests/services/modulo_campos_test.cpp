// Resalta, Teclas y Enter: reglas de teclas y su efecto en los campos.
#include "Campos.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>
#include <ostream>

namespace {

struct CasoEnter {
    int ascii;
    const char* clase;
    AccionTecla accion;
};

std::ostream& operator<<(std::ostream& os, const CasoEnter& c) {
    return os << c.ascii << " clase \"" << c.clase << "\"";
}

class ReglaEnterTest : public ::testing::TestWithParam<CasoEnter> {};

TEST_P(ReglaEnterTest, Tabla) {
    const auto& c = GetParam();
    EXPECT_EQ(ReglaEnter(c.ascii, QString::fromLatin1(c.clase)), c.accion)
        << c.ascii << " clase " << c.clase;
}

INSTANTIATE_TEST_SUITE_P(
    Teclas, ReglaEnterTest,
    ::testing::Values(
        CasoEnter{13, "9", AccionTecla::Siguiente}, CasoEnter{13, "X", AccionTecla::Siguiente},
        CasoEnter{13, "", AccionTecla::Siguiente}, CasoEnter{'0', "9", AccionTecla::Pasa},
        CasoEnter{'9', "9", AccionTecla::Pasa}, CasoEnter{8, "9", AccionTecla::Pasa}, // retroceso
        CasoEnter{22, "9", AccionTecla::Pasa},                                        // Ctrl+V
        CasoEnter{127, "9", AccionTecla::Pasa},                                       // Supr
        CasoEnter{'a', "9", AccionTecla::Rechaza}, CasoEnter{'.', "9", AccionTecla::Rechaza},
        CasoEnter{'-', "9", AccionTecla::Rechaza}, CasoEnter{' ', "9", AccionTecla::Rechaza},
        CasoEnter{0xf1, "9", AccionTecla::Rechaza}, // ñ
        CasoEnter{'a', "X", AccionTecla::Pasa}, CasoEnter{'.', "", AccionTecla::Pasa},
        CasoEnter{0xf1, "X", AccionTecla::Pasa}));

TEST(ReglaTeclas, FlechasMuevenLoDemasPasa) {
    EXPECT_EQ(ReglaTeclas(40), AccionTecla::Siguiente);
    EXPECT_EQ(ReglaTeclas(38), AccionTecla::Anterior);
    for (int c : {37, 39, 13, 9, 112, 65})
        EXPECT_EQ(ReglaTeclas(c), AccionTecla::Pasa) << c;
}

TEST(CodigoTecla, CodigosClasicos) {
    EXPECT_EQ(CodigoTecla(Qt::Key_F1), 112);
    EXPECT_EQ(CodigoTecla(Qt::Key_F4), 115);
    EXPECT_EQ(CodigoTecla(Qt::Key_Down), 40);
    EXPECT_EQ(CodigoTecla(Qt::Key_Up), 38);
    EXPECT_EQ(CodigoTecla(Qt::Key_A), 65);
    EXPECT_EQ(EstadoMayusculas(Qt::AltModifier), 4);
    EXPECT_EQ(EstadoMayusculas(Qt::AltModifier | Qt::ShiftModifier), 5);
    EXPECT_EQ(EstadoMayusculas(Qt::AltModifier | Qt::ControlModifier | Qt::KeypadModifier), 6);
}

class CamposTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto* capa = new QVBoxLayout(&ventana);
        for (int i = 0; i < 3; ++i) {
            txtDato[i] = new QLineEdit(&ventana);
            capa->addWidget(txtDato[i]);
        }
        PreparaCampo(txtDato[0], QStringLiteral("X"));
        PreparaCampo(txtDato[1], QStringLiteral("9"));
        PreparaCampo(txtDato[2]);
        ventana.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&ventana));
        ventana.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&ventana));
    }
    QWidget ventana;
    QLineEdit* txtDato[3]{};
};

TEST_F(CamposTest, FlechasYEnterMuevenElFoco) {
    txtDato[0]->setFocus();
    QTest::keyClick(txtDato[0], Qt::Key_Down);
    EXPECT_EQ(QApplication::focusWidget(), txtDato[1]);
    QTest::keyClick(txtDato[1], Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), txtDato[0]);
    QTest::keyClick(txtDato[0], Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), txtDato[1]);
    QTest::keyClick(txtDato[1], Qt::Key_Enter);
    EXPECT_EQ(QApplication::focusWidget(), txtDato[2]);
    EXPECT_TRUE(txtDato[0]->text().isEmpty());
}

TEST_F(CamposTest, ClaseNueveSoloDejaDigitosYEdicion) {
    txtDato[1]->setFocus();
    QTest::keyClicks(txtDato[1], QStringLiteral("a1.b2 3-"));
    EXPECT_EQ(txtDato[1]->text(), QStringLiteral("123"));
    QTest::keyClick(txtDato[1], Qt::Key_Backspace);
    EXPECT_EQ(txtDato[1]->text(), QStringLiteral("12"));
    // Suprimir es tecla de edición aunque traiga el texto "\x7f", como en X11.
    txtDato[1]->setCursorPosition(0);
    QKeyEvent suprime(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
    QApplication::sendEvent(txtDato[1], &suprime);
    EXPECT_EQ(txtDato[1]->text(), QStringLiteral("2"));
    txtDato[0]->setFocus();
    QTest::keyClicks(txtDato[0], QStringLiteral("a1.b"));
    EXPECT_EQ(txtDato[0]->text(), QStringLiteral("a1.b"));
}

TEST_F(CamposTest, ResaltaSeleccionaAlEntrar) {
    txtDato[2]->setText(QStringLiteral("3306"));
    txtDato[1]->setFocus();
    QTest::keyClick(txtDato[1], Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), txtDato[2]);
    EXPECT_EQ(txtDato[2]->selectedText(), QStringLiteral("3306"));
}

} // namespace
