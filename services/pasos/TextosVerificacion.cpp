#include "TextosVerificacion.h"

#include "DiagnosticoReplicacion.h"
#include "TextosProcedimiento.h"

#include <algorithm>
#include <cstdlib>
#include <map>

namespace pasos {

namespace {

// What a column's values are, for the key walk and for the row's text.
enum class Clase {
    Numero, // integers, decimals, YEAR: written back as they read
    Bit,    // read as a number (`c`+0)
    Fecha,  // dates and times: written back quoted
    Texto,  // character strings: written back from their bytes in their set
    Binario,
    Real, // FLOAT, DOUBLE: no key, shown plainly in the row
    Otra  // ENUM, SET, JSON, spatial…: no key, bytes in the row
};

bool Es(const std::string& tipo, std::initializer_list<const char*> nombres) {
    return std::any_of(nombres.begin(), nombres.end(), [&](const char* n) { return tipo == n; });
}

Clase ClaseDe(const ColumnaTabla& c) {
    const std::string t = MinusculasAscii(c.tipo);
    if (Es(t, {"tinyint", "smallint", "mediumint", "int", "integer", "bigint", "decimal", "numeric",
               "year"}))
        return Clase::Numero;
    if (t == "bit")
        return Clase::Bit;
    if (Es(t, {"date", "datetime", "timestamp", "time"}))
        return Clase::Fecha;
    if (Es(t, {"char", "varchar", "tinytext", "text", "mediumtext", "longtext"}))
        return c.juego.empty() ? Clase::Binario : Clase::Texto;
    if (Es(t, {"binary", "varbinary", "tinyblob", "blob", "mediumblob", "longblob"}))
        return Clase::Binario;
    if (Es(t, {"float", "double", "real", "double precision"}))
        return Clase::Real;
    return Clase::Otra;
}

bool ClaseDeLlave(Clase c) {
    return c != Clase::Real && c != Clase::Otra;
}

std::string Tabla(const std::string& base, const std::string& tabla) {
    return IdentificadorSQL(base) + "." + IdentificadorSQL(tabla);
}

// The key column as ConsultaLlave reads it, for LeeValorLlave.
std::string FormaLlave(const ColumnaTabla& c) {
    const std::string id = IdentificadorSQL(c.nombre);
    switch (ClaseDe(c)) {
    case Clase::Bit:
        return id + "+0";
    case Clase::Texto:
    case Clase::Binario:
        return "HEX(" + id + ")";
    default:
        return id;
    }
}

std::string TextoLlave(const ColumnaTabla& c) {
    const std::string id = IdentificadorSQL(c.nombre);
    switch (ClaseDe(c)) {
    case Clase::Bit:
        return id + "+0";
    case Clase::Binario:
        return "CONCAT('0x', HEX(" + id + "))";
    default:
        return id;
    }
}

bool SoloDe(const std::string& texto, const char* admitidos) {
    return !texto.empty() && texto.find_first_not_of(admitidos) == std::string::npos;
}

// The columns from the i-th on compared with the value: `op` (">" or "<") for
// every column but the last, `ultimo` (">" or "<=") for the last.
std::string Compara(const LlaveTabla& llave, const ValorLlave& v, std::size_t i, const char* op,
                    const char* ultimo) {
    const std::string id = IdentificadorSQL(llave.columnas[i].nombre);
    if (i + 1 == llave.columnas.size())
        return id + " " + ultimo + " " + v.literal[i];
    return "(" + id + " " + op + " " + v.literal[i] + " OR (" + id + " = " + v.literal[i] +
           " AND " + Compara(llave, v, i + 1, op, ultimo) + "))";
}

std::string Condicion(const LlaveTabla& llave, const Trozo& trozo) {
    std::string r;
    if (trozo.desde)
        r = Compara(llave, *trozo.desde, 0, ">", ">");
    if (trozo.hasta)
        r += (r.empty() ? "" : " AND ") + Compara(llave, *trozo.hasta, 0, "<", "<=");
    return r;
}

std::string DesdeIndice(const std::string& base, const std::string& tabla, const LlaveTabla& llave,
                        const Trozo& trozo) {
    std::string r = " FROM " + Tabla(base, tabla);
    if (!trozo.desde && !trozo.hasta)
        return r;
    r += " FORCE INDEX (" + IdentificadorSQL(llave.indice) + ") WHERE " + Condicion(llave, trozo);
    return r;
}

// The row as one text: every column in order, strings as their bytes, and a
// last part with each string's length and each NULL's mark, so that no two
// different rows read alike.
std::string TextoFila(const std::vector<ColumnaTabla>& columnas) {
    std::string valores, marcas;
    for (const auto& c : columnas) {
        const std::string id = IdentificadorSQL(c.nombre);
        const Clase clase = ClaseDe(c);
        const bool plano = clase == Clase::Numero || clase == Clase::Fecha || clase == Clase::Real;
        valores += ", " + (plano ? id : "CAST(" + id + " AS BINARY)");
        if (!plano)
            marcas += ", IFNULL(LENGTH(" + id + "), 'N')";
        else if (c.nula)
            marcas += ", ISNULL(" + id + ")";
    }
    if (!marcas.empty())
        valores += ", CONCAT_WS(','" + marcas + ")";
    return "CONCAT_WS('#'" + valores + ")";
}

} // namespace

std::string ConsultaTablasBase(const std::string& base, bool diagonalLiteral) {
    return "SELECT TABLE_NAME, TABLE_ROWS FROM information_schema.TABLES WHERE TABLE_SCHEMA = '" +
           EscapaSQL(base, diagonalLiteral) + "' AND TABLE_TYPE = 'BASE TABLE' ORDER BY TABLE_NAME";
}

std::string ConsultaColumnas(const std::string& base, const std::string& tabla,
                             bool diagonalLiteral) {
    return "SELECT COLUMN_NAME, DATA_TYPE, IS_NULLABLE, CHARACTER_SET_NAME FROM "
           "information_schema.COLUMNS WHERE TABLE_SCHEMA = '" +
           EscapaSQL(base, diagonalLiteral) + "' AND TABLE_NAME = '" +
           EscapaSQL(tabla, diagonalLiteral) + "' ORDER BY ORDINAL_POSITION";
}

std::vector<ColumnaTabla> LeeColumnas(const std::vector<std::vector<std::string>>& filas) {
    std::vector<ColumnaTabla> r;
    for (const auto& f : filas)
        if (f.size() >= 4)
            r.push_back({f[0], MinusculasAscii(f[1]), f[2] == "YES", f[3]});
    return r;
}

std::string ConsultaIndices(const std::string& base, const std::string& tabla) {
    return "SHOW INDEX FROM " + Tabla(base, tabla);
}

std::optional<LlaveTabla> EligeLlave(const std::vector<ColumnaTabla>& columnas,
                                     const std::vector<std::string>& columnasIndice,
                                     const std::vector<std::vector<std::string>>& indices) {
    const auto posicion = [&](const char* nombre) {
        const auto i = std::find(columnasIndice.begin(), columnasIndice.end(), nombre);
        return i == columnasIndice.end() ? columnasIndice.size()
                                         : static_cast<std::size_t>(i - columnasIndice.begin());
    };
    const std::size_t nombre = posicion("Key_name"), noUnico = posicion("Non_unique"),
                      orden = posicion("Seq_in_index"), columna = posicion("Column_name"),
                      tipo = posicion("Index_type");
    if (std::max({nombre, noUnico, orden, columna}) >= columnasIndice.size())
        return std::nullopt;

    struct Candidata {
        std::map<int, std::string> columnas;
        bool sirve = true;
    };
    std::map<std::string, Candidata> candidatas;
    for (const auto& f : indices) {
        if (f.size() != columnasIndice.size() || f[noUnico] != "0")
            continue;
        Candidata& c = candidatas[f[nombre]];
        // Hash, full-text and spatial indexes have no order to walk.
        if (tipo < f.size() && Es(f[tipo], {"HASH", "FULLTEXT", "SPATIAL", "RTREE"}))
            c.sirve = false;
        c.columnas[std::atoi(f[orden].c_str())] = f[columna];
    }
    std::optional<LlaveTabla> mejor;
    for (const auto& [indice, c] : candidatas) {
        if (!c.sirve)
            continue;
        LlaveTabla llave{indice, {}};
        for (const auto& [n, nombreColumna] : c.columnas) {
            const auto col = std::find_if(columnas.begin(), columnas.end(),
                                          [&](const auto& x) { return x.nombre == nombreColumna; });
            if (col == columnas.end() || col->nula || !ClaseDeLlave(ClaseDe(*col))) {
                llave.columnas.clear();
                break;
            }
            llave.columnas.push_back(*col);
        }
        if (llave.columnas.empty())
            continue;
        if (indice == "PRIMARY")
            return llave;
        if (!mejor || llave.columnas.size() < mejor->columnas.size())
            mejor = std::move(llave);
    }
    return mejor;
}

std::string ConsultaLlave(const std::string& base, const std::string& tabla,
                          const LlaveTabla& llave, const Trozo& trozo, unsigned long long saltar,
                          bool descendente) {
    std::string campos, orden;
    for (const auto& c : llave.columnas) {
        campos += (campos.empty() ? "" : ", ") + FormaLlave(c) + ", " + TextoLlave(c);
        orden +=
            (orden.empty() ? "" : ", ") + IdentificadorSQL(c.nombre) + (descendente ? " DESC" : "");
    }
    // Through the index, also for the first chunk (no condition).
    std::string desde = DesdeIndice(base, tabla, llave, trozo);
    if (!trozo.desde && !trozo.hasta)
        desde += " FORCE INDEX (" + IdentificadorSQL(llave.indice) + ")";
    return "SELECT " + campos + desde + " ORDER BY " + orden + " LIMIT " + std::to_string(saltar) +
           ", 1";
}

std::optional<ValorLlave> LeeValorLlave(const LlaveTabla& llave,
                                        const std::vector<std::string>& fila) {
    if (fila.size() != 2 * llave.columnas.size())
        return std::nullopt;
    ValorLlave v;
    for (std::size_t i = 0; i < llave.columnas.size(); ++i) {
        const ColumnaTabla& c = llave.columnas[i];
        const std::string& forma = fila[2 * i];
        std::string literal;
        switch (ClaseDe(c)) {
        case Clase::Numero:
        case Clase::Bit:
            if (!SoloDe(forma, "0123456789-+.eE"))
                return std::nullopt;
            literal = forma;
            break;
        case Clase::Fecha:
            if (!SoloDe(forma, "0123456789-:. "))
                return std::nullopt;
            literal = "'" + forma + "'";
            break;
        case Clase::Texto:
        case Clase::Binario:
            if (forma.size() % 2 || (!forma.empty() && !SoloDe(forma, "0123456789ABCDEF")))
                return std::nullopt;
            literal = "X'" + forma + "'";
            // Characters keep their set, so that they compare by the column's
            // collation, not byte by byte.
            if (ClaseDe(c) == Clase::Texto) {
                if (!SoloDe(c.juego, "abcdefghijklmnopqrstuvwxyz0123456789_"))
                    return std::nullopt;
                literal = "_" + c.juego + " " + literal;
            }
            break;
        default:
            return std::nullopt;
        }
        v.literal.push_back(std::move(literal));
        v.texto.push_back(fila[2 * i + 1]);
    }
    return v;
}

std::string ConsultaSuma(const std::string& base, const std::string& tabla,
                         const std::vector<ColumnaTabla>& columnas, const LlaveTabla* llave,
                         const Trozo& trozo) {
    const std::string crc = "CRC32(" + TextoFila(columnas) + ")";
    // SQL_NO_CACHE: thousands of one-off answers would only crowd the query
    // cache of a server that has it on.
    if (!llave)
        return "SELECT SQL_NO_CACHE COUNT(*), SUM(" + crc + ") FROM " + Tabla(base, tabla);
    return "SELECT SQL_NO_CACHE COUNT(*), BIT_XOR(" + crc + ")" +
           DesdeIndice(base, tabla, *llave, trozo);
}

std::string SentenciaBloqueaLectura(const std::string& base, const std::string& tabla) {
    return "LOCK TABLES " + Tabla(base, tabla) + " READ";
}

std::vector<std::string> SentenciasSesionVerificacion(const VersionServidor& v) {
    std::vector<std::string> r{"SET SESSION sql_mode = ''", "SET SESSION time_zone = '+00:00'"};
    // lock_wait_timeout came with MySQL 5.5 (and is in every MariaDB).
    if (v.mariadb || v.mayor > 5 || (v.mayor == 5 && v.menor >= 5))
        r.emplace_back("SET SESSION lock_wait_timeout = 2");
    return r;
}

std::string DescribeLlave(const LlaveTabla& llave) {
    if (llave.columnas.size() == 1)
        return llave.columnas.front().nombre;
    std::string r;
    for (const auto& c : llave.columnas)
        r += (r.empty() ? "(" : ", ") + c.nombre;
    return r + ")";
}

std::string DescribeValor(const LlaveTabla& llave, const ValorLlave& valor) {
    std::string r;
    for (std::size_t i = 0; i < llave.columnas.size() && i < valor.texto.size(); ++i) {
        const Clase c = ClaseDe(llave.columnas[i]);
        const bool comillas = c == Clase::Texto || c == Clase::Fecha;
        r += (i ? ", " : "") + (comillas ? "'" + valor.texto[i] + "'" : valor.texto[i]);
    }
    return llave.columnas.size() == 1 ? r : "(" + r + ")";
}

bool AntesEnLlave(const LlaveTabla& llave, const ValorLlave& a, const ValorLlave& b) {
    for (std::size_t i = 0; i < llave.columnas.size(); ++i) {
        const Clase c = ClaseDe(llave.columnas[i]);
        if (c == Clase::Numero || c == Clase::Bit) {
            const long double x = std::strtold(a.literal[i].c_str(), nullptr);
            const long double y = std::strtold(b.literal[i].c_str(), nullptr);
            if (x != y)
                return x < y;
        } else if (a.literal[i] != b.literal[i]) {
            return a.literal[i] < b.literal[i];
        }
    }
    return false;
}

} // namespace pasos
