#include "Servidor.h"

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace pruebas {
namespace {

std::wstring Ancho(const std::string& s) {
    if (s.empty())
        return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring r(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), r.data(), n);
    return r;
}

void Pon(const std::string& nombre, const std::optional<std::string>& valor) {
    // _putenv_s con "" borra la variable, como unsetenv.
    _putenv_s(nombre.c_str(), valor ? valor->c_str() : "");
}

const wchar_t* const kClaveMySQL = L"Software\\MySQL AB\\MySQL Server 5.1";

} // namespace

VariableEntorno::VariableEntorno(std::string nombre, const std::optional<std::string>& valor)
    : nombre_(std::move(nombre)) {
    if (const char* previo = std::getenv(nombre_.c_str()))
        anterior_ = previo;
    Pon(nombre_, valor);
}

VariableEntorno::~VariableEntorno() {
    Pon(nombre_, anterior_);
}

void PonUbicacionMySQL(const std::string&, const std::string& carpeta) {
    const std::wstring valor = Ancho(carpeta);
    const LSTATUS r =
        RegSetKeyValueW(HKEY_LOCAL_MACHINE, kClaveMySQL, L"Location", REG_SZ, valor.c_str(),
                        static_cast<DWORD>((valor.size() + 1) * sizeof(wchar_t)));
    if (r != ERROR_SUCCESS)
        throw std::runtime_error("no se pudo escribir el registro (" + std::to_string(r) + ")");
}

void QuitaUbicacionMySQL(const std::string&) {
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kClaveMySQL, L"Location");
}

// Los .ini se abren con aux_abridor.exe (junto al ejecutable de las
// pruebas), que anota en `registro`. La asociación va en la del equipo
// (HKLM\Software\Classes): Wine no mira la del usuario (HKCU), que en Windows
// manda sobre aquella.
std::string CreaAbridorGrabador(const CarpetaTemporal&, const std::string& registro,
                                int esperaSegundos) {
    wchar_t buf[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH * 2);
    const std::wstring aux =
        std::filesystem::path(std::wstring(buf, n)).parent_path() / L"aux_abridor.exe";
    const std::wstring orden = L"\"" + aux + L"\" \"" + Ancho(registro) + L"\" " +
                               std::to_wstring(esperaSegundos) + L" \"%1\"";
    const auto pon = [](const wchar_t* clave, const std::wstring& valor) {
        const LSTATUS r = RegSetKeyValueW(HKEY_LOCAL_MACHINE, clave, nullptr, REG_SZ, valor.c_str(),
                                          static_cast<DWORD>((valor.size() + 1) * sizeof(wchar_t)));
        if (r != ERROR_SUCCESS)
            throw std::runtime_error("no se pudo escribir la asociación (" + std::to_string(r) +
                                     ")");
    };
    pon(L"Software\\Classes\\.ini", L"rtprueba.ini");
    pon(L"Software\\Classes\\rtprueba.ini\\shell\\open\\command", orden);
    return {};
}

} // namespace pruebas
