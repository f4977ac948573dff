// Reading INI files as the profile functions do (the R rows of the INI facts),
// plus the encodings the engine recognises.
#include "Componentes.h"
#include "Ini.h"
#include "Servidor.h"

#include <gtest/gtest.h>

namespace {

struct CasoLectura {
    const char* nombre;
    std::string contenido;
    const char* seccion;
    const char* clave;
    std::string esperado;
};

void PrintTo(const CasoLectura& c, std::ostream* os) {
    *os << c.nombre;
}

class IniLectura : public ::testing::TestWithParam<CasoLectura> {};

TEST_P(IniLectura, DaElValorDeLasFuncionesDePerfil) {
    const CasoLectura& c = GetParam();
    pruebas::CarpetaTemporal dir;
    const std::string archivo = dir.En("prueba.ini");
    pruebas::EscribeArchivo(archivo, c.contenido);
    EXPECT_EQ(rtqx5::ini::Lee(archivo, c.seccion, c.clave), c.esperado);
}

using namespace std::string_literals;

INSTANTIATE_TEST_SUITE_P(
    Tabla, IniLectura,
    ::testing::Values(
        // R1: names compare without case.
        CasoLectura{"R1_mayusculas", "[section1]\nname1=val1\n", "SECTION1", "NaMe1", "val1"},
        CasoLectura{"R1_acentos", "[Configuración]\nÑandú=sí\n", "CONFIGURACIÓN", "ñANDÚ", "sí"},
        // R2: blanks around names and values.
        CasoLectura{"R2_blancos", "[ s ]\n k =  v  \n", "s", "k", "v"},
        CasoLectura{"R2_tabuladores", "[s]\n\tk\t=\tv w\t\n", " s ", " k", "v w"},
        // R3: two equal outer quotes go, nothing else.
        CasoLectura{"R3_dobles", "[s]\nk=\"val2\"\n", "s", "k", "val2"},
        CasoLectura{"R3_blancos_dentro", "[s]\nk=\" a \"\n", "s", "k", " a "},
        CasoLectura{"R3_dobles_anidadas", "[s]\nk=\"\"x\"\"\n", "s", "k", "\"x\""},
        CasoLectura{"R3_sin_cierre", "[s]\nk=\"a\n", "s", "k", "\"a"},
        CasoLectura{"R3_distintas", "[s]\nk='a\"\n", "s", "k", "'a\""},
        CasoLectura{"R3_simples", "[s]\nk='b'\n", "s", "k", "b"},
        CasoLectura{"R3_una_sola", "[s]\nk=\"\n", "s", "k", "\""},
        // R4: ";" and "#" lines are comments; no comments inside a line.
        CasoLectura{"R4_punto_y_coma", "[s]\n;k=v\n", "s", "k", ""},
        CasoLectura{"R4_almohadilla", "[s]\n#k=v\n", "s", "#k", ""},
        CasoLectura{"R4_comentario_con_blancos", "[s]\n  ; k=v\nk=w\n", "s", "k", "w"},
        CasoLectura{"R4_sin_comentario_en_linea", "[s]\nk=diet ;gag\n", "s", "k", "diet ;gag"},
        CasoLectura{"R4_almohadilla_en_valor", "[s]\nk=ab#cd\n", "s", "k", "ab#cd"},
        // R5: a key without "=" reads empty.
        CasoLectura{"R5_sin_igual", "[s]\nname3\nk=v\n", "s", "name3", ""},
        // R6: the first key and the first section win.
        CasoLectura{"R6_primera_clave", "[s]\nk=1\nk=2\n", "s", "k", "1"},
        CasoLectura{"R6_primera_seccion", "[s]\nk=1\n[S]\nk=2\n", "s", "k", "1"},
        CasoLectura{"R6_solo_la_primera_seccion", "[s]\nj=1\n[s]\nk=2\n", "s", "k", ""},
        // R7: lines before the first section belong to none.
        CasoLectura{"R7_antes_de_seccion", "k=a\n[s]\nj=b\n", "", "k", ""},
        CasoLectura{"R7_no_en_la_siguiente", "k=a\n[s]\nj=b\n", "s", "k", ""},
        // R8: the line splits at its first "=".
        CasoLectura{"R8_primer_igual", "[s]\nk=a=b\n", "s", "k", "a=b"},
        // R9: an empty value.
        CasoLectura{"R9_vacio", "[s]\nk=\nj=x\n", "s", "k", ""},
        // R10: every line ending reads the same.
        CasoLectura{"R10_crlf", "[a]\r\nk=1\r\n[s]\r\nk=2\r\n", "s", "k", "2"},
        CasoLectura{"R10_cr", "[a]\rk=1\r[s]\rk=2\r", "s", "k", "2"},
        CasoLectura{"R10_mezcla", "[a]\rk=1\r\n[s]\nk=2", "s", "k", "2"},
        CasoLectura{"R10_sin_fin", "[s]\nk=2", "s", "k", "2"},
        // R11: UTF-16 is not understood: nothing is read from it.
        CasoLectura{"R11_utf16", "\xFF\xFE[\0s\0]\0\r\0\n\0k\0=\0v\0\r\0\n\0"s, "s", "k", ""},
        // R12: a UTF-8 byte-order mark is skipped.
        CasoLectura{"R12_bom", "\xEF\xBB\xBF[s]\nk=v\n", "s", "k", "v"},
        // Windows-1252 files are decoded to UTF-8.
        CasoLectura{"cp1252_seccion", "[Configuraci\xF3n]\nRuta=C:\\x\n", "Configuración", "ruta",
                    "C:\\x"},
        CasoLectura{"cp1252_mayusculas", "[Configuraci\xF3n]\nRuta=C:\\x\n", "CONFIGURACIÓN",
                    "RUTA", "C:\\x"},
        CasoLectura{"cp1252_valor", "[s]\nk=a\xF1o \x80\n", "s", "k", "año €"},
        CasoLectura{"cp1252_no_es_utf8", "[s]\nk=\xC3\n", "s", "k", "Ã"},
        // Other details.
        CasoLectura{"seccion_sin_cierre_no_cuenta", "[s]\n[t\nk=1\n", "s", "k", "1"},
        CasoLectura{"clave_en_otra_seccion", "[s]\nk=1\n[t]\n", "t", "k", ""},
        CasoLectura{"seccion_con_corchete", "[HKEY_LOCAL_MACHINE\\Software\\MySQL AB]\nL=c\n",
                    "hkey_local_machine\\software\\mysql ab", "l", "c"},
        CasoLectura{"vacio", "", "s", "k", ""}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST(IniLectura, ArchivoAusenteOCarpetaDaVacio) {
    pruebas::CarpetaTemporal dir;
    EXPECT_EQ(rtqx5::ini::Lee(dir.En("no-existe.ini"), "s", "k"), "");
    EXPECT_EQ(rtqx5::ini::Lee(dir.Ruta().string(), "s", "k"), "");
    EXPECT_EQ(rtqx5::ini::Lee(dir.En("falta/otro.ini"), "s", "k"), "");
}

TEST(IniLectura, LeeIniDeLibRTSAUsaElMotor) {
    pruebas::CarpetaTemporal dir;
    pruebas::EscribeArchivo(dir.En("a.ini"), "[mysqld]\r\nport = 3307\r\n");
    rtqx5::libRTSA lib;
    EXPECT_EQ(lib.LeeIni("MYSQLD", "Port", dir.En("a.ini")), "3307");
    lib.EscribeIni("mysqld", "port", "3308", dir.En("a.ini"));
    EXPECT_EQ(pruebas::LeeArchivo(dir.En("a.ini")), "[mysqld]\r\nport = 3308\r\n");
}

} // namespace
