#pragma once

#include "DiagnosticoReplicacion.h"

#include <cstdint>
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

struct TablaVerificada {
    std::string base;
    std::string nombre;
    bool igual = false;
    std::string filasMaestro;
    std::string filasEsclavo; // "" cuando falta en el esclavo
};

struct Verificacion {
    // False: no se pudo comparar; `error` dice por qué.
    bool completa = false;
    std::string error;
    std::string archivo;
    std::uint64_t posicion = 0;
    // Cuánto estuvo bloqueado el maestro; sin valor si no se bloqueó.
    std::optional<long long> msBloqueo;
    std::vector<TablaVerificada> tablas;
    // False si el hilo de aplicación del esclavo no se pudo reanudar.
    bool reanudado = true;
};

// Compara cada tabla de la base replicada en el maestro y en el esclavo en una
// misma posición del registro binario del maestro. El hilo de aplicación del
// esclavo se reanuda pase lo que pase. `espera`: segundos que se espera a que
// el esclavo llegue a la posición.
Verificacion VerificaDatos(const Servidor& maestro, const Servidor& esclavo, int espera);

// "24 tablas iguales, 1 distinta: ventas" (las que faltan en el esclavo
// cuentan como distintas).
std::string ResumenVerificacion(const Verificacion& v);

// stop slave y start slave en el esclavo; "" si se hizo, si no el motivo.
std::string ReiniciaReplicacion(const Servidor& esclavo);

} // namespace estado
