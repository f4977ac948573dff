// Programa de consola que las pruebas del ejecutor lanzan bajo Wine. Escribe
// bytes exactos con WriteFile (sin la traducción de texto del CRT).
//   aux_consola bytes       "A", los bytes 0x80..0x9F, "Z", á y ñ en 1252
//   aux_consola pregunta    pregunta "Continuar (S/N)?" y contesta lo leído
//   aux_consola eterno      escribe "listo <pid>" y espera para siempre
//   aux_consola callado     espera para siempre sin escribir nada
//   aux_consola partido     un carácter de dos bytes (Shift-JIS) en dos escrituras
//   aux_consola grande N    N bytes 'x' seguidos de "FIN"
//   aux_consola stderr      una línea en la salida de error
//   aux_consola entrada     "sin entrada" si no recibió entrada estándar
//   aux_consola suma        lee toda la entrada estándar y escribe cuántos bytes
//                           y su suma FNV-1a ("bytes N suma S")
//   aux_consola lee N       lee exactamente N bytes de la entrada, escribe
//                           "leidos" y espera medio segundo
//   aux_consola sale N      termina con el código N
//   aux_consola marca RUTA  crea RUTA.abierto (programa asociado a un tipo)
//   aux_consola escritorio  se une al escritorio y espera para siempre: mantiene
//                           vivo el explorer.exe de Wine mientras corren las pruebas
//   aux_consola argumentos A…  escribe cada argumento entre [ ], uno por línea
//   aux_consola retiene RUTA   abre RUTA sin compartirla con nadie (como un
//                           editor que la tiene bloqueada), crea RUTA.retenido
//                           y espera para siempre
//   aux_consola --defaults-file=F --verbose --help
//                           hace de mysqld: rechaza (código 7) un archivo con
//                           "clave-desconocida" como lo hace el servidor
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Escribe(HANDLE h, const std::string& s) {
    DWORD escritos = 0;
    WriteFile(h, s.data(), static_cast<DWORD>(s.size()), &escritos, nullptr);
}

void Escribe(const std::string& s) {
    Escribe(GetStdHandle(STD_OUTPUT_HANDLE), s);
}

[[noreturn]] void EsperaSiempre() {
    for (;;)
        Sleep(1000);
}

} // namespace

int main(int argc, char** argv) {
    const std::string modo = argc > 1 ? argv[1] : "";
    if (modo == "bytes") {
        std::string s = "A";
        for (int c = 0x80; c <= 0x9F; ++c)
            s += static_cast<char>(c);
        s += "Z\xE1\xF1";
        Escribe(s);
        return 0;
    }
    if (modo == "pregunta") {
        Escribe("Continuar (S/N)?");
        char buf[64] = {};
        DWORD leidos = 0;
        std::string respuesta;
        // Lee hasta el fin de línea o el fin de la entrada.
        while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buf, sizeof buf, &leidos, nullptr) &&
               leidos > 0) {
            respuesta.append(buf, leidos);
            if (respuesta.find('\n') != std::string::npos)
                break;
        }
        while (!respuesta.empty() && (respuesta.back() == '\n' || respuesta.back() == '\r'))
            respuesta.pop_back();
        Escribe("\r\nRespuesta: [" + respuesta + "]\r\n");
        return respuesta == "S" ? 0 : 1;
    }
    if (modo == "eterno") {
        Escribe("listo " + std::to_string(GetCurrentProcessId()) + "\r\n");
        EsperaSiempre();
    }
    if (modo == "escritorio") {
        GetDesktopWindow();
        EsperaSiempre();
    }
    if (modo == "callado")
        EsperaSiempre();
    if (modo == "partido") {
        // "あ" en Shift-JIS (0x82 0xA0) partido entre dos escrituras.
        Escribe("a\x82");
        Sleep(300);
        Escribe("\xA0z");
        return 0;
    }
    if (modo == "grande" && argc > 2) {
        Escribe(std::string(static_cast<size_t>(std::atoi(argv[2])), 'x') + "FIN");
        return 0;
    }
    if (modo == "stderr") {
        Escribe(GetStdHandle(STD_ERROR_HANDLE), "por stderr\r\n");
        return 0;
    }
    if (modo == "entrada") {
        const HANDLE h = GetStdHandle(STD_INPUT_HANDLE);
        char c = 0;
        DWORD leidos = 0;
        const bool hay = h != nullptr && h != INVALID_HANDLE_VALUE &&
                         ReadFile(h, &c, 1, &leidos, nullptr) && leidos > 0;
        Escribe(hay ? "con entrada" : "sin entrada");
        return 0;
    }
    if (modo == "suma") {
        std::uint64_t bytes = 0;
        std::uint32_t suma = 2166136261u;
        char buf[4096];
        DWORD leidos = 0;
        while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buf, sizeof buf, &leidos, nullptr) &&
               leidos > 0) {
            for (DWORD i = 0; i < leidos; ++i)
                suma = (suma ^ static_cast<unsigned char>(buf[i])) * 16777619u;
            bytes += leidos;
        }
        Escribe("bytes " + std::to_string(bytes) + " suma " + std::to_string(suma));
        return 0;
    }
    if (modo == "lee" && argc > 2) {
        std::string buf(static_cast<size_t>(std::atoi(argv[2])), '\0');
        DWORD leidos = 0;
        ReadFile(GetStdHandle(STD_INPUT_HANDLE), buf.data(), static_cast<DWORD>(buf.size()),
                 &leidos, nullptr);
        Escribe("leidos");
        Sleep(500);
        return 0;
    }
    if (modo == "marca" && argc > 2) {
        const std::string marca = std::string(argv[2]) + ".abierto";
        const HANDLE h = CreateFileA(marca.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return 2;
        CloseHandle(h);
        return 0;
    }
    if (modo == "retiene" && argc > 2) {
        const HANDLE h = CreateFileA(argv[2], GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return 2;
        const std::string marca = std::string(argv[2]) + ".retenido";
        CloseHandle(CreateFileA(marca.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        EsperaSiempre();
    }
    if (modo == "argumentos") {
        for (int i = 2; i < argc; ++i)
            Escribe(std::string("[") + argv[i] + "]\r\n");
        return 0;
    }
    if (modo.rfind("--defaults-file=", 0) == 0) {
        const HANDLE h = CreateFileA(modo.c_str() + 16, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            Escribe("[ERROR] Could not open required defaults file: " + modo.substr(16) + "\r\n");
            return 1;
        }
        std::string contenido(65536, '\0');
        DWORD leidos = 0;
        ReadFile(h, contenido.data(), static_cast<DWORD>(contenido.size()), &leidos, nullptr);
        CloseHandle(h);
        contenido.resize(leidos);
        if (contenido.find("clave-desconocida") != std::string::npos) {
            Escribe("mysqld  Ver 5.1.73-community\r\n"
                    "081208 10:20:53 [ERROR] mysqld: unknown variable 'clave-desconocida=1'\r\n");
            return 7;
        }
        Escribe("mysqld  Ver 5.1.73-community\r\nUsage: mysqld [OPTIONS]\r\n");
        return 0;
    }
    if (modo == "sale" && argc > 2)
        return std::atoi(argv[2]);
    Escribe("modo desconocido\r\n");
    return 99;
}
