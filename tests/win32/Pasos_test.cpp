// Los textos de los procedimientos con separadores de Windows, y la consulta
// al servidor de la carpeta de MySQL con un mysqld de prueba bajo Wine.
#include "ArchivoOpciones.h"
#include "Ayudas.h"
#include "EjecucionCMD.h"
#include "SumiderosHostiles.h"
#include "TextosProcedimiento.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include <ctime>
#include <fstream>
#include <sstream>

namespace {

using namespace pruebas_win32;

TEST(PasosWin32, LineasDeOrdenesConLaCarpetaDeMySQLDeWindows) {
    const std::string mysql = "C:\\Archivos de programa\\MySQL\\MySQL Server 5.1\\";
    EXPECT_EQ(pasos::ProgramaMySQL(mysql, "mysqld"),
              "\"C:\\Archivos de programa\\MySQL\\MySQL Server 5.1\\bin\\mysqld\"");
    EXPECT_EQ(pasos::ComandoValidaOpciones("C:\\MySQL\\", "C:\\Temp\\opciones.ini"),
              "\"C:\\MySQL\\bin\\mysqld\" --defaults-file=\"C:\\Temp\\opciones.ini\" --verbose "
              "--help");
    EXPECT_EQ(pasos::ComandoNet("stop", "QXmirror"), "net stop QXmirror");

    std::tm t{};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 11;
    t.tm_mday = 8;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 7;
    t.tm_isdst = -1;
    const std::time_t cuando = std::mktime(&t);
    EXPECT_EQ(pasos::NombreRespaldo("C:\\MySQL\\my.ini", cuando),
              "C:\\MySQL\\my.ini.20261208-090507.bak");
    EXPECT_EQ(pasos::NombreRespaldo("C:\\MySQL\\my.ini", cuando, 2),
              "C:\\MySQL\\my.ini.20261208-090507-2.bak");
}

// Cada argumento citado llega al programa tal cual, por las reglas del CRT.
TEST(PasosWin32, ArgumentoLineaLlegaIntactoAlPrograma) {
    const std::vector<std::string> argumentos = {
        "simple", "con blanco", "", "comilla\"dentro", "C:\\ruta con\\", "\\\\\"x", "cl'a\\ve#1"};
    std::string linea = AuxConsola() + " argumentos";
    std::string esperado;
    for (const auto& a : argumentos) {
        linea += " " + pasos::ArgumentoLinea(a);
        esperado += "[" + a + "]\r\n";
    }
    std::string bloque, salida;
    std::int32_t codigo = -1;
    ASSERT_TRUE(ejecucion::EjecutaCMD(linea, "", "", nullptr, false, ejecucion::kModoSinCaja,
                                      bloque, salida, -1, codigo));
    EXPECT_EQ(codigo, 0);
    EXPECT_EQ(salida, esperado);
}

// Los valores hostiles del proyecto en cada línea de órdenes, con la carpeta de
// MySQL de Windows, separados por el CommandLineToArgvW de Windows mismo: cada
// argumento llega intacto, o el armador lo rechaza por lo que declara.
TEST(PasosWin32, ValoresHostilesLleganIntactosPorCommandLineToArgvW) {
    const auto divide = [](const std::string& linea) {
        int n = 0;
        LPWSTR* argumentos = CommandLineToArgvW(Ancho(linea).c_str(), &n);
        std::vector<std::string> r;
        for (int i = 0; argumentos && i < n; ++i)
            r.push_back(Utf8(argumentos[i]));
        LocalFree(argumentos);
        return r;
    };
    pruebas::Prueba(
        pruebas::SumiderosLineaOrdenes(divide, "C:\\Archivos de programa\\MySQL Server 5.1\\"));
}

// La carpeta de MySQL con blancos y un mysqld que rechaza una clave: la
// consulta escribe las claves en una copia, nunca en el archivo.
TEST(PasosWin32, ElServidorDeLaCarpetaDeMySQLJuzgaUnaCopia) {
    CarpetaTemporal carpeta(L"rt-pasos");
    const auto bin = carpeta.Ruta() / L"MySQL Server 5.1" / L"bin";
    std::filesystem::create_directories(bin);
    std::filesystem::copy_file(CarpetaPruebas() / L"aux_consola.exe", bin / L"mysqld.exe");
    const std::string mysql = carpeta.Archivo(L"MySQL Server 5.1") + "\\";
    const std::string ini = mysql + "my.ini";
    {
        std::ofstream f(std::filesystem::path(Ancho(ini)), std::ios::binary);
        f << "[mysqld]\r\nport=3306\r\n";
    }
    const std::string antes = Lee(ini);

    const std::vector<pasos::ClaveOpcion> buenas = {{"mysqld", "log-bin", "qxlog-bin"},
                                                    {"mysqld", "server-id", "1"}};
    const pasos::Dictamen acepta = pasos::ValidaOpciones(mysql, ini, buenas, carpeta.Texto());
    EXPECT_TRUE(acepta.acepta) << acepta.motivo;

    auto malas = buenas;
    malas.push_back({"mysqld", "clave-desconocida", "1"});
    const pasos::Dictamen rechaza = pasos::ValidaOpciones(mysql, ini, malas, carpeta.Texto());
    EXPECT_FALSE(rechaza.acepta);
    EXPECT_EQ(rechaza.motivo,
              "081208 10:20:53 [ERROR] mysqld: unknown variable 'clave-desconocida=1'");
    EXPECT_EQ(Lee(ini), antes);

    const pasos::Dictamen sinServidor =
        pasos::ValidaOpciones(carpeta.Texto() + "\\otra\\", ini, buenas, carpeta.Texto());
    EXPECT_FALSE(sinServidor.acepta);
    EXPECT_NE(sinServidor.motivo.find("No se pudo ejecutar el servidor de MySQL"),
              std::string::npos);
}

} // namespace
