#include "ArchivoOpciones.h"

#include "CambioOpciones.h"
#include "Errores.h"
#include "IniArchivo.h"
#include "OpcionMySQL.h"
#include "TextosProcedimiento.h"

#include <filesystem>
#include <random>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace pasos {

namespace {

// A folder of our own under the system's temporary folder, removed with all
// it holds when the object goes.
class CarpetaDesechable {
public:
    CarpetaDesechable() {
        std::random_device azar;
        std::error_code ec;
        const fs::path base = fs::temp_directory_path(ec);
        if (ec)
            return;
        for (int i = 0; i < 50 && ruta_.empty(); ++i) {
            const fs::path candidata = base / ("rtqx5-opciones-" + std::to_string(azar()));
            if (fs::create_directory(candidata, ec))
                ruta_ = candidata;
        }
    }
    ~CarpetaDesechable() {
        if (!ruta_.empty()) {
            std::error_code ec;
            fs::remove_all(ruta_, ec);
        }
    }
    CarpetaDesechable(const CarpetaDesechable&) = delete;
    CarpetaDesechable& operator=(const CarpetaDesechable&) = delete;

    bool Creada() const { return !ruta_.empty(); }
    std::string En(const std::string& nombre) const {
        const std::u8string ruta = (ruta_ / fs::u8path(nombre)).u8string();
        return std::string(ruta.begin(), ruta.end());
    }

private:
    fs::path ruta_;
};

bool EsLineaDeError(const std::string& linea) {
    return linea.find("[ERROR]") != std::string::npos ||
           linea.find("unknown variable") != std::string::npos ||
           linea.find("unknown option") != std::string::npos;
}

} // namespace

void EscribeOpcion(rtqx5::libRTSA& lib, const ClaveOpcion& opcion, const std::string& archivo) {
    RevisaLineaOpcion(opcion);
    lib.EscribeIni(opcion.seccion, opcion.clave,
                   opcion.literal ? opcion.valor : rtqx5::ValorOpcionMySQL(opcion.valor), archivo);
}

std::string RespaldaArchivo(rtqx5::DeArchivos& archivos, const std::string& ruta,
                            std::time_t cuando) {
    if (!archivos.HayArchivo(ruta))
        return {};
    std::string copia = NombreRespaldo(ruta, cuando);
    for (int orden = 2; archivos.HayArchivo(copia) || archivos.HayCarpeta(copia); ++orden)
        copia = NombreRespaldo(ruta, cuando, orden);
    archivos.Copia(ruta, copia);
    return copia;
}

std::string MotivoRechazo(const std::string& salida) {
    std::istringstream entrada(salida);
    std::string linea, errores, primeras;
    int tomadas = 0;
    while (std::getline(entrada, linea)) {
        while (!linea.empty() && (linea.back() == '\r' || linea.back() == '\n'))
            linea.pop_back();
        if (linea.find_first_not_of(" \t") == std::string::npos)
            continue;
        if (EsLineaDeError(linea))
            errores += (errores.empty() ? "" : "\r\n") + linea;
        else if (tomadas < 5) {
            primeras += (primeras.empty() ? "" : "\r\n") + linea;
            ++tomadas;
        }
    }
    return errores.empty() ? primeras : errores;
}

Dictamen ValidaOpciones(const std::string& rutaMySQL, const std::string& archivo,
                        const std::vector<ClaveOpcion>& claves, const std::string& carpeta) {
    Dictamen dictamen;
    CarpetaDesechable temporal;
    if (!temporal.Creada()) {
        dictamen.motivo = "No se pudo crear una carpeta temporal para revisar el archivo de "
                          "opciones.";
        return dictamen;
    }
    // A fresh file, writable whatever the original's permissions: whether
    // the original can be written is the change's own business.
    const std::string copia = temporal.En("opciones.ini");
    try {
        std::string bytes;
        if (rtqx5::ini::LeeArchivo(archivo, bytes) == rtqx5::ini::Lectura::Error) {
            dictamen.leido = false;
            throw rtqx5::ErrorRT(rtqx5::kErrorArchivo, "No se puede leer el archivo " + archivo);
        }
        rtqx5::ini::ReemplazaArchivo(copia, bytes);
        rtqx5::libRTSA lib;
        for (const ClaveOpcion& c : claves)
            EscribeOpcion(lib, c, copia);
    } catch (const rtqx5::ErrorRT& e) {
        dictamen.motivo = e.Descripcion();
        return dictamen;
    }
    return RevisaArchivoOpciones(rutaMySQL, copia, carpeta);
}

} // namespace pasos
