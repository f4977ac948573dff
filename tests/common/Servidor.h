#pragma once

#include <filesystem>
#include <optional>
#include <string>

// Ayudas comunes de las pruebas: el servidor MariaDB del fixture de CTest, una
// carpeta temporal y variables de entorno que se restauran solas.
namespace pruebas {

// Datos del servidor de pruebas, leídos del archivo que indica RT_SERVIDOR_ENV
// (líneas NOMBRE=valor que escribe tools/sandbox). CTest lo da solo a los
// grupos de pruebas cuyo nombre termina en "Servidor" (tests/CMakeLists.txt).
struct Servidor {
    std::string host;
    std::string puerto;
    std::string usuario;
    std::string password;
    std::string socket;
    std::string carpeta; // la carpeta de MySQL del entorno (su datadir es data/)
};

// El servidor, o nada con el motivo en `error` (variable sin fijar, archivo
// ausente o incompleto).
std::optional<Servidor> LeeServidor(std::string& error);

// Carpeta nueva bajo el directorio temporal; se borra con su contenido al
// destruirse.
class CarpetaTemporal {
public:
    CarpetaTemporal();
    ~CarpetaTemporal();
    CarpetaTemporal(const CarpetaTemporal&) = delete;
    CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;

    const std::filesystem::path& Ruta() const { return ruta_; }
    // Ruta de un elemento dentro de la carpeta, como texto.
    std::string En(const std::string& nombre) const { return (ruta_ / nombre).string(); }

private:
    std::filesystem::path ruta_;
};

// Fija (o borra, con nullopt) una variable de entorno y devuelve la anterior al
// destruirse.
class VariableEntorno {
public:
    VariableEntorno(std::string nombre, const std::optional<std::string>& valor);
    ~VariableEntorno();
    VariableEntorno(const VariableEntorno&) = delete;
    VariableEntorno& operator=(const VariableEntorno&) = delete;

private:
    std::string nombre_;
    std::optional<std::string> anterior_;
};

// Un programa que hace de abridor de documentos (RT_ABRIDOR): escribe sus
// argumentos, uno por línea, en `registro` (de una vez, al terminar), tras
// `esperaSegundos`. Devuelve su ruta.
std::string CreaAbridorGrabador(const CarpetaTemporal& carpeta, const std::string& registro,
                                int esperaSegundos = 0);

// Espera hasta `milisegundos` a que exista el archivo; true si apareció.
bool EsperaArchivo(const std::filesystem::path& ruta, int milisegundos);

// Contenido completo de un archivo ("" si no existe) y escritura de uno nuevo.
std::string LeeArchivo(const std::filesystem::path& ruta);
void EscribeArchivo(const std::filesystem::path& ruta, const std::string& contenido);

} // namespace pruebas

// Dentro de una prueba: declara `var` con el servidor o falla con el motivo (una
// prueba que necesita el servidor nunca pasa en silencio sin él).
#define RT_REQUIERE_SERVIDOR(var)                                                                  \
    std::string var##_error;                                                                       \
    const auto var##_opc = ::pruebas::LeeServidor(var##_error);                                    \
    if (!var##_opc)                                                                                \
        FAIL() << "Falta el servidor de pruebas: " << var##_error;                                 \
    const ::pruebas::Servidor& var = *var##_opc
