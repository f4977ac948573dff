// Ventana de descripción: medidas de la caja, menú y colocación guardada.
#include "EntornoShell.h"
#include "EsperaQt.h"
#include "Twips.h"
#include "frmDescripcion.h"

#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QTest>
#include <QTextEdit>
#include <ostream>

namespace {

struct CasoCaja {
    double ancho, alto;
    bool hay;
    double cajaAncho, cajaAlto;
};

// Nombre legible de cada caso en la lista de pruebas.
std::ostream& operator<<(std::ostream& os, const CasoCaja& c) {
    return os << c.ancho << "x" << c.alto;
}

class MedidasCajaTest : public ::testing::TestWithParam<CasoCaja> {};

TEST_P(MedidasCajaTest, MargenesDe260Y600Twips) {
    const auto& c = GetParam();
    const auto caja = frmDescripcion::MedidasCaja(c.ancho, c.alto);
    ASSERT_EQ(caja.has_value(), c.hay) << c.ancho << " x " << c.alto;
    if (c.hay) {
        EXPECT_DOUBLE_EQ(caja->width(), c.cajaAncho);
        EXPECT_DOUBLE_EQ(caja->height(), c.cajaAlto);
    }
}

INSTANTIATE_TEST_SUITE_P(Medidas, MedidasCajaTest,
                         ::testing::Values(CasoCaja{9400, 7000, true, 9140, 6400},
                                           CasoCaja{260, 600, true, 0, 0},
                                           CasoCaja{259, 7000, false, 0, 0},
                                           CasoCaja{9400, 599, false, 0, 0},
                                           CasoCaja{0, 0, false, 0, 0}));

class frmDescripcionTest : public EntornoShell {
protected:
    void SetUp() override {
        EntornoShell::SetUp();
        Proceso::RutaConfiguracion = ini;
        Proceso::libRTSA = std::make_shared<rtqx5::libRTSA>();
        Proceso::DeArchivos = std::make_shared<rtqx5::DeArchivos>();
    }
    void TearDown() override {
        Proceso::libRTSA.reset();
        Proceso::DeArchivos.reset();
        EntornoShell::TearDown();
    }
    std::string Lee(const char* clave) {
        return Proceso::libRTSA->LeeIni("frmDescripcion", clave, ini.toStdString());
    }
};

TEST_F(frmDescripcionTest, MenuUnoConSusDosOpciones) {
    QPointer<frmDescripcion> d = new frmDescripcion();
    EXPECT_EQ(d->mnUno->title(), QStringLiteral("Uno"));
    const auto acciones = d->mnUno->actions();
    ASSERT_EQ(acciones.size(), 2);
    EXPECT_EQ(acciones[0]->text(), QStringLiteral("Descripción del programa"));
    EXPECT_EQ(acciones[1]->text(), QStringLiteral("Editar archivo INI de configuración"));
    EXPECT_EQ(d->findChild<QTextEdit*>(QStringLiteral("rtbTexto")), d->rtbTexto);
    acciones[0]->trigger();
    EXPECT_TRUE(d->isVisible());
    d->close();
    ASSERT_TRUE(pruebas::EsperaQue([&] { return d.isNull(); }));
}

TEST_F(frmDescripcionTest, CajaSigueAlTamanoDeLaVentana) {
    auto* d = new frmDescripcion();
    d->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(d));
    // 9400 x 7000 twips de medidas exteriores (marco incluido).
    const QSize marco = d->frameGeometry().size() - d->size();
    d->resize(Twips::APixeles(9400) - marco.width(), Twips::APixeles(7000) - marco.height());
    QTest::qWait(20);
    // La caja mide 9140 x 6400 twips, salvo el redondeo a píxeles.
    EXPECT_NEAR(Twips::DePixeles(d->rtbTexto->width()), 9140, 15);
    EXPECT_NEAR(Twips::DePixeles(d->rtbTexto->height()), 6400, 15);
    EXPECT_EQ(d->rtbTexto->x(), 0);
    // Más chica que los márgenes: la caja conserva su último tamaño.
    const QSize antes = d->rtbTexto->size();
    d->resize(10, 10);
    QTest::qWait(20);
    EXPECT_EQ(d->rtbTexto->size(), antes);
    d->close();
}

TEST_F(frmDescripcionTest, RecuerdaPosicionYTamano) {
    auto* d = new frmDescripcion();
    // Nunca guardada: esquina superior izquierda.
    EXPECT_EQ(d->pos(), QPoint(0, 0));
    d->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(d));
    d->move(40, 60);
    d->resize(500, 380);
    QTest::qWait(20);
    const QSize exterior = d->frameGeometry().size();
    d->close();
    EXPECT_EQ(Lee("Ventana"), "Descripción del programa");
    EXPECT_EQ(Lee("Linea"), "900");
    EXPECT_EQ(Lee("Columna"), "600");
    // Medidas exteriores: el área de 500 x 380 más el marco.
    EXPECT_EQ(Lee("Ancho"), std::to_string(exterior.width() * 15));
    EXPECT_EQ(Lee("Alto"), std::to_string(exterior.height() * 15));

    auto* otra = new frmDescripcion();
    EXPECT_EQ(otra->pos(), QPoint(40, 60));
    EXPECT_EQ(otra->size(), QSize(500, 380));
    delete otra;
}

TEST_F(frmDescripcionTest, EditarINIPasaLaRutaAunqueNoExista) {
    auto* d = new frmDescripcion();
    d->mnEditINI->trigger();
    // La configuración existe: el abridor la recibe.
    ASSERT_TRUE(pruebas::EsperaQue([&] { return QFile::exists(abiertos); }));
    QTest::qWait(100);
    EXPECT_EQ(Contenido(abiertos), (ini + QLatin1Char('\n')).toUtf8());
    EXPECT_TRUE(cajas.cajas.empty());

    // Sin archivo: la biblioteca lo informa y la ventana lo muestra sin caerse.
    QFile::remove(ini);
    d->mnEditINI->trigger();
    ASSERT_EQ(cajas.cajas.size(), 1u);
    EXPECT_EQ(cajas.cajas[0].titulo, "Error");
    EXPECT_EQ(cajas.cajas[0].estilo, rtqx5::vbCritical);
    delete d;
}

} // namespace
