#pragma once

#include "Versiones.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What the replication status window reads out of the servers' answers: the
// meaning of a slave thread's error, how many bytes of the master's binary log
// the slave still has to read or apply, and the statements of the data check.
// No Qt; all text is UTF-8.
namespace pasos {

// A Spanish line with what a slave thread's error means and what to do, for
// the common ones (account refused, master unreachable, binary log missing on
// the master, duplicate or missing row, missing table, equal server ids);
// "" for any other. `mensaje` is the thread's error text, which tells the
// cases that share a number apart.
std::string ExplicaErrorReplicacion(long numero, const std::string& mensaje);

// A binary log of the master and its size (SHOW BINARY LOGS).
struct ArchivoLog {
    std::string nombre;
    std::uint64_t tamano = 0;
};

// Bytes from the slave's position (file, position) to the master's. In the
// same file, the difference (0 when the slave is at or past it). In an
// earlier file, the rest of that file, the files in between and the master's
// position, from the sizes in `logs` (in the master's order). Unknown
// (nullopt) when a file is not in `logs`, the slave's file comes after the
// master's or a name is empty.
std::optional<std::uint64_t> BytesPendientes(const std::string& archivoMaestro,
                                             std::uint64_t posicionMaestro,
                                             const std::string& archivoEsclavo,
                                             std::uint64_t posicionEsclavo,
                                             const std::vector<ArchivoLog>& logs);

// `nombre` between backquotes, inner backquotes doubled: a database or table
// name as the server reads it.
std::string IdentificadorSQL(const std::string& nombre);

// The slave's SQL thread alone: STOP/START SLAVE SQL_THREAD (REPLICA on
// MySQL 8.0.23+); START … UNTIL the master's file and position; the wait for
// that position with a limit in seconds (MASTER_POS_WAIT, SOURCE_POS_WAIT on
// MySQL 8.0.26+), which answers -1 on timeout and NULL when the thread does
// not run.
std::string SentenciaDetieneAplicacion(const VersionServidor& v);
std::string SentenciaIniciaAplicacion(const VersionServidor& v);
std::string SentenciaAplicaHasta(const VersionServidor& v, const std::string& archivo,
                                 std::uint64_t posicion, bool diagonalLiteral = false);
std::string ConsultaEsperaPosicion(const VersionServidor& v, const std::string& archivo,
                                   std::uint64_t posicion, int segundos,
                                   bool diagonalLiteral = false);

} // namespace pasos
