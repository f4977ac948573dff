// El backend Win32 del ejecutor, llamado directamente, y el texto de la página
// ANSI del sistema.
#include "Ayudas.h"
#include "ProcesoConsola.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>

using namespace ejecucion;
using namespace pruebas_win32;

namespace {

using Reloj = std::chrono::steady_clock;

double Segundos(Reloj::time_point desde) {
    return std::chrono::duration<double>(Reloj::now() - desde).count();
}

// Lee hasta Fin (o hasta `limite` segundos) y devuelve todo lo leído.
std::string LeeHastaFin(ProcesoConsola& p, double limite, bool& fin) {
    std::string todo;
    std::string datos;
    const auto t0 = Reloj::now();
    fin = false;
    while (Segundos(t0) < limite) {
        const Lectura l = p.Espera(20, datos);
        if (l == Lectura::Fin) {
            fin = true;
            break;
        }
        todo += datos;
    }
    return todo;
}

TEST(ProcesoConsolaWin32, EsperaNuncaPasaDelPlazo) {
    ProcesoConsola p;
    ASSERT_TRUE(p.Inicia(AuxConsola() + " callado", "", false));
    std::string datos = "basura";
    auto t0 = Reloj::now();
    EXPECT_EQ(p.Espera(0, datos), Lectura::NadaAun);
    EXPECT_TRUE(datos.empty());
    EXPECT_LT(Segundos(t0), 0.2);
    t0 = Reloj::now();
    EXPECT_EQ(p.Espera(50, datos), Lectura::NadaAun);
    const double s = Segundos(t0);
    EXPECT_GE(s, 0.03);
    EXPECT_LT(s, 0.5);
    EXPECT_TRUE(p.Termina());
    EXPECT_EQ(p.CodigoSalida(), 0);
}

TEST(ProcesoConsolaWin32, FinTraeElCodigoYEscribirDespuesFallaSinExcepcion) {
    ProcesoConsola p;
    ASSERT_TRUE(p.Inicia(AuxConsola() + " sale 5", "", true));
    bool fin = false;
    EXPECT_EQ(LeeHastaFin(p, 10, fin), "");
    ASSERT_TRUE(fin);
    EXPECT_EQ(p.CodigoSalida(), 5);
    EXPECT_FALSE(p.Escribe("S\r\n"));
}

TEST(ProcesoConsolaWin32, SinEntradaEscribeDevuelveFalso) {
    ProcesoConsola p;
    ASSERT_TRUE(p.Inicia("cmd /c echo hola", "", false));
    EXPECT_FALSE(p.Escribe("x"));
    bool fin = false;
    EXPECT_EQ(LeeHastaFin(p, 10, fin), "hola\r\n");
    EXPECT_TRUE(fin);
}

TEST(ProcesoConsolaWin32, HijoQueRetieneElTuboNoImpideElFin) {
    // cmd termina; el programa que dejó en marcha sigue con la salida abierta.
    ProcesoConsola p;
    ASSERT_TRUE(p.Inicia("cmd /c start /b \"\" " + AuxConsola() + " eterno", "", false));
    bool fin = false;
    const auto t0 = Reloj::now();
    const std::string leido = LeeHastaFin(p, 15, fin);
    EXPECT_TRUE(fin);
    EXPECT_LT(Segundos(t0), 10.0);
    EXPECT_EQ(p.CodigoSalida(), 0);
    // El alto termina también lo que quedó en marcha.
    const auto pos = leido.find("listo ");
    ASSERT_NE(pos, std::string::npos) << leido;
    const DWORD pid = std::stoul(leido.substr(pos + 6));
    const HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(WaitForSingleObject(h, 0), static_cast<DWORD>(WAIT_TIMEOUT));
    // cmd ya había terminado: no se detiene nada y su código se queda.
    EXPECT_FALSE(p.Termina());
    EXPECT_EQ(p.CodigoSalida(), 0);
    EXPECT_EQ(WaitForSingleObject(h, 5000), WAIT_OBJECT_0);
    CloseHandle(h);
}

// Un alto pedido cuando el programa ya terminó solo no lo detiene: conserva su
// código de salida y lo que no se había leído.
TEST(ProcesoConsolaWin32, TerminaTrasElFinConservaCodigoYSalida) {
    ProcesoConsola p;
    ASSERT_TRUE(p.Inicia("cmd /c echo hola& exit 5", "", false));
    Sleep(1500);
    EXPECT_FALSE(p.Termina());
    bool fin = false;
    EXPECT_EQ(LeeHastaFin(p, 10, fin), "hola\r\n");
    EXPECT_TRUE(fin);
    EXPECT_EQ(p.CodigoSalida(), 5);
}

// Un net.exe ajeno junto al ejecutable y en la carpeta de trabajo (el
// programa corre como administrador desde una carpeta que su usuario puede
// escribir): "net" sigue siendo el del sistema. El ajeno (aux_consola
// "argumentos") devolvería sus argumentos entre corchetes.
TEST(ProcesoConsolaWin32, ProgramaSinCarpetaEsElDelSistema) {
    CarpetaTemporal trabajo(L"rt-net-ajeno");
    const auto ajeno = CarpetaPruebas() / L"net.exe";
    const auto auxiliar = CarpetaPruebas() / L"aux_consola.exe";
    ASSERT_TRUE(CopyFileW(auxiliar.c_str(), ajeno.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(auxiliar.c_str(), (trabajo.Ruta() / L"net.exe").c_str(), FALSE));
    ProcesoConsola p;
    ASSERT_TRUE(p.Inicia("net argumentos ajeno", trabajo.Texto(), false, {}));
    bool fin = false;
    const std::string salida = LeeHastaFin(p, 10, fin);
    DeleteFileW(ajeno.c_str());
    EXPECT_TRUE(fin);
    EXPECT_EQ(salida.find("[ajeno]"), std::string::npos) << salida;
    EXPECT_FALSE(salida.empty()) << "el net del sistema dice su uso";
}

TEST(ProcesoConsolaWin32, LineaVaciaNoArranca) {
    ProcesoConsola p;
    EXPECT_FALSE(p.Inicia("", "", false));
}

// ---- Texto de la página 1252 ------------------------------------------------

struct CasoSuprimido {
    char32_t c;
    bool suprimido;
};

void PrintTo(const CasoSuprimido& c, std::ostream* os) {
    *os << std::hex << static_cast<unsigned>(c.c);
}

class Suprimido1252 : public ::testing::TestWithParam<CasoSuprimido> {};

TEST_P(Suprimido1252, CaracteresDeLosCodigos129a144y147a159) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "requiere la página 1252";
    EXPECT_EQ(EsCaracterSuprimido(GetParam().c), GetParam().suprimido)
        << std::hex << static_cast<unsigned>(GetParam().c);
}

INSTANTIATE_TEST_SUITE_P(Win32, Suprimido1252,
                         ::testing::Values(CasoSuprimido{U'\u0081',
                                                         true}, // 0x81, sin definir en 1252
                                           CasoSuprimido{U'\u201A', true},  // 0x82
                                           CasoSuprimido{U'\u0090', true},  // 0x90
                                           CasoSuprimido{U'\u201C', true},  // 0x93
                                           CasoSuprimido{U'\u0178', true},  // 0x9F
                                           CasoSuprimido{U'\u20AC', false}, // 0x80 se queda
                                           CasoSuprimido{U'\u2018', false}, // 0x91 se queda
                                           CasoSuprimido{U'\u2019', false}, // 0x92 se queda
                                           CasoSuprimido{U'\u00A0', false},
                                           CasoSuprimido{U'a', false}, CasoSuprimido{U'\0', false}),
                         [](const auto& info) {
                             char nombre[16];
                             std::snprintf(nombre, sizeof nombre, "U%04X",
                                           static_cast<unsigned>(info.param.c));
                             return std::string(nombre);
                         });

TEST(TextoWin32, DecodificaYCodificaEnLaPagina1252) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "requiere la página 1252";
    std::string pendiente;
    EXPECT_EQ(DecodificaSalida(pendiente, "\x80\xE1\xF1", false), "\xE2\x82\xAC\xC3\xA1\xC3\xB1");
    EXPECT_TRUE(pendiente.empty());
    EXPECT_EQ(CodificaEntrada("\xC3\xB1\xE2\x82\xAC\r\n"), "\xF1\x80\r\n");
}

// ---- Página de doble byte (932): corre con LC_ALL=ja_JP.UTF-8 ---------------

TEST(Pagina932, CaracterPartidoEntreLecturasSeJunta) {
    if (GetACP() != 932)
        GTEST_SKIP() << "requiere la página 932";
    std::string pendiente;
    EXPECT_EQ(DecodificaSalida(pendiente, "a\x82", false), "a");
    EXPECT_EQ(pendiente, "\x82");
    EXPECT_EQ(DecodificaSalida(pendiente, "\xA0z", false), "\xE3\x81\x82z"); // "あz"
    EXPECT_TRUE(pendiente.empty());
    // Al final no se guarda nada.
    EXPECT_FALSE(DecodificaSalida(pendiente, "\x82", true).empty());
    EXPECT_TRUE(pendiente.empty());
}

TEST(Pagina932, ElEjecutorJuntaElCaracterPartido) {
    if (GetACP() != 932)
        GTEST_SKIP() << "requiere la página 932";
    CajaPrueba caja;
    std::string bloque, salida;
    std::int32_t codigo = -1;
    ASSERT_TRUE(EjecutaCMD(AuxConsola() + " partido", "", "", &caja, true, kModoAgrega, bloque,
                           salida, -1, codigo));
    EXPECT_EQ(salida, "a\xE3\x81\x82z");
    EXPECT_EQ(caja.texto, salida);
}

} // namespace
