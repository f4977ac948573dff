#include "Utf8.h"

namespace ejecucion::utf8 {

std::size_t Largo(std::string_view texto) {
    std::size_t n = 0;
    for (unsigned char b : texto) {
        if (!EsContinuacion(b)) {
            ++n;
        }
    }
    return n;
}

std::string_view Ultimos(std::string_view texto, std::size_t n) {
    if (n == 0) {
        return texto.substr(texto.size());
    }
    std::size_t pos = texto.size();
    std::size_t vistos = 0;
    while (pos > 0) {
        --pos;
        if (!EsContinuacion(static_cast<unsigned char>(texto[pos])) && ++vistos == n) {
            return texto.substr(pos);
        }
    }
    return texto;
}

char32_t Lee(std::string_view texto, std::size_t& pos) {
    const auto b = static_cast<unsigned char>(texto[pos]);
    const std::size_t largo = LargoSecuencia(b);
    if (largo == 1 || pos + largo > texto.size()) {
        ++pos;
        return b < 0x80 ? b : 0xFFFFFFFFu; // a stray byte is no character
    }
    char32_t c = b & (0x7F >> largo);
    for (std::size_t i = 1; i < largo; ++i) {
        const auto s = static_cast<unsigned char>(texto[pos + i]);
        if (!EsContinuacion(s)) {
            ++pos;
            return 0xFFFFFFFFu;
        }
        c = (c << 6) | (s & 0x3F);
    }
    pos += largo;
    return c;
}

} // namespace ejecucion::utf8
