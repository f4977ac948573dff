#include "Componentes.h"
#include "Ini.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace rtqx5 {

std::string libRTSA::LeeIni(const std::string& seccion, const std::string& clave,
                            const std::string& archivo) {
    return ini::Lee(archivo, seccion, clave);
}

void libRTSA::EscribeIni(const std::string& seccion, const std::string& clave,
                         const std::string& valor, const std::string& archivo) {
    ini::Escribe(archivo, seccion, clave, valor);
}

namespace {

int ValorDigito(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return 99;
}

// "&H…" and "&O…" as Val reads them: a value that fits in 16 bits is an
// Integer and one that fits in 32 bits a Long, both signed ("&HFFFF" is -1).
double ValorBase(const std::string& s, int base) {
    double v = 0;
    for (std::size_t i = 2; i < s.size() && ValorDigito(s[i]) < base; ++i)
        v = v * base + ValorDigito(s[i]);
    if (v <= 0xFFFF)
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(v));
    if (v <= 0xFFFFFFFFu)
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    return v;
}

} // namespace

double libRTSA::rtval(const std::string& valor) {
    // Val ignores blanks, tabs and line breaks anywhere: "1 2" is 12.
    std::string s;
    for (char c : valor)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r')
            s += c;

    if (s.size() >= 2 && s[0] == '&') {
        if (s[1] == 'H' || s[1] == 'h')
            return ValorBase(s, 16);
        if (s[1] == 'O' || s[1] == 'o')
            return ValorBase(s, 8);
        return 0;
    }

    std::size_t i = 0;
    bool negativo = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negativo = s[i++] == '-';
    std::string entera, fraccion;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
        entera += s[i++];
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            fraccion += s[i++];
    }
    if (entera.empty() && fraccion.empty())
        return 0;
    std::string numero = (entera.empty() ? "0" : entera) + (fraccion.empty() ? "" : "." + fraccion);
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        std::size_t j = i + 1;
        std::string exponente = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            exponente += s[j++];
        const std::size_t inicio = exponente.size();
        while (j < s.size() && s[j] >= '0' && s[j] <= '9')
            exponente += s[j++];
        if (exponente.size() > inicio)
            numero += exponente;
    }

    // from_chars does not depend on the locale's decimal separator.
    double v = 0;
    const auto r = std::from_chars(numero.data(), numero.data() + numero.size(), v);
    if (r.ec == std::errc::result_out_of_range) {
        const auto e = numero.find('e');
        v = (e != std::string::npos && numero[e + 1] == '-') ? 0.0 : HUGE_VAL;
    }
    if (v == 0)
        return 0; // never -0
    return negativo ? -v : v;
}

} // namespace rtqx5
