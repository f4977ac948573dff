#pragma once

#include <string>

namespace rtqx5 {

// Opens an existing document in the program the system associates with it and
// returns without waiting for that program. Throws ErrorRT when the opener
// cannot be started. One backend per platform: on Windows ShellExecute; on
// other systems the program named by RT_ABRIDOR, by default xdg-open, run
// detached with the path as its only argument. `mostrar` is the window state
// Windows passes on (1: normal).
void AbreConPrograma(const std::string& ruta, int mostrar);

} // namespace rtqx5
