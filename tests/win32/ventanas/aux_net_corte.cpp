// El "net" de la prueba de la corrida cortada bajo Wine: la prueba lo pone en
// lugar del net.exe del sistema (el que corre el programa) mientras dura.
// "net start" mata al programa (RT_PID_CORTE) con el código 137, como un
// corte entre detener y arrancar, y sale con 2; "net stop NOMBRE" detiene el
// servicio por el gestor de servicios y espera a que pare, como el net de
// Wine (llamar a este desde aquí volvería a correr este mismo archivo).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>

namespace {

int Detiene(const wchar_t* nombre) {
    SC_HANDLE gestor = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE servicio =
        gestor ? OpenServiceW(gestor, nombre, SERVICE_STOP | SERVICE_QUERY_STATUS) : nullptr;
    SERVICE_STATUS estado{};
    bool parado = servicio && ControlService(servicio, SERVICE_CONTROL_STOP, &estado);
    for (int i = 0; parado && estado.dwCurrentState != SERVICE_STOPPED && i < 600; ++i) {
        Sleep(100);
        parado = QueryServiceStatus(servicio, &estado);
    }
    parado = parado && estado.dwCurrentState == SERVICE_STOPPED;
    if (servicio)
        CloseServiceHandle(servicio);
    if (gestor)
        CloseServiceHandle(gestor);
    std::printf(parado ? "The service was stopped successfully.\n" : "Could not stop.\n");
    return parado ? 0 : 2;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const char* pid = std::getenv("RT_PID_CORTE");
    if (argc > 1 && _wcsicmp(argv[1], L"start") == 0 && pid) {
        if (HANDLE h = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(std::atol(pid)))) {
            TerminateProcess(h, 137);
            CloseHandle(h);
        }
        return 2;
    }
    if (argc > 2 && _wcsicmp(argv[1], L"stop") == 0)
        return Detiene(argv[2]);
    std::printf("aux_net_corte: solo \"start\" y \"stop NOMBRE\"\n");
    return 1;
}
