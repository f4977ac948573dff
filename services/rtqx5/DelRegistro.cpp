#include "Componentes.h"
#include "Errores.h"
#include "Ini.h"
#include "Registro.h"
#include "Rutas.h"

#include <filesystem>
#include <system_error>

// The product's data lives in DatosQXW.ini in the product folder, section
// [QXW], one key per name, values as plain text (user and password already
// scrambled by the caller).
namespace rtqx5 {
namespace {

constexpr char kArchivoDatos[] = "DatosQXW.ini";
constexpr char kSeccionDatos[] = "QXW";

std::string SinBlancos(const std::string& s) {
    const auto a = s.find_first_not_of(" \t");
    if (a == std::string::npos)
        return {};
    const auto b = s.find_last_not_of(" \t");
    return s.substr(a, b - a + 1);
}

} // namespace

std::string DelRegistro::LeerCadena(const std::string& clave, const std::string& valor,
                                    std::uint32_t raiz) {
    // Key paths never start or end with "\" in the registry's own spelling.
    std::string ruta = clave;
    while (!ruta.empty() && ruta.front() == '\\')
        ruta.erase(ruta.begin());
    while (!ruta.empty() && ruta.back() == '\\')
        ruta.pop_back();
    return LeeValorRegistro(raiz, ruta, valor);
}

std::string DelRegistro::BuscarRegistroQXW(std::string& carpeta) {
    // Normalised: no surrounding blanks, no final separator (a root stays).
    carpeta = SinBlancos(carpeta);
    while (carpeta.size() > 1 && carpeta.back() == SeparadorRuta() &&
           !(carpeta.size() == 3 && carpeta[1] == ':'))
        carpeta.pop_back();
    archivoDatos_.clear();
    if (carpeta.empty())
        return {};
    const std::string archivo = carpeta.back() == SeparadorRuta() ? carpeta + kArchivoDatos
                                                                  : UneRuta(carpeta, kArchivoDatos);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::u8path(archivo), ec))
        return {};
    archivoDatos_ = archivo;
    return archivo;
}

std::string DelRegistro::DatosQXW(const std::string& nombre) {
    if (archivoDatos_.empty())
        return {};
    return ini::Lee(archivoDatos_, kSeccionDatos, nombre);
}

void DelRegistro::GuardaDatosQXW(const std::string& nombre, const std::string& valor) {
    if (archivoDatos_.empty())
        throw ErrorRT(kErrorArchivo, "No se han encontrado los datos de Orvalo Premium");
    ini::Escribe(archivoDatos_, kSeccionDatos, nombre, valor);
}

} // namespace rtqx5
