#pragma once

#include <array>
#include <string>

// Lo mínimo de Unicode que comparten la biblioteca y el ejecutor (ambos sin Qt):
// escribir un carácter en UTF-8 y la tabla de Windows-1252.
namespace unicode {

// Caracteres de los bytes 0x80–0x9F en Windows-1252; los cinco bytes sin
// definir (0x81, 0x8D, 0x8F, 0x90, 0x9D) conservan su valor, como con
// MultiByteToWideChar, así que cada byte va y vuelve.
inline constexpr std::array<char32_t, 32> kCp1252Alto = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// El carácter que un byte representa en Windows-1252.
inline char32_t DeCp1252(unsigned char b) {
    return b >= 0x80 && b < 0xA0 ? kCp1252Alto[b - 0x80] : char32_t{b};
}

// Agrega el carácter c a destino en UTF-8.
inline void AgregaUtf8(std::string& destino, char32_t c) {
    if (c < 0x80) {
        destino += static_cast<char>(c);
    } else if (c < 0x800) {
        destino += static_cast<char>(0xC0 | (c >> 6));
        destino += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        destino += static_cast<char>(0xE0 | (c >> 12));
        destino += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        destino += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        destino += static_cast<char>(0xF0 | (c >> 18));
        destino += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        destino += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        destino += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace unicode
