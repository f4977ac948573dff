#include "Rutas.h"

namespace rtqx5 {

char SeparadorRuta() {
    return '/';
}

std::string DiagonalesMySQL(const std::string& ruta) {
    return ruta;
}

} // namespace rtqx5
