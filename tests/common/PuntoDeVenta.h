#pragma once

// El punto de venta de las pruebas y las mediciones: una venta (un INSERT con
// la base como base por omisión, como lo escribe el producto) cada 20 ms en su
// propio hilo y con su propia conexión, y lo que esperó cada una. Un bloqueo
// del maestro se ve como una venta que espera; la ventana sigue su curso.
// Solo cabecera.
#include "Componentes.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class PuntoDeVenta {
public:
    // `conexion` abierta al maestro; `venta` es el INSERT, en `base`.
    PuntoDeVenta(rtqx5::Conexion& conexion, std::string venta, const std::string& base = "datos1")
        : c_(conexion), venta_(std::move(venta)) {
        c_.Execute("USE `" + base + "`");
    }
    ~PuntoDeVenta() { Detiene(); }
    PuntoDeVenta(const PuntoDeVenta&) = delete;
    PuntoDeVenta& operator=(const PuntoDeVenta&) = delete;

    void Empieza() {
        Detiene();
        {
            std::lock_guard<std::mutex> g(m_);
            esperas_.clear();
            error_.clear();
        }
        seguir_ = true;
        hilo_ = std::thread([this] { Vende(); });
    }
    void Detiene() {
        seguir_ = false;
        if (hilo_.joinable())
            hilo_.join();
    }

    // Desde Empieza: la espera más larga de una venta (ms), cuántas hubo y el
    // error de la que falló ("" si ninguna).
    long long EsperaMaxima() const { return Percentil(100); }
    int Ventas() const {
        std::lock_guard<std::mutex> g(m_);
        return static_cast<int>(esperas_.size());
    }
    // La espera (ms) que no pasa el `p` por ciento de las ventas (100: la
    // más larga); 0 sin ventas.
    long long Percentil(double p) const {
        std::lock_guard<std::mutex> g(m_);
        if (esperas_.empty())
            return 0;
        std::vector<long long> orden = esperas_;
        std::sort(orden.begin(), orden.end());
        const auto i =
            static_cast<std::size_t>(p / 100.0 * static_cast<double>(orden.size() - 1) + 0.5);
        return orden[std::min(i, orden.size() - 1)];
    }
    std::string Error() const {
        std::lock_guard<std::mutex> g(m_);
        return error_;
    }

private:
    void Vende() {
        using Reloj = std::chrono::steady_clock;
        auto siguiente = Reloj::now();
        while (seguir_) {
            const auto inicio = Reloj::now();
            std::string error;
            try {
                c_.Execute(venta_);
            } catch (const std::exception& e) {
                error = e.what();
            }
            const auto ms =
                std::chrono::duration_cast<std::chrono::milliseconds>(Reloj::now() - inicio)
                    .count();
            {
                std::lock_guard<std::mutex> g(m_);
                esperas_.push_back(ms);
                if (!error.empty() && error_.empty())
                    error_ = error;
            }
            // Tras una espera larga no hay ráfaga: la siguiente a los 20 ms.
            siguiente = std::max(siguiente + std::chrono::milliseconds(20), Reloj::now());
            std::this_thread::sleep_until(siguiente);
        }
    }

    rtqx5::Conexion& c_;
    std::string venta_;
    std::thread hilo_;
    std::atomic<bool> seguir_{false};
    mutable std::mutex m_;
    std::vector<long long> esperas_;
    std::string error_;
};
