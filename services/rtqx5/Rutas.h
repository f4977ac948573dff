#pragma once

#include <string>

// Separadores de ruta. El diseño escribe "\"; en Linux el separador es "/".
// Todo lugar que agrega, une o convierte separadores pasa por aquí.
namespace rtqx5 {

// '\\' en Windows, '/' en los demás sistemas.
char SeparadorRuta();
// carpeta + separador + nombre, sin quitar nada (una carpeta que ya termina en
// separador, como la raíz de una unidad, da dos seguidos).
std::string UneRuta(const std::string& carpeta, const std::string& nombre);
// Convierte "\" en "/" para escribir rutas de Windows en archivos de opciones
// de MySQL; en Linux las rutas ya usan "/" y no cambia nada.
std::string DiagonalesMySQL(const std::string& ruta);

} // namespace rtqx5
