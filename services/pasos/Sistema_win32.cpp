// Win32 backend of Sistema.h: the folder through FindFirstFileW, services
// through the service manager, the port through an exclusive bind.
#include <winsock2.h>

#include "Sistema.h"

#include "Errores.h"
#include "Win32Texto.h"

namespace pasos {

namespace {

// "Path not found" of the classic file statements.
constexpr long kRutaNoEncontrada = 76;

class Manejador {
public:
    explicit Manejador(SC_HANDLE h) : h_(h) {}
    ~Manejador() {
        if (h_)
            CloseServiceHandle(h_);
    }
    Manejador(const Manejador&) = delete;
    Manejador& operator=(const Manejador&) = delete;
    SC_HANDLE get() const { return h_; }

private:
    SC_HANDLE h_;
};

} // namespace

std::vector<std::string> ArchivosComunes(const std::string& carpeta) {
    const auto ancha = unicode::win32::Ancho(carpeta);
    const auto noEncontrada = [&] {
        return rtqx5::ErrorRT(kRutaNoEncontrada, "No se encontró la ruta de acceso: " + carpeta);
    };
    if (!ancha)
        throw noEncontrada();
    std::wstring patron = *ancha;
    if (!patron.empty() && patron.back() != L'\\' && patron.back() != L'/')
        patron += L'\\';
    patron += L"*.*";
    WIN32_FIND_DATAW datos{};
    const HANDLE busqueda = FindFirstFileW(patron.c_str(), &datos);
    if (busqueda == INVALID_HANDLE_VALUE) {
        // An empty folder has no match; a missing one is an error.
        if (GetLastError() == ERROR_FILE_NOT_FOUND)
            return {};
        throw noEncontrada();
    }
    constexpr DWORD kNoComunes = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN |
                                 FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DEVICE;
    std::vector<std::string> nombres;
    do {
        if ((datos.dwFileAttributes & kNoComunes) == 0)
            nombres.push_back(unicode::win32::Utf8(datos.cFileName));
    } while (FindNextFileW(busqueda, &datos));
    FindClose(busqueda);
    return nombres;
}

bool ExisteServicio(const std::string& nombre) {
    const auto ancho = unicode::win32::Ancho(nombre);
    if (!ancho || ancho->empty())
        return false;
    Manejador gestor(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!gestor.get())
        return false;
    Manejador servicio(OpenServiceW(gestor.get(), ancho->c_str(), SERVICE_QUERY_STATUS));
    // A service we may not query exists all the same.
    return servicio.get() || GetLastError() == ERROR_ACCESS_DENIED;
}

EstadoServicio EstadoDeServicio(const std::string& nombre) {
    const auto ancho = unicode::win32::Ancho(nombre);
    if (!ancho || ancho->empty())
        return EstadoServicio::NoExiste;
    Manejador gestor(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!gestor.get())
        return EstadoServicio::Desconocido;
    Manejador servicio(OpenServiceW(gestor.get(), ancho->c_str(), SERVICE_QUERY_STATUS));
    if (!servicio.get())
        return GetLastError() == ERROR_SERVICE_DOES_NOT_EXIST ? EstadoServicio::NoExiste
                                                              : EstadoServicio::Desconocido;
    SERVICE_STATUS estado{};
    if (!QueryServiceStatus(servicio.get(), &estado))
        return EstadoServicio::Desconocido;
    return estado.dwCurrentState == SERVICE_STOPPED ? EstadoServicio::Detenido
                                                    : EstadoServicio::Iniciado;
}

bool ServidorContesta(std::uint16_t puerto, int milisegundos) {
    WSADATA wsa{};
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0)
        return false;
    bool contesta = false;
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s != INVALID_SOCKET) {
        u_long sinBloqueo = 1;
        ioctlsocket(s, FIONBIO, &sinBloqueo);
        sockaddr_in direccion{};
        direccion.sin_family = AF_INET;
        direccion.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        direccion.sin_port = htons(puerto);
        if (connect(s, reinterpret_cast<const sockaddr*>(&direccion), sizeof direccion) == 0) {
            contesta = true;
        } else if (WSAGetLastError() == WSAEWOULDBLOCK) {
            fd_set escritura, fallo;
            FD_ZERO(&escritura);
            FD_ZERO(&fallo);
            FD_SET(s, &escritura);
            FD_SET(s, &fallo);
            timeval limite{milisegundos / 1000, (milisegundos % 1000) * 1000};
            contesta = select(0, nullptr, &escritura, &fallo, &limite) > 0 &&
                       FD_ISSET(s, &escritura) && !FD_ISSET(s, &fallo);
        }
        closesocket(s);
    }
    WSACleanup();
    return contesta;
}

bool PuertoOcupado(std::uint16_t puerto) {
    WSADATA wsa{};
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0)
        return false;
    bool ocupado = false;
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s != INVALID_SOCKET) {
        // Without exclusive use, Windows lets a bind to every address share
        // the port with a server bound to one address.
        BOOL si = TRUE;
        setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&si),
                   sizeof si);
        sockaddr_in direccion{};
        direccion.sin_family = AF_INET;
        direccion.sin_addr.s_addr = htonl(INADDR_ANY);
        direccion.sin_port = htons(puerto);
        if (bind(s, reinterpret_cast<const sockaddr*>(&direccion), sizeof direccion) != 0) {
            const int error = WSAGetLastError();
            ocupado = error == WSAEADDRINUSE || error == WSAEACCES;
        }
        closesocket(s);
    }
    WSACleanup();
    return ocupado;
}

} // namespace pasos
