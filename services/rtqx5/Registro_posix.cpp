#include "Componentes.h"
#include "Errores.h"
#include "Ini.h"
#include "Registro.h"

#include <cstdlib>

// Stand-in for the Windows registry: an INI file whose sections are the root's
// name, "\" and the key path, and whose keys are the value names, e.g.
//   [HKEY_LOCAL_MACHINE\Software\MySQL AB\MySQL Server 5.1]
//   Location=/opt/mysql
// The INI engine compares names without case, as the registry does. The file
// is RT_REGISTRO, by default /etc/rtqx5/registro.ini. The default value of a
// key is written "@", as in .reg files.
namespace rtqx5 {
namespace {

const char* NombreRaiz(std::uint32_t raiz) {
    switch (raiz) {
    case HKEY_CLASSES_ROOT_:
        return "HKEY_CLASSES_ROOT";
    case HKEY_CURRENT_USER_:
        return "HKEY_CURRENT_USER";
    case HKEY_LOCAL_MACHINE_:
        return "HKEY_LOCAL_MACHINE";
    case HKEY_USERS_:
        return "HKEY_USERS";
    default:
        return nullptr;
    }
}

std::string ArchivoRegistro() {
    const char* variable = std::getenv("RT_REGISTRO");
    return (variable && *variable) ? variable : "/etc/rtqx5/registro.ini";
}

} // namespace

std::string LeeValorRegistro(std::uint32_t raiz, const std::string& clave,
                             const std::string& valor) {
    const char* nombre = NombreRaiz(raiz);
    if (!nombre)
        return {};
    const std::string& ruta = clave;
    const std::string seccion = ruta.empty() ? std::string(nombre) : nombre + ("\\" + ruta);
    try {
        return ini::Lee(ArchivoRegistro(), seccion, valor.empty() ? "@" : valor);
    } catch (const ErrorRT&) {
        // A name holding CR or LF names no registry value.
        return {};
    }
}

} // namespace rtqx5
