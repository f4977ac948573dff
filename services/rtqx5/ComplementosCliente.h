#pragma once

#include <string>

// Where MariaDB Connector/C looks for its authentication plugins
// (caching_sha2_password and sha256_password for MySQL 8 accounts,
// client_ed25519 and dialog for MariaDB ones).
namespace rtqx5 {

// The folder in the client library's own encoding (the ANSI code page on
// Windows, which it hands to LoadLibraryEx), or "" to keep the library's
// built-in default. On Windows: the "plugin" folder beside the executable,
// where the program ships them.
std::string CarpetaComplementosCliente();

} // namespace rtqx5
