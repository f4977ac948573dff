// Abridor de documentos de las pruebas de ventanas bajo Wine: el programa
// asociado a los archivos .ini (Servidor_win32.cpp lo registra) que anota lo
// que recibe en lugar de abrirlo.
//   aux_abridor REGISTRO ESPERA ARGUMENTO…
// Tras ESPERA segundos escribe los argumentos, uno por línea, en REGISTRO, de
// una vez (REGISTRO.tmp y luego el cambio de nombre).
#include <windows.h>

#include <shellapi.h>

#include <string>

namespace {

std::string Utf8(const wchar_t* w) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    std::string r(static_cast<size_t>(n > 0 ? n - 1 : 0), '\0');
    if (n > 1)
        WideCharToMultiByte(CP_UTF8, 0, w, -1, r.data(), n, nullptr, nullptr);
    return r;
}

} // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3)
        return 2;
    Sleep(static_cast<DWORD>(_wtoi(argv[2])) * 1000);
    std::string texto;
    for (int i = 3; i < argc; ++i)
        texto += Utf8(argv[i]) + "\n";
    const std::wstring registro = argv[1];
    const std::wstring temporal = registro + L".tmp";
    HANDLE h = CreateFileW(temporal.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return 1;
    DWORD escritos = 0;
    WriteFile(h, texto.data(), static_cast<DWORD>(texto.size()), &escritos, nullptr);
    CloseHandle(h);
    return MoveFileExW(temporal.c_str(), registro.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
