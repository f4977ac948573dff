#include "Valores.h"

namespace pasos {

namespace {

std::size_t Caracteres(const std::string& texto) {
    std::size_t n = 0;
    for (const char c : texto)
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80)
            ++n;
    return n;
}

bool EsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

bool Absoluta(const std::string& ruta) {
#ifdef _WIN32
    const bool unidad = ruta.size() >= 3 && ruta[1] == ':' && (ruta[2] == '\\' || ruta[2] == '/') &&
                        ((ruta[0] >= 'A' && ruta[0] <= 'Z') || (ruta[0] >= 'a' && ruta[0] <= 'z'));
    const bool unc = ruta.size() > 2 && ruta[0] == '\\' && ruta[1] == '\\';
    return unidad || unc;
#else
    return !ruta.empty() && ruta[0] == '/';
#endif
}

// Characters Windows refuses in file names besides the separators.
constexpr const char* kReservadosWindows = "<>\"|?*";

bool EsDispositivo(const std::string& nombre) {
    std::string base = nombre.substr(0, nombre.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (char& c : base)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL")
        return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
           base[3] >= '1' && base[3] <= '9';
}

} // namespace

std::string RevisaTexto(const std::string& valor, std::size_t maximo) {
    for (const char c : valor)
        if (EsControl(static_cast<unsigned char>(c)))
            return "contiene un salto de línea, un tabulador u otro carácter de control; "
                   "escríbalo sin ellos.";
    if (Caracteres(valor) > maximo)
        return "tiene más de " + std::to_string(maximo) + " caracteres.";
    return {};
}

std::string RevisaNombreArchivo(const std::string& nombre, std::size_t maximo) {
    if (nombre.empty())
        return "está vacío.";
    if (std::string motivo = RevisaTexto(nombre, maximo); !motivo.empty())
        return motivo;
    if (nombre.find_first_of("\\/:") != std::string::npos || nombre == "." || nombre == ".." ||
        nombre.find("..") != std::string::npos)
        return "debe ser solo un nombre de archivo, sin carpetas (ni \"\\\", \"/\", \":\" o "
               "\"..\").";
    if (nombre.find_first_of(kReservadosWindows) != std::string::npos)
        return "no puede llevar ninguno de estos caracteres: < > \" | ? *";
    // Windows drops a final dot or blank ("my.ini." is my.ini) and gives the
    // device names (NUL, CON, COM1…) whatever their extension.
    if (nombre.back() == '.' || nombre.back() == ' ')
        return "no puede terminar en punto ni en espacio.";
    if (EsDispositivo(nombre))
        return "es el nombre de un dispositivo de Windows.";
    return {};
}

std::string RevisaNombreServicio(const std::string& nombre) {
    if (std::string motivo = RevisaTexto(nombre, kMaxNombreServicio); !motivo.empty())
        return motivo;
    if (nombre.find_first_of("\\/:") != std::string::npos ||
        nombre.find("..") != std::string::npos || nombre == ".")
        return "no puede llevar \"\\\", \"/\", \":\" ni \"..\".";
    if (nombre.find_first_of(kReservadosWindows) != std::string::npos)
        return "no puede llevar ninguno de estos caracteres: < > \" | ? *";
    if (!nombre.empty() && (nombre.front() == ' ' || nombre.back() == ' '))
        return "no puede empezar ni terminar con un espacio.";
    // mysqld would read it as one of its options.
    if (!nombre.empty() && nombre.front() == '-')
        return "no puede empezar con \"-\".";
    return {};
}

std::string RevisaPuerto(const std::string& puerto) {
    const bool digitos = !puerto.empty() && puerto.size() <= 4 &&
                         puerto.find_first_not_of("0123456789") == std::string::npos;
    if (!digitos || std::stoi(puerto) < 1)
        return "debe ser un número de puerto de 1 a 9999.";
    return {};
}

std::string RevisaCarpetaAbsoluta(const std::string& carpeta, std::size_t maximo) {
    if (std::string motivo = RevisaTexto(carpeta, maximo); !motivo.empty())
        return motivo;
    if (carpeta.find('"') != std::string::npos)
        return "no puede llevar comillas dobles (\").";
#ifndef _WIN32
    // Windows writes its separators as "/" in option files; here a backslash
    // would reach the server as an escape.
    if (carpeta.find('\\') != std::string::npos)
        return "no puede llevar diagonales invertidas (\\), que el servidor MySQL leería como "
               "secuencias de escape.";
#endif
    if (!Absoluta(carpeta))
#ifdef _WIN32
        return "debe ser una ruta completa, con la unidad (por ejemplo C:\\Replicacion\\data).";
#else
        return "debe ser una ruta completa, desde la raíz (por ejemplo /srv/replicacion/data).";
#endif
    return {};
}

bool GuardaCuatroBytes(const std::string& juegoConexion, const std::string& juegoSistema) {
    return juegoConexion.starts_with("utf8mb4") && juegoSistema.starts_with("utf8mb4");
}

std::string RevisaCuatroBytes(const std::string& valor, bool guarda, bool muestra) {
    if (guarda)
        return {};
    for (std::size_t i = 0; i < valor.size(); ++i) {
        if (static_cast<unsigned char>(valor[i]) < 0xF0)
            continue;
        const std::string caracter = muestra ? " «" + valor.substr(i, 4) + "»" : std::string();
        return "tiene un carácter" + caracter +
               " que el servidor no puede guardar en sus cuentas ni en la réplica (los "
               "emoji y otros fuera del plano básico de Unicode): se guardaría como «?».";
    }
    return {};
}

} // namespace pasos
