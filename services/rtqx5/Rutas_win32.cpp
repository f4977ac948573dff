#include "Rutas.h"

#include <algorithm>

namespace rtqx5 {

char SeparadorRuta() {
    return '\\';
}

std::string DiagonalesMySQL(const std::string& ruta) {
    std::string r = ruta;
    std::replace(r.begin(), r.end(), '\\', '/');
    return r;
}

} // namespace rtqx5
