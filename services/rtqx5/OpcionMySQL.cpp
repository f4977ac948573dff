#include "OpcionMySQL.h"

#include "Errores.h"

namespace rtqx5 {

namespace {

// Blanks the server trims from both ends of a value: the C blanks and, since it
// reads the file as latin1, the byte 0xA0 (the last byte of "à" in UTF-8).
bool BlancoMySQL(unsigned char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == 0xA0;
}

} // namespace

std::string ValorOpcionMySQL(const std::string& valor) {
    if (valor.find_first_of(std::string("\r\n\0", 3)) != std::string::npos)
        throw ErrorRT(kErrorArgumento,
                      "El valor de una opción de MySQL no puede tener saltos de línea ni "
                      "caracteres nulos");
    if (valor.find('\\') != std::string::npos)
        throw ErrorRT(kErrorArgumento,
                      "El valor \"" + valor +
                          "\" tiene una diagonal invertida (\\), que el servidor MySQL lee como "
                          "secuencia de escape; use \"/\" en las rutas y no la use en claves");
    if (valor.empty())
        return valor;

    const auto primero = static_cast<unsigned char>(valor.front());
    const auto ultimo = static_cast<unsigned char>(valor.back());
    const bool entreComillas =
        valor.size() >= 2 && (primero == '"' || primero == '\'') && primero == ultimo;
    // U+00A0 at the start is C2 A0 in UTF-8 but a single A0 in an ANSI file.
    const bool nbspInicial = valor.starts_with("\xC2\xA0");
    const bool hayQueCitar = valor.find('#') != std::string::npos || BlancoMySQL(primero) ||
                             BlancoMySQL(ultimo) || nbspInicial || entreComillas;
    if (!hayQueCitar)
        return valor;
    // Inside a pair of quotes "#" is no comment, as long as the value does not
    // hold the same quote, which would close the pair early.
    if (valor.find('"') == std::string::npos)
        return "\"" + valor + "\"";
    if (valor.find('\'') == std::string::npos)
        return "'" + valor + "'";
    throw ErrorRT(kErrorArgumento, "El valor \"" + valor +
                                       "\" tiene comillas dobles y simples y además \"#\" o "
                                       "blancos en los extremos: el servidor MySQL no lo puede "
                                       "leer tal cual");
}

std::uint16_t PuertoValido(const std::string& texto) {
    if (texto.empty())
        return 0;
    unsigned long n = 0;
    for (const char c : texto) {
        if (c < '0' || c > '9')
            return 0;
        n = n * 10 + static_cast<unsigned long>(c - '0');
        if (n > 65535)
            return 0;
    }
    return static_cast<std::uint16_t>(n);
}

} // namespace rtqx5
