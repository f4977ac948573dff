#include "TextosProcedimiento.h"

#include "Errores.h"
#include "OpcionMySQL.h"
#include "Rutas.h"

#include <cstdio>

namespace pasos {

namespace {

constexpr const char* kClaveOculta = "********";

// Concatenation from the left (appends only: no insertion at the front).
template <class... Partes> std::string Une(const Partes&... partes) {
    std::string r;
    ((r += partes), ...);
    return r;
}

} // namespace

std::string EscapaSQL(const std::string& texto, bool diagonalLiteral) {
    std::string r;
    r.reserve(texto.size() + 8);
    for (const char c : texto) {
        if (c == '\'') {
            r += "''";
        } else if (c == '\\' && !diagonalLiteral) {
            r += "\\\\";
        } else if (c == '\0' && !diagonalLiteral) {
            r += "\\0";
        } else {
            r += c;
        }
    }
    return r;
}

std::string CuentaSQL(const std::string& usuario, const std::string& direccion,
                      bool diagonalLiteral) {
    return Une("'", EscapaSQL(usuario, diagonalLiteral), "'@'",
               EscapaSQL(direccion, diagonalLiteral), "'");
}

std::string TextoVisible(const std::string& texto) {
    constexpr std::size_t kMaximo = 64;
    std::string r;
    std::size_t caracteres = 0;
    for (std::size_t i = 0; i < texto.size(); ++i) {
        const auto c = static_cast<unsigned char>(texto[i]);
        if ((c & 0xC0) != 0x80 && caracteres++ == kMaximo)
            return r + "…";
        const char* escape = c == '\r'   ? "\\r"
                             : c == '\n' ? "\\n"
                             : c == '\t' ? "\\t"
                             : c == 0    ? "\\0"
                                         : nullptr;
        if (escape) {
            r += escape;
        } else if (c < 0x20 || c == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            r += hex;
        } else {
            r += texto[i];
        }
    }
    return r;
}

void RevisaValorReplicacion(const std::string& valor, const std::string& que, bool muestraValor) {
    if (valor.find_first_of(std::string("\r\n\0", 3)) == std::string::npos)
        return;
    throw rtqx5::ErrorRT(rtqx5::kErrorArgumento,
                         Une(que, muestraValor ? Une(" «", TextoVisible(valor), "»") : "",
                             " lleva un salto de línea o un carácter nulo, que la réplica no "
                             "puede guardar (master.info lleva un valor por línea)"));
}

SentenciasCuenta SentenciasCuentaReplicacion(const VersionServidor& version,
                                             const std::string& usuario,
                                             const std::string& direccion, const std::string& clave,
                                             bool diagonalLiteral) {
    // The server keeps account names without their final blanks, and takes
    // an empty user for the anonymous account and an empty address for "%".
    const auto revisa = [](const std::string& valor, const std::string& que, const char* vacio) {
        if (valor.empty())
            throw rtqx5::ErrorRT(rtqx5::kErrorArgumento,
                                 Une(que, " no puede quedar en blanco: ", vacio));
        if (valor.back() == ' ')
            throw rtqx5::ErrorRT(rtqx5::kErrorArgumento,
                                 Une(que, " «", TextoVisible(valor),
                                     "» termina con un blanco, que el servidor no guarda: la "
                                     "cuenta sería otra"));
        RevisaValorReplicacion(valor, que);
    };
    revisa(usuario, "El usuario de la cuenta de replicación",
           "sería la cuenta anónima, que entra con cualquier usuario");
    revisa(direccion, "La dirección de la cuenta de replicación",
           "el servidor la tomaría por «%», cualquier equipo");
    RevisaValorReplicacion(clave, "La contraseña de la cuenta de replicación", false);
    const std::string cuenta = CuentaSQL(usuario, direccion, diagonalLiteral);
    const std::string crea = Une("CREATE USER ", cuenta, " IDENTIFIED BY '");
    const std::string permiso = Une("GRANT REPLICATION SLAVE ON *.* TO ", cuenta);
    const std::string literal = EscapaSQL(clave, diagonalLiteral);
    SentenciasCuenta r;
    r.borra.exacta = r.borra.enmascarada = Une("DROP USER ", cuenta);
    r.crea.exacta = Une(crea, literal, "'");
    r.crea.enmascarada = Une(crea, kClaveOculta, "'");
    if (MySQL8(version)) {
        r.permiso.exacta = r.permiso.enmascarada = permiso;
    } else {
        r.permiso.exacta = Une(permiso, " IDENTIFIED BY '", literal, "'");
        r.permiso.enmascarada = Une(permiso, " IDENTIFIED BY '", kClaveOculta, "'");
    }
    return r;
}

std::string OcultaClave(const std::string& texto, const std::string& clave, bool diagonalLiteral) {
    std::string r = texto;
    const auto oculta = [&r](const std::string& forma) {
        if (forma.empty())
            return;
        const std::string mascara = kClaveOculta;
        for (std::size_t i = r.find(forma); i != std::string::npos;
             i = r.find(forma, i + mascara.size()))
            r.replace(i, forma.size(), mascara);
    };
    // The literal first: it holds the password as typed when nothing needed
    // escaping.
    const std::string literal = EscapaSQL(clave, diagonalLiteral);
    oculta(literal);
    if (clave != literal)
        oculta(clave);
    return r;
}

std::string ComandoNet(const std::string& accion, const std::string& servicio) {
    return Une("net ", accion, " ", ArgumentoSuelto(servicio, "El nombre del servicio"));
}

std::string ArgumentoLinea(const std::string& argumento, bool siempreEntreComillas) {
    if (argumento.find('\0') != std::string::npos)
        throw rtqx5::ErrorRT(
            rtqx5::kErrorArgumento,
            Une("El argumento «", TextoVisible(argumento),
                "» lleva un carácter nulo, que cortaría allí la línea de órdenes"));
    if (!siempreEntreComillas && !argumento.empty() &&
        argumento.find_first_of(" \t\"") == std::string::npos)
        return argumento;
    std::string r = "\"";
    std::size_t diagonales = 0;
    for (const char c : argumento) {
        if (c == '\\') {
            ++diagonales;
            continue;
        }
        if (c == '"') {
            // Backslashes before a quote are doubled, and the quote escaped.
            r.append(diagonales * 2 + 1, '\\');
        } else {
            r.append(diagonales, '\\');
        }
        diagonales = 0;
        r += c;
    }
    // Backslashes before the closing quote are doubled.
    r.append(diagonales * 2, '\\');
    r += '"';
    return r;
}

std::string ArgumentoSuelto(const std::string& valor, const std::string& que) {
    if (valor.empty())
        throw rtqx5::ErrorRT(rtqx5::kErrorArgumento, Une(que, " no puede quedar en blanco"));
    if (valor.find('\0') != std::string::npos)
        throw rtqx5::ErrorRT(rtqx5::kErrorArgumento,
                             Une(que, " «", TextoVisible(valor), "» lleva un carácter nulo"));
    if (valor.front() == '-' || valor.front() == '/')
        throw rtqx5::ErrorRT(rtqx5::kErrorArgumento,
                             Une(que, " «", TextoVisible(valor), "» empieza con «",
                                 valor.substr(0, 1), "»: el programa lo leería como una opción"));
    return ArgumentoLinea(valor);
}

std::string ProgramaMySQL(const std::string& rutaMySQL, const std::string& programa) {
    if (rutaMySQL.find('"') != std::string::npos)
        throw rtqx5::ErrorRT(rtqx5::kErrorArgumento,
                             Une("La carpeta de MySQL «", TextoVisible(rutaMySQL),
                                 "» lleva una comilla doble, que no cabe en el nombre de un "
                                 "programa en la línea de órdenes"));
    return ArgumentoLinea(Une(rutaMySQL, "bin", std::string(1, rtqx5::SeparadorRuta()), programa),
                          true);
}

std::string ComandoValidaOpciones(const std::string& rutaMySQL, const std::string& archivo,
                                  const VersionServidor& version) {
    return Une(ProgramaMySQL(rutaMySQL, "mysqld"),
               " --defaults-file=", ArgumentoLinea(archivo, true), " ",
               ValidaConfig(version) ? "--validate-config" : "--verbose --help");
}

std::string ComandoVersionServidor(const std::string& rutaMySQL) {
    return Une(ProgramaMySQL(rutaMySQL, "mysqld"), " --version");
}

std::string TextoError(long numero, const std::string& descripcion) {
    return Une("Error", numero >= 0 ? " " : "", std::to_string(numero), ", ", descripcion);
}

std::string MinusculasAscii(std::string texto) {
    for (char& c : texto)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return texto;
}

std::string TiempoQueFalta(double transcurridos, std::uint64_t hechos, std::uint64_t total) {
    if (transcurridos < 0.5 || hechos == 0 || hechos >= total)
        return {};
    const auto segundos = static_cast<long long>(
        transcurridos * static_cast<double>(total - hechos) / static_cast<double>(hechos) + 0.5);
    if (segundos <= 0)
        return {};
    return "; faltan unos " + (segundos < 90 ? std::to_string(segundos) + " s"
                                             : std::to_string((segundos + 30) / 60) + " min");
}

std::string MarcaDeTiempo(std::time_t cuando) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &cuando);
#else
    localtime_r(&cuando, &local);
#endif
    char marca[32];
    std::snprintf(marca, sizeof marca, "%04d%02d%02d-%02d%02d%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return marca;
}

std::string NombreRespaldo(const std::string& ruta, std::time_t cuando, int orden) {
    return Une(ruta, ".", MarcaDeTiempo(cuando),
               orden > 1 ? Une("-", std::to_string(orden)) : std::string(), ".bak");
}

} // namespace pasos
