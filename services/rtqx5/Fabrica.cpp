#include "Fabrica.h"

#include <algorithm>
#include <cctype>
#include <new>
#include <utility>

namespace rtqx5 {
namespace {

// ProgIDs are ASCII; COM compares them without case.
std::string Minusculas(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

using Constructor = std::shared_ptr<Componente> (*)();

template <class T> std::shared_ptr<Componente> Nuevo() {
    return std::make_shared<T>();
}

// The classes the library registers, by lower-case ProgID.
const std::pair<const char*, Constructor> kClases[] = {
    {"rtqx5.librtsa", &Nuevo<libRTSA>},         {"rtqx5.plugins", &Nuevo<Plugins>},
#ifdef RT_CON_BASESDD
    {"rtqx5.basesdd", &Nuevo<BasesDD>},
#endif
    {"rtqx5.utilerias", &Nuevo<Utilerias>},     {"rtqx5.dearchivos", &Nuevo<DeArchivos>},
    {"rtqx5.delregistro", &Nuevo<DelRegistro>}, {"rtqx5.decontroles", &Nuevo<DeControles>},
    {"rtqx5.deacceso", &Nuevo<DeAcceso>},
};

} // namespace

Fabrica& Fabrica::Instancia() {
    static Fabrica fabrica;
    return fabrica;
}

std::shared_ptr<Componente> Fabrica::Crea(const std::string& progId) {
    const std::string buscado = Minusculas(progId);
    for (const auto& f : fallos_)
        if (Minusculas(f.progId) == buscado)
            throw ErrorRT(f.numero, f.descripcion);
    for (const auto& [nombre, constructor] : kClases)
        if (buscado == nombre)
            return constructor();
    throw ErrorRT(kErrorCrearObjeto, "El componente ActiveX no puede crear el objeto");
}

void Fabrica::HazFallar(const std::string& progId, long numero, const std::string& descripcion) {
    fallos_.push_back({progId, numero, descripcion});
}

void Fabrica::Restablece() {
    fallos_.clear();
}

bool CreaObjetoGenerico(std::shared_ptr<Componente>& destino, const std::string& clase,
                        const std::string& prefijo) {
    const std::string progId = prefijo + "." + clase;
    long numero = 0;
    std::string descripcion;
    try {
        destino = Fabrica::Instancia().Crea(progId);
        return true;
    } catch (const ErrorRT& e) {
        numero = e.Numero();
        descripcion = e.Descripcion();
    } catch (const std::bad_alloc&) {
        numero = 7;
        descripcion = "Memoria insuficiente";
    }
    MsgBox("Error nº " + std::to_string(numero) + ", " + descripcion + "\r\n" +
               "Intentanto crear \"" + progId + "\"",
           vbCritical, "Alerta");
    return false;
}

} // namespace rtqx5
