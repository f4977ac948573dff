#include "Versiones.h"

#include <cctype>

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
    std::string minusculas;
    for (char c : texto)
        minusculas += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    // `mysqld --version` names the version after "Ver "; SELECT VERSION()
    // starts with it.
    std::size_t inicio = minusculas.find(" ver ");
    inicio = inicio == std::string::npos ? 0 : inicio + 5;
    for (std::size_t i = inicio; i < texto.size(); ++i) {
        if (Digito(texto[i]) && (i == 0 || !Digito(texto[i - 1])) && LeeNumeros(texto, i, v)) {
            v.conocida = true;
            break;
        }
    }
    v.mariadb = minusculas.find("mariadb") != std::string::npos;
    return v;
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
