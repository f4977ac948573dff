#include "Componentes.h"
#include "Servidor.h"
#include "Unicode.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

using namespace rtqx5;

namespace {

std::string Utf8(char32_t c) {
    std::string s;
    unicode::AgregaUtf8(s, c);
    return s;
}

// Random UTF-8 texts: ASCII (quotes, "=", ";", "#", blanks, control characters
// included), Spanish accents, other BMP characters and a few beyond it.
std::vector<std::string> TextosAlAzar(int cuantos) {
    std::mt19937 azar(20240611);
    const std::u32string acentos = U"áéíóúÁÉÍÓÚñÑüÜ¿¡€ç";
    std::vector<std::string> r;
    for (int n = 0; n < cuantos; ++n) {
        std::string s;
        const int largo = static_cast<int>(azar() % 41);
        for (int i = 0; i < largo; ++i) {
            switch (azar() % 4) {
            case 0:
                s += Utf8(static_cast<char32_t>(1 + azar() % 127));
                break;
            case 1:
                s += Utf8(acentos[azar() % acentos.size()]);
                break;
            case 2:
                s += Utf8(static_cast<char32_t>(0x100 + azar() % 0xD000));
                break;
            default:
                s += Utf8(static_cast<char32_t>(0x1F300 + azar() % 0x200));
            }
        }
        r.push_back(s);
    }
    return r;
}

bool CaracterPermitido(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

} // namespace

TEST(Encripta, TextoVacioEsVacio) {
    Utilerias u;
    EXPECT_EQ(u.Encripta(""), "");
    EXPECT_EQ(u.DesEncripta(""), "");
}

TEST(Encripta, IdaYVueltaConCualquierTextoUtf8) {
    Utilerias u;
    for (const auto& s : TextosAlAzar(2000)) {
        const std::string e = u.Encripta(s);
        EXPECT_EQ(u.DesEncripta(e), s) << "revuelto: " << e;
        for (char c : e)
            ASSERT_TRUE(CaracterPermitido(c)) << "carácter " << int(c) << " en " << e;
        if (!s.empty()) {
            EXPECT_NE(e, s);
        }
    }
}

TEST(Encripta, NoDejaVerElTextoNiRepiteUnPatron) {
    Utilerias u;
    const std::string e = u.Encripta("rootrootroot");
    EXPECT_EQ(e.find("root"), std::string::npos);
    // The same byte at another position is scrambled differently.
    EXPECT_NE(e.substr(0, 8), e.substr(8, 8));
    EXPECT_NE(u.Encripta("clave1"), u.Encripta("clave2"));
}

TEST(Encripta, TextoEscritoAManoSeDevuelveIgual) {
    Utilerias u;
    for (const std::string s :
         {"secreto", "root", "p@ss w0rd", "contraseña", "A", "AbCdEf", "Ab1", "  ", "=;#"})
        EXPECT_EQ(u.DesEncripta(s), s);
    // A scramble whose check character was altered is no scramble of ours.
    std::string e = u.Encripta("clave");
    e.back() = e.back() == '0' ? '1' : '0';
    EXPECT_EQ(u.DesEncripta(e), e);
}

TEST(Encripta, SobreviveAlArchivoIniYAlArchivoDeOpcionesDeMySQL) {
    pruebas::CarpetaTemporal tmp;
    const std::string ini = tmp.En("datos.ini");
    Utilerias u;
    libRTSA lib;
    const auto textos = TextosAlAzar(40);
    for (std::size_t i = 0; i < textos.size(); ++i) {
        const std::string clave = "clave" + std::to_string(i);
        lib.EscribeIni("client", clave, u.Encripta(textos[i]), ini);
        EXPECT_EQ(u.DesEncripta(lib.LeeIni("client", clave, ini)), textos[i]);
    }
    // A real option-file parser sees the value exactly as written.
    const std::string revuelto = u.Encripta("clave #con; \"comillas\" y ñ\\");
    lib.EscribeIni("client", "password", revuelto, ini);
    const std::string orden = "my_print_defaults --defaults-file='" + ini + "' client";
    FILE* p = ::popen(orden.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string salida;
    std::array<char, 4096> buf{};
    while (std::fgets(buf.data(), buf.size(), p))
        salida += buf.data();
    ASSERT_EQ(::pclose(p), 0) << salida;
    EXPECT_NE(salida.find("--password=" + revuelto + "\n"), std::string::npos) << salida;
}
