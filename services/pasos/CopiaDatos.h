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

// A base table of the databases to copy, as the master's information_schema
// tells it.
struct TablaCopia {
    std::string base;
    std::string nombre;
    std::string motor;       // ENGINE ("" when the server does not know it)
    std::uint64_t bytes = 0; // DATA_LENGTH
};

// TABLE_SCHEMA, TABLE_NAME, ENGINE, DATA_LENGTH of the base tables of the
// databases, and the tables out of its rows.
std::string ConsultaTablasCopia(const std::vector<std::string>& bases,
                                bool diagonalLiteral = false);
std::vector<TablaCopia> LeeTablasCopia(const std::vector<std::vector<std::string>>& filas);

// How the dump keeps the copy consistent at one position of the master's log.
struct ModoVolcado {
    // True when every table is InnoDB: one transaction reads them all
    // (--single-transaction), and the server holds its global lock only for
    // an instant, to read the position. False: --lock-all-tables, the master
    // read-only for the whole dump.
    bool transaccional = false;
    // The first table that is not InnoDB, and its engine.
    std::string tabla;
    std::string motor;
};
ModoVolcado EligeModoVolcado(const std::vector<TablaCopia>& tablas);

// For the window: "la tabla articulos es MyISAM: el MAESTRO quedará en solo
// lectura mientras se copia", or that every table is InnoDB and the master
// keeps taking writes.
std::string AvisoModoVolcado(const ModoVolcado& modo);

// "<bin\mysqldump>" [opcionClave] --host=H --port=P --protocol=tcp --user=U
// --default-character-set=C, --single-transaction or --lock-all-tables
// (ModoVolcado), --master-data=2 --routines --triggers --verbose
// --result-file="<archivo>" --databases B…: the coordinates of the binary
// log written as a comment near the top.
std::string ComandoVuelcaDatos(const DatosCopia& d, const std::vector<std::string>& bases,
                               const std::string& archivo, const ModoVolcado& modo);

// The table the write probe uses: the first InnoDB one (a write on a MyISAM
// table would wait behind, and hold up, its readers), else the first; null
// without tables.
const TablaCopia* TablaSonda(const std::vector<TablaCopia>& tablas);

// A write that waits exactly when the master is read-only and changes
// nothing: UPDATE LOW_PRIORITY `base`.`tabla` SET `columna` = `columna`
// WHERE 1 = 0. It is not written to the binary log (no row matches), and
// LOW_PRIORITY keeps it from holding up a MyISAM table's readers.
std::string SentenciaSondaEscritura(const std::string& base, const std::string& tabla,
                                    const std::string& columna);

// How far the copy has come, for the line under the capture box.
struct AvanceCopia {
    bool cargando = false;           // false: the dump; true: the load
    std::uint64_t hechos = 0;        // bytes dumped or loaded
    std::uint64_t total = 0;         // the data's size (dump) or the dump's (load); 0 unknown
    double segundos = 0;             // since this part began
    std::optional<bool> soloLectura; // the dump only: the master read-only right now
};
// "Volcado: 12.5 de unos 40 MB; faltan unos 8 s; el MAESTRO acepta
// escrituras", "Carga: 10 de 45 MB; faltan unos 5 s".
std::string LineaAvanceCopia(const AvanceCopia& a);
// The bar's share, 0 to 100; below 100 until the part ends (the data's size
// is only an estimate of the dump's).
int PorcentajeCopia(const AvanceCopia& a);

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
