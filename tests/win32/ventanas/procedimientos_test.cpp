// Los tres procedimientos de punta a punta con el programa de Windows bajo
// Wine, contra servidores reales: servicios del gestor de servicios de Wine
// (net.exe de Wine, mysqld.exe --install), el cambio de my.ini con
// ReplaceFileW, la copia de datos por mysqldump.exe y mysql.exe, la ventana
// del estado y la vuelta atrás; y otra corrida de cada ventana.
#include "EsperaQt.h"
#include "MundoServicios.h"
#include "TextosProcedimiento.h"
#include "VentanaCambios.h"
#include "frmCambios.h"
#include "frmEsclavo.h"
#include "frmEstado.h"
#include "frmInstancia.h"
#include "frmMaestro.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <functional>

namespace {

const std::string kClave = "clave#1";

std::string Caja(const VentanaProcedimiento& w) {
    return w.txtCapturaDOS->toPlainText().toStdString();
}

// Con RT_CAPTURAS (una carpeta), la ventana como quedó, para que una persona
// la mire.
void Captura(QWidget& w, const QString& nombre) {
    const QString carpeta = qEnvironmentVariable("RT_CAPTURAS");
    if (!carpeta.isEmpty()) {
        EXPECT_TRUE(w.grab().save(carpeta + QLatin1Char('/') + nombre)) << nombre.toStdString();
    }
}

class ReplicaWindowsServicios : public MundoServicios {
protected:
    // Un puerto de cuatro cifras libre, 3308 si se puede (el de diseño).
    static std::string PuertoEsclavo() {
        for (int p = 3308; p < 9999; ++p)
            if (!pasos::PuertoOcupado(static_cast<std::uint16_t>(p)))
                return std::to_string(p);
        return {};
    }

    void CorreInstancia(const std::string& puertoEsclavo, const std::string& datos) {
        frmInstancia w;
        Muestra(w);
        w.txtDatoMultiLinea->setPlainText(QString::fromStdString(datos));
        w.txtDato[5]->setText(QString::fromStdString(puertoEsclavo));
        cajas.cajas.clear();
        cajas.respuestas = {rtqx5::vbYes};
        w.cmdProceder_Click();
        ASSERT_TRUE(AvisoFinal().starts_with("Proceso terminado")) << AvisoFinal() << Caja(w);
    }

    void CorreMaestro() {
        frmMaestro w;
        Muestra(w);
        w.txtDato[1]->setText("127.0.0.1");
        w.txtDato[2]->setText(QString::fromStdString(kClave));
        cajas.cajas.clear();
        cajas.respuestas = {rtqx5::vbYes};
        w.cmdProceder_Click();
        ASSERT_TRUE(AvisoFinal().starts_with(
            "Proceso terminado\r\n\r\nCopia de respaldo: " + MyIni() + "."))
            << AvisoFinal() << Caja(w);
    }

    // El esclavo en QXmirror; con `copia`, los datos del maestro primero.
    void CorreEsclavo(bool copia) {
        frmEsclavo w;
        Muestra(w);
        w.txtElINI->setText(QString::fromStdString(Ini("QXmirror.ini")));
        bool Cancel = true;
        w.txtElINI_Validate(Cancel);
        ASSERT_FALSE(Cancel);
        w.txtDato[1]->setText("127.0.0.1");
        w.txtDato[2]->setText(QString::fromStdString(kClave));
        w.txtDato[7]->setText(QString::fromStdString(puerto));
        w.txtDato[6]->setText("QXmirror");
        w.txtDato[5]->setText("2");
        w.chkCopia->setChecked(copia);
        cajas.cajas.clear();
        cajas.respuestas = {rtqx5::vbYes};
        w.cmdProceder_Click();
        ASSERT_TRUE(AvisoFinal().starts_with("Proceso terminado")) << AvisoFinal() << Caja(w);
        ASSERT_NE(Caja(w).find("Replicación: lectura Yes, aplicación Yes"), std::string::npos)
            << Caja(w);
        if (copia) {
            EXPECT_NE(Caja(w).find("Posición del MAESTRO en la copia: qxlog-bin."),
                      std::string::npos)
                << Caja(w);
            Captura(w, QStringLiteral("esclavo.png"));
        }
    }

    // Una venta en el maestro llega al esclavo.
    void LlegaAlEsclavo(int id, const std::string& puertoEsclavo) {
        EnDatos1("INSERT INTO articulos VALUES (" + std::to_string(id) + ", 'venta', 1.00)");
        const std::string consulta =
            "SELECT COUNT(*) FROM datos1.articulos WHERE id = " + std::to_string(id);
        EXPECT_TRUE(pruebas::EsperaQue(
            [&] {
                rtqx5::Conexion c;
                return Conecta(c, puertoEsclavo) && c.Execute(consulta).at(0) == "1";
            },
            15000))
            << "la fila " << id << " no llegó a QXmirror";
    }

    std::string LogBin() const { return Consulta("SHOW VARIABLES LIKE 'log_bin'").Valor("Value"); }

    // La ventana de cambios restaura la copia de my.ini número `n` (0: la
    // más nueva) de las del maestro.
    void RestauraMyIni(int n) {
        auto ventana = CreaVentanaCambios();
        auto* v = dynamic_cast<frmCambios*>(ventana.get());
        ASSERT_NE(v, nullptr);
        Muestra(*v);
        QTreeWidgetItem* elegida = nullptr;
        for (int i = 0, vistas = 0; i < v->tvwCopias->topLevelItemCount() && !elegida; ++i) {
            QTreeWidgetItem* fila = v->tvwCopias->topLevelItem(i);
            if (fila->text(1).startsWith(QStringLiteral("my.ini.")) && vistas++ == n)
                elegida = fila;
        }
        ASSERT_NE(elegida, nullptr) << "sin la copia " << n << " de my.ini";
        v->tvwCopias->setCurrentItem(elegida);
        cajas.cajas.clear();
        cajas.respuestas = {rtqx5::vbYes};
        v->cmdProceder_Click();
        ASSERT_TRUE(AvisoFinal().starts_with("Proceso terminado")) << AvisoFinal() << Caja(*v);
    }
};

TEST_F(ReplicaWindowsServicios, InstanciaMaestroEsclavoEstadoDeshacerYOtraVez) {
    const std::string puertoEsclavo = PuertoEsclavo();
    const std::string datos = "C:\\QXmirror datos";

    // Nueva instancia: QXmirror en el gestor de servicios, arrancada, contesta.
    ASSERT_NO_FATAL_FAILURE(CorreInstancia(puertoEsclavo, datos));
    EXPECT_EQ(pasos::EstadoDeServicio("QXmirror"), pasos::EstadoServicio::Iniciado);
    EXPECT_EQ(Consulta("SELECT @@port", puertoEsclavo).filas.at(0).at(0), puertoEsclavo);

    // Maestro: la cuenta, las seis claves (con su copia al lado) y el servicio
    // de nuevo arriba con el registro binario.
    const std::string antes = pruebas::LeeArchivo(MyIni());
    const std::size_t copias = pasos::RespaldosDe(MyIni()).size();
    ASSERT_NO_FATAL_FAILURE(CorreMaestro());
    EXPECT_EQ(LogBin(), "ON");
    EXPECT_TRUE(Consulta("SHOW MASTER STATUS").Valor("File").starts_with("qxlog-bin."));
    const auto respaldos = pasos::RespaldosDe(MyIni());
    ASSERT_EQ(respaldos.size(), copias + 1);
    EXPECT_EQ(pruebas::LeeArchivo(respaldos[0].ruta), antes);
    rtqx5::libRTSA ini;
    for (const auto& [clave, valor] : {std::pair<std::string, std::string>{"log-bin", "qxlog-bin"},
                                       {"server-id", "1"},
                                       {"replicate-do-db", "datos1"},
                                       {"binlog-do-db", "datos1"},
                                       {"expire_logs_days", "10"},
                                       {"binlog-row-event-max-size", "16777216"}})
        EXPECT_EQ(ini.LeeIni("mysqld", clave, MyIni()), valor) << clave;
    rtqx5::Conexion cuenta;
    EXPECT_TRUE(Conecta(cuenta, {}, "usuariomirror", kClave));

    // Esclavo con la copia de los datos por mysqldump.exe y mysql.exe.
    ASSERT_NO_FATAL_FAILURE(CorreEsclavo(true));
    LlegaAlEsclavo(101, puertoEsclavo);

    // Estado: la réplica funciona y los datos son iguales.
    {
        frmEstado w;
        Muestra(w);
        ASSERT_TRUE(pruebas::EsperaQue(
            [&] { return w.lblResumen->text() == "La replicación funciona"; }, 20000))
            << w.lblResumen->text().toStdString();
        ASSERT_TRUE(pruebas::EsperaQue([&] { return w.cmdVerificar->isEnabled(); }, 10000));
        w.cmdVerificar->click();
        EXPECT_TRUE(w.Verificando());
        ASSERT_TRUE(pruebas::EsperaQue([&] { return !w.Verificando(); }, 90000));
        const std::string caja = Caja(w);
        EXPECT_NE(caja.find("articulos: igual"), std::string::npos) << caja;
        EXPECT_EQ(w.lblProgreso->text().toStdString(), "1 tabla igual");
        EXPECT_EQ(caja.find("distinta"), std::string::npos) << caja;
        EXPECT_NE(caja.find("seguidos (1 trozo); el MAESTRO nunca"), std::string::npos) << caja;
        // Las cinco cuentas con el permiso caben con la letra de Wine.
        const auto* cuentas = w.findChild<QLabel*>(QStringLiteral("lblMaestro_Cuentas"));
        ASSERT_NE(cuentas, nullptr);
        EXPECT_LE(cuentas->fontMetrics()
                      .boundingRect(QRect(0, 0, cuentas->width(), 10000), Qt::TextWordWrap,
                                    cuentas->text())
                      .height(),
                  cuentas->height())
            << cuentas->text().toStdString();
        Captura(w, QStringLiteral("estado.png"));
    }

    // Deshacer: el my.ini de antes del maestro apaga el registro binario; la
    // copia que dejó esa vuelta (el maestro) lo enciende otra vez.
    ASSERT_NO_FATAL_FAILURE(RestauraMyIni(0));
    EXPECT_EQ(pruebas::LeeArchivo(MyIni()), antes);
    EXPECT_EQ(LogBin(), "OFF");
    ASSERT_NO_FATAL_FAILURE(RestauraMyIni(0));
    EXPECT_EQ(LogBin(), "ON");

    // Otra vez cada ventana: la instancia no pisa a QXmirror, el maestro y el
    // esclavo sin copia; la réplica sigue.
    {
        frmInstancia w;
        Muestra(w);
        w.txtDatoMultiLinea->setPlainText(QString::fromStdString(datos));
        w.txtDato[5]->setText(QString::fromStdString(puertoEsclavo));
        cajas.cajas.clear();
        cajas.respuestas = {rtqx5::vbYes, rtqx5::vbYes, rtqx5::vbYes};
        w.cmdProceder_Click();
        EXPECT_FALSE(AvisoFinal().starts_with("Proceso terminado")) << AvisoFinal();
    }
    EXPECT_EQ(pasos::EstadoDeServicio("QXmirror"), pasos::EstadoServicio::Iniciado);
    ASSERT_NO_FATAL_FAILURE(CorreMaestro());
    ASSERT_NO_FATAL_FAILURE(CorreEsclavo(false));
    LlegaAlEsclavo(102, puertoEsclavo);
}

} // namespace
