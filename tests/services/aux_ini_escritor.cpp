// Helper of the crash test: raises the key "n" of [mysqld] in the file by one,
// again and again, until it is killed. Usage: aux_ini_escritor FILE
#include "Errores.h"
#include "Ini.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "uso: aux_ini_escritor ARCHIVO\n");
        return 2;
    }
    const std::string archivo = argv[1];
    try {
        for (;;) {
            const long n = std::stol(rtqx5::ini::Lee(archivo, "mysqld", "n"));
            rtqx5::ini::Escribe(archivo, "mysqld", "n", std::to_string(n + 1));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "aux_ini_escritor: %s\n", e.what());
        return 1;
    }
}
