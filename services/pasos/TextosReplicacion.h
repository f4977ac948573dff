#pragma once

#include "Versiones.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// Replication statements and status queries in the form of the server at
// hand: the classic text (MySQL 5.1 to 8.0.22, MariaDB) wherever the server
// takes it, the REPLICA/SOURCE forms on MySQL 8.0.23 and later. No Qt; all
// text is UTF-8.
namespace pasos {

// What CHANGE MASTER TO sets. A missing value is left out of the statement,
// so the slave keeps the one in use. Naming the host or the port makes the
// server forget where it was reading: give the log file and position then,
// or leave both out when they do not change.
struct DatosMaestro {
    std::optional<std::string> host;
    std::optional<std::string> puerto;
    std::optional<std::string> usuario;
    std::optional<std::string> clave;
    // Where to start reading the master's binary log; empty file: not given.
    std::string archivoLog;
    std::uint64_t posicionLog = 0;
};

// CHANGE MASTER TO MASTER_HOST='…', MASTER_PORT=n, MASTER_USER='…',
// MASTER_PASSWORD='…'[, MASTER_LOG_FILE='…', MASTER_LOG_POS=n] (or CHANGE
// REPLICATION SOURCE TO SOURCE_… on MySQL 8.0.23+; MySQL 8 also gets the
// master's public key when an account is given). With `enmascarada` the
// password shows as "********". "" when nothing is to be set. Throws
// ErrorRT(kErrorArgumento), naming the value, when the port is not a number
// from 1 to 65535, when the host, user or password hold CR, LF or NUL
// (RevisaValorReplicacion) and when the log file is no name of one
// (MotivoArchivoLog).
std::string SentenciaCambiaMaestro(const VersionServidor& v, const DatosMaestro& d,
                                   bool enmascarada, bool diagonalLiteral = false);

// The longest name of a binary-log file taken (the server cuts its own
// copy at 512 bytes).
inline constexpr std::size_t kMaxArchivoLog = 255;

// Empty when `nombre` can be the name of a file of the master's binary log
// ("qxlog-bin.000003"); else why not, ready to follow the name: empty, more
// than kMaxArchivoLog characters, or a control character, blank, quote,
// backslash, "/" or a character outside the Basic Multilingual Plane (no
// server's own character set holds those).
std::string MotivoArchivoLog(const std::string& nombre);

// "start slave" / "stop slave" (START REPLICA / STOP REPLICA on 8.0.23+).
std::string SentenciaIniciaEsclavo(const VersionServidor& v);
std::string SentenciaDetieneEsclavo(const VersionServidor& v);
// SHOW SLAVE STATUS (SHOW REPLICA STATUS on 8.0.23+).
std::string ConsultaEstadoEsclavo(const VersionServidor& v);
// SHOW MASTER STATUS (SHOW BINARY LOG STATUS on 8.4+).
std::string ConsultaEstadoMaestro(const VersionServidor& v);

// The name a status column has on MySQL 8.0.22+ for its classic name:
// "Slave" becomes "Replica" and "Master" becomes "Source"
// (Slave_IO_Running → Replica_IO_Running, Exec_Master_Log_Pos →
// Exec_Source_Log_Pos, Get_master_public_key → Get_source_public_key). Read a
// column under both names.
std::string ColumnaNueva(const std::string& clasica);

} // namespace pasos
