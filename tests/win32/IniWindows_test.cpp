// El motor INI en Windows: archivos nuevos en la página ANSI con CR LF que
// GetPrivateProfileStringA de Windows lee como se escribieron, el reemplazo
// atómico con ReplaceFileW/MoveFileExW y la apertura de documentos.
#include "AbreConPrograma.h"
#include "Ayudas.h"
#include "CodigoPagina.h"
#include "Componentes.h"
#include "Errores.h"
#include "Ini.h"
#include "IniArchivo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <thread>

using namespace pruebas_win32;
namespace ini = rtqx5::ini;

namespace {

constexpr char kFalta[] = "<falta>";

std::string Bytes(const std::filesystem::path& ruta) {
    std::ifstream f(ruta, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

void Guarda(const std::filesystem::path& ruta, const std::string& bytes) {
    std::ofstream f(ruta, std::ios::binary | std::ios::trunc);
    f << bytes;
}

// Lo que lee Windows; kFalta cuando la clave falta. Nombres en ANSI.
std::string LeeWindows(const std::string& archivo, const std::string& seccion,
                       const std::string& clave) {
    char buf[1024] = {};
    const auto archivoAnsi = rtqx5::Utf8AAnsi(archivo);
    GetPrivateProfileStringA(seccion.c_str(), clave.c_str(), kFalta, buf, sizeof buf,
                             archivoAnsi.value().c_str());
    return buf;
}

std::vector<std::wstring> Contenido(const std::filesystem::path& carpeta) {
    std::vector<std::wstring> r;
    for (const auto& e : std::filesystem::directory_iterator(carpeta))
        r.push_back(e.path().filename().wstring());
    return r;
}

TEST(IniWindows, ArchivoNuevoEn1252ConCrLfQueWindowsLee) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "requiere la página 1252";
    CarpetaTemporal carpeta(L"rt-ini");
    const std::string archivo = carpeta.Archivo(L"ReplicacionTesal.ini");
    ini::Escribe(archivo, "Configuraci\xC3\xB3n", "Carpeta",
                 "C:\\A\xC3\xB1o\\\xC3\x91\x61nd\xC3\xBA");
    ini::Escribe(archivo, "Configuraci\xC3\xB3n", "Texto", "\"entre comillas\"");
    ini::Escribe(archivo, "frmDescripcion", "Izquierda", "120");
    ini::Escribe(archivo, "CONFIGURACI\xC3\x93N", "Vac\xC3\xAD\x61", "");

    EXPECT_EQ(Bytes(carpeta.Ruta() / L"ReplicacionTesal.ini"),
              "[Configuraci\xF3n]\r\n"
              "Carpeta=C:\\A\xF1o\\\xD1\x61nd\xFA\r\n"
              "Texto=\"entre comillas\"\r\n"
              "Vac\xED"
              "a=\r\n"
              "[frmDescripcion]\r\n"
              "Izquierda=120\r\n");

    EXPECT_EQ(LeeWindows(archivo, "Configuraci\xF3n", "Carpeta"), "C:\\A\xF1o\\\xD1\x61nd\xFA");
    EXPECT_EQ(LeeWindows(archivo, "Configuraci\xF3n", "Texto"), "entre comillas");
    EXPECT_EQ(LeeWindows(archivo, "Configuraci\xF3n",
                         "Vac\xED"
                         "a"),
              "");
    EXPECT_EQ(LeeWindows(archivo, "frmdescripcion", "IZQUIERDA"), "120");
    EXPECT_EQ(ini::Lee(archivo, "Configuraci\xC3\xB3n", "Texto"), "entre comillas");
}

// El mismo archivo leído por el motor y por GetPrivateProfileStringA.
struct CasoLectura {
    const char* nombre;
    const char* contenido; // bytes en 1252
    const char* seccion;
    const char* clave;
    const char* esperado; // nullptr: la clave falta
};

void PrintTo(const CasoLectura& c, std::ostream* os) {
    *os << c.nombre;
}

class MismaLecturaQueWindows : public ::testing::TestWithParam<CasoLectura> {};

TEST_P(MismaLecturaQueWindows, MotorYPerfilDeWindowsCoinciden) {
    const CasoLectura& c = GetParam();
    CarpetaTemporal carpeta(L"rt-lee");
    Guarda(carpeta.Ruta() / L"a.ini", c.contenido);
    const std::string archivo = carpeta.Archivo(L"a.ini");
    EXPECT_EQ(LeeWindows(archivo, c.seccion, c.clave), c.esperado ? c.esperado : kFalta);
    EXPECT_EQ(ini::Lee(archivo, rtqx5::AnsiAUtf8(c.seccion), rtqx5::AnsiAUtf8(c.clave)),
              rtqx5::AnsiAUtf8(c.esperado ? c.esperado : ""));
}

INSTANTIATE_TEST_SUITE_P(
    Win32, MismaLecturaQueWindows,
    ::testing::Values(
        CasoLectura{"SinMayusculas", "[section1]\r\nname1=val1\r\n", "SECTION1", "NaMe1", "val1"},
        CasoLectura{"Recortes", "[ s ]\r\n k =  v  \r\n", "s", "k", "v"},
        CasoLectura{"Comillas", "[s]\r\nk=\"val2\"\r\n", "s", "k", "val2"},
        CasoLectura{"ComillasConBlancos", "[s]\r\nk=\" a \"\r\n", "s", "k", " a "},
        CasoLectura{"ComillasDistintas", "[s]\r\nk='a\"\r\n", "s", "k", "'a\""},
        CasoLectura{"PuntoYComa", "[s]\r\n;k=v\r\n", "s", "k", nullptr},
        CasoLectura{"SinComentarioEnLinea", "[s]\r\nk=diet ;gag\r\n", "s", "k", "diet ;gag"},
        CasoLectura{"PrimeraGana", "[s]\r\nk=1\r\nk=2\r\n[s]\r\nk=3\r\n", "s", "k", "1"},
        CasoLectura{"AntesDeSeccion", "k=a\r\n[s]\r\n", "s", "k", nullptr},
        CasoLectura{"PrimerIgual", "[s]\r\nk=a=b\r\n", "s", "k", "a=b"},
        CasoLectura{"Vacio", "[s]\r\nk=\r\n", "s", "k", ""},
        CasoLectura{"SoloLF", "[s]\nx=1\nk=v\n", "s", "k", "v"},
        CasoLectura{"SoloCR", "[s]\rx=1\rk=v\r", "s", "k", "v"},
        CasoLectura{"Acentos", "[Configuraci\xF3n]\r\nA\xF1o=\xD1\r\n", "Configuraci\xF3n",
                    "a\xF1o", "\xD1"}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST(IniWindows, EscribirConservaElRestoYWindowsLeeLaClaveNueva) {
    CarpetaTemporal carpeta(L"rt-my");
    const auto ruta = carpeta.Ruta() / L"my.ini";
    Guarda(ruta, "; comentario\r\n[mysqld]\r\nport=3306\r\n\r\n[client]\r\nuser=root\r\n");
    const std::string archivo = carpeta.Archivo(L"my.ini");
    ini::Escribe(archivo, "mysqld", "server-id", "2");
    EXPECT_EQ(Bytes(ruta), "; comentario\r\n[mysqld]\r\nport=3306\r\nserver-id=2\r\n\r\n"
                           "[client]\r\nuser=root\r\n");
    EXPECT_EQ(LeeWindows(archivo, "mysqld", "server-id"), "2");
    EXPECT_EQ(LeeWindows(archivo, "client", "user"), "root");
    EXPECT_EQ(Contenido(carpeta.Ruta()), std::vector<std::wstring>{L"my.ini"});
}

// ---- Reemplazo atómico ------------------------------------------------------

TEST(ReemplazoWindows, ConservaAtributosYNoDejaTemporales) {
    CarpetaTemporal carpeta(L"rt-atr");
    const auto ruta = carpeta.Ruta() / L"oculto.ini";
    Guarda(ruta, "[a]\r\nk=1\r\n");
    ASSERT_TRUE(SetFileAttributesW(ruta.c_str(), FILE_ATTRIBUTE_HIDDEN));
    ini::ReemplazaArchivo(carpeta.Archivo(L"oculto.ini"), "[a]\r\nk=2\r\n");
    EXPECT_EQ(Bytes(ruta), "[a]\r\nk=2\r\n");
    EXPECT_TRUE(GetFileAttributesW(ruta.c_str()) & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_EQ(Contenido(carpeta.Ruta()), std::vector<std::wstring>{L"oculto.ini"});

    // Un archivo nuevo en una carpeta con acentos.
    CarpetaTemporal acentos(L"rt-a\u00f1o");
    ini::ReemplazaArchivo(acentos.Archivo(L"nuevo \u00f1.ini"), "x");
    EXPECT_EQ(Bytes(acentos.Ruta() / L"nuevo \u00f1.ini"), "x");
    EXPECT_EQ(Contenido(acentos.Ruta()).size(), 1u);
}

struct CasoFallo {
    const char* nombre;
    // Prepara el archivo; devuelve un handle que se cierra al final (o nullptr).
    HANDLE (*prepara)(const std::filesystem::path& archivo);
};

void PrintTo(const CasoFallo& c, std::ostream* os) {
    *os << c.nombre;
}

class FalloDeReemplazo : public ::testing::TestWithParam<CasoFallo> {};

TEST_P(FalloDeReemplazo, ElArchivoQuedaComoEstabaYSinTemporales) {
    CarpetaTemporal carpeta(L"rt-falla");
    const auto ruta = carpeta.Ruta() / L"my.ini";
    Guarda(ruta, "[mysqld]\r\nport=3306\r\n");
    const HANDLE retenido = GetParam().prepara(ruta);
    try {
        ini::Escribe(carpeta.Archivo(L"my.ini"), "mysqld", "port", "3308");
        ADD_FAILURE() << "se esperaba ErrorRT";
    } catch (const rtqx5::ErrorRT& e) {
        EXPECT_EQ(e.Numero(), rtqx5::kErrorArchivo);
        EXPECT_FALSE(e.Descripcion().empty());
    }
    if (retenido)
        CloseHandle(retenido);
    EXPECT_EQ(Bytes(ruta), "[mysqld]\r\nport=3306\r\n");
    EXPECT_EQ(Contenido(carpeta.Ruta()), std::vector<std::wstring>{L"my.ini"});
}

INSTANTIATE_TEST_SUITE_P(
    Win32, FalloDeReemplazo,
    ::testing::Values(CasoFallo{"SoloLectura",
                                [](const std::filesystem::path& a) -> HANDLE {
                                    SetFileAttributesW(a.c_str(), FILE_ATTRIBUTE_READONLY);
                                    return nullptr;
                                }},
                      // Otro programa lo tiene abierto sin permitir borrarlo ni escribirlo.
                      CasoFallo{"AbiertoPorOtro",
                                [](const std::filesystem::path& a) -> HANDLE {
                                    const HANDLE h =
                                        CreateFileW(a.c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                    nullptr, OPEN_EXISTING, 0, nullptr);
                                    return h == INVALID_HANDLE_VALUE ? nullptr : h;
                                }}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST(ReemplazoWindows, BorraLosTemporalesDeEscritoresMuertos) {
    // Un escritor que terminó: su identificador ya no corresponde a un proceso.
    PROCESS_INFORMATION pi{};
    STARTUPINFOW si{};
    si.cb = sizeof si;
    std::wstring linea = L"cmd /c exit 0";
    ASSERT_TRUE(CreateProcessW(nullptr, linea.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                               nullptr, nullptr, &si, &pi));
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    // Mientras su handle siga abierto, nadie más recibe ese identificador.
    const std::wstring muerto = std::to_wstring(pi.dwProcessId);
    const std::wstring vivo = std::to_wstring(GetCurrentProcessId());

    CarpetaTemporal carpeta(L"rt-huerfanos");
    Guarda(carpeta.Ruta() / L"my.ini", "[mysqld]\r\n");
    const std::vector<std::wstring> quedan = {
        L"~my.ini." + vivo + L"-1.tmp",     // de un escritor vivo
        L"~otro.ini." + muerto + L"-1.tmp", // de otro archivo
        L"~my.ini.x1-1.tmp",                // no es de un escritor
    };
    for (const auto& n : quedan)
        Guarda(carpeta.Ruta() / n, "x");
    Guarda(carpeta.Ruta() / (L"~my.ini." + muerto + L"-7.tmp"), "x");

    ini::Escribe(carpeta.Archivo(L"my.ini"), "mysqld", "port", "3308");
    CloseHandle(pi.hProcess);
    auto esperado = quedan;
    esperado.push_back(L"my.ini");
    auto hay = Contenido(carpeta.Ruta());
    std::sort(esperado.begin(), esperado.end());
    std::sort(hay.begin(), hay.end());
    EXPECT_EQ(hay, esperado);
}

TEST(ReemplazoWindows, CarpetaInexistenteYLecturas) {
    CarpetaTemporal carpeta(L"rt-lect");
    const std::string enFalta = carpeta.Archivo(L"no\\existe\\my.ini");
    EXPECT_THROW(ini::ReemplazaArchivo(enFalta, "x"), rtqx5::ErrorRT);
    EXPECT_FALSE(std::filesystem::exists(carpeta.Ruta() / L"no"));

    std::string bytes = "basura";
    EXPECT_EQ(ini::LeeArchivo(enFalta, bytes), ini::Lectura::NoExiste);
    EXPECT_EQ(ini::LeeArchivo(carpeta.Archivo(L"falta.ini"), bytes), ini::Lectura::NoExiste);
    EXPECT_EQ(ini::LeeArchivo(carpeta.Texto(), bytes), ini::Lectura::Error);
    Guarda(carpeta.Ruta() / L"a.ini", std::string("\0\xFF\r\n", 4));
    EXPECT_EQ(ini::LeeArchivo(carpeta.Archivo(L"a.ini"), bytes), ini::Lectura::Leido);
    EXPECT_EQ(bytes, std::string("\0\xFF\r\n", 4));
    EXPECT_STREQ(ini::FinDeLineaNuevo(), "\r\n");
}

// ---- Página ANSI --------------------------------------------------------------

TEST(CodigoPaginaWindows, AnsiDelSistemaSinParecidos) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "requiere la página 1252";
    EXPECT_EQ(rtqx5::AnsiAUtf8("\xF1\x80\x81"), "\xC3\xB1\xE2\x82\xAC\xC2\x81");
    EXPECT_EQ(rtqx5::Utf8AAnsi("\xC3\xB1\xE2\x82\xAC\xC2\x81"), std::string("\xF1\x80\x81"));
    // "ā" no existe en 1252: no se cambia por "a".
    EXPECT_EQ(rtqx5::Utf8AAnsi("\xC4\x81"), std::nullopt);
    EXPECT_EQ(rtqx5::Utf8AAnsi("\xFF"), std::nullopt);
    EXPECT_EQ(rtqx5::Utf8AAnsi(""), std::string());
    EXPECT_EQ(rtqx5::CodificacionNueva(), rtqx5::Codificacion::Ansi);
}

// ---- Archivos y carpetas con rutas UTF-8 -----------------------------------

TEST(DeArchivosWindows, RutasConAcentosLlegan) {
    CarpetaTemporal carpeta(L"rt-arch");
    rtqx5::DeArchivos archivos;
    const std::string nueva = carpeta.Texto() + "\\A\xC3\xB1o\\Configuraci\xC3\xB3n";
    EXPECT_FALSE(archivos.HayCarpeta(nueva));
    EXPECT_TRUE(archivos.CreaRuta(nueva));
    EXPECT_TRUE(
        std::filesystem::is_directory(carpeta.Ruta() / L"A\u00f1o" / L"Configuraci\u00f3n"));
    EXPECT_TRUE(archivos.HayCarpeta(nueva));

    const std::string origen = nueva + "\\my.ini";
    Guarda(carpeta.Ruta() / L"A\u00f1o" / L"Configuraci\u00f3n" / L"my.ini", "[mysqld]\r\n");
    EXPECT_TRUE(archivos.HayArchivo(origen));
    EXPECT_FALSE(archivos.HayArchivo(nueva));
    archivos.Copia(origen, nueva + "\\QXmirr\xC3\xB3r.ini");
    EXPECT_EQ(Bytes(carpeta.Ruta() / L"A\u00f1o" / L"Configuraci\u00f3n" / L"QXmirr\u00f3r.ini"),
              "[mysqld]\r\n");
}

// ---- Abrir un documento con su programa -------------------------------------

TEST(AbreDocumentoWindows, AbreConElProgramaAsociadoOInformaLaFalta) {
    const std::wstring clases = L"HKLM\\Software\\Classes\\";
    const std::wstring aux = (CarpetaPruebas() / L"aux_consola.exe").wstring();
    ASSERT_EQ(CorreYEspera(L"reg add \"" + clases + L".rtprueba\" /ve /d rtprueba.archivo /f"), 0);
    ASSERT_EQ(CorreYEspera(L"reg add \"" + clases +
                           L"rtprueba.archivo\\shell\\open\\command\" /ve /d \"\\\"" + aux +
                           L"\\\" marca \\\"%1\\\"\" /f"),
              0);
    CarpetaTemporal carpeta(L"rt-abre");
    const auto documento = carpeta.Ruta() / L"configuraci\u00f3n.rtprueba";
    Guarda(documento, "x");
    rtqx5::DeArchivos archivos;
    archivos.AbreDocumento(Utf8(documento.wstring()), 0, 1);
    const auto marca = carpeta.Ruta() / L"configuraci\u00f3n.rtprueba.abierto";
    for (int i = 0; i < 200 && !std::filesystem::exists(marca); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(std::filesystem::exists(marca));

    try {
        rtqx5::AbreConPrograma(carpeta.Archivo(L"falta.rtprueba"), 1);
        ADD_FAILURE() << "se esperaba ErrorRT";
    } catch (const rtqx5::ErrorRT& e) {
        EXPECT_EQ(e.Numero(), 53);
    }
    CorreYEspera(L"reg delete \"" + clases + L".rtprueba\" /f");
    CorreYEspera(L"reg delete \"" + clases + L"rtprueba.archivo\" /f");
}

} // namespace
