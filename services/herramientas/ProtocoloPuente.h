#pragma once

// Protocol between the Windows stand-ins of the Wine tests (mysqld.exe,
// mysql.exe, mysqldump.exe, mysql_upgrade.exe) and the Linux bridge
// (puente-wine). Shared by both sides; standard C++ only.
//
// One TCP connection on 127.0.0.1 per request. Everything travels in frames:
// one type byte, the payload length as 4 bytes little endian, the payload.
//
// Request (stand-in to bridge), in this order:
//   K clave   the key of bin\puente.txt (first frame; anything else closes)
//   Q orden   "ejecuta" (run a program) or "servicio" (run a server)
//   P prog    ejecuta: mariadbd, mariadb, mariadb-dump or mariadb-upgrade
//   N nombre  servicio: the service name
//   F texto   the option file, its paths already Linux paths (mariadbd with
//             --defaults-file, and servicio); the bridge adds its own lines
//   C ruta    optional: the Linux folder the program runs in
//   A arg     one argument, repeated, paths already translated
//   G         end of the request
// Then, stand-in to bridge:
//   I datos   standard input; i (empty): end of the standard input
//   S         servicio: stop the server
// and bridge to stand-in:
//   O datos   standard output; E datos: standard error
//   L puerto  servicio: the server answers on that port (decimal text)
//   X código  the end: exit code as decimal text; the bridge then closes
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace puente {

constexpr char kClave = 'K';
constexpr char kOrden = 'Q';
constexpr char kPrograma = 'P';
constexpr char kNombre = 'N';
constexpr char kOpciones = 'F';
constexpr char kCarpeta = 'C';
constexpr char kArgumento = 'A';
constexpr char kFinPeticion = 'G';
constexpr char kEntrada = 'I';
constexpr char kFinEntrada = 'i';
constexpr char kPara = 'S';
constexpr char kSalida = 'O';
constexpr char kError = 'E';
constexpr char kListo = 'L';
constexpr char kFin = 'X';

// Largest payload accepted: an option file or a 64 KiB piece of a stream.
constexpr std::uint32_t kMaxTrama = 1u << 20;

// Name of the file beside the stand-ins with the bridge's port and key.
constexpr const char* kArchivoDatos = "puente.txt";

// Exit code of a stand-in when the bridge cannot be reached or refuses.
constexpr int kCodigoSinPuente = 125;

// Moves n bytes with `paso(puntero, cuántos)` (send, recv, WriteFile…),
// which returns how many it moved; false once a step moves none.
template <typename Byte, typename Paso> bool Todo(Byte* datos, std::size_t n, Paso paso) {
    while (n > 0) {
        const auto k = paso(datos, n);
        if (k <= 0)
            return false;
        datos += k;
        n -= static_cast<std::size_t>(k);
    }
    return true;
}

// The 5 header bytes of a frame.
inline std::string Cabecera(char tipo, std::size_t largo) {
    std::string c(5, '\0');
    c[0] = tipo;
    for (int i = 0; i < 4; ++i)
        c[1 + i] = static_cast<char>((largo >> (8 * i)) & 0xFF);
    return c;
}

// Payload length of a header; nullopt when past kMaxTrama.
inline std::optional<std::uint32_t> Largo(const unsigned char* cabecera) {
    std::uint32_t n = 0;
    for (int i = 0; i < 4; ++i)
        n |= static_cast<std::uint32_t>(cabecera[1 + i]) << (8 * i);
    if (n > kMaxTrama)
        return std::nullopt;
    return n;
}

// One frame through `envia(const char*, n)` (a Todo over the socket).
template <typename Envia> bool EnviaTrama(Envia envia, char tipo, std::string_view datos) {
    const std::string c = Cabecera(tipo, datos.size());
    return envia(c.data(), c.size()) && (datos.empty() || envia(datos.data(), datos.size()));
}

// One frame through `recibe(char*, n)`; false when the connection ends or
// the frame is too long.
template <typename Recibe> bool LeeTrama(Recibe recibe, char& tipo, std::string& datos) {
    unsigned char c[5];
    if (!recibe(reinterpret_cast<char*>(c), 5))
        return false;
    const auto n = Largo(c);
    if (!n)
        return false;
    tipo = static_cast<char>(c[0]);
    datos.assign(*n, '\0');
    return *n == 0 || recibe(datos.data(), *n);
}

// Value of "clave=valor" lines of bin\puente.txt.
inline std::optional<std::string> ValorDatos(std::string_view texto, std::string_view clave) {
    std::size_t inicio = 0;
    while (inicio < texto.size()) {
        std::size_t fin = texto.find('\n', inicio);
        if (fin == std::string_view::npos)
            fin = texto.size();
        std::string_view linea = texto.substr(inicio, fin - inicio);
        if (!linea.empty() && linea.back() == '\r')
            linea.remove_suffix(1);
        if (linea.size() > clave.size() && linea.substr(0, clave.size()) == clave &&
            linea[clave.size()] == '=')
            return std::string(linea.substr(clave.size() + 1));
        inicio = fin + 1;
    }
    return std::nullopt;
}

} // namespace puente
