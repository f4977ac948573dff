#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

// The copy of the master's data to a slave, consistent at one position of the
// master's binary log: the dump to a file (the master locked only while it is
// read), its load into the slave and the log coordinates written in its
// header. No Qt; all text is UTF-8.
namespace pasos {

// The product's databases that go with the replicated one, when the master
// has them ("mysql" never goes: the slave keeps its own accounts).
inline constexpr const char* kBasesAcompanantes[] = {"catalogossat", "concentradorqxp",
                                                     "generalorvalo", "orvaloreportes"};

// The databases to copy: `principal` first, then those of kBasesAcompanantes
// found in `enMaestro` (compared without regard to case), each once.
std::vector<std::string> BasesACopiar(const std::string& principal,
                                      const std::vector<std::string>& enMaestro);

// Empty when the name can be handed to the dump program as a database; else
// why not (it would read as an option, or it holds a blank or a control
// character).
std::string MotivoBaseNoCopiable(const std::string& base);

// What the dump and the load need.
struct DatosCopia {
    std::string rutaMySQL;   // the MySQL folder, ending in its separator
    std::string opcionClave; // ClaveTemporal::Opcion(), or "" without password
    std::string host;
    std::string puerto;
    std::string usuario;
    std::string juegoCaracteres; // the master's character set
};

// "<bin\mysqldump>" [opcionClave] --host=H --port=P --protocol=tcp --user=U
// --lock-all-tables --master-data=2 --routines --triggers
// --default-character-set=C --verbose --result-file="<archivo>" --databases
// B…: every table of the master locked for reading while the dump runs, the
// coordinates of the binary log written as a comment near the top.
std::string ComandoVuelcaDatos(const DatosCopia& d, const std::vector<std::string>& bases,
                               const std::string& archivo);

// "<bin\mysql>" [opcionClave] --host=127.0.0.1 --port=P --protocol=tcp
// --user=U --default-character-set=C: the client that loads the dump, which
// it reads as its standard input (EjecutaCMD's ArchivoEntrada). The dump's
// path never reaches the client's own command reader, which would end a
// "source" file name at a ";" and run the rest of the line as SQL.
std::string ComandoCargaDatos(const DatosCopia& d);

// Where the master's binary log was when the dump read it.
struct CoordenadasLog {
    std::string archivo;
    std::uint64_t posicion = 0;
};

// The coordinates of "-- CHANGE MASTER TO MASTER_LOG_FILE='…',
// MASTER_LOG_POS=n;" (or CHANGE REPLICATION SOURCE TO SOURCE_LOG_FILE /
// SOURCE_LOG_POS) in the text of a dump's header; nothing when absent or not
// well formed (no closing quote, a position that is not a number). A line
// whose file name cannot be that of a binary log (MotivoArchivoLog: too long,
// a quote, backslash, blank, control character…) throws
// ErrorRT(kErrorArgumento) saying so, ready to follow "La copia se detuvo: ".
std::optional<CoordenadasLog> LeeCoordenadas(const std::string& cabecera);

// The same, read from the first lines of a dump file (the coordinates come
// before any table); nothing when the file cannot be read.
std::optional<CoordenadasLog> LeeCoordenadasArchivo(const std::string& ruta);

// The dump file's path: the folder (ending in its separator) +
// "copia-<base>-<yyyymmdd-hhnnss>.sql" (local time), any character of the
// name other than a letter, digit, "_" or "-" written as "_".
std::string NombreVolcado(const std::string& carpeta, const std::string& base, std::time_t cuando);

// Bytes as megabytes for a status line: one decimal below 10 MB, none from
// there on ("0.4", "182").
std::string Megabytes(std::uint64_t bytes);

} // namespace pasos
