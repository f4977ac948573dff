#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Texts and file rules of the creation of a second MySQL instance: the
// command lines, the value of `datadir`, the data folder of the installed
// server and which files of its `mysql` folder a new instance can use.
// No Qt; all text is UTF-8.
namespace pasos {

// "<rutaMySQL>bin\mysqld" --install NOMBRE --defaults-file="<ini>".
// The name is quoted only when it needs it (ArgumentoLinea); the option file
// is always between double quotes.
std::string ComandoInstalaServicio(const std::string& rutaMySQL, const std::string& nombre,
                                   const std::string& ini);

// "net start NOMBRE" (the name quoted when it needs it).
std::string ComandoArrancaServicio(const std::string& nombre);

// "<rutaMySQL>bin\mysql_upgrade" --host=127.0.0.1 --port=P --protocol=tcp
// --user=U --password=C --force: recreates the system tables that a copy of
// the `mysql` folder cannot carry. Without a password the option is left out;
// with `enmascarada` it shows as "********" (for the log and the box).
std::string ComandoActualizaSistema(const std::string& rutaMySQL, const std::string& usuario,
                                    const std::string& clave, std::uint16_t puerto,
                                    bool enmascarada);

// The `datadir` value written into the new option file: the folder as typed,
// "\" turned into "/" (Windows), between double quotes.
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
