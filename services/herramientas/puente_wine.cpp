// puente-wine: the Linux side of the Windows stand-ins of the Wine tests.
// Wine cannot start a Linux program from a Windows one, so mysqld.exe,
// mysql.exe, mysqldump.exe and mysql_upgrade.exe ask this bridge, over
// 127.0.0.1, to run MariaDB's programs and servers (ProtocoloPuente.h).
//
//   puente-wine --carpeta CARPETA [--trabajo DIR]
//
// CARPETA is the Wine-side MySQL folder: once listening, the bridge writes
// CARPETA/bin/puente.txt (port, key, pid) and removes it when it ends. DIR
// (default CARPETA/puente) keeps the servers' option files, their console
// output (<service>.salida) and the bridge's log (puente.log). Sockets go to
// a short folder of their own under /tmp.
//
// The bridge ends on SIGTERM, SIGINT or SIGHUP and when its parent dies; it
// then stops every server it started (SIGTERM, SIGKILL after 60 s). A server
// also stops when the service stand-in that asked for it closes its
// connection (its process died), as a Windows server ends with its process.
#include "ProtocoloPuente.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using Reloj = std::chrono::steady_clock;

namespace {

// How long a server gets to answer on its port, and to go after SIGTERM.
constexpr auto kEsperaServidor = std::chrono::seconds(60);

std::string g_clave;
fs::path g_trabajo;
fs::path g_sockets;
std::mutex g_registro_mutex;

void Registra(const std::string& linea) {
    std::lock_guard<std::mutex> candado(g_registro_mutex);
    std::ofstream f(g_trabajo / "puente.log", std::ios::app);
    const std::time_t t = std::time(nullptr);
    char hora[32];
    std::strftime(hora, sizeof hora, "%H:%M:%S", std::localtime(&t));
    f << hora << ' ' << linea << '\n';
}

// Time since `inicio`, for the log.
std::string Desde(Reloj::time_point inicio) {
    return std::to_string(
               std::chrono::duration_cast<std::chrono::milliseconds>(Reloj::now() - inicio)
                   .count()) +
           " ms";
}

// ---------------------------------------------------------------- frames

bool EscribeTodo(int fd, const char* datos, std::size_t n) {
    return puente::Todo(datos, n, [fd](const char* d, std::size_t k) {
        ssize_t r;
        while ((r = send(fd, d, k, MSG_NOSIGNAL)) < 0 && errno == EINTR)
            ;
        return r;
    });
}

bool LeeTodo(int fd, char* datos, std::size_t n) {
    return puente::Todo(datos, n, [fd](char* d, std::size_t k) {
        ssize_t r;
        while ((r = recv(fd, d, k, 0)) < 0 && errno == EINTR)
            ;
        return r;
    });
}

// Frames are sent from two threads of a connection; one lock per connection.
class Conexion {
public:
    explicit Conexion(int fd) : fd_(fd) {}
    ~Conexion() { close(fd_); }
    Conexion(const Conexion&) = delete;
    Conexion& operator=(const Conexion&) = delete;

    int Fd() const { return fd_; }

    bool Envia(char tipo, std::string_view datos = {}) {
        std::lock_guard<std::mutex> candado(envio_);
        return puente::EnviaTrama(
            [this](const char* d, std::size_t n) { return EscribeTodo(fd_, d, n); }, tipo, datos);
    }

    bool Lee(char& tipo, std::string& datos) {
        return puente::LeeTrama([this](char* d, std::size_t n) { return LeeTodo(fd_, d, n); }, tipo,
                                datos);
    }

    // An error of the bridge itself, reported as the program's.
    void Falla(const std::string& mensaje, int codigo = puente::kCodigoSinPuente) {
        Registra("  error: " + mensaje);
        Envia(puente::kError, "puente-wine: " + mensaje + "\n");
        Envia(puente::kFin, std::to_string(codigo));
    }

private:
    int fd_;
    std::mutex envio_;
};

struct Peticion {
    std::string orden, programa, nombre, opciones, carpeta;
    bool hayOpciones = false;
    std::vector<std::string> args;
};

// Reads the request up to G. False when the connection breaks or the key is
// wrong.
bool LeePeticion(Conexion& c, Peticion& p) {
    char tipo = 0;
    std::string datos;
    if (!c.Lee(tipo, datos) || tipo != puente::kClave || datos != g_clave)
        return false;
    while (c.Lee(tipo, datos)) {
        switch (tipo) {
        case puente::kOrden:
            p.orden = datos;
            break;
        case puente::kPrograma:
            p.programa = datos;
            break;
        case puente::kNombre:
            p.nombre = datos;
            break;
        case puente::kOpciones:
            p.opciones = datos;
            p.hayOpciones = true;
            break;
        case puente::kCarpeta:
            p.carpeta = datos;
            break;
        case puente::kArgumento:
            p.args.push_back(datos);
            break;
        case puente::kFinPeticion:
            return true;
        default:
            return false;
        }
    }
    return false;
}

// ---------------------------------------------------------------- processes

std::string Minusculas(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return s;
}

bool Empieza(std::string_view s, std::string_view prefijo) {
    return s.substr(0, prefijo.size()) == prefijo;
}

// The log shows no password given on a command line.
std::string Visible(const std::vector<std::string>& args) {
    std::string r;
    for (const auto& a : args) {
        const bool clave = Empieza(a, "--password=") || (Empieza(a, "-p") && a.size() > 2);
        r += ' ' + (clave ? a.substr(0, a[1] == 'p' ? 2 : 11) + "********" : a);
    }
    return r;
}

std::string RutaPrograma(const std::string& programa) {
    if (programa == "mariadbd") {
        if (const char* r = std::getenv("RT_MARIADBD"))
            return r;
        if (access("/usr/sbin/mariadbd", X_OK) == 0)
            return "/usr/sbin/mariadbd";
    }
    return programa;
}

// argv of execvp, built before the fork: after it, the child of a threaded
// program may not allocate.
class Argv {
public:
    explicit Argv(const std::vector<std::string>& args) : args_(args) {
        for (auto& a : args_)
            punteros_.push_back(a.data());
        punteros_.push_back(nullptr);
    }
    char* const* get() const { return punteros_.data(); }

private:
    std::vector<std::string> args_;
    std::vector<char*> punteros_;
};

// The child side of a fork: standard handles, a clean signal mask, the
// folder (or none), then exec. Only async-signal-safe calls.
[[noreturn]] void Hijo(const Argv& argv, int entrada, int salida, int error, const char* carpeta,
                       int senalMuerte, bool sesion) {
    if (senalMuerte)
        prctl(PR_SET_PDEATHSIG, senalMuerte);
    if (sesion)
        setsid();
    sigset_t nada;
    sigemptyset(&nada);
    sigprocmask(SIG_SETMASK, &nada, nullptr);
    signal(SIGPIPE, SIG_DFL);
    dup2(entrada, 0);
    dup2(salida, 1);
    dup2(error, 2);
    // Nothing else inherited: another connection's socket kept open by a
    // server would never close.
    for (int fd = 3; fd < 1024; ++fd)
        close(fd);
    if (carpeta && *carpeta && chdir(carpeta) != 0)
        _exit(126);
    execvp(argv.get()[0], argv.get());
    _exit(127);
}

int CodigoDe(int estado) {
    if (WIFEXITED(estado))
        return WEXITSTATUS(estado);
    if (WIFSIGNALED(estado))
        return 128 + WTERMSIG(estado);
    return 1;
}

// Runs a program to its end and returns its exit code and standard output
// (my_print_defaults).
int Corre(const std::vector<std::string>& args, std::string& salida) {
    int tubo[2];
    if (pipe2(tubo, O_CLOEXEC) != 0)
        return -1;
    const int nulo = open("/dev/null", O_RDWR | O_CLOEXEC);
    const Argv argv(args);
    const pid_t pid = fork();
    if (pid == 0)
        Hijo(argv, nulo, tubo[1], nulo, nullptr, SIGKILL, false);
    close(tubo[1]);
    close(nulo);
    char buf[4096];
    ssize_t k;
    while ((k = read(tubo[0], buf, sizeof buf)) > 0 || (k < 0 && errno == EINTR))
        if (k > 0)
            salida.append(buf, static_cast<std::size_t>(k));
    close(tubo[0]);
    int estado = 0;
    if (pid < 0 || waitpid(pid, &estado, 0) != pid)
        return -1;
    return CodigoDe(estado);
}

// ---------------------------------------------------------------- option files

// The option file as the stand-in sent it, plus what MariaDB needs on Linux:
// a short socket, 127.0.0.1 only, root's own user and a temporary folder of
// its own. Later lines win, so these override the file's.
fs::path EscribeOpciones(const fs::path& ruta, const std::string& texto, const std::string& clave,
                         bool servidor) {
    std::ofstream f(ruta, std::ios::binary | std::ios::trunc);
    f << texto;
    if (!texto.empty() && texto.back() != '\n')
        f << '\n';
    f << "\n# Linux side of the Wine tests (puente-wine)\n[mysqld]\n"
      << "socket=\"" << (g_sockets / (clave + ".sock")).string() << "\"\n"
      << "bind-address=127.0.0.1\n";
    if (servidor) {
        const fs::path temporal = g_trabajo / (clave + ".tmp");
        fs::create_directories(temporal);
        f << "tmpdir=\"" << temporal.string() << "\"\n";
        if (geteuid() == 0)
            f << "user=root\n";
    }
    f.close();
    return ruta;
}

// The port the server of that option file listens on (3306 when unset).
int PuertoDe(const fs::path& opciones) {
    std::string salida;
    Corre({"my_print_defaults", "--defaults-file=" + opciones.string(), "mysqld", "server",
           "mysqld-10.11", "mariadb", "mariadb-10.11", "mariadbd", "client-server"},
          salida);
    int puerto = 3306;
    std::istringstream lineas(salida);
    std::string l;
    while (std::getline(lineas, l))
        if (Empieza(l, "--port="))
            puerto = std::atoi(l.c_str() + 7);
    return puerto;
}

// ---------------------------------------------------------------- ejecuta

// MariaDB's program for a stand-in, with the defaults rule of the Linux
// stand-ins: --defaults-extra-file (or --defaults-file) first reads that
// file alone, otherwise no option file at all (/etc/mysql points elsewhere).
// Clients speak TCP, as a Windows client does for "localhost".
std::vector<std::string> LineaDeOrdenes(const Peticion& p, const fs::path& opciones) {
    std::vector<std::string> r{RutaPrograma(p.programa)};
    std::size_t desde = 0;
    if (!opciones.empty()) {
        r.push_back("--defaults-file=" + opciones.string());
    } else if (!p.args.empty() && Empieza(p.args[0], "--defaults-extra-file=")) {
        r.push_back("--defaults-file=" + p.args[0].substr(22));
        desde = 1;
    } else if (!p.args.empty() &&
               (Empieza(p.args[0], "--defaults-file=") || p.args[0] == "--no-defaults")) {
        r.push_back(p.args[0]);
        desde = 1;
    } else {
        r.push_back("--no-defaults");
    }
    if (p.programa != "mariadbd")
        r.push_back("--protocol=tcp");
    r.insert(r.end(), p.args.begin() + static_cast<long>(desde), p.args.end());
    return r;
}

// A program run for a stand-in. A stand-in that goes away (killed by the
// Windows program) takes its program with it.
struct EnCurso {
    pid_t pid = -1;
    std::mutex mutex;
    bool recogido = false;

    void Termina() {
        std::lock_guard<std::mutex> candado(mutex);
        if (!recogido)
            kill(pid, SIGTERM);
    }
    // Waits for the end; the pid stays ours until reaped under the lock.
    int Espera() {
        siginfo_t info{};
        while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) < 0 &&
               errno == EINTR)
            ;
        std::lock_guard<std::mutex> candado(mutex);
        int estado = 0;
        waitpid(pid, &estado, 0);
        recogido = true;
        return CodigoDe(estado);
    }
};

// Standard input from the stand-in to the program, until i, or until the
// connection or the program's input ends. A connection lost before i
// ends the program.
void PasaEntrada(Conexion& c, int entrada, EnCurso& hijo) {
    char tipo = 0;
    std::string datos;
    bool abierta = true;
    bool fin = false;
    while (c.Lee(tipo, datos)) {
        if (tipo == puente::kEntrada && abierta) {
            abierta =
                write(entrada, datos.data(), datos.size()) == static_cast<ssize_t>(datos.size());
        } else if (tipo == puente::kFinEntrada && !fin) {
            close(entrada);
            entrada = -1;
            abierta = false;
            fin = true;
        }
    }
    if (entrada >= 0)
        close(entrada);
    if (!fin)
        hijo.Termina();
}

// The program's standard output and error to the stand-in, until both end.
void PasaSalidas(Conexion& c, int salida, int error, EnCurso& hijo) {
    pollfd fds[2] = {{salida, POLLIN, 0}, {error, POLLIN, 0}};
    const char tipos[2] = {puente::kSalida, puente::kError};
    int abiertas = 2;
    bool conectado = true;
    std::vector<char> buf(64 * 1024);
    while (abiertas > 0) {
        if (poll(fds, 2, -1) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            const ssize_t k = read(fds[i].fd, buf.data(), buf.size());
            if (k < 0 && errno == EINTR)
                continue;
            if (k <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --abiertas;
            } else if (conectado) {
                conectado = c.Envia(tipos[i], std::string_view(buf.data(), k));
                if (!conectado)
                    hijo.Termina();
            }
        }
    }
    for (const auto& f : fds)
        if (f.fd >= 0)
            close(f.fd);
}

void Ejecuta(Conexion& c, const Peticion& p) {
    static const char* const kPermitidos[] = {"mariadbd", "mariadb", "mariadb-dump",
                                              "mariadb-upgrade"};
    if (std::find(std::begin(kPermitidos), std::end(kPermitidos), p.programa) ==
        std::end(kPermitidos))
        return c.Falla("programa no admitido: " + p.programa);
    fs::path opciones;
    if (p.hayOpciones) {
        char plantilla[] = "opciones-XXXXXX";
        opciones = g_trabajo / plantilla;
        std::string r = opciones.string();
        const int fd = mkstemp(r.data());
        if (fd < 0)
            return c.Falla("no se pudo crear un archivo de opciones en " + g_trabajo.string());
        close(fd);
        opciones = EscribeOpciones(r, p.opciones, "ejecuta", false);
    }
    const auto args = LineaDeOrdenes(p, opciones);
    Registra("ejecuta" + Visible(args));
    const auto inicio = Reloj::now();

    int ent[2], sal[2], err[2];
    if (pipe2(ent, O_CLOEXEC) || pipe2(sal, O_CLOEXEC) || pipe2(err, O_CLOEXEC))
        return c.Falla("pipe: " + std::string(std::strerror(errno)));
    const Argv argv(args);
    const pid_t pid = fork();
    if (pid == 0)
        Hijo(argv, ent[0], sal[1], err[1], p.carpeta.c_str(), SIGKILL, false);
    close(ent[0]);
    close(sal[1]);
    close(err[1]);
    if (pid < 0) {
        close(ent[1]);
        close(sal[0]);
        close(err[0]);
        return c.Falla("fork: " + std::string(std::strerror(errno)));
    }
    EnCurso hijo;
    hijo.pid = pid;
    std::thread entrada(PasaEntrada, std::ref(c), ent[1], std::ref(hijo));

    PasaSalidas(c, sal[0], err[0], hijo);
    const int codigo = hijo.Espera();
    c.Envia(puente::kFin, std::to_string(codigo));
    // The stand-in closes once it has X; reading on until then leaves no
    // unread input that would turn the close into a reset and lose X.
    shutdown(c.Fd(), SHUT_WR);
    entrada.join();
    if (!opciones.empty())
        fs::remove(opciones);
    Registra("  código " + std::to_string(codigo) + " en " + Desde(inicio));
}

// ---------------------------------------------------------------- servers

// Servers are forked by the main thread only: PR_SET_PDEATHSIG follows the
// thread that forked, and the main thread lives as long as the bridge, so a
// killed bridge still stops its servers.
struct Arranque {
    std::vector<std::string> args;
    fs::path salida;
    std::promise<pid_t> pid;
};

struct Servidor {
    pid_t pid = 0;
    bool termino = false;
    int codigo = 0;
};

std::mutex g_mutex;
std::condition_variable g_cambio;
std::deque<Arranque*> g_arranques;
std::map<std::string, Servidor> g_servidores; // by service name in lower case
int g_despierta = -1;

pid_t PideArranque(const std::vector<std::string>& args, const fs::path& salida) {
    Arranque a{args, salida, {}};
    auto futuro = a.pid.get_future();
    {
        std::lock_guard<std::mutex> candado(g_mutex);
        g_arranques.push_back(&a);
    }
    const char uno = 1;
    if (write(g_despierta, &uno, 1) != 1)
        return -1;
    return futuro.get();
}

// Main thread: forks the servers asked for.
void Arranca() {
    std::unique_lock<std::mutex> candado(g_mutex);
    while (!g_arranques.empty()) {
        Arranque* a = g_arranques.front();
        g_arranques.pop_front();
        const int nulo = open("/dev/null", O_RDONLY | O_CLOEXEC);
        const int sal = open(a->salida.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        const Argv argv(a->args);
        const pid_t pid = nulo < 0 || sal < 0 ? -1 : fork();
        if (pid == 0)
            Hijo(argv, nulo, sal, sal, "/", SIGTERM, true);
        if (nulo >= 0)
            close(nulo);
        if (sal >= 0)
            close(sal);
        a->pid.set_value(pid);
    }
}

// Main thread: reaps the servers that ended.
void Recoge() {
    std::lock_guard<std::mutex> candado(g_mutex);
    bool cambio = false;
    for (auto& [clave, s] : g_servidores) {
        int estado = 0;
        if (!s.termino && waitpid(s.pid, &estado, WNOHANG) == s.pid) {
            s.termino = true;
            s.codigo = CodigoDe(estado);
            cambio = true;
        }
    }
    if (cambio)
        g_cambio.notify_all();
}

// True when a MySQL server sends its greeting on 127.0.0.1:puerto (or an
// error packet: it answers all the same).
bool Contesta(int puerto) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (s < 0)
        return false;
    timeval limite{1, 0};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &limite, sizeof limite);
    setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, &limite, sizeof limite);
    sockaddr_in d{};
    d.sin_family = AF_INET;
    d.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    d.sin_port = htons(static_cast<std::uint16_t>(puerto));
    unsigned char saludo[5] = {};
    const bool si = connect(s, reinterpret_cast<sockaddr*>(&d), sizeof d) == 0 &&
                    LeeTodo(s, reinterpret_cast<char*>(saludo), 5) &&
                    (saludo[4] == 10 || saludo[4] == 0xFF);
    close(s);
    return si;
}

// Waits until the server ended (true) or the time is up.
bool EsperaFin(const std::string& clave, Reloj::duration espera) {
    std::unique_lock<std::mutex> candado(g_mutex);
    return g_cambio.wait_for(candado, espera, [&] { return g_servidores[clave].termino; });
}

// Stops a server and waits until it is gone; its exit code.
int Detiene(const std::string& clave) {
    pid_t pid;
    {
        std::lock_guard<std::mutex> candado(g_mutex);
        const Servidor& s = g_servidores[clave];
        if (s.termino)
            return s.codigo;
        pid = s.pid;
    }
    Registra("detiene " + clave + " (pid " + std::to_string(pid) + ")");
    kill(pid, SIGTERM);
    if (!EsperaFin(clave, kEsperaServidor)) {
        Registra("  no terminó en 60 s: SIGKILL");
        kill(pid, SIGKILL);
        EsperaFin(clave, std::chrono::seconds(10));
    }
    std::lock_guard<std::mutex> candado(g_mutex);
    return g_servidores[clave].codigo;
}

std::string Cola(const fs::path& archivo, std::size_t desde) {
    std::ifstream f(archivo, std::ios::binary);
    std::ostringstream s;
    f.seekg(static_cast<std::streamoff>(desde));
    s << f.rdbuf();
    std::string r = s.str();
    if (r.size() > 4000)
        r = r.substr(r.size() - 4000);
    return r;
}

// What the stand-in sent while the server runs: S or a closed connection.
// True when it asks for the stop.
bool PidePararse(Conexion& c) {
    pollfd p{c.Fd(), POLLIN, 0};
    if (poll(&p, 1, 100) <= 0)
        return false;
    char tipo = 0;
    std::string datos;
    return !c.Lee(tipo, datos) || tipo == puente::kPara;
}

int CodigoDelServidor(const std::string& clave) {
    std::lock_guard<std::mutex> candado(g_mutex);
    return g_servidores[clave].codigo;
}

// A server of a service, from its start to its end.
struct ServidorDeServicio {
    std::string nombre, clave;
    int puerto = 3306;
    fs::path salida;
    std::uintmax_t desde = 0; // its console output of this run starts here
    Reloj::time_point inicio;

    // The server ended by itself: the stand-in gets its last output and an
    // exit code that is never 0.
    void TerminoSolo(Conexion& c, const std::string& cuando) const {
        const int codigo = CodigoDelServidor(clave);
        Registra("  el servidor de " + nombre + " terminó " + cuando + ", código " +
                 std::to_string(codigo));
        c.Envia(puente::kError, Cola(salida, desde));
        c.Envia(puente::kFin, std::to_string(codigo ? codigo : 1));
    }

    // Until the server answers on its port (true), or it ended, did not
    // answer in time or the stand-in gave up: then the stand-in has its X.
    bool EsperaQueConteste(Conexion& c) const {
        for (;;) {
            if (EsperaFin(clave, std::chrono::milliseconds(0))) {
                TerminoSolo(c, "al arrancar");
                return false;
            }
            if (Reloj::now() - inicio > kEsperaServidor) {
                Registra("  no contestó en 60 s");
                c.Envia(puente::kError, "puente-wine: el servidor no contestó en 60 s\n");
                Detiene(clave);
                c.Envia(puente::kFin, "1");
                return false;
            }
            if (Contesta(puerto))
                return true;
            if (PidePararse(c)) {
                c.Envia(puente::kFin, std::to_string(Detiene(clave)));
                return false;
            }
        }
    }

    // While it runs: stopped when the stand-in asks or goes away.
    void Acompana(Conexion& c) const {
        while (!EsperaFin(clave, std::chrono::milliseconds(0))) {
            if (PidePararse(c)) {
                const int codigo = Detiene(clave);
                Registra("  " + nombre + " detenido, código " + std::to_string(codigo));
                c.Envia(puente::kFin, std::to_string(codigo));
                return;
            }
        }
        TerminoSolo(c, "solo");
    }
};

void Servicio(Conexion& c, const Peticion& p) {
    ServidorDeServicio s;
    s.nombre = p.nombre;
    s.clave = Minusculas(p.nombre);
    if (s.clave.empty() || s.clave.size() > 64 ||
        s.clave.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789_.-") != std::string::npos)
        return c.Falla("nombre de servicio no admitido: " + p.nombre);
    if (!p.hayOpciones)
        return c.Falla("el servicio " + p.nombre + " no trae archivo de opciones");
    {
        std::lock_guard<std::mutex> candado(g_mutex);
        auto it = g_servidores.find(s.clave);
        if (it != g_servidores.end() && !it->second.termino)
            return c.Falla("el servidor del servicio " + p.nombre + " ya está en marcha");
        g_servidores.erase(s.clave);
    }
    const fs::path opciones =
        EscribeOpciones(g_trabajo / (s.clave + ".cnf"), p.opciones, s.clave, true);
    s.puerto = PuertoDe(opciones);
    s.salida = g_trabajo / (s.clave + ".salida");
    std::error_code ec;
    s.desde = fs::exists(s.salida) ? fs::file_size(s.salida, ec) : 0;
    const std::vector<std::string> args{RutaPrograma("mariadbd"),
                                        "--defaults-file=" + opciones.string()};
    Registra("servicio " + p.nombre + ": puerto " + std::to_string(s.puerto) + Visible(args));
    s.inicio = Reloj::now();
    const pid_t pid = PideArranque(args, s.salida);
    if (pid < 0)
        return c.Falla("no se pudo lanzar mariadbd");
    {
        std::lock_guard<std::mutex> candado(g_mutex);
        g_servidores[s.clave] = Servidor{pid, false, 0};
    }
    if (!s.EsperaQueConteste(c))
        return;
    Registra("  contesta en " + Desde(s.inicio));
    c.Envia(puente::kListo, std::to_string(s.puerto));
    s.Acompana(c);
}

void Atiende(int fd) {
    Conexion c(fd);
    Peticion p;
    if (!LeePeticion(c, p))
        return;
    if (p.orden == "ejecuta")
        Ejecuta(c, p);
    else if (p.orden == "servicio")
        Servicio(c, p);
    else
        c.Falla("orden desconocida: " + p.orden);
}

// ---------------------------------------------------------------- main

std::string ClaveNueva() {
    unsigned char b[16] = {};
    std::ifstream f("/dev/urandom", std::ios::binary);
    f.read(reinterpret_cast<char*>(b), sizeof b);
    if (!f)
        std::abort();
    static const char* kHex = "0123456789abcdef";
    std::string r;
    for (unsigned char x : b) {
        r += kHex[x >> 4];
        r += kHex[x & 15];
    }
    return r;
}

void EscribeDatos(const fs::path& archivo, int puerto) {
    const fs::path tmp = archivo.string() + ".tmp";
    {
        std::ofstream f(tmp, std::ios::trunc);
        f << "# Puente de los sustitutos de Windows (puente-wine); se borra al terminar.\r\n"
          << "puerto=" << puerto << "\r\nclave=" << g_clave << "\r\npid=" << getpid() << "\r\n";
    }
    chmod(tmp.c_str(), 0600);
    fs::rename(tmp, archivo);
}

// SIGTERM to every server still running, then waits (SIGKILL after 60 s).
void DetieneTodo() {
    std::vector<pid_t> vivos;
    {
        std::lock_guard<std::mutex> candado(g_mutex);
        for (auto& [clave, s] : g_servidores)
            if (!s.termino) {
                kill(s.pid, SIGTERM);
                vivos.push_back(s.pid);
            }
    }
    const auto fin = Reloj::now() + kEsperaServidor;
    for (const pid_t pid : vivos) {
        int estado;
        while (waitpid(pid, &estado, WNOHANG) == 0) {
            if (Reloj::now() > fin)
                kill(pid, SIGKILL);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    if (!vivos.empty())
        Registra("detenidos al terminar: " + std::to_string(vivos.size()) + " servidores");
}

// Main thread: accepts connections, forks the servers asked for and reaps
// them, until a signal comes or the parent is gone.
void BuclePrincipal(int escucha, int senales, int despierta, pid_t padre) {
    bool sigue = getppid() == padre;
    while (sigue) {
        pollfd fds[3] = {{escucha, POLLIN, 0}, {senales, POLLIN, 0}, {despierta, POLLIN, 0}};
        if (poll(fds, 3, 100) < 0 && errno != EINTR)
            break;
        if (fds[0].revents & POLLIN) {
            const int fd = accept4(escucha, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd >= 0)
                std::thread(Atiende, fd).detach();
        }
        if (fds[2].revents & POLLIN) {
            char b[64];
            if (read(despierta, b, sizeof b) < 0 && errno != EINTR)
                break;
            Arranca();
        }
        Recoge();
        if (fds[1].revents & POLLIN)
            sigue = false;
        if (getppid() != padre)
            sigue = false;
    }
}

// The listening socket on a free port of 127.0.0.1; -1 on failure.
int Escucha(int& puerto) {
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in d{};
    d.sin_family = AF_INET;
    d.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t largo = sizeof d;
    if (s < 0 || bind(s, reinterpret_cast<sockaddr*>(&d), sizeof d) != 0 || listen(s, 16) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&d), &largo) != 0)
        return -1;
    puerto = ntohs(d.sin_port);
    return s;
}

int Uso() {
    std::fprintf(stderr, "Uso: puente-wine --carpeta CARPETA_MYSQL [--trabajo DIR]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    fs::path carpeta;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--carpeta" && i + 1 < argc)
            carpeta = argv[++i];
        else if (a == "--trabajo" && i + 1 < argc)
            g_trabajo = argv[++i];
        else
            return Uso();
    }
    if (carpeta.empty() || !fs::is_directory(carpeta / "bin"))
        return Uso();
    carpeta = fs::absolute(carpeta);
    if (g_trabajo.empty())
        g_trabajo = carpeta / "puente";
    g_trabajo = fs::absolute(g_trabajo);
    fs::create_directories(g_trabajo);
    char plantilla[] = "/tmp/rt-puente.XXXXXX";
    if (!mkdtemp(plantilla)) {
        std::perror("mkdtemp");
        return 1;
    }
    g_sockets = plantilla;

    // Ends with its parent (the test script), however that one ends.
    const pid_t padre = getppid();
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    sigset_t senales;
    sigemptyset(&senales);
    for (int s : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&senales, s);
    pthread_sigmask(SIG_BLOCK, &senales, nullptr);
    signal(SIGPIPE, SIG_IGN);
    const int fdSenales = signalfd(-1, &senales, SFD_CLOEXEC);
    int tubo[2];
    if (fdSenales < 0 || pipe2(tubo, O_CLOEXEC) != 0)
        return 1;
    g_despierta = tubo[1];

    int puerto = 0;
    const int escucha = Escucha(puerto);
    if (escucha < 0) {
        std::perror("puente-wine: socket");
        return 1;
    }
    g_clave = ClaveNueva();
    const fs::path datos = carpeta / "bin" / puente::kArchivoDatos;
    EscribeDatos(datos, puerto);
    Registra("escucha en 127.0.0.1:" + std::to_string(puerto));
    BuclePrincipal(escucha, fdSenales, tubo[0], padre);
    close(escucha);
    fs::remove(datos);
    DetieneTodo();
    std::error_code ec;
    fs::remove_all(g_sockets, ec);
    Registra("fin");
    // Connection threads may still wait on their sockets: leave at once.
    _exit(0);
}
