#include "Mensajes.h"

#include <iostream>

namespace rtqx5 {
namespace {

class MensajeroDeReserva : public Mensajero {
public:
    int Muestra(const std::string& texto, int estilo, const std::string& titulo) override {
        std::cerr << "[" << titulo << "] " << texto << '\n';
        return RespuestaPorOmision(estilo);
    }
};

MensajeroDeReserva reserva;
Mensajero* actual = &reserva;

} // namespace

int RespuestaPorOmision(int estilo) {
    if ((estilo & 7) == vbYesNo)
        return (estilo & vbDefaultButton2) ? vbNo : vbYes;
    return vbOK;
}

void InstalaMensajero(Mensajero* mensajero) {
    actual = mensajero ? mensajero : &reserva;
}

Mensajero* MensajeroActual() {
    return actual;
}

int MsgBox(const std::string& texto, int estilo, const std::string& titulo) {
    return actual->Muestra(texto, estilo, titulo);
}

void Beep() {
    actual->Beep();
}

GrabadorMensajes::GrabadorMensajes() : anterior_(MensajeroActual()) {
    InstalaMensajero(this);
}

GrabadorMensajes::~GrabadorMensajes() {
    if (MensajeroActual() == this)
        InstalaMensajero(anterior_);
}

int GrabadorMensajes::Muestra(const std::string& texto, int estilo, const std::string& titulo) {
    cajas.push_back({texto, estilo, titulo});
    if (respuestas.empty())
        return RespuestaPorOmision(estilo);
    const int r = respuestas.front();
    respuestas.pop_front();
    return r;
}

} // namespace rtqx5
