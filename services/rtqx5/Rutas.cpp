#include "Rutas.h"

namespace rtqx5 {

std::string UneRuta(const std::string& carpeta, const std::string& nombre) {
    return carpeta + SeparadorRuta() + nombre;
}

} // namespace rtqx5
