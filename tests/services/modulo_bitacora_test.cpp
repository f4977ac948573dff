// Bitácora, línea de estado y pequeñas rutinas de Modulo.
#include "Mensajes.h"
#include "Modulo.h"
#include "Proceso.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>
#include <ostream>

namespace {

class BitacoraTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        Proceso::CarpetaPrograma = dir.path();
        Proceso::RutaBitacora = dir.filePath(QStringLiteral("BitacoraReplicacionTesal.txt"));
        Proceso::DeArchivos = std::make_shared<rtqx5::DeArchivos>();
    }
    void TearDown() override { Proceso::DeArchivos.reset(); }

    void CreaMarca() {
        QFile f(dir.filePath(QStringLiteral("ReplicacionTesal_.txt")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QByteArray Bitacora() {
        QFile f(Proceso::RutaBitacora);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir;
};

TEST_F(BitacoraTest, SinMarcaNoSeCreaNada) {
    EscribeBitacora(QStringLiteral("Iniciando bitácora"), true);
    EscribeBitacora(QStringLiteral("otra"), false);
    EXPECT_FALSE(QFile::exists(Proceso::RutaBitacora));
}

TEST_F(BitacoraTest, LineaConFechaCincoBlancosTextoYCRLF) {
    CreaMarca();
    const QDateTime antes = QDateTime::currentDateTime();
    EscribeBitacora(QStringLiteral("Iniciando bitácora"), true);
    const QByteArray contenido = Bitacora();
    // En la página ANSI en Windows, en UTF-8 fuera de Windows; sin BOM.
    const QRegularExpression forma(QStringLiteral(
        "^(\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}) {5}Iniciando bitácora\\r\\n$"));
    const auto m = forma.match(QString::fromLocal8Bit(contenido));
    ASSERT_TRUE(m.hasMatch()) << contenido.toStdString();
    EXPECT_TRUE(contenido.contains(QStringLiteral("bitácora").toLocal8Bit()));
    // Reloj de 24 horas y hora local: la marca es la hora de la escritura.
    const QDateTime escrito =
        QDateTime::fromString(m.captured(1), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    ASSERT_TRUE(escrito.isValid());
    EXPECT_LE(std::llabs(escrito.secsTo(antes)), 2);
}

TEST_F(BitacoraTest, AgregaYEmpiezaDeNuevo) {
    CreaMarca();
    EscribeBitacora(QStringLiteral("uno"), true);
    EscribeBitacora(QStringLiteral("dos"), false);
    EscribeBitacora(QStringLiteral("tres"), false);
    QList<QByteArray> lineas = Bitacora().split('\n');
    ASSERT_EQ(lineas.size(), 4); // la última, vacía, tras el CR LF final
    EXPECT_TRUE(lineas[0].endsWith("     uno\r"));
    EXPECT_TRUE(lineas[1].endsWith("     dos\r"));
    EXPECT_TRUE(lineas[2].endsWith("     tres\r"));

    EscribeBitacora(QStringLiteral("cuatro"), true);
    lineas = Bitacora().split('\n');
    ASSERT_EQ(lineas.size(), 2);
    EXPECT_TRUE(lineas[0].endsWith("     cuatro\r"));
}

TEST_F(BitacoraTest, AgregarCreaLaBitacoraQueFalta) {
    CreaMarca();
    EscribeBitacora(QStringLiteral("primera"), false);
    EXPECT_TRUE(Bitacora().endsWith("     primera\r\n"));
}

TEST_F(BitacoraTest, BitacoraQueNoSePuedeAbrirLlegaAlLlamador) {
    CreaMarca();
    Proceso::RutaBitacora = dir.filePath(QStringLiteral("no-existe/Bitacora.txt"));
    EXPECT_THROW(EscribeBitacora(QStringLiteral("x"), false), rtqx5::ErrorRT);
}

TEST(MuestraPaso, AgregaUnaLineaPorLlamada) {
    QWidget ventana;
    auto* caja = new QPlainTextEdit(&ventana);
    caja->setObjectName(QStringLiteral("txtCapturaDOS"));
    MuestraPaso(&ventana, QStringLiteral("my.ini"), true);
    EXPECT_EQ(caja->toPlainText(), QStringLiteral("\nVerificando my.ini ..."));
    MuestraPaso(&ventana, QStringLiteral("my.ini"), false);
    EXPECT_EQ(caja->toPlainText(), QStringLiteral("\nVerificando my.ini ...\nmy.ini"));
    EXPECT_EQ(caja->blockCount(), 3);
}

TEST(MuestraPaso, VentanaSinCajaDeCaptura) {
    QWidget ventana;
    EXPECT_THROW(MuestraPaso(&ventana, QStringLiteral("x"), false), rtqx5::ErrorRT);
}

TEST(Confirma, EstiloYRespuesta) {
    rtqx5::GrabadorMensajes grabador;
    grabador.respuestas = {rtqx5::vbYes, rtqx5::vbNo};
    EXPECT_TRUE(Confirma(QStringLiteral("¿Seguro?"), QStringLiteral("Título"), true));
    EXPECT_FALSE(Confirma(QStringLiteral("¿Seguro?"), QStringLiteral("Título"), false));
    ASSERT_EQ(grabador.cajas.size(), 2u);
    EXPECT_EQ(grabador.cajas[0].estilo, 4 + 32 + 256);
    EXPECT_EQ(grabador.cajas[1].estilo, 4 + 32);
    EXPECT_EQ(grabador.cajas[0].texto, "¿Seguro?");
    EXPECT_EQ(grabador.cajas[0].titulo, "Título");
    // Sin guion, la respuesta es el botón por omisión.
    EXPECT_FALSE(Confirma(QStringLiteral("p"), QStringLiteral("t"), true));
    EXPECT_TRUE(Confirma(QStringLiteral("p"), QStringLiteral("t"), false));
}

struct CasoSwitch {
    const char* linea;
    bool esperado;
};

std::ostream& operator<<(std::ostream& os, const CasoSwitch& c) {
    return os << "\"" << c.linea << "\"";
}

class HaySwitchRtsaTest : public ::testing::TestWithParam<CasoSwitch> {
protected:
    void TearDown() override { Proceso::LineaComandos.reset(); }
};

TEST_P(HaySwitchRtsaTest, BuscaDistinguiendoMayusculas) {
    Proceso::LineaComandos = QString::fromUtf8(GetParam().linea);
    EXPECT_EQ(HaySwitchRtsa(), GetParam().esperado) << GetParam().linea;
}

INSTANTIATE_TEST_SUITE_P(Lineas, HaySwitchRtsaTest,
                         ::testing::Values(CasoSwitch{"/x -rtsaQ", true}, CasoSwitch{"-rtsa", true},
                                           CasoSwitch{"a-rtsa", true}, CasoSwitch{"-Rtsa", false},
                                           CasoSwitch{"-RTSA", false}, CasoSwitch{"- rtsa", false},
                                           CasoSwitch{"", false}));

TEST(AgregaDiagonal, SoloCuandoFalta) {
    const QString sep(QDir::separator());
    const struct {
        QString antes, despues;
    } casos[] = {
        {QStringLiteral("/opt/mysql"), QStringLiteral("/opt/mysql") + sep},
        {QStringLiteral("/opt/mysql") + sep, QStringLiteral("/opt/mysql") + sep},
        {QString(), sep},
    };
    for (const auto& c : casos) {
        QString q = c.antes;
        AgregaDiagonal(q);
        EXPECT_EQ(q, c.despues);
        std::string s = c.antes.toStdString();
        AgregaDiagonal(s);
        EXPECT_EQ(s, c.despues.toStdString());
    }
}

TEST(ComoTexto, VacioNuloYValores) {
    EXPECT_EQ(ComoTexto(QVariant()), QString());
    EXPECT_EQ(ComoTexto(QVariant(QString())), QString());
    EXPECT_EQ(ComoTexto(QVariant(12)), QStringLiteral("12"));
    EXPECT_EQ(ComoTexto(QVariant(QStringLiteral(" a "))), QStringLiteral(" a "));
}

} // namespace
