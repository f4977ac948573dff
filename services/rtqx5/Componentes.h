#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Las clases de la biblioteca de componentes (ProgID "rtqx5." + clase). Se crean
// con CreaObjeto (Fabrica.h). Las operaciones lanzan rtqx5::ErrorRT.
// Todo texto es UTF-8.
namespace rtqx5 {

class Componente {
public:
    virtual ~Componente() = default;
};

// Utilerías generales: archivos INI y conversión numérica.
class libRTSA : public Componente {
public:
    // El valor de la clave; "" cuando falta la clave, la sección o el archivo.
    std::string LeeIni(const std::string& seccion, const std::string& clave,
                       const std::string& archivo);
    // Escribe la clave como texto; crea el archivo y la sección si faltan.
    // Lanza ErrorRT si no puede escribir o si algún argumento trae CR, LF o NUL.
    void EscribeIni(const std::string& seccion, const std::string& clave, const std::string& valor,
                    const std::string& archivo);
    // Reglas clásicas de Val: blancos iniciales omitidos, el número inicial más
    // largo; 0 cuando no hay ninguno.
    double rtval(const std::string& valor);
};

class Plugins : public Componente {};
class DeControles : public Componente {};
class DeAcceso : public Componente {};

class DeArchivos : public Componente {
public:
    bool HayArchivo(const std::string& ruta);
    bool HayCarpeta(const std::string& ruta);
    // Crea la carpeta y las que le faltan por encima; true si al final existe.
    bool CreaRuta(const std::string& carpeta);
    // Copia el archivo (reemplaza el destino); lanza ErrorRT si no puede.
    void Copia(const std::string& origen, const std::string& destino);
    // Abre el documento en su programa asociado; lanza ErrorRT si no puede.
    void AbreDocumento(const std::string& ruta, int modo, int mostrar);
};

// Raíces del registro, como las da Windows.
inline constexpr std::uint32_t HKEY_CLASSES_ROOT_ = 0x80000000u;
inline constexpr std::uint32_t HKEY_CURRENT_USER_ = 0x80000001u;
inline constexpr std::uint32_t HKEY_LOCAL_MACHINE_ = 0x80000002u;
inline constexpr std::uint32_t HKEY_USERS_ = 0x80000003u;

class DelRegistro : public Componente {
public:
    // Cadena del registro; "" cuando falta.
    std::string LeerCadena(const std::string& clave, const std::string& valor, std::uint32_t raiz);
    // Busca los datos del producto en la carpeta; devuelve la ruta del archivo de
    // datos, o "" cuando no están. La carpeta queda normalizada.
    std::string BuscarRegistroQXW(std::string& carpeta);
    // Valor guardado del producto; "" cuando no existe o aún no se buscó.
    std::string DatosQXW(const std::string& nombre);
    // Guarda el valor; lanza ErrorRT si el producto no fue encontrado o no se
    // puede escribir.
    void GuardaDatosQXW(const std::string& nombre, const std::string& valor);

private:
    std::string archivoDatos_;
};

#ifdef RT_CON_BASESDD
// Conexión abierta por BasesDD::ConectarAservidor.
class Conexion {
public:
    Conexion();
    ~Conexion();
    Conexion(const Conexion&) = delete;
    Conexion& operator=(const Conexion&) = delete;

    bool Abierta() const;
    // Ejecuta el texto; devuelve la primera columna de cada fila como texto
    // (NULL como ""), vacío cuando la sentencia no da filas. Una sentencia que
    // el servidor rechaza lanza ErrorRT(kErrorServidor, mensaje del servidor).
    std::vector<std::string> Execute(const std::string& comando);
    // Como Execute, con todas las columnas: sus nombres y cada fila (NULL como
    // "").
    struct Resultado {
        std::vector<std::string> columnas;
        std::vector<std::vector<std::string>> filas;
        // El valor de la columna en la primera fila; "" sin esa columna o sin
        // filas.
        std::string Valor(const std::string& columna) const;
    };
    Resultado Consulta(const std::string& comando);
    // True cuando el servidor lee las diagonales invertidas de las cadenas
    // como texto (modo NO_BACKSLASH_ESCAPES), según su última respuesta.
    bool DiagonalLiteral() const;
    // El juego de caracteres de la conexión ("utf8mb4", "utf8"); "" cerrada.
    std::string JuegoCaracteres() const;
    void Cierra();

private:
    friend class BasesDD;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

class BasesDD : public Componente {
public:
    std::string cRuta;            // servidor
    std::string cPuerto = "3306"; // puerto
    std::string cUsuario;         // usuario
    std::string cPassword;        // contraseña
    std::string cMiBase;          // base de datos principal
    // Segundos que espera el intento de conexión, y cada lectura o escritura
    // de la conexión abierta (0: sin límite).
    unsigned int cEsperaConexion = 10;
    unsigned int cEsperaLectura = 0;

    // Abre la conexión con las propiedades; true si quedó abierta. Un puerto
    // vacío o no numérico da false sin intentar conectar. La conexión es utf8
    // y pasa a utf8mb4 donde el servidor lo tiene (AdmiteUtf8mb4).
    bool ConectarAservidor(Conexion& conexion);
    // True para la versión de un servidor (mysql_get_server_version: 50173
    // para 5.1.73) que tiene utf8mb4: MySQL 5.5.3 y posteriores, MariaDB.
    static bool AdmiteUtf8mb4(unsigned long versionServidor);
    // Por qué falló la última conexión: el número del cliente o del servidor
    // (2002, 2003, 2005: el servidor no contestó; 1045: rechazó la cuenta; 0
    // sin intento) y su mensaje. Vacíos tras una conexión lograda.
    long nErrorConexion = 0;
    std::string cErrorConexion;
    void CierraBdD(Conexion& conexion);
};
#endif

class Utilerias : public Componente {
public:
    // Texto revuelto en ASCII imprimible (sin comillas, sin "=", sin blancos en
    // los extremos); Encripta("") es "". DesEncripta es su inversa.
    std::string Encripta(const std::string& texto);
    std::string DesEncripta(const std::string& texto);
};

} // namespace rtqx5
