#include "PasosInstancia.h"

#include "Errores.h"
#include "Rutas.h"
#include "TextosProcedimiento.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <system_error>

namespace pasos {

namespace {

// "name" and ".ext" of a file name, in lower case (Windows names do not
// tell case); no dot: no extension.
std::pair<std::string, std::string> PartesNombre(const std::string& nombre) {
    const std::string n = MinusculasAscii(nombre);
    const auto punto = n.rfind('.');
    if (punto == std::string::npos)
        return {n, {}};
    return {n.substr(0, punto), n.substr(punto)};
}

} // namespace

// Strings are built by appending only: GCC 12 at -O3 warns (-Wrestrict)
// about a literal inserted in front of a temporary string.

std::string ComandoInstalaServicio(const std::string& rutaMySQL, const std::string& nombre,
                                   const std::string& ini) {
    std::string r = ProgramaMySQL(rutaMySQL, "mysqld");
    r += " --install ";
    r += ArgumentoSuelto(nombre, "El nombre del servicio");
    r += " --defaults-file=";
    r += ArgumentoLinea(ini, true);
    return r;
}

std::string ComandoArrancaServicio(const std::string& nombre) {
    return ComandoNet("start", nombre);
}

std::string ComandoQuitaServicio(const std::string& rutaMySQL, const std::string& nombre) {
    std::string r = ProgramaMySQL(rutaMySQL, "mysqld");
    r += " --remove ";
    r += ArgumentoSuelto(nombre, "El nombre del servicio");
    return r;
}

std::string ComandoActualizaSistema(const std::string& rutaMySQL, const std::string& opcionClave,
                                    const std::string& usuario, std::uint16_t puerto) {
    std::string r = ProgramaMySQL(rutaMySQL, "mysql_upgrade");
    if (!opcionClave.empty()) {
        r += ' ';
        r += opcionClave;
    }
    r += " --host=127.0.0.1 --port=";
    r += std::to_string(puerto);
    r += " --protocol=tcp ";
    r += ArgumentoLinea("--user=" + usuario);
    r += " --force";
    return r;
}

std::string ValorDatadir(const std::string& carpeta) {
    const std::string valor = rtqx5::DiagonalesMySQL(carpeta);
    // Inside double quotes the server still decodes "\" escapes and ends the
    // value at a quote; a line break would add lines.
    if (valor.find_first_of(std::string("\"\\\r\n\0", 5)) != std::string::npos)
        throw rtqx5::ErrorRT(rtqx5::kErrorArgumento,
                             "La carpeta de datos «" + TextoVisible(carpeta) +
                                 "» lleva una comilla doble, una diagonal invertida o un salto de "
                                 "línea, que el servidor MySQL no leería tal cual");
    std::string r = "\"";
    r += valor;
    r += '"';
    return r;
}

std::string CarpetaDatosOriginal(const std::string& datadir) {
    std::string r = datadir;
    std::replace(r.begin(), r.end(), '/', rtqx5::SeparadorRuta());
    if (r.empty() || r.back() != rtqx5::SeparadorRuta())
        r += rtqx5::SeparadorRuta();
    return r;
}

bool OrigenDeCopia(const std::string& carpeta) {
    const auto resto = carpeta.find_first_not_of("/\\");
    if (resto == std::string::npos)
        return false;
    // "C:" followed by nothing but separators.
    const bool unidad = resto == 0 && carpeta.size() >= 2 && carpeta[1] == ':' &&
                        carpeta.find_first_not_of("/\\", 2) == std::string::npos;
    return !unidad;
}

bool MismaCarpeta(const std::string& una, const std::string& otra) {
    std::error_code ec;
    return std::filesystem::equivalent(std::filesystem::u8path(una), std::filesystem::u8path(otra),
                                       ec) &&
           !ec;
}

namespace {

// A path as Windows compares it: one separator, no final one, lower case.
std::string FormaWindows(const std::string& ruta) {
    std::string r = MinusculasAscii(ruta);
    std::replace(r.begin(), r.end(), '/', '\\');
    while (r.size() > 1 && r.back() == '\\')
        r.pop_back();
    return r;
}

} // namespace

bool MismaRuta(const std::string& una, const std::string& otra) {
    if (FormaWindows(una) == FormaWindows(otra))
        return true;
    std::error_code ec;
    return std::filesystem::equivalent(std::filesystem::u8path(una), std::filesystem::u8path(otra),
                                       ec) &&
           !ec;
}

std::string PrimeraCarpetaNueva(const std::string& carpeta) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path actual = fs::u8path(carpeta);
    while (actual.has_relative_path() && !actual.has_filename())
        actual = actual.parent_path();
    if (fs::exists(actual, ec) || ec)
        return {};
    for (;;) {
        const fs::path madre = actual.parent_path();
        if (madre.empty() || madre == actual || fs::exists(madre, ec) || ec) {
            const std::u8string r = actual.u8string();
            return std::string(r.begin(), r.end());
        }
        actual = madre;
    }
}

std::optional<std::string> LeeArchivoEntero(const std::string& ruta) {
    std::ifstream f(std::filesystem::u8path(ruta), std::ios::binary);
    if (!f)
        return std::nullopt;
    std::string r{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
    if (f.bad())
        return std::nullopt;
    return r;
}

ArchivosSistema SeparaArchivosSistema(const std::vector<std::string>& nombres) {
    std::set<std::string> conFrm, conIbd;
    for (const std::string& n : nombres) {
        const auto [base, extension] = PartesNombre(n);
        if (extension == ".frm")
            conFrm.insert(base);
        else if (extension == ".ibd")
            conIbd.insert(base);
    }
    ArchivosSistema r;
    for (const std::string& n : nombres) {
        const std::string base = PartesNombre(n).first;
        const bool innodb = conFrm.contains(base) && conIbd.contains(base);
        (innodb ? r.omitir : r.copiar).push_back(n);
    }
    return r;
}

} // namespace pasos
