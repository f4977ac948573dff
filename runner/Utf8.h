#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

// Character-level helpers over UTF-8 text (a character is a code point).
// Text that is not valid UTF-8 never reaches them from the runner; a stray
// byte counts as one character.
namespace ejecucion::utf8 {

// Length in bytes of the character that starts with byte `b` (1 for a stray
// continuation or invalid byte).
inline std::size_t LargoSecuencia(unsigned char b) {
    if (b < 0xC0) {
        return 1;
    }
    if (b < 0xE0) {
        return 2;
    }
    if (b < 0xF0) {
        return 3;
    }
    return b < 0xF8 ? 4 : 1;
}

inline bool EsContinuacion(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// Index of the first byte at or after `i` that is not ASCII (`n` when there is
// none). Looks at eight bytes at a time.
inline std::size_t FinAscii(const char* p, std::size_t i, std::size_t n) {
    constexpr std::uint64_t kAltos = 0x8080808080808080ull;
    for (;;) {
        for (std::uint64_t x; i + 8 <= n; i += 8) {
            std::memcpy(&x, p + i, 8);
            if ((x & kAltos) != 0) {
                break;
            }
        }
        for (const std::size_t fin = i + 8 < n ? i + 8 : n; i < fin; ++i) {
            if (static_cast<unsigned char>(p[i]) >= 0x80) {
                return i;
            }
        }
        if (i >= n) {
            return n;
        }
    }
}

// Number of characters.
std::size_t Largo(std::string_view texto);

// The last `n` characters (all of them when there are fewer).
std::string_view Ultimos(std::string_view texto, std::size_t n);

// Reads the character at `pos` and advances `pos` past it.
char32_t Lee(std::string_view texto, std::size_t& pos);

} // namespace ejecucion::utf8
