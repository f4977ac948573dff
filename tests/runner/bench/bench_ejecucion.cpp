// Throughput and responsiveness of EjecutaCMD (a measurement, not a test).
//
//   bench_ejecucion [MB ...]        default: 1 10 50
//
// For each size: one producer of lines through EjecutaCMD in mode 0, the same
// producer piped into `cat >/dev/null` (the ratio of the two), and the same in
// mode 1 into a real capture box. Then the longest stall of the event loop
// while a command stays silent for 3 s. Prints a Markdown table.

#include "CajaQt.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

using namespace ejecucion;

namespace {

using Reloj = std::chrono::steady_clock;

// 80-character lines, cut at exactly `mb` MiB.
std::string Productor(int mb) {
    return "yes 0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ-0123456789 | "
           "head -c " +
           std::to_string(static_cast<long long>(mb) * 1024 * 1024);
}

double Segundos(Reloj::duration d) {
    return std::chrono::duration<double>(d).count();
}

double PorEjecutaCMD(int mb, Caja* caja, std::uint8_t modo, std::size_t& bytes) {
    std::string bloque, salida;
    std::int32_t codigo = 0;
    const auto inicio = Reloj::now();
    const bool bien = EjecutaCMD("sh -c \"" + Productor(mb) + "\"", "", "", caja, true, modo,
                                 bloque, salida, 0, codigo);
    const double s = Segundos(Reloj::now() - inicio);
    if (!bien) {
        std::fprintf(stderr, "EjecutaCMD falló\n");
        std::exit(1);
    }
    bytes = caja != nullptr ? caja->Texto().size() : 0;
    return s;
}

double PorTuberia(int mb) {
    const std::string orden = Productor(mb) + " | cat >/dev/null";
    const auto inicio = Reloj::now();
    if (std::system(orden.c_str()) != 0) {
        std::fprintf(stderr, "la tubería falló\n");
        std::exit(1);
    }
    return Segundos(Reloj::now() - inicio);
}

// Longest gap between two ticks of a 1 ms timer while `sleep 3` runs.
double MayorBloqueoMs() {
    QElapsedTimer reloj;
    qint64 ultimo = 0;
    qint64 mayor = 0;
    QTimer tic;
    tic.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tic, &QTimer::timeout, [&] {
        const qint64 ahora = reloj.nsecsElapsed();
        mayor = std::max(mayor, ahora - ultimo);
        ultimo = ahora;
    });
    tic.start(1);
    std::string bloque, salida;
    std::int32_t codigo = 0;
    reloj.start();
    EjecutaCMD("sleep 3", "", "", nullptr, true, 0, bloque, salida, -1, codigo);
    return static_cast<double>(mayor) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InstalaBombaQt();
    std::vector<int> tamanos;
    for (int i = 1; i < argc; ++i) {
        tamanos.push_back(std::atoi(argv[i]));
    }
    if (tamanos.empty()) {
        tamanos = {1, 10, 50};
    }

    std::printf("| MB | cat >/dev/null (s) | modo 0 (s) | modo 0 / cat | modo 1 en "
                "txtCapturaDOS (s) | modo 1 / cat | MB/s modo 1 |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|\n");
    for (int mb : tamanos) {
        const double tuberia = PorTuberia(mb);
        std::size_t bytes = 0;
        const double modo0 = PorEjecutaCMD(mb, nullptr, 0, bytes);

        QWidget ventana;
        ventana.resize(800, 600);
        QPlainTextEdit* captura = CreaCajaCaptura(&ventana);
        captura->resize(800, 600);
        ventana.show();
        CajaQt caja(captura);
        const double modo1 = PorEjecutaCMD(mb, &caja, 1, bytes);
        std::printf("| %d | %.3f | %.3f | %.1f | %.3f | %.1f | %.1f |\n", mb, tuberia, modo0,
                    modo0 / tuberia, modo1, modo1 / tuberia, mb / modo1);
        std::fflush(stdout);
    }
    std::printf("\nMayor bloqueo del bucle de eventos con un comando callado 3 s: %.1f ms\n",
                MayorBloqueoMs());
    return 0;
}
