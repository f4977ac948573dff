// Manejo de las ventanas del programa desde fuera, para la prueba del
// ejecutable de Windows bajo Wine (las ventanas de Qt no tienen controles de
// Win32 que leer: lo que muestran lo anota el propio programa con
// RT_ANOTA_VENTANAS). Los títulos son exactos; el código de salida dice si se
// pudo: 0 sí, 1 no (a tiempo), 2 uso.
//   aux_ventanas espera TITULO [MS]    espera una ventana visible con ese título
//   aux_ventanas falta TITULO [MS]     espera a que no quede ninguna
//   aux_ventanas tecla TITULO TECLA    la pone al frente y pulsa TECLA (F1,
//                                      ENTER, ESC, TAB, ESPACIO)
//   aux_ventanas cierra TITULO         le manda WM_CLOSE (como Alt+F4)
//   aux_ventanas lista                 los títulos de las ventanas visibles
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<HWND> Ventanas(const std::wstring& titulo, bool todas) {
    struct Busqueda {
        const std::wstring* titulo;
        bool todas;
        std::vector<HWND> halladas;
    } b{&titulo, todas, {}};
    EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
            auto* b = reinterpret_cast<Busqueda*>(p);
            if (!IsWindowVisible(h))
                return TRUE;
            wchar_t buf[512];
            const int n = GetWindowTextW(h, buf, 512);
            if (b->todas || std::wstring(buf, static_cast<size_t>(n)) == *b->titulo)
                b->halladas.push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&b));
    return b.halladas;
}

HWND Espera(const std::wstring& titulo, DWORD ms) {
    const ULONGLONG fin = GetTickCount64() + ms;
    do {
        const auto v = Ventanas(titulo, false);
        if (!v.empty())
            return v.front();
        Sleep(50);
    } while (GetTickCount64() < fin);
    return nullptr;
}

WORD Tecla(const std::wstring& nombre) {
    if (nombre == L"F1")
        return VK_F1;
    if (nombre == L"ENTER")
        return VK_RETURN;
    if (nombre == L"ESC")
        return VK_ESCAPE;
    if (nombre == L"TAB")
        return VK_TAB;
    if (nombre == L"ESPACIO")
        return VK_SPACE;
    return 0;
}

bool Pulsa(HWND h, WORD vk) {
    SetForegroundWindow(h);
    SetActiveWindow(h);
    SetFocus(h);
    Sleep(100);
    INPUT e[2] = {};
    e[0].type = e[1].type = INPUT_KEYBOARD;
    e[0].ki.wVk = e[1].ki.wVk = vk;
    e[0].ki.wScan = e[1].ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
    e[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return SendInput(2, e, sizeof(INPUT)) == 2;
}

void Escribe(const std::wstring& w) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0,
                                      nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr,
                        nullptr);
    std::printf("%s\n", s.c_str());
}

} // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 2)
        return 2;
    const std::wstring orden = argv[1];
    if (orden == L"lista") {
        for (HWND h : Ventanas(L"", true)) {
            wchar_t buf[512];
            const int n = GetWindowTextW(h, buf, 512);
            Escribe(std::wstring(buf, static_cast<size_t>(n)));
        }
        return 0;
    }
    if (argc < 3)
        return 2;
    const std::wstring titulo = argv[2];
    const DWORD ms = argc > 3 ? static_cast<DWORD>(_wtoi(argv[3])) : 10000;
    if (orden == L"espera")
        return Espera(titulo, ms) ? 0 : 1;
    if (orden == L"falta") {
        const ULONGLONG fin = GetTickCount64() + ms;
        while (!Ventanas(titulo, false).empty()) {
            if (GetTickCount64() >= fin)
                return 1;
            Sleep(50);
        }
        return 0;
    }
    if (orden == L"cierra") {
        HWND h = Espera(titulo, 5000);
        return h && PostMessageW(h, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    if (orden == L"tecla" && argc > 3) {
        const WORD vk = Tecla(argv[3]);
        HWND h = Espera(titulo, 5000);
        return vk && h && Pulsa(h, vk) ? 0 : 1;
    }
    return 2;
}
