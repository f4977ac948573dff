#include "ConsultaEstado.h"

#include "Componentes.h"
#include "Errores.h"
#include "TextosReplicacion.h"

#include <chrono>
#include <cstdlib>
#include <set>
#include <thread>

namespace estado {

namespace {

using rtqx5::Conexion;
using Resultado = rtqx5::Conexion::Resultado;

bool Conecta(const Servidor& s, Conexion& c, ErrorConexion* error = nullptr) {
    rtqx5::BasesDD bd;
    bd.cRuta = s.host;
    bd.cPuerto = s.puerto;
    bd.cUsuario = s.usuario;
    bd.cPassword = s.clave;
    bd.cEsperaConexion = s.esperaConexion;
    bd.cEsperaLectura = s.esperaLectura;
    const bool conectada = bd.ConectarAservidor(c);
    if (!conectada && error)
        *error = {bd.nErrorConexion, bd.cErrorConexion};
    return conectada;
}

std::uint64_t Numero(const std::string& texto) {
    return std::strtoull(texto.c_str(), nullptr, 10);
}

// La columna con su nombre clásico o con el de MySQL 8.0.22+.
std::string Columna(const Resultado& r, const std::string& clasica) {
    for (const std::string& nombre : {clasica, pasos::ColumnaNueva(clasica)})
        for (const auto& c : r.columnas)
            if (c == nombre)
                return r.Valor(nombre);
    return {};
}

// El valor de una variable del servidor ("" si no existe).
std::string Variable(Conexion& c, const std::string& nombre) {
    const Resultado r = c.Consulta("SHOW VARIABLES LIKE '" + nombre + "'");
    return r.filas.empty() || r.filas.front().size() < 2 ? std::string() : r.filas.front()[1];
}

std::vector<std::string> Separa(const std::string& lista) {
    std::vector<std::string> partes;
    std::size_t inicio = 0;
    while (inicio <= lista.size()) {
        const std::size_t fin = std::min(lista.find(',', inicio), lista.size());
        const std::string parte = lista.substr(inicio, fin - inicio);
        if (!parte.empty())
            partes.push_back(parte);
        inicio = fin + 1;
    }
    return partes;
}

// Una consulta opcional: su falla queda como aviso.
template <class F> void Intenta(std::vector<std::string>& avisos, const char* que, F&& f) {
    try {
        f();
    } catch (const rtqx5::ErrorRT& e) {
        avisos.push_back(std::string(que) + ": " + e.Descripcion());
    }
}

} // namespace

EstadoMaestro LeeMaestro(const Servidor& servidor) {
    EstadoMaestro m;
    Conexion c;
    if (!Conecta(servidor, c, &m.error))
        return m;
    try {
        m.version = c.Execute("SELECT VERSION()").at(0);
    } catch (const rtqx5::ErrorRT& x) {
        m.error = {0, x.Descripcion()};
        return m;
    }
    m.responde = true;
    const pasos::VersionServidor v = pasos::LeeVersion(m.version);
    Intenta(m.avisos, "Variables", [&] {
        m.registroBinario = Variable(c, "log_bin") == "ON";
        m.serverId = Variable(c, "server_id");
    });
    if (m.registroBinario) {
        Intenta(m.avisos, "Posición del registro binario", [&] {
            const Resultado r = c.Consulta(pasos::ConsultaEstadoMaestro(v));
            m.archivo = r.Valor("File");
            m.posicion = Numero(r.Valor("Position"));
            m.binlogDoDb = r.Valor("Binlog_Do_DB");
        });
        Intenta(m.avisos, "Archivos del registro binario", [&] {
            for (const auto& f : c.Consulta("SHOW BINARY LOGS").filas)
                if (f.size() >= 2)
                    m.logs.push_back({f[0], Numero(f[1])});
        });
    }
    Intenta(m.avisos, "Cuentas de replicación", [&] {
        std::vector<std::string> cuentas;
        for (const auto& f :
             c.Consulta("SELECT User, Host FROM mysql.user WHERE Repl_slave_priv='Y'").filas)
            cuentas.push_back(f.at(0) + "@" + f.at(1));
        m.cuentas = std::move(cuentas);
    });
    Intenta(m.avisos, "Esclavos conectados", [&] {
        for (const auto& f : c.Consulta("SELECT HOST, TIME FROM information_schema.PROCESSLIST "
                                        "WHERE COMMAND LIKE 'Binlog Dump%'")
                                 .filas)
            m.esclavos.push_back({f.at(0), f.at(1)});
    });
    return m;
}

EstadoEsclavo LeeEsclavo(const Servidor& servidor) {
    EstadoEsclavo e;
    Conexion c;
    if (!Conecta(servidor, c, &e.error))
        return e;
    Resultado r;
    try {
        e.version = c.Execute("SELECT VERSION()").at(0);
        r = c.Consulta(pasos::ConsultaEstadoEsclavo(pasos::LeeVersion(e.version)));
    } catch (const rtqx5::ErrorRT& x) {
        e.error = {0, x.Descripcion()};
        return e;
    }
    e.responde = true;
    e.configurado = !r.filas.empty();
    if (!e.configurado)
        return e;
    e.hiloLectura = Columna(r, "Slave_IO_Running");
    e.hiloAplicacion = Columna(r, "Slave_SQL_Running");
    e.numeroErrorLectura = std::atol(Columna(r, "Last_IO_Errno").c_str());
    e.errorLectura = Columna(r, "Last_IO_Error");
    e.numeroErrorAplicacion = std::atol(Columna(r, "Last_SQL_Errno").c_str());
    e.errorAplicacion = Columna(r, "Last_SQL_Error");
    // NULL llega como "": el servidor no sabe el atraso.
    const std::string segundos = Columna(r, "Seconds_Behind_Master");
    if (!segundos.empty())
        e.segundosAtras = std::atoll(segundos.c_str());
    e.hostMaestro = Columna(r, "Master_Host");
    e.puertoMaestro = Columna(r, "Master_Port");
    e.archivoLeido = Columna(r, "Master_Log_File");
    e.posicionLeida = Numero(Columna(r, "Read_Master_Log_Pos"));
    e.archivoAplicado = Columna(r, "Relay_Master_Log_File");
    e.posicionAplicada = Numero(Columna(r, "Exec_Master_Log_Pos"));
    e.baseReplicada = Columna(r, "Replicate_Do_DB");
    return e;
}

namespace {

std::vector<std::string> Tablas(Conexion& c, const std::string& base) {
    std::vector<std::string> tablas;
    for (const auto& f : c.Consulta("SHOW FULL TABLES FROM " + pasos::IdentificadorSQL(base) +
                                    " WHERE Table_type='BASE TABLE'")
                             .filas)
        tablas.push_back(f.at(0));
    return tablas;
}

std::string Checksum(Conexion& c, const std::string& tabla) {
    const Resultado r = c.Consulta("CHECKSUM TABLE " + tabla);
    return r.Valor("Checksum");
}

std::string Filas(Conexion& c, const std::string& tabla) {
    return c.Execute("SELECT COUNT(*) FROM " + tabla).at(0);
}

// Reanuda el hilo de aplicación (quita también un UNTIL pendiente); si la
// conexión se perdió, con otra.
bool ReanudaAplicacion(const Servidor& s, Conexion& c, const pasos::VersionServidor& v) {
    for (int intento = 0; intento < 2; ++intento) {
        try {
            if (!c.Abierta() && !Conecta(s, c))
                continue;
            try {
                c.Execute(pasos::SentenciaDetieneAplicacion(v));
            } catch (const rtqx5::ErrorRT&) {
            }
            c.Execute(pasos::SentenciaIniciaAplicacion(v));
            return true;
        } catch (const rtqx5::ErrorRT&) {
            c.Cierra();
        }
    }
    return false;
}

// True cuando el hilo de aplicación ya ejecutó hasta esa posición del maestro.
bool Ejecutado(const Resultado& estado, const std::string& archivo, std::uint64_t posicion) {
    return Columna(estado, "Relay_Master_Log_File") == archivo &&
           Numero(Columna(estado, "Exec_Master_Log_Pos")) >= posicion;
}

// Lleva el hilo de aplicación (detenido) hasta la posición del maestro y lo
// deja detenido allí; false si no llega en `espera` segundos.
bool LlegaA(Conexion& e, const pasos::VersionServidor& v, const std::string& archivo,
            std::uint64_t posicion, int espera) {
    const std::string estado = pasos::ConsultaEstadoEsclavo(v);
    if (Ejecutado(e.Consulta(estado), archivo, posicion))
        return true;
    e.Execute(pasos::SentenciaAplicaHasta(v, archivo, posicion, e.DiagonalLiteral()));
    // La espera del servidor; su respuesta no basta (NULL si el hilo ya se
    // detuvo en la posición): decide el estado del esclavo.
    e.Execute(pasos::ConsultaEsperaPosicion(v, archivo, posicion, espera, e.DiagonalLiteral()));
    const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
        const Resultado r = e.Consulta(estado);
        if (Ejecutado(r, archivo, posicion) && Columna(r, "Slave_SQL_Running") != "Yes")
            return true;
        if (Columna(r, "Slave_SQL_Running") != "Yes" || std::chrono::steady_clock::now() > limite)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

struct Comparacion {
    std::string suma;
    std::string filas;
};

// Bajo el bloqueo de lectura del maestro: su posición y la suma y las filas de
// cada tabla. El bloqueo se suelta pase lo que pase.
std::vector<Comparacion> LeeMaestroBloqueado(Conexion& m, const pasos::VersionServidor& v,
                                             const std::vector<TablaVerificada>& tablas,
                                             Verificacion& r) {
    std::vector<Comparacion> datos;
    m.Execute("FLUSH TABLES WITH READ LOCK");
    const auto inicio = std::chrono::steady_clock::now();
    const auto suelta = [&] {
        try {
            m.Execute("UNLOCK TABLES");
        } catch (const rtqx5::ErrorRT&) {
            m.Cierra(); // al cerrarse la conexión el servidor suelta el bloqueo
        }
        r.msBloqueo = std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now() - inicio)
                          .count();
    };
    try {
        const Resultado estado = m.Consulta(pasos::ConsultaEstadoMaestro(v));
        r.archivo = estado.Valor("File");
        r.posicion = Numero(estado.Valor("Position"));
        for (const auto& t : tablas) {
            const std::string nombre =
                pasos::IdentificadorSQL(t.base) + "." + pasos::IdentificadorSQL(t.nombre);
            datos.push_back({Checksum(m, nombre), Filas(m, nombre)});
        }
    } catch (...) {
        suelta();
        throw;
    }
    suelta();
    return datos;
}

} // namespace

Verificacion VerificaDatos(const Servidor& sm, const Servidor& se, int espera) {
    Verificacion r;
    Conexion m, e;
    if (!Conecta(sm, m)) {
        r.error = "El servidor MAESTRO no responde";
        return r;
    }
    if (!Conecta(se, e)) {
        r.error = "El servidor ESCLAVO no responde";
        return r;
    }
    pasos::VersionServidor vm, ve;
    std::set<std::string> tablasEsclavo;
    try {
        vm = pasos::LeeVersion(m.Execute("SELECT VERSION()").at(0));
        ve = pasos::LeeVersion(e.Execute("SELECT VERSION()").at(0));
        const Resultado estado = e.Consulta(pasos::ConsultaEstadoEsclavo(ve));
        if (estado.filas.empty()) {
            r.error = "La instancia no es esclavo de ningún maestro";
            return r;
        }
        const std::string lectura = Columna(estado, "Slave_IO_Running");
        const std::string aplicacion = Columna(estado, "Slave_SQL_Running");
        if (lectura != "Yes" || aplicacion != "Yes") {
            r.error = "La replicación no está corriendo (lectura " + lectura + ", aplicación " +
                      aplicacion + "): no se puede verificar";
            return r;
        }
        std::vector<std::string> bases = Separa(Columna(estado, "Replicate_Do_DB"));
        if (bases.empty())
            bases = Separa(m.Consulta(pasos::ConsultaEstadoMaestro(vm)).Valor("Binlog_Do_DB"));
        if (bases.empty()) {
            r.error = "No se sabe qué base de datos se replica (replicate-do-db vacío)";
            return r;
        }
        for (const auto& base : bases) {
            for (const auto& t : Tablas(m, base))
                r.tablas.push_back({base, t, false, {}, {}});
            for (const auto& t : Tablas(e, base))
                tablasEsclavo.insert(base + "." + t);
        }
    } catch (const std::exception& x) {
        r.error = x.what();
        return r;
    }

    // Desde aquí el hilo de aplicación del esclavo se detiene: se reanuda al
    // final, también tras un error.
    try {
        e.Execute(pasos::SentenciaDetieneAplicacion(ve));
        const std::vector<Comparacion> maestro = LeeMaestroBloqueado(m, vm, r.tablas, r);
        if (!LlegaA(e, ve, r.archivo, r.posicion, espera)) {
            r.error = "El esclavo no llegó a la posición " + r.archivo + ", " +
                      std::to_string(r.posicion) + " del maestro en " + std::to_string(espera) +
                      " s";
        } else {
            for (std::size_t i = 0; i < r.tablas.size(); ++i) {
                TablaVerificada& t = r.tablas[i];
                t.filasMaestro = maestro[i].filas;
                if (!tablasEsclavo.count(t.base + "." + t.nombre))
                    continue;
                const std::string nombre =
                    pasos::IdentificadorSQL(t.base) + "." + pasos::IdentificadorSQL(t.nombre);
                t.filasEsclavo = Filas(e, nombre);
                t.igual = Checksum(e, nombre) == maestro[i].suma && !maestro[i].suma.empty();
            }
            r.completa = true;
        }
    } catch (const std::exception& x) {
        r.error = x.what();
        r.completa = false;
    }
    r.reanudado = ReanudaAplicacion(se, e, ve);
    return r;
}

std::string ResumenVerificacion(const Verificacion& v) {
    std::size_t iguales = 0;
    std::string distintas;
    std::size_t cuantasDistintas = 0;
    for (const auto& t : v.tablas) {
        if (t.igual) {
            ++iguales;
            continue;
        }
        distintas += (cuantasDistintas++ ? ", " : "") + t.nombre;
    }
    std::string r = std::to_string(iguales) + (iguales == 1 ? " tabla igual" : " tablas iguales");
    if (cuantasDistintas == 0)
        return r;
    return r + ", " + std::to_string(cuantasDistintas) +
           (cuantasDistintas == 1 ? " distinta: " : " distintas: ") + distintas;
}

std::string ReiniciaReplicacion(const Servidor& se) {
    Conexion c;
    if (!Conecta(se, c))
        return "El servidor ESCLAVO no responde";
    try {
        const auto v = pasos::LeeVersion(c.Execute("SELECT VERSION()").at(0));
        c.Execute(pasos::SentenciaDetieneEsclavo(v));
        c.Execute(pasos::SentenciaIniciaEsclavo(v));
    } catch (const std::exception& x) {
        return x.what();
    }
    return {};
}

} // namespace estado
