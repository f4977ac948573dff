#pragma once

#include <string>
#include <vector>

namespace ejecucion {

// Splits a command line into arguments by the rules of the Windows C runtime,
// so that a command line written for Windows reaches a POSIX program as it
// would reach a Windows one:
//   - blanks (space, TAB) separate arguments outside double quotes;
//   - a double quote starts or ends a quoted stretch and is dropped; inside a
//     quoted stretch two double quotes give one literal double quote;
//   - 2n backslashes before a double quote give n backslashes (the quote
//     then acts as above); 2n+1 give n backslashes and a literal quote;
//     other backslashes are literal ("C:\x y" keeps its backslash);
//   - the first argument (the program) ends at the first blank outside
//     double quotes; its quotes are dropped and its backslashes are literal.
// `--defaults-file="C:\x y\a.ini"` gives the one argument
// `--defaults-file=C:\x y\a.ini`.
std::vector<std::string> DivideLineaComandos(const std::string& linea);

} // namespace ejecucion
