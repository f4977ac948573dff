#pragma once

#include "ArchivoOpciones.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The Qt-free parts of changing a server's option file: the whole new file
// made beside the original and checked before the service is touched, the
// atomic replacement (and the way back from the backup), and the journal that
// tells a later start of the program which service a cut-off run left stopped.
namespace pasos {

// The longest option line this program writes. The server's option reader
// splits a line at 4,094 bytes and reads the rest as a new option; every line
// stays far below that.
inline constexpr std::size_t kLineaOpcionMaxima = 1024;

// Throws ErrorRT(kErrorArgumento), naming the key, when its line as written
// ("clave=valor", the value as EscribeOpcion writes it) would be longer than
// kLineaOpcionMaxima, or when the value cannot reach the server as typed.
void RevisaLineaOpcion(const ClaveOpcion& opcion);

// Where the new file is made before it replaces `archivo`: beside it (beside
// the file a symbolic link names), under a name that ends neither in .ini nor
// in .cnf, so that no server reads it by a folder include.
std::string RutaArchivoNuevo(const std::string& archivo);

// Makes the whole new file at RutaArchivoNuevo(archivo): the bytes of
// `origen` (when given; else of `archivo`; nothing when it does not exist)
// with every key written by
// EscribeOpcion, flushed to disk, with the original's permissions. Every key
// is checked first (RevisaLineaOpcion) and `archivo` must be writable
// (file and folder), so nothing is made for a change that cannot be done.
// Returns the new file's path. Throws ErrorRT with a message that names
// `archivo` (and the key at fault); no new file is then left behind.
std::string PreparaArchivoNuevo(const std::string& archivo, const std::vector<ClaveOpcion>& claves,
                                const std::string& origen = {});

// The server-id for a second server beside the one of `archivo`: its
// [mysqld] server-id + 1, or 2 when it has none (or none that is a number).
std::string OtroIdServidor(const std::string& archivo);

// Asks the server binary of `rutaMySQL` (ending in the separator) whether it
// would start with the option file `archivo` as it stands (--verbose --help
// reads every option and exits without starting a server). Runs the command
// without a box, in `carpeta`.
Dictamen RevisaArchivoOpciones(const std::string& rutaMySQL, const std::string& archivo,
                               const std::string& carpeta);

// Puts `nuevo` (made by PreparaArchivoNuevo) in the place of `archivo` in one
// step: a rename on the same folder (on Windows ReplaceFile, or MoveFileEx
// with write-through). A reader sees the whole old file or the whole new one.
// Throws ErrorRT naming `archivo`; `nuevo` is then left as it was.
void InstalaArchivoNuevo(const std::string& nuevo, const std::string& archivo);

// Puts the backup's bytes back into `archivo` the same way (a new file beside
// it, then InstalaArchivoNuevo). An empty `respaldo` means there was no file
// before the change: `archivo` is removed. Throws ErrorRT.
void RestauraRespaldo(const std::string& respaldo, const std::string& archivo);

// Removes a new file that is not going to be used (no error when missing).
void DescartaArchivoNuevo(const std::string& nuevo);

// The port the server of an option file listens on: [mysqld] port, else
// 3306.
std::uint16_t PuertoDeArchivo(const std::string& archivo);

// ---- The journal of a change in progress ------------------------------------

struct Diario {
    std::string servicio;
    std::string archivo;
    std::string respaldo; // "" when the file did not exist before the change
    std::string puerto;
};

// The journal's path: "CambioServidor.ini" in the folder of the program's
// settings file `rutaConfiguracion`.
std::string RutaDiario(const std::string& rutaConfiguracion);

// Writes the journal in one step (replacing any earlier one). Every value,
// whatever its bytes (blanks, quotes, line breaks), reads back exactly as
// written. Throws ErrorRT, also for an empty service.
void EscribeDiario(const std::string& ruta, const Diario& diario);

// The journal, or nothing when there is none. A journal that is there but
// cannot be read, or names no service, or holds a value not written by
// EscribeDiario, throws ErrorRT naming the file: it is never taken as none.
std::optional<Diario> LeeDiario(const std::string& ruta);

// Removes the journal; false when it is still there.
bool BorraDiario(const std::string& ruta);

// Starts the service that a cut-off change left stopped (nothing to start
// when it runs already) and waits up to `esperaMs` for its server to answer
// on the journal's port; with `restaura`, the backup is put back first
// (RestauraRespaldo). Commands run without a box in `carpeta`. Returns ""
// when the server answers, else what failed.
std::string ReanudaServicio(const Diario& diario, bool restaura, const std::string& carpeta,
                            int esperaMs = 30000);

} // namespace pasos
