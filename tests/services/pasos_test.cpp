// Textos de los procedimientos que no se ven enteros en las pruebas de las
// ventanas: la cita de argumentos, el número de un error, el maestro de un
// esclavo, el motivo de un rechazo del servidor y qué archivos de la base
// mysql sirven a una instancia nueva.
#include "ArchivoOpciones.h"
#include "Errores.h"
#include "LineaComandos.h"
#include "PasosInstancia.h"
#include "Servidor.h"
#include "Sistema.h"
#include "TextosProcedimiento.h"
#include "TextosReplicacion.h"

#include <algorithm>
#include <filesystem>
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

    // El maestro completo en la forma de MySQL 5.1.
    const auto maestro = [](const char* host, const char* puerto, const char* usuario,
                            const char* clave, bool enmascarada) {
        return pasos::SentenciaCambiaMaestro(pasos::LeeVersion("5.1.73-community"),
                                             {host, puerto, usuario, clave, {}, 0}, enmascarada);
    };
    EXPECT_EQ(maestro("192.168.1.5", "3306", "repl", "cl'a\\ve", false),
              "CHANGE MASTER TO MASTER_HOST='192.168.1.5', MASTER_PORT=3306, MASTER_USER='repl', "
              "MASTER_PASSWORD='cl''a\\\\ve'");
    EXPECT_EQ(maestro("h", "0003307", "u", "secreta", true),
              "CHANGE MASTER TO MASTER_HOST='h', MASTER_PORT=3307, MASTER_USER='u', "
              "MASTER_PASSWORD='********'");
    for (const char* puerto : {"", "0", "65536", "33a6", "-1"})
        EXPECT_THROW(maestro("h", puerto, "u", "c", false), rtqx5::ErrorRT) << puerto;
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

// Los archivos comunes de la carpeta (sin ocultos ni carpetas) y, de ellos,
// los de tablas con .ibd junto al .frm quedan fuera de la copia, sin
// distinguir mayúsculas. Sin carpeta de origen no hay copia.
TEST(Pasos, ArchivosDeLaBaseMysqlQueSirvenAUnaInstanciaNueva) {
    pruebas::CarpetaTemporal carpeta;
    for (const char* n :
         {"user.frm", "user.MAD", "user.MAI", "gtid_slave_pos.frm", "gtid_slave_pos.ibd",
          "Stats.FRM", "stats.IBD", "stats.cfg", "solo.ibd", "db.opt", ".oculto.frm"})
        pruebas::EscribeArchivo(carpeta.Ruta() / n, "x");
    std::filesystem::create_directory(carpeta.Ruta() / "sub.frm");
    std::vector<std::string> nombres = pasos::ArchivosComunes(carpeta.Ruta().string());
    std::sort(nombres.begin(), nombres.end());
    EXPECT_EQ(nombres, (std::vector<std::string>{"Stats.FRM", "db.opt", "gtid_slave_pos.frm",
                                                 "gtid_slave_pos.ibd", "solo.ibd", "stats.IBD",
                                                 "stats.cfg", "user.MAD", "user.MAI", "user.frm"}));
    const pasos::ArchivosSistema archivos = pasos::SeparaArchivosSistema(nombres);
    EXPECT_EQ(archivos.copiar,
              (std::vector<std::string>{"db.opt", "solo.ibd", "user.MAD", "user.MAI", "user.frm"}));
    EXPECT_EQ(archivos.omitir,
              (std::vector<std::string>{"Stats.FRM", "gtid_slave_pos.frm", "gtid_slave_pos.ibd",
                                        "stats.IBD", "stats.cfg"}));
    EXPECT_THROW(pasos::ArchivosComunes(carpeta.En("no-existe")), rtqx5::ErrorRT);

    for (const char* sinOrigen : {"", "/", "//", "\\"})
        EXPECT_FALSE(pasos::OrigenDeCopia(pasos::CarpetaDatosOriginal(sinOrigen))) << sinOrigen;
    EXPECT_EQ(pasos::CarpetaDatosOriginal("/var/lib/mysql"), "/var/lib/mysql/");
    EXPECT_TRUE(pasos::OrigenDeCopia("/var/lib/mysql/"));
    EXPECT_FALSE(pasos::OrigenDeCopia("C:\\"));
    EXPECT_FALSE(pasos::OrigenDeCopia("d:/"));
    EXPECT_TRUE(pasos::OrigenDeCopia("C:\\MySQL\\data\\"));
    EXPECT_TRUE(pasos::MismaCarpeta("/tmp", "/tmp/"));
    EXPECT_FALSE(pasos::MismaCarpeta("/tmp", "/no-existe-rtqx5"));
}

} // namespace
