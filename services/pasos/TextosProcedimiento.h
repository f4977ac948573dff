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

// A value for an error message: control characters written as \r, \n, \t,
// \0 or \xNN, at most 64 characters (then "…").
std::string TextoVisible(const std::string& texto);

// Throws ErrorRT(kErrorArgumento) naming `que` (and showing the value unless
// `muestraValor` is false, for a password) when `valor` holds CR, LF or NUL:
// the slave's master.info keeps one value per line, and a NUL cuts a value in
// every client program.
void RevisaValorReplicacion(const std::string& valor, const std::string& que,
                            bool muestraValor = true);

// The master's replication account, in the order they are sent: DROP USER
// (refused when the account does not exist yet), CREATE USER … IDENTIFIED BY
// and GRANT REPLICATION SLAVE ON *.* TO …, which repeats IDENTIFIED BY
// wherever the server takes it (MySQL before 8, MariaDB, an unknown version)
// and goes without it on MySQL 8 and later. Throws ErrorRT(kErrorArgumento)
// for an empty user (the anonymous account, which takes any user) or address
// (taken for "%"), for a user or address ending in a blank (the server drops
// it: another account) and by RevisaValorReplicacion for the user, the
// address and the password.
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
// it needs it, and never empty nor read as an option (ArgumentoSuelto).
std::string ComandoNet(const std::string& accion, const std::string& servicio);

// One argument of a command line by the rules of CommandLineToArgvW (and of
// the C runtime): as it is when it holds no blank or double quote (unless
// `siempreEntreComillas`), else between double quotes with inner quotes and
// the backslashes before them escaped. It also quotes the rest of an
// argument ("--defaults-file=" + ArgumentoLinea(ruta, true)). Every value of
// every command line goes through here. Throws ErrorRT(kErrorArgumento),
// showing the argument, for a NUL, which would cut the command line there.
std::string ArgumentoLinea(const std::string& argumento, bool siempreEntreComillas = false);

// An argument that is a value by itself (a service or database name), never
// an option: ArgumentoLinea, after refusing with ErrorRT(kErrorArgumento),
// naming `que`, an empty value and one that starts with "-" or "/", which the
// program would read as an option.
std::string ArgumentoSuelto(const std::string& valor, const std::string& que);

// A program of the MySQL folder between double quotes: the folder (ending in
// the separator), "bin", the separator and the name ("C:\MySQL\bin\mysqld").
// The program is the first argument, whose quotes are dropped and whose
// backslashes are literal, so it cannot carry a double quote: a folder with
// one (or with a NUL) is refused with ErrorRT(kErrorArgumento).
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

// "; faltan unos 12 s" (under 90 s) or "; faltan unos 3 min" for a progress
// line: what is left of `total` at the pace of `hechos` in `transcurridos`
// seconds. "" while it cannot be told (under half a second, nothing done yet,
// more done than the total thought) or nothing is left.
std::string TiempoQueFalta(double transcurridos, std::uint64_t hechos, std::uint64_t total);

// yyyymmdd-hhnnss of `cuando` in local time: the mark of backup and dump names.
std::string MarcaDeTiempo(std::time_t cuando);

// The backup name of a file: the file's own path + "." + yyyymmdd-hhnnss of
// `cuando` (local time) + ".bak"; with `orden` > 1, "-" + orden before ".bak".
std::string NombreRespaldo(const std::string& ruta, std::time_t cuando, int orden = 1);

} // namespace pasos
