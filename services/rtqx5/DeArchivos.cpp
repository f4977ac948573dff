#include "AbreConPrograma.h"
#include "Componentes.h"
#include "Errores.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace rtqx5 {
namespace {

// Error numbers of the classic file statements.
constexpr long kArchivoNoEncontrado = 53;

fs::path Ruta(const std::string& ruta) {
    return fs::u8path(ruta);
}

} // namespace

bool DeArchivos::HayArchivo(const std::string& ruta) {
    if (ruta.empty())
        return false;
    std::error_code ec;
    return fs::is_regular_file(Ruta(ruta), ec);
}

bool DeArchivos::HayCarpeta(const std::string& ruta) {
    if (ruta.empty())
        return false;
    std::error_code ec;
    return fs::is_directory(Ruta(ruta), ec);
}

bool DeArchivos::CreaRuta(const std::string& carpeta) {
    if (carpeta.empty())
        return false;
    std::error_code ec;
    fs::create_directories(Ruta(carpeta), ec);
    return fs::is_directory(Ruta(carpeta), ec);
}

void DeArchivos::Copia(const std::string& origen, const std::string& destino) {
    if (!HayArchivo(origen))
        throw ErrorRT(kArchivoNoEncontrado, "No se ha encontrado el archivo: " + origen);
    std::error_code ec;
    if (!fs::copy_file(Ruta(origen), Ruta(destino), fs::copy_options::overwrite_existing, ec) || ec)
        throw ErrorRT(kErrorArchivo, "Error de acceso a la ruta o el archivo: " + destino + " (" +
                                         ec.message() + ")");
}

void DeArchivos::AbreDocumento(const std::string& ruta, int /*modo*/, int mostrar) {
    // Windows refuses a missing document too (ShellExecute error 2).
    std::error_code ec;
    if (ruta.empty() || !fs::exists(Ruta(ruta), ec))
        throw ErrorRT(kArchivoNoEncontrado, "No se ha encontrado el archivo: " + ruta);
    AbreConPrograma(ruta, mostrar);
}

} // namespace rtqx5
