#pragma once

#include <cstddef>
#include <string>

// What a typed or pasted value must be before a procedure uses it. Each
// check returns why the value cannot be used, in Spanish and ready to follow
// the field's name ("El campo «Usuario:» " + motivo), or "" when it can.
// No Qt; all text is UTF-8.
namespace pasos {

// Longest values the servers accept: names of databases (64), option-file
// values kept far below the server's line limit.
constexpr std::size_t kMaxNombreBase = 64;
constexpr std::size_t kMaxValorOpcion = 255;
// Longest service name the Windows service manager accepts.
constexpr std::size_t kMaxNombreServicio = 256;

// Any text: no control character (line breaks, tabs, NUL, DEL) and at most
// `maximo` characters (UTF-8 code points).
std::string RevisaTexto(const std::string& valor, std::size_t maximo);

// A file name that stays in its folder: not empty, RevisaTexto, and no path
// separator ("\" or "/"), no drive (":"), no "..", none of the characters
// Windows refuses in names (<>:"|?*), no final dot or blank (Windows drops
// them) and no device name (NUL, CON, COM1…).
std::string RevisaNombreArchivo(const std::string& nombre, std::size_t maximo);

// A full folder path: RevisaTexto, no double quote, and absolute (a drive
// and its separator, or a UNC share, on Windows; the root "/" elsewhere, with
// no backslash, which the server would read as an escape).
std::string RevisaCarpetaAbsoluta(const std::string& carpeta, std::size_t maximo);

// A Windows service name that also goes into file names: RevisaTexto,
// no path separator, not "." or "..", none of the characters Windows refuses
// in names (<>:"|?*), no blank at either end, no "-" first (mysqld would
// read it as an option).
std::string RevisaNombreServicio(const std::string& nombre);

// A TCP port typed in a four-digit field: only digits, from 1 to 9999.
std::string RevisaPuerto(const std::string& puerto);

// True when a server keeps characters outside the Basic Multilingual Plane
// (four bytes in UTF-8: emoji) in account names and replication settings:
// the connection's character set and the server's own (@@character_set_system)
// are both utf8mb4. MySQL 5.1 has no utf8mb4; MariaDB and MySQL 8 keep
// accounts and master.info in utf8mb3, where such a character becomes "?".
bool GuardaCuatroBytes(const std::string& juegoConexion, const std::string& juegoSistema);

// "" when `valor` holds no character outside the Basic Multilingual Plane or
// the server keeps them (`guarda`); else why it cannot be used, naming the
// character unless `muestra` is false (a password).
std::string RevisaCuatroBytes(const std::string& valor, bool guarda, bool muestra = true);

} // namespace pasos
