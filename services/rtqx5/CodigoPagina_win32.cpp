#include "CodigoPagina.h"
#include "Win32Texto.h"

// The ANSI code page is the system's (GetACP): 1252 on a Spanish Windows.
namespace rtqx5 {

std::string AnsiAUtf8(std::string_view bytes) {
    return unicode::win32::Utf8(unicode::win32::DePagina(CP_ACP, bytes));
}

std::optional<std::string> Utf8AAnsi(std::string_view texto) {
    const auto ancho = unicode::win32::Ancho(texto);
    if (!ancho)
        return std::nullopt;
    return unicode::win32::APagina(GetACP(), *ancho);
}

Codificacion CodificacionNueva() {
    return Codificacion::Ansi;
}

} // namespace rtqx5
