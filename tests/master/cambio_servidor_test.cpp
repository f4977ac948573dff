// El cambio de un servidor contra el servicio real del entorno de prueba: el
// servidor que no arranca con los cambios vuelve a la copia, el archivo que no
// se puede escribir no detiene nada, el servicio ya detenido no es una falla y
// una corrida cortada entre detener y arrancar se atiende al abrir de nuevo.
#include "CambioOpciones.h"
#include "EntornoProcedimiento.h"
#include "frmMaestro.h"

#include <QLineEdit>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

using pruebas::Comillas;
using pruebas::LeeArchivo;

class CambioServidorTest : public EntornoProcedimiento {
protected:
    // Corre el maestro con sus valores de diseño, contestando Sí.
    std::unique_ptr<frmMaestro> CorreMaestro() {
        auto w = std::make_unique<frmMaestro>();
        Muestra(*w);
        w->txtDato[1]->setText("127.0.0.1");
        cajas.respuestas = {rtqx5::vbYes};
        w->cmdProceder_Click();
        return w;
    }

    std::string Diario() const {
        return pasos::RutaDiario((sandbox.Programa() / "ReplicacionTesal.ini").string());
    }
    std::string EstadoMySQL() const {
        std::string salida;
        sandbox.Orden("net query MySQL", &salida);
        return salida;
    }
    std::vector<std::string> Respaldos() const {
        std::vector<std::string> r;
        for (const auto& e : fs::directory_iterator(sandbox.MySQL()))
            if (e.path().extension() == ".bak")
                r.push_back(e.path().string());
        return r;
    }
    bool EnBitacora(const std::string& linea) const {
        const auto b = Bitacora();
        return std::find(b.begin(), b.end(), linea) != b.end();
    }
    const std::string& AvisoFinal() const { return cajas.cajas.back().texto; }
};

// El servidor no arranca con las claves nuevas: my.ini vuelve a ser la copia
// byte a byte, el servicio corre con ella y el aviso final lo dice.
TEST_F(CambioServidorTest, SinArrancarConLosCambiosVuelveALaCopia) {
    // El servicio corre un guion que se niega a arrancar con log-bin.
    const fs::path registro = fs::path(sandbox.Valor("RT_SERVICIOS")) / "mysql.servicio";
    std::string servicio = LeeArchivo(registro);
    const auto arg = servicio.find("arg=");
    const auto fin = servicio.find('\n', arg);
    const std::string real = servicio.substr(arg + 4, fin - arg - 4);
    const fs::path guion = sandbox.Carpeta() / "mariadbd-exigente";
    pruebas::EscribeArchivo(
        guion,
        "#!/bin/bash\nfor a; do case $a in --defaults-file=*) f=${a#*=};; esac; done\n"
        "grep -q '^log-bin' \"$f\" && { echo '[ERROR] no arranca con log-bin' >&2; exit 1; }\n"
        "exec " +
            Comillas(real) + " \"$@\"\n");
    fs::permissions(guion, fs::perms::owner_all);
    pruebas::EscribeArchivo(registro, servicio.replace(arg + 4, fin - arg - 4, guion.string()));
    const std::string antes = LeeArchivo(MyIni());

    auto w = CorreMaestro();

    EXPECT_EQ(LeeArchivo(MyIni()), antes);
    EXPECT_EQ(Consulta("SELECT 1").filas.size(), 1u) << "el servidor contesta";
    const auto respaldos = Respaldos();
    ASSERT_EQ(respaldos.size(), 1u);
    EXPECT_NE(AvisoFinal().find("El proceso terminó con errores"), std::string::npos);
    EXPECT_NE(AvisoFinal().find("No arrancó con los cambios; se restauró «" + MyIni() +
                                "» desde «" + respaldos[0] +
                                "» y el servicio arrancó con la configuración anterior"),
              std::string::npos)
        << AvisoFinal();
    EXPECT_NE(AvisoFinal().find("Copia de respaldo: " + respaldos[0]), std::string::npos);
    EXPECT_FALSE(fs::exists(Diario()));
    EXPECT_FALSE(fs::exists(MyIni() + ".cambio"));
}

// my.ini o su carpeta de solo lectura: el servicio sigue corriendo, nada
// cambia y la falla nombra my.ini.
TEST_F(CambioServidorTest, ArchivoQueNoSePuedeEscribirNoDetieneNada) {
    for (const bool carpeta : {false, true}) {
        SCOPED_TRACE(carpeta ? "carpeta" : "archivo");
        cajas.cajas.clear();
        const std::string antes = LeeArchivo(MyIni());
        const fs::path bloqueado = carpeta ? sandbox.MySQL() : fs::path(MyIni());
        const auto permisos = fs::status(bloqueado).permissions();
        fs::permissions(bloqueado,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
        auto w = CorreMaestro();
        fs::permissions(bloqueado, permisos);

        EXPECT_NE(AvisoFinal().find("El proceso terminó con errores"), std::string::npos);
        EXPECT_NE(AvisoFinal().find("«" + MyIni() + "»"), std::string::npos) << AvisoFinal();
        EXPECT_EQ(AvisoFinal().find("opciones.ini"), std::string::npos) << AvisoFinal();
        EXPECT_FALSE(EnBitacora("net stop MySQL"));
        EXPECT_NE(EstadoMySQL().find("está iniciado"), std::string::npos);
        EXPECT_EQ(LeeArchivo(MyIni()), antes);
        EXPECT_FALSE(fs::exists(Diario()));
    }
}

// Un servicio ya detenido no es una falla: se dice y se arranca con los cambios.
// (Sin servidor, las sentencias de la cuenta sí fallan.)
TEST_F(CambioServidorTest, ServicioYaDetenidoArrancaConLosCambios) {
    auto w = std::make_unique<frmMaestro>();
    Muestra(*w);
    w->txtDato[1]->setText("127.0.0.1");
    ASSERT_EQ(sandbox.Orden("net stop MySQL"), 0);
    cajas.respuestas = {rtqx5::vbYes};
    w->cmdProceder_Click();

    for (const char* ajena : {"net stop", "net start", "no contestó", "No arrancó"})
        EXPECT_EQ(AvisoFinal().find(ajena), std::string::npos) << AvisoFinal();
    EXPECT_FALSE(EnBitacora("net stop MySQL"));
    EXPECT_TRUE(EnBitacora("El servicio MySQL ya estaba detenido"));
    EXPECT_TRUE(EnBitacora("net start MySQL"));
    EXPECT_TRUE(Consulta("SHOW MASTER STATUS").Valor("File").starts_with("qxlog-bin."));
}

// El programa muere entre detener y arrancar: my.ini queda entero, la nota
// queda, y al abrir de nuevo la ventana principal ofrece arrancar el servicio.
TEST_F(CambioServidorTest, CorridaCortadaSeAtiendeAlAbrirDeNuevo) {
    // Un net que mata al programa cuando este pide arrancar el servicio.
    pruebas::CarpetaTemporal corte;
    pruebas::EscribeArchivo(
        corte.Ruta() / "net",
        "#!/bin/bash\n[ \"${1,,}\" = start ] && [ -n \"${RT_PID_CORTE:-}\" ] && "
        "{ kill -KILL \"$RT_PID_CORTE\"; exit 2; }\nexec " +
            Comillas(sandbox.Valor("RT_RUTA_NET") + "/net") + " \"$@\"\n");
    fs::permissions(corte.Ruta() / "net", fs::perms::owner_all);
    const std::string auxiliar =
        std::string(std::getenv("RT_BINARIOS")) + "/tests/master/aux_corte";
    const int estado = std::system(("PATH=" + Comillas(corte.Ruta().string()) + ":\"$PATH\" " +
                                    Comillas(auxiliar) + " " +
                                    Comillas(sandbox.Programa().string()) + " >/dev/null 2>&1")
                                       .c_str());
    ASSERT_TRUE(WIFSIGNALED(estado) || (WIFEXITED(estado) && WEXITSTATUS(estado) == 137))
        << "el auxiliar no murió a media corrida: " << estado;

    ASSERT_TRUE(fs::exists(Diario()));
    EXPECT_NE(EstadoMySQL().find("está detenido"), std::string::npos);
    std::string leidas;
    ASSERT_EQ(sandbox.Orden("my_print_defaults --defaults-file=" + Comillas(MyIni()) + " mysqld",
                            &leidas),
              0);
    EXPECT_NE(leidas.find("--log-bin=qxlog-bin\n"), std::string::npos) << leidas;

    principal.reset();
    cajas.cajas.clear();
    cajas.respuestas = {rtqx5::vbYes};
    principal = std::make_unique<frmInicial>(QString::fromStdString(sandbox.Programa().string()),
                                             QStringLiteral("ReplicacionTesal"));
    ASSERT_EQ(cajas.cajas.size(), 2u);
    EXPECT_EQ(cajas.cajas[0].titulo, "Servicio detenido");
    EXPECT_EQ(cajas.cajas[0].estilo, rtqx5::vbYesNo | rtqx5::vbQuestion);
    EXPECT_NE(cajas.cajas[0].texto.find("servicio MySQL"), std::string::npos);
    EXPECT_NE(cajas.cajas[0].texto.find("«" + MyIni() + "»"), std::string::npos);
    EXPECT_EQ(cajas.cajas[1].texto, "El servicio MySQL arrancó con «" + MyIni() + "»");
    EXPECT_TRUE(Consulta("SHOW MASTER STATUS").Valor("File").starts_with("qxlog-bin."));
    EXPECT_FALSE(fs::exists(Diario()));
}

} // namespace
