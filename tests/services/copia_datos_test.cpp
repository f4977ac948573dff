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
    for (const bool transaccional : {false, true})
        EXPECT_EQ(
            ejecucion::DivideLineaComandos(pasos::ComandoVuelcaDatos(
                d, {"datos1", "catalogossat"}, "/d/con blanco/copia.sql", {transaccional, {}, {}})),
            (std::vector<std::string>{
                "/opt/My SQL/bin/mysqldump", "--defaults-extra-file=/tmp/rt-clave-x",
                "--host=servidor", "--port=3307", "--protocol=tcp", "--user=us\"uario",
                "--default-character-set=latin1",
                transaccional ? "--single-transaction" : "--lock-all-tables", "--master-data=2",
                "--routines", "--triggers", "--verbose", "--result-file=/d/con blanco/copia.sql",
                "--databases", "datos1", "catalogossat"}));
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

// Sin bloqueo solo si todas las tablas son InnoDB; si no, la primera que no lo
// es dice por qué. Y el avance de la copia como lo lee el técnico.
TEST(CopiaDatos, ModoDelVolcadoYAvance) {
    using T = pasos::TablaCopia;
    const struct {
        std::vector<pasos::TablaCopia> tablas;
        bool transaccional;
        const char* aviso;
    } casos[] = {
        {{T{"datos1", "ventas", "InnoDB", 10}, T{"catalogossat", "claves", "innodb", 5}},
         true,
         "Todas las tablas son InnoDB: el MAESTRO seguirá aceptando escrituras mientras se copian "
         "los datos"},
        {{}, true, "Todas las tablas son InnoDB"},
        {{T{"datos1", "ventas", "InnoDB", 1}, T{"datos1", "articulos", "MyISAM", 1},
          T{"datos1", "cortes", "MEMORY", 1}},
         false,
         "La tabla articulos es MyISAM: el MAESTRO quedará en solo lectura mientras se copian los "
         "datos"},
        {{T{"datos1", "rota", "", 0}}, false, "La tabla rota es de un motor desconocido: "},
        {{T{"datos1", "log", "Aria", 0}}, false, "La tabla log es Aria: "},
    };
    for (const auto& c : casos) {
        const auto modo = pasos::EligeModoVolcado(c.tablas);
        EXPECT_EQ(modo.transaccional, c.transaccional) << c.aviso;
        EXPECT_TRUE(pasos::AvisoModoVolcado(modo).starts_with(c.aviso))
            << pasos::AvisoModoVolcado(modo);
    }
    EXPECT_EQ(pasos::SentenciaSondaEscritura("da`tos", "ven tas", "to`tal"),
              "UPDATE LOW_PRIORITY `da``tos`.`ven tas` SET `to``tal` = `to``tal` WHERE 1 = 0");

    constexpr std::uint64_t kMB = 1024 * 1024;
    pasos::AvanceCopia a;
    a.hechos = 10 * kMB;
    a.total = 40 * kMB;
    a.segundos = 4;
    a.soloLectura = false;
    EXPECT_EQ(pasos::LineaAvanceCopia(a),
              "Volcado: 10 de unos 40 MB; faltan unos 12 s; el MAESTRO acepta escrituras");
    EXPECT_EQ(pasos::PorcentajeCopia(a), 25);
    a.soloLectura = true;
    a.segundos = 100;
    EXPECT_EQ(pasos::LineaAvanceCopia(a),
              "Volcado: 10 de unos 40 MB; faltan unos 5 min; el MAESTRO está en solo lectura");
    // El volcado pasó de lo estimado: sin tiempo que falte y la barra sin llenar.
    a.hechos = 50 * kMB;
    EXPECT_EQ(pasos::LineaAvanceCopia(a),
              "Volcado: 50 de unos 40 MB; el MAESTRO está en solo lectura");
    EXPECT_EQ(pasos::PorcentajeCopia(a), 99);
    pasos::AvanceCopia carga;
    carga.cargando = true;
    carga.hechos = kMB / 2;
    carga.total = 3 * kMB;
    carga.segundos = 0.4; // aún sin tiempo que falte
    EXPECT_EQ(pasos::LineaAvanceCopia(carga), "Carga: 0.50 de 3.0 MB");
}

} // namespace
