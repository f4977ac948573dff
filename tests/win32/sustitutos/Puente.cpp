#include "Puente.h"

#include "ClaveTemporal.h"
#include "Errores.h"

#include <windows.h>

#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

namespace sustitutos {

std::wstring Ancho(const std::string& s) {
    if (auto ancho = unicode::win32::Ancho(s))
        return *ancho;
    return unicode::win32::DePagina(CP_ACP, s);
}

std::wstring CarpetaExe() {
    wchar_t buf[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH * 2);
    std::wstring r(buf, n);
    return r.substr(0, r.find_last_of(L"\\/"));
}

std::optional<std::string> LeeArchivo(const std::wstring& ruta) {
    std::ifstream f(ruta.c_str(), std::ios::binary);
    if (!f)
        return std::nullopt;
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

namespace {

std::optional<std::string> RutaUnixDeWine(const std::string& ruta) {
    // Wine's kernel32 exports it; a real Windows has no such thing.
    using Funcion = char* (*)(LPCWSTR);
    static const auto funcion = reinterpret_cast<Funcion>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!funcion)
        return std::nullopt;
    char* r = funcion(Ancho(ruta).c_str());
    if (!r)
        return std::nullopt;
    std::string unix(r);
    HeapFree(GetProcessHeap(), 0, r);
    return unix;
}

} // namespace

std::optional<std::string> RutaUnix(const std::string& ruta) {
    std::string r = ruta;
    std::replace(r.begin(), r.end(), '/', '\\');
    if (auto unix = RutaUnixDeWine(r))
        return unix;
    // Wine answers only when every folder of the path exists: the deepest
    // existing one is translated and the rest added as it is.
    const bool barraFinal = r.size() > 3 && r.back() == '\\';
    if (barraFinal)
        r.pop_back();
    const auto corte = r.find_last_of('\\');
    if (corte == std::string::npos || corte < 2 || corte + 1 == r.size())
        return std::nullopt;
    const auto padre = RutaUnix(r.substr(0, corte == 2 ? 3 : corte));
    if (!padre)
        return std::nullopt;
    std::string unix = *padre;
    if (unix.empty() || unix.back() != '/')
        unix += '/';
    unix += r.substr(corte + 1);
    if (barraFinal)
        unix += '/';
    return unix;
}

bool EsRutaWindows(std::string_view v) {
    const bool unidad = v.size() >= 3 && std::isalpha(static_cast<unsigned char>(v[0])) &&
                        v[1] == ':' && (v[2] == '\\' || v[2] == '/');
    return unidad || v.substr(0, 2) == "\\\\";
}

namespace {

std::string Normaliza(std::string clave) {
    std::transform(clave.begin(), clave.end(), clave.begin(), [](unsigned char c) {
        return c == '_' ? '-' : static_cast<char>(std::tolower(c));
    });
    if (clave.rfind("loose-", 0) == 0)
        clave.erase(0, 6);
    return clave;
}

// Keys whose value is a file or a folder.
bool EsClaveDeRuta(const std::string& clave) {
    static const char* const kRutas[] = {
        "basedir", "datadir", "tmpdir", "log-error", "pid-file", "log-bin", "log-bin-index",
        "relay-log", "relay-log-index", "relay-log-info-file", "master-info-file",
        "general-log-file", "slow-query-log-file", "log", "log-slow-queries",
        "innodb-data-home-dir", "innodb-log-group-home-dir", "secure-file-priv", "init-file",
        "ssl-ca", "ssl-capath", "ssl-cert", "ssl-key",
        // Client programs.
        "result-file", "defaults-file", "defaults-extra-file", "tee", "tab"};
    return std::find(std::begin(kRutas), std::end(kRutas), clave) != std::end(kRutas);
}

// Keys that only make sense on Windows, or name folders of the Windows
// installation that the Linux server does not have.
bool EsClaveDeWindows(const std::string& clave) {
    static const char* const kWindows[] = {"socket",
                                           "named-pipe",
                                           "enable-named-pipe",
                                           "shared-memory",
                                           "shared-memory-base-name",
                                           "plugin-dir",
                                           "lc-messages-dir",
                                           "language",
                                           "character-sets-dir"};
    return std::find(std::begin(kWindows), std::end(kWindows), clave) != std::end(kWindows);
}

constexpr const char* kBlancos = " \t";

// A value as the server reads it: quoted up to the closing quote, otherwise
// up to a "#" comment, blanks trimmed; backslash escapes decoded (an unknown
// one keeps its backslash).
std::string ValorMysql(std::string_view v) {
    const auto a = v.find_first_not_of(kBlancos);
    v = a == std::string_view::npos ? std::string_view() : v.substr(a);
    char comilla = 0;
    if (!v.empty() && (v[0] == '"' || v[0] == '\'')) {
        comilla = v[0];
        v.remove_prefix(1);
    }
    std::string r;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const char c = v[i];
        if (comilla ? c == comilla : c == '#')
            break;
        if (c == '\\' && i + 1 < v.size()) {
            const char s = v[++i];
            switch (s) {
            case 'n':
                r += '\n';
                break;
            case 't':
                r += '\t';
                break;
            case 'r':
                r += '\r';
                break;
            case 'b':
                r += '\b';
                break;
            case 's':
                r += ' ';
                break;
            case '\\':
            case '"':
            case '\'':
                r += s;
                break;
            default:
                r += '\\';
                r += s;
            }
            continue;
        }
        r += c;
    }
    if (!comilla) {
        const auto z = r.find_last_not_of(kBlancos);
        r.erase(z == std::string::npos ? 0 : z + 1);
    }
    return r;
}

// The Linux form of a path value: a Windows path through the translator, a
// relative one with "/".
std::optional<std::string> RutaLinux(const std::string& valor, const Traductor& traduce) {
    if (EsRutaWindows(valor))
        return traduce(valor);
    std::string r = valor;
    std::replace(r.begin(), r.end(), '\\', '/');
    return r;
}

std::string TraduceLinea(const std::string& linea, const Traductor& traduce) {
    const auto inicio = linea.find_first_not_of(kBlancos);
    if (inicio == std::string::npos ||
        std::string_view("#;[!").find(linea[inicio]) != std::string_view::npos)
        return linea;
    const auto igual = linea.find('=');
    std::string crudo = linea.substr(inicio, igual == std::string::npos ? igual : igual - inicio);
    crudo.erase(crudo.find_last_not_of(kBlancos) + 1);
    const std::string clave = Normaliza(crudo);
    if (EsClaveDeWindows(clave))
        return "# (Windows) " + linea;
    if (igual == std::string::npos || !EsClaveDeRuta(clave))
        return linea;
    const auto ruta = RutaLinux(ValorMysql(std::string_view(linea).substr(igual + 1)), traduce);
    if (!ruta)
        return linea;
    try {
        // Written back as the server reads it: quoted, escapes where needed.
        return crudo + "=" + pasos::ValorEntreComillas(*ruta);
    } catch (const rtqx5::ErrorRT&) {
        return linea;
    }
}

} // namespace

std::string TraduceOpciones(const std::string& texto, const Traductor& traduce) {
    std::string r;
    std::size_t i = 0;
    while (i < texto.size()) {
        std::size_t fin = texto.find('\n', i);
        fin = fin == std::string::npos ? texto.size() : fin + 1;
        std::string linea = texto.substr(i, fin - i);
        std::string final;
        while (!linea.empty() && (linea.back() == '\n' || linea.back() == '\r')) {
            final.insert(final.begin(), linea.back());
            linea.pop_back();
        }
        r += TraduceLinea(linea, traduce) + final;
        i = fin;
    }
    return r;
}

std::string TraduceArgumento(const std::string& arg, const Traductor& traduce) {
    const auto igual = arg.find('=');
    if (arg.rfind("--", 0) != 0 || igual == std::string::npos ||
        !EsClaveDeRuta(Normaliza(arg.substr(2, igual - 2))))
        return arg;
    const auto ruta = RutaLinux(arg.substr(igual + 1), traduce);
    return ruta ? arg.substr(0, igual + 1) + *ruta : arg;
}

// ---------------------------------------------------------------- conexión

Puente::~Puente() {
    if (s_ != INVALID_SOCKET)
        closesocket(s_);
}

bool Puente::Conecta(std::string& error) {
    const std::wstring archivo = CarpetaExe() + L"\\" + Ancho(puente::kArchivoDatos);
    const auto datos = LeeArchivo(archivo);
    const auto puerto = datos ? puente::ValorDatos(*datos, "puerto") : std::nullopt;
    const auto clave = datos ? puente::ValorDatos(*datos, "clave") : std::nullopt;
    const long numero = puerto ? std::strtol(puerto->c_str(), nullptr, 10) : 0;
    if (!clave || numero <= 0 || numero > 65535) {
        error = "no hay puente con el lado Linux (falta o está incompleto " + Utf8(archivo) + ")";
        return false;
    }
    WSADATA wsa{};
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        error = "WSAStartup falló";
        return false;
    }
    s_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in d{};
    d.sin_family = AF_INET;
    d.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    d.sin_port = htons(static_cast<u_short>(numero));
    if (s_ == INVALID_SOCKET || connect(s_, reinterpret_cast<const sockaddr*>(&d), sizeof d) != 0) {
        error = "el puente no contesta en 127.0.0.1:" + *puerto + " (error " +
                std::to_string(WSAGetLastError()) + ")";
        return false;
    }
    return Envia(puente::kClave, *clave);
}

namespace {

bool EnviaTodo(SOCKET s, const char* d, std::size_t n) {
    return puente::Todo(d, n, [s](const char* p, std::size_t k) {
        return send(s, p, static_cast<int>(std::min<std::size_t>(k, 1 << 20)), 0);
    });
}

bool RecibeTodo(SOCKET s, char* d, std::size_t n) {
    return puente::Todo(d, n, [s](char* p, std::size_t k) {
        return recv(s, p, static_cast<int>(std::min<std::size_t>(k, 1 << 20)), 0);
    });
}

bool EscribeTodo(HANDLE h, const std::string& datos) {
    return puente::Todo(datos.data(), datos.size(), [h](const char* p, std::size_t k) {
        DWORD escritos = 0;
        return WriteFile(h, p, static_cast<DWORD>(k), &escritos, nullptr) ? escritos : 0;
    });
}

} // namespace

bool Puente::Envia(char tipo, std::string_view datos) {
    std::lock_guard<std::mutex> candado(envio_);
    return puente::EnviaTrama([this](const char* d, std::size_t n) { return EnviaTodo(s_, d, n); },
                              tipo, datos);
}

bool Puente::Lee(char& tipo, std::string& datos) {
    return puente::LeeTrama([this](char* d, std::size_t n) { return RecibeTodo(s_, d, n); }, tipo,
                            datos);
}

bool Puente::HayDatos(int milisegundos) {
    fd_set lectura;
    FD_ZERO(&lectura);
    FD_SET(s_, &lectura);
    timeval limite{milisegundos / 1000, (milisegundos % 1000) * 1000};
    return select(0, &lectura, nullptr, nullptr, &limite) != 0;
}

bool EnviaPeticion(Puente& p, const Peticion& peticion) {
    bool ok = p.Envia(puente::kOrden, peticion.orden);
    if (!peticion.programa.empty())
        ok = ok && p.Envia(puente::kPrograma, peticion.programa);
    if (!peticion.nombre.empty())
        ok = ok && p.Envia(puente::kNombre, peticion.nombre);
    if (peticion.opciones)
        ok = ok && p.Envia(puente::kOpciones, *peticion.opciones);
    wchar_t carpeta[MAX_PATH * 2];
    const DWORD n = GetCurrentDirectoryW(MAX_PATH * 2, carpeta);
    if (const auto unix = n ? RutaUnix(Utf8(std::wstring(carpeta, n))) : std::nullopt)
        ok = ok && p.Envia(puente::kCarpeta, *unix);
    for (const auto& a : peticion.args)
        ok = ok && p.Envia(puente::kArgumento, a);
    return ok && p.Envia(puente::kFinPeticion);
}

int Ejecuta(const Peticion& peticion) {
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    // Never freed: the input thread may still use it while the process ends.
    Puente& p = *new Puente;
    std::string motivo;
    if (!p.Conecta(motivo) || !EnviaPeticion(p, peticion)) {
        EscribeTodo(error,
                    "puente: " + (motivo.empty() ? "la petición no llegó" : motivo) + "\r\n");
        return puente::kCodigoSinPuente;
    }
    // The input may block for ever (a console): its thread is never joined,
    // the process ends without it.
    std::thread([&p] {
        const HANDLE entrada = GetStdHandle(STD_INPUT_HANDLE);
        std::string buf(64 * 1024, '\0');
        DWORD leidos = 0;
        while (entrada && entrada != INVALID_HANDLE_VALUE &&
               ReadFile(entrada, buf.data(), static_cast<DWORD>(buf.size()), &leidos, nullptr) &&
               leidos > 0)
            if (!p.Envia(puente::kEntrada, std::string_view(buf.data(), leidos)))
                return;
        p.Envia(puente::kFinEntrada);
    }).detach();

    const HANDLE salida = GetStdHandle(STD_OUTPUT_HANDLE);
    char tipo = 0;
    std::string datos;
    while (p.Lee(tipo, datos)) {
        if (tipo == puente::kSalida)
            EscribeTodo(salida, datos);
        else if (tipo == puente::kError)
            EscribeTodo(error, datos);
        else if (tipo == puente::kFin)
            return std::atoi(datos.c_str());
    }
    EscribeTodo(error, "puente: la conexión con el lado Linux se cortó\r\n");
    return puente::kCodigoSinPuente;
}

std::vector<std::string> Argumentos() {
    int n = 0;
    LPWSTR* w = CommandLineToArgvW(GetCommandLineW(), &n);
    std::vector<std::string> r;
    for (int i = 1; i < n; ++i)
        r.push_back(Utf8(w[i]));
    LocalFree(w);
    return r;
}

} // namespace sustitutos
