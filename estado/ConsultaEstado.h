#pragma once

#include "DiagnosticoReplicacion.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Lo que la ventana del estado de la replicación pregunta a los servidores.
// Cada función abre sus propias conexiones y las cierra al volver, con límites
// de espera cortos: corre en un hilo de trabajo y no toca la ventana. Sin Qt;
// todo texto es UTF-8.
namespace estado {

// Un servidor y la cuenta con que se entra.
struct Servidor {
    std::string host;
    std::string puerto;
    std::string usuario;
    std::string clave;
    // Segundos para conectar y para cada lectura (0: sin límite).
    unsigned int esperaConexion = 2;
    unsigned int esperaLectura = 2;
};

// Por qué no se pudo entrar a un servidor: el número y el mensaje del cliente
// o del servidor (1045: rechazó la cuenta; los demás: no contestó).
struct ErrorConexion {
    long numero = 0;
    std::string mensaje;
};

struct EsclavoConectado {
    std::string direccion; // dirección:puerto del esclavo
    std::string segundos;  // tiempo conectado
};

struct EstadoMaestro {
    bool responde = false;
    ErrorConexion error;
    std::string version;
    bool registroBinario = false;
    std::string archivo;
    std::uint64_t posicion = 0;
    std::string binlogDoDb;
    std::string serverId;
    std::vector<pasos::ArchivoLog> logs;
    // "usuario@dirección" de cada cuenta con REPLICATION SLAVE; sin valor
    // cuando la cuenta del producto no puede leerlas.
    std::optional<std::vector<std::string>> cuentas;
    std::vector<EsclavoConectado> esclavos;
    // Lo que no se pudo leer (una línea por consulta rechazada).
    std::vector<std::string> avisos;
};

struct EstadoEsclavo {
    bool responde = false;
    ErrorConexion error;
    std::string version;
    // False: la instancia no tiene maestro (SHOW SLAVE STATUS vacío).
    bool configurado = false;
    std::string hiloLectura;    // Yes, No, Connecting
    std::string hiloAplicacion; // Yes, No
    long numeroErrorLectura = 0;
    std::string errorLectura;
    long numeroErrorAplicacion = 0;
    std::string errorAplicacion;
    // Sin valor cuando el servidor no lo sabe (NULL).
    std::optional<long long> segundosAtras;
    std::string hostMaestro;
    std::string puertoMaestro;
    std::string archivoLeido;
    std::uint64_t posicionLeida = 0;
    std::string archivoAplicado;
    std::uint64_t posicionAplicada = 0;
    std::string baseReplicada; // Replicate_Do_DB
};

EstadoMaestro LeeMaestro(const Servidor& servidor);
EstadoEsclavo LeeEsclavo(const Servidor& servidor);

// Un trozo distinto: la llave de su primera y de su última fila en el maestro o
// en el esclavo, como se leen ("120001", "(1, 'Caja 2')").
struct RangoDistinto {
    std::string desde;
    std::string hasta;
};

struct TablaVerificada {
    std::string base;
    std::string nombre;
    bool igual = false;
    bool enEsclavo = true;
    // Filas contadas en cada servidor, trozo por trozo.
    std::uint64_t filasMaestro = 0;
    std::uint64_t filasEsclavo = 0;
    // La llave que se recorrió ("id", "(caja, folio)"); vacía si la tabla no
    // tiene llave primaria ni única: entonces se revisó entera, bloqueada
    // msBloqueoEntera.
    std::string llave;
    std::optional<long long> msBloqueoEntera;
    std::vector<RangoDistinto> rangos;
    // Por qué no se pudo comparar en el esclavo (otra estructura).
    std::string error;
};

struct Verificacion {
    // False: no se pudo comparar; `error` dice por qué.
    bool completa = false;
    std::string error;
    // El bloqueo más largo de una tabla del maestro y cuántos trozos hubo.
    long long msBloqueoMaximo = 0;
    std::size_t trozos = 0;
    std::vector<TablaVerificada> tablas;
    // False si el hilo de aplicación del esclavo no se pudo reanudar.
    bool reanudado = true;
};

// Cómo va una verificación.
struct AvanceVerificacion {
    std::size_t tablas = 0;
    std::size_t tablasHechas = 0;
    // Las filas según el maestro (estimadas; nunca menos que las revisadas).
    std::uint64_t filas = 0;
    std::uint64_t filasHechas = 0;
    double segundos = 0; // desde que empezó

    std::string tabla; // la que se revisa
};

struct ControlVerificacion {
    // Tras cada trozo, en el hilo de la verificación.
    std::function<void(const AvanceVerificacion&)> avance;
    // Puesta en true, la verificación termina tras el trozo en curso.
    std::shared_ptr<const std::atomic<bool>> cancelada;
    // Lo que se busca que dure cada bloqueo de una tabla en el maestro.
    int msPorTrozo = 20;
};

// Compara cada tabla de la base replicada en el maestro y en el esclavo sin
// bloquear el maestro entero: recorre cada tabla por su llave en trozos de
// unos `msPorTrozo` ms; cada trozo se cuenta y se suma en el maestro con esa
// sola tabla bloqueada para leer, junto con la posición del registro binario,
// y en el esclavo con su hilo de aplicación llevado a esa posición. Nada se
// escribe en el maestro. Un trozo distinto se revisa otra vez antes de darlo
// por distinto. El hilo de aplicación del esclavo se reanuda pase lo que pase.
// `espera`: segundos que se espera a que el esclavo llegue a una posición.
Verificacion VerificaDatos(const Servidor& maestro, const Servidor& esclavo, int espera,
                           const ControlVerificacion& control = {});

// "24 tablas iguales, 1 distinta: ventas" (las que faltan en el esclavo
// cuentan como distintas).
std::string ResumenVerificacion(const Verificacion& v);

// "ventas: filas con id de 120001 a 130000 distintas".
std::string DescribeRango(const TablaVerificada& t, const RangoDistinto& r);

// "Verificando ventas: tabla 2 de 5, 120,000 de unas 400,000 filas; faltan
// unos 12 s".
std::string LineaAvance(const AvanceVerificacion& a);

// stop slave y start slave en el esclavo; "" si se hizo, si no el motivo.
std::string ReiniciaReplicacion(const Servidor& esclavo);

} // namespace estado
