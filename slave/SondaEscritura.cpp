#include "SondaEscritura.h"

#include "Errores.h"

namespace {

using Reloj = std::chrono::steady_clock;

// Entre una escritura y la siguiente.
constexpr std::chrono::milliseconds kPausa{5};
// Límites de la conexión de la sonda: una escritura detenida por el bloqueo
// de un volcado largo pasa de este límite; entonces se cuenta lo esperado y
// se sigue con otra conexión.
constexpr unsigned int kEsperaConexion = 5;
constexpr unsigned int kEsperaLectura = 30;

} // namespace

SondaEscritura::SondaEscritura(const rtqx5::BasesDD& cuenta, std::string sentencia)
    : cuenta_(cuenta), sentencia_(std::move(sentencia)) {
    cuenta_.cEsperaConexion = kEsperaConexion;
    cuenta_.cEsperaLectura = kEsperaLectura;
    hilo_ = std::thread([this] { Corre(); });
}

SondaEscritura::~SondaEscritura() {
    Detiene();
}

void SondaEscritura::Detiene() {
    {
        std::lock_guard<std::mutex> g(m_);
        detener_ = true;
    }
    alto_.notify_all();
    if (hilo_.joinable())
        hilo_.join();
}

bool SondaEscritura::Espera(std::chrono::milliseconds tiempo) {
    std::unique_lock<std::mutex> g(m_);
    return alto_.wait_for(g, tiempo, [this] { return detener_; });
}

void SondaEscritura::Corre() {
    rtqx5::Conexion c;
    bool conecto = false;
    while (!Espera(kPausa)) {
        if (!c.Abierta() && !cuenta_.ConectarAservidor(c)) {
            std::lock_guard<std::mutex> g(m_);
            if (!conecto)
                error_ = "no se pudo conectar al MAESTRO: " + cuenta_.cErrorConexion;
            continue;
        }
        conecto = true;
        const auto inicio = Reloj::now();
        enCurso_ = inicio.time_since_epoch().count();
        std::string rechazo;
        try {
            c.Execute(sentencia_);
        } catch (const rtqx5::ErrorRT& e) {
            // Una conexión que aún contesta rechazó la escritura: la sonda no
            // sirve. Si no contesta, se perdió (o pasó su límite): otra.
            try {
                c.Execute("SELECT 1");
                rechazo = e.Descripcion();
            } catch (const rtqx5::ErrorRT&) {
                c.Cierra();
            }
        }
        const auto espera = Reloj::now() - inicio;
        enCurso_ = 0;
        std::lock_guard<std::mutex> g(m_);
        if (espera > kEsperaNotable)
            espera_ += espera;
        if (!rechazo.empty()) {
            error_ = "el MAESTRO rechazó la escritura de prueba: " + rechazo;
            return;
        }
    }
}

double SondaEscritura::SegundosEnEspera() const {
    Reloj::duration total;
    {
        std::lock_guard<std::mutex> g(m_);
        total = espera_;
    }
    const auto desde = enCurso_.load();
    if (desde != 0) {
        const auto actual = Reloj::now() - Reloj::time_point(Reloj::duration(desde));
        if (actual > kEsperaNotable)
            total += actual;
    }
    return std::chrono::duration<double>(total).count();
}

bool SondaEscritura::EsperandoAhora() const {
    const auto desde = enCurso_.load();
    return desde != 0 && Reloj::now() - Reloj::time_point(Reloj::duration(desde)) > kEsperaActual;
}

std::string SondaEscritura::Error() const {
    std::lock_guard<std::mutex> g(m_);
    return error_;
}
