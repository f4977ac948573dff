#include "AbreConPrograma.h"
#include "Errores.h"
#include "Win32Texto.h"

#include <shellapi.h>

namespace rtqx5 {
namespace {

constexpr long kArchivoNoEncontrado = 53;

} // namespace

void AbreConPrograma(const std::string& ruta, int mostrar) {
    const auto ancho = unicode::win32::Ancho(ruta);
    if (!ancho)
        throw ErrorRT(kErrorArgumento, "Ruta no válida: " + ruta);
    // ShellExecute may load shell extensions through COM; the program's window
    // thread has COM initialised by Qt's Windows platform plugin.
    const auto r = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", ancho->c_str(), nullptr, nullptr, mostrar));
    if (r > 32)
        return;
    switch (r) {
    case SE_ERR_FNF:
    case SE_ERR_PNF:
        throw ErrorRT(kArchivoNoEncontrado, "No se ha encontrado el archivo: " + ruta);
    case SE_ERR_NOASSOC:
    case SE_ERR_ASSOCINCOMPLETE:
        throw ErrorRT(kErrorArchivo,
                      "No hay un programa asociado para abrir el documento: " + ruta);
    default:
        throw ErrorRT(kErrorArchivo, "No se puede abrir el documento " + ruta + " (error " +
                                         std::to_string(r) + ")");
    }
}

} // namespace rtqx5
