#include "ConsultaEstado.h"

#include "ConexionEstado.h"
#include "Errores.h"
#include "TextosReplicacion.h"

#include <cstdlib>

namespace estado {

using rtqx5::Conexion;
using Resultado = rtqx5::Conexion::Resultado;

bool Conecta(const Servidor& s, Conexion& c, ErrorConexion* error) {
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

std::string Columna(const Resultado& r, const std::string& clasica) {
    for (const std::string& nombre : {clasica, pasos::ColumnaNueva(clasica)})
        for (const auto& c : r.columnas)
            if (c == nombre)
                return r.Valor(nombre);
    return {};
}

namespace {

// El valor de una variable del servidor ("" si no existe).
std::string Variable(Conexion& c, const std::string& nombre) {
    const Resultado r = c.Consulta("SHOW VARIABLES LIKE '" + nombre + "'");
    return r.filas.empty() || r.filas.front().size() < 2 ? std::string() : r.filas.front()[1];
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
