// Lo que la ventana del estado de la replicación deduce de las respuestas de
// los servidores: la explicación de un error de un hilo del esclavo y los
// bytes del registro binario que faltan por leer o aplicar.
#include "DiagnosticoReplicacion.h"

#include <gtest/gtest.h>

namespace {

using pasos::ArchivoLog;
using pasos::BytesPendientes;
using pasos::ExplicaErrorReplicacion;

TEST(DiagnosticoReplicacion, ErroresComunesTienenExplicacionYLosDemasNo) {
    const struct {
        long numero;
        const char* mensaje;
        const char* contiene; // "" : sin explicación
    } casos[] = {
        {1045, "error connecting to master 'repl@127.0.0.1:3306' - retry-time: 60",
         "rechazó la cuenta"},
        {2003, "error connecting to master 'repl@10.0.0.9:3306'", "no alcanza al maestro"},
        {2005, "error connecting to master 'repl@caja-central:3306'", "no encuentra el nombre"},
        {1236,
         "Got fatal error 1236 from master when reading data from binary log: 'Could not "
         "find first log file name in binary log index file'",
         "archivo de registro binario"},
        {1062,
         "Could not execute Write_rows_v1 event on table datos1.articulos; Duplicate entry "
         "'9' for key 'PRIMARY'",
         "ya tenía la fila"},
        {1032, "Could not execute Delete_rows_v1 event on table datos1.ventas; Can't find record",
         "Falta en el esclavo la fila"},
        {1146, "Error executing row event: 'Table 'datos1.cortes' doesn't exist'", "una tabla"},
        // Los ids iguales llegan con números distintos según el servidor: manda el texto.
        {1593,
         "Fatal error: The slave I/O thread stops because master and slave have equal "
         "MySQL server ids; these ids must be different for replication to work",
         "mismo server-id"},
        {1236,
         "Got fatal error 1236 from master when reading data from binary log: 'A slave "
         "with the same server_uuid/server_id as this slave has connected to the master'",
         "Otro esclavo"},
        {1593, "Fatal error: something else", ""},
        {0, "", ""},
        {1205, "Lock wait timeout exceeded", ""},
        {-1062, "Duplicate entry", ""},
    };
    for (const auto& c : casos) {
        const std::string texto = ExplicaErrorReplicacion(c.numero, c.mensaje);
        if (*c.contiene == '\0')
            EXPECT_EQ(texto, "") << c.numero << " " << c.mensaje;
        else
            EXPECT_NE(texto.find(c.contiene), std::string::npos)
                << c.numero << " " << c.mensaje << " → " << texto;
    }
}

TEST(DiagnosticoReplicacion, BytesPendientesEnElMismoArchivoYEnArchivosAnteriores) {
    const std::vector<ArchivoLog> logs = {
        {"qxlog-bin.000001", 1000}, {"qxlog-bin.000002", 500}, {"qxlog-bin.000003", 300}};
    const struct {
        const char* maestro;
        std::uint64_t posMaestro;
        const char* esclavo;
        std::uint64_t posEsclavo;
        std::optional<std::uint64_t> esperado;
    } casos[] = {
        {"qxlog-bin.000003", 300, "qxlog-bin.000003", 300, 0},
        {"qxlog-bin.000003", 300, "qxlog-bin.000003", 120, 180},
        // El esclavo adelante en el mismo archivo (el maestro se leyó antes): nada.
        {"qxlog-bin.000003", 100, "qxlog-bin.000003", 300, 0},
        // Resto del 1, todo el 2 y lo del 3.
        {"qxlog-bin.000003", 250, "qxlog-bin.000001", 400, 600 + 500 + 250},
        {"qxlog-bin.000002", 10, "qxlog-bin.000001", 1000, 10},
        // Archivos que el maestro ya no lista, o el esclavo en uno posterior.
        {"qxlog-bin.000003", 250, "qxlog-bin.000000", 4, std::nullopt},
        {"qxlog-bin.000001", 250, "qxlog-bin.000002", 4, std::nullopt},
        {"qxlog-bin.000009", 250, "qxlog-bin.000002", 4, std::nullopt},
        {"", 0, "qxlog-bin.000002", 4, std::nullopt},
        {"qxlog-bin.000002", 4, "", 0, std::nullopt},
    };
    for (const auto& c : casos)
        EXPECT_EQ(BytesPendientes(c.maestro, c.posMaestro, c.esclavo, c.posEsclavo, logs),
                  c.esperado)
            << c.maestro << ":" << c.posMaestro << " / " << c.esclavo << ":" << c.posEsclavo;
    // Sin la lista de archivos solo el mismo archivo tiene respuesta.
    EXPECT_EQ(BytesPendientes("a.2", 50, "a.1", 10, {}), std::nullopt);
    EXPECT_EQ(BytesPendientes("a.2", 50, "a.2", 10, {}), 40u);
}

TEST(DiagnosticoReplicacion, SentenciasDeLaVerificacionSegunLaVersion) {
    const auto clasica = pasos::LeeVersion("10.11.6-MariaDB");
    const auto nueva = pasos::LeeVersion("8.0.36");
    EXPECT_EQ(pasos::SentenciaAplicaHasta(clasica, "qx'log.000002", 1234),
              "START SLAVE SQL_THREAD UNTIL MASTER_LOG_FILE='qx''log.000002', MASTER_LOG_POS=1234");
    EXPECT_EQ(pasos::SentenciaAplicaHasta(nueva, "b.000002", 7),
              "START REPLICA SQL_THREAD UNTIL SOURCE_LOG_FILE='b.000002', SOURCE_LOG_POS=7");
    EXPECT_EQ(pasos::ConsultaEsperaPosicion(clasica, "b.1", 9, 30),
              "SELECT MASTER_POS_WAIT('b.1', 9, 30)");
    EXPECT_EQ(pasos::ConsultaEsperaPosicion(nueva, "b.1", 9, 30),
              "SELECT SOURCE_POS_WAIT('b.1', 9, 30)");
    EXPECT_EQ(pasos::ConsultaEsperaPosicion(pasos::LeeVersion("8.0.25"), "b.1", 9, 30),
              "SELECT MASTER_POS_WAIT('b.1', 9, 30)");
    EXPECT_EQ(pasos::SentenciaDetieneAplicacion(pasos::LeeVersion("5.1.73")),
              "STOP SLAVE SQL_THREAD");
    EXPECT_EQ(pasos::IdentificadorSQL("ven`tas"), "`ven``tas`");
}

} // namespace
