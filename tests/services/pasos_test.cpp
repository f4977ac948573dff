// Textos de los procedimientos que no se ven enteros en las pruebas de las
// ventanas: la cita de argumentos, el número de un error, el maestro de un
// esclavo y el motivo de un rechazo del servidor.
#include "ArchivoOpciones.h"
#include "Errores.h"
#include "LineaComandos.h"
#include "TextosProcedimiento.h"

#include <gtest/gtest.h>

namespace {

// Lo que ArgumentoLinea cita lo separa el lector de líneas de órdenes (las
// reglas de Windows) en el mismo argumento.
TEST(Pasos, ArgumentoLineaSobreviveALasReglasDeWindows) {
    const std::vector<std::string> argumentos = {"simple",          "con blanco", "",
                                                 "comilla\"dentro", "/ruta con/", "C:\\ruta con\\",
                                                 "\\\\\"x",         "cl'a\\ve#1", "tab\tdentro"};
    std::string linea = "programa";
    for (const auto& a : argumentos)
        linea += " " + pasos::ArgumentoLinea(a);
    std::vector<std::string> esperado = {"programa"};
    esperado.insert(esperado.end(), argumentos.begin(), argumentos.end());
    EXPECT_EQ(ejecucion::DivideLineaComandos(linea), esperado);
    EXPECT_EQ(pasos::ArgumentoLinea("simple"), "simple");
}

TEST(Pasos, TextosDeErroresYSentencias) {
    EXPECT_EQ(pasos::TextoError(-2147467259, "Sin permiso"), "Error-2147467259, Sin permiso");
    EXPECT_EQ(pasos::TextoError(0, "x"), "Error 0, x");
    EXPECT_EQ(pasos::TextoError(75, "Error de acceso"), "Error 75, Error de acceso");

    EXPECT_EQ(pasos::SentenciaChangeMaster("192.168.1.5", "3306", "repl", "cl'a\\ve", false),
              "CHANGE MASTER TO MASTER_HOST='192.168.1.5', MASTER_PORT=3306, MASTER_USER='repl', "
              "MASTER_PASSWORD='cl''a\\\\ve'");
    EXPECT_EQ(pasos::SentenciaChangeMaster("h", "0003307", "u", "secreta", true),
              "CHANGE MASTER TO MASTER_HOST='h', MASTER_PORT=3307, MASTER_USER='u', "
              "MASTER_PASSWORD='********'");
    for (const char* puerto : {"", "0", "65536", "33a6", "-1"})
        EXPECT_THROW(pasos::SentenciaChangeMaster("h", puerto, "u", "c", false), rtqx5::ErrorRT)
            << puerto;
    // Con NO_BACKSLASH_ESCAPES la diagonal ya es texto.
    EXPECT_EQ(pasos::EscapaSQL("a\\b'c", true), "a\\b''c");
}

TEST(Pasos, MotivoDelRechazoSonLasLineasDeError) {
    EXPECT_EQ(pasos::MotivoRechazo("2026-12-08 10:20:53 0 [Warning] Could not increase\n"
                                   "2026-12-08 10:20:53 0 [ERROR] mariadbd: unknown variable "
                                   "'foo=1'\nmariadbd  Ver 10.11\nUsage: mariadbd [OPTIONS]\n"),
              "2026-12-08 10:20:53 0 [ERROR] mariadbd: unknown variable 'foo=1'");
    EXPECT_EQ(pasos::MotivoRechazo("\r\nuno\r\n\r\ndos\r\n"), "uno\r\ndos");
}

} // namespace
