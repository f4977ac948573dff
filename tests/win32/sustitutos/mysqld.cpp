// bin\mysqld.exe of the Wine-side MySQL folder: the stand-in of MySQL's
// Windows server for the tests under Wine. The server itself is MariaDB on
// the Linux side, run by the bridge (puente-wine).
//   mysqld --install [NOMBRE] [--defaults-file=F]   registers the service
//   mysqld --install-manual …                       the same, started by hand
//   mysqld --remove [NOMBRE]                        deletes it
//   mysqld [--defaults-file=F] OTRAS…               mariadbd with them (--verbose
//                                                   --help, --validate-config,
//                                                   --version)
//   mysqld [--defaults-file=F] NOMBRE               the service itself, as the
//                                                   service manager starts it
// NOMBRE is "MySQL" when missing; F, the my.ini above bin\. As MySQL does,
// the service's program is `"<bin>\mysqld.exe" --defaults-file="F" NOMBRE`.
// While a file bin\NOMBRE.rechaza-parada exists, the running service refuses
// to stop (a fault of the tests; see SigueMarca). The service notes what it
// does in bin\NOMBRE.servicio.log.
#include "Puente.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

using namespace sustitutos;

namespace {

constexpr const char* kNombrePorOmision = "MySQL";

void Escribe(HANDLE h, const std::string& s) {
    DWORD n = 0;
    WriteFile(h, s.data(), static_cast<DWORD>(s.size()), &n, nullptr);
}

void Dice(const std::string& s) {
    Escribe(GetStdHandle(STD_OUTPUT_HANDLE), s + "\r\n");
}

void Queja(const std::string& s) {
    Escribe(GetStdHandle(STD_ERROR_HANDLE), s + "\r\n");
}

// The MySQL folder: the one above bin\.
std::wstring CarpetaMysql() {
    const std::wstring bin = CarpetaExe();
    return bin.substr(0, bin.find_last_of(L"\\/"));
}

std::wstring MyIniPorOmision() {
    return CarpetaMysql() + L"\\my.ini";
}

bool Empieza(const std::string& s, const char* prefijo) {
    return s.rfind(prefijo, 0) == 0;
}

// The option file for the Linux server: first what the Windows server takes
// when the file is silent (basedir is the folder above bin\, datadir its
// data\), then the file with its paths translated. nullopt when unreadable.
std::optional<std::string> OpcionesLinux(const std::wstring& archivo) {
    const auto texto = LeeArchivo(archivo);
    if (!texto)
        return std::nullopt;
    // With "/": a "\n" in the folder's name would read as a line feed.
    std::string base = Utf8(CarpetaMysql());
    std::replace(base.begin(), base.end(), '\\', '/');
    const std::string omision = "# Defaults of the Windows server\n[mysqld]\nbasedir=\"" + base +
                                "/\"\ndatadir=\"" + base + "/data/\"\n\n";
    return TraduceOpciones(omision, RutaUnix) + TraduceOpciones(*texto, RutaUnix);
}

// ---------------------------------------------------------------- --install, --remove

// A handle of the service manager, closed when it goes.
using Manejador = std::unique_ptr<std::remove_pointer_t<SC_HANDLE>, decltype(&CloseServiceHandle)>;

Manejador Abre(SC_HANDLE h) {
    return Manejador(h, CloseServiceHandle);
}

std::string MensajeDe(DWORD error) {
    return "error " + std::to_string(error);
}

int Instala(const std::vector<std::string>& args, bool manual) {
    std::string nombre = kNombrePorOmision;
    std::wstring opciones = MyIniPorOmision();
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (Empieza(args[i], "--defaults-file=")) {
            opciones = Ancho(args[i].substr(16));
        } else if (i == 0 && !Empieza(args[i], "-")) {
            nombre = args[i];
        } else {
            Queja("Opción no admitida con --install: " + args[i]);
            return 1;
        }
    }
    wchar_t completo[MAX_PATH * 2];
    const DWORD n = GetFullPathNameW(opciones.c_str(), MAX_PATH * 2, completo, nullptr);
    if (n == 0 || GetFileAttributesW(completo) == INVALID_FILE_ATTRIBUTES) {
        Queja("No existe el archivo de opciones " + Utf8(opciones) + "; el servicio " + nombre +
              " no se instaló.");
        return 1;
    }
    wchar_t exe[MAX_PATH * 2];
    const DWORD m = GetModuleFileNameW(nullptr, exe, MAX_PATH * 2);
    const std::wstring programa = L"\"" + std::wstring(exe, m) + L"\" --defaults-file=\"" +
                                  std::wstring(completo, n) + L"\" " + Ancho(nombre);
    const Manejador gestor = Abre(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    if (!gestor.get()) {
        Queja("Failed to install the service: cannot open the service manager (" +
              MensajeDe(GetLastError()) + ")");
        return 1;
    }
    const Manejador servicio = Abre(CreateServiceW(
        gestor.get(), Ancho(nombre).c_str(), Ancho(nombre).c_str(), SERVICE_ALL_ACCESS,
        SERVICE_WIN32_OWN_PROCESS, manual ? SERVICE_DEMAND_START : SERVICE_AUTO_START,
        SERVICE_ERROR_NORMAL, programa.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (!servicio.get()) {
        const DWORD e = GetLastError();
        if (e == ERROR_SERVICE_EXISTS || e == ERROR_DUPLICATE_SERVICE_NAME)
            Queja("The service already exists!");
        else
            Queja("Failed to install the service (Couldn't create service, " + MensajeDe(e) + ")");
        return 1;
    }
    Dice("Service successfully installed.");
    return 0;
}

int Quita(const std::vector<std::string>& args) {
    if (args.size() > 1 || (!args.empty() && Empieza(args[0], "-"))) {
        Queja("Uso: mysqld --remove [NOMBRE]");
        return 1;
    }
    const std::string nombre = args.empty() ? kNombrePorOmision : args[0];
    const Manejador gestor = Abre(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    const Manejador servicio =
        Abre(gestor ? OpenServiceW(gestor.get(), Ancho(nombre).c_str(), DELETE) : nullptr);
    if (!servicio.get()) {
        Queja(GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST
                  ? "The service doesn't exist!"
                  : "Failed to remove the service (" + MensajeDe(GetLastError()) + ")");
        return 1;
    }
    if (!DeleteService(servicio.get())) {
        Queja("Failed to remove the service (" + MensajeDe(GetLastError()) + ")");
        return 1;
    }
    Dice("Service successfully removed.");
    return 0;
}

// ---------------------------------------------------------------- the service

// Wine's service manager waits this long (ServicesPipeTimeout, 10 s) for the
// first status of a starting service and for the answer of a control; the
// stand-in answers within it.
constexpr DWORD kEsperaWineMs = 8000;

struct Servicio {
    std::string nombre;
    std::wstring opciones;
    SERVICE_STATUS_HANDLE estado = nullptr;
    std::mutex mutex;
    std::atomic<DWORD> marca{0};
    std::atomic<DWORD> actual{SERVICE_START_PENDING};
    bool rechaza = false;
    Puente puente;
    std::atomic<bool> paradaPedida{false};
    // Set once the server is gone, and once the stop handler has answered.
    HANDLE terminado = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE respondido = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    // SERVICE_STOPPED is reported once, by whoever gets there first.
    std::atomic<bool> detenidoInformado{false};
    DWORD salida = NO_ERROR;
    DWORD especifico = 0;
};

Servicio* g_servicio = nullptr;

void Anota(const std::string& linea) {
    std::ofstream f((CarpetaExe() + L"\\" + Ancho(g_servicio->nombre) + L".servicio.log").c_str(),
                    std::ios::app);
    const std::time_t t = std::time(nullptr);
    char hora[32];
    std::strftime(hora, sizeof hora, "%H:%M:%S", std::localtime(&t));
    f << hora << ' ' << linea << '\n';
}

// A running service accepts a stop unless it refuses it (rechaza).
void Informa(DWORD estado, DWORD salida = NO_ERROR, DWORD especifico = 0) {
    Servicio& s = *g_servicio;
    std::lock_guard<std::mutex> candado(s.mutex);
    SERVICE_STATUS st{};
    st.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    st.dwCurrentState = estado;
    if (estado == SERVICE_RUNNING)
        st.dwControlsAccepted =
            s.rechaza ? SERVICE_ACCEPT_SHUTDOWN : SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN;
    st.dwWin32ExitCode = salida;
    st.dwServiceSpecificExitCode = especifico;
    const bool pendiente = estado == SERVICE_START_PENDING || estado == SERVICE_STOP_PENDING;
    st.dwCheckPoint = pendiente ? ++s.marca : 0;
    st.dwWaitHint = pendiente ? 60000 : 0;
    s.actual = estado;
    SetServiceStatus(s.estado, &st);
}

void InformaDetenido() {
    Servicio& s = *g_servicio;
    if (!s.detenidoInformado.exchange(true))
        Informa(SERVICE_STOPPED, s.salida, s.especifico);
}

bool RechazaParada() {
    const std::wstring marca =
        CarpetaExe() + L"\\" + Ancho(g_servicio->nombre) + L".rechaza-parada";
    return GetFileAttributesW(marca.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Follows the marker file: a running service that refuses to stop says so
// in its accepted controls. Wine's service manager ignores what a handler
// returns (its ControlService reports success whenever the control reached
// the service) and kills the process at the next control after a stop, so
// under Wine only a service that does not accept the stop stays running;
// ControlService then fails with ERROR_INVALID_SERVICE_CONTROL.
void SigueMarca() {
    Servicio& s = *g_servicio;
    const bool rechaza = RechazaParada();
    bool cambio;
    {
        std::lock_guard<std::mutex> candado(s.mutex);
        cambio = rechaza != s.rechaza;
        s.rechaza = rechaza;
        cambio = cambio && s.actual == SERVICE_RUNNING && !s.paradaPedida;
    }
    if (cambio) {
        Anota(rechaza ? "rechaza la parada (marca .rechaza-parada)" : "acepta la parada");
        Informa(SERVICE_RUNNING);
    }
}

DWORD WINAPI Control(DWORD control, DWORD, LPVOID, LPVOID) {
    Servicio& s = *g_servicio;
    switch (control) {
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    case SERVICE_CONTROL_STOP:
    case SERVICE_CONTROL_SHUTDOWN:
        // What Windows hands back to ControlService; Wine drops it.
        if (RechazaParada()) {
            Anota("parada rechazada: ERROR_ACCESS_DENIED");
            return ERROR_ACCESS_DENIED;
        }
        Anota("parada pedida");
        s.paradaPedida = true;
        Informa(SERVICE_STOP_PENDING);
        s.puente.Envia(puente::kPara);
        // Wine's net stop does not wait for SERVICE_STOPPED, as Windows' net
        // does: the handler answers once the server is gone, with the service
        // already stopped. (Under Wine, SetServiceStatus from another thread
        // waits while a handler runs: the stop is reported from here.)
        if (WaitForSingleObject(s.terminado, kEsperaWineMs) == WAIT_OBJECT_0)
            InformaDetenido();
        else
            Anota("el servidor sigue deteniéndose tras 8 s");
        SetEvent(s.respondido);
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

// Runs the server through the bridge until it ends; the service's exit code.
DWORD CorreServidor(DWORD& especifico) {
    Servicio& s = *g_servicio;
    Peticion p;
    p.orden = "servicio";
    p.nombre = s.nombre;
    p.opciones = OpcionesLinux(s.opciones);
    if (!p.opciones) {
        Anota("no se puede leer " + Utf8(s.opciones));
        return ERROR_FILE_NOT_FOUND;
    }
    std::string motivo;
    if (!s.puente.Conecta(motivo) || !EnviaPeticion(s.puente, p)) {
        Anota("sin puente: " + motivo);
        especifico = puente::kCodigoSinPuente;
        return ERROR_SERVICE_SPECIFIC_ERROR;
    }
    const ULONGLONG inicio = GetTickCount64();
    char tipo = 0;
    std::string datos;
    for (;;) {
        if (!s.puente.HayDatos(100)) {
            SigueMarca();
            // Wine's StartService returns at the first status: RUNNING once
            // the server answers, START_PENDING only when that takes long.
            if (s.actual == SERVICE_START_PENDING && s.marca == 0 &&
                GetTickCount64() - inicio > kEsperaWineMs)
                Informa(SERVICE_START_PENDING);
            continue;
        }
        if (!s.puente.Lee(tipo, datos))
            break;
        if (tipo == puente::kListo) {
            Anota("el servidor contesta en el puerto " + datos);
            {
                std::lock_guard<std::mutex> candado(s.mutex);
                s.rechaza = RechazaParada();
            }
            Informa(SERVICE_RUNNING);
        } else if (tipo == puente::kError) {
            Anota("salida del servidor:\n" + datos);
        } else if (tipo == puente::kFin) {
            const int codigo = std::atoi(datos.c_str());
            Anota("el servidor terminó, código " + datos);
            if (s.paradaPedida && codigo == 0)
                return NO_ERROR;
            especifico = static_cast<DWORD>(codigo);
            return ERROR_SERVICE_SPECIFIC_ERROR;
        }
    }
    Anota("la conexión con el puente se cortó");
    especifico = puente::kCodigoSinPuente;
    return ERROR_SERVICE_SPECIFIC_ERROR;
}

void WINAPI ServicioMain(DWORD, LPWSTR*) {
    Servicio& s = *g_servicio;
    s.estado = RegisterServiceCtrlHandlerExW(Ancho(s.nombre).c_str(), Control, nullptr);
    if (!s.estado)
        return;
    Anota("arranca con " + Utf8(s.opciones));
    s.salida = CorreServidor(s.especifico);
    SetEvent(s.terminado);
    if (s.paradaPedida)
        WaitForSingleObject(s.respondido, kEsperaWineMs + 2000);
    InformaDetenido();
}

int ComoServicio(const std::string& nombre, const std::wstring& opciones) {
    g_servicio = new Servicio;
    g_servicio->nombre = nombre;
    g_servicio->opciones = opciones;
    std::wstring ancho = Ancho(nombre);
    SERVICE_TABLE_ENTRYW tabla[] = {{ancho.data(), ServicioMain}, {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherW(tabla)) {
        Queja("mysqld: " + nombre + " solo corre como servicio (net start " + nombre +
              "); StartServiceCtrlDispatcher: " + MensajeDe(GetLastError()));
        return 1;
    }
    // Under Wine the dispatcher returns as soon as the service is STOPPED,
    // which the stop handler reports before it returns: the process must
    // outlive the handler's answer, or services.exe gets a broken pipe and
    // net stop fails ("Broken pipe.", code 1) with the service stopped.
    Sleep(500);
    return 0;
}

// ---------------------------------------------------------------- mariadbd

int Reenvia(const std::vector<std::string>& args) {
    Peticion p;
    p.programa = "mariadbd";
    for (const auto& a : args) {
        if (Empieza(a, "--defaults-file=")) {
            p.opciones = OpcionesLinux(Ancho(a.substr(16)));
            if (!p.opciones) {
                Queja("mysqld: Could not open required defaults file: " + a.substr(16));
                Queja("mysqld: Fatal error in defaults handling. Program aborted");
                return 1;
            }
        } else {
            p.args.push_back(TraduceArgumento(a, RutaUnix));
        }
    }
    return Ejecuta(p);
}

} // namespace

int main() {
    const auto args = Argumentos();
    if (!args.empty() && (args[0] == "--install" || args[0] == "--install-manual"))
        return Instala({args.begin() + 1, args.end()}, args[0] == "--install-manual");
    if (!args.empty() && args[0] == "--remove")
        return Quita({args.begin() + 1, args.end()});
    // As the service manager starts it: [--defaults-file=F] NOMBRE.
    const bool servicio =
        !args.empty() && !Empieza(args.back(), "-") &&
        (args.size() == 1 || (args.size() == 2 && Empieza(args[0], "--defaults-file=")));
    if (servicio)
        return ComoServicio(args.back(),
                            args.size() == 2 ? Ancho(args[0].substr(16)) : MyIniPorOmision());
    return Reenvia(args);
}
