#include "DiagnosticoReplicacion.h"

#include "TextosProcedimiento.h"

#include <algorithm>
#include <cctype>

namespace pasos {

namespace {

bool Contiene(const std::string& texto, const std::string& parte) {
    const auto minuscula = [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    };
    std::string a, b;
    std::transform(texto.begin(), texto.end(), std::back_inserter(a), minuscula);
    std::transform(parte.begin(), parte.end(), std::back_inserter(b), minuscula);
    return a.find(b) != std::string::npos;
}

// Later servers name the SOURCE_ forms; MySQL 8.0.26 renamed the wait.
bool EsperaNueva(const VersionServidor& v) {
    return v.conocida && !v.mariadb &&
           (v.mayor > 8 || (v.mayor == 8 && (v.menor > 0 || v.parche >= 26)));
}

} // namespace

std::string ExplicaErrorReplicacion(long numero, const std::string& mensaje) {
    // Ids shared with the master (a fatal error, 1593) or with another slave
    // (1236, like a missing log) are told apart by their text.
    if (Contiene(mensaje, "equal") && Contiene(mensaje, "server id"))
        return "El maestro y el esclavo tienen el mismo server-id: cambie server-id en el "
               "archivo de opciones de uno de los dos (cada servidor necesita el suyo) y "
               "reinicie ese servicio.";
    if (Contiene(mensaje, "same server_uuid") || Contiene(mensaje, "same server_id"))
        return "Otro esclavo con el mismo server-id ya está conectado al maestro: dé a cada "
               "esclavo su propio server-id y reinicie su servicio.";
    struct Caso {
        long numero;
        const char* texto;
    };
    static constexpr Caso kCasos[] = {
        {1045, "El maestro rechazó la cuenta de replicación (usuario, contraseña o dirección "
               "del esclavo): vuelva a crearla en la ventana del servidor MAESTRO con la "
               "dirección de este equipo y use la misma contraseña aquí."},
        {2003, "El esclavo no alcanza al maestro: revise que el servicio de MySQL del maestro "
               "esté iniciado, la dirección y el puerto, la red y el cortafuegos."},
        {2005, "El esclavo no encuentra el nombre del maestro: revise la dirección (mejor la "
               "IP) en la ventana del servidor ESCLAVO."},
        {1236, "El maestro ya no tiene el archivo de registro binario que el esclavo necesita "
               "(borrado o expirado): hay que copiar otra vez la base al esclavo y configurar "
               "la replicación desde la posición actual del maestro."},
        {1062, "El esclavo ya tenía la fila que el maestro insertó (alguien escribió "
               "directamente en el esclavo): los datos ya difieren; revise la tabla, use "
               "\"Verificar datos\" o copie otra vez la base desde el maestro."},
        {1032, "Falta en el esclavo la fila que el maestro cambió o borró (alguien escribió "
               "directamente en el esclavo): los datos ya difieren; revise la tabla o copie "
               "otra vez la base desde el maestro."},
        {1146, "Falta en el esclavo una tabla que el maestro usa: copie otra vez la base desde "
               "el maestro."},
    };
    for (const Caso& c : kCasos)
        if (c.numero == numero)
            return c.texto;
    return {};
}

std::optional<std::uint64_t> BytesPendientes(const std::string& archivoMaestro,
                                             std::uint64_t posicionMaestro,
                                             const std::string& archivoEsclavo,
                                             std::uint64_t posicionEsclavo,
                                             const std::vector<ArchivoLog>& logs) {
    if (archivoMaestro.empty() || archivoEsclavo.empty())
        return std::nullopt;
    if (archivoMaestro == archivoEsclavo)
        return posicionMaestro > posicionEsclavo ? posicionMaestro - posicionEsclavo : 0;
    const auto busca = [&](const std::string& nombre) {
        return std::find_if(logs.begin(), logs.end(),
                            [&](const ArchivoLog& a) { return a.nombre == nombre; });
    };
    const auto esclavo = busca(archivoEsclavo);
    const auto maestro = busca(archivoMaestro);
    if (esclavo == logs.end() || maestro == logs.end() || esclavo > maestro)
        return std::nullopt;
    std::uint64_t bytes = esclavo->tamano > posicionEsclavo ? esclavo->tamano - posicionEsclavo : 0;
    for (auto a = esclavo + 1; a != maestro; ++a)
        bytes += a->tamano;
    return bytes + posicionMaestro;
}

std::string IdentificadorSQL(const std::string& nombre) {
    std::string r = "`";
    for (char c : nombre) {
        if (c == '`')
            r += '`';
        r += c;
    }
    return r + "`";
}

std::string SentenciaDetieneAplicacion(const VersionServidor& v) {
    return UsaReplica(v) ? "STOP REPLICA SQL_THREAD" : "STOP SLAVE SQL_THREAD";
}

std::string SentenciaIniciaAplicacion(const VersionServidor& v) {
    return UsaReplica(v) ? "START REPLICA SQL_THREAD" : "START SLAVE SQL_THREAD";
}

std::string SentenciaAplicaHasta(const VersionServidor& v, const std::string& archivo,
                                 std::uint64_t posicion, bool diagonalLiteral) {
    const std::string prefijo = UsaReplica(v) ? "SOURCE_" : "MASTER_";
    return SentenciaIniciaAplicacion(v) + " UNTIL " + prefijo + "LOG_FILE='" +
           EscapaSQL(archivo, diagonalLiteral) + "', " + prefijo +
           "LOG_POS=" + std::to_string(posicion);
}

std::string ConsultaEsperaPosicion(const VersionServidor& v, const std::string& archivo,
                                   std::uint64_t posicion, int segundos, bool diagonalLiteral) {
    return std::string("SELECT ") + (EsperaNueva(v) ? "SOURCE_POS_WAIT" : "MASTER_POS_WAIT") +
           "('" + EscapaSQL(archivo, diagonalLiteral) + "', " + std::to_string(posicion) + ", " +
           std::to_string(segundos) + ")";
}

} // namespace pasos
