#include "Servidor.h"

#include "Componentes.h"

#include <cstdlib>
#include <filesystem>

namespace pruebas {

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

void PonUbicacionMySQL(const std::string& registro, const std::string& carpeta) {
    rtqx5::libRTSA().EscribeIni("HKEY_LOCAL_MACHINE\\Software\\MySQL AB\\MySQL Server 5.1",
                                "Location", carpeta, registro);
}

void QuitaUbicacionMySQL(const std::string& registro) {
    std::error_code ec;
    std::filesystem::remove(registro, ec);
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

} // namespace pruebas
