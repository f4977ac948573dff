// POSIX backend of the console runner: fork and exec with pipes, no shell.

#include "LineaComandos.h"
#include "ProcesoConsola.h"
#include "Utf8.h"

#include "Unicode.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace ejecucion {

namespace {

using Reloj = std::chrono::steady_clock;

// After the program has ended, a pipe that stays silent this long is taken
// as held by a process it left behind: the output is over.
constexpr auto kSilencioTrasFin = std::chrono::milliseconds(500);
// Grace time between SIGTERM and SIGKILL on a stop request.
constexpr auto kGraciaTermino = std::chrono::milliseconds(500);
// Longest wait for the program to take an answer from a full input pipe.
constexpr int kEsperaEscrituraMs = 2000;
// Bytes taken from the output pipe by one read (a full pipe at once); Espera
// hands them out in blocks of kBloqueLectura, as consecutive reads of that
// size would have given them.
constexpr std::size_t kLecturaTubo = 64 * 1024;

void Cierra(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

// Keeps descriptors 0-2 free for the child's standard handles.
bool SubeDescriptor(int& fd) {
    if (fd > 2) {
        return true;
    }
    const int alto = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
    ::close(fd);
    fd = alto;
    return fd >= 0;
}

bool Tubo(int (&fds)[2]) {
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        fds[0] = fds[1] = -1;
        return false;
    }
    if (!SubeDescriptor(fds[0]) || !SubeDescriptor(fds[1])) {
        Cierra(fds[0]);
        Cierra(fds[1]);
        return false;
    }
    return true;
}

bool EsEjecutable(const std::string& ruta) {
    struct stat st {};
    return ::stat(ruta.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(ruta.c_str(), X_OK) == 0;
}

// The program's path as the parent resolves it: a name with a "/" against the
// current folder (not the child's working folder), a bare name on PATH.
std::string ResuelvePrograma(const std::string& nombre) {
    if (nombre.empty()) {
        return {};
    }
    if (nombre.find('/') != std::string::npos) {
        if (nombre.front() == '/') {
            return nombre;
        }
        std::array<char, 4096> cwd{};
        if (::getcwd(cwd.data(), cwd.size()) == nullptr) {
            return {};
        }
        return std::string(cwd.data()) + "/" + nombre;
    }
    const char* path = std::getenv("PATH");
    const std::string rutas = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t inicio = 0;
    while (inicio <= rutas.size()) {
        std::size_t fin = rutas.find(':', inicio);
        if (fin == std::string::npos) {
            fin = rutas.size();
        }
        // An empty entry is the current folder.
        const std::string candidato =
            (fin == inicio ? std::string(".") : rutas.substr(inicio, fin - inicio)) + "/" + nombre;
        if (EsEjecutable(candidato)) {
            return candidato;
        }
        inicio = fin + 1;
    }
    return {};
}

// Child side between fork and exec: async-signal-safe calls only.
[[noreturn]] void Hijo(int entrada, int salida, int aviso, const char* carpeta, const char* ruta,
                       char* const* argv) {
    ::setpgid(0, 0);
    sigset_t todas;
    ::sigemptyset(&todas);
    ::sigprocmask(SIG_SETMASK, &todas, nullptr);
    for (int s : {SIGPIPE, SIGINT, SIGQUIT, SIGTERM, SIGCHLD, SIGHUP}) {
        ::signal(s, SIG_DFL);
    }
    if (::dup2(entrada, 0) < 0 || ::dup2(salida, 1) < 0 || ::dup2(salida, 2) < 0 ||
        (carpeta != nullptr && ::chdir(carpeta) != 0)) {
        const int e = errno;
        [[maybe_unused]] auto n = ::write(aviso, &e, sizeof e);
        ::_exit(127);
    }
    ::execv(ruta, argv);
    const int e = errno;
    [[maybe_unused]] auto n = ::write(aviso, &e, sizeof e);
    ::_exit(127);
}

} // namespace

struct ProcesoConsola::Impl {
    pid_t pid = -1;
    int salida = -1;  // read end of the output pipe
    int entrada = -1; // write end of the input pipe
    int archivo = -1; // the input file: the program's standard input shares its offset
    bool finSalida = false;
    bool terminado = false; // reaped
    int estado = 0;         // waitpid status
    bool detenido = false;
    bool grupoTerminado = false;
    bool silencioMedido = false;
    Reloj::time_point silencioDesde{};
    std::vector<char> tubo = std::vector<char>(kLecturaTubo); // bytes read
    std::size_t leidos = 0;                                   // valid bytes in `tubo`
    std::size_t entregados = 0;                               // of them, already handed out

    // One read of the output pipe (non-blocking) into `tubo`; `error` is the
    // errno of a failed read.
    ssize_t Lee(int& error) {
        const ssize_t n = ::read(salida, tubo.data(), tubo.size());
        error = n < 0 ? errno : 0;
        leidos = n > 0 ? static_cast<std::size_t>(n) : 0;
        entregados = 0;
        return n;
    }

    // The next block of what was read, if anything is left.
    bool Entrega(std::string& datos) {
        if (entregados >= leidos) {
            return false;
        }
        const std::size_t n = std::min(kBloqueLectura, leidos - entregados);
        datos.assign(tubo.data() + entregados, n);
        entregados += n;
        return true;
    }

    // Reaps the program when it has ended (blocking only with `espera`).
    bool Recoge(bool espera) {
        if (terminado || pid <= 0) {
            return terminado;
        }
        int st = 0;
        pid_t r;
        do {
            r = ::waitpid(pid, &st, espera ? 0 : WNOHANG);
        } while (r < 0 && errno == EINTR);
        if (r == pid) {
            terminado = true;
            estado = st;
        } else if (r < 0) {
            terminado = true; // not our child any more: nothing to wait for
            estado = 0;
        }
        return terminado;
    }
};

ProcesoConsola::ProcesoConsola() : impl_(std::make_unique<Impl>()) {}

ProcesoConsola::~ProcesoConsola() {
    Cierra(impl_->salida);
    Cierra(impl_->entrada);
    Cierra(impl_->archivo);
    impl_->Recoge(false);
}

namespace {

// The standard input of a program without an input pipe: the input file
// (an ordinary file only) or /dev/null. -1 when it cannot be opened.
int AbreEntrada(const std::string& archivo) {
    int fd = ::open(archivo.empty() ? "/dev/null" : archivo.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && !archivo.empty() && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        Cierra(fd);
    }
    if (fd >= 0 && !SubeDescriptor(fd)) {
        fd = -1;
    }
    return fd;
}

} // namespace

bool ProcesoConsola::Inicia(const std::string& comando, const std::string& carpeta, bool conEntrada,
                            const std::string& archivoEntrada) {
    std::vector<std::string> args = DivideLineaComandos(comando);
    if (args.empty() || (conEntrada && !archivoEntrada.empty())) {
        return false;
    }
    const std::string ruta = ResuelvePrograma(args.front());
    if (ruta.empty()) {
        return false;
    }
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    int salida[2] = {-1, -1};
    int entrada[2] = {-1, -1};
    int aviso[2] = {-1, -1};
    auto cierraTodo = [&] {
        for (int* fd : {&salida[0], &salida[1], &entrada[0], &entrada[1], &aviso[0], &aviso[1]}) {
            Cierra(*fd);
        }
    };
    bool listos = Tubo(salida) && Tubo(aviso);
    if (listos && conEntrada) {
        listos = Tubo(entrada);
    } else if (listos) {
        entrada[0] = AbreEntrada(archivoEntrada);
        listos = entrada[0] >= 0;
    }
    if (!listos) {
        cierraTodo();
        return false;
    }

    const pid_t pid = ::fork();
    if (pid == 0) {
        Hijo(entrada[0], salida[1], aviso[1], carpeta.empty() ? nullptr : carpeta.c_str(),
             ruta.c_str(), argv.data());
    }
    if (pid < 0) {
        cierraTodo();
        return false;
    }
    ::setpgid(pid, pid); // also done by the child; whichever runs first wins
    Cierra(salida[1]);
    Cierra(aviso[1]);
    if (archivoEntrada.empty()) {
        Cierra(entrada[0]);
    }

    // The status pipe closes on a successful exec, or brings the child's errno.
    int error = 0;
    ssize_t leidos;
    do {
        leidos = ::read(aviso[0], &error, sizeof error);
    } while (leidos < 0 && errno == EINTR);
    Cierra(aviso[0]);
    impl_->pid = pid;
    if (leidos > 0) {
        impl_->Recoge(true);
        impl_->pid = -1;
        cierraTodo();
        return false;
    }

    ::fcntl(salida[0], F_SETFL, ::fcntl(salida[0], F_GETFL) | O_NONBLOCK);
    if (entrada[1] >= 0) {
        ::fcntl(entrada[1], F_SETFL, ::fcntl(entrada[1], F_GETFL) | O_NONBLOCK);
    }
    impl_->salida = salida[0];
    impl_->entrada = entrada[1];
    impl_->archivo = entrada[0]; // -1 unless it is the input file
    return true;
}

std::int64_t ProcesoConsola::PosicionEntrada() const {
    if (impl_->archivo < 0) {
        return -1;
    }
    // The child's descriptor 0 is a dup of this one: one offset for both.
    const off_t posicion = ::lseek(impl_->archivo, 0, SEEK_CUR);
    return posicion < 0 ? -1 : static_cast<std::int64_t>(posicion);
}

Lectura ProcesoConsola::Espera(int esperaMs, std::string& datos) {
    Impl& p = *impl_;
    datos.clear();
    if (p.Entrega(datos)) {
        return Lectura::Datos;
    }
    if (!p.finSalida) {
        // Read before waiting: while the program writes, its output is there.
        int error = 0;
        ssize_t n = p.Lee(error);
        if (n < 0 && error == EAGAIN) {
            pollfd pfd{p.salida, POLLIN, 0};
            const int r = ::poll(&pfd, 1, esperaMs < 0 ? 0 : esperaMs);
            if (r > 0) {
                n = p.Lee(error);
            } else if (r == 0 && p.Recoge(false)) {
                if (!p.silencioMedido) {
                    p.silencioMedido = true;
                    p.silencioDesde = Reloj::now();
                } else if (Reloj::now() - p.silencioDesde >= kSilencioTrasFin) {
                    p.finSalida = true;
                    Cierra(p.salida);
                }
            }
        }
        if (n > 0) {
            p.silencioMedido = false;
            p.Entrega(datos);
            return Lectura::Datos;
        }
        if (!p.finSalida && (n == 0 || (error != EAGAIN && error != EINTR))) {
            p.finSalida = true;
            Cierra(p.salida);
        }
        if (!p.finSalida) {
            return Lectura::NadaAun;
        }
    }
    if (p.Recoge(false)) {
        return Lectura::Fin;
    }
    // The output is closed but the program still runs: wait for its end in
    // slices as well, looking every millisecond (a program usually ends right
    // after it closes its output).
    const auto limite = Reloj::now() + std::chrono::milliseconds(esperaMs < 10 ? esperaMs : 10);
    while (Reloj::now() < limite) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (p.Recoge(false)) {
            return Lectura::Fin;
        }
    }
    return p.Recoge(false) ? Lectura::Fin : Lectura::NadaAun;
}

bool ProcesoConsola::Escribe(std::string_view bytes) {
    Impl& p = *impl_;
    if (p.entrada < 0) {
        return false;
    }
    // A program that closed its input must not end this process by SIGPIPE:
    // block it for this thread and drop one that became pending.
    sigset_t pipe, antes;
    ::sigemptyset(&pipe);
    ::sigaddset(&pipe, SIGPIPE);
    ::pthread_sigmask(SIG_BLOCK, &pipe, &antes);
    bool bien = true;
    std::size_t hecho = 0;
    while (hecho < bytes.size()) {
        const ssize_t n = ::write(p.entrada, bytes.data() + hecho, bytes.size() - hecho);
        if (n > 0) {
            hecho += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd pfd{p.entrada, POLLOUT, 0};
            if (::poll(&pfd, 1, kEsperaEscrituraMs) <= 0) {
                bien = false;
                break;
            }
        } else if (!(n < 0 && errno == EINTR)) {
            bien = false;
            break;
        }
    }
    if (!bien) {
        sigset_t pendientes;
        ::sigpending(&pendientes);
        if (::sigismember(&pendientes, SIGPIPE) == 1) {
            const timespec cero{0, 0};
            ::sigtimedwait(&pipe, nullptr, &cero);
        }
    }
    ::pthread_sigmask(SIG_SETMASK, &antes, nullptr);
    return bien;
}

bool ProcesoConsola::Termina() {
    Impl& p = *impl_;
    if (p.pid <= 0) {
        return false;
    }
    if (p.Recoge(false)) {
        // It ended on its own: nothing is stopped and its exit code stays.
        // What it left in its group is ended, once.
        if (!p.grupoTerminado) {
            p.grupoTerminado = true;
            ::kill(-p.pid, SIGTERM);
        }
        return false;
    }
    if (::kill(-p.pid, SIGTERM) != 0) {
        ::kill(p.pid, SIGTERM);
    }
    const auto limite = Reloj::now() + kGraciaTermino;
    while (!p.Recoge(false) && Reloj::now() < limite) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!p.terminado) {
        if (::kill(-p.pid, SIGKILL) != 0) {
            ::kill(p.pid, SIGKILL);
        }
        p.Recoge(true);
    }
    p.detenido = true;
    return true;
}

int ProcesoConsola::CodigoSalida() const {
    Impl& p = *impl_;
    if (p.detenido || p.pid <= 0) {
        return 0;
    }
    p.Recoge(true);
    if (WIFEXITED(p.estado)) {
        return WEXITSTATUS(p.estado);
    }
    if (WIFSIGNALED(p.estado)) {
        return 128 + WTERMSIG(p.estado);
    }
    return 0;
}

// ---- Text -----------------------------------------------------------------

namespace {

// Valid range of the second byte of a UTF-8 sequence led by `b`.
void RangoSegundo(unsigned char b, unsigned char& min, unsigned char& max) {
    min = 0x80;
    max = 0xBF;
    if (b == 0xE0) {
        min = 0xA0;
    } else if (b == 0xED) {
        max = 0x9F;
    } else if (b == 0xF0) {
        min = 0x90;
    } else if (b == 0xF4) {
        max = 0x8F;
    }
}

} // namespace

std::string DecodificaSalida(std::string& pendiente, std::string_view bytes, bool final) {
    // The bytes of the previous read go in front; without them the new bytes
    // are read where they are.
    std::string unidos;
    std::string_view s = bytes;
    if (!pendiente.empty()) {
        unidos = std::move(pendiente);
        pendiente.clear();
        unidos.append(bytes);
        s = unidos;
    }
    std::string r;
    r.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        // A run of ASCII bytes is copied whole.
        const std::size_t j = utf8::FinAscii(s.data(), i, s.size());
        r.append(s.data() + i, j - i);
        i = j;
        if (i == s.size()) {
            break;
        }
        const auto b = static_cast<unsigned char>(s[i]);
        std::size_t largo = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            largo = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            largo = 3;
        } else if (b >= 0xF0 && b <= 0xF4) {
            largo = 4;
        }
        std::size_t validos = largo == 0 ? 0 : 1;
        if (largo != 0) {
            unsigned char min, max;
            RangoSegundo(b, min, max);
            while (validos < largo && i + validos < s.size()) {
                const auto c = static_cast<unsigned char>(s[i + validos]);
                const bool bien = validos == 1 ? (c >= min && c <= max) : utf8::EsContinuacion(c);
                if (!bien) {
                    break;
                }
                ++validos;
            }
        }
        if (largo != 0 && validos == largo) {
            r.append(s.data() + i, largo);
            i += largo;
        } else if (largo != 0 && i + validos == s.size() && !final) {
            pendiente = std::string(s.substr(i)); // cut by the end of this read
            break;
        } else {
            unicode::AgregaUtf8(r, unicode::DeCp1252(b));
            ++i;
        }
    }
    return r;
}

std::string CodificaEntrada(const std::string& texto) {
    return texto;
}

bool EsCaracterSuprimido(char32_t c) {
    return (c >= 0x81 && c <= 0x90) || (c >= 0x93 && c <= 0x9F);
}

} // namespace ejecucion
