#include "Servidor.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <utility>

namespace pruebas {

std::optional<Servidor> LeeServidor(std::string& error) {
    const char* archivo = std::getenv("RT_SERVIDOR_ENV");
    if (!archivo || !*archivo) {
        error = "RT_SERVIDOR_ENV no está fijada (corra las pruebas con ctest; el nombre del "
                "grupo de pruebas debe terminar en Servidor)";
        return std::nullopt;
    }
    std::ifstream f(archivo);
    if (!f) {
        error = std::string("no existe ") + archivo + " (¿corrió el fixture servidor de CTest?)";
        return std::nullopt;
    }
    std::map<std::string, std::string> v;
    std::string linea;
    while (std::getline(f, linea)) {
        if (!linea.empty() && linea.back() == '\r')
            linea.pop_back();
        const auto igual = linea.find('=');
        if (igual != std::string::npos)
            v[linea.substr(0, igual)] = linea.substr(igual + 1);
    }
    Servidor s;
    s.host = v["RT_MYSQL_HOST"];
    s.puerto = v["RT_MYSQL_PORT"];
    s.usuario = v["RT_MYSQL_USER"];
    s.password = v["RT_MYSQL_PASSWORD"];
    s.socket = v["RT_MYSQL_SOCKET"];
    s.carpeta = v["RT_MYSQL_CARPETA"];
    if (s.host.empty() || s.puerto.empty() || s.usuario.empty()) {
        error = std::string(archivo) + " no trae RT_MYSQL_HOST, RT_MYSQL_PORT y RT_MYSQL_USER";
        return std::nullopt;
    }
    return s;
}

CarpetaTemporal::CarpetaTemporal() {
    std::random_device azar;
    const auto base = std::filesystem::temp_directory_path();
    for (int i = 0; i < 100; ++i) {
        auto candidata = base / ("rtqx5-prueba-" + std::to_string(azar()));
        if (std::filesystem::create_directory(candidata)) {
            ruta_ = candidata;
            return;
        }
    }
    throw std::runtime_error("no se pudo crear una carpeta temporal");
}

CarpetaTemporal::~CarpetaTemporal() {
    std::error_code ec;
    // Una prueba puede dejar carpetas sin permiso de escritura.
    for (auto it = std::filesystem::recursive_directory_iterator(ruta_, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::permissions(ruta_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(ruta_, ec);
}

VariableEntorno::VariableEntorno(std::string nombre, const std::optional<std::string>& valor)
    : nombre_(std::move(nombre)) {
    if (const char* previo = std::getenv(nombre_.c_str()))
        anterior_ = previo;
    if (valor)
        ::setenv(nombre_.c_str(), valor->c_str(), 1);
    else
        ::unsetenv(nombre_.c_str());
}

VariableEntorno::~VariableEntorno() {
    if (anterior_)
        ::setenv(nombre_.c_str(), anterior_->c_str(), 1);
    else
        ::unsetenv(nombre_.c_str());
}

std::string CreaAbridorGrabador(const CarpetaTemporal& carpeta, const std::string& registro,
                                int esperaSegundos) {
    const auto programa = carpeta.Ruta() / "abridor-grabador";
    EscribeArchivo(programa, "#!/bin/sh\nsleep " + std::to_string(esperaSegundos) +
                                 "\nprintf '%s\\n' \"$@\" > '" + registro + ".tmp' && mv '" +
                                 registro + ".tmp' '" + registro + "'\n");
    std::filesystem::permissions(programa, std::filesystem::perms::owner_all);
    return programa.string();
}

bool EsperaArchivo(const std::filesystem::path& ruta, int milisegundos) {
    for (int t = 0; t < milisegundos; t += 20) {
        if (std::filesystem::exists(ruta))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::filesystem::exists(ruta);
}

std::string LeeArchivo(const std::filesystem::path& ruta) {
    std::ifstream f(ruta, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

void EscribeArchivo(const std::filesystem::path& ruta, const std::string& contenido) {
    std::ofstream f(ruta, std::ios::binary | std::ios::trunc);
    f << contenido;
    if (!f)
        throw std::runtime_error("no se pudo escribir " + ruta.string());
}

} // namespace pruebas
