#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Texts and file rules of the creation of a second MySQL instance: the
// command lines, the value of `datadir`, the data folder of the installed
// server and which files of its `mysql` folder a new instance can use.
// No Qt; all text is UTF-8.
namespace pasos {

// "<rutaMySQL>bin\mysqld" --install NOMBRE --defaults-file="<ini>".
// The name is quoted only when it needs it and is never read as an option
// (ArgumentoSuelto); the option file is always between double quotes.
std::string ComandoInstalaServicio(const std::string& rutaMySQL, const std::string& nombre,
                                   const std::string& ini);

// "net start NOMBRE" (the name quoted when it needs it).
std::string ComandoArrancaServicio(const std::string& nombre);

// "<rutaMySQL>bin\mysqld" --remove NOMBRE: removes the service registration.
std::string ComandoQuitaServicio(const std::string& rutaMySQL, const std::string& nombre);

// "<rutaMySQL>bin\mysql_upgrade" [<opcionClave>] --host=127.0.0.1 --port=P
// --protocol=tcp --user=U --force: recreates the system tables that a copy of
// the `mysql` folder cannot carry. The password never goes on the command
// line: `opcionClave` is ClaveTemporal::Opcion() (first option, as the
// program requires), or "" without a password.
std::string ComandoActualizaSistema(const std::string& rutaMySQL, const std::string& opcionClave,
                                    const std::string& usuario, std::uint16_t puerto);

// The `datadir` value written into the new option file: the folder as typed,
// "\" turned into "/" (Windows), between double quotes. Throws
// ErrorRT(kErrorArgumento) for a folder the server would not read as typed:
// one holding a double quote, CR, LF, NUL or (outside Windows) a backslash.
std::string ValorDatadir(const std::string& carpeta);

// The data folder of the installed server from the `datadir` of its option
// file: "/" turned into the system's separator, final separator ensured.
std::string CarpetaDatosOriginal(const std::string& datadir);

// False for a folder that cannot be the source of the copy of the system
// database: empty, or nothing but separators (the root of the file system),
// or the root of a drive ("C:\").
bool OrigenDeCopia(const std::string& carpeta);

// True when both paths name the same existing folder (a copy onto itself).
bool MismaCarpeta(const std::string& una, const std::string& otra);

// True when both paths name the same file or folder as Windows reads them:
// "/" and "\" alike, final separators ignored, letters compared without
// regard to case; or both exist and are the same.
bool MismaRuta(const std::string& una, const std::string& otra);

// The outermost folder of `carpeta` that does not exist yet (what creating
// `carpeta` with all its parents adds); "" when `carpeta` exists.
std::string PrimeraCarpetaNueva(const std::string& carpeta);

// The whole content of a file; nothing when it does not exist or cannot be
// read (to tell afterwards whether a step wrote it).
std::optional<std::string> LeeArchivoEntero(const std::string& ruta);

struct ArchivosSistema {
    std::vector<std::string> copiar;
    // Files of tables whose .ibd stands beside their .frm: InnoDB tables whose
    // data lives partly in the server's shared tablespace, useless in a new
    // data folder.
    std::vector<std::string> omitir;
};

// Splits the file names of a `mysql` folder, keeping their order. A table
// whose "<name>.frm" and "<name>.ibd" are both present leaves out every file
// "<name>.*"; names compare without regard to case.
ArchivosSistema SeparaArchivosSistema(const std::vector<std::string>& nombres);

} // namespace pasos
