#pragma once

#include <cstdint>
#include <string>

namespace rtqx5 {

// The string value `valor` of registry key `clave` under root `raiz`
// (HKEY_LOCAL_MACHINE_ and the others of Componentes.h); "" when the root, the
// key or the value is missing or the value is no string. An empty value name
// is the key's default value. `clave` comes without a leading or trailing "\"
// (DelRegistro::LeerCadena removes them). One backend per platform: the Win32 registry
// (native view first, then the 32-bit one), or elsewhere an INI file of
// registry keys (see Registro_posix.cpp).
std::string LeeValorRegistro(std::uint32_t raiz, const std::string& clave,
                             const std::string& valor);

} // namespace rtqx5
