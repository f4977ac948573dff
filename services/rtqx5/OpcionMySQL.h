#pragma once

#include <string>

namespace rtqx5 {

// The text to write as the value of a MySQL option so that the server reads
// exactly `valor`: the value itself when the server reads it as it stands,
// enclosed in double quotes when quoting is enough (a "#", blanks at either
// end). Throws ErrorRT(kErrorArgumento, Spanish message) when no spelling
// reaches the server as typed: a backslash (the server decodes escapes even
// inside quotes), a double quote, or CR, LF or NUL.
std::string ValorOpcionMySQL(const std::string& valor);

} // namespace rtqx5
