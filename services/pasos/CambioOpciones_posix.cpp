// POSIX backend of the option-file change: permission checks through stat and
// access, the replacement through rename and a flush of the folder.
#include "CambioOpciones.h"
#include "CambioOpcionesSistema.h"

#include "Errores.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pasos {

namespace {

[[noreturn]] void Falla(const std::string& texto, int err = 0) {
    throw rtqx5::ErrorRT(rtqx5::kErrorArchivo,
                         err != 0 ? texto + " (" + std::strerror(err) + ")" : texto);
}

std::string CarpetaDe(const std::string& ruta) {
    const auto p = ruta.rfind('/');
    if (p == std::string::npos)
        return ".";
    return p == 0 ? "/" : ruta.substr(0, p);
}

} // namespace

namespace detalle {

void CompruebaEscribible(const std::string& archivo, const std::string& mostrado) {
    const std::string carpeta = CarpetaDe(archivo);
    struct stat st {};
    if (::stat(carpeta.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        Falla("No existe la carpeta del archivo " + mostrado);
    // root writes whatever the bits say: no write bit at all counts as
    // read-only all the same, as on Windows.
    if (::access(carpeta.c_str(), W_OK | X_OK) != 0 || (st.st_mode & 0222) == 0)
        Falla("La carpeta " + carpeta + " del archivo " + mostrado + " no permite escribir");
    if (::stat(archivo.c_str(), &st) != 0)
        return;
    if (!S_ISREG(st.st_mode))
        Falla("No es un archivo: " + mostrado);
    if (::access(archivo.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0)
        Falla("El archivo " + mostrado + " es de solo lectura");
}

void CopiaPermisos(const std::string& origen, const std::string& destino) {
    struct stat st {};
    if (::stat(origen.c_str(), &st) != 0)
        return;
    // Owner first: changing it may clear the set-id bits that chmod restores.
    if (::chown(destino.c_str(), st.st_uid, st.st_gid) != 0 && errno != EPERM)
        Falla("No se puede copiar el dueño de " + origen, errno);
    if (::chmod(destino.c_str(), st.st_mode & 07777) != 0)
        Falla("No se pueden copiar los permisos de " + origen, errno);
}

} // namespace detalle

void InstalaArchivoNuevo(const std::string& nuevo, const std::string& archivo) {
    const std::string real = detalle::ArchivoReal(archivo);
    if (::rename(nuevo.c_str(), real.c_str()) != 0)
        Falla("No se puede reemplazar el archivo " + archivo, errno);
    // The new name is durable only once the folder is flushed too.
    const int dfd = ::open(CarpetaDe(real).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

} // namespace pasos
