// "Verificar datos" measured (a measurement, not a test; tools/bench-verificacion
// prepares the servers and runs it):
//
//   bench_verificacion PUERTO_MAESTRO PUERTO_ESCLAVO CLAVE_ROOT FILAS
//
// On a master and its slave with the same datos1 (MyISAM `articulos`, InnoDB
// `movimientos`, FILAS rows each), while a sale is written on the master every
// 20 ms (an INSERT into datos1.movimientos, the table the check locks chunk by
// chunk), after the sales alone for a while (what the machine itself makes a
// sale wait):
//   - today's check: the slave's SQL thread stopped, FLUSH TABLES WITH READ
//     LOCK on the master for its position and the CHECKSUM TABLE and COUNT(*)
//     of every table, the slave taken to that position and the same there;
//   - the window's check (estado::VerificaDatos), by chunks;
//   - one row changed on the slave, and the window's check again: it must name
//     that table and a key range that holds the row.
// Goals: the longest wait of a sale during the window's check at most 50 ms;
// its total at most 3 × today's.

#include "ConexionEstado.h"
#include "DiagnosticoReplicacion.h"
#include "PuntoDeVenta.h"
#include "TextosReplicacion.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

using Reloj = std::chrono::steady_clock;
using rtqx5::Conexion;

double Segundos(Reloj::time_point desde) {
    return std::chrono::duration<double>(Reloj::now() - desde).count();
}

estado::Servidor Servidor(const std::string& puerto, const std::string& clave) {
    estado::Servidor s{"127.0.0.1", puerto, "root", clave};
    s.esperaConexion = 10;
    s.esperaLectura = 0; // CHECKSUM TABLE of a large table takes long
    return s;
}

struct Hoy {
    bool completa = false;
    bool iguales = false;
    double segundos = 0;
    double segundosBloqueo = 0;
};

// Today's statements, as the window sent them before the check by chunks.
Hoy VerificaComoHoy(const estado::Servidor& sm, const estado::Servidor& se) {
    Hoy r;
    Conexion m, e;
    if (!estado::Conecta(sm, m) || !estado::Conecta(se, e))
        return r;
    const auto inicio = Reloj::now();
    const auto vm = pasos::LeeVersion(m.Execute("SELECT VERSION()").at(0));
    const auto ve = pasos::LeeVersion(e.Execute("SELECT VERSION()").at(0));
    const std::vector<std::string> tablas =
        m.Execute("SHOW FULL TABLES FROM datos1 WHERE Table_type='BASE TABLE'");
    const auto suma = [](Conexion& c, const std::string& t) {
        const std::string nombre = "datos1." + pasos::IdentificadorSQL(t);
        return c.Consulta("CHECKSUM TABLE " + nombre).Valor("Checksum") + "/" +
               c.Execute("SELECT COUNT(*) FROM " + nombre).at(0);
    };
    e.Execute(pasos::SentenciaDetieneAplicacion(ve));
    m.Execute("FLUSH TABLES WITH READ LOCK");
    const auto bloqueo = Reloj::now();
    const auto estadoMaestro = m.Consulta(pasos::ConsultaEstadoMaestro(vm));
    std::vector<std::string> enMaestro;
    for (const auto& t : tablas)
        enMaestro.push_back(suma(m, t));
    m.Execute("UNLOCK TABLES");
    r.segundosBloqueo = Segundos(bloqueo);
    if (estado::LlevaAplicacionA(e, ve, estadoMaestro.Valor("File"),
                                 estado::Numero(estadoMaestro.Valor("Position")), 600)) {
        r.completa = true;
        r.iguales = true;
        for (std::size_t i = 0; i < tablas.size(); ++i)
            r.iguales = r.iguales && suma(e, tablas[i]) == enMaestro[i];
    }
    r.completa = estado::ReanudaAplicacion(se, e, ve) && r.completa;
    r.segundos = Segundos(inicio);
    return r;
}

// "12 / 30 / 61 ms": the median, the 99th percentile and the longest wait.
std::string Esperas(const PuntoDeVenta& v) {
    return std::to_string(v.Percentil(50)) + " / " + std::to_string(v.Percentil(99)) + " / " +
           std::to_string(v.EsperaMaxima()) + " ms";
}

// The window's check with the sales running; the longest wait of a sale.
estado::Verificacion VerificaPorTrozos(const estado::Servidor& sm, const estado::Servidor& se,
                                       PuntoDeVenta& venta, double& segundos, long long& espera,
                                       std::string& esperas) {
    estado::ControlVerificacion control;
    auto ultima = Reloj::now();
    control.avance = [&](const estado::AvanceVerificacion& a) {
        if (Segundos(ultima) < 10)
            return;
        ultima = Reloj::now();
        std::fprintf(stderr, "%s\n", estado::LineaAvance(a).c_str());
    };
    venta.Empieza();
    const auto inicio = Reloj::now();
    estado::Verificacion v = estado::VerificaDatos(sm, se, 600, control);
    segundos = Segundos(inicio);
    venta.Detiene();
    espera = venta.EsperaMaxima();
    esperas = Esperas(venta);
    return v;
}

bool EsperaReplica(const estado::Servidor& se) {
    for (int i = 0; i < 300; ++i) {
        Conexion e;
        if (estado::Conecta(se, e)) {
            const auto r = e.Consulta("SHOW SLAVE STATUS");
            if (r.Valor("Slave_IO_Running") == "Yes" && r.Valor("Slave_SQL_Running") == "Yes")
                return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr,
                     "Uso: bench_verificacion PUERTO_MAESTRO PUERTO_ESCLAVO CLAVE_ROOT FILAS\n");
        return 2;
    }
    const estado::Servidor sm = Servidor(argv[1], argv[3]), se = Servidor(argv[2], argv[3]);
    const long filas = std::atol(argv[4]);
    if (!EsperaReplica(se)) {
        std::fprintf(stderr, "el esclavo no replica\n");
        return 1;
    }
    rtqx5::BasesDD cuenta;
    cuenta.cRuta = sm.host;
    cuenta.cPuerto = sm.puerto;
    cuenta.cUsuario = sm.usuario;
    cuenta.cPassword = sm.clave;
    Conexion cv;
    if (!cuenta.ConectarAservidor(cv))
        return 1;
    PuntoDeVenta venta(cv, "INSERT INTO movimientos (codigo, descripcion, precio, existencia) "
                           "VALUES ('0000000000000', 'Venta', 1.00, 1)");

    std::fprintf(stderr, "Ventas sin verificar…\n");
    venta.Empieza();
    std::this_thread::sleep_for(std::chrono::seconds(20));
    venta.Detiene();
    const std::string esperaSola = Esperas(venta);

    std::fprintf(stderr, "Verificación de hoy…\n");
    venta.Empieza();
    const Hoy hoy = VerificaComoHoy(sm, se);
    venta.Detiene();
    const std::string esperaHoy = Esperas(venta);

    std::fprintf(stderr, "Verificación por trozos…\n");
    double segundos = 0;
    long long espera = 0;
    std::string esperas;
    const estado::Verificacion v = VerificaPorTrozos(sm, se, venta, segundos, espera, esperas);
    if (!hoy.completa || !v.completa || !venta.Error().empty()) {
        std::fprintf(stderr, "una verificación falló: %s %s\n", v.error.c_str(),
                     venta.Error().c_str());
        return 1;
    }

    // One row changed by hand on the slave.
    const long fila = filas / 2 + 7;
    {
        Conexion e;
        if (!estado::Conecta(se, e))
            return 1;
        e.Execute("UPDATE datos1.movimientos SET existencia = existencia + 1 WHERE id = " +
                  std::to_string(fila));
    }
    std::fprintf(stderr, "Verificación por trozos con una fila cambiada en el esclavo…\n");
    double segundosCambio = 0;
    long long esperaCambio = 0;
    std::string esperasCambio;
    const estado::Verificacion c =
        VerificaPorTrozos(sm, se, venta, segundosCambio, esperaCambio, esperasCambio);
    std::string encontrada;
    bool contiene = false;
    for (const auto& t : c.tablas)
        for (const auto& rango : t.rangos) {
            encontrada += (encontrada.empty() ? "" : "; ") + estado::DescribeRango(t, rango);
            contiene =
                contiene || (t.nombre == "movimientos" && std::atol(rango.desde.c_str()) <= fila &&
                             std::atol(rango.hasta.c_str()) >= fila);
        }
    const bool soloEsa = c.completa &&
                         std::count_if(c.tablas.begin(), c.tablas.end(),
                                       [](const auto& t) { return !t.igual; }) == 1 &&
                         std::any_of(c.tablas.begin(), c.tablas.end(), [](const auto& t) {
                             return !t.igual && t.nombre == "movimientos";
                         });

    std::printf("\nEspera de una venta (mediana / 99 %% / la más larga) en 20 s sin verificar "
                "nada: %s\n",
                esperaSola.c_str());
    std::printf("\n| | hoy: el maestro entero bloqueado | por trozos |\n|---|---:|---:|\n");
    std::printf("| verificación completa | %.1f s | %.1f s |\n", hoy.segundos, segundos);
    std::printf("| el maestro bloqueado | %.2f s, entero | a lo más %lld ms seguidos, una tabla "
                "(%zu trozos) |\n",
                hoy.segundosBloqueo, v.msBloqueoMaximo, v.trozos);
    std::printf("| espera de una venta (mediana / 99 %% / la más larga) | %s | %s |\n",
                esperaHoy.c_str(), esperas.c_str());
    std::printf("| resultado | %s | %s |\n", hoy.iguales ? "iguales" : "DISTINTAS",
                estado::ResumenVerificacion(v).c_str());
    std::printf("\nFila cambiada en el esclavo (movimientos, id %ld): %s (%.1f s, espera de una "
                "venta %s)\n",
                fila, encontrada.c_str(), segundosCambio, esperasCambio.c_str());
    const double razon = segundos / hoy.segundos;
    const bool bien = espera <= 50 && esperaCambio <= 50 && razon <= 3 && contiene && soloEsa;
    std::printf("venta que más esperó por trozos: %lld ms (meta ≤ 50 ms) %s\n",
                std::max(espera, esperaCambio),
                espera <= 50 && esperaCambio <= 50 ? "cumple" : "NO CUMPLE");
    std::printf("por trozos / hoy: %.2f (meta ≤ 3) %s\n", razon,
                razon <= 3 ? "cumple" : "NO CUMPLE");
    std::printf("la fila cambiada, con su rango de llaves y ninguna otra tabla: %s\n",
                contiene && soloEsa ? "cumple" : "NO CUMPLE");
    return bien ? 0 : 3;
}
