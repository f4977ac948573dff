#pragma once

// La prueba de los valores hostiles (ValoresHostiles.h) sobre los armadores,
// y los armadores de líneas de órdenes, compartidos por la prueba de Linux
// (el separador de LineaComandos) y la de Windows (CommandLineToArgvW).
// Solo cabecera.
#include "CopiaDatos.h"
#include "Errores.h"
#include "PasosInstancia.h"
#include "Rutas.h"
#include "TextosProcedimiento.h"
#include "ValoresHostiles.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace pruebas {

// Un armador: `rechaza` dice si debe rechazar el valor (un ErrorRT cuyo
// mensaje lleva alguno de `dice`); si no, `llega` arma y comprueba que el valor
// llegó intacto. `llega` lanza el ErrorRT del armador o del servidor.
struct Sumidero {
    const char* nombre;
    std::function<bool(const std::string&)> rechaza;
    std::vector<std::string> dice;
    std::function<void(const std::string&)> llega;
};

inline void Prueba(const std::vector<Sumidero>& sumideros) {
    for (const auto& [nombre, v] : pruebas::ValoresHostiles()) {
        for (const Sumidero& s : sumideros) {
            SCOPED_TRACE(std::string(s.nombre) + " con " + nombre);
            try {
                s.llega(v);
                EXPECT_FALSE(s.rechaza(v)) << "debía rechazarse";
            } catch (const rtqx5::ErrorRT& e) {
                EXPECT_TRUE(s.rechaza(v)) << "rechazo de más: " << e.Descripcion();
                bool dice = false;
                for (const std::string& d : s.dice)
                    dice = dice || e.Descripcion().find(d) != std::string::npos;
                EXPECT_TRUE(dice) << e.Descripcion();
            }
        }
    }
}

inline bool Suelto(const std::string& v) {
    return v.empty() || v[0] == '-' || v[0] == '/' || TieneNulo(v);
}

// Cada argumento de cada línea de órdenes, separada por `divide`, con la
// carpeta de MySQL `mysql` (terminada en su separador).
inline std::vector<Sumidero>
SumiderosLineaOrdenes(std::function<std::vector<std::string>(const std::string&)> divide,
                      const std::string& mysql) {
    using Args = std::vector<std::string>;
    const std::string sep(1, rtqx5::SeparadorRuta());
    const std::string clave = pasos::ArgumentoLinea("--defaults-extra-file=/tmp/rt clave");
    return {
        {"ArgumentoLinea",
         TieneNulo,
         {"carácter nulo"},
         [=](const std::string& v) {
             EXPECT_EQ(divide("p " + pasos::ArgumentoLinea(v)), (Args{"p", v}));
             EXPECT_EQ(divide("p --x=" + pasos::ArgumentoLinea(v, true) + " fin"),
                       (Args{"p", "--x=" + v, "fin"}));
         }},
        {"ComandoNet",
         Suelto,
         {"El nombre del servicio"},
         [=](const std::string& v) {
             EXPECT_EQ(divide(pasos::ComandoNet("start", v)), (Args{"net", "start", v}));
         }},
        {"ComandoInstalaServicio",
         Suelto,
         {"El nombre del servicio", "carácter nulo"},
         [=](const std::string& v) {
             EXPECT_EQ(
                 divide(pasos::ComandoInstalaServicio(mysql, v, v)),
                 (Args{mysql + "bin" + sep + "mysqld", "--install", v, "--defaults-file=" + v}));
             EXPECT_EQ(divide(pasos::ComandoQuitaServicio(mysql, v)),
                       (Args{mysql + "bin" + sep + "mysqld", "--remove", v}));
         }},
        {"ProgramaMySQL",
         [=](const std::string& v) { return TieneNulo(v) || v.find('"') != std::string::npos; },
         {"comilla doble", "carácter nulo"},
         [=](const std::string& v) {
             EXPECT_EQ(divide(pasos::ComandoVersionServidor(v + sep)),
                       (Args{v + sep + "bin" + sep + "mysqld", "--version"}));
             EXPECT_EQ(divide(pasos::ComandoValidaOpciones(v + sep, v)),
                       (Args{v + sep + "bin" + sep + "mysqld", "--defaults-file=" + v, "--verbose",
                             "--help"}));
         }},
        {"ComandoActualizaSistema",
         TieneNulo,
         {"carácter nulo"},
         [=](const std::string& v) {
             EXPECT_EQ(divide(pasos::ComandoActualizaSistema(mysql, clave, v, 3306)),
                       (Args{mysql + "bin" + sep + "mysql_upgrade",
                             "--defaults-extra-file=/tmp/rt clave", "--host=127.0.0.1",
                             "--port=3306", "--protocol=tcp", "--user=" + v, "--force"}));
         }},
        {"ComandoVuelcaDatosYCargaDatos",
         Suelto,
         {"La base de datos", "carácter nulo"},
         [=](const std::string& v) {
             const pasos::DatosCopia d{mysql, clave, v, v, v, v};
             const Args conexion = {"--defaults-extra-file=/tmp/rt clave",
                                    "--host=" + v,
                                    "--port=" + v,
                                    "--protocol=tcp",
                                    "--user=" + v,
                                    "--default-character-set=" + v};
             Args carga = conexion;
             carga.insert(carga.begin(), mysql + "bin" + sep + "mysql");
             carga[2] = "--host=127.0.0.1";
             EXPECT_EQ(divide(pasos::ComandoCargaDatos(d)), carga);
             Args volcado = conexion;
             volcado.insert(volcado.begin(), mysql + "bin" + sep + "mysqldump");
             for (const char* a :
                  {"--lock-all-tables", "--master-data=2", "--routines", "--triggers", "--verbose"})
                 volcado.push_back(a);
             volcado.insert(volcado.end(), {"--result-file=" + v, "--databases", v});
             EXPECT_EQ(divide(pasos::ComandoVuelcaDatos(d, {v}, v, pasos::ModoVolcado{})), volcado);
         }},
    };
}

} // namespace pruebas
