#pragma once

#include "Componentes.h"

#include <string>

namespace rtqx5 {

// Lee la clave; si está vacía escribe el valor por omisión y la lee de nuevo.
// Si tras esa única escritura sigue vacía (archivo no escribible), devuelve el
// valor por omisión sin repetir.
std::string LeeIniDefecto(std::string& seccion, std::string& clave, std::string& defecto,
                          libRTSA& lib, const std::string& archivo);

} // namespace rtqx5
