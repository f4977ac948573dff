#pragma once

#include "Componentes.h"
#include "Errores.h"
#include "Mensajes.h"

#include <functional>
#include <memory>
#include <string>

namespace rtqx5 {

// Fábrica de objetos por ProgID ("rtqx5.libRTSA"). Los ProgID se comparan sin
// distinguir mayúsculas, como en COM.
class Fabrica {
public:
    static Fabrica& Instancia();

    // Crea el objeto o lanza ErrorRT (429 cuando la clase no existe).
    std::shared_ptr<Componente> Crea(const std::string& progId);

    // Para las pruebas: el ProgID falla con ese número y descripción hasta
    // Restablece().
    void HazFallar(const std::string& progId, long numero, const std::string& descripcion);
    void Restablece();

private:
    Fabrica() = default;
    struct Fallo {
        std::string progId;
        long numero;
        std::string descripcion;
    };
    std::vector<Fallo> fallos_;
};

// Crea el objeto prefijo + "." + clase en destino. Si falla, deja destino como
// estaba, muestra el cuadro crítico "Alerta" y devuelve false.
bool CreaObjetoGenerico(std::shared_ptr<Componente>& destino, const std::string& clase,
                        const std::string& prefijo);

template <class T>
bool CreaObjeto(std::shared_ptr<T>& destino, const std::string& clase, const std::string& prefijo) {
    std::shared_ptr<Componente> obj;
    if (!CreaObjetoGenerico(obj, clase, prefijo))
        return false;
    auto tipado = std::dynamic_pointer_cast<T>(obj);
    if (!tipado) {
        MsgBox("Error nº 13, No coinciden los tipos\r\nIntentanto crear \"" + prefijo + "." +
                   clase + "\"",
               vbCritical, "Alerta");
        return false;
    }
    destino = std::move(tipado);
    return true;
}

} // namespace rtqx5
