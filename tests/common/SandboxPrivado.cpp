#include "SandboxPrivado.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>
#include <random>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pruebas {

namespace {

// RT_FUENTES y RT_BINARIOS: las pone el main de las pruebas.
std::string Entorno(const char* nombre) {
    const char* v = std::getenv(nombre);
    return v ? v : "";
}

std::string Fuentes() {
    return Entorno("RT_FUENTES");
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

std::string PuertoLibre(int desde, int hasta) {
    std::random_device azar;
    for (int intento = 0; intento < 1000; ++intento) {
        const int puerto =
            desde + static_cast<int>(azar() % static_cast<unsigned>(hasta - desde + 1));
        const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (s < 0)
            break;
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_ANY);
        a.sin_port = htons(static_cast<std::uint16_t>(puerto));
        const bool libre = ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        ::close(s);
        if (libre)
            return std::to_string(puerto);
    }
    return {};
}

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
    const std::string binarios = Entorno("RT_BINARIOS");
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
