// La ventana de cambios contra el servicio real del entorno de prueba: volver
// a la versión anterior a una corrida del maestro (y deshacerlo), la lista de
// copias con lo que cambió cada una y las copias que no se restauran.
#include "EntornoProcedimiento.h"
#include "TextosProcedimiento.h"
#include "VentanaCambios.h"
#include "frmCambios.h"
#include "frmMaestro.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

using pruebas::Comillas;
using pruebas::EscribeArchivo;
using pruebas::LeeArchivo;

class frmCambiosTest : public EntornoProcedimiento {
protected:
    std::unique_ptr<frmCambios> Abre() {
        auto w = std::make_unique<frmCambios>();
        Muestra(*w);
        return w;
    }

    // Elige la copia `i` de la lista y contesta Sí a la confirmación.
    void Restaura(frmCambios& w, int i) {
        cajas.cajas.clear();
        w.tvwCopias->setCurrentItem(w.tvwCopias->topLevelItem(i));
        cajas.respuestas = {rtqx5::vbYes};
        w.cmdProceder_Click();
    }

    // Por copia: su nombre y sus líneas de cambios.
    static std::vector<std::vector<std::string>> Lista(const frmCambios& w) {
        std::vector<std::vector<std::string>> r;
        for (int i = 0; i < w.tvwCopias->topLevelItemCount(); ++i) {
            const QTreeWidgetItem* fila = w.tvwCopias->topLevelItem(i);
            r.push_back({fila->text(fila->childCount() ? 1 : 0).toStdString()});
            for (int j = 0; j < fila->childCount(); ++j)
                r.back().push_back(fila->child(j)->text(0).toStdString());
        }
        return r;
    }

    std::vector<std::string> Respaldos() const {
        std::vector<std::string> r;
        for (const auto& c : pasos::RespaldosDe(MyIni()))
            r.push_back(c.ruta);
        return r;
    }

    std::string LogBin() const { return Consulta("SHOW VARIABLES LIKE 'log_bin'").Valor("Value"); }

    std::string EstadoMySQL() const {
        std::string salida;
        sandbox.Orden("net query MySQL", &salida);
        return salida;
    }
};

// Una corrida del maestro y la vuelta atrás: my.ini es byte a byte la copia
// de antes de la corrida, el servidor corre sin registro binario y queda una
// copia del archivo como estaba; restaurar esa copia trae de vuelta el maestro.
TEST_F(frmCambiosTest, RestaurarDeshaceLaCorridaDelMaestroYSePuedeDeshacer) {
    const std::string original = LeeArchivo(MyIni());
    ASSERT_EQ(LogBin(), "OFF");
    {
        frmMaestro m;
        Muestra(m);
        m.txtDato[1]->setText("127.0.0.1");
        cajas.respuestas = {rtqx5::vbYes};
        m.cmdProceder_Click();
    }
    ASSERT_EQ(LogBin(), "ON");
    const std::string maestro = LeeArchivo(MyIni());
    ASSERT_EQ(Respaldos().size(), 1u);

    auto w = CreaVentanaCambios();
    auto* v = dynamic_cast<frmCambios*>(w.get());
    ASSERT_NE(v, nullptr);
    Muestra(*v);
    EXPECT_EQ(v->windowTitle().toStdString(), "Cambios en los archivos de opciones");
    ASSERT_EQ(v->tvwCopias->topLevelItemCount(), 1);
    EXPECT_EQ(v->tvwCopias->topLevelItem(0)->text(1).toStdString(),
              fs::path(Respaldos()[0]).filename().string());
    Restaura(*v, 0);

    EXPECT_EQ(LeeArchivo(MyIni()), original);
    EXPECT_EQ(LogBin(), "OFF");
    const auto respaldos = Respaldos();
    ASSERT_EQ(respaldos.size(), 2u);
    EXPECT_EQ(LeeArchivo(respaldos[0]), maestro) << "la copia nueva es el archivo de antes";
    ASSERT_EQ(cajas.cajas.size(), 2u);
    const auto& pregunta = cajas.cajas[0];
    EXPECT_EQ(pregunta.estilo, rtqx5::vbYesNo | rtqx5::vbQuestion | rtqx5::vbDefaultButton2);
    for (const std::string& parte :
         {"«" + MyIni() + "»", std::string("servicio MySQL"),
          std::string("log-bin: qxlog-bin → (se quitó)"),
          std::string("binlog-row-event-max-size: 16777216 → (se quitó)")})
        EXPECT_NE(pregunta.texto.find(parte), std::string::npos) << parte << "\n" << pregunta.texto;
    EXPECT_EQ(cajas.cajas[1].texto, "Proceso terminado\r\n\r\nCopia de respaldo: " + respaldos[0]);

    // La lista ya muestra la copia nueva; restaurarla vuelve al maestro.
    ASSERT_EQ(v->tvwCopias->topLevelItemCount(), 2);
    Restaura(*v, 0);
    EXPECT_EQ(LeeArchivo(MyIni()), maestro);
    EXPECT_EQ(LogBin(), "ON");
    EXPECT_TRUE(Consulta("SHOW MASTER STATUS").Valor("File").starts_with("qxlog-bin."));
    EXPECT_EQ(Respaldos().size(), 3u);
}

// Tres copias de my.ini: cada una muestra exactamente lo que difiere de la
// versión siguiente; una copia ilegible se lista como tal y no se restaura; el
// archivo del esclavo sin copias lo dice.
TEST_F(frmCambiosTest, ListaLoQueCambioCadaCopia) {
    const std::string actual = LeeArchivo(MyIni());
    ASSERT_NE(actual.find("[mysqld]"), std::string::npos);
    const auto conMysqld = [&](const std::string& lineas) {
        std::string t = actual;
        t.insert(t.find("[mysqld]") + 9, lineas);
        return t;
    };
    const std::time_t t = std::time(nullptr) - 3600;
    const std::string vieja = pasos::NombreRespaldo(MyIni(), t);
    const std::string media = pasos::NombreRespaldo(MyIni(), t + 60);
    const std::string nueva = pasos::NombreRespaldo(MyIni(), t + 120);
    const std::string rota = pasos::NombreRespaldo(MyIni(), t + 30);
    EscribeArchivo(vieja, conMysqld("server-id=1\nexpire_logs_days=5\n"));
    EscribeArchivo(media, conMysqld("server-id=2\nexpire_logs_days=5\nmaster-password=x\n"));
    EscribeArchivo(nueva, conMysqld("server-id=2\nserver-id=3\n"));
    EscribeArchivo(rota, std::string("\xFF\xFE[\0m\0", 6));
    const std::string esclavo = (sandbox.Carpeta() / "esclavo.ini").string();
    EscribeArchivo(esclavo, "[mysqld]\nport=3310\n");
    const std::string configuracion = (sandbox.Programa() / "ReplicacionTesal.ini").string();
    rtqx5::libRTSA lib;
    lib.EscribeIni("Configuración", "Archivo INI", esclavo, configuracion);
    lib.EscribeIni("Configuración", "Instancia ESCLAVO", "MySQL2", configuracion);

    auto w = Abre();
    const auto nombre = [](const std::string& r) { return fs::path(r).filename().string(); };
    const std::vector<std::vector<std::string>> esperada = {
        {nombre(nueva), "server-id: 3 → (se quitó)"},
        {nombre(media), "server-id: 2 → 3", "expire_logs_days: 5 → (se quitó)",
         "master-password: ******** → (se quitó)"},
        {nombre(rota),
         "No es un archivo de opciones legible (no es un archivo de texto); no se puede "
         "restaurar"},
        {nombre(vieja), "La versión siguiente no es un archivo de opciones legible"},
    };
    EXPECT_EQ(Lista(*w), esperada);
    EXPECT_EQ(w->tvwCopias->topLevelItem(0)->text(0).toStdString().size(), 19u);

    Restaura(*w, 2);
    ASSERT_EQ(cajas.cajas.size(), 1u);
    EXPECT_EQ(cajas.cajas[0].titulo, "Error");
    EXPECT_NE(cajas.cajas[0].texto.find("no se puede restaurar"), std::string::npos);
    EXPECT_EQ(LeeArchivo(MyIni()), actual);
    EXPECT_EQ(Respaldos().size(), 4u);

    ASSERT_EQ(w->cboArchivo->count(), 2);
    EXPECT_EQ(w->cboArchivo->itemText(1).toStdString(), "ESCLAVO (servicio MySQL2): " + esclavo);
    w->cboArchivo->setCurrentIndex(1);
    EXPECT_EQ(Lista(*w), (std::vector<std::vector<std::string>>{{"Sin copias de respaldo"}}));
}

// Una copia con la que el servidor no arrancaría: la revisión del servidor la
// rechaza y nada cambia (ni el archivo, ni el servicio, ni una copia nueva).
// Una que pasa la revisión pero con la que el servicio no arranca: vuelve el
// archivo de antes y el aviso lo dice.
TEST_F(frmCambiosTest, CopiasConLasQueElServidorNoArranca) {
    const std::string actual = LeeArchivo(MyIni());
    const std::time_t t = std::time(nullptr) - 3600;
    const std::string desconocida = pasos::NombreRespaldo(MyIni(), t);
    fs::copy_file(MyIni(), desconocida);
    rtqx5::libRTSA lib;
    // Una clave que este servidor ya no conoce, con su valor secreto.
    lib.EscribeIni("mysqld", "master-password", "s3cr3t-copia", desconocida);
    const std::string conLog = pasos::NombreRespaldo(MyIni(), t + 60);
    fs::copy_file(MyIni(), conLog);
    lib.EscribeIni("mysqld", "log-bin", "qxlog-bin", conLog);

    auto w = Abre();
    const frmCambios* v = w.get();
    Restaura(*w, 1);
    ASSERT_EQ(cajas.cajas.size(), 2u);
    EXPECT_EQ(cajas.cajas[1].titulo, "Error");
    EXPECT_NE(cajas.cajas[1].texto.find("no arrancaría con la copia «" + desconocida + "»"),
              std::string::npos)
        << cajas.cajas[1].texto;
    EXPECT_NE(cajas.cajas[1].texto.find("master-password"), std::string::npos);
    EXPECT_EQ(cajas.cajas[1].texto.find("s3cr3t-copia"), std::string::npos);
    EXPECT_EQ(v->txtCapturaDOS->toPlainText().toStdString().find("s3cr3t-copia"),
              std::string::npos);
    EXPECT_EQ(LeeArchivo(MyIni()), actual);
    EXPECT_EQ(Respaldos().size(), 2u);
    EXPECT_NE(EstadoMySQL().find("está iniciado"), std::string::npos);
    const auto bitacora = Bitacora();
    EXPECT_EQ(std::find(bitacora.begin(), bitacora.end(), "net stop MySQL"), bitacora.end());

    // El servicio corre un guion que se niega a arrancar con log-bin.
    const fs::path registro = fs::path(sandbox.Valor("RT_SERVICIOS")) / "mysql.servicio";
    std::string servicio = LeeArchivo(registro);
    const auto arg = servicio.find("arg=");
    const auto fin = servicio.find('\n', arg);
    const std::string real = servicio.substr(arg + 4, fin - arg - 4);
    const fs::path guion = sandbox.Carpeta() / "mariadbd-exigente";
    EscribeArchivo(guion,
                   "#!/bin/bash\nfor a; do case $a in --defaults-file=*) f=${a#*=};; esac; done\n"
                   "grep -q '^log-bin' \"$f\" && { echo '[ERROR] no arranca' >&2; exit 1; }\n"
                   "exec " +
                       Comillas(real) + " \"$@\"\n");
    fs::permissions(guion, fs::perms::owner_all);
    EscribeArchivo(registro, servicio.replace(arg + 4, fin - arg - 4, guion.string()));

    Restaura(*w, 0);
    EXPECT_EQ(LeeArchivo(MyIni()), actual);
    EXPECT_EQ(Consulta("SELECT 1").filas.size(), 1u) << "el servidor contesta";
    ASSERT_FALSE(cajas.cajas.empty());
    EXPECT_NE(
        cajas.cajas.back().texto.find("No arrancó con los cambios; se restauró «" + MyIni() + "»"),
        std::string::npos)
        << cajas.cajas.back().texto;
    EXPECT_NE(cajas.cajas.back().texto.find("el servicio arrancó con la configuración anterior"),
              std::string::npos);
}

} // namespace
