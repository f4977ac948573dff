#pragma once

#include "Mensajes.h"

// Mensajero del programa: cada cuadro es un QMessageBox modal con el icono, los
// botones y el botón por omisión que dicta el estilo; Enter elige el botón por
// omisión. El pitido es el de la aplicación.
class MensajeroQt : public rtqx5::Mensajero {
public:
    int Muestra(const std::string& texto, int estilo, const std::string& titulo) override;
    void Beep() override;
};
