// rtqx5util: the component library from the command line, for the scripts of
// the test environment.
//   rtqx5util encripta TEXTO
//   rtqx5util desencripta TEXTO
//   rtqx5util leeini ARCHIVO SECCION CLAVE
//   rtqx5util escribeini ARCHIVO SECCION CLAVE VALOR
// Prints the result on stdout; exit 0 on success, 1 on an error (message on
// stderr) or wrong usage.
#include "Componentes.h"
#include "Errores.h"

#include <exception>
#include <iostream>
#include <string>
#include <vector>

namespace {

int Uso() {
    std::cerr << "Uso: rtqx5util encripta TEXTO\n"
                 "       rtqx5util desencripta TEXTO\n"
                 "       rtqx5util leeini ARCHIVO SECCION CLAVE\n"
                 "       rtqx5util escribeini ARCHIVO SECCION CLAVE VALOR\n";
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> a(argv + 1, argv + argc);
    if (a.empty())
        return Uso();
    const std::string& orden = a[0];
    try {
        if (orden == "encripta" && a.size() == 2) {
            std::cout << rtqx5::Utilerias().Encripta(a[1]) << '\n';
        } else if (orden == "desencripta" && a.size() == 2) {
            std::cout << rtqx5::Utilerias().DesEncripta(a[1]) << '\n';
        } else if (orden == "leeini" && a.size() == 4) {
            std::cout << rtqx5::libRTSA().LeeIni(a[2], a[3], a[1]) << '\n';
        } else if (orden == "escribeini" && a.size() == 5) {
            rtqx5::libRTSA().EscribeIni(a[2], a[3], a[4], a[1]);
        } else {
            return Uso();
        }
    } catch (const rtqx5::ErrorRT& e) {
        std::cerr << "rtqx5util: error " << e.Numero() << ": " << e.Descripcion() << '\n';
        return 1;
    } catch (const std::exception& e) {
        std::cerr << "rtqx5util: " << e.what() << '\n';
        return 1;
    }
    return std::cout.flush() ? 0 : 1;
}
