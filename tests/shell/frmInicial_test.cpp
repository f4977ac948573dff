// Arranque, cierre, teclas y bitácora de la ventana principal.
#include "CambioOpciones.h"
#include "EntornoShell.h"
#include "EsperaQt.h"
#include "Servidor.h"
#include "Version.h"
#include "frmDescripcion.h"
#include "frmInicial.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

// La línea de arranque de la bitácora, en la página ANSI del sistema (en
// Windows) o en UTF-8, como la escribe el programa.
const QByteArray kIniciando = QStringLiteral("     Iniciando bitácora\r\n").toLocal8Bit();

class frmInicialTest : public EntornoShell {
protected:
    std::unique_ptr<frmInicial> Abre() {
        auto w = std::make_unique<frmInicial>(programa, QStringLiteral("ReplicacionTesal"));
        return w;
    }
    static void Muestra(frmInicial& w) {
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        w.activateWindow();
        QTest::qWait(20);
    }
    bool HayCaja(const std::string& titulo) const {
        for (const auto& c : cajas.cajas)
            if (c.titulo == titulo)
                return true;
        return false;
    }
};

TEST_F(frmInicialTest, ArranqueArmaElEstadoYLaVentana) {
    auto w = Abre();
    ASSERT_FALSE(w->Terminado());
    EXPECT_TRUE(cajas.cajas.empty());
    EXPECT_EQ(Proceso::RutaConfiguracion,
              Nativa(programa) + Sep() + QStringLiteral("ReplicacionTesal.ini"));
    EXPECT_EQ(Proceso::RutaBitacora,
              Nativa(programa) + Sep() + QStringLiteral("BitacoraReplicacionTesal.txt"));
    EXPECT_EQ(QDir::currentPath(), QDir(programa).canonicalPath());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Replicación Tesal   v %1.%2.%3")
                                    .arg(version::Mayor)
                                    .arg(version::Menor)
                                    .arg(version::Revision));
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("lblMuestra_0"))->text(),
              QStringLiteral("192.168.1.10"));
    EXPECT_EQ(w->findChild<QLabel*>(QStringLiteral("lblMuestra_1"))->text(), mysql);
    EXPECT_EQ(w->RutaMySQL(), mysql);
    EXPECT_EQ(frmInicial::Principal(), w.get());
    for (auto* p : {&Proceso::libRTSA}) // los ocho objetos existen
        EXPECT_TRUE(*p);
    EXPECT_TRUE(Proceso::Plugins && Proceso::BasesDD && Proceso::Utilerias && Proceso::DeArchivos &&
                Proceso::DelRegistro && Proceso::DeControles && Proceso::DeAcceso);
    const char* captions[] = {"Crear nueva instancia de MySQL", "Servidor MAESTRO",
                              "Servidor ESCLAVO", "Estado de la replicación"};
    for (int i = 0; i < 4; ++i) {
        auto* b = w->findChild<QPushButton*>(QStringLiteral("ggcOpc_%1").arg(i));
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->text(), QString::fromUtf8(captions[i]));
        EXPECT_FALSE(b->isEnabled()) << "sin ventana conectada";
    }
    Muestra(*w);
    EXPECT_TRUE(cajas.cajas.empty());
    EXPECT_FALSE(w->Terminado());
    w.reset();
    EXPECT_FALSE(Proceso::libRTSA);
}

// La nota de un cambio cortado vuelve exacta al arrancar, aunque el servicio
// se llame entre comillas; una nota que no se entiende (un servicio '' de una
// nota vieja) se avisa y se deja, nunca se calla.
TEST_F(frmInicialTest, NotaDeUnCambioCortadoExactaOAvisada) {
    const std::string nota = pasos::RutaDiario(ini.toStdString());
    pasos::EscribeDiario(nota, {"\"QX mirror\"", "/x/my.ini", "", "3310"});
    cajas.respuestas = {rtqx5::vbNo};
    auto w = Abre();
    ASSERT_EQ(cajas.cajas.size(), 2u);
    EXPECT_NE(cajas.cajas[0].texto.find("el servicio \"QX mirror\" estaba detenido"),
              std::string::npos)
        << cajas.cajas[0].texto;
    EXPECT_TRUE(cajas.cajas[1].texto.starts_with("El servicio \"QX mirror\" se deja como está"));
    w.reset();

    cajas.cajas.clear();
    pruebas::EscribeArchivo(nota, "[Cambio]\nServicio=''\nArchivo=/x/my.ini\n");
    w = Abre();
    ASSERT_EQ(cajas.cajas.size(), 1u);
    EXPECT_EQ(cajas.cajas[0].titulo, "Servicio detenido");
    EXPECT_EQ(cajas.cajas[0].estilo, rtqx5::vbExclamation);
    EXPECT_NE(cajas.cajas[0].texto.find("no nombra el servicio"), std::string::npos)
        << cajas.cajas[0].texto;
    EXPECT_TRUE(QFile::exists(QString::fromStdString(nota)));
}

TEST_F(frmInicialTest, CarpetaConSeparadorFinalComoLaRaizDobleElSeparador) {
    // Como en la raíz de una unidad, la carpeta ya termina en el separador.
    CreaMarcaBitacora();
    auto w = std::make_unique<frmInicial>(programa + Sep(), QStringLiteral("ReplicacionTesal"));
    ASSERT_FALSE(w->Terminado());
    EXPECT_TRUE(cajas.cajas.empty());
    EXPECT_EQ(Proceso::RutaConfiguracion,
              Nativa(programa) + Sep() + Sep() + QStringLiteral("ReplicacionTesal.ini"));
    EXPECT_EQ(Proceso::RutaBitacora,
              Nativa(programa) + Sep() + Sep() + QStringLiteral("BitacoraReplicacionTesal.txt"));
    // El sistema de archivos acepta el separador doble: la configuración se leyó
    // y la bitácora se inició en la carpeta del programa.
    EXPECT_EQ(w->lblMuestra[0]->text(), QStringLiteral("192.168.1.10"));
    EXPECT_TRUE(Contenido(Bitacora()).endsWith(kIniciando));
}

TEST_F(frmInicialTest, ConfiguracionRechazadaTerminaSinPreguntar) {
    Escribe(ini, "Configuración", "Ruta de Orvalo Premium", dir.filePath(QStringLiteral("otra")));
    cajas.respuestas = {rtqx5::vbOK, rtqx5::vbNo};
    auto w = Abre();
    EXPECT_TRUE(w->Terminado());
    EXPECT_NE(w->CodigoSalida(), 0);
    ASSERT_EQ(cajas.cajas.size(), 2u);
    EXPECT_EQ(cajas.cajas[0].titulo, "Atención");
    EXPECT_EQ(cajas.cajas[1].titulo, "Editar INI");
    // El arranque se detuvo en la configuración: ni bitácora ni leyenda.
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Replicación Tesal"));
    w->close();
    EXPECT_FALSE(HayCaja("Finalizar"));
}

TEST_F(frmInicialTest, SinRutaDeMySQLLaVentanaSeMuestraAvisaUnaVezYTermina) {
    pruebas::QuitaUbicacionMySQL(registro.toStdString());
    auto w = Abre();
    ASSERT_FALSE(w->Terminado());
    QSignalSpy fin(w.get(), &frmInicial::Finaliza);
    w->show();
    ASSERT_TRUE(pruebas::EsperaQue([&] { return w->Terminado(); }));
    ASSERT_EQ(cajas.cajas.size(), 1u);
    EXPECT_EQ(cajas.cajas[0].titulo, "Error");
    EXPECT_EQ(cajas.cajas[0].estilo, rtqx5::vbCritical);
    EXPECT_EQ(cajas.cajas[0].texto, "No fue localizada la ruta de MYSQL, por lo que al parecer "
                                    "este equipo no lo tiene instalado");
    ASSERT_EQ(fin.count(), 1);
    EXPECT_NE(fin[0][0].toInt(), 0);
    EXPECT_FALSE(w->isVisible());
    // Otra activación no repite el aviso; cerrar no pregunta.
    w->show();
    w->activateWindow();
    QTest::qWait(30);
    w->close();
    EXPECT_EQ(cajas.cajas.size(), 1u);
}

TEST_F(frmInicialTest, ClaseQueNoSePuedeCrearAvisaYTermina) {
    rtqx5::Fabrica::Instancia().HazFallar("rtqx5.DeControles", 429,
                                          "El componente ActiveX no puede crear el objeto");
    auto w = Abre();
    EXPECT_TRUE(w->Terminado());
    ASSERT_EQ(cajas.cajas.size(), 1u);
    EXPECT_EQ(cajas.cajas[0].titulo, "Alerta");
    EXPECT_EQ(cajas.cajas[0].estilo, rtqx5::vbCritical);
    EXPECT_EQ(cajas.cajas[0].texto,
              "Error nº 429, El componente ActiveX no puede crear el objeto\r\n"
              "Intentanto crear \"rtqx5.DeControles\"");
}

TEST_F(frmInicialTest, AltF4PreguntaConSiPorOmisionYNoSigue) {
    auto w = Abre();
    Muestra(*w);
    QSignalSpy fin(w.get(), &frmInicial::Finaliza);
    // Con el foco en un botón: la ventana ve la tecla antes.
    w->cmdLB->setFocus();
    cajas.respuestas = {rtqx5::vbNo};
    QTest::keyClick(w->cmdLB, Qt::Key_F4, Qt::AltModifier);
    ASSERT_EQ(cajas.cajas.size(), 1u);
    EXPECT_EQ(cajas.cajas[0].texto, "¿Desea cerrar este programa?");
    EXPECT_EQ(cajas.cajas[0].titulo, "Finalizar");
    EXPECT_EQ(cajas.cajas[0].estilo, 4 + 32);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(Proceso::libRTSA);
    EXPECT_EQ(fin.count(), 0);

    // Solo Alt exacto.
    QTest::keyClick(w.get(), Qt::Key_F4, Qt::AltModifier | Qt::ShiftModifier);
    QTest::keyClick(w.get(), Qt::Key_F4, Qt::AltModifier | Qt::ControlModifier);
    QTest::keyClick(w.get(), Qt::Key_F4);
    EXPECT_EQ(cajas.cajas.size(), 1u);

    // Sí: se descarga, libera los objetos y pide terminar con 0.
    QTest::keyClick(w.get(), Qt::Key_F4, Qt::AltModifier);
    EXPECT_EQ(cajas.cajas.size(), 2u);
    EXPECT_FALSE(w->isVisible());
    EXPECT_FALSE(Proceso::libRTSA);
    ASSERT_EQ(fin.count(), 1);
    EXPECT_EQ(fin[0][0].toInt(), 0);
}

TEST_F(frmInicialTest, RtsaCierraSinPreguntar) {
    Proceso::LineaComandos = QStringLiteral("/x -rtsaQ");
    auto w = Abre();
    Muestra(*w);
    EXPECT_TRUE(w->close());
    EXPECT_TRUE(cajas.cajas.empty());

    Proceso::LineaComandos = QStringLiteral("-RTSA");
    auto otra = Abre();
    Muestra(*otra);
    cajas.respuestas = {rtqx5::vbNo};
    EXPECT_FALSE(otra->close());
    EXPECT_EQ(cajas.cajas.size(), 1u);
}

TEST_F(frmInicialTest, F1AbreLaDescripcionSinModo) {
    auto w = Abre();
    Muestra(*w);
    w->ggcOpc[0]->setFocus();
    QTest::keyClick(w.get(), Qt::Key_F1);
    QPointer<frmDescripcion> d = w->Descripcion();
    ASSERT_TRUE(d);
    EXPECT_TRUE(d->isVisible());
    EXPECT_FALSE(d->isModal());
    EXPECT_EQ(d->windowModality(), Qt::NonModal);
    EXPECT_EQ(d->windowTitle(), QStringLiteral("Descripción del programa"));
    // La principal sigue atendiendo mientras la descripción está abierta.
    QTest::keyClick(w->cmdLB, Qt::Key_F1);
    EXPECT_EQ(w->Descripcion(), d.data());
    // Al cerrar la principal, la descripción se cierra y guarda su colocación.
    EXPECT_TRUE(w->close());
    ASSERT_TRUE(pruebas::EsperaQue([&] { return !d; }));
    EXPECT_FALSE(Contenido(ini).isEmpty());
    EXPECT_TRUE(Contenido(ini).contains("[frmDescripcion]"));
}

TEST_F(frmInicialTest, BitacoraSeIniciaUnaSolaVez) {
    CreaMarcaBitacora();
    Abre().reset();
    const QByteArray primera = Contenido(Bitacora());
    ASSERT_TRUE(primera.endsWith(kIniciando));
    EXPECT_EQ(primera.count('\n'), 1);
    QTest::qWait(1100); // otro segundo: una línea nueva se notaría
    Abre().reset();
    EXPECT_EQ(Contenido(Bitacora()), primera);
}

TEST_F(frmInicialTest, LimpiarBitacoraConEnterDejaLaBitacora) {
    CreaMarcaBitacora();
    auto w = Abre();
    Escribe(ini, "x", "y", "z"); // nada que ver con la bitácora
    QFile f(Bitacora());
    ASSERT_TRUE(f.open(QIODevice::Append));
    f.write("2024-01-01 00:00:00     paso anterior\r\n");
    f.close();
    const QByteArray antes = Contenido(Bitacora());

    w->cmdLB->click(); // sin guion, el grabador contesta el botón por omisión
    ASSERT_EQ(cajas.cajas.size(), 1u);
    EXPECT_EQ(cajas.cajas[0].texto, "¿Está seguro de limpiar la bitácora de este programa?");
    EXPECT_EQ(cajas.cajas[0].titulo, "Limpiar bitácora");
    EXPECT_EQ(cajas.cajas[0].estilo, 4 + 32 + 256);
    EXPECT_EQ(Contenido(Bitacora()), antes);

    cajas.respuestas = {rtqx5::vbYes};
    w->cmdLB->click();
    const QByteArray despues = Contenido(Bitacora());
    EXPECT_EQ(despues.count('\n'), 1);
    EXPECT_TRUE(despues.endsWith(kIniciando));
}

TEST_F(frmInicialTest, SinMarcaNiElBotonCreaLaBitacora) {
    auto w = Abre();
    cajas.respuestas = {rtqx5::vbYes};
    w->cmdLB_Click();
    EXPECT_FALSE(QFile::exists(Bitacora()));
}

TEST_F(frmInicialTest, DobleClicEnElAreaLibreAbreLaConfiguracion) {
    auto w = Abre();
    Muestra(*w);
    // Sobre un control no cuenta.
    QTest::mouseDClick(w->lblEtiq[2], Qt::LeftButton);
    QTest::mouseDClick(w.get(), Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_TRUE(pruebas::EsperaQue([&] { return QFile::exists(abiertos); }));
    QTest::qWait(200);
    EXPECT_EQ(Contenido(abiertos), (Proceso::RutaConfiguracion + QLatin1Char('\n')).toUtf8());
    EXPECT_TRUE(cajas.cajas.empty());
}

TEST_F(frmInicialTest, CadaOpcionCargaSuVentanaDeNuevoYModal) {
    auto w = Abre();
    Muestra(*w);
    int cargas = 0;
    bool modal = false;
    w->AsignaOpcion(1, [&] {
        ++cargas;
        auto d = std::make_unique<QDialog>();
        QTimer::singleShot(0, d.get(), [&modal, p = d.get()] {
            modal = p->isModal() || p->windowModality() != Qt::NonModal;
            p->accept();
        });
        return d;
    });
    EXPECT_TRUE(w->ggcOpc[1]->isEnabled());
    EXPECT_FALSE(w->ggcOpc[0]->isEnabled());
    w->ggcOpc[1]->click();
    w->ggcOpc[1]->click();
    EXPECT_EQ(cargas, 2);
    EXPECT_TRUE(modal);
    w->ggcOpc[0]->click(); // deshabilitado: nada
    w->ggcOpc_Click(7);    // otro índice: la del esclavo, sin conectar
    EXPECT_EQ(cargas, 2);

    // Ctrl+E abre el estado de la replicación desde cualquier control; E sola
    // o con Alt, no.
    int estados = 0;
    w->AsignaOpcion(3, [&] {
        ++estados;
        auto d = std::make_unique<QDialog>();
        QTimer::singleShot(0, d.get(), [p = d.get()] { p->accept(); });
        return d;
    });
    QTest::keyClick(w->cmdLB, Qt::Key_E, Qt::ControlModifier);
    QTest::keyClick(w.get(), Qt::Key_E);
    QTest::keyClick(w.get(), Qt::Key_E, Qt::AltModifier);
    EXPECT_EQ(estados, 1);
    EXPECT_EQ(cargas, 2);
}

} // namespace
