#include "ClaveTemporal.h"

#include "Errores.h"
#include "TextosProcedimiento.h"

namespace pasos {

namespace {

// The server splits option lines at 4,094 bytes; a password stays far below.
constexpr std::size_t kMaxValor = 1024;

} // namespace

std::string ValorEntreComillas(const std::string& valor) {
    if (valor.size() > kMaxValor)
        throw rtqx5::ErrorRT(rtqx5::kErrorArgumento,
                             "El valor es demasiado largo para un archivo de opciones.");
    std::string r = "\"";
    for (const char c : valor) {
        switch (c) {
        case '\0':
            throw rtqx5::ErrorRT(rtqx5::kErrorArgumento,
                                 "El valor contiene un carácter nulo; no cabe en un archivo de "
                                 "opciones.");
        case '\\':
            r += "\\\\";
            break;
        case '"':
            r += "\\\"";
            break;
        case '\n':
            r += "\\n";
            break;
        case '\r':
            r += "\\r";
            break;
        case '\t':
            r += "\\t";
            break;
        case '\b':
            r += "\\b";
            break;
        default:
            r += c;
        }
    }
    r += '"';
    return r;
}

ClaveTemporal::ClaveTemporal(const std::string& clave) {
    std::string contenido = "[client]\npassword=";
    contenido += ValorEntreComillas(clave);
    contenido += '\n';
    ruta_ = CreaArchivoPrivado("rt-clave", contenido);
}

ClaveTemporal::~ClaveTemporal() {
    BorraArchivoPrivado(ruta_);
}

std::string ClaveTemporal::Opcion() const {
    return ArgumentoLinea("--defaults-extra-file=" + ruta_);
}

} // namespace pasos
