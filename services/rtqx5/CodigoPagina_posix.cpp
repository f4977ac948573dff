#include "CodigoPagina.h"

// Outside Windows the ANSI code page is Windows-1252 and new files are UTF-8.
namespace rtqx5 {

std::string AnsiAUtf8(std::string_view bytes) {
    return Cp1252AUtf8(bytes);
}

std::optional<std::string> Utf8AAnsi(std::string_view texto) {
    return Utf8ACp1252(texto);
}

Codificacion CodificacionNueva() {
    return Codificacion::Utf8;
}

} // namespace rtqx5
