// Los valores hostiles del proyecto (ValoresHostiles.h) contra cada armador que
// convierte un valor en SQL, una línea de opciones, una línea de órdenes, la
// nota de un cambio o una ruta. Cada valor o se rechaza, solo por lo que el
// armador declara rechazar y con un error que dice qué tiene, o llega intacto
// al otro lado: la línea separada por las reglas de CommandLineToArgvW, las
// opciones leídas por my_print_defaults, la nota leída byte por byte y, con el
// servidor, las cadenas leídas de vuelta de MariaDB (cuentas en mysql.user,
// CHANGE MASTER TO en SHOW SLAVE STATUS y master.info).
#include "ArchivoOpciones.h"
#include "CambioOpciones.h"
#include "ClaveTemporal.h"
#include "Componentes.h"
#include "CopiaDatos.h"
#include "Errores.h"
#include "LineaComandos.h"
#include "PasosInstancia.h"
#include "Servidor.h"
#include "SumiderosHostiles.h"
#include "TextosProcedimiento.h"
#include "TextosReplicacion.h"
#include "Valores.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>

namespace {

using pruebas::Caracteres;
using pruebas::Prueba;
using pruebas::Sumidero;
using pruebas::TieneCuatroBytes;
using pruebas::TieneNulo;
using pruebas::TieneSalto;

std::vector<std::string> Divide(const std::string& linea) {
    return ejecucion::DivideLineaComandos(linea);
}

// Lo que my_print_defaults lee de `archivo` para el grupo, byte por byte.
std::string LeeOpciones(const std::string& archivo, const char* grupo) {
    const std::string orden = "my_print_defaults --defaults-file='" + archivo + "' " + grupo;
    FILE* p = popen(orden.c_str(), "r");
    std::string r;
    char buf[4096];
    for (std::size_t n; p && (n = std::fread(buf, 1, sizeof buf, p)) > 0;)
        r.append(buf, n);
    if (p)
        pclose(p);
    return r;
}

// Lo que ValorOpcionMySQL declara que no tiene escritura: saltos, diagonal,
// las dos comillas con razón para citar; y una línea demasiado larga.
bool SinEscrituraMySQL(const std::string& v) {
    const auto blanco = [](char c) {
        return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\xA0';
    };
    const bool cita = v.find('#') != std::string::npos ||
                      (!v.empty() && (blanco(v.front()) || blanco(v.back()))) ||
                      (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v[0] == v.back());
    const bool dos = v.find('"') != std::string::npos && v.find('\'') != std::string::npos;
    return TieneSalto(v) || v.find('\\') != std::string::npos || (dos && cita) ||
           v.size() > pasos::kLineaOpcionMaxima - 20;
}

TEST(Hostiles, LineasDeOrdenesOpcionesNotasYRutas) {
    pruebas::CarpetaTemporal carpeta;
    rtqx5::libRTSA lib;
    const auto opcion = [&](const std::string& clave, const std::string& valor, bool literal) {
        const std::string archivo = carpeta.En("hostil.ini");
        pruebas::EscribeArchivo(archivo, "[mysqld]\n");
        pasos::EscribeOpcion(lib, {"mysqld", clave, valor, literal}, archivo);
        return LeeOpciones(archivo, "mysqld");
    };
    const std::time_t t = 1700000000;
    pruebas::Prueba(pruebas::SumiderosLineaOrdenes(Divide, "/opt/My SQL/"));
    const std::vector<Sumidero> sumideros = {
        {"EscribeOpcion",
         SinEscrituraMySQL,
         {"La opción «clave-hostil»"},
         [&](const std::string& v) {
             EXPECT_EQ(opcion("clave-hostil", v, false), "--clave-hostil=" + v + "\n");
         }},
        {"ValorDatadir",
         [](const std::string& v) {
             return TieneSalto(v) || v.find_first_of("\"\\") != std::string::npos ||
                    v.size() > pasos::kLineaOpcionMaxima - 20;
         },
         {"La carpeta de datos", "La opción «datadir»"},
         [&](const std::string& v) {
             EXPECT_EQ(opcion("datadir", pasos::ValorDatadir(v), true), "--datadir=" + v + "\n");
         }},
        {"ClaveTemporal",
         [](const std::string& v) { return TieneNulo(v) || v.size() > 1024; },
         {"carácter nulo", "demasiado largo"},
         [](const std::string& v) {
             const pasos::ClaveTemporal archivo(v);
             EXPECT_EQ(LeeOpciones(archivo.Ruta(), "client"), "--password=" + v + "\n");
         }},
        {"Diario",
         [](const std::string& v) { return v.empty(); },
         {"no nombra el servicio"},
         [&](const std::string& v) {
             const std::string ruta = carpeta.En("CambioServidor.ini");
             pasos::EscribeDiario(ruta, {v, v + "a", "b" + v, v});
             const auto leido = pasos::LeeDiario(ruta);
             ASSERT_TRUE(leido);
             EXPECT_TRUE(leido->servicio == v && leido->archivo == v + "a" &&
                         leido->respaldo == "b" + v && leido->puerto == v);
         }},
        {"Rutas",
         [](const std::string&) { return false; },
         {},
         [&](const std::string& v) {
             const std::string carpetaVolcado = "/srv/" + v + "/";
             const std::string volcado = pasos::NombreVolcado(carpetaVolcado, v, t);
             ASSERT_TRUE(volcado.starts_with(carpetaVolcado));
             EXPECT_TRUE(
                 std::regex_match(volcado.substr(carpetaVolcado.size()),
                                  std::regex("copia-[A-Za-z0-9_-]*-[0-9]{8}-[0-9]{6}\\.sql")))
                 << volcado;
             EXPECT_EQ(pasos::NombreRespaldo(v, t), v + "." + pasos::MarcaDeTiempo(t) + ".bak");
             EXPECT_EQ(pasos::CarpetaDatosOriginal(v), v.ends_with('/') ? v : v + "/");
             EXPECT_EQ(pasos::RutaArchivoNuevo("/no-existe/" + v), "/no-existe/" + v + ".cambio");
             EXPECT_EQ(
                 std::filesystem::path(pasos::RutaDiario(carpetaVolcado + "ReplicacionTesal.ini")),
                 std::filesystem::path(carpetaVolcado + "CambioServidor.ini"));
         }},
    };
    Prueba(sumideros);
}

// ---- Con el servidor del fixture ---------------------------------------------

class HostilesServidor : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        const auto s = pruebas::LeeServidor(error);
        ASSERT_TRUE(s) << "Falta el servidor de pruebas: " << error;
        servidor = *s;
        bd.cRuta = s->host;
        bd.cPuerto = s->puerto;
        bd.cUsuario = s->usuario;
        bd.cPassword = s->password;
        ASSERT_TRUE(bd.ConectarAservidor(cn)) << bd.cErrorConexion;
        ASSERT_EQ(cn.JuegoCaracteres(), "utf8mb4") << "MariaDB tiene utf8mb4";
        // Lo que la ventana pregunta antes de mandar la cuenta.
        guarda = pasos::GuardaCuatroBytes(
            cn.JuegoCaracteres(), cn.Consulta("SELECT @@character_set_system AS s").Valor("s"));
        cn.Execute("RESET SLAVE ALL");
    }
    void TearDown() override {
        if (cn.Abierta())
            cn.Execute("RESET SLAVE ALL");
    }

    // Lo que la ventana rechaza antes de armar nada.
    void CabeEnElServidor(const std::string& v) const {
        if (const std::string motivo = pasos::RevisaCuatroBytes(v, guarda); !motivo.empty())
            throw rtqx5::ErrorRT(rtqx5::kErrorArgumento, motivo);
    }

    // The server keeps a host name in lower case (host names have no case).
    bool HayCuenta(const std::string& usuario, const std::string& host) {
        const std::string enMinusculas =
            cn.Consulta("SELECT LOWER('" + pasos::EscapaSQL(host) + "') AS h").Valor("h");
        for (const auto& fila : cn.Consulta("SELECT User, Host FROM mysql.user").filas)
            if (fila.at(0) == usuario && fila.at(1) == enMinusculas)
                return true;
        return false;
    }

    // La cuenta creada, leída de vuelta, que entra (o no) con su clave, y
    // quitada exactamente por el DROP USER de la corrida siguiente.
    void CuentaDeIdaYVuelta(const std::string& usuario, const std::string& host,
                            const std::string& clave, bool entra) {
        CabeEnElServidor(usuario);
        CabeEnElServidor(host);
        CabeEnElServidor(clave);
        const pasos::SentenciasCuenta s =
            pasos::SentenciasCuentaReplicacion({10, 11, 0, true, true}, usuario, host, clave);
        try {
            cn.Execute(s.borra.exacta);
        } catch (const rtqx5::ErrorRT&) {
        }
        cn.Execute(s.crea.exacta);
        cn.Execute(s.permiso.exacta);
        EXPECT_TRUE(HayCuenta(usuario, host));
        if (entra) {
            rtqx5::BasesDD otra = bd;
            otra.cUsuario = usuario;
            otra.cPassword = clave;
            rtqx5::Conexion c;
            EXPECT_TRUE(otra.ConectarAservidor(c)) << otra.cErrorConexion;
        }
        cn.Execute(s.borra.exacta);
        EXPECT_FALSE(HayCuenta(usuario, host)) << "DROP USER no la quitó";
    }

    // CHANGE MASTER TO con el valor en un campo, leído de vuelta.
    void MaestroDeIdaYVuelta(pasos::DatosMaestro d, const std::string& columna,
                             const std::string& esperado, int lineaMasterInfo) {
        for (const auto& valor : {d.host, d.usuario, d.clave})
            if (valor)
                CabeEnElServidor(*valor);
        cn.Execute(pasos::SentenciaCambiaMaestro({10, 11, 0, true, true}, d, false));
        if (!columna.empty()) {
            EXPECT_EQ(cn.Consulta("SHOW SLAVE STATUS").Valor(columna), esperado);
        }
        std::ifstream f(servidor.carpeta + "/data/master.info", std::ios::binary);
        std::string linea;
        for (int i = 0; i < lineaMasterInfo; ++i)
            std::getline(f, linea);
        EXPECT_EQ(linea, esperado) << "línea " << lineaMasterInfo << " de master.info";
        cn.Execute("RESET SLAVE ALL");
    }

    pruebas::Servidor servidor;
    rtqx5::BasesDD bd;
    rtqx5::Conexion cn;
    bool guarda = true;
};

TEST_F(HostilesServidor, SentenciasSQLLleganIntactasOSeRechazan) {
    ASSERT_FALSE(guarda) << "MariaDB guarda cuentas y master.info en utf8mb3";
    rtqx5::Conexion literal;
    ASSERT_TRUE(bd.ConectarAservidor(literal));
    literal.Execute("SET SESSION sql_mode = CONCAT(@@sql_mode, ',NO_BACKSLASH_ESCAPES')");
    ASSERT_TRUE(literal.DiagonalLiteral());
    const auto noCabe = [](const std::string& v, std::size_t maximo) {
        return TieneSalto(v) || TieneCuatroBytes(v) || Caracteres(v) > maximo;
    };
    // Empty or ending in a blank, an account name would be another account.
    const auto finBlanco = [](const std::string& v) { return v.empty() || v.back() == ' '; };
    const std::vector<std::string> cuenta = {"lleva un salto", "fuera del plano básico", "too long",
                                             "no puede quedar en blanco", "termina con un blanco"};
    const auto maestro = [&](std::optional<std::string> pasos::DatosMaestro::*campo,
                             const char* columna, int linea) {
        return [=, this](const std::string& v) {
            pasos::DatosMaestro d;
            d.host = "127.0.0.1";
            d.*campo = v;
            MaestroDeIdaYVuelta(d, columna, v, linea);
        };
    };
    const std::vector<Sumidero> sumideros = {
        {"EscapaSQL",
         [](const std::string&) { return false; },
         {},
         [&](const std::string& v) {
             EXPECT_TRUE(cn.Consulta("SELECT '" + pasos::EscapaSQL(v) + "' AS v").Valor("v") == v);
             EXPECT_TRUE(
                 literal.Consulta("SELECT '" + pasos::EscapaSQL(v, true) + "' AS v").Valor("v") ==
                 v);
         }},
        {"CuentaUsuario", [&](const std::string& v) { return finBlanco(v) || noCabe(v, 128); },
         cuenta,
         [&](const std::string& v) { CuentaDeIdaYVuelta(v, "hostil.prueba", "clave", false); }},
        {"CuentaDireccion", [&](const std::string& v) { return finBlanco(v) || noCabe(v, 255); },
         cuenta, [&](const std::string& v) { CuentaDeIdaYVuelta("hostil", v, "clave", false); }},
        {"CuentaClave", [&](const std::string& v) { return noCabe(v, 1u << 20); }, cuenta,
         [&](const std::string& v) { CuentaDeIdaYVuelta("hostil_clave", "127.0.0.1", v, true); }},
        {"CambiaMaestroHost",
         [&](const std::string& v) { return v.empty() || noCabe(v, 255); },
         {"lleva un salto", "fuera del plano básico", "MASTER_HOST"},
         maestro(&pasos::DatosMaestro::host, "Master_Host", 4)},
        {"CambiaMaestroUsuario",
         [&](const std::string& v) { return noCabe(v, 128); },
         {"lleva un salto", "fuera del plano básico", "MASTER_USER"},
         maestro(&pasos::DatosMaestro::usuario, "Master_User", 5)},
        {"CambiaMaestroClave",
         [&](const std::string& v) { return noCabe(v, 96); },
         {"lleva un salto", "fuera del plano básico", "MASTER_PASSWORD"},
         maestro(&pasos::DatosMaestro::clave, "", 6)},
        {"CambiaMaestroArchivoLog",
         [](const std::string& v) {
             // A log name: at most 255 characters, none of them a blank, control,
             // quote, slash or outside the Basic Multilingual Plane.
             const bool raro = std::any_of(v.begin(), v.end(), [](char c) {
                 return static_cast<unsigned char>(c) <= ' ' || c == '\x7f' ||
                        std::string("'\"`\\/").find(c) != std::string::npos;
             });
             // Empty: no log file given.
             return !v.empty() && (raro || TieneCuatroBytes(v) || Caracteres(v) > 255);
         },
         {"archivo del registro binario"},
         [&](const std::string& v) {
             pasos::DatosMaestro d;
             d.host = "127.0.0.1";
             d.archivoLog = v;
             d.posicionLog = 4;
             MaestroDeIdaYVuelta(d, "Master_Log_File", v, 2);
         }},
    };
    Prueba(sumideros);
}

} // namespace
