#include "LineaComandos.h"

namespace ejecucion {

namespace {

bool EsBlanco(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::vector<std::string> DivideLineaComandos(const std::string& linea) {
    std::vector<std::string> args;
    std::size_t i = 0;
    const std::size_t n = linea.size();
    while (i < n && EsBlanco(linea[i])) {
        ++i;
    }
    if (i == n) {
        return args;
    }

    // The program: up to a blank, or between double quotes, backslashes literal.
    std::string programa;
    bool entreComillas = false;
    for (; i < n; ++i) {
        const char c = linea[i];
        if (c == '"') {
            entreComillas = !entreComillas;
        } else if (EsBlanco(c) && !entreComillas) {
            break;
        } else {
            programa += c;
        }
    }
    args.push_back(programa);

    while (true) {
        while (i < n && EsBlanco(linea[i])) {
            ++i;
        }
        if (i == n) {
            break;
        }
        std::string arg;
        entreComillas = false;
        while (i < n && (entreComillas || !EsBlanco(linea[i]))) {
            if (linea[i] == '\\') {
                std::size_t barras = 0;
                while (i < n && linea[i] == '\\') {
                    ++barras;
                    ++i;
                }
                if (i < n && linea[i] == '"') {
                    arg.append(barras / 2, '\\');
                    if (barras % 2 == 1) {
                        arg += '"';
                        ++i;
                    }
                } else {
                    arg.append(barras, '\\');
                }
                continue;
            }
            if (linea[i] == '"') {
                if (entreComillas && i + 1 < n && linea[i + 1] == '"') {
                    arg += '"';
                    i += 2;
                } else {
                    entreComillas = !entreComillas;
                    ++i;
                }
                continue;
            }
            arg += linea[i++];
        }
        args.push_back(arg);
    }
    return args;
}

} // namespace ejecucion
