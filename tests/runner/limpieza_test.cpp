// Tables for the output cleaner, the blank trimmer, the command-line splitter
// and the decoding of output bytes.

#include "EjecucionCMD.h"
#include "LineaComandos.h"
#include "ProcesoConsola.h"
#include "Utf8.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

using namespace ejecucion;

namespace {

struct Caso {
    const char* nombre;
    std::string entrada;
    std::string esperado;
};

void PrintTo(const Caso& c, std::ostream* os) {
    *os << c.nombre;
}

class LimpiaSalidaTabla : public ::testing::TestWithParam<Caso> {};

TEST_P(LimpiaSalidaTabla, Limpia) {
    EXPECT_EQ(LimpiaSalida(GetParam().entrada), GetParam().esperado);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, LimpiaSalidaTabla,
    ::testing::Values(Caso{"cuatro_palabras", "uno\ndos\rtres\r\n\r\ncuatro",
                           "uno\r\ndos\r\ntres\r\n\r\ncuatro"},
                      Caso{"solo_controles", std::string("\x01\x02\x1b\x07\0\x1f", 6), ""},
                      Caso{"tab_se_queda", "a\tb", "a\tb"},
                      Caso{"lf_lf_pierde_la_linea_vacia", "a\n\nb", "a\r\nb"},
                      Caso{"cr_lf_cr_lf_se_queda", "a\r\n\r\nb", "a\r\n\r\nb"},
                      Caso{"tres_lf", "a\n\n\nb", "a\r\n\r\nb"},
                      Caso{"cuatro_lf", "a\n\n\n\nb", "a\r\n\r\nb"},
                      Caso{"lf_cr", "a\n\rb", "a\r\nb"},
                      Caso{"escape_ansi", "\x1b[32mverde\x1b[0m", "[32mverde[0m"},
                      Caso{"del",
                           "a\x7f"
                           "b",
                           "ab"},
                      Caso{"c1_suprimidos", "a\u0081\u0090\u0093\u009fb", "ab"},
                      Caso{"c1_que_quedan", "\u0080\u0091\u0092", "\u0080\u0091\u0092"},
                      Caso{"acentos_y_signos", "¿Está? ñ € Š", "¿Está? ñ € Š"},
                      Caso{"control_entre_saltos", "a\r\x01\nb", "a\r\nb"}),
    [](const auto& info) { return std::string(info.param.nombre); });

// The six steps of the cleaner done literally, one after the other.
std::string LimpiaPasoAPaso(const std::string& texto) {
    std::string r;
    for (char c : texto) { // 1
        const auto b = static_cast<unsigned char>(c);
        if (b >= 32 || c == '\t' || c == '\n' || c == '\r') {
            r += c;
        }
    }
    for (char& c : r) { // 2
        if (c == '\n') {
            c = '\r';
        }
    }
    std::string crlf; // 3
    for (char c : r) {
        crlf += c == '\r' ? std::string("\r\n") : std::string(1, c);
    }
    std::string unidos; // 4
    for (std::size_t i = 0; i < crlf.size();) {
        if (crlf.compare(i, 4, "\r\n\r\n") == 0) {
            unidos += "\r\n";
            i += 4;
        } else {
            unidos += crlf[i++];
        }
    }
    std::string limpio; // 5 and 6
    for (std::size_t i = 0; i < unidos.size();) {
        const std::size_t inicio = i;
        const char32_t c = utf8::Lee(unidos, i);
        if (c != 0x7F && !EsCaracterSuprimido(c)) {
            limpio.append(unidos, inicio, i - inicio);
        }
    }
    return limpio;
}

// Random outputs of every length: long runs of plain text, line breaks,
// control codes, DEL, accents, suppressed characters and stray bytes (which a
// dropped control code can join into a suppressed character).
TEST(LimpiaSalida, IgualQueLosSeisPasosUnoTrasOtro) {
    const std::vector<std::string> piezas = {
        "a",        " ",
        "\t",       "\n",
        "\r",       "\r\n",
        "\x01",     "\x1b[0m",
        "\x7f",     "ñ",
        "€",        "\u0081",
        "\u0090",   "\u0092",
        "\u0093",   "\u009f",
        "\xc2",     "\x81",
        "\xe2\x82", "0123456789abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ-0123456789"};
    std::mt19937 azar(12);
    for (int caso = 0; caso < 3000; ++caso) {
        // Each case draws from a few of the pieces: some cases are pure ASCII.
        std::vector<std::string> usadas;
        for (const std::string& p : piezas) {
            if (azar() % 3 == 0) {
                usadas.push_back(p);
            }
        }
        usadas.push_back(piezas.back());
        std::string texto;
        const int n = static_cast<int>(azar() % 60);
        for (int i = 0; i < n; ++i) {
            texto += usadas[azar() % usadas.size()];
        }
        ASSERT_EQ(LimpiaSalida(texto), LimpiaPasoAPaso(texto)) << "caso " << caso;
    }
}

// A non-ASCII character or a stray byte at every offset of a long ASCII run.
TEST(DecodificaSalida, NoAsciiEnCualquierPosicion) {
    for (std::size_t pos = 0; pos < 40; ++pos) {
        const std::string antes(pos, 'a');
        const std::string despues(40 - pos, 'b');
        std::string pendiente;
        EXPECT_EQ(DecodificaSalida(pendiente, antes + "ñ" + despues, false), antes + "ñ" + despues);
        EXPECT_EQ(DecodificaSalida(pendiente, antes + "\xf1" + despues, false),
                  antes + "ñ" + despues);
        EXPECT_EQ(DecodificaSalida(pendiente, antes + "\xc3", false), antes);
        EXPECT_EQ(DecodificaSalida(pendiente, "\xb1" + despues, false), "ñ" + despues);
        EXPECT_TRUE(pendiente.empty());
    }
}

class QuitaBlancosTabla : public ::testing::TestWithParam<Caso> {};

TEST_P(QuitaBlancosTabla, Quita) {
    EXPECT_EQ(QuitaBlancos(GetParam().entrada), GetParam().esperado);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, QuitaBlancosTabla,
    ::testing::Values(Caso{"vacio", "", ""}, Caso{"solo_blancos", " \t\r\n \r\n", ""},
                      Caso{"ambos_lados", "\r\n\t hola mundo \r\n", "hola mundo"},
                      Caso{"interior_intacto", "a \r\n b", "a \r\n b"},
                      Caso{"otros_controles_no",
                           "\x0b"
                           "a\x0c",
                           "\x0b"
                           "a\x0c"}),
    [](const auto& info) { return std::string(info.param.nombre); });

struct CasoLinea {
    const char* nombre;
    std::string linea;
    std::vector<std::string> args;
};

void PrintTo(const CasoLinea& c, std::ostream* os) {
    *os << c.nombre;
}

class DivideLineaTabla : public ::testing::TestWithParam<CasoLinea> {};

TEST_P(DivideLineaTabla, Divide) {
    EXPECT_EQ(DivideLineaComandos(GetParam().linea), GetParam().args);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, DivideLineaTabla,
    ::testing::Values(
        CasoLinea{"vacia", "  \t ", {}},
        CasoLinea{"simple", "net start MySQL", {"net", "start", "MySQL"}},
        CasoLinea{"blancos_repetidos", "  a \t b  ", {"a", "b"}},
        CasoLinea{"defaults_file",
                  R"(mysqld --install QXmirror --defaults-file="C:\x y\a.ini")",
                  {"mysqld", "--install", "QXmirror", R"(--defaults-file=C:\x y\a.ini)"}},
        CasoLinea{"programa_entre_comillas",
                  R"("C:\Archivos de programa\MySQL\bin\mysqld" --x)",
                  {R"(C:\Archivos de programa\MySQL\bin\mysqld)", "--x"}},
        CasoLinea{"comillas_vacias", R"(p "" b)", {"p", "", "b"}},
        CasoLinea{"comilla_escapada", R"(p a\"b)", {"p", R"(a"b)"}},
        CasoLinea{"barras_pares_antes_de_comilla", R"(p "a\\" b)", {"p", R"(a\)", "b"}},
        CasoLinea{"barras_impares_antes_de_comilla", R"(p a\\\"b)", {"p", R"(a\"b)"}},
        CasoLinea{"barras_sin_comilla", R"(p a\\b\)", {"p", R"(a\\b\)"}},
        CasoLinea{"comillas_dobles_dentro", R"(p "a""b")", {"p", R"(a"b)"}},
        CasoLinea{"comilla_sin_cerrar", R"(p "a b)", {"p", "a b"}},
        CasoLinea{"pegadas", R"(p a"b c"d)", {"p", "ab cd"}},
        CasoLinea{"programa_con_barra_y_comilla", R"(C:\dir\"x y" z)", {R"(C:\dir\x y)", "z"}}),
    [](const auto& info) { return std::string(info.param.nombre); });

// ---- Decoding of output bytes ---------------------------------------------

TEST(DecodificaSalida, ByteNoUtf8SeLeeComo1252) {
    std::string pendiente;
    EXPECT_EQ(DecodificaSalida(pendiente,
                               "Compa\xf1\xed"
                               "a",
                               false),
              "Compañía");
    EXPECT_EQ(DecodificaSalida(pendiente, "\x80\x8a\x99", false), "€Š™");
    // Codes that 1252 leaves undefined keep their value (and the cleaner drops them).
    EXPECT_EQ(DecodificaSalida(pendiente, "\x81\x8d\x8f\x90\x9d", false),
              "\u0081\u008d\u008f\u0090\u009d");
    // Bytes that UTF-8 never allows, overlong forms and surrogates.
    EXPECT_EQ(DecodificaSalida(pendiente, "\xc0\xaf", false), "À¯");
    EXPECT_EQ(DecodificaSalida(pendiente, "\xed\xa0\x80", false), "í\u00a0€");
    EXPECT_TRUE(pendiente.empty());
}

// Every way of cutting a text between two reads gives the same characters.
TEST(DecodificaSalida, CaracterPartidoEntreLecturasSeConserva) {
    const std::string texto = "añ€😀z";
    for (std::size_t corte = 0; corte <= texto.size(); ++corte) {
        std::string pendiente;
        std::string r = DecodificaSalida(pendiente, texto.substr(0, corte), false);
        r += DecodificaSalida(pendiente, texto.substr(corte), false);
        EXPECT_EQ(r, texto) << "corte " << corte;
        EXPECT_TRUE(pendiente.empty());
    }
}

TEST(DecodificaSalida, ByteAByteYColaAlFinal) {
    std::string pendiente;
    std::string r;
    for (char c : std::string("¿Sí?")) {
        r += DecodificaSalida(pendiente, std::string(1, c), false);
    }
    EXPECT_EQ(r, "¿Sí?");
    // A lead byte left at the end of the output is a 1252 character.
    EXPECT_EQ(DecodificaSalida(pendiente, "x\xc3", false), "x");
    EXPECT_EQ(pendiente, "\xc3");
    EXPECT_EQ(DecodificaSalida(pendiente, "", true), "Ã");
    EXPECT_TRUE(pendiente.empty());
    // A cut sequence followed by a byte that cannot continue it.
    EXPECT_EQ(DecodificaSalida(pendiente, "\xe2\x82", false), "");
    EXPECT_EQ(DecodificaSalida(pendiente, "A", false), "â‚A");
}

} // namespace
