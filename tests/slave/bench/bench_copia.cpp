// The copy of the master's data as the slave window makes it, measured (a
// measurement, not a test; tools/bench-copia prepares the servers and runs it).
//
//   bench_copia RUTA_MYSQL PUERTO_MAESTRO PUERTO_ESCLAVO CLAVE_ROOT BASE_MYISAM
//               BASE_INNODB [VECES]
//
// Both databases hold a `ventas` InnoDB table, where a sale is written every
// 20 ms while each dump runs; BASE_MYISAM also holds MyISAM tables (the dump
// locks the whole master), BASE_INNODB only InnoDB ones (one transaction). Each
// round, taking turns on a slave emptied first:
//   - the window's copy of BASE_MYISAM: the dump command line of CopiaDatos in
//     the mode the window picks from the tables, into a file through
//     EjecutaCMD (mode 1, into a real capture box), with the window's write
//     probe; the coordinates read from its header; the load command line;
//   - the pipe: mysqldump --lock-all-tables --master-data=2 … | mysql …, the
//     master locked until the dump has been read by the load;
//   - the same dump straight into a file, the least the lock can last;
//   - the window's copy of BASE_INNODB.
// Prints the best of the rounds and, for the goals, the median over the rounds
// of each round's figure (the machine's load moves single rounds): the
// MyISAM window's total at most 1.25 × the pipe's and its lock at most 1.1 ×
// the plain dump; the longest wait of a sale during the InnoDB dump at most
// 50 ms; the longest the window's event loop stood still during its copies
// (a 5 ms timer; the runner pumps events as in the window), under 50 ms.

#include "CajaQt.h"
#include "ClaveTemporal.h"
#include "CopiaDatos.h"
#include "EjecucionCMD.h"
#include "PuntoDeVenta.h"
#include "SondaEscritura.h"
#include "TextosVerificacion.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

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
    std::string rutaMySQL, maestro, esclavo, clave;
};

std::string Cliente(const Datos& d, const char* programa, const std::string& puerto) {
    return std::string("MYSQL_PWD=") + Comillas(d.clave) + " " + programa +
           " --no-defaults --protocol=tcp -h127.0.0.1 -uroot -P" + puerto;
}

bool Orden(const std::string& orden) {
    return std::system(orden.c_str()) == 0;
}

bool VaciaEsclavo(const Datos& d, const std::string& base) {
    return Orden(Cliente(d, "mariadb", d.esclavo) + " -e " +
                 Comillas("DROP DATABASE IF EXISTS " + base));
}

rtqx5::BasesDD Cuenta(const Datos& d) {
    rtqx5::BasesDD bd;
    bd.cRuta = "127.0.0.1";
    bd.cPuerto = d.maestro;
    bd.cUsuario = "root";
    bd.cPassword = d.clave;
    return bd;
}

// One window copy: the dump's seconds, the whole copy's, what the probe
// measured as read-only, and the longest a sale waited during the dump (ms).
struct Copia {
    double volcado = -1, total = -1, soloLectura = -1;
    long long venta = -1;
};

Copia CopiaDeLaVentana(const Datos& d, const std::string& base, QPlainTextEdit& caja) {
    Copia r;
    rtqx5::BasesDD cuenta = Cuenta(d);
    rtqx5::Conexion m, cv;
    if (!cuenta.ConectarAservidor(m) || !cuenta.ConectarAservidor(cv))
        return r;
    // The mode and the probe as the window picks them.
    const auto tablas = pasos::LeeTablasCopia(m.Consulta(pasos::ConsultaTablasCopia({base})).filas);
    const pasos::ModoVolcado modo = pasos::EligeModoVolcado(tablas);
    const pasos::TablaCopia* tablaSonda = pasos::TablaSonda(tablas);
    if (!tablaSonda)
        return r;
    const std::string columna =
        m.Execute(pasos::ConsultaColumnas(tablaSonda->base, tablaSonda->nombre)).at(0);
    PuntoDeVenta venta(cv, "INSERT INTO ventas (total) VALUES (1.00)", base);

    pasos::ClaveTemporal clave(d.clave);
    pasos::DatosCopia copia{d.rutaMySQL, clave.Opcion(), "127.0.0.1", d.maestro, "root", "latin1"};
    const std::string volcado =
        (std::filesystem::temp_directory_path() / "bench-copia.sql").string();
    ejecucion::CajaQt destino(&caja);
    std::string bloque, salida;
    std::int32_t codigo = 0;
    venta.Empieza();
    SondaEscritura sonda(
        cuenta, pasos::SentenciaSondaEscritura(tablaSonda->base, tablaSonda->nombre, columna));
    const auto inicio = Reloj::now();
    const bool volco =
        ejecucion::EjecutaCMD(pasos::ComandoVuelcaDatos(copia, {base}, volcado, modo), ".", "",
                              &destino, true, ejecucion::kModoAgrega, bloque, salida, 0, codigo) &&
        codigo == 0;
    const double segundosVolcado = Segundos(inicio);
    venta.Detiene();
    sonda.Detiene();
    if (!volco || !pasos::LeeCoordenadasArchivo(volcado) || !venta.Error().empty())
        return r;
    copia.puerto = d.esclavo;
    if (!ejecucion::EjecutaCMD(pasos::ComandoCargaDatos(copia), ".", "", &destino, true,
                               ejecucion::kModoAgrega, bloque, salida, 0, codigo, volcado) ||
        codigo != 0)
        return r;
    r = {segundosVolcado, Segundos(inicio), sonda.SegundosEnEspera(), venta.EsperaMaxima()};
    std::filesystem::remove(volcado);
    return r;
}

const char* const kOpcionesVolcado = " --lock-all-tables --master-data=2 --routines --triggers "
                                     "--default-character-set=latin1 --databases ";

double Tuberia(const Datos& d, const std::string& base) {
    const auto inicio = Reloj::now();
    if (!Orden("bash -c " +
               Comillas("set -o pipefail; " + Cliente(d, "mariadb-dump", d.maestro) +
                        kOpcionesVolcado + base + " | " + Cliente(d, "mariadb", d.esclavo) +
                        " --default-character-set=latin1")))
        return -1;
    return Segundos(inicio);
}

// The same dump into a file, run directly: what the lock cannot be shorter
// than when the dump goes to a file.
double VolcadoSolo(const Datos& d, const std::string& base) {
    const std::string archivo =
        (std::filesystem::temp_directory_path() / "bench-copia-solo.sql").string();
    const auto inicio = Reloj::now();
    if (!Orden(Cliente(d, "mariadb-dump", d.maestro) + kOpcionesVolcado + base +
               " --result-file=" + Comillas(archivo)))
        return -1;
    const double segundos = Segundos(inicio);
    std::filesystem::remove(archivo);
    return segundos;
}

double Mediana(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

const char* Cumple(bool si) {
    return si ? "cumple" : "NO CUMPLE";
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 7) {
        std::fprintf(stderr, "Uso: bench_copia RUTA_MYSQL PUERTO_MAESTRO PUERTO_ESCLAVO "
                             "CLAVE_ROOT BASE_MYISAM BASE_INNODB [VECES]\n");
        return 2;
    }
    QApplication app(argc, argv);
    const Datos d{argv[1], argv[2], argv[3], argv[4]};
    const std::string myisam = argv[5], innodb = argv[6];
    const int veces = argc > 7 ? std::max(1, std::atoi(argv[7])) : 3;
    QPlainTextEdit caja;
    caja.resize(337, 264);
    caja.show();
    ejecucion::InstalaBombaQt();
    // The longest gap between two ticks while the window's copies run.
    qint64 parada = 0;
    QElapsedTimer entreTics;
    QTimer tic;
    QObject::connect(&tic, &QTimer::timeout,
                     [&] { parada = std::max(parada, entreTics.restart()); });
    const auto ventana = [&](const std::string& base) {
        if (!VaciaEsclavo(d, base))
            return Copia{};
        entreTics.start();
        tic.start(5);
        const Copia c = CopiaDeLaVentana(d, base, caja);
        tic.stop();
        return c;
    };

    Copia mejorM{1e9, 1e9, 1e9, 1LL << 60}, mejorI = mejorM;
    double tuberia = 1e9, volcado = 1e9;
    std::vector<double> razonesTotal, razonesBloqueo, ventasInnoDB;
    for (int i = 0; i < veces; ++i) {
        const Copia m = ventana(myisam);
        if (!VaciaEsclavo(d, myisam))
            return 1;
        const double p = Tuberia(d, myisam);
        const double v = VolcadoSolo(d, myisam);
        const Copia n = ventana(innodb);
        if (m.total < 0 || n.total < 0 || p < 0 || v < 0) {
            std::fprintf(stderr, "una de las copias falló\n");
            return 1;
        }
        razonesTotal.push_back(m.total / p);
        razonesBloqueo.push_back(m.volcado / v);
        ventasInnoDB.push_back(static_cast<double>(n.venta));
        for (auto [mejor, c] : {std::pair{&mejorM, m}, std::pair{&mejorI, n}}) {
            mejor->volcado = std::min(mejor->volcado, c.volcado);
            mejor->total = std::min(mejor->total, c.total);
            mejor->soloLectura = std::min(mejor->soloLectura, c.soloLectura);
            mejor->venta = std::min(mejor->venta, c.venta);
        }
        tuberia = std::min(tuberia, p);
        volcado = std::min(volcado, v);
        std::printf("ronda %d: MyISAM ventana %.2f s (volcado %.2f s, solo lectura %.2f s, venta "
                    "%lld ms), tubería %.2f s, volcado solo %.2f s; InnoDB ventana %.2f s "
                    "(volcado %.2f s, solo lectura %.2f s, venta %lld ms)\n",
                    i + 1, m.total, m.volcado, m.soloLectura, m.venta, p, v, n.total, n.volcado,
                    n.soloLectura, n.venta);
        std::fflush(stdout);
    }
    const double razonTotal = Mediana(razonesTotal);
    const double razonBloqueo = Mediana(razonesBloqueo);
    const double ventaInnoDB = Mediana(ventasInnoDB);
    std::printf(
        "\n| | ventana (archivo + carga) | tubería | volcado solo |\n|---|---:|---:|---:|\n");
    std::printf("| total | %.2f s | %.2f s | |\n", mejorM.total, tuberia);
    std::printf("| maestro bloqueado | %.2f s | %.2f s | %.2f s |\n", mejorM.volcado, tuberia,
                volcado);
    std::printf("\n| ventana, base | volcado | total | solo lectura (sonda) | venta que más esperó "
                "|\n|---|---:|---:|---:|---:|\n");
    for (const auto& [nombre, c] : {std::pair{"MyISAM (--lock-all-tables)", mejorM},
                                    std::pair{"InnoDB (--single-transaction)", mejorI}})
        std::printf("| %s | %.2f s | %.2f s | %.2f s | %lld ms |\n", nombre, c.volcado, c.total,
                    c.soloLectura, c.venta);
    std::printf("\ntotal ventana / tubería, mediana de las rondas: %.2f (meta ≤ 1.25) %s\n",
                razonTotal, Cumple(razonTotal <= 1.25));
    std::printf("bloqueo ventana / volcado solo, mediana de las rondas: %.2f (meta ≤ 1.10) %s\n",
                razonBloqueo, Cumple(razonBloqueo <= 1.10));
    std::printf("venta que más esperó durante el volcado InnoDB, mediana de las rondas: %.0f ms "
                "(meta ≤ 50 ms) %s\n",
                ventaInnoDB, Cumple(ventaInnoDB <= 50));
    std::printf("parada más larga de la ventana durante sus copias: %lld ms (meta < 50 ms) %s\n",
                static_cast<long long>(parada), Cumple(parada < 50));
    return razonTotal <= 1.25 && razonBloqueo <= 1.10 && ventaInnoDB <= 50 && parada < 50 ? 0 : 3;
}
