// El "net" de la prueba de la corrida cortada bajo Wine: va junto a
// aux_corte.exe, así que el programa lo halla antes que el net.exe del
// sistema (CreateProcess busca primero en la carpeta del programa que lo
// llama). "net start" mata al programa (RT_PID_CORTE) con el código 137,
// como un corte entre detener y arrancar, y sale con 2; cualquier otra orden
// la hace el net.exe del sistema.
#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>

int wmain(int argc, wchar_t** argv) {
    const char* pid = std::getenv("RT_PID_CORTE");
    if (argc > 1 && _wcsicmp(argv[1], L"start") == 0 && pid) {
        if (HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(std::atol(pid)))) {
            TerminateProcess(h, 137);
            CloseHandle(h);
        }
        return 2;
    }
    wchar_t sistema[MAX_PATH];
    GetSystemDirectoryW(sistema, MAX_PATH);
    std::wstring linea = L"\"" + std::wstring(sistema) + L"\\net.exe\"";
    for (int i = 1; i < argc; ++i)
        linea += L" \"" + std::wstring(argv[i]) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, linea.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                        &pi))
        return 1;
    CloseHandle(pi.hThread);
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD codigo = 1;
    GetExitCodeProcess(pi.hProcess, &codigo);
    CloseHandle(pi.hProcess);
    return static_cast<int>(codigo);
}
