#include "LeeIniDefecto.h"

#include "Errores.h"

namespace rtqx5 {

// A default that cannot be written (read-only file or folder) is returned
// without a message: the program works with it, and a box would appear at
// every start on such a machine.
std::string LeeIniDefecto(std::string& seccion, std::string& clave, std::string& defecto,
                          libRTSA& lib, const std::string& archivo) {
    std::string valor = lib.LeeIni(seccion, clave, archivo);
    if (!valor.empty())
        return valor;
    try {
        lib.EscribeIni(seccion, clave, defecto, archivo);
    } catch (const ErrorRT&) {
        return defecto;
    }
    valor = lib.LeeIni(seccion, clave, archivo);
    return valor.empty() ? defecto : valor;
}

} // namespace rtqx5
