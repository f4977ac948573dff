#pragma once

// La lista de valores hostiles del proyecto: lo que un técnico podría teclear
// o un archivo podría traer y que rompería una sentencia, una línea de
// órdenes, un archivo de opciones, la nota de un cambio o una ruta. Solo
// cabecera y sin Qt: la usan también las pruebas de Windows.
#include <string>
#include <vector>

namespace pruebas {

struct ValorHostil {
    const char* nombre; // para los mensajes de las pruebas
    std::string valor;
};

inline const std::vector<ValorHostil>& ValoresHostiles() {
    using namespace std::string_literals;
    static const std::vector<ValorHostil> lista = {
        {"comilla", "'"},
        {"dos_comillas", "''"},
        {"comilla_doble", "\""},
        {"entre_dobles", "\"x\""},
        {"entre_simples", "'x'"},
        {"mezcladas", "'a\"b'"},
        {"dobles_con_blanco", "\"a b\""},
        {"diagonal", "\\"},
        {"diagonal_final", "a\\"},
        {"dos_diagonales_final", "a\\\\"},
        {"diagonal_comilla", "\\'"},
        {"diagonal_doble", "x\\\"y"},
        {"diagonal_cero", "\\0"},
        {"punto_y_coma", ";"},
        {"inyeccion_source", "x.sql;DROP DATABASE victima;x"},
        {"inyeccion_sql", "'; DROP TABLE t; --"},
        {"grave", "`"},
        {"entre_graves", "`x`;"},
        {"nulo", "a\0b"s},
        {"solo_nulo", "\0"s},
        {"cr", "a\rb"},
        {"lf", "a\nb"},
        {"crlf", "a\r\nb"},
        {"tabulador", "a\tb"},
        {"control", "a\x01z"},
        {"del", "a\x7fz"},
        {"blanco", " "},
        {"blancos_extremos", " a "},
        {"vacio", ""},
        {"nbsp", "\xC2\xA0"
                 "a\xC2\xA0"},
        {"acentos", "ñandú Ñ"},
        {"emoji", "\xF0\x9F\x98\x80"},
        {"emoji_dentro", "a\xF0\x9F\x98\x80z"},
        {"almohadilla", "#x"},
        {"almohadilla_dentro", "a#b"},
        {"igual", "a=b"},
        {"seccion", "[mysqld]"},
        {"salto_seccion", "a\n[mysqld]\nskip-grant-tables"},
        {"opcion_guion", "-x"},
        {"opcion_larga", "--skip-grant-tables"},
        {"opcion_archivo", "--defaults-file=/etc/passwd"},
        {"barra_opcion", "/help"},
        {"ruta_relativa", "../x"},
        {"ruta_windows", "..\\x"},
        {"unidad", "C:\\x\\"},
        {"unc", "\\\\servidor\\recurso"},
        {"variables", "%TEMP%$HOME"},
        {"metacaracteres", "a&b|c>d^e<f"},
        {"largo_4095", std::string(4095, 'y')},
        {"largo_5000", std::string(5000, 'x')},
        {"largo_10000", std::string(10000, 'x')},
    };
    return lista;
}

// Propiedades con que los armadores dicen rechazar un valor.
inline bool TieneNulo(const std::string& v) {
    return v.find('\0') != std::string::npos;
}
inline bool TieneSalto(const std::string& v) {
    return v.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}
// Un carácter de cuatro bytes en UTF-8 (fuera del plano básico).
inline bool TieneCuatroBytes(const std::string& v) {
    for (const char c : v)
        if (static_cast<unsigned char>(c) >= 0xF0)
            return true;
    return false;
}
inline std::size_t Caracteres(const std::string& v) {
    std::size_t n = 0;
    for (const char c : v)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    return n;
}

} // namespace pruebas
