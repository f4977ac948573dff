#pragma once

#include <string>

// Motor INI: se comporta como las funciones de perfil de Windows al leer y
// nunca daña un archivo de opciones de MySQL al escribir. Ver README.
namespace rtqx5::ini {

// El valor de la clave en la primera sección y la primera clave que coinciden;
// "" cuando falta. Un archivo que no existe o no se puede leer da "".
std::string Lee(const std::string& archivo, const std::string& seccion, const std::string& clave);

// Fija la clave (todas sus líneas en la primera sección que coincide). Cada
// byte que no toca queda igual; el archivo se reemplaza de forma atómica.
// Lanza ErrorRT si un argumento trae CR, LF o NUL, si falta la carpeta o si el
// archivo no se puede escribir; el archivo queda entonces como estaba.
void Escribe(const std::string& archivo, const std::string& seccion, const std::string& clave,
             const std::string& valor);

} // namespace rtqx5::ini
