#include "SandboxPrivado.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sys/wait.h>

namespace pruebas {

namespace {

// La variable de entorno, o lo que fijó la construcción.
std::string Entorno(const char* nombre, const char* porOmision) {
    const char* v = std::getenv(nombre);
    return v && *v ? v : porOmision;
}

std::string Fuentes() {
    return Entorno("RT_FUENTES", RT_FUENTES_DIR);
}

int Corre(const std::string& orden, std::string* salida) {
    FILE* tubo = ::popen(("bash -c " + Comillas(orden) + " 2>&1").c_str(), "r");
    if (!tubo)
        return -1;
    std::array<char, 4096> buf{};
    std::string texto;
    std::size_t n = 0;
    while ((n = std::fread(buf.data(), 1, buf.size(), tubo)) > 0)
        texto.append(buf.data(), n);
    const int estado = ::pclose(tubo);
    if (salida)
        *salida = texto;
    return WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
}

} // namespace

std::string Comillas(const std::string& texto) {
    std::string r = "'";
    for (const char c : texto) {
        if (c == '\'')
            r += "'\\''";
        else
            r += c;
    }
    return r + "'";
}

SandboxPrivado::SandboxPrivado() {
    const std::string fuentes = Fuentes();
    const std::string binarios = Entorno("RT_BINARIOS", RT_BINARIOS_DIR);
    const std::string orden = Comillas(fuentes + "/tools/sandbox") + " create --construccion " +
                              Comillas(binarios) + " " + Comillas(Carpeta().string());
    if (Corre(orden, &error_) != 0)
        return;
    std::ifstream env(Carpeta() / "servidor.env");
    std::string linea;
    while (std::getline(env, linea)) {
        const auto igual = linea.find('=');
        if (igual != std::string::npos)
            valores_[linea.substr(0, igual)] = linea.substr(igual + 1);
    }
    listo_ = !Puerto().empty() && !Valor("RT_MYSQL_CARPETA").empty();
    if (!listo_)
        error_ = "servidor.env incompleto en " + Carpeta().string();
}

SandboxPrivado::~SandboxPrivado() {
    if (std::filesystem::exists(Carpeta()))
        Corre(Comillas(Fuentes() + "/tools/sandbox") + " destroy " + Comillas(Carpeta().string()),
              nullptr);
}

std::string SandboxPrivado::Valor(const std::string& nombre) const {
    const auto v = valores_.find(nombre);
    return v == valores_.end() ? std::string() : v->second;
}

int SandboxPrivado::Orden(const std::string& orden, std::string* salida) const {
    return Corre("source " + Comillas((Carpeta() / "sandbox.env").string()) + " && " + orden,
                 salida);
}

} // namespace pruebas
