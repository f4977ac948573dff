// El archivo nuevo de un cambio de servidor, sin servidor: los valores que no
// deben llegar nunca al archivo, el archivo que no se puede escribir, el
// reemplazo de una vez con los permisos del original y la vuelta a la copia.
#include "CambioOpciones.h"
#include "Errores.h"
#include "Servidor.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

using pruebas::LeeArchivo;

const std::string kMyIni = "[client]\r\nport=3306\r\n\r\n[mysqld]\r\n# datos\r\nport=3306\r\n"
                           "datadir=\"C:/MySQL/data/\"\r\n";

struct Hostil {
    const char* caso;
    pasos::ClaveOpcion clave;
    const char* nombrada; // lo que el mensaje debe nombrar
};

class ValorHostil : public ::testing::TestWithParam<Hostil> {};

// Nada de la corrida llega al archivo (ni siquiera las claves buenas de antes)
// y no queda archivo nuevo a medias.
TEST_P(ValorHostil, SeRechazaAntesDeTocarNada) {
    pruebas::CarpetaTemporal carpeta;
    const std::string ini = carpeta.En("my.ini");
    pruebas::EscribeArchivo(ini, kMyIni);
    const std::vector<pasos::ClaveOpcion> claves = {{"mysqld", "server-id", "1"}, GetParam().clave};
    try {
        pasos::PreparaArchivoNuevo(ini, claves);
        ADD_FAILURE() << "aceptado";
    } catch (const rtqx5::ErrorRT& e) {
        EXPECT_NE(e.Descripcion().find(GetParam().nombrada), std::string::npos) << e.Descripcion();
    }
    EXPECT_EQ(LeeArchivo(ini), kMyIni);
    EXPECT_FALSE(fs::exists(pasos::RutaArchivoNuevo(ini)));
    // El escritor de una clave pone la misma barrera.
    rtqx5::libRTSA lib;
    EXPECT_THROW(pasos::EscribeOpcion(lib, GetParam().clave, ini), rtqx5::ErrorRT);
    EXPECT_EQ(LeeArchivo(ini), kMyIni);
}

INSTANTIATE_TEST_SUITE_P(
    Cambio, ValorHostil,
    ::testing::Values(
        // El lector del servidor parte la línea en 4094 bytes: el resto sería
        // otra opción.
        Hostil{"LineaPartida",
               {"mysqld", "replicate-do-db", std::string(4078, 'd') + ";;;skip-grant-tables"},
               "replicate-do-db"},
        Hostil{"ApenasLarga", {"mysqld", "log-bin", std::string(1017, 'x')}, "log-bin"},
        Hostil{"LiteralLarga", {"mysqld", "datadir", std::string(2000, 'a'), true}, "datadir"},
        Hostil{"SaltoDeLinea",
               {"mysqld", "binlog-do-db", "datos1\nskip-grant-tables"},
               "binlog-do-db"},
        Hostil{"SaltoEnLiteral",
               {"mysqld", "datadir", "\"C:/x\"\rskip-grant-tables", true},
               "datadir"},
        Hostil{"ClaveConSalto", {"mysqld", "skip-grant-tables\nport", "1"}, "skip-grant-tables"},
        Hostil{"Diagonal", {"mysqld", "master-password", "cl\\ave"}, "master-password"}),
    [](const auto& info) { return std::string(info.param.caso); });

// El límite deja pasar una línea larga que cabe, entera.
TEST(CambioOpciones, LineaQueCabeSeEscribeEntera) {
    pruebas::CarpetaTemporal carpeta;
    const std::string ini = carpeta.En("my.ini");
    pruebas::EscribeArchivo(ini, kMyIni);
    const std::string valor(pasos::kLineaOpcionMaxima - std::string("log-bin=").size(), 'x');
    const std::string nuevo = pasos::PreparaArchivoNuevo(ini, {{"mysqld", "log-bin", valor}});
    EXPECT_EQ(LeeArchivo(nuevo), kMyIni + "log-bin=" + valor + "\r\n");
    EXPECT_EQ(LeeArchivo(ini), kMyIni) << "el original no se toca hasta instalar";
}

// Un my.ini de solo lectura o en una carpeta de solo lectura: el mensaje nombra
// my.ini, no un archivo temporal.
TEST(CambioOpciones, ArchivoQueNoSePuedeEscribirSeNombra) {
    for (const bool enCarpeta : {false, true}) {
        pruebas::CarpetaTemporal carpeta;
        const std::string ini = carpeta.En("my.ini");
        pruebas::EscribeArchivo(ini, kMyIni);
        const fs::path bloqueado = enCarpeta ? carpeta.Ruta() : fs::path(ini);
        const auto permisos = fs::status(bloqueado).permissions();
        fs::permissions(bloqueado,
                        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove);
        try {
            pasos::PreparaArchivoNuevo(ini, {{"mysqld", "server-id", "1"}});
            ADD_FAILURE() << "aceptado (carpeta: " << enCarpeta << ")";
        } catch (const rtqx5::ErrorRT& e) {
            EXPECT_NE(e.Descripcion().find(ini), std::string::npos) << e.Descripcion();
            EXPECT_EQ(e.Descripcion().find(".tmp"), std::string::npos) << e.Descripcion();
        }
        fs::permissions(bloqueado, permisos);
        EXPECT_EQ(LeeArchivo(ini), kMyIni);
        EXPECT_FALSE(fs::exists(pasos::RutaArchivoNuevo(ini)));
    }
}

// Instalar pone el archivo revisado en lugar del original con los permisos de
// este; la copia de respaldo vuelve igual; la nota va y viene entera.
TEST(CambioOpciones, InstalaRestauraYAnota) {
    pruebas::CarpetaTemporal carpeta;
    const std::string ini = carpeta.En("my.ini");
    const std::string respaldo = carpeta.En("my.ini.20240101-000000.bak");
    pruebas::EscribeArchivo(ini, kMyIni);
    pruebas::EscribeArchivo(respaldo, kMyIni);
    ::chmod(ini.c_str(), 0640);

    const std::string nuevo =
        pasos::PreparaArchivoNuevo(ini, {{"mysqld", "port", "3310"}, {"mysqld", "server-id", "7"}});
    EXPECT_EQ(nuevo.find(".ini", nuevo.size() - 4), std::string::npos);
    pasos::InstalaArchivoNuevo(nuevo, ini);
    EXPECT_FALSE(fs::exists(nuevo));
    EXPECT_EQ(LeeArchivo(ini), "[client]\r\nport=3306\r\n\r\n[mysqld]\r\n# datos\r\nport=3310\r\n"
                               "datadir=\"C:/MySQL/data/\"\r\nserver-id=7\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(pasos::PuertoDeArchivo(ini), 3310);

    pasos::RestauraRespaldo(respaldo, ini);
    EXPECT_EQ(LeeArchivo(ini), kMyIni);
    ASSERT_EQ(::stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    const std::string diario = pasos::RutaDiario(carpeta.En("ReplicacionTesal.ini"));
    EXPECT_EQ(fs::path(diario).parent_path(), carpeta.Ruta());
    EXPECT_FALSE(pasos::LeeDiario(diario));
    pasos::EscribeDiario(diario, {"QX mirror", ini, respaldo, "3310"});
    const auto leido = pasos::LeeDiario(diario);
    ASSERT_TRUE(leido);
    EXPECT_EQ(leido->servicio, "QX mirror");
    EXPECT_EQ(leido->archivo, ini);
    EXPECT_EQ(leido->respaldo, respaldo);
    EXPECT_EQ(leido->puerto, "3310");
    EXPECT_THROW(pasos::EscribeDiario(diario, {"", ini, respaldo, "1"}), rtqx5::ErrorRT);
    // A journal that is there but says nothing usable is reported, never taken
    // as none: a service named '' (an old journal, read by the profile rules),
    // no service at all, a value not written by EscribeDiario.
    for (const std::string texto :
         {"[Cambio]\nServicio=''\nArchivo=x\n", "basura\n", "[Cambio]\nFormato=2\nServicio=My%2\n",
          "[Cambio]\nFormato=9\nServicio=x\n"}) {
        pruebas::EscribeArchivo(diario, texto);
        EXPECT_THROW(pasos::LeeDiario(diario), rtqx5::ErrorRT) << texto;
    }
    // An old journal with plain values still reads.
    pruebas::EscribeArchivo(diario, "[Cambio]\nServicio=QX mirror\nPuerto=3310\n");
    ASSERT_TRUE(pasos::LeeDiario(diario));
    EXPECT_EQ(pasos::LeeDiario(diario)->servicio, "QX mirror");
    EXPECT_TRUE(pasos::BorraDiario(diario));
    EXPECT_FALSE(pasos::LeeDiario(diario));
}

} // namespace
