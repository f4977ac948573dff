#pragma once

#include <deque>
#include <string>
#include <vector>

// Servicio de cuadros de mensaje y pitidos. Los argumentos imitan los estilos
// clásicos del cuadro de mensaje. El programa instala un mensajero que muestra
// QMessageBox; las pruebas instalan un GrabadorMensajes. Ninguna ventana ni
// rutina muestra un cuadro por otro camino.
namespace rtqx5 {

enum Estilo : int {
    vbOKOnly = 0,
    vbYesNo = 4,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton2 = 256,
};

enum Respuesta : int {
    vbOK = 1,
    vbCancel = 2,
    vbYes = 6,
    vbNo = 7,
};

class Mensajero {
public:
    virtual ~Mensajero() = default;
    // Muestra el cuadro y devuelve el botón elegido (vbOK, vbYes, vbNo…).
    virtual int Muestra(const std::string& texto, int estilo, const std::string& titulo) = 0;
    virtual void Beep() {}
};

// Botón por omisión de un estilo: vbNo con Yes/No y vbDefaultButton2, vbYes con
// Yes/No sin él, vbOK en los demás casos.
int RespuestaPorOmision(int estilo);

// Instala el mensajero del proceso; nullptr vuelve al de reserva, que escribe el
// cuadro en stderr y contesta el botón por omisión.
void InstalaMensajero(Mensajero* mensajero);
Mensajero* MensajeroActual();

// Texto en UTF-8. Devuelve el botón elegido.
int MsgBox(const std::string& texto, int estilo, const std::string& titulo);
void Beep();

struct CajaGrabada {
    std::string texto;
    int estilo = 0;
    std::string titulo;
};

// Para las pruebas: guarda cada cuadro y contesta según un guion; sin guion
// contesta el botón por omisión. Se instala al construirse y se retira al
// destruirse.
class GrabadorMensajes : public Mensajero {
public:
    GrabadorMensajes();
    ~GrabadorMensajes() override;
    GrabadorMensajes(const GrabadorMensajes&) = delete;
    GrabadorMensajes& operator=(const GrabadorMensajes&) = delete;

    int Muestra(const std::string& texto, int estilo, const std::string& titulo) override;
    void Beep() override { ++pitidos; }

    std::vector<CajaGrabada> cajas;
    std::deque<int> respuestas; // siguiente respuesta al frente
    int pitidos = 0;

private:
    Mensajero* anterior_;
};

} // namespace rtqx5
