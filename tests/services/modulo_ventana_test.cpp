// Colocación de ventanas en el archivo de configuración (twips).
#include "Modulo.h"
#include "Proceso.h"
#include "Twips.h"

#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

class VentanaTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        Proceso::RutaConfiguracion = dir.filePath(QStringLiteral("ReplicacionTesal.ini"));
        Proceso::libRTSA = std::make_shared<rtqx5::libRTSA>();
        ventana.setObjectName(QStringLiteral("frmPrueba"));
        ventana.setWindowTitle(QStringLiteral("Prueba de colocación"));
        ventana.resize(diseno);
        ventana.move(33, 44);
    }
    void TearDown() override { Proceso::libRTSA.reset(); }

    std::string Lee(const char* clave, const char* seccion = "frmPrueba") {
        return Proceso::libRTSA->LeeIni(seccion, clave, Proceso::RutaConfiguracion.toStdString());
    }
    void Escribe(const char* clave, const std::string& valor) {
        Proceso::libRTSA->EscribeIni("frmPrueba", clave, valor,
                                     Proceso::RutaConfiguracion.toStdString());
    }
    static std::string Tw(int px) { return TextoSimple(Twips::DePixeles(px)).toStdString(); }

    QTemporaryDir dir;
    QWidget ventana;
    const QSize diseno{320, 240};
};

TEST_F(VentanaTest, NuncaGuardadaVaALaEsquinaConSuTamanoDeDiseno) {
    RecuperaVentana(&ventana, true);
    EXPECT_EQ(ventana.pos(), QPoint(0, 0));
    EXPECT_EQ(ventana.size(), diseno);
}

TEST_F(VentanaTest, GuardaEnTwipsYRecuperaLoMismo) {
    ventana.move(150, 90);
    ventana.resize(300, 200);
    GuardaVentana(&ventana, true);
    EXPECT_EQ(Lee("Ventana"), "Prueba de colocación");
    EXPECT_EQ(Lee("Linea"), Tw(90));
    EXPECT_EQ(Lee("Columna"), Tw(150));
    EXPECT_EQ(Lee("Ancho"), Tw(300));
    EXPECT_EQ(Lee("Alto"), Tw(200));

    QWidget otra;
    otra.setObjectName(QStringLiteral("frmPrueba"));
    otra.resize(diseno);
    RecuperaVentana(&otra, true);
    EXPECT_EQ(otra.pos(), QPoint(150, 90));
    // Las medidas guardadas son exteriores, marco incluido.
    EXPECT_EQ(otra.frameGeometry().size(), QSize(300, 200));
}

TEST_F(VentanaTest, SinTamanoNoGuardaNiLeeMedidas) {
    ventana.move(60, 75);
    GuardaVentana(&ventana, false);
    EXPECT_EQ(Lee("Ancho"), "");
    EXPECT_EQ(Lee("Alto"), "");
    Escribe("Ancho", "6000");
    Escribe("Alto", "6000");
    ventana.move(0, 0);
    RecuperaVentana(&ventana, false);
    EXPECT_EQ(ventana.pos(), QPoint(60, 75));
    EXPECT_EQ(ventana.size(), diseno);
}

TEST_F(VentanaTest, LineaFueraDeDieciseisBitsLlevaAlBordeSuperior) {
    Escribe("Linea", "40000");
    Escribe("Columna", Tw(120));
    Escribe("Ancho", Tw(300));
    Escribe("Alto", Tw(200));
    RecuperaVentana(&ventana, true);
    EXPECT_EQ(ventana.pos(), QPoint(120, 0));
    EXPECT_EQ(ventana.frameGeometry().size(), QSize(300, 200));
}

TEST_F(VentanaTest, AnchoBorradoAMano) {
    ventana.move(150, 90);
    ventana.resize(300, 200);
    GuardaVentana(&ventana, true);
    // Quitar la línea "Ancho=" del archivo.
    QFile f(Proceso::RutaConfiguracion);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray contenido = f.readAll();
    f.close();
    const qsizetype i = contenido.indexOf("Ancho=");
    ASSERT_GE(i, 0);
    contenido.remove(i, contenido.indexOf('\n', i) - i + 1);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(contenido);
    f.close();

    QWidget otra;
    otra.setObjectName(QStringLiteral("frmPrueba"));
    otra.resize(diseno);
    otra.move(10, 10);
    RecuperaVentana(&otra, true);
    EXPECT_EQ(otra.pos(), QPoint(0, 0));
    EXPECT_EQ(otra.size(), diseno);
}

TEST_F(VentanaTest, MedidasIlegiblesDejanElTamanoDeDiseno) {
    for (const char* ancho : {"abc", "0", "99999", "-3000"}) {
        Escribe("Linea", Tw(30));
        Escribe("Columna", Tw(40));
        Escribe("Ancho", ancho);
        Escribe("Alto", Tw(200));
        ventana.resize(diseno);
        RecuperaVentana(&ventana, true);
        EXPECT_EQ(ventana.width(), diseno.width()) << ancho;
        EXPECT_GT(ventana.height(), 0) << ancho;
    }
}

TEST_F(VentanaTest, EtiquetaAntesQueNombre) {
    ventana.setProperty("Tag", QStringLiteral(" Especial "));
    EXPECT_EQ(IdentificadorVentana(&ventana), QStringLiteral(" Especial "));
    GuardaVentana(&ventana, false);
    EXPECT_EQ(Lee("Linea", "Especial"), Tw(44));
    EXPECT_EQ(Lee("Linea"), "");

    ventana.setProperty("Tag", QStringLiteral("   "));
    EXPECT_EQ(IdentificadorVentana(&ventana), QStringLiteral("frmPrueba"));
}

TEST_F(VentanaTest, SinIdentificadorNiSeGuardaNiSeMueve) {
    QWidget anonima;
    anonima.setObjectName(QStringLiteral("  "));
    anonima.move(70, 80);
    GuardaVentana(&anonima, true);
    EXPECT_FALSE(QFile::exists(Proceso::RutaConfiguracion));
    // Sin identificador no se lee nada: la ventana va a 0, 0.
    RecuperaVentana(&anonima, true);
    EXPECT_EQ(anonima.pos(), QPoint(0, 0));
}

TEST(Entero16, RedondeoYLimitesComoCInt) {
    EXPECT_EQ(Entero16(2.5), 2);
    EXPECT_EQ(Entero16(3.5), 4);
    EXPECT_EQ(Entero16(-2.5), -2);
    EXPECT_EQ(Entero16(32767.4), 32767);
    EXPECT_EQ(Entero16(-32768.0), -32768);
    EXPECT_THROW(Entero16(32767.5), rtqx5::ErrorRT);
    EXPECT_THROW(Entero16(-32769.0), rtqx5::ErrorRT);
    EXPECT_EQ(Entero16(QStringLiteral(" 1440 ")), 1440);
    EXPECT_EQ(Entero16(QStringLiteral("1.5e3")), 1500);
    for (const char* malo : {"", "  ", "12a", "abc"}) {
        try {
            Entero16(QString::fromUtf8(malo));
            ADD_FAILURE() << malo;
        } catch (const rtqx5::ErrorRT& e) {
            EXPECT_EQ(e.Numero(), 13) << malo;
        }
    }
}

TEST(Twips, QuincePorPixelA96ppp) {
    // La pantalla sin ventanas de las pruebas tiene 96 ppp lógicos.
    EXPECT_DOUBLE_EQ(Twips::PorPixel(), 15.0);
    EXPECT_EQ(Twips::APixeles(9400), 627);
    EXPECT_DOUBLE_EQ(Twips::DePixeles(100), 1500.0);
    EXPECT_EQ(TextoSimple(1500.0), QStringLiteral("1500"));
    EXPECT_EQ(TextoSimple(-45.0), QStringLiteral("-45"));
    EXPECT_EQ(TextoSimple(1234.5), QStringLiteral("1234.5"));
}

} // namespace
