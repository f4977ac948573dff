// El ejecutor de comandos con su backend Win32, sobre programas de Windows
// reales (cmd.exe de Wine y aux_consola.exe).
#include "Ayudas.h"
#include "EjecucionCMD.h"
#include "ProcesoConsola.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

using namespace ejecucion;
using namespace pruebas_win32;

namespace {

struct Corrida {
    bool ok = false;
    std::string bloque;
    std::string salida;
    std::int32_t codigo = -1;
};

class EjecutorWin32 : public ::testing::Test {
protected:
    void TearDown() override {
        PonBombaEventos(nullptr);
        EXPECT_EQ(EstadoCMD, kCmdLibre);
        EXPECT_TRUE(EntradaCMD.empty());
    }

    Corrida Corre(const std::string& comando, const std::string& carpeta = "",
                  const std::string& indicador = "", std::uint8_t modo = kModoAgrega,
                  std::int32_t maxSalida = -1) {
        Corrida c;
        c.ok = EjecutaCMD(comando, carpeta.empty() ? CarpetaPruebasTexto() : carpeta, indicador,
                          &caja, true, modo, c.bloque, c.salida, maxSalida, c.codigo);
        return c;
    }

    static std::string CarpetaPruebasTexto() { return Utf8(CarpetaPruebas().wstring()); }

    CajaPrueba caja;
};

TEST_F(EjecutorWin32, EcoDeCmdLlegaConCrLfALaCajaYALaSalida) {
    const Corrida c = Corre("cmd /c echo hola");
    EXPECT_TRUE(c.ok);
    EXPECT_EQ(c.codigo, 0);
    EXPECT_EQ(c.salida, "hola\r\n");
    EXPECT_EQ(caja.texto, "hola\r\n");
}

struct CasoCodigo {
    const char* nombre;
    const char* comando; // %AUX% se cambia por aux_consola.exe
    int codigo;
};

void PrintTo(const CasoCodigo& c, std::ostream* os) {
    *os << c.nombre;
}

class CodigoDeSalida : public EjecutorWin32, public ::testing::WithParamInterface<CasoCodigo> {};

TEST_P(CodigoDeSalida, SeEntregaSinJuzgarlo) {
    std::string comando = GetParam().comando;
    const auto p = comando.find("%AUX%");
    if (p != std::string::npos)
        comando.replace(p, 5, AuxConsola());
    const Corrida c = Corre(comando);
    EXPECT_TRUE(c.ok);
    EXPECT_EQ(c.codigo, GetParam().codigo);
    EXPECT_EQ(c.salida, "");
    EXPECT_EQ(caja.texto, "");
}

INSTANTIATE_TEST_SUITE_P(Win32, CodigoDeSalida,
                         ::testing::Values(CasoCodigo{"CmdExit3", "cmd /c exit 3", 3},
                                           CasoCodigo{"Cero", "%AUX% sale 0", 0},
                                           CasoCodigo{"Byte", "%AUX% sale 255", 255},
                                           CasoCodigo{"Negativo", "%AUX% sale -2", -2}),
                         [](const auto& info) { return std::string(info.param.nombre); });

TEST_F(EjecutorWin32, ProgramaInexistenteDaFalsoYCajaVacia) {
    caja.texto = "de antes";
    const Corrida c = Corre("programa_que_no_existe_rt.exe /x");
    EXPECT_FALSE(c.ok);
    EXPECT_EQ(c.codigo, 0);
    EXPECT_EQ(caja.texto, "");
}

TEST_F(EjecutorWin32, CarpetaDeTrabajoInexistenteDaFalso) {
    const Corrida c = Corre("cmd /c echo x", "C:\\no\\existe\\rt-carpeta");
    EXPECT_FALSE(c.ok);
    EXPECT_EQ(c.codigo, 0);
}

TEST_F(EjecutorWin32, CorreEnLaCarpetaDadaAunqueLleveAcentos) {
    CarpetaTemporal carpeta(L"carpeta ñandú");
    const Corrida c = Corre("cmd /c echo x> creado.txt", carpeta.Texto());
    EXPECT_TRUE(c.ok);
    EXPECT_EQ(c.codigo, 0);
    EXPECT_TRUE(std::filesystem::exists(carpeta.Ruta() / L"creado.txt"));

    CarpetaTemporal ascii(L"rt-cd");
    const Corrida cd = Corre("cmd /c cd", ascii.Texto());
    EXPECT_EQ(cd.salida, ascii.Texto() + "\r\n");
}

TEST_F(EjecutorWin32, LineaConCaracterFueraDeLaPaginaAnsiNoSeEjecuta) {
    // "ā" no existe en 1252: CreateProcessA recibiría "?" en su lugar.
    if (GetACP() != 1252)
        GTEST_SKIP() << "requiere la página 1252";
    CarpetaTemporal carpeta(L"rt-ansi");
    const Corrida c = Corre("cmd /c echo x> \xC4\x81.txt", carpeta.Texto());
    EXPECT_FALSE(c.ok);
    EXPECT_TRUE(std::filesystem::is_empty(carpeta.Ruta()));
}

TEST_F(EjecutorWin32, SalidaDeErrorVaAlMismoTubo) {
    const Corrida c = Corre(AuxConsola() + " stderr");
    EXPECT_EQ(c.salida, "por stderr\r\n");
}

TEST_F(EjecutorWin32, SinIndicadorElProgramaNoTieneEntrada) {
    const Corrida c = Corre(AuxConsola() + " entrada");
    EXPECT_TRUE(c.ok);
    EXPECT_EQ(c.salida, "sin entrada");
}

TEST_F(EjecutorWin32, Bytes80a9FPorLaPagina1252) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "requiere la página 1252 (LC_ALL=es_ES.UTF-8)";
    const Corrida c = Corre(AuxConsola() + " bytes");
    // Quedan 0x80 (€), 0x91 y 0x92 (comillas simples); á y ñ llegan en 1252.
    EXPECT_EQ(c.salida, "A\xE2\x82\xAC\xE2\x80\x98\xE2\x80\x99Z\xC3\xA1\xC3\xB1");
    EXPECT_EQ(caja.texto, c.salida);
}

TEST_F(EjecutorWin32, SalidaGrandeLlegaEnteraEnBloques) {
    const Corrida c = Corre(AuxConsola() + " grande 30000");
    EXPECT_TRUE(c.ok);
    ASSERT_EQ(c.salida.size(), 30003u);
    EXPECT_EQ(c.salida.substr(29990), std::string(10, 'x') + "FIN");
    EXPECT_LE(c.bloque.size(), kBloqueLectura);
    EXPECT_TRUE(c.bloque.ends_with("FIN"));
    EXPECT_EQ(caja.texto, c.salida);
}

struct CasoRespuesta {
    const char* nombre;
    const char* respuesta;
    int codigo;
    const char* eco;
};

void PrintTo(const CasoRespuesta& c, std::ostream* os) {
    *os << c.nombre;
}

class RespuestaAlIndicador : public EjecutorWin32,
                             public ::testing::WithParamInterface<CasoRespuesta> {};

TEST_P(RespuestaAlIndicador, SeEscribeUnaVezEnLaPaginaAnsi) {
    bool vioEspera = false;
    int respuestas = 0;
    PonBombaEventos([&] {
        if (EstadoCMD == kCmdEsperandoRespuesta && EntradaCMD.empty()) {
            vioEspera = true;
            EntradaCMD = GetParam().respuesta;
            ++respuestas;
        }
    });
    const Corrida c = Corre(AuxConsola() + " pregunta", "", "?");
    EXPECT_TRUE(c.ok);
    EXPECT_TRUE(vioEspera);
    EXPECT_EQ(respuestas, 1);
    EXPECT_EQ(c.codigo, GetParam().codigo);
    EXPECT_EQ(c.salida, std::string("Continuar (S/N)?\r\nRespuesta: [") + GetParam().eco + "]\r\n");
}

INSTANTIATE_TEST_SUITE_P(Win32, RespuestaAlIndicador,
                         ::testing::Values(CasoRespuesta{"Si", "S\r\n", 0, "S"},
                                           CasoRespuesta{"No", "N\r\n", 1, "N"},
                                           CasoRespuesta{"Enie", "\xC3\xB1\r\n", 1, "\xC3\xB1"}),
                         [](const auto& info) { return std::string(info.param.nombre); });

TEST_F(EjecutorWin32, IndicadorDeDosCaracteresNoDetieneLaLectura) {
    // Nunca se espera respuesta; una respuesta puesta de antemano se escribe
    // igual, porque hay entrada.
    int esperas = 0;
    int bombeos = 0;
    PonBombaEventos([&] {
        esperas += EstadoCMD == kCmdEsperandoRespuesta;
        if (++bombeos == 10)
            EntradaCMD = "N\r\n";
    });
    const Corrida c = Corre(AuxConsola() + " pregunta", "", "N)?");
    EXPECT_TRUE(c.ok);
    EXPECT_EQ(esperas, 0);
    EXPECT_EQ(c.codigo, 1);
    EXPECT_EQ(c.salida, "Continuar (S/N)?\r\nRespuesta: [N]\r\n");
}

// Una petición de alto llega desde un evento bombeado: el programa termina
// con código 0 y EjecutaCMD vuelve enseguida, aunque el programa no escriba.
struct CasoAlto {
    const char* nombre;
    const char* argumentos; // tras aux_consola.exe
    bool conCmd;            // lanzado a través de "cmd /c"
};

void PrintTo(const CasoAlto& c, std::ostream* os) {
    *os << c.nombre;
}

class AltoPedido : public EjecutorWin32, public ::testing::WithParamInterface<CasoAlto> {};

TEST_P(AltoPedido, TerminaConCodigoCeroSinCongelarse) {
    const CasoAlto& caso = GetParam();
    int bombeos = 0;
    PonBombaEventos([&] {
        ++bombeos;
        // Con salida: se detiene tras "listo"; sin ella, tras unos bombeos.
        if (caja.texto.find("listo") != std::string::npos || bombeos == 20)
            EstadoCMD = kCmdDetener;
    });
    const std::string comando =
        (caso.conCmd ? "cmd /c " : "") + AuxConsola() + " " + caso.argumentos;
    const auto t0 = std::chrono::steady_clock::now();
    const Corrida c = Corre(comando);
    const auto segundos =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_TRUE(c.ok);
    EXPECT_EQ(c.codigo, 0);
    EXPECT_LT(segundos, 10.0);
    EXPECT_GE(bombeos, 2);

    // El programa que escribió su identificador ya no existe, tampoco cuando
    // lo lanzó cmd.
    const auto p = c.salida.find("listo ");
    if (p != std::string::npos) {
        const DWORD pid = std::stoul(c.salida.substr(p + 6));
        const HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        if (h) {
            EXPECT_EQ(WaitForSingleObject(h, 5000), WAIT_OBJECT_0) << "sigue vivo: " << pid;
            // TerminateProcess con código 0, no un final cualquiera.
            DWORD codigo = 99;
            EXPECT_TRUE(GetExitCodeProcess(h, &codigo));
            EXPECT_EQ(codigo, 0u);
            CloseHandle(h);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Win32, AltoPedido,
                         ::testing::Values(CasoAlto{"Eterno", "eterno", false},
                                           CasoAlto{"Callado", "callado", false},
                                           CasoAlto{"HijoDeCmd", "eterno", true}),
                         [](const auto& info) { return std::string(info.param.nombre); });

TEST_F(EjecutorWin32, AltoEnLaEsperaDeRespuesta) {
    PonBombaEventos([] {
        if (EstadoCMD == kCmdEsperandoRespuesta)
            EstadoCMD = kCmdDetener;
    });
    const Corrida c = Corre(AuxConsola() + " pregunta", "", "?");
    EXPECT_TRUE(c.ok);
    EXPECT_EQ(c.codigo, 0);
    EXPECT_EQ(c.salida, "Continuar (S/N)?");
}

// Un archivo como entrada estándar llega entero al programa, aunque su ruta
// lleve lo que la página ANSI no tiene; mientras corre, la ventana sabe
// cuánto lleva leído.
TEST_F(EjecutorWin32, ArchivoDeEntradaLlegaEnteroYDiceCuantoSeLeyo) {
    CarpetaTemporal carpeta(L"rt-entrada; 'x' \u00F1 \u4E2D");
    const std::string archivo = carpeta.Archivo(L"volcado;DROP.sql");
    std::string bytes;
    std::uint32_t suma = 2166136261u;
    for (int i = 0; i < 70000; ++i) {
        bytes += static_cast<char>(i % 256);
        suma = (suma ^ static_cast<unsigned char>(i % 256)) * 16777619u;
    }
    {
        std::ofstream f(std::filesystem::path(Ancho(archivo)), std::ios::binary);
        f << bytes;
    }
    Corrida c;
    c.ok = EjecutaCMD(AuxConsola() + " suma", "", "", &caja, true, kModoAgrega, c.bloque, c.salida,
                      -1, c.codigo, archivo);
    EXPECT_TRUE(c.ok);
    EXPECT_EQ(c.salida, "bytes 70000 suma " + std::to_string(suma));

    std::vector<std::int64_t> posiciones;
    PonBombaEventos([&] {
        if (caja.texto == "leidos")
            posiciones.push_back(PosicionEntradaCMD());
    });
    c.ok = EjecutaCMD(AuxConsola() + " lee 1000", "", "", &caja, true, kModoAgrega, c.bloque,
                      c.salida, -1, c.codigo, archivo);
    EXPECT_TRUE(c.ok);
    ASSERT_FALSE(posiciones.empty());
    EXPECT_EQ(posiciones.back(), 1000);
    EXPECT_EQ(PosicionEntradaCMD(), -1);
    // Sin archivo no hay posición; un archivo que falta no arranca nada.
    PonBombaEventos([&] { posiciones.push_back(PosicionEntradaCMD()); });
    EXPECT_TRUE(Corre(AuxConsola() + " entrada").ok);
    EXPECT_EQ(posiciones.back(), -1);
    EXPECT_FALSE(EjecutaCMD(AuxConsola() + " suma", "", "", &caja, true, kModoAgrega, c.bloque,
                            c.salida, -1, c.codigo, carpeta.Archivo(L"falta.sql")));
}

} // namespace
