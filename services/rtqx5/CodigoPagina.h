#pragma once

#include <optional>
#include <string>
#include <string_view>

// Code pages of text files. The core works in UTF-8; a file keeps its own
// encoding, which is UTF-8 or the ANSI code page.
namespace rtqx5 {

enum class Codificacion { Utf8, Ansi };

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool EsUtf8Valido(std::string_view bytes);

// The UTF-8 text with Latin (accented letters included), Greek and Cyrillic
// capitals made small: two names are equal without regard to case when their
// folded forms are equal ("CONFIGURACIÓN" and "Configuración").
std::string PliegaMayusculas(std::string_view texto);

// Windows-1252 to UTF-8. The five bytes 1252 leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) become U+0081… as on Windows, so every byte round-trips.
std::string Cp1252AUtf8(std::string_view bytes);
// UTF-8 to Windows-1252; nullopt when a character has no byte in 1252 or the
// text is not valid UTF-8.
std::optional<std::string> Utf8ACp1252(std::string_view texto);

// --- Per platform (CodigoPagina_posix.cpp / CodigoPagina_win32.cpp) ---

// The ANSI code page: the system's on Windows, Windows-1252 elsewhere.
std::string AnsiAUtf8(std::string_view bytes);
// nullopt when a character cannot be represented in the ANSI code page.
std::optional<std::string> Utf8AAnsi(std::string_view texto);
// Encoding of the text files this program creates: the ANSI code page on
// Windows, UTF-8 elsewhere. Also used for files holding only ASCII.
Codificacion CodificacionNueva();

} // namespace rtqx5
