// POSIX backend of ClaveTemporal.h: mkstemp in $TMPDIR (or /tmp), mode 0600.
#include "ClaveTemporal.h"

#include "Errores.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pasos {

std::string CreaArchivoPrivado(const std::string& prefijo, const std::string& contenido) {
    const char* tmp = std::getenv("TMPDIR");
    std::string plantilla = tmp && *tmp ? tmp : "/tmp";
    if (plantilla.back() != '/')
        plantilla += '/';
    plantilla += prefijo + "-XXXXXX";
    std::vector<char> ruta(plantilla.begin(), plantilla.end());
    ruta.push_back('\0');
    const int fd = ::mkstemp(ruta.data());
    if (fd < 0)
        throw rtqx5::ErrorRT(rtqx5::kErrorArchivo, "No se pudo crear un archivo temporal en " +
                                                       plantilla + ": " + std::strerror(errno));
    const std::string nombre(ruta.data());
    bool bien = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0;
    std::size_t escrito = 0;
    while (bien && escrito < contenido.size()) {
        const ssize_t n = ::write(fd, contenido.data() + escrito, contenido.size() - escrito);
        if (n < 0 && errno == EINTR)
            continue;
        bien = n > 0;
        if (bien)
            escrito += static_cast<std::size_t>(n);
    }
    const int error = errno;
    bien = ::close(fd) == 0 && bien;
    if (!bien) {
        ::unlink(nombre.c_str());
        throw rtqx5::ErrorRT(rtqx5::kErrorArchivo, "No se pudo escribir el archivo temporal " +
                                                       nombre + ": " + std::strerror(error));
    }
    return nombre;
}

bool BorraArchivoPrivado(const std::string& ruta) {
    return !ruta.empty() && ::unlink(ruta.c_str()) == 0;
}

} // namespace pasos
