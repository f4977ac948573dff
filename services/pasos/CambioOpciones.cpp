#include "CambioOpciones.h"

#include "CambioOpcionesSistema.h"
#include "EjecucionCMD.h"
#include "Errores.h"
#include "IniArchivo.h"
#include "OpcionMySQL.h"
#include "Sistema.h"
#include "TextosProcedimiento.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace pasos {

namespace {

constexpr const char* kSeccionDiario = "Cambio";
constexpr const char* kNombreDiario = "CambioServidor.ini";

std::string Texto(const fs::path& ruta) {
    const std::u8string u = ruta.u8string();
    return std::string(u.begin(), u.end());
}

bool TieneSaltoOCero(const std::string& texto) {
    return texto.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

} // namespace

std::string detalle::ArchivoReal(const std::string& archivo) {
    std::error_code ec;
    const fs::path ruta = fs::u8path(archivo);
    if (fs::is_symlink(ruta, ec)) {
        const fs::path real = fs::weakly_canonical(ruta, ec);
        if (!ec)
            return Texto(real);
    }
    return archivo;
}

void RevisaLineaOpcion(const ClaveOpcion& opcion) {
    const auto rechaza = [&](const std::string& porque) {
        throw rtqx5::ErrorRT(rtqx5::kErrorArgumento, "La opción «" + opcion.clave.substr(0, 64) +
                                                         "» no se escribe: " + porque);
    };
    if (TieneSaltoOCero(opcion.clave) || TieneSaltoOCero(opcion.seccion))
        rechaza("su nombre o su sección lleva un salto de línea");
    std::string valor;
    try {
        valor = opcion.literal ? opcion.valor : rtqx5::ValorOpcionMySQL(opcion.valor);
    } catch (const rtqx5::ErrorRT& e) {
        rechaza(e.Descripcion());
    }
    if (opcion.literal && TieneSaltoOCero(valor))
        rechaza("su valor lleva un salto de línea");
    const std::size_t largo = opcion.clave.size() + 1 + valor.size();
    if (largo > kLineaOpcionMaxima || opcion.seccion.size() + 2 > kLineaOpcionMaxima)
        rechaza("su línea tendría " + std::to_string(largo) + " caracteres y el máximo es " +
                std::to_string(kLineaOpcionMaxima));
}

std::string RutaArchivoNuevo(const std::string& archivo) {
    return detalle::ArchivoReal(archivo) + ".cambio";
}

std::string PreparaArchivoNuevo(const std::string& archivo, const std::vector<ClaveOpcion>& claves,
                                const std::string& origen) {
    for (const ClaveOpcion& c : claves)
        RevisaLineaOpcion(c);
    const std::string real = detalle::ArchivoReal(archivo);
    detalle::CompruebaEscribible(real, archivo);

    const std::string fuente = origen.empty() ? real : origen;
    std::string bytes;
    const rtqx5::ini::Lectura lectura = rtqx5::ini::LeeArchivo(fuente, bytes);
    if (lectura == rtqx5::ini::Lectura::Error ||
        (lectura == rtqx5::ini::Lectura::NoExiste && !origen.empty()))
        throw rtqx5::ErrorRT(rtqx5::kErrorArchivo, "No se puede leer el archivo " + fuente);

    const std::string nuevo = RutaArchivoNuevo(archivo);
    try {
        // A new file left by a run that was cut off is no use any more.
        DescartaArchivoNuevo(nuevo);
        rtqx5::ini::ReemplazaArchivo(nuevo, bytes);
        rtqx5::libRTSA lib;
        for (const ClaveOpcion& c : claves)
            EscribeOpcion(lib, c, nuevo);
        std::error_code ec;
        detalle::CopiaPermisos(fs::exists(fs::u8path(real), ec) ? real : fuente, nuevo);
    } catch (const rtqx5::ErrorRT& e) {
        DescartaArchivoNuevo(nuevo);
        throw rtqx5::ErrorRT(e.Numero(), "No se pudo preparar el archivo " + archivo +
                                             " con los cambios: " + e.Descripcion());
    }
    return nuevo;
}

Dictamen RevisaArchivoOpciones(const std::string& rutaMySQL, const std::string& archivo,
                               const std::string& carpeta) {
    Dictamen dictamen;
    std::string comando;
    try {
        comando = ComandoValidaOpciones(rutaMySQL, archivo, VersionDelBinario(rutaMySQL, carpeta));
    } catch (const rtqx5::ErrorRT& e) {
        dictamen.motivo = "No se pudo preguntar al servidor de MySQL: " + e.Descripcion();
        return dictamen;
    }
    std::string bloque, salida;
    std::int32_t codigo = 0;
    if (!ejecucion::EjecutaCMD(comando, carpeta, "", nullptr, false, ejecucion::kModoSinCaja,
                               bloque, salida, -1, codigo)) {
        dictamen.motivo = "No se pudo ejecutar el servidor de MySQL: " + comando;
        return dictamen;
    }
    if (codigo == 0) {
        dictamen.acepta = true;
        return dictamen;
    }
    dictamen.motivo = MotivoRechazo(salida);
    if (dictamen.motivo.empty())
        dictamen.motivo = "El servidor de MySQL terminó con el código " + std::to_string(codigo) +
                          " sin decir por qué.";
    return dictamen;
}

void RestauraRespaldo(const std::string& respaldo, const std::string& archivo) {
    const std::string real = detalle::ArchivoReal(archivo);
    if (respaldo.empty()) {
        std::error_code ec;
        fs::remove(fs::u8path(real), ec);
        if (ec)
            throw rtqx5::ErrorRT(rtqx5::kErrorArchivo,
                                 "No se pudo quitar el archivo " + archivo + ": " + ec.message());
        return;
    }
    std::string bytes;
    if (rtqx5::ini::LeeArchivo(respaldo, bytes) != rtqx5::ini::Lectura::Leido)
        throw rtqx5::ErrorRT(rtqx5::kErrorArchivo,
                             "No se puede leer la copia de respaldo " + respaldo);
    const std::string nuevo = RutaArchivoNuevo(archivo);
    try {
        DescartaArchivoNuevo(nuevo);
        rtqx5::ini::ReemplazaArchivo(nuevo, bytes);
        detalle::CopiaPermisos(real, nuevo);
        InstalaArchivoNuevo(nuevo, archivo);
    } catch (...) {
        DescartaArchivoNuevo(nuevo);
        throw;
    }
}

void DescartaArchivoNuevo(const std::string& nuevo) {
    std::error_code ec;
    const fs::path ruta = fs::u8path(nuevo);
    if (fs::exists(ruta, ec)) {
        fs::permissions(ruta, fs::perms::owner_write, fs::perm_options::add, ec);
        fs::remove(ruta, ec);
    }
}

std::uint16_t PuertoDeArchivo(const std::string& archivo) {
    rtqx5::libRTSA lib;
    const std::uint16_t puerto = rtqx5::PuertoValido(lib.LeeIni("mysqld", "port", archivo));
    return puerto != 0 ? puerto : 3306;
}

std::string OtroIdServidor(const std::string& archivo) {
    rtqx5::libRTSA lib;
    const std::string id = lib.LeeIni("mysqld", "server-id", archivo);
    const bool numero =
        !id.empty() && id.size() < 10 && id.find_first_not_of("0123456789") == std::string::npos;
    return numero ? std::to_string(std::stoul(id) + 1) : "2";
}

// ---- Journal ----------------------------------------------------------------

std::string RutaDiario(const std::string& rutaConfiguracion) {
    return Texto(fs::u8path(rutaConfiguracion).parent_path() / kNombreDiario);
}

namespace {

// The journal's values are written so that the profile rules, which trim
// blanks and drop a pair of enclosing quotes, give them back byte for byte:
// every byte outside "!".."~", and "%" and both quotes, as %XX. Journals
// without Formato (from before) hold the values as they were.
constexpr const char* kFormatoDiario = "2";

std::string CodificaDiario(const std::string& valor) {
    std::string r;
    for (const char c : valor) {
        const auto b = static_cast<unsigned char>(c);
        if (b > ' ' && b < 0x7F && c != '%' && c != '"' && c != '\'') {
            r += c;
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", b);
            r += hex;
        }
    }
    return r;
}

std::optional<std::string> DecodificaDiario(const std::string& texto) {
    std::string r;
    for (std::size_t i = 0; i < texto.size(); ++i) {
        if (texto[i] != '%') {
            r += texto[i];
            continue;
        }
        unsigned int b = 0;
        const char* desde = texto.data() + i + 1;
        if (i + 3 > texto.size() || std::from_chars(desde, desde + 2, b, 16).ptr != desde + 2)
            return std::nullopt;
        r += static_cast<char>(b);
        i += 2;
    }
    return r;
}

struct ValorDiario {
    const char* clave;
    std::string Diario::*campo;
};
constexpr ValorDiario kValoresDiario[] = {{"Servicio", &Diario::servicio},
                                          {"Archivo", &Diario::archivo},
                                          {"Respaldo", &Diario::respaldo},
                                          {"Puerto", &Diario::puerto}};

} // namespace

void EscribeDiario(const std::string& ruta, const Diario& diario) {
    if (diario.servicio.empty())
        throw rtqx5::ErrorRT(rtqx5::kErrorArgumento,
                             "El cambio en curso no nombra el servicio: no se anota en " + ruta);
    const std::string fin = rtqx5::ini::FinDeLineaNuevo();
    std::string texto = "; Cambio de un servidor en curso: el servicio se detuvo para cambiar su "
                        "archivo de opciones." +
                        fin + "[" + kSeccionDiario + "]" + fin + "Formato=" + kFormatoDiario + fin;
    for (const auto& [clave, campo] : kValoresDiario)
        texto += std::string(clave) + "=" + CodificaDiario(diario.*campo) + fin;
    rtqx5::ini::ReemplazaArchivo(ruta, texto);
}

std::optional<Diario> LeeDiario(const std::string& ruta) {
    std::string bytes;
    const rtqx5::ini::Lectura lectura = rtqx5::ini::LeeArchivo(ruta, bytes);
    if (lectura == rtqx5::ini::Lectura::NoExiste)
        return std::nullopt;
    const auto falla = [&](const std::string& porque) {
        throw rtqx5::ErrorRT(rtqx5::kErrorArchivo,
                             "La nota del cambio en curso " + ruta + " " + porque);
    };
    if (lectura != rtqx5::ini::Lectura::Leido)
        falla("no se puede leer");
    rtqx5::libRTSA lib;
    const std::string formato = lib.LeeIni(kSeccionDiario, "Formato", ruta);
    if (!formato.empty() && formato != kFormatoDiario)
        falla("tiene un formato desconocido («" + formato + "»)");
    Diario d;
    for (const auto& [clave, campo] : kValoresDiario) {
        const std::string leido = lib.LeeIni(kSeccionDiario, clave, ruta);
        const auto valor =
            formato.empty() ? std::optional<std::string>(leido) : DecodificaDiario(leido);
        if (!valor)
            falla(std::string("tiene mal escrito el valor de ") + clave);
        d.*campo = *valor;
    }
    if (d.servicio.empty())
        falla("no nombra el servicio");
    return d;
}

bool BorraDiario(const std::string& ruta) {
    std::error_code ec;
    fs::remove(fs::u8path(ruta), ec);
    return !fs::exists(fs::u8path(ruta), ec);
}

std::string ReanudaServicio(const Diario& diario, bool restaura, const std::string& carpeta,
                            int esperaMs) {
    if (restaura) {
        try {
            RestauraRespaldo(diario.respaldo, diario.archivo);
        } catch (const rtqx5::ErrorRT& e) {
            return e.Descripcion();
        }
    }
    if (EstadoDeServicio(diario.servicio) != EstadoServicio::Iniciado) {
        std::string comando;
        try {
            comando = ComandoNet("start", diario.servicio);
        } catch (const rtqx5::ErrorRT& e) {
            return e.Descripcion();
        }
        std::string bloque, salida;
        std::int32_t codigo = -1;
        if (!ejecucion::EjecutaCMD(comando, carpeta, "", nullptr, false, ejecucion::kModoSinCaja,
                                   bloque, salida, -1, codigo))
            return "No se pudo ejecutar el comando «" + comando + "»";
        if (codigo != 0)
            return "El comando «" + comando + "» terminó con el código " + std::to_string(codigo) +
                   ": " + ejecucion::QuitaBlancos(salida);
    }
    std::uint16_t puerto = rtqx5::PuertoValido(diario.puerto);
    if (puerto == 0)
        puerto = PuertoDeArchivo(diario.archivo);
    const auto fin = std::chrono::steady_clock::now() + std::chrono::milliseconds(esperaMs);
    do {
        if (ServidorContesta(puerto, 500))
            return {};
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
    } while (std::chrono::steady_clock::now() < fin);
    return "El servidor no contestó en el puerto " + std::to_string(puerto) + " en " +
           std::to_string(esperaMs / 1000) + " segundos";
}

} // namespace pasos
