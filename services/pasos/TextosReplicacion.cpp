#include "TextosReplicacion.h"

#include "Errores.h"
#include "OpcionMySQL.h"
#include "TextosProcedimiento.h"

namespace pasos {

std::string MotivoArchivoLog(const std::string& nombre) {
    if (nombre.empty())
        return "está vacío";
    std::size_t caracteres = 0;
    for (const char c : nombre) {
        const auto b = static_cast<unsigned char>(c);
        if (b <= ' ' || b == 0x7F || c == '\'' || c == '"' || c == '`' || c == '\\' || c == '/')
            return "lleva un blanco, una comilla, una diagonal o un carácter de control";
        if (b >= 0xF0)
            return "lleva un carácter fuera del plano básico de Unicode";
        caracteres += (b & 0xC0) != 0x80 ? 1 : 0;
    }
    if (caracteres > kMaxArchivoLog)
        return "tiene " + std::to_string(caracteres) + " caracteres y el máximo es " +
               std::to_string(kMaxArchivoLog);
    return {};
}

std::string SentenciaCambiaMaestro(const VersionServidor& v, const DatosMaestro& d,
                                   bool enmascarada, bool diagonalLiteral) {
    const bool nueva = UsaReplica(v);
    const std::string prefijo = nueva ? "SOURCE_" : "MASTER_";
    std::string partes;
    // Solo agregando: GCC 12 con -O3 advierte -Wrestrict al anteponer.
    const auto agrega = [&](const std::string& opcion, const std::string& valor) {
        if (!partes.empty())
            partes += ", ";
        partes += prefijo;
        partes += opcion;
        partes += '=';
        partes += valor;
    };
    const auto cadena = [&](const std::string& texto) {
        std::string r(1, '\'');
        r += EscapaSQL(texto, diagonalLiteral);
        r += '\'';
        return r;
    };
    if (d.host)
        RevisaValorReplicacion(*d.host, "La dirección del servidor MAESTRO");
    if (d.usuario)
        RevisaValorReplicacion(*d.usuario, "El usuario de replicación");
    if (d.clave)
        RevisaValorReplicacion(*d.clave, "La contraseña de replicación", false);
    if (const std::string motivo = d.archivoLog.empty() ? "" : MotivoArchivoLog(d.archivoLog);
        !motivo.empty())
        throw rtqx5::ErrorRT(rtqx5::kErrorArgumento,
                             "El archivo del registro binario del MAESTRO «" +
                                 TextoVisible(d.archivoLog) + "» " + motivo);
    if (d.host)
        agrega("HOST", cadena(*d.host));
    if (d.puerto) {
        const std::uint16_t numero = rtqx5::PuertoValido(*d.puerto);
        if (numero == 0)
            throw rtqx5::ErrorRT(rtqx5::kErrorArgumento, "El puerto del servidor MAESTRO \"" +
                                                             *d.puerto +
                                                             "\" no es un número de 1 a 65535");
        agrega("PORT", std::to_string(numero));
    }
    if (d.usuario)
        agrega("USER", cadena(*d.usuario));
    if (d.clave)
        agrega("PASSWORD", enmascarada ? std::string("'********'") : cadena(*d.clave));
    if (!d.archivoLog.empty()) {
        agrega("LOG_FILE", cadena(d.archivoLog));
        agrega("LOG_POS", std::to_string(d.posicionLog));
    }
    if (partes.empty())
        return {};
    // caching_sha2_password sin SSL: el esclavo pide la llave pública.
    if (MySQL8(v) && (d.usuario || d.clave))
        partes += nueva ? ", GET_SOURCE_PUBLIC_KEY=1" : ", GET_MASTER_PUBLIC_KEY=1";
    return (nueva ? "CHANGE REPLICATION SOURCE TO " : "CHANGE MASTER TO ") + partes;
}

std::string SentenciaIniciaEsclavo(const VersionServidor& v) {
    return UsaReplica(v) ? "START REPLICA" : "start slave";
}

std::string SentenciaDetieneEsclavo(const VersionServidor& v) {
    return UsaReplica(v) ? "STOP REPLICA" : "stop slave";
}

std::string ConsultaEstadoEsclavo(const VersionServidor& v) {
    return UsaReplica(v) ? "SHOW REPLICA STATUS" : "SHOW SLAVE STATUS";
}

std::string ConsultaEstadoMaestro(const VersionServidor& v) {
    return SinFormasMaster(v) ? "SHOW BINARY LOG STATUS" : "SHOW MASTER STATUS";
}

std::string ColumnaNueva(const std::string& clasica) {
    std::string r = clasica;
    const auto cambia = [&r](const std::string& de, const std::string& a) {
        for (std::size_t i = r.find(de); i != std::string::npos; i = r.find(de, i + a.size()))
            r.replace(i, de.size(), a);
    };
    cambia("Slave", "Replica");
    cambia("slave", "replica");
    cambia("Master", "Source");
    cambia("master", "source"); // Get_master_public_key

    return r;
}

} // namespace pasos
