// El historial de un archivo de opciones sin servidor: el nombre de una copia
// de respaldo, lo que difiere entre dos versiones como lo lee el servidor y
// los archivos que no son de opciones.
#include "HistorialOpciones.h"
#include "Servidor.h"
#include "TextosProcedimiento.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using pasos::LeeOpcionesDeTexto;

std::vector<std::string> Cambios(const std::string& antes, const std::string& despues) {
    std::vector<std::string> r;
    for (const auto& c :
         pasos::DiferenciaOpciones(LeeOpcionesDeTexto(antes), LeeOpcionesDeTexto(despues)))
        r.push_back(pasos::TextoCambio(c));
    return r;
}

TEST(HistorialOpciones, ClavesQueDifierenEntreDosVersiones) {
    const struct {
        const char* que;
        std::string antes, despues;
        std::vector<std::string> esperado;
    } casos[] = {
        {"iguales", "[mysqld]\nport=3306\n", "[mysqld]\nport=3306\n", {}},
        {"una clave cambiada",
         "[mysqld]\nport=3306\nserver-id=1\n",
         "[mysqld]\nport=3307\nserver-id=1\n",
         {"port: 3306 → 3307"}},
        {"una clave solo en una versión",
         "[mysqld]\nport=3306\nold=1\n",
         "[mysqld]\nport=3306\nlog-bin=qxlog-bin\n",
         {"old: 1 → (se quitó)", "log-bin: (no estaba) → qxlog-bin"}},
        {"la última línea de una clave repetida gana",
         "[mysqld]\nserver-id=1\nserver-id=5\n",
         "[mysqld]\nserver-id=5\n",
         {}},
        {"repetida que cambia",
         "[mysqld]\nserver-id=5\n",
         "[mysqld]\nserver-id=5\nserver-id=7\n",
         {"server-id: 5 → 7"}},
        {"- y _ son el mismo carácter",
         "[mysqld]\nexpire_logs_days=10\n",
         "[mysqld]\nexpire-logs-days=12\n",
         {"expire-logs-days: 10 → 12"}},
        {"secciones sin distinguir mayúsculas, repetidas juntas",
         "[MySQLd]\nport=1\n[client]\nport=1\n[mysqld]\nbind-address=0\n",
         "[mysqld]\nport=1\nbind-address=1\n[CLIENT]\nport=2\n",
         {"bind-address: 0 → 1", "[client] port: 1 → 2"}},
        {"otras secciones no cuentan",
         "[mysqld]\nport=1\n[mysql]\nx=1\n",
         "[mysqld]\nport=1\n[mysql]\nx=2\n[mysqldump]\ny=3\n",
         {}},
        {"claves con password ocultas",
         "[mysqld]\nmaster-password=uno\n[client]\npassword=dos\n",
         "[mysqld]\nmaster-password=tres\n[client]\n",
         {"master-password: ******** → ********", "[client] password: ******** → (se quitó)"}},
        {"comillas y comentario al final como los lee el servidor",
         "[mysqld]\nlog-bin=\"qx#1\"\nport=3306 # puerto\n",
         "[mysqld]\nlog-bin=qx#1\nport=3306\n",
         {"log-bin: qx#1 → qx"}},
        {"clave sin valor, comentarios y BOM",
         "\xEF\xBB\xBF# x=1\n[mysqld]\n;log-bin=a\nskip-name-resolve\n",
         "[mysqld]\nskip-name-resolve=1\r\n",
         {"skip-name-resolve: (vacío) → 1"}},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.que);
        EXPECT_EQ(Cambios(c.antes, c.despues), c.esperado);
    }
}

TEST(HistorialOpciones, ArchivosQueNoSonDeOpciones) {
    const struct {
        const char* que;
        std::string bytes;
        bool legible;
    } casos[] = {
        {"vacío", "", true},
        {"Windows-1252", "[mysqld]\r\nbasedir=C:/Programaci\xF3n\r\n", true},
        {"UTF-16", std::string("\xFF\xFE[\0m\0", 6), false},
        {"opción fuera de todo grupo", "port=3306\n[mysqld]\n", false},
        {"grupo sin cerrar", "[mysqld\nport=3306\n", false},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.que);
        const auto o = LeeOpcionesDeTexto(c.bytes);
        EXPECT_EQ(o.legible, c.legible) << o.motivo;
        EXPECT_EQ(o.motivo.empty(), c.legible);
    }
    // Un rechazo del servidor que cita la línea no muestra la clave.
    EXPECT_EQ(pasos::OcultaSecretos(
                  "unknown variable 'master-password=s3cr3t' s3cr3t; port 3306",
                  LeeOpcionesDeTexto("[mysqld]\nport=3306\nmaster-password=\"s3cr3t\"\n")),
              "unknown variable 'master-password=********' ********; port 3306");
    const auto ansi = LeeOpcionesDeTexto("[mysqld]\r\nbasedir=C:/Programaci\xF3n\r\n");
    EXPECT_EQ(ansi.secciones.at(0).second.at(0).valor, "C:/Programación");
}

TEST(HistorialOpciones, NombresDeCopiasYSuOrden) {
    const struct {
        const char* nombre;
        const char* fecha; // "" no es copia de my.ini
        int orden;
    } casos[] = {
        {"my.ini.20261208-153533.bak", "08/12/2026 15:35:33", 1},
        {"MY.INI.20261208-153533-3.BAK", "08/12/2026 15:35:33", 3},
        {"my.ini.20261208-153533-1.bak", "", 0},
        {"my.ini.20261308-153533.bak", "", 0},
        {"my.ini.20261208-253533.bak", "", 0},
        {"my.ini.20261208153533.bak", "", 0},
        {"my.ini.cambio", "", 0},
        {"otro.ini.20261208-153533.bak", "", 0},
        {"my.ini.20261208-153533.bak.bak", "", 0},
    };
    for (const auto& c : casos) {
        SCOPED_TRACE(c.nombre);
        const auto n = pasos::LeeNombreRespaldo("my.ini", c.nombre);
        ASSERT_EQ(n.has_value(), *c.fecha != '\0');
        if (n) {
            EXPECT_EQ(n->fecha, c.fecha);
            EXPECT_EQ(n->orden, c.orden);
        }
    }

    // Lo que escribe NombreRespaldo se lee de vuelta, de la más nueva a la más vieja.
    pruebas::CarpetaTemporal carpeta;
    const std::string archivo = (carpeta.Ruta() / "my.ini").string();
    const std::time_t t = 1'800'000'000;
    const std::vector<std::string> hechos = {
        pasos::NombreRespaldo(archivo, t), pasos::NombreRespaldo(archivo, t + 1),
        pasos::NombreRespaldo(archivo, t, 2), pasos::NombreRespaldo(archivo, t, 10)};
    for (const auto& h : hechos)
        pruebas::EscribeArchivo(h, "[mysqld]\n");
    pruebas::EscribeArchivo(carpeta.Ruta() / "my.ini.bak", "");
    std::vector<std::string> orden;
    for (const auto& r : pasos::RespaldosDe(archivo))
        orden.push_back(r.ruta);
    EXPECT_EQ(orden, (std::vector<std::string>{hechos[1], hechos[3], hechos[2], hechos[0]}));
}

} // namespace
