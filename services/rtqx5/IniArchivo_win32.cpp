#include "Errores.h"
#include "IniArchivo.h"
#include "Win32Texto.h"

#include <algorithm>
#include <iterator>
#include <random>
#include <string_view>

namespace rtqx5::ini {

namespace {

[[noreturn]] void Falla(const std::string& texto, DWORD err = 0) {
    std::string d = texto;
    if (err != 0)
        d += " (" + unicode::win32::MensajeSistema(err) + ")";
    throw ErrorRT(kErrorArchivo, d);
}

std::wstring RutaAncha(const std::string& ruta) {
    const auto ancha = unicode::win32::Ancho(ruta);
    if (!ancha || ancha->empty())
        Falla("Ruta de archivo no válida: " + ruta);
    return *ancha;
}

// The absolute path: the folder is then everything up to the last separator.
std::wstring RutaCompleta(const std::wstring& ruta) {
    const DWORD n = GetFullPathNameW(ruta.c_str(), 0, nullptr, nullptr);
    if (n == 0)
        return ruta;
    std::wstring r(n, L'\0');
    const DWORD m = GetFullPathNameW(ruta.c_str(), n, r.data(), nullptr);
    if (m == 0 || m >= n)
        return ruta;
    r.resize(m);
    return r;
}

std::wstring CarpetaDe(const std::wstring& completa) {
    const auto p = completa.find_last_of(L"\\/");
    if (p == std::wstring::npos)
        return L".";
    // A drive root keeps its separator: "C:\".
    if (p == 2 && completa[1] == L':')
        return completa.substr(0, 3);
    return completa.substr(0, p);
}

std::wstring NombreDe(const std::wstring& completa) {
    const auto p = completa.find_last_of(L"\\/");
    return p == std::wstring::npos ? completa : completa.substr(p + 1);
}

std::wstring Une(const std::wstring& carpeta, const std::wstring& nombre) {
    if (!carpeta.empty() && (carpeta.back() == L'\\' || carpeta.back() == L'/'))
        return carpeta + nombre;
    return carpeta + L"\\" + nombre;
}

// A symbolic link (a reparse point) is followed to the file it names, whose
// content is then replaced; the link stays.
std::wstring DestinoReal(const std::wstring& completa, const std::string& ruta) {
    const DWORD atributos = GetFileAttributesW(completa.c_str());
    if (atributos == INVALID_FILE_ATTRIBUTES || !(atributos & FILE_ATTRIBUTE_REPARSE_POINT))
        return completa;
    const HANDLE h =
        CreateFileW(completa.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        Falla("No se puede seguir el enlace " + ruta, GetLastError());
    wchar_t buf[MAX_PATH * 4];
    const DWORD n = GetFinalPathNameByHandleW(h, buf, static_cast<DWORD>(std::size(buf)),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    const DWORD err = GetLastError();
    CloseHandle(h);
    if (n == 0 || n >= std::size(buf))
        Falla("No se puede seguir el enlace " + ruta, err);
    return std::wstring(buf, n);
}

bool EscribeTodo(HANDLE h, const std::string& bytes) {
    std::size_t hecho = 0;
    while (hecho < bytes.size()) {
        const DWORD parte =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - hecho, 1 << 20));
        DWORD escritos = 0;
        if (!WriteFile(h, bytes.data() + hecho, parte, &escritos, nullptr) || escritos == 0)
            return false;
        hecho += escritos;
    }
    return true;
}

// True unless the process surely no longer exists (a process of another user
// counts as alive).
bool ProcesoVivo(DWORD pid) {
    const HANDLE h = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!h)
        return GetLastError() != ERROR_INVALID_PARAMETER;
    const bool vivo = WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
    CloseHandle(h);
    return vivo;
}

// Removes the temporary files that writers killed before their rename left
// beside the file ("~" + name + "." + pid + "-" + n + ".tmp" of a dead pid).
void BorraTemporalesHuerfanos(const std::wstring& carpeta, const std::wstring& nombre) {
    const std::wstring prefijo = L"~" + nombre + L".";
    WIN32_FIND_DATAW datos;
    const HANDLE busqueda = FindFirstFileW(Une(carpeta, prefijo + L"*.tmp").c_str(), &datos);
    if (busqueda == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring_view n = datos.cFileName;
        if ((datos.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !n.starts_with(prefijo) ||
            !n.ends_with(L".tmp"))
            continue;
        const std::wstring_view resto = n.substr(prefijo.size());
        const auto guion = resto.find(L'-');
        if (guion == 0 || guion == std::wstring_view::npos || guion >= 10)
            continue;
        DWORD pid = 0;
        bool numero = true;
        for (std::size_t i = 0; numero && i < guion; ++i) {
            numero = resto[i] >= L'0' && resto[i] <= L'9';
            pid = pid * 10 + static_cast<DWORD>(resto[i] - L'0');
        }
        if (numero && pid != GetCurrentProcessId() && !ProcesoVivo(pid))
            DeleteFileW(Une(carpeta, std::wstring(n)).c_str());
    } while (FindNextFileW(busqueda, &datos));
    FindClose(busqueda);
}

} // namespace

Lectura LeeArchivo(const std::string& ruta, std::string& bytes) {
    bytes.clear();
    const auto ancha = unicode::win32::Ancho(ruta);
    if (!ancha || ancha->empty())
        return Lectura::NoExiste;
    const HANDLE h = CreateFileW(
        ancha->c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD err = GetLastError();
        return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND ||
                       err == ERROR_INVALID_NAME || err == ERROR_BAD_NETPATH
                   ? Lectura::NoExiste
                   : Lectura::Error;
    }
    if (GetFileType(h) != FILE_TYPE_DISK) {
        CloseHandle(h);
        return Lectura::Error;
    }
    char buf[65536];
    for (;;) {
        DWORD n = 0;
        if (!ReadFile(h, buf, sizeof buf, &n, nullptr)) {
            CloseHandle(h);
            bytes.clear();
            return Lectura::Error;
        }
        if (n == 0)
            break;
        bytes.append(buf, n);
    }
    CloseHandle(h);
    return Lectura::Leido;
}

void ReemplazaArchivo(const std::string& ruta, const std::string& bytes) {
    const std::wstring destino = DestinoReal(RutaCompleta(RutaAncha(ruta)), ruta);
    const std::wstring carpeta = CarpetaDe(destino);
    const std::string carpetaTexto = unicode::win32::Utf8(carpeta);

    const DWORD atrCarpeta = GetFileAttributesW(carpeta.c_str());
    if (atrCarpeta == INVALID_FILE_ATTRIBUTES || !(atrCarpeta & FILE_ATTRIBUTE_DIRECTORY))
        Falla("No existe la carpeta " + carpetaTexto);

    const DWORD atrArchivo = GetFileAttributesW(destino.c_str());
    const bool existe = atrArchivo != INVALID_FILE_ATTRIBUTES;
    if (existe && (atrArchivo & FILE_ATTRIBUTE_DIRECTORY))
        Falla("No es un archivo: " + ruta);
    if (existe && (atrArchivo & FILE_ATTRIBUTE_READONLY))
        Falla("El archivo " + ruta + " es de solo lectura");

    // A file another program holds open without sharing deletion cannot be
    // replaced; finding out first spares a failed ReplaceFile, which under Wine
    // leaves a temporary file of its own behind.
    if (existe) {
        const HANDLE prueba = CreateFileW(destino.c_str(), DELETE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (prueba == INVALID_HANDLE_VALUE) {
            const DWORD err = GetLastError();
            if (err == ERROR_SHARING_VIOLATION)
                Falla("El archivo " + ruta + " está abierto en otro programa", err);
            Falla("No se puede reemplazar " + ruta, err);
        }
        CloseHandle(prueba);
    }

    BorraTemporalesHuerfanos(carpeta, NombreDe(destino));
    // The temporary name ends in ".tmp": MySQL's !includedir never reads it.
    std::random_device azar;
    std::wstring temporal;
    HANDLE h = INVALID_HANDLE_VALUE;
    for (int intento = 0; intento < 100 && h == INVALID_HANDLE_VALUE; ++intento) {
        temporal =
            Une(carpeta, L"~" + NombreDe(destino) + L"." + std::to_wstring(GetCurrentProcessId()) +
                             L"-" + std::to_wstring(azar() % 1000000) + L".tmp");
        h = CreateFileW(temporal.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
            GetLastError() != ERROR_ALREADY_EXISTS)
            Falla("No se puede crear un archivo temporal en " + carpetaTexto, GetLastError());
    }
    if (h == INVALID_HANDLE_VALUE)
        Falla("No se puede crear un archivo temporal en " + carpetaTexto, ERROR_FILE_EXISTS);

    auto fallaBorrando = [&](const std::string& texto, DWORD err) {
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
        DeleteFileW(temporal.c_str());
        Falla(texto, err);
    };
    if (!EscribeTodo(h, bytes))
        fallaBorrando("No se puede escribir " + unicode::win32::Utf8(temporal), GetLastError());
    if (!FlushFileBuffers(h))
        fallaBorrando("No se puede vaciar a disco " + unicode::win32::Utf8(temporal),
                      GetLastError());
    const HANDLE cerrar = h;
    h = INVALID_HANDLE_VALUE;
    if (!CloseHandle(cerrar))
        fallaBorrando("No se puede cerrar " + unicode::win32::Utf8(temporal), GetLastError());

    // ReplaceFile keeps the original's security and creation time; MoveFileEx
    // is the way when it cannot. The attributes are put back either way (Wine's
    // ReplaceFile drops them).
    if (!(existe && ReplaceFileW(destino.c_str(), temporal.c_str(), nullptr,
                                 REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) &&
        !MoveFileExW(temporal.c_str(), destino.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        fallaBorrando("No se puede reemplazar " + ruta, GetLastError());
    if (existe) {
        const DWORD conservar =
            atrArchivo & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                          FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
        SetFileAttributesW(destino.c_str(), conservar ? conservar : FILE_ATTRIBUTE_NORMAL);
    }
}

const char* FinDeLineaNuevo() {
    return "\r\n";
}

} // namespace rtqx5::ini
