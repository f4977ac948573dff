#include "AbreConPrograma.h"
#include "Errores.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace rtqx5 {
namespace {

constexpr long kArchivoNoEncontrado = 53;

// Reads the whole of a small message from the pipe; false at end of file.
bool LeeEntero(int fd, int& valor) {
    char* p = reinterpret_cast<char*>(&valor);
    std::size_t leidos = 0;
    while (leidos < sizeof valor) {
        const ssize_t n = ::read(fd, p + leidos, sizeof valor - leidos);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        leidos += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

void AbreConPrograma(const std::string& ruta, int /*mostrar*/) {
    const char* variable = std::getenv("RT_ABRIDOR");
    const std::string abridor = (variable && *variable) ? variable : "xdg-open";
    // Everything the children need is prepared before fork.
    char* const argumentos[] = {const_cast<char*>(abridor.c_str()), const_cast<char*>(ruta.c_str()),
                                nullptr};

    // The grandchild reports a failed exec through this pipe; a successful exec
    // closes it (close-on-exec) and the parent reads end of file.
    int tubo[2];
    if (::pipe2(tubo, O_CLOEXEC) != 0)
        throw ErrorRT(kErrorArchivo,
                      std::string("No se puede abrir el documento: ") + std::strerror(errno));

    const pid_t hijo = ::fork();
    if (hijo < 0) {
        const int e = errno;
        ::close(tubo[0]);
        ::close(tubo[1]);
        throw ErrorRT(kErrorArchivo,
                      std::string("No se puede abrir el documento: ") + std::strerror(e));
    }
    if (hijo == 0) {
        // Detached from our session and reaped by init: the opener outlives us
        // and never holds our standard streams open.
        ::close(tubo[0]);
        ::setsid();
        const pid_t nieto = ::fork();
        if (nieto < 0) {
            int e = errno;
            (void)!::write(tubo[1], &e, sizeof e);
            ::_exit(1);
        }
        if (nieto > 0)
            ::_exit(0);
        const int nulo = ::open("/dev/null", O_RDWR);
        if (nulo >= 0) {
            ::dup2(nulo, 0);
            ::dup2(nulo, 1);
            ::dup2(nulo, 2);
            if (nulo > 2)
                ::close(nulo);
        }
        ::execvp(argumentos[0], argumentos);
        int e = errno;
        (void)!::write(tubo[1], &e, sizeof e);
        ::_exit(127);
    }

    ::close(tubo[1]);
    int estado = 0;
    while (::waitpid(hijo, &estado, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    const bool fallo = LeeEntero(tubo[0], error);
    ::close(tubo[0]);
    if (fallo) {
        if (error == ENOENT)
            throw ErrorRT(kArchivoNoEncontrado,
                          "No se ha encontrado el programa para abrir el documento: " + abridor);
        throw ErrorRT(kErrorArchivo, "No se puede abrir el documento con " + abridor + ": " +
                                         std::strerror(error));
    }
}

} // namespace rtqx5
