// Lo que cada versión del servidor recibe: la cuenta del maestro, el cambio de
// maestro, el arranque y la consulta del esclavo y la revisión de un archivo
// de opciones por el binario de la carpeta de MySQL.
#include "ArchivoOpciones.h"
#include "Errores.h"
#include "Servidor.h"
#include "TextosProcedimiento.h"
#include "TextosReplicacion.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

// Los textos de una familia de servidores, con la cuenta re'pl@10.0.0.% y la
// clave cl'a\ve#1.
struct Forma {
    std::string permiso, cambia, posicion, inicia, detiene, esclavo, maestro, valida;
};

constexpr const char* kCuenta = "'re''pl'@'10.0.0.%'";
constexpr const char* kLiteral = "'cl''a\\\\ve#1'";
constexpr const char* kGrant8 = "GRANT REPLICATION SLAVE ON *.* TO 're''pl'@'10.0.0.%'";

// El texto con la clave enviada cambiada por '********'.
std::string Oculto(std::string texto) {
    for (auto i = texto.find(kLiteral); i != std::string::npos; i = texto.find(kLiteral))
        texto.replace(i, std::string(kLiteral).size(), "'********'");
    return texto;
}

TEST(Versiones, CadaServidorRecibeSusPropiosTextos) {
    const Forma clasica = {
        std::string(kGrant8) + " IDENTIFIED BY " + kLiteral,
        "CHANGE MASTER TO MASTER_HOST='10.0.0.1', MASTER_PORT=3307, MASTER_USER='re''pl', "
        "MASTER_PASSWORD='cl''a\\\\ve#1', MASTER_LOG_FILE='qxlog-bin.000002', MASTER_LOG_POS=107",
        "CHANGE MASTER TO MASTER_LOG_FILE='qxlog-bin.000002', MASTER_LOG_POS=107",
        "start slave",
        "stop slave",
        "SHOW SLAVE STATUS",
        "SHOW MASTER STATUS",
        "--verbose --help"};
    // MySQL 8.0 antes de 8.0.16 y de 8.0.23: GRANT sin clave, llave pública.
    Forma maestro8 = clasica;
    maestro8.permiso = kGrant8;
    maestro8.cambia += ", GET_MASTER_PUBLIC_KEY=1";
    Forma valida8 = maestro8;
    valida8.valida = "--validate-config";
    const Forma replica = {
        kGrant8,
        "CHANGE REPLICATION SOURCE TO SOURCE_HOST='10.0.0.1', SOURCE_PORT=3307, "
        "SOURCE_USER='re''pl', SOURCE_PASSWORD='cl''a\\\\ve#1', "
        "SOURCE_LOG_FILE='qxlog-bin.000002', SOURCE_LOG_POS=107, GET_SOURCE_PUBLIC_KEY=1",
        "CHANGE REPLICATION SOURCE TO SOURCE_LOG_FILE='qxlog-bin.000002', SOURCE_LOG_POS=107",
        "START REPLICA",
        "STOP REPLICA",
        "SHOW REPLICA STATUS",
        "SHOW MASTER STATUS",
        "--validate-config"};
    Forma replica84 = replica;
    replica84.maestro = "SHOW BINARY LOG STATUS";
    const struct {
        const char* version;
        const Forma& forma;
        bool maestroDelArchivo;
    } casos[] = {
        {"5.1.73-community", clasica, true},
        {"mysqld  Ver 5.1.73-community for Win32 on ia32 (MySQL Community Server (GPL))", clasica,
         true},
        {"5.5.62-log", clasica, false},
        {"5.7.44", clasica, false},
        {"8.0.15", maestro8, false},
        // La carpeta del binario dice "mariadb" y lleva números: cuenta lo de "Ver".
        {"/opt/mariadb-5.5 ver 2/bin/mysqld  Ver 8.0.15 for Linux on x86_64", maestro8, false},
        {"8.0.22", valida8, false},
        {"8.0.23", replica, false},
        {"mysqld  Ver 8.0.36 for Linux on x86_64 (MySQL Community Server - GPL)", replica, false},
        {"8.4.0", replica84, false},
        {"C:\\MySQL\\bin\\mysqld.exe  Ver 9.1.0 for Win64 on x86_64", replica84, false},
        {"10.11.6-MariaDB-0+deb12u1", clasica, false},
        {"mariadbd  Ver 10.11.6-MariaDB-0+deb12u1 for debian-linux-gnu on x86_64 (Debian 12)",
         clasica, false},
        {"C:\\Archivos\\MariaDB 11.4\\bin\\mysqld.exe  Ver 11.4.2-MariaDB for Win64", clasica,
         false},
        // Sin versión legible: lo del servidor más antiguo.
        {"", clasica, true},
        {"mysqld: error while loading shared libraries", clasica, true},
    };
    const std::string clave = "cl'a\\ve#1";
    pasos::DatosMaestro todo{"10.0.0.1", "3307", "re'pl", clave, "qxlog-bin.000002", 107};
    pasos::DatosMaestro posicion;
    posicion.archivoLog = "qxlog-bin.000002";
    posicion.posicionLog = 107;
    for (const auto& c : casos) {
        SCOPED_TRACE(c.version);
        const pasos::VersionServidor v = pasos::LeeVersion(c.version);
        const auto cuenta = pasos::SentenciasCuentaReplicacion(v, "re'pl", "10.0.0.%", clave);
        EXPECT_EQ(cuenta.borra.exacta, std::string("DROP USER ") + kCuenta);
        EXPECT_EQ(cuenta.borra.enmascarada, cuenta.borra.exacta);
        EXPECT_EQ(cuenta.crea.exacta,
                  std::string("CREATE USER ") + kCuenta + " IDENTIFIED BY " + kLiteral);
        EXPECT_EQ(cuenta.crea.enmascarada, Oculto(cuenta.crea.exacta));
        EXPECT_EQ(cuenta.permiso.exacta, c.forma.permiso);
        EXPECT_EQ(cuenta.permiso.enmascarada, Oculto(c.forma.permiso));
        EXPECT_EQ(pasos::SentenciaCambiaMaestro(v, todo, false), c.forma.cambia);
        EXPECT_EQ(pasos::SentenciaCambiaMaestro(v, todo, true), Oculto(c.forma.cambia));
        EXPECT_EQ(pasos::SentenciaCambiaMaestro(v, posicion, false), c.forma.posicion);
        EXPECT_EQ(pasos::SentenciaCambiaMaestro(v, pasos::DatosMaestro{}, false), "");
        EXPECT_EQ(pasos::SentenciaIniciaEsclavo(v), c.forma.inicia);
        EXPECT_EQ(pasos::SentenciaDetieneEsclavo(v), c.forma.detiene);
        EXPECT_EQ(pasos::ConsultaEstadoEsclavo(v), c.forma.esclavo);
        EXPECT_EQ(pasos::ConsultaEstadoMaestro(v), c.forma.maestro);
        EXPECT_EQ(pasos::ComandoValidaOpciones("/m/", "/t/o.ini", v),
                  "\"/m/bin/mysqld\" --defaults-file=\"/t/o.ini\" " + c.forma.valida);
        EXPECT_EQ(pasos::LeeMaestroDelArchivo(v), c.maestroDelArchivo);
        todo.puerto = "70000";
        EXPECT_THROW(pasos::SentenciaCambiaMaestro(v, todo, true), rtqx5::ErrorRT);
        todo.puerto = "3307";
    }

    const std::pair<const char*, const char*> columnas[] = {
        {"Slave_IO_Running", "Replica_IO_Running"},
        {"Exec_Master_Log_Pos", "Exec_Source_Log_Pos"},
        {"Relay_Master_Log_File", "Relay_Source_Log_File"},
        {"Get_master_public_key", "Get_source_public_key"},
        {"Last_IO_Error", "Last_IO_Error"}};
    for (const auto& [vieja, nueva] : columnas)
        EXPECT_EQ(pasos::ColumnaNueva(vieja), nueva);
}

// Un rechazo del servidor que cita la sentencia no muestra la clave, ni como
// se tecleó ni como se envió; el nombre de un servicio llega a net entero.
TEST(Versiones, ClaveOcultaEnLosRechazosYServicioCitado) {
    const struct {
        const char* clave;
        const char* texto;
        const char* oculto;
    } casos[] = {
        {"clave1", "near 'clave1'' at line 1 (clave1)", "near '********'' at line 1 (********)"},
        {"cl'a\\ve", "near ''cl''a\\\\ve''' y cl'a\\ve", "near ''********''' y ********"},
        {"*", "a*b", "a********b"},
        {"", "sin clave", "sin clave"},
    };
    for (const auto& c : casos)
        EXPECT_EQ(pasos::OcultaClave(c.texto, c.clave), c.oculto) << c.clave;

    EXPECT_EQ(pasos::ComandoNet("stop", "MySQL"), "net stop MySQL");
    EXPECT_EQ(pasos::ComandoNet("start", "MySQL Server 5.1"), "net start \"MySQL Server 5.1\"");
    EXPECT_EQ(pasos::ComandoNet("start", "a\" /y"), "net start \"a\\\" /y\"");
}

// Un mysqld de prueba que solo con --validate-config rechaza una clave
// desconocida (como MySQL 8): la revisión la rechaza solo si el binario dice
// ser de 8.0.16 o posterior.
TEST(Versiones, LaRevisionDelArchivoSigueLaVersionDelBinario) {
    pruebas::CarpetaTemporal carpeta;
    const std::filesystem::path bin = carpeta.Ruta() / "MySQL" / "bin";
    std::filesystem::create_directories(bin);
    const std::string mysql = (carpeta.Ruta() / "MySQL").string() + "/";
    const std::string ini = mysql + "my.ini";
    pruebas::EscribeArchivo(ini, "[mysqld]\nport=3306\n");
    const std::vector<pasos::ClaveOpcion> malas = {{"mysqld", "server-id", "1"},
                                                   {"mysqld", "clave-desconocida", "1"}};
    const struct {
        const char* version; // la salida de --version ("": termina con error)
        bool acepta;
    } casos[] = {{"mysqld  Ver 8.0.36 for Linux on x86_64 (MySQL Community Server - GPL)", false},
                 {"mysqld  Ver 8.0.15 for Linux on x86_64 (MySQL Community Server - GPL)", true},
                 {"mysqld  Ver 5.7.44 for Linux on x86_64 (MySQL Community Server (GPL))", true},
                 {"", true}};
    for (const auto& c : casos) {
        SCOPED_TRACE(c.version);
        pruebas::EscribeArchivo(
            bin / "mysqld",
            std::string("#!/bin/bash\n"
                        "case \"$*\" in\n"
                        "--version) [ -n '") +
                c.version + "' ] || exit 2; echo '" + c.version +
                "' ;;\n"
                "*--validate-config) if grep -q clave-desconocida \"${1#--defaults-file=}\"; then\n"
                "  echo \"2026-12-08T10:20:53Z 0 [ERROR] [MY-000067] [Server] unknown variable "
                "'clave-desconocida=1'.\"; exit 1; fi ;;\n"
                "*--verbose\\ --help) echo Usage ;;\n"
                "*) exit 3 ;;\n"
                "esac\n");
        std::filesystem::permissions(bin / "mysqld", std::filesystem::perms::owner_all);
        const pasos::Dictamen d = pasos::ValidaOpciones(mysql, ini, malas, carpeta.Ruta().string());
        EXPECT_EQ(d.acepta, c.acepta) << d.motivo;
        if (!c.acepta) {
            EXPECT_EQ(d.motivo, "2026-12-08T10:20:53Z 0 [ERROR] [MY-000067] [Server] unknown "
                                "variable 'clave-desconocida=1'.");
        }
    }
    EXPECT_EQ(pruebas::LeeArchivo(ini), "[mysqld]\nport=3306\n");
}

} // namespace
