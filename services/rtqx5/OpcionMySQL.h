#pragma once

#include <cstdint>
#include <string>

namespace rtqx5 {

// The text to write as the value of a MySQL option so that the server reads
// exactly `valor`: the value itself when the server reads it as it stands,
// enclosed in quotes when quoting is enough (a "#", blanks at either end, a
// value already between two equal quotes): double quotes, or single ones when
// the value holds a double quote. Throws ErrorRT(kErrorArgumento, Spanish
// message) when no spelling reaches the server as typed: a backslash (the
// server decodes escapes even inside quotes), both kinds of quote together
// with a reason to quote, or CR, LF or NUL.
std::string ValorOpcionMySQL(const std::string& valor);

// The port text as a number from 1 to 65535 (decimal digits only, leading
// zeros allowed); 0 when it is none.
std::uint16_t PuertoValido(const std::string& texto);

} // namespace rtqx5
