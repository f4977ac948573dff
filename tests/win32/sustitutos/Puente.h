#pragma once

// The Windows side of the bridge of the Wine tests (ProtocoloPuente.h): the
// stand-ins in the Wine-side MySQL folder's bin\ ask the Linux bridge, whose
// port and key are in bin\puente.txt, to run MariaDB's programs and servers.
// They only work under Wine: paths are translated with Wine's own
// wine_get_unix_file_name, as winepath does.
#include "ProtocoloPuente.h"

#include <winsock2.h>

#include "Win32Texto.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sustitutos {

using unicode::win32::Utf8;
// UTF-8, or else the ANSI code page (an option file may be in either).
std::wstring Ancho(const std::string& s);

// Folder of the running executable (the bin\ of the MySQL folder).
std::wstring CarpetaExe();

// Whole content of a file; nullopt when it cannot be read.
std::optional<std::string> LeeArchivo(const std::wstring& ruta);

// Linux path of a Windows path (UTF-8), as "winepath -u" gives it, also for
// folders that do not exist yet; nullopt when not running under Wine or the
// path has no Linux counterpart.
std::optional<std::string> RutaUnix(const std::string& ruta);

using Traductor = std::function<std::optional<std::string>(const std::string&)>;

// True for a Windows absolute path: "C:\…", "C:/…" or "\\server\…".
bool EsRutaWindows(std::string_view valor);

// An option file with every path value (datadir, basedir, log-error, log-bin,
// tmpdir…) turned into the Linux path, written quoted; Windows-only keys
// (socket, named-pipe, plugin-dir…) commented out. Every other line stays
// byte for byte. Values are read as the server reads them: quotes, "#"
// comments and backslash escapes.
std::string TraduceOpciones(const std::string& texto, const Traductor& traduce);

// "--clave=valor" with its value translated when the key names a file or
// folder (--result-file, --defaults-extra-file, --datadir…); any other
// argument as it is.
std::string TraduceArgumento(const std::string& arg, const Traductor& traduce);

// One connection to the bridge.
class Puente {
public:
    Puente() = default;
    ~Puente();
    Puente(const Puente&) = delete;
    Puente& operator=(const Puente&) = delete;

    // Reads bin\puente.txt, connects and sends the key. On failure `error`
    // says why.
    bool Conecta(std::string& error);
    bool Envia(char tipo, std::string_view datos = {});
    bool Lee(char& tipo, std::string& datos);
    // True when something can be read within `milisegundos` (or the
    // connection ended: Lee then fails).
    bool HayDatos(int milisegundos);

private:
    SOCKET s_ = INVALID_SOCKET;
    std::mutex envio_;
};

struct Peticion {
    std::string orden = "ejecuta";
    std::string programa;
    std::string nombre;
    std::optional<std::string> opciones;
    std::vector<std::string> args;
};

// Sends the request (after the key) up to its end frame.
bool EnviaPeticion(Puente& p, const Peticion& peticion);

// Runs a program on the Linux side to its end: this process's standard input
// goes to it, its standard output and error come back unchanged. Returns its
// exit code (kCodigoSinPuente, with a message, when the bridge cannot be
// reached).
int Ejecuta(const Peticion& peticion);

// The arguments of this process (after the program name) in UTF-8.
std::vector<std::string> Argumentos();

} // namespace sustitutos
