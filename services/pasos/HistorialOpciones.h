#pragma once

#include <optional>
#include <string>
#include <vector>

// The history of an option file: the backups that the runs leave beside it
// (NombreRespaldo), what each run changed in [mysqld] and [client], and the
// keys a restore would change. No Qt. All text is UTF-8.
namespace pasos {

// A backup name taken apart: "<archivo>.<yyyymmdd-hhnnss>[-n].bak".
struct NombreDeRespaldo {
    std::string fecha; // "dd/mm/aaaa hh:nn:ss"
    std::string marca; // "yyyymmdd-hhnnss", which orders by time
    int orden = 1;     // n of "-n"; 1 without it
};

// The date and order of `nombre` (a file name, no folder) when it is a backup
// of the file named `archivo` (file name, no folder): the file's name (its case
// as the file system gives it, compared without regard to ASCII case), ".",
// a valid date and time, an optional "-n" (n ≥ 2), ".bak".
std::optional<NombreDeRespaldo> LeeNombreRespaldo(const std::string& archivo,
                                                  const std::string& nombre);

struct Respaldo {
    std::string ruta;
    NombreDeRespaldo nombre;
};

// The backups of `archivo` in its folder, newest first (by date and time,
// then by order). None when the folder cannot be read.
std::vector<Respaldo> RespaldosDe(const std::string& archivo);

// One key as the server reads it: its name as written in the file and its
// value without two equal outer quotes.
struct ValorOpcion {
    std::string clave;
    std::string valor;
};

// The keys of the sections [mysqld] and [client] of an option file.
struct OpcionesLeidas {
    bool legible = false;
    std::string motivo; // why it is not a readable option file
    // Per section ("mysqld", then "client"), by key in the order of their
    // first line; a key written twice keeps the last value, as the server
    // reads it. Section names compare without regard to case; key names as
    // the server compares them ("-" and "_" alike).
    std::vector<std::pair<std::string, std::vector<ValorOpcion>>> secciones;
};

// Reads the file. Not legible: it cannot be read, it holds NUL bytes (UTF-16
// or a binary file), or the server would stop at it (an option before any
// [group], a "[" line without "]").
OpcionesLeidas LeeOpciones(const std::string& archivo);

// The same from the bytes of a file.
OpcionesLeidas LeeOpcionesDeTexto(const std::string& bytes);

// One key that differs between two versions.
struct CambioClave {
    std::string seccion;
    std::string clave;
    std::optional<std::string> antes;   // nothing: the key was added
    std::optional<std::string> despues; // nothing: the key was removed
};

// The keys that differ from `antes` to `despues`, section by section, in the
// order of `antes` and then the keys only `despues` has.
std::vector<CambioClave> DiferenciaOpciones(const OpcionesLeidas& antes,
                                            const OpcionesLeidas& despues);

// "clave: antes → después"; an added key "clave: (no estaba) → valor", a
// removed one "clave: valor → (se quitó)"; keys whose name holds "password"
// show "********"; a key of [client] goes as "[client] clave". An empty value
// shows as "(vacío)".
std::string TextoCambio(const CambioClave& cambio);

// The text (a server's refusal may quote an option line) with the value of
// every key of `opciones` whose name holds "password" shown as "********".
std::string OcultaSecretos(std::string texto, const OpcionesLeidas& opciones);

} // namespace pasos
