// POSIX backend of Sistema.h: the folder through readdir, services through the
// `net` stand-in, the port through a bind.
#include "Sistema.h"

#include "EjecucionCMD.h"
#include "Errores.h"
#include "TextosProcedimiento.h"

#include <arpa/inet.h>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pasos {

namespace {

// "Path not found" of the classic file statements.
constexpr long kRutaNoEncontrada = 76;

struct CierraCarpeta {
    void operator()(DIR* d) const { ::closedir(d); }
};

// "net query NOMBRE" without a box; false when it did not run (or the name
// cannot be one of a service on a command line).
bool PreguntaNet(const std::string& nombre, std::string& salida, std::int32_t& codigo) {
    std::string comando, bloque;
    try {
        comando = ComandoNet("query", nombre);
    } catch (const rtqx5::ErrorRT&) {
        return false;
    }
    return ejecucion::EjecutaCMD(comando, "", "", nullptr, false, ejecucion::kModoSinCaja, bloque,
                                 salida, -1, codigo);
}

} // namespace

std::vector<std::string> ArchivosComunes(const std::string& carpeta) {
    std::unique_ptr<DIR, CierraCarpeta> dir(::opendir(carpeta.c_str()));
    if (!dir)
        throw rtqx5::ErrorRT(kRutaNoEncontrada, "No se encontró la ruta de acceso: " + carpeta);
    std::string base = carpeta;
    if (base.empty() || base.back() != '/')
        base += '/';
    std::vector<std::string> nombres;
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string nombre = e->d_name;
        // Names starting with a dot are the hidden files of this system.
        if (nombre.empty() || nombre[0] == '.')
            continue;
        struct stat datos {};
        if (::stat((base + nombre).c_str(), &datos) == 0 && S_ISREG(datos.st_mode))
            nombres.push_back(nombre);
    }
    return nombres;
}

bool ExisteServicio(const std::string& nombre) {
    std::string salida;
    std::int32_t codigo = -1;
    return PreguntaNet(nombre, salida, codigo) && codigo == 0;
}

EstadoServicio EstadoDeServicio(const std::string& nombre) {
    std::string salida;
    std::int32_t codigo = -1;
    if (!PreguntaNet(nombre, salida, codigo))
        return EstadoServicio::Desconocido;
    if (codigo != 0)
        return EstadoServicio::NoExiste;
    if (salida.find("está iniciado") != std::string::npos)
        return EstadoServicio::Iniciado;
    if (salida.find("está detenido") != std::string::npos)
        return EstadoServicio::Detenido;
    return EstadoServicio::Desconocido;
}

bool ServidorContesta(std::uint16_t puerto, int milisegundos) {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (s < 0)
        return false;
    sockaddr_in direccion{};
    direccion.sin_family = AF_INET;
    direccion.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    direccion.sin_port = htons(puerto);
    bool contesta =
        ::connect(s, reinterpret_cast<const sockaddr*>(&direccion), sizeof direccion) == 0;
    if (!contesta && errno == EINPROGRESS) {
        pollfd espera{s, POLLOUT, 0};
        int error = 0;
        socklen_t largo = sizeof error;
        contesta = ::poll(&espera, 1, milisegundos) == 1 &&
                   ::getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &largo) == 0 && error == 0;
    }
    ::close(s);
    return contesta;
}

bool PuertoOcupado(std::uint16_t puerto) {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        return false;
    // Connections of a server that just stopped (TIME_WAIT) do not count; a
    // listening socket on any address does.
    const int si = 1;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &si, sizeof si);
    sockaddr_in direccion{};
    direccion.sin_family = AF_INET;
    direccion.sin_addr.s_addr = htonl(INADDR_ANY);
    direccion.sin_port = htons(puerto);
    const bool ocupado =
        ::bind(s, reinterpret_cast<const sockaddr*>(&direccion), sizeof direccion) != 0 &&
        errno == EADDRINUSE;
    ::close(s);
    return ocupado;
}

} // namespace pasos
