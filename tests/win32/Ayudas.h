#pragma once

// Ayudas de las pruebas de Windows: rutas de los auxiliares, carpetas
// temporales, conversión de texto y una caja de texto que guarda lo mostrado.
#include "EjecucionCMD.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace pruebas_win32 {

inline std::string Utf8(const std::wstring& w) {
    if (w.empty())
        return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string r(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), r.data(), n, nullptr,
                        nullptr);
    return r;
}

inline std::wstring Ancho(const std::string& s) {
    if (s.empty())
        return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring r(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), r.data(), n);
    return r;
}

// Carpeta del ejecutable de pruebas, donde también están los auxiliares.
// El contenido entero de un archivo (ruta en UTF-8); "" si no se puede leer.
inline std::string Lee(const std::string& ruta) {
    std::ifstream f(std::filesystem::path(Ancho(ruta)), std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

inline std::filesystem::path CarpetaPruebas() {
    wchar_t buf[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH * 2);
    return std::filesystem::path(std::wstring(buf, n)).parent_path();
}

// Ruta (UTF-8, con comillas) de aux_consola.exe, lista para una línea de órdenes.
inline std::string AuxConsola() {
    return "\"" + Utf8((CarpetaPruebas() / L"aux_consola.exe").wstring()) + "\"";
}

// Carpeta temporal nueva, borrada al destruirse. `nombre` puede llevar acentos.
class CarpetaTemporal {
public:
    explicit CarpetaTemporal(const std::wstring& nombre = L"rt") {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        for (int i = 0;; ++i) {
            ruta_ = std::filesystem::path(base) /
                    (nombre + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                     std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(i));
            if (CreateDirectoryW(ruta_.c_str(), nullptr))
                break;
        }
    }
    ~CarpetaTemporal() {
        std::error_code ec;
        // Atributos de solo lectura u oculto impedirían borrar.
        for (auto& e : std::filesystem::recursive_directory_iterator(ruta_, ec))
            SetFileAttributesW(e.path().c_str(), FILE_ATTRIBUTE_NORMAL);
        std::filesystem::remove_all(ruta_, ec);
    }
    CarpetaTemporal(const CarpetaTemporal&) = delete;
    CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;

    const std::filesystem::path& Ruta() const { return ruta_; }
    std::string Texto() const { return Utf8(ruta_.wstring()); }
    std::string Archivo(const std::wstring& nombre) const {
        return Utf8((ruta_ / nombre).wstring());
    }

private:
    std::filesystem::path ruta_;
};

// Corre la línea de órdenes (sin consola visible) y devuelve su código de
// salida; -1 si no arranca o no termina en 30 s.
inline int CorreYEspera(const std::wstring& linea) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring copia = linea;
    if (!CreateProcessW(nullptr, copia.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &si, &pi))
        return -1;
    CloseHandle(pi.hThread);
    DWORD codigo = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, 30000) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &codigo);
    CloseHandle(pi.hProcess);
    return static_cast<int>(codigo);
}

// Caja de texto de las pruebas: guarda el texto y cuenta las escrituras.
class CajaPrueba : public ejecucion::Caja {
public:
    std::string texto;
    long maxLength = 0;
    bool multiLinea = true;
    int escrituras = 0;

    std::string Texto() const override { return texto; }
    void PonTexto(const std::string& t) override {
        texto = t;
        ++escrituras;
    }
    void Agrega(const std::string& t) override {
        texto += t;
        ++escrituras;
    }
    long MaxLength() const override { return maxLength; }
    bool MultiLine() const override { return multiLinea; }
    void CursorAlFinal() override {}
};

} // namespace pruebas_win32
