#include "ProcesoConsola.h"

#include "Win32Texto.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <optional>

// Win32 backend of the console runner: CreatePipe, CreateProcessA, ReadFile,
// WriteFile, GetExitCodeProcess, TerminateProcess, CloseHandle. The output pipe
// is only read when PeekNamedPipe reports data, so no call ever blocks longer
// than the wait it was given.
namespace ejecucion {

namespace {

// A program that has ended while something it started still holds the output
// pipe open gets this much silence before the output counts as over.
constexpr ULONGLONG kSilencioTrasFinMs = 500;
// Longest single sleep while polling the pipe.
constexpr DWORD kSondeoMs = 5;
// How long a stop request waits for the program to go.
constexpr DWORD kEsperaTerminoMs = 5000;

using unicode::win32::Ancho;
using unicode::win32::Utf8;

// UTF-8 to the ANSI code page. With `exacto`, nullopt when a character has no
// exact byte there; otherwise such a character becomes the code page's
// default character.
std::optional<std::string> Ansi(std::string_view texto, bool exacto) {
    const auto ancho = Ancho(texto);
    if (!ancho)
        return std::nullopt;
    if (ancho->empty())
        return std::string();
    const UINT cp = GetACP();
    const bool utf8 = cp == CP_UTF8;
    const DWORD banderas = utf8 || !exacto ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usoDefecto = FALSE;
    BOOL* pDefecto = utf8 || !exacto ? nullptr : &usoDefecto;
    const int n = WideCharToMultiByte(cp, banderas, ancho->data(), static_cast<int>(ancho->size()),
                                      nullptr, 0, nullptr, pDefecto);
    if (n <= 0 || usoDefecto)
        return std::nullopt;
    std::string r(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(cp, banderas, ancho->data(), static_cast<int>(ancho->size()), r.data(), n,
                        nullptr, pDefecto);
    if (usoDefecto)
        return std::nullopt;
    return r;
}

void Cierra(HANDLE& h) {
    if (h) {
        CloseHandle(h);
        h = nullptr;
    }
}

// Number of bytes at the end of `bytes` that begin a character still cut off
// in code page `cp` (0 when the text ends on a whole character).
std::size_t BytesIncompletos(UINT cp, std::string_view bytes) {
    if (cp == CP_UTF8) {
        // A lead byte among the last three whose sequence runs past the end.
        for (std::size_t atras = 1; atras <= std::min<std::size_t>(3, bytes.size()); ++atras) {
            const auto b = static_cast<unsigned char>(bytes[bytes.size() - atras]);
            if ((b & 0xC0) == 0x80)
                continue;
            const std::size_t largo = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
            return largo > atras ? atras : 0;
        }
        return 0;
    }
    CPINFO info{};
    if (!GetCPInfo(cp, &info) || info.MaxCharSize < 2)
        return 0;
    // Double-byte code page: walk from the start, a lead byte takes two.
    std::size_t i = 0;
    while (i < bytes.size()) {
        if (IsDBCSLeadByteEx(cp, static_cast<BYTE>(bytes[i]))) {
            if (i + 1 == bytes.size())
                return 1;
            i += 2;
        } else {
            ++i;
        }
    }
    return 0;
}

} // namespace

struct ProcesoConsola::Impl {
    HANDLE salida = nullptr;  // read end of the output pipe
    HANDLE entrada = nullptr; // write end of the input pipe
    HANDLE archivo = nullptr; // the input file: the program's handle shares its file object
    HANDLE proceso = nullptr;
    HANDLE trabajo = nullptr; // job holding the program and what it starts
    bool salidaCerrada = false;
    bool acabado = false;
    DWORD codigo = 0;
    ULONGLONG silencioDesde = 0;

    // True once the program has ended; its exit code is then known.
    bool Acabo(DWORD esperaMs = 0) {
        if (acabado)
            return true;
        if (!proceso || WaitForSingleObject(proceso, esperaMs) != WAIT_OBJECT_0)
            return false;
        DWORD c = 0;
        if (GetExitCodeProcess(proceso, &c))
            codigo = c;
        acabado = true;
        return true;
    }
};

ProcesoConsola::ProcesoConsola() : impl_(std::make_unique<Impl>()) {}

ProcesoConsola::~ProcesoConsola() {
    Cierra(impl_->salida);
    Cierra(impl_->entrada);
    Cierra(impl_->archivo);
    Cierra(impl_->proceso);
    Cierra(impl_->trabajo);
}

namespace {

// The input file, opened for reading with an inheritable handle; nullptr when
// it cannot be opened or is no ordinary file (CreateFileW opens no folder
// without FILE_FLAG_BACKUP_SEMANTICS).
HANDLE AbreArchivoEntrada(const std::string& archivo, SECURITY_ATTRIBUTES& atributos) {
    const auto ancho = Ancho(archivo);
    if (!ancho || ancho->empty())
        return nullptr;
    const HANDLE h = CreateFileW(ancho->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 &atributos, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return nullptr;
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        return nullptr;
    }
    return h;
}

// The system folder's program for a command line whose program is named
// without a folder ("net stop MySQL": C:\Windows\System32\net.exe); nothing
// when it names a folder or the system folder has no such program. Without
// it CreateProcess would look first in the executable's folder and in the
// current one.
std::optional<std::string> ProgramaDelSistema(const std::string& linea) {
    std::string nombre;
    if (!linea.empty() && linea.front() == '"') {
        const auto cierre = linea.find('"', 1);
        nombre = linea.substr(1, cierre == std::string::npos ? std::string::npos : cierre - 1);
    } else {
        nombre = linea.substr(0, linea.find_first_of(" \t"));
    }
    if (nombre.empty() || nombre.find_first_of("\\/:") != std::string::npos)
        return std::nullopt;
    char sistema[MAX_PATH];
    const UINT n = GetSystemDirectoryA(sistema, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return std::nullopt;
    const std::string base = std::string(sistema, n) + "\\" + nombre;
    for (const std::string& ruta : {base + ".exe", base}) {
        const DWORD atributos = GetFileAttributesA(ruta.c_str());
        if (atributos != INVALID_FILE_ATTRIBUTES && !(atributos & FILE_ATTRIBUTE_DIRECTORY))
            return ruta;
    }
    return std::nullopt;
}

} // namespace

bool ProcesoConsola::Inicia(const std::string& comando, const std::string& carpeta, bool conEntrada,
                            const std::string& archivoEntrada) {
    Impl& p = *impl_;
    // A command line or folder with a character the ANSI code page lacks would
    // reach CreateProcessA altered (as "?"): such a command is not started.
    // The input file is opened by its UTF-16 name: any name does.
    const auto lineaAnsi = Ansi(comando, true);
    const auto carpetaAnsi = Ansi(carpeta, true);
    if (!lineaAnsi || !carpetaAnsi || lineaAnsi->empty() || (conEntrada && !archivoEntrada.empty()))
        return false;

    SECURITY_ATTRIBUTES atributos{};
    atributos.nLength = sizeof atributos;
    atributos.lpSecurityDescriptor = nullptr;
    atributos.bInheritHandle = TRUE;

    HANDLE archivo = nullptr;
    if (!archivoEntrada.empty()) {
        archivo = AbreArchivoEntrada(archivoEntrada, atributos);
        if (!archivo)
            return false;
    }
    HANDLE salidaLeer = nullptr;
    HANDLE salidaEscribir = nullptr;
    HANDLE entradaLeer = nullptr;
    HANDLE entradaEscribir = nullptr;
    if (!CreatePipe(&salidaLeer, &salidaEscribir, &atributos, 0)) {
        Cierra(archivo);
        return false;
    }
    if (conEntrada && !CreatePipe(&entradaLeer, &entradaEscribir, &atributos, 0)) {
        Cierra(salidaLeer);
        Cierra(salidaEscribir);
        return false;
    }
    // The runner's own ends stay out of the program: a program holding the
    // write end of its own input would never see that input end.
    SetHandleInformation(salidaLeer, HANDLE_FLAG_INHERIT, 0);
    if (entradaEscribir)
        SetHandleInformation(entradaEscribir, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA inicio{};
    inicio.cb = sizeof inicio;
    inicio.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    inicio.wShowWindow = SW_HIDE;
    inicio.hStdOutput = salidaEscribir;
    inicio.hStdError = salidaEscribir;
    inicio.hStdInput = archivo ? archivo : entradaLeer;

    PROCESS_INFORMATION info{};
    std::string linea = *lineaAnsi; // CreateProcessA may write into it
    const std::optional<std::string> delSistema = ProgramaDelSistema(linea);
    const BOOL ok = CreateProcessA(
        delSistema ? delSistema->c_str() : nullptr, linea.data(), nullptr, nullptr, TRUE, 0,
        nullptr, carpetaAnsi->empty() ? nullptr : carpetaAnsi->c_str(), &inicio, &info);
    // Our copies of the program's ends go now, so the output ends when the
    // program (and whatever inherited its output) closes it.
    Cierra(salidaEscribir);
    Cierra(entradaLeer);
    if (!ok) {
        Cierra(salidaLeer);
        Cierra(entradaEscribir);
        Cierra(archivo);
        return false;
    }
    CloseHandle(info.hThread);
    p.salida = salidaLeer;
    p.entrada = entradaEscribir;
    p.proceso = info.hProcess;
    // The program has its own copy; ours, kept for PosicionEntrada, goes to
    // no later program.
    if (archivo)
        SetHandleInformation(archivo, HANDLE_FLAG_INHERIT, 0);
    p.archivo = archivo;

    // A job lets a stop request also end what the program has started (a
    // "cmd /c" and its child). Without one, only the program itself stops.
    p.trabajo = CreateJobObjectW(nullptr, nullptr);
    if (p.trabajo && !AssignProcessToJobObject(p.trabajo, p.proceso))
        Cierra(p.trabajo);
    return true;
}

Lectura ProcesoConsola::Espera(int esperaMs, std::string& datos) {
    Impl& p = *impl_;
    datos.clear();
    if (!p.proceso)
        return Lectura::Fin;
    const ULONGLONG limite = GetTickCount64() + static_cast<ULONGLONG>(std::max(esperaMs, 0));
    for (;;) {
        if (!p.salidaCerrada) {
            DWORD disponibles = 0;
            if (!PeekNamedPipe(p.salida, nullptr, 0, nullptr, &disponibles, nullptr)) {
                // Broken pipe: every write end is closed and nothing is left.
                p.salidaCerrada = true;
            } else if (disponibles > 0) {
                datos.resize(std::min<std::size_t>(disponibles, kBloqueLectura));
                DWORD leidos = 0;
                if (ReadFile(p.salida, datos.data(), static_cast<DWORD>(datos.size()), &leidos,
                             nullptr) &&
                    leidos > 0) {
                    datos.resize(leidos);
                    p.silencioDesde = 0;
                    return Lectura::Datos;
                }
                datos.clear();
                p.salidaCerrada = true;
            }
        }
        const ULONGLONG ahora = GetTickCount64();
        if (p.Acabo()) {
            if (p.salidaCerrada)
                return Lectura::Fin;
            // Ended, but something it left behind keeps the pipe open.
            if (p.silencioDesde == 0)
                p.silencioDesde = ahora;
            else if (ahora - p.silencioDesde >= kSilencioTrasFinMs)
                return Lectura::Fin;
        }
        if (ahora >= limite)
            return Lectura::NadaAun;
        const DWORD resto = static_cast<DWORD>(limite - ahora);
        if (p.salidaCerrada)
            p.Acabo(resto); // only the end of the program is left to wait for
        else
            Sleep(std::min(resto, kSondeoMs));
    }
}

bool ProcesoConsola::Escribe(std::string_view bytes) {
    Impl& p = *impl_;
    if (!p.entrada)
        return false;
    std::size_t hecho = 0;
    while (hecho < bytes.size()) {
        DWORD escritos = 0;
        if (!WriteFile(p.entrada, bytes.data() + hecho, static_cast<DWORD>(bytes.size() - hecho),
                       &escritos, nullptr) ||
            escritos == 0)
            return false;
        hecho += escritos;
    }
    return true;
}

bool ProcesoConsola::Termina() {
    Impl& p = *impl_;
    if (!p.proceso)
        return false;
    // A program that has already ended on its own is not stopped (as
    // TerminateProcess fails then) and keeps its exit code; what it left
    // behind still goes.
    if (p.Acabo() || !TerminateProcess(p.proceso, 0)) {
        if (p.trabajo)
            TerminateJobObject(p.trabajo, 0);
        return false;
    }
    // What the program started goes with it.
    if (p.trabajo)
        TerminateJobObject(p.trabajo, 0);
    if (!p.Acabo(kEsperaTerminoMs))
        return false;
    p.codigo = 0;
    return true;
}

int ProcesoConsola::CodigoSalida() const {
    return static_cast<int>(impl_->codigo);
}

std::int64_t ProcesoConsola::PosicionEntrada() const {
    if (!impl_->archivo)
        return -1;
    // An inherited handle shares the file object, and with it the position.
    LARGE_INTEGER cero{}, posicion{};
    if (!SetFilePointerEx(impl_->archivo, cero, &posicion, FILE_CURRENT))
        return -1;
    return static_cast<std::int64_t>(posicion.QuadPart);
}

std::string DecodificaSalida(std::string& pendiente, std::string_view bytes, bool final) {
    std::string todo = pendiente;
    todo.append(bytes);
    pendiente.clear();
    const UINT cp = GetACP();
    if (!final) {
        const std::size_t cortados = BytesIncompletos(cp, todo);
        pendiente = todo.substr(todo.size() - cortados);
        todo.resize(todo.size() - cortados);
    }
    if (todo.empty())
        return {};
    const int n =
        MultiByteToWideChar(cp, 0, todo.data(), static_cast<int>(todo.size()), nullptr, 0);
    std::wstring ancho(static_cast<std::size_t>(std::max(n, 0)), L'\0');
    if (n > 0)
        MultiByteToWideChar(cp, 0, todo.data(), static_cast<int>(todo.size()), ancho.data(), n);
    return Utf8(ancho);
}

std::string CodificaEntrada(const std::string& texto) {
    return Ansi(texto, false).value_or("");
}

bool EsCaracterSuprimido(char32_t c) {
    // The characters of codes 129-144 and 147-159 in the system's ANSI code
    // page, computed once (the code page never changes while we run).
    static const std::array<char32_t, 29> suprimidos = [] {
        std::array<char32_t, 29> r{};
        std::size_t i = 0;
        const UINT cp = GetACP();
        for (int codigo = 129; codigo <= 159; ++codigo) {
            if (codigo == 145 || codigo == 146)
                continue;
            const char b = static_cast<char>(codigo);
            wchar_t w[2] = {};
            // A lead byte of a double-byte code page alone is no character.
            const int n = MultiByteToWideChar(cp, MB_ERR_INVALID_CHARS, &b, 1, w, 2);
            r[i++] = n == 1 ? static_cast<char32_t>(w[0]) : 0;
        }
        return r;
    }();
    return c != 0 && std::find(suprimidos.begin(), suprimidos.end(), c) != suprimidos.end();
}

} // namespace ejecucion
