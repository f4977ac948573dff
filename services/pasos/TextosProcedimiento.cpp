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

SentenciasCuenta SentenciasCuentaReplicacion(const VersionServidor& version,
                                             const std::string& usuario,
                                             const std::string& direccion, const std::string& clave,
                                             bool diagonalLiteral) {
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
    return Une("net ", accion, " ", ArgumentoLinea(servicio));
}

std::string ArgumentoLinea(const std::string& argumento, bool siempreEntreComillas) {
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

std::string ProgramaMySQL(const std::string& rutaMySQL, const std::string& programa) {
    return Une("\"", rutaMySQL, "bin", std::string(1, rtqx5::SeparadorRuta()), programa, "\"");
}

std::string ComandoValidaOpciones(const std::string& rutaMySQL, const std::string& archivo,
                                  const VersionServidor& version) {
    return Une(ProgramaMySQL(rutaMySQL, "mysqld"), " --defaults-file=\"", archivo, "\" ",
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

std::string TiempoQueFalta(long long segundos) {
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
