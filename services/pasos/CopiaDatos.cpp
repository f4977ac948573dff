#include "CopiaDatos.h"

#include "DiagnosticoReplicacion.h"
#include "Errores.h"
#include "TextosProcedimiento.h"
#include "TextosReplicacion.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <tuple>

namespace pasos {

namespace {

// --host=H --port=P --protocol=tcp --user=U --default-character-set=C, after
// the program and the password file.
std::string Conexion(const std::string& programa, const DatosCopia& d, const std::string& host) {
    std::string r = programa;
    if (!d.opcionClave.empty()) {
        r += ' ';
        r += d.opcionClave;
    }
    r += ' ';
    r += ArgumentoLinea("--host=" + host);
    r += ' ';
    r += ArgumentoLinea("--port=" + d.puerto);
    r += " --protocol=tcp ";
    r += ArgumentoLinea("--user=" + d.usuario);
    r += ' ';
    r += ArgumentoLinea("--default-character-set=" + d.juegoCaracteres);
    return r;
}

// The quoted value that follows `clave` ("MASTER_LOG_FILE='"), up to its
// closing quote.
std::optional<std::string> ValorEntreApostrofos(const std::string& linea,
                                                const std::string& clave) {
    const auto inicio = linea.find(clave);
    if (inicio == std::string::npos)
        return std::nullopt;
    const auto desde = inicio + clave.size();
    const auto fin = linea.find('\'', desde);
    if (fin == std::string::npos)
        return std::nullopt;
    return linea.substr(desde, fin - desde);
}

std::optional<std::uint64_t> Numero(const std::string& linea, const std::string& clave) {
    const auto inicio = linea.find(clave);
    if (inicio == std::string::npos)
        return std::nullopt;
    const char* desde = linea.data() + inicio + clave.size();
    const char* fin = linea.data() + linea.size();
    std::uint64_t n = 0;
    const auto [ptr, ec] = std::from_chars(desde, fin, n);
    if (ec != std::errc() || ptr == desde ||
        (ptr != fin && *ptr != ';' && *ptr != ',' && *ptr != ' ' && *ptr != '\r'))
        return std::nullopt;
    return n;
}

std::optional<CoordenadasLog> LeeLinea(const std::string& linea) {
    for (const auto& [prefijo, archivo, posicion] :
         {std::tuple<const char*, const char*, const char*>{"-- CHANGE MASTER TO ",
                                                            "MASTER_LOG_FILE='", "MASTER_LOG_POS="},
          {"-- CHANGE REPLICATION SOURCE TO ", "SOURCE_LOG_FILE='", "SOURCE_LOG_POS="}}) {
        if (!linea.starts_with(prefijo))
            continue;
        const auto nombre = ValorEntreApostrofos(linea, archivo);
        const auto n = Numero(linea, posicion);
        if (!nombre || !n)
            return std::nullopt;
        if (const std::string motivo = MotivoArchivoLog(*nombre); !motivo.empty())
            throw rtqx5::ErrorRT(rtqx5::kErrorArgumento,
                                 "el volcado nombra como archivo del registro binario del "
                                 "MAESTRO «" +
                                     TextoVisible(*nombre) + "», que " + motivo);
        return CoordenadasLog{*nombre, *n};
    }
    return std::nullopt;
}

} // namespace

std::vector<std::string> BasesACopiar(const std::string& principal,
                                      const std::vector<std::string>& enMaestro) {
    std::vector<std::string> r{principal};
    for (const char* base : kBasesAcompanantes) {
        if (MinusculasAscii(principal) == base)
            continue;
        if (std::any_of(enMaestro.begin(), enMaestro.end(),
                        [&](const std::string& b) { return MinusculasAscii(b) == base; }))
            r.emplace_back(base);
    }
    return r;
}

std::string MotivoBaseNoCopiable(const std::string& base) {
    if (base.empty())
        return "está vacío";
    if (base.front() == '-')
        return "empieza con un guion";
    if (std::any_of(base.begin(), base.end(),
                    [](unsigned char c) { return c <= ' ' || c == '"' || c == 0x7f; }))
        return "contiene un blanco, una comilla o un carácter de control";
    return {};
}

std::string ConsultaTablasCopia(const std::vector<std::string>& bases, bool diagonalLiteral) {
    std::string lista;
    for (const auto& b : bases)
        lista += (lista.empty() ? "'" : ", '") + EscapaSQL(b, diagonalLiteral) + "'";
    return "SELECT TABLE_SCHEMA, TABLE_NAME, ENGINE, DATA_LENGTH FROM information_schema.TABLES "
           "WHERE TABLE_TYPE = 'BASE TABLE' AND TABLE_SCHEMA IN (" +
           lista + ") ORDER BY TABLE_SCHEMA, TABLE_NAME";
}

std::vector<TablaCopia> LeeTablasCopia(const std::vector<std::vector<std::string>>& filas) {
    std::vector<TablaCopia> r;
    for (const auto& f : filas)
        if (f.size() >= 4)
            r.push_back({f[0], f[1], f[2], std::strtoull(f[3].c_str(), nullptr, 10)});
    return r;
}

ModoVolcado EligeModoVolcado(const std::vector<TablaCopia>& tablas) {
    for (const auto& t : tablas)
        if (MinusculasAscii(t.motor) != "innodb")
            return {false, t.nombre, t.motor.empty() ? "de un motor desconocido" : t.motor};
    return {true, {}, {}};
}

std::string AvisoModoVolcado(const ModoVolcado& modo) {
    if (modo.transaccional)
        return "Todas las tablas son InnoDB: el MAESTRO seguirá aceptando escrituras mientras se "
               "copian los datos";
    return "La tabla " + modo.tabla + " es " + modo.motor +
           ": el MAESTRO quedará en solo lectura mientras se copian los datos";
}

std::string ComandoVuelcaDatos(const DatosCopia& d, const std::vector<std::string>& bases,
                               const std::string& archivo, const ModoVolcado& modo) {
    std::string r = Conexion(ProgramaMySQL(d.rutaMySQL, "mysqldump"), d, d.host);
    r += modo.transaccional ? " --single-transaction" : " --lock-all-tables";
    r += " --master-data=2 --routines --triggers --verbose ";
    r += ArgumentoLinea("--result-file=" + archivo, true);
    r += " --databases";
    for (const auto& base : bases) {
        r += ' ';
        r += ArgumentoSuelto(base, "La base de datos");
    }
    return r;
}

const TablaCopia* TablaSonda(const std::vector<TablaCopia>& tablas) {
    for (const auto& t : tablas)
        if (MinusculasAscii(t.motor) == "innodb")
            return &t;
    return tablas.empty() ? nullptr : &tablas.front();
}

std::string SentenciaSondaEscritura(const std::string& base, const std::string& tabla,
                                    const std::string& columna) {
    const std::string c = IdentificadorSQL(columna);
    return "UPDATE LOW_PRIORITY " + IdentificadorSQL(base) + "." + IdentificadorSQL(tabla) +
           " SET " + c + " = " + c + " WHERE 1 = 0";
}

std::string LineaAvanceCopia(const AvanceCopia& a) {
    std::string r = a.cargando ? "Carga: " : "Volcado: ";
    r += Megabytes(a.hechos);
    if (a.total > 0)
        r += (a.cargando ? " de " : " de unos ") + Megabytes(a.total);
    r += " MB";
    r += TiempoQueFalta(a.segundos, a.hechos, a.total);
    if (a.soloLectura)
        r +=
            *a.soloLectura ? "; el MAESTRO está en solo lectura" : "; el MAESTRO acepta escrituras";
    return r;
}

int PorcentajeCopia(const AvanceCopia& a) {
    if (a.total == 0)
        return 0;
    return static_cast<int>(
        std::min<std::uint64_t>(99, a.hechos * 100 / std::max<std::uint64_t>(a.total, 1)));
}

std::string ComandoCargaDatos(const DatosCopia& d) {
    return Conexion(ProgramaMySQL(d.rutaMySQL, "mysql"), d, "127.0.0.1");
}

std::optional<CoordenadasLog> LeeCoordenadas(const std::string& cabecera) {
    std::size_t inicio = 0;
    while (inicio < cabecera.size()) {
        auto fin = cabecera.find('\n', inicio);
        if (fin == std::string::npos)
            fin = cabecera.size();
        if (auto c = LeeLinea(cabecera.substr(inicio, fin - inicio)))
            return c;
        inicio = fin + 1;
    }
    return std::nullopt;
}

std::optional<CoordenadasLog> LeeCoordenadasArchivo(const std::string& ruta) {
    std::ifstream f(ruta, std::ios::binary);
    if (!f)
        return std::nullopt;
    // The header, the session settings and the coordinates come before the
    // first table; a few hundred lines are more than enough.
    std::string linea;
    for (int n = 0; n < 500 && std::getline(f, linea); ++n) {
        if (auto c = LeeLinea(linea))
            return c;
    }
    return std::nullopt;
}

std::string NombreVolcado(const std::string& carpeta, const std::string& base, std::time_t cuando) {
    const std::string marca = MarcaDeTiempo(cuando);
    std::string r = carpeta;
    r += "copia-";
    // Only letters, digits, "_" and "-" of the name: a file name that any
    // file system and any tool takes as it is.
    for (const char c : base) {
        const bool simple = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                            (c >= '0' && c <= '9') || c == '_' || c == '-';
        r += simple ? c : '_';
    }
    r += '-';
    r += marca;
    r += ".sql";
    return r;
}

std::string Megabytes(std::uint64_t bytes) {
    const double mb = static_cast<double>(bytes) / (1024.0 * 1024.0);
    char texto[32];
    // A small copy still shows its size ("0.02"), a large one whole megabytes.
    std::snprintf(texto, sizeof texto, mb < 0.95 ? "%.2f" : mb < 9.95 ? "%.1f" : "%.0f", mb);
    return texto;
}

} // namespace pasos
