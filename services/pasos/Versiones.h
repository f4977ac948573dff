#pragma once

#include <string>

// What a server version can do, read from its version text (SELECT VERSION()
// or `mysqld --version`). The builders of statements, status queries and the
// binary's option check choose their form from these answers, in one place.
// No Qt; all text is UTF-8.
namespace pasos {

struct VersionServidor {
    int mayor = 5;
    int menor = 1;
    int parche = 0;
    bool mariadb = false;
    // False when the text held no version: then the answers are those of the
    // oldest server the tool serves (MySQL 5.1).
    bool conocida = false;
};

// "5.1.73-community", "8.0.36", "10.11.6-MariaDB-0+deb12u1", or the whole
// output of `mysqld --version` ("mysqld  Ver 8.0.36 for Linux …",
// "mariadbd  Ver 10.11.6-MariaDB-0+deb12u1 for debian-linux-gnu …").
VersionServidor LeeVersion(const std::string& texto);

// The version of the server binary of the MySQL folder (ending in the
// separator), from its `mysqld --version` run through EjecutaCMD without a
// box in `carpeta`. Unknown (conocida false) when it cannot be run, ends with
// an error or names no version.
VersionServidor VersionDelBinario(const std::string& rutaMySQL, const std::string& carpeta);

// MySQL older than 5.5 still reads master-host, master-user, master-password
// and master-port from the option file (while it has no master.info).
bool LeeMaestroDelArchivo(const VersionServidor& v);
// MySQL 8.0.23 and later: CHANGE REPLICATION SOURCE TO, START/STOP REPLICA,
// SHOW REPLICA STATUS, SOURCE_* options.
bool UsaReplica(const VersionServidor& v);
// MySQL 8.4 and later: the MASTER/SLAVE forms are gone (SHOW BINARY LOG STATUS
// instead of SHOW MASTER STATUS).
bool SinFormasMaster(const VersionServidor& v);
// MySQL 8.0 and later: GRANT no longer takes IDENTIFIED BY; the default
// account plugin is caching_sha2_password (a slave without SSL needs
// GET_SOURCE_PUBLIC_KEY=1).
bool MySQL8(const VersionServidor& v);
// MySQL 8.0.16 and later check an option file with --validate-config
// (--verbose --help no longer reports a bad option).
bool ValidaConfig(const VersionServidor& v);

} // namespace pasos
