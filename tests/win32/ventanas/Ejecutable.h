#pragma once

#include <windows.h>

#include <filesystem>
#include <string>

// La carpeta del ejecutable de las pruebas, donde también están los
// auxiliares (aux_consola.exe, aux_abridor.exe, aux_corte.exe).
inline std::filesystem::path CarpetaPruebas() {
    wchar_t buf[MAX_PATH * 2];
    const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH * 2);
    return std::filesystem::path(std::wstring(buf, n)).parent_path();
}
