#pragma once

#include "Versiones.h"

#include <optional>
#include <string>
#include <vector>

// The statements of the data check by chunks: a table is walked in the order
// of its primary (or unique) key, a few thousand rows at a time, and each
// chunk is counted and summed with the same query on the master and on the
// slave. Nothing is written on either server. No Qt; all text is UTF-8.
namespace pasos {

// TABLE_NAME and TABLE_ROWS (an estimate for InnoDB) of the base tables of
// the database, by name.
std::string ConsultaTablasBase(const std::string& base, bool diagonalLiteral = false);

// A column as information_schema.COLUMNS describes it.
struct ColumnaTabla {
    std::string nombre;
    std::string tipo;  // DATA_TYPE ("int", "varchar", "datetime"…)
    bool nula = false; // IS_NULLABLE
    std::string juego; // CHARACTER_SET_NAME; "" for columns without one
};

// COLUMN_NAME, DATA_TYPE, IS_NULLABLE, CHARACTER_SET_NAME of the table's
// columns in their order.
std::string ConsultaColumnas(const std::string& base, const std::string& tabla,
                             bool diagonalLiteral = false);
// The columns out of the rows of ConsultaColumnas.
std::vector<ColumnaTabla> LeeColumnas(const std::vector<std::vector<std::string>>& filas);

// SHOW INDEX FROM `base`.`tabla`.
std::string ConsultaIndices(const std::string& base, const std::string& tabla);

// The key the walk follows: the index and its columns in the index's order.
struct LlaveTabla {
    std::string indice;
    std::vector<ColumnaTabla> columnas;
};

// The primary key; else the unique key with the fewest columns. Every column
// of it must be NOT NULL (rows with NULL would fall out of every key range)
// and of a type whose values the walk can write back as literals: integers,
// decimals, BIT, YEAR, dates and times, character and binary strings. Nothing
// when no key qualifies. `indices` are SHOW INDEX's columns and rows.
std::optional<LlaveTabla> EligeLlave(const std::vector<ColumnaTabla>& columnas,
                                     const std::vector<std::string>& columnasIndice,
                                     const std::vector<std::vector<std::string>>& indices);

// One value of the key: per column, the SQL literal that stands for it and
// the text a person reads.
struct ValorLlave {
    std::vector<std::string> literal;
    std::vector<std::string> texto;
};

// The rows of a chunk: key > desde (without it, from the first row) and key
// <= hasta (without it, to the last).
struct Trozo {
    std::optional<ValorLlave> desde;
    std::optional<ValorLlave> hasta;
};

// SELECT, per key column, the form LeeValorLlave takes and its text, of the
// rows of the chunk in key order (descending with `descendente`), skipping
// `saltar` rows, one row: the key `saltar` rows after the chunk's start, or
// its first or last key.
std::string ConsultaLlave(const std::string& base, const std::string& tabla,
                          const LlaveTabla& llave, const Trozo& trozo, unsigned long long saltar,
                          bool descendente = false);
// The key value of a row of ConsultaLlave; nothing when a value is not of the
// form its type gives (then the walk cannot go on safely).
std::optional<ValorLlave> LeeValorLlave(const LlaveTabla& llave,
                                        const std::vector<std::string>& fila);

// SELECT COUNT(*), BIT_XOR(CRC32(<row>)) of the chunk's rows, through the
// key's index. Without a key (`llave` null), of the whole table, with
// SUM(CRC32(<row>)): rows that repeat do not cancel each other out. The row is
// every column in the table's order, each string as its bytes, with the length
// of each string and a mark for each NULL: rows that differ in any column
// (NULL against '', 'a#' 'b' against 'a' '#b') give different texts.
std::string ConsultaSuma(const std::string& base, const std::string& tabla,
                         const std::vector<ColumnaTabla>& columnas, const LlaveTabla* llave,
                         const Trozo& trozo);

// LOCK TABLES `base`.`tabla` READ, and UNLOCK TABLES.
std::string SentenciaBloqueaLectura(const std::string& base, const std::string& tabla);
inline constexpr const char* kDesbloquea = "UNLOCK TABLES";

// The session settings of a check, on both servers: values shown the same
// way (no sql_mode that pads CHAR values, UTC for TIMESTAMP columns) and,
// where the server has it (MySQL 5.5+, MariaDB), a short wait for a table
// lock, so that a busy table never keeps sales waiting behind the check.
std::vector<std::string> SentenciasSesionVerificacion(const VersionServidor& v);

// "id" or "(caja, folio)"; a value as "120001" or "(1, 'Caja 2')".
std::string DescribeLlave(const LlaveTabla& llave);
std::string DescribeValor(const LlaveTabla& llave, const ValorLlave& valor);

// True when `a` comes before `b` in the key's order, as far as the client can
// tell: numbers as numbers, the rest byte by byte (a person reads the range;
// the walk itself never relies on it).
bool AntesEnLlave(const LlaveTabla& llave, const ValorLlave& a, const ValorLlave& b);

} // namespace pasos
