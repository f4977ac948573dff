#include "Versiones.h"

#include "EjecucionCMD.h"
#include "Errores.h"
#include "TextosProcedimiento.h"

#include <cctype>
#include <cstdint>

namespace pasos {

namespace {

bool Digito(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// Reads "a.b.c" at `i`; false when there is no "a.b" there.
bool LeeNumeros(const std::string& t, std::size_t i, VersionServidor& v) {
    int partes[3] = {0, 0, 0};
    int leidas = 0;
    while (leidas < 3 && i < t.size() && Digito(t[i])) {
        int n = 0;
        while (i < t.size() && Digito(t[i]) && n < 100000)
            n = n * 10 + (t[i++] - '0');
        partes[leidas++] = n;
        if (i < t.size() && t[i] == '.' && i + 1 < t.size() && Digito(t[i + 1]))
            ++i;
        else
            break;
    }
    if (leidas < 2)
        return false;
    v.mayor = partes[0];
    v.menor = partes[1];
    v.parche = partes[2];
    return true;
}

bool Antes(const VersionServidor& v, int mayor, int menor, int parche) {
    if (v.mayor != mayor)
        return v.mayor < mayor;
    if (v.menor != menor)
        return v.menor < menor;
    return v.parche < parche;
}

bool EsMySQL(const VersionServidor& v) {
    return v.conocida && !v.mariadb;
}

} // namespace

VersionServidor LeeVersion(const std::string& texto) {
    VersionServidor v;
    const std::string minusculas = MinusculasAscii(texto);
    // `mysqld --version` names the version after "Ver " (the path before it
    // may hold digits, blanks or "mariadb" of its own); SELECT VERSION()
    // starts with it.
    std::size_t inicio = 0;
    for (std::size_t i = minusculas.find("ver "); i != std::string::npos;
         i = minusculas.find("ver ", i + 1)) {
        std::size_t j = i + 4;
        while (j < minusculas.size() && minusculas[j] == ' ')
            ++j;
        if ((i == 0 || std::isspace(static_cast<unsigned char>(minusculas[i - 1]))) &&
            j < minusculas.size() && Digito(minusculas[j])) {
            inicio = j;
            break;
        }
    }
    for (std::size_t i = inicio; i < texto.size(); ++i) {
        if (Digito(texto[i]) && (i == 0 || !Digito(texto[i - 1])) && LeeNumeros(texto, i, v)) {
            v.conocida = true;
            break;
        }
    }
    v.mariadb = minusculas.find("mariadb", inicio) != std::string::npos;
    return v;
}

VersionServidor VersionDelBinario(const std::string& rutaMySQL, const std::string& carpeta) {
    std::string comando, bloque, salida;
    std::int32_t codigo = -1;
    try {
        comando = ComandoVersionServidor(rutaMySQL);
    } catch (const rtqx5::ErrorRT&) {
        return {}; // a folder that cannot be on a command line runs nothing
    }
    if (!ejecucion::EjecutaCMD(comando, carpeta, "", nullptr, false, ejecucion::kModoSinCaja,
                               bloque, salida, -1, codigo) ||
        codigo != 0)
        return {};
    return LeeVersion(salida);
}

bool LeeMaestroDelArchivo(const VersionServidor& v) {
    return !v.conocida || (!v.mariadb && Antes(v, 5, 5, 0));
}

bool UsaReplica(const VersionServidor& v) {
    return EsMySQL(v) && !Antes(v, 8, 0, 23);
}

bool SinFormasMaster(const VersionServidor& v) {
    return EsMySQL(v) && !Antes(v, 8, 4, 0);
}

bool MySQL8(const VersionServidor& v) {
    return EsMySQL(v) && !Antes(v, 8, 0, 0);
}

bool ValidaConfig(const VersionServidor& v) {
    return EsMySQL(v) && !Antes(v, 8, 0, 16);
}

} // namespace pasos
