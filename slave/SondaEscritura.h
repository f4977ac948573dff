#pragma once

#include "Componentes.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

// Cuánto estuvo el maestro en solo lectura, medido en el propio maestro: con
// una conexión propia, cada 5 ms una escritura que no cambia nada
// (pasos::SentenciaSondaEscritura); la que espera es una venta que esperaría.
// Corre en su propio hilo desde que se crea hasta Detiene. Sin Qt.
class SondaEscritura {
public:
    // `cuenta`: el servidor y la cuenta (con permiso de escribir la tabla);
    // `sentencia`: la escritura de la sonda.
    SondaEscritura(const rtqx5::BasesDD& cuenta, std::string sentencia);
    ~SondaEscritura();
    SondaEscritura(const SondaEscritura&) = delete;
    SondaEscritura& operator=(const SondaEscritura&) = delete;

    // Termina el hilo (espera a la escritura en curso, que termina con el
    // bloqueo que la detiene o con el límite de lectura de su conexión).
    void Detiene();

    // Segundos que esperaron las escrituras de la sonda (solo las esperas de
    // más de kEsperaNotable: la ida y vuelta de cada una, ni una respuesta
    // lenta de una máquina ocupada, cuentan).
    double SegundosEnEspera() const;
    // True si la escritura en curso lleva más de kEsperaActual esperando.
    bool EsperandoAhora() const;
    // Por qué la sonda no pudo medir ("" si midió): sin conexión, o el
    // servidor rechazó la escritura (sin permiso).
    std::string Error() const;

    static constexpr std::chrono::milliseconds kEsperaNotable{50};
    static constexpr std::chrono::milliseconds kEsperaActual{200};

private:
    void Corre();
    bool Espera(std::chrono::milliseconds tiempo);

    rtqx5::BasesDD cuenta_;
    const std::string sentencia_;
    mutable std::mutex m_;
    std::condition_variable alto_;
    bool detener_ = false;
    std::string error_;
    std::chrono::steady_clock::duration espera_{};
    // Desde cuándo espera la escritura en curso (ticks del reloj; 0: ninguna).
    std::atomic<std::chrono::steady_clock::rep> enCurso_{0};
    std::thread hilo_;
};
