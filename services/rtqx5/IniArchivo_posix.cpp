#include "Errores.h"
#include "IniArchivo.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace rtqx5::ini {

namespace {

[[noreturn]] void Falla(const std::string& texto, int err = 0) {
    std::string d = texto;
    if (err != 0)
        d += " (" + std::string(std::strerror(err)) + ")";
    throw ErrorRT(kErrorArchivo, d);
}

std::string CarpetaDe(const std::string& ruta) {
    const auto p = ruta.rfind('/');
    if (p == std::string::npos)
        return ".";
    if (p == 0)
        return "/";
    return ruta.substr(0, p);
}

std::string NombreDe(const std::string& ruta) {
    const auto p = ruta.rfind('/');
    return p == std::string::npos ? ruta : ruta.substr(p + 1);
}

// Follows symbolic links (also one that names a missing file) to the path
// whose content is to be replaced.
std::string DestinoReal(const std::string& ruta) {
    std::string actual = ruta;
    for (int saltos = 0; saltos < 40; ++saltos) {
        struct stat st;
        if (lstat(actual.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return actual;
        char buf[PATH_MAX];
        const ssize_t n = readlink(actual.c_str(), buf, sizeof buf - 1);
        if (n < 0)
            Falla("No se puede leer el enlace " + actual, errno);
        std::string destino(buf, static_cast<std::size_t>(n));
        actual = destino.starts_with('/') ? destino : CarpetaDe(actual) + "/" + destino;
    }
    Falla("Demasiados enlaces simbólicos en " + ruta, ELOOP);
}

bool SinPermisoEscritura(const std::string& ruta, const struct stat& st) {
    // root escribe sin mirar los permisos: un archivo sin ningún bit de
    // escritura cuenta igual como de solo lectura, como en Windows.
    return access(ruta.c_str(), W_OK) != 0 || (st.st_mode & 0222) == 0;
}

bool EscribeTodo(int fd, const std::string& bytes) {
    std::size_t hecho = 0;
    while (hecho < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + hecho, bytes.size() - hecho);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        hecho += static_cast<std::size_t>(n);
    }
    return true;
}

// Removes the temporary files that writers killed before their rename left
// beside the file ("." + name + "." + pid + "-" + n + ".tmp" of a dead pid).
void BorraTemporalesHuerfanos(const std::string& carpeta, const std::string& nombre) {
    DIR* d = opendir(carpeta.c_str());
    if (!d)
        return;
    const std::string prefijo = "." + nombre + ".";
    while (const dirent* e = readdir(d)) {
        const std::string_view n = e->d_name;
        if (!n.starts_with(prefijo) || !n.ends_with(".tmp"))
            continue;
        const std::string_view resto = n.substr(prefijo.size());
        const auto guion = resto.find('-');
        if (guion == 0 || guion == std::string_view::npos)
            continue;
        long pid = 0;
        bool numero = guion < 10;
        for (std::size_t i = 0; numero && i < guion; ++i) {
            numero = resto[i] >= '0' && resto[i] <= '9';
            pid = pid * 10 + (resto[i] - '0');
        }
        if (numero && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            unlink((carpeta + "/" + std::string(n)).c_str());
    }
    closedir(d);
}

} // namespace

Lectura LeeArchivo(const std::string& ruta, std::string& bytes) {
    bytes.clear();
    const int fd = open(ruta.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? Lectura::NoExiste : Lectura::Error;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return Lectura::Error;
    }
    char buf[65536];
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            close(fd);
            bytes.clear();
            return Lectura::Error;
        }
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    close(fd);
    return Lectura::Leido;
}

void ReemplazaArchivo(const std::string& ruta, const std::string& bytes) {
    const std::string destino = DestinoReal(ruta);
    const std::string carpeta = CarpetaDe(destino);

    struct stat stCarpeta;
    if (stat(carpeta.c_str(), &stCarpeta) != 0 || !S_ISDIR(stCarpeta.st_mode))
        Falla("No existe la carpeta " + carpeta);

    struct stat stArchivo;
    const bool existe = stat(destino.c_str(), &stArchivo) == 0;
    if (existe && !S_ISREG(stArchivo.st_mode))
        Falla("No es un archivo: " + destino);
    if (existe && SinPermisoEscritura(destino, stArchivo))
        Falla("El archivo " + destino + " es de solo lectura");
    if (access(carpeta.c_str(), W_OK | X_OK) != 0 || (stCarpeta.st_mode & 0222) == 0)
        Falla("La carpeta " + carpeta + " no permite escribir");

    BorraTemporalesHuerfanos(carpeta, NombreDe(destino));
    // The temporary name ends in ".tmp": MySQL's !includedir never reads it.
    std::random_device azar;
    std::string temporal;
    int fd = -1;
    for (int intento = 0; intento < 100 && fd < 0; ++intento) {
        temporal = carpeta + "/." + NombreDe(destino) + "." + std::to_string(getpid()) + "-" +
                   std::to_string(azar() % 1000000) + ".tmp";
        fd = open(temporal.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            Falla("No se puede crear un archivo temporal en " + carpeta, errno);
    }
    if (fd < 0)
        Falla("No se puede crear un archivo temporal en " + carpeta, EEXIST);

    auto fallaBorrando = [&](const std::string& texto, int err) {
        close(fd);
        unlink(temporal.c_str());
        Falla(texto, err);
    };
    if (existe) {
        // Owner first: changing it may clear the set-id bits that fchmod restores.
        if (fchown(fd, stArchivo.st_uid, stArchivo.st_gid) != 0 && errno != EPERM)
            fallaBorrando("No se puede copiar el dueño de " + destino, errno);
        if (fchmod(fd, stArchivo.st_mode & 07777) != 0)
            fallaBorrando("No se pueden copiar los permisos de " + destino, errno);
    }
    if (!EscribeTodo(fd, bytes))
        fallaBorrando("No se puede escribir " + temporal, errno);
    if (fsync(fd) != 0)
        fallaBorrando("No se puede vaciar a disco " + temporal, errno);
    if (close(fd) != 0) {
        const int err = errno;
        unlink(temporal.c_str());
        Falla("No se puede cerrar " + temporal, err);
    }
    if (rename(temporal.c_str(), destino.c_str()) != 0) {
        const int err = errno;
        unlink(temporal.c_str());
        Falla("No se puede reemplazar " + destino, err);
    }
    // The new name is durable only once the folder is flushed too.
    const int dfd = open(carpeta.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd);
        close(dfd);
    }
}

const char* FinDeLineaNuevo() {
    return "\n";
}

} // namespace rtqx5::ini
