// La copia de los datos del maestro: la posición leída de la cabecera de un
// volcado (y lo que no debe pasar por posición ni por archivo del registro
// binario), las líneas de órdenes del
// volcado y de la carga tal como las separa el lector de Windows, y qué bases
// van.
#include "CopiaDatos.h"
#include "Errores.h"
#include "LineaComandos.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace {

TEST(CopiaDatos, PosicionDeLaCabeceraDelVolcado) {
    const struct {
        std::string texto;
        std::optional<std::pair<std::string, std::uint64_t>> esperado;
    } casos[] = {
        {"-- CHANGE MASTER TO MASTER_LOG_FILE='qxlog-bin.000003', MASTER_LOG_POS=13960;",
         std::pair<std::string, std::uint64_t>{"qxlog-bin.000003", 13960}},
        {"-- MariaDB dump\n--\n-- CHANGE MASTER TO MASTER_LOG_FILE='b.000001', "
         "MASTER_LOG_POS=4;\r\n",
         std::pair<std::string, std::uint64_t>{"b.000001", 4}},
        {"-- CHANGE REPLICATION SOURCE TO SOURCE_LOG_FILE='binlog.000002', SOURCE_LOG_POS=157;",
         std::pair<std::string, std::uint64_t>{"binlog.000002", 157}},
        // Sin el comentario: no es la cabecera de --master-data=2.
        {"CHANGE MASTER TO MASTER_LOG_FILE='a.000001', MASTER_LOG_POS=4;", std::nullopt},
        {"-- CHANGE MASTER TO MASTER_LOG_FILE='a.000001';", std::nullopt},
        {"-- CHANGE MASTER TO MASTER_LOG_FILE='a.000001', MASTER_LOG_POS=4x;", std::nullopt},
        {"-- CHANGE MASTER TO MASTER_LOG_FILE='a.000001', MASTER_LOG_POS=-4;", std::nullopt},
        {"-- CHANGE MASTER TO MASTER_LOG_FILE='a.000001', MASTER_LOG_POS=99999999999999999999;",
         std::nullopt},
        {"INSERT INTO t VALUES ('-- CHANGE MASTER TO MASTER_LOG_FILE=''x'', MASTER_LOG_POS=4;')",
         std::nullopt},
    };
    // A name the server would cut or master.info could not hold stops the copy
    // with the reason.
    const auto linea = [](const std::string& nombre) {
        return "-- CHANGE MASTER TO MASTER_LOG_FILE='" + nombre + "', MASTER_LOG_POS=4;";
    };
    EXPECT_TRUE(pasos::LeeCoordenadas(linea(std::string(255, 'b'))));
    for (const auto& [nombre, motivo] : std::vector<std::pair<std::string, std::string>>{
             {std::string(10000, 'b'), "tiene 10000 caracteres y el máximo es 255"},
             {std::string(256, 'b'), "tiene 256 caracteres y el máximo es 255"},
             {"", "está vacío"},
             {"a\\", "diagonal"},
             {"a b.000001", "blanco"},
             {"a\r.000001", "control"},
             {"a\xF0\x9F\x98\x80.000001", "fuera del plano básico"}}) {
        try {
            pasos::LeeCoordenadas(linea(nombre));
            ADD_FAILURE() << nombre;
        } catch (const rtqx5::ErrorRT& e) {
            EXPECT_NE(e.Descripcion().find("archivo del registro binario del MAESTRO"),
                      std::string::npos);
            EXPECT_NE(e.Descripcion().find(motivo), std::string::npos) << e.Descripcion();
        }
    }
    for (const auto& c : casos) {
        const auto r = pasos::LeeCoordenadas(c.texto);
        ASSERT_EQ(r.has_value(), c.esperado.has_value()) << c.texto;
        if (r) {
            EXPECT_EQ(r->archivo, c.esperado->first);
            EXPECT_EQ(r->posicion, c.esperado->second);
        }
    }

    // De un archivo: solo las primeras líneas, antes de los datos.
    const auto ruta = std::filesystem::temp_directory_path() / "copia_datos_test.sql";
    {
        std::ofstream f(ruta, std::ios::binary);
        f << "-- MariaDB dump 10.19\n--\n-- Position to start replication\n--\n\n"
             "-- CHANGE MASTER TO MASTER_LOG_FILE='qxlog-bin.000001', MASTER_LOG_POS=328;\n";
    }
    const auto r = pasos::LeeCoordenadasArchivo(ruta.string());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->posicion, 328u);
    std::filesystem::remove(ruta);
    EXPECT_FALSE(pasos::LeeCoordenadasArchivo(ruta.string()));
}

// Cada valor llega como un solo argumento, ninguno como opción de más.
TEST(CopiaDatos, LineasDelVolcadoYDeLaCarga) {
    const pasos::DatosCopia d{"/opt/My SQL/", "--defaults-extra-file=/tmp/rt-clave-x",
                              "servidor",     "3307",
                              "us\"uario",    "latin1"};
    EXPECT_EQ(
        ejecucion::DivideLineaComandos(
            pasos::ComandoVuelcaDatos(d, {"datos1", "catalogossat"}, "/d/con blanco/copia.sql")),
        (std::vector<std::string>{
            "/opt/My SQL/bin/mysqldump", "--defaults-extra-file=/tmp/rt-clave-x", "--host=servidor",
            "--port=3307", "--protocol=tcp", "--user=us\"uario", "--default-character-set=latin1",
            "--lock-all-tables", "--master-data=2", "--routines", "--triggers", "--verbose",
            "--result-file=/d/con blanco/copia.sql", "--databases", "datos1", "catalogossat"}));
    EXPECT_EQ(
        ejecucion::DivideLineaComandos(pasos::ComandoCargaDatos(d)),
        (std::vector<std::string>{"/opt/My SQL/bin/mysql", "--defaults-extra-file=/tmp/rt-clave-x",
                                  "--host=127.0.0.1", "--port=3307", "--protocol=tcp",
                                  "--user=us\"uario", "--default-character-set=latin1"}));

    EXPECT_EQ(pasos::BasesACopiar("Datos1",
                                  {"mysql", "ORVALOREPORTES", "datos2", "catalogossat", "datos1"}),
              (std::vector<std::string>{"Datos1", "catalogossat", "orvaloreportes"}));
    EXPECT_EQ(pasos::BasesACopiar("catalogossat", {"catalogossat"}),
              (std::vector<std::string>{"catalogossat"}));
    for (const std::string base : {"", "--where=1", "-x", "dos bases", "a\"b", "a\tb"})
        EXPECT_FALSE(pasos::MotivoBaseNoCopiable(base).empty()) << base;
    EXPECT_TRUE(pasos::MotivoBaseNoCopiable("datos1").empty());
    const std::string nombre = pasos::NombreVolcado("/d/", "da;tos 1", 0);
    EXPECT_TRUE(nombre.starts_with("/d/copia-da_tos_1-")) << nombre;
    EXPECT_TRUE(nombre.ends_with(".sql"));
    EXPECT_EQ(pasos::Megabytes(400 * 1024), "0.39");
    EXPECT_EQ(pasos::Megabytes(20 * 1024), "0.02");
    EXPECT_EQ(pasos::Megabytes(3 * 1024 * 1024 + 400 * 1024), "3.4");
    EXPECT_EQ(pasos::Megabytes(182ull * 1024 * 1024 + 1000), "182");
}

} // namespace
