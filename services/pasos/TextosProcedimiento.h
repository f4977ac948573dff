#pragma once

#include "Versiones.h"

#include <cstdint>
#include <ctime>
#include <string>

// Texts that the procedure windows send to the server, the console or the
// activity log: statements, command lines, paths and error lines. No Qt, so
// that they are tested on Linux and, with Windows separators, under Wine.
// All text is UTF-8.
namespace pasos {

// The text of a single-quoted SQL string literal without its quotes: a quote
// is doubled (valid in every SQL mode), a backslash is doubled and NUL becomes
// \0 unless the server takes backslashes literally (NO_BACKSLASH_ESCAPES).
// The server then reads exactly `texto`.
std::string EscapaSQL(const std::string& texto, bool diagonalLiteral = false);

// 'usuario'@'direccion', both escaped.
std::string CuentaSQL(const std::string& usuario, const std::string& direccion,
                      bool diagonalLiteral = false);

// A statement that carries a password: the text the server receives and the
// one the box and the activity log show (the password as "********").
struct SentenciaConClave {
    std::string exacta;
    std::string enmascarada;
};

// The master's replication account, in the order they are sent: DROP USER
// (refused when the account does not exist yet), CREATE USER … IDENTIFIED BY
// and GRANT REPLICATION SLAVE ON *.* TO …, which repeats IDENTIFIED BY
// wherever the server takes it (MySQL before 8, MariaDB, an unknown version)
// and goes without it on MySQL 8 and later.
struct SentenciasCuenta {
    SentenciaConClave borra;
    SentenciaConClave crea;
    SentenciaConClave permiso;
};
SentenciasCuenta SentenciasCuentaReplicacion(const VersionServidor& version,
                                             const std::string& usuario,
                                             const std::string& direccion, const std::string& clave,
                                             bool diagonalLiteral = false);

// A server's message with the password, as typed and as sent in a string
// literal, shown as "********" (a refusal may quote the statement).
std::string OcultaClave(const std::string& texto, const std::string& clave,
                        bool diagonalLiteral = false);

// "net " + accion + " " + servicio ("net stop MySQL"); the name quoted when
// it needs it (ArgumentoLinea).
std::string ComandoNet(const std::string& accion, const std::string& servicio);

// One argument of a command line by the Windows quoting rules: as it is when
// it holds no blank or double quote (unless `siempreEntreComillas`), else
// between double quotes with inner quotes and the backslashes before them
// escaped.
std::string ArgumentoLinea(const std::string& argumento, bool siempreEntreComillas = false);

// A program of the MySQL folder between double quotes: the folder (ending in
// the separator), "bin", the separator and the name ("C:\MySQL\bin\mysqld").
std::string ProgramaMySQL(const std::string& rutaMySQL, const std::string& programa);

// The server binary of the MySQL folder asked to read an option file and stop:
// "<bin\mysqld>" --defaults-file="<archivo>" then --validate-config for the
// binary of MySQL 8.0.16 and later (whose --verbose --help no longer reports
// a bad option), --verbose --help for the others and an unknown version.
std::string ComandoValidaOpciones(const std::string& rutaMySQL, const std::string& archivo,
                                  const VersionServidor& version = {});

// "<bin\mysqld>" --version: the binary's version, for LeeVersion.
std::string ComandoVersionServidor(const std::string& rutaMySQL);

// "Error" + the number as the classic Str prints it (a blank before a number
// that is zero or positive, its minus sign otherwise) + ", " + description.
std::string TextoError(long numero, const std::string& descripcion);

// The text with its ASCII capitals in lower case (other bytes as they are).
std::string MinusculasAscii(std::string texto);

// "; faltan unos 12 s" (under 90 s) or "; faltan unos 3 min", for a progress
// line; "" when nothing is left.
std::string TiempoQueFalta(long long segundos);

// yyyymmdd-hhnnss of `cuando` in local time: the mark of backup and dump names.
std::string MarcaDeTiempo(std::time_t cuando);

// The backup name of a file: the file's own path + "." + yyyymmdd-hhnnss of
// `cuando` (local time) + ".bak"; with `orden` > 1, "-" + orden before ".bak".
std::string NombreRespaldo(const std::string& ruta, std::time_t cuando, int orden = 1);

} // namespace pasos
