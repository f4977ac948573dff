#include "CodigoPagina.h"

#include "Unicode.h"

#include <cstdint>

namespace rtqx5 {

namespace {

// Decodes the character at i and advances i; false on a malformed sequence.
bool SiguienteUtf8(std::string_view s, std::size_t& i, char32_t& c) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        c = b0;
        ++i;
        return true;
    }
    int resto;
    char32_t minimo;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        resto = 1;
        minimo = 0x80;
        c = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        resto = 2;
        minimo = 0x800;
        c = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        resto = 3;
        minimo = 0x10000;
        c = b0 & 0x07;
    } else {
        return false;
    }
    if (s.size() - i <= static_cast<std::size_t>(resto))
        return false;
    for (int k = 1; k <= resto; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return false;
        c = (c << 6) | (b & 0x3F);
    }
    if (c < minimo || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return false;
    i += resto + 1;
    return true;
}

// Lower-case partner of an upper-case letter of the Latin, Greek and Cyrillic
// blocks; other characters are their own.
char32_t Minuscula(char32_t c) {
    if (c >= 'A' && c <= 'Z')
        return c + 0x20;
    if (c < 0xC0)
        return c;
    if (c <= 0xDE)
        return c == 0xD7 ? c : c + 0x20;
    if (c >= 0x100 && c <= 0x137 && c != 0x130)
        return c | 1;
    if (c == 0x130)
        return 'i';
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E))
        return (c & 1) ? c + 1 : c;
    if (c >= 0x14A && c <= 0x177)
        return c | 1;
    if (c == 0x178)
        return 0xFF;
    if ((c >= 0x391 && c <= 0x3A9 && c != 0x3A2))
        return c + 0x20;
    if (c >= 0x410 && c <= 0x42F)
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    return c;
}

} // namespace

std::string PliegaMayusculas(std::string_view texto) {
    std::string s;
    s.reserve(texto.size());
    std::size_t i = 0;
    while (i < texto.size()) {
        char32_t c;
        if (SiguienteUtf8(texto, i, c)) {
            unicode::AgregaUtf8(s, Minuscula(c));
        } else {
            s += texto[i]; // a malformed byte compares as itself
            ++i;
        }
    }
    return s;
}

bool EsUtf8Valido(std::string_view bytes) {
    std::size_t i = 0;
    char32_t c;
    while (i < bytes.size())
        if (!SiguienteUtf8(bytes, i, c))
            return false;
    return true;
}

std::string Cp1252AUtf8(std::string_view bytes) {
    std::string s;
    s.reserve(bytes.size() + bytes.size() / 4);
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        unicode::AgregaUtf8(s, unicode::DeCp1252(b));
    }
    return s;
}

std::optional<std::string> Utf8ACp1252(std::string_view texto) {
    std::string s;
    s.reserve(texto.size());
    std::size_t i = 0;
    while (i < texto.size()) {
        char32_t c;
        if (!SiguienteUtf8(texto, i, c))
            return std::nullopt;
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            s += static_cast<char>(c);
            continue;
        }
        bool hallado = false;
        for (int k = 0; k < 32; ++k) {
            if (unicode::kCp1252Alto[k] == c) {
                s += static_cast<char>(0x80 + k);
                hallado = true;
                break;
            }
        }
        if (!hallado)
            return std::nullopt;
    }
    return s;
}

} // namespace rtqx5
