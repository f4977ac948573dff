#pragma once

#include <stdexcept>
#include <string>

namespace rtqx5 {

// Número con que se informa una sentencia que el servidor rechaza (E_FAIL de ADO).
inline constexpr long kErrorServidor = -2147467259;
// El componente no puede crear el objeto (error 429 de automatización).
inline constexpr long kErrorCrearObjeto = 429;
// Error de archivo o de ruta.
inline constexpr long kErrorArchivo = 75;
// Valor no válido (por ejemplo CR, LF o NUL en una clave INI).
inline constexpr long kErrorArgumento = 5;

// El único tipo de error que lanzan los pasos: un número y una descripción,
// como los informan los procedimientos.
class ErrorRT : public std::runtime_error {
public:
    ErrorRT(long numero, const std::string& descripcion)
        : std::runtime_error(descripcion), numero_(numero), descripcion_(descripcion) {}

    long Numero() const noexcept { return numero_; }
    const std::string& Descripcion() const noexcept { return descripcion_; }

private:
    long numero_;
    std::string descripcion_;
};

} // namespace rtqx5
