#pragma once

#include <string>

// What changing an option file asks of the operating system, one backend per
// platform (CambioOpciones_posix.cpp, CambioOpciones_win32.cpp).
namespace pasos::detalle {

// The file whose content a change replaces: the one a symbolic link names,
// else `archivo` itself (CambioOpciones.cpp).
std::string ArchivoReal(const std::string& archivo);

// Throws ErrorRT naming `mostrado` when `archivo` exists and is read-only, or
// when its folder is missing or does not let files be created and renamed.
void CompruebaEscribible(const std::string& archivo, const std::string& mostrado);

// Gives `destino` the permissions (and owner, where possible) of `origen`;
// nothing when `origen` does not exist. Throws ErrorRT.
void CopiaPermisos(const std::string& origen, const std::string& destino);

} // namespace pasos::detalle
