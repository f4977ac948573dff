// The copy of the master's data as the slave window makes it, measured (a
// measurement, not a test; tools/bench-copia prepares the servers and runs it).
//
//   bench_copia RUTA_MYSQL PUERTO_MAESTRO PUERTO_ESCLAVO CLAVE_ROOT BASE [VECES]
//
// Each round, taking turns on a slave emptied first:
//   - the window's copy: the dump command line of CopiaDatos into a file
//     through EjecutaCMD (mode 1, into a real capture box), the coordinates
//     read from its header, the load command line through EjecutaCMD; the
//     master is locked while the dump runs;
//   - the pipe: mysqldump --lock-all-tables --master-data=2 … | mysql …, the
//     master locked until the dump has been read by the load;
//   - the plain dump to /dev/null, the least the lock can last.
// Prints the best of the rounds and the goals: the window's total at most
// 1.25 × the pipe's, its lock at most 1.1 × the plain dump.

#include "CajaQt.h"
#include "ClaveTemporal.h"
#include "CopiaDatos.h"
#include "EjecucionCMD.h"

#include <QApplication>
#include <QPlainTextEdit>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using Reloj = std::chrono::steady_clock;

double Segundos(Reloj::time_point desde) {
    return std::chrono::duration<double>(Reloj::now() - desde).count();
}

std::string Comillas(const std::string& texto) {
    std::string r = "'";
    for (const char c : texto)
        r += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return r + "'";
}

struct Datos {
    std::string rutaMySQL, maestro, esclavo, clave, base;
};

std::string Cliente(const Datos& d, const char* programa, const std::string& puerto) {
    return std::string("MYSQL_PWD=") + Comillas(d.clave) + " " + programa +
           " --no-defaults --protocol=tcp -h127.0.0.1 -uroot -P" + puerto;
}

bool Orden(const std::string& orden) {
    return std::system(orden.c_str()) == 0;
}

bool VaciaEsclavo(const Datos& d) {
    return Orden(Cliente(d, "mariadb", d.esclavo) + " -e " +
                 Comillas("DROP DATABASE IF EXISTS " + d.base));
}

// The window's copy: lock (dump) and total seconds; negative on failure.
std::pair<double, double> CopiaDeLaVentana(const Datos& d, QPlainTextEdit& caja) {
    pasos::ClaveTemporal clave(d.clave);
    pasos::DatosCopia copia{d.rutaMySQL, clave.Opcion(), "127.0.0.1", d.maestro, "root", "latin1"};
    const std::string volcado =
        (std::filesystem::temp_directory_path() / "bench-copia.sql").string();
    ejecucion::CajaQt destino(&caja);
    std::string bloque, salida;
    std::int32_t codigo = 0;
    const auto inicio = Reloj::now();
    if (!ejecucion::EjecutaCMD(pasos::ComandoVuelcaDatos(copia, {d.base}, volcado), ".", "",
                               &destino, true, ejecucion::kModoAgrega, bloque, salida, 0, codigo) ||
        codigo != 0)
        return {-1, -1};
    const double bloqueo = Segundos(inicio);
    if (!pasos::LeeCoordenadasArchivo(volcado))
        return {-1, -1};
    copia.puerto = d.esclavo;
    if (!ejecucion::EjecutaCMD(pasos::ComandoCargaDatos(copia, volcado), ".", "", &destino, true,
                               ejecucion::kModoAgrega, bloque, salida, 0, codigo) ||
        codigo != 0)
        return {-1, -1};
    const double total = Segundos(inicio);
    std::filesystem::remove(volcado);
    return {bloqueo, total};
}

const char* const kOpcionesVolcado = " --lock-all-tables --master-data=2 --routines --triggers "
                                     "--default-character-set=latin1 --databases ";

double Tuberia(const Datos& d) {
    const auto inicio = Reloj::now();
    if (!Orden("bash -c " +
               Comillas("set -o pipefail; " + Cliente(d, "mariadb-dump", d.maestro) +
                        kOpcionesVolcado + d.base + " | " + Cliente(d, "mariadb", d.esclavo) +
                        " --default-character-set=latin1")))
        return -1;
    return Segundos(inicio);
}

double VolcadoSolo(const Datos& d) {
    const auto inicio = Reloj::now();
    if (!Orden(Cliente(d, "mariadb-dump", d.maestro) + kOpcionesVolcado + d.base + " >/dev/null"))
        return -1;
    return Segundos(inicio);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "Uso: bench_copia RUTA_MYSQL PUERTO_MAESTRO PUERTO_ESCLAVO "
                             "CLAVE_ROOT BASE [VECES]\n");
        return 2;
    }
    QApplication app(argc, argv);
    const Datos d{argv[1], argv[2], argv[3], argv[4], argv[5]};
    const int veces = argc > 6 ? std::max(1, std::atoi(argv[6])) : 3;
    QPlainTextEdit caja;
    caja.resize(337, 264);
    caja.show();

    double bloqueo = 1e9, ventana = 1e9, tuberia = 1e9, volcado = 1e9;
    for (int i = 0; i < veces; ++i) {
        if (!VaciaEsclavo(d))
            return 1;
        const auto [b, t] = CopiaDeLaVentana(d, caja);
        if (!VaciaEsclavo(d))
            return 1;
        const double p = Tuberia(d);
        const double v = VolcadoSolo(d);
        if (b < 0 || p < 0 || v < 0) {
            std::fprintf(stderr, "una de las copias falló\n");
            return 1;
        }
        bloqueo = std::min(bloqueo, b);
        ventana = std::min(ventana, t);
        tuberia = std::min(tuberia, p);
        volcado = std::min(volcado, v);
        std::printf("ronda %d: ventana %.2f s (bloqueo %.2f s), tubería %.2f s, volcado solo "
                    "%.2f s\n",
                    i + 1, t, b, p, v);
        std::fflush(stdout);
    }
    const double razonTotal = ventana / tuberia;
    const double razonBloqueo = bloqueo / volcado;
    std::printf(
        "\n| | ventana (archivo + carga) | tubería | volcado solo |\n|---|---:|---:|---:|\n");
    std::printf("| total | %.2f s | %.2f s | |\n", ventana, tuberia);
    std::printf("| maestro bloqueado | %.2f s | %.2f s | %.2f s |\n", bloqueo, tuberia, volcado);
    std::printf("\ntotal ventana / tubería: %.2f (meta ≤ 1.25) %s\n", razonTotal,
                razonTotal <= 1.25 ? "cumple" : "NO CUMPLE");
    std::printf("bloqueo ventana / volcado solo: %.2f (meta ≤ 1.10) %s\n", razonBloqueo,
                razonBloqueo <= 1.10 ? "cumple" : "NO CUMPLE");
    return razonTotal <= 1.25 && razonBloqueo <= 1.10 ? 0 : 3;
}
