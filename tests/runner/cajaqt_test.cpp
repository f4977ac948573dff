// The Qt box adapter and the Qt event pump, with real widgets.

#include "CajaQt.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>

using namespace ejecucion;

namespace {

class CajaQtPrueba : public ::testing::Test {
protected:
    void SetUp() override {
        EstadoCMD = kCmdLibre;
        InstalaBombaQt();
    }
    void TearDown() override { PonBombaEventos(nullptr); }
};

TEST_F(CajaQtPrueba, CajaDeCapturaGuardaSaltosComoCrLf) {
    std::unique_ptr<QPlainTextEdit> w(CreaCajaCaptura(nullptr));
    EXPECT_EQ(w->objectName(), "txtCapturaDOS");
    EXPECT_FALSE(w->isReadOnly());
    EXPECT_EQ(w->palette().color(QPalette::Text), QColor(0, 192, 0));
    EXPECT_EQ(w->palette().color(QPalette::Base), QColor(Qt::black));
    CajaQt caja(w.get());
    EXPECT_TRUE(caja.MultiLine());
    EXPECT_EQ(caja.MaxLength(), 0);
    caja.PonTexto("uno\r\ndos");
    caja.Agrega("\r\ntres\u00a0ñ");
    caja.Agrega("\r\n\r\n");
    EXPECT_EQ(caja.Texto(), "uno\r\ndos\r\ntres\u00a0ñ\r\n\r\n");
    EXPECT_EQ(w->blockCount(), 5);
    w->setProperty(kPropiedadMaxLength, 100);
    EXPECT_EQ(caja.MaxLength(), 100);
    caja.CursorAlFinal();
    EXPECT_TRUE(w->textCursor().atEnd());
}

TEST_F(CajaQtPrueba, LineEditEsDeUnaLineaConSuMaxLength) {
    QLineEdit w;
    w.setMaxLength(20);
    CajaQt caja(&w);
    EXPECT_FALSE(caja.MultiLine());
    EXPECT_EQ(caja.MaxLength(), 20);
    caja.PonTexto("ab");
    caja.Agrega("cd");
    EXPECT_EQ(caja.Texto(), "abcd");
}

// The output of a real run through the adapter: what the runner collected is
// what the box shows.
TEST_F(CajaQtPrueba, CorridaEnCajaDeCaptura) {
    std::unique_ptr<QPlainTextEdit> w(CreaCajaCaptura(nullptr));
    w->setPlainText("anterior");
    CajaQt caja(w.get());
    std::string bloque, salida;
    std::int32_t codigo = 0;
    ASSERT_TRUE(EjecutaCMD(R"(sh -c "printf 'uno\n'; sleep 0.1; printf 'dos\r\ntres'")", "", "",
                           &caja, true, 1, bloque, salida, -1, codigo));
    EXPECT_EQ(caja.Texto(), "uno\r\ndos\r\ntres");
    EXPECT_EQ(w->toPlainText(), "uno\ndos\ntres");
    EXPECT_TRUE(w->textCursor().atEnd());
}

// The window that owns the box is closed from a pumped event in the middle of
// the run: the run goes on to the end and nothing crashes.
TEST_F(CajaQtPrueba, CajaCerradaDuranteLaCorrida) {
    auto* ventana = new QWidget;
    ventana->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<QPlainTextEdit> w = CreaCajaCaptura(ventana);
    ventana->show();
    CajaQt caja(w.data());
    QTimer::singleShot(150, ventana, [ventana] { ventana->close(); });
    // close() only schedules the deletion; make the pumped events delete it.
    QTimer::singleShot(200, qApp,
                       [] { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); });
    std::string bloque, salida;
    std::int32_t codigo = 0;
    EXPECT_TRUE(EjecutaCMD(R"(sh -c "printf uno; sleep 0.4; printf dos; exit 6")", "", "", &caja,
                           true, 1, bloque, salida, -1, codigo));
    EXPECT_TRUE(w.isNull());
    EXPECT_EQ(salida, "unodos");
    EXPECT_EQ(codigo, 6);
    EXPECT_EQ(caja.Texto(), "");
    caja.PonTexto("x");
    caja.Agrega("y");
    caja.CursorAlFinal();
    EXPECT_EQ(caja.MaxLength(), 0);
}

// Timers fire while a command is silent: the window keeps working.
TEST_F(CajaQtPrueba, EventosDeQtMientrasElComandoCalla) {
    int disparos = 0;
    QTimer reloj;
    QObject::connect(&reloj, &QTimer::timeout, [&] { ++disparos; });
    reloj.start(20);
    std::string bloque, salida;
    std::int32_t codigo = 0;
    EXPECT_TRUE(EjecutaCMD("sleep 0.5", "", "", nullptr, true, 0, bloque, salida, -1, codigo));
    EXPECT_GE(disparos, 10);
}

} // namespace
