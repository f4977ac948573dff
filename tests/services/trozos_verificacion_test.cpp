// Las consultas de "Verificar datos" por trozos contra el servidor de pruebas:
// el recorrido por la llave cubre cada fila una sola vez con llaves de valores
// hostiles, y filas distintas nunca dan el mismo texto.
#include "Componentes.h"
#include "Servidor.h"
#include "TextosVerificacion.h"
#include "Versiones.h"

#include <gtest/gtest.h>

namespace {

class TrozosVerificacionServidor : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        const auto s = pruebas::LeeServidor(error);
        ASSERT_TRUE(s) << "Falta el servidor de pruebas: " << error;
        rtqx5::BasesDD bd;
        bd.cRuta = s->host;
        bd.cPuerto = s->puerto;
        bd.cUsuario = s->usuario;
        bd.cPassword = s->password;
        ASSERT_TRUE(bd.ConectarAservidor(c)) << bd.cErrorConexion;
        for (const auto& sentencia : pasos::SentenciasSesionVerificacion(
                 pasos::LeeVersion(c.Execute("SELECT VERSION()").at(0))))
            c.Execute(sentencia);
        // Una base por prueba: CTest las corre a la vez en el mismo servidor.
        base = std::string("rt_") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        c.Execute("DROP DATABASE IF EXISTS " + base);
        c.Execute("CREATE DATABASE " + base);
    }
    void TearDown() override {
        if (c.Abierta())
            c.Execute("DROP DATABASE IF EXISTS " + base);
    }

    std::optional<pasos::LlaveTabla> Llave(const std::string& tabla) {
        const auto columnas =
            pasos::LeeColumnas(c.Consulta(pasos::ConsultaColumnas(base, tabla)).filas);
        const auto indices = c.Consulta(pasos::ConsultaIndices(base, tabla));
        return pasos::EligeLlave(columnas, indices.columnas, indices.filas);
    }

    rtqx5::Conexion c;
    std::string base;
};

// Cada tipo de llave, con valores que rompen un literal mal hecho o un orden
// mal entendido, recorrida de 1, 2 y 3 filas por trozo: cada fila cae en un
// solo trozo (las filas suman el total y las sumas de los trozos, la de la
// tabla entera).
TEST_F(TrozosVerificacionServidor, ElRecorridoCubreCadaFilaUnaVez) {
    // Definición, columnas de los valores, valores, la llave que se elige.
    const struct {
        const char* definicion;
        const char* columnas;
        const char* valores;
        const char* llave;
    } casos[] = {
        {"k VARCHAR(20) CHARACTER SET latin1 PRIMARY KEY", "k",
         "('a''b'), ('a\\\\b'), ('#'), (''), ('ñandú'), ('Ñu'), ('z'), (' a'), ('A b'), ('_%'), "
         "('B'), ('c')",
         "k"},
        {"k VARCHAR(20) CHARACTER SET utf8mb4 COLLATE utf8mb4_bin PRIMARY KEY", "k",
         "(CONVERT(X'F09F9880' USING utf8mb4)), (CONVERT(X'F09F9881' USING utf8mb4)), ('ü'), "
         "('u'), ('U'), ('?'), ('x''y')",
         "k"},
        {"a INT NOT NULL, b VARCHAR(10) NOT NULL, PRIMARY KEY (a, b)", "a, b",
         "(1, 'x'), (1, 'y'), (1, 'z'), (2, ''), (2, 'a'), (-5, 'q'), (3, 'z')", "(a, b)"},
        {"k BIGINT UNSIGNED PRIMARY KEY", "k",
         "(0), (1), (9007199254740993), (18446744073709551615), (18446744073709551614)", "k"},
        {"k DECIMAL(10,2) PRIMARY KEY", "k", "(-1.50), (-1.49), (0.00), (12.25), (99999999.99)",
         "k"},
        {"k DATETIME PRIMARY KEY", "k",
         "('2024-01-01 00:00:00'), ('2024-01-01 00:00:01'), ('1999-12-31 23:59:59'), "
         "('2038-01-19 03:14:08')",
         "k"},
        {"k TIMESTAMP NOT NULL PRIMARY KEY", "k",
         "('2024-03-10 02:30:00'), ('2024-11-03 01:30:00'), ('2024-11-03 02:30:00')", "k"},
        {"k VARBINARY(8) PRIMARY KEY", "k",
         "(X'00'), (X'FF'), (X'27'), (X''), (X'5C00'), (X'0000')", "k"},
        {"k BIT(8) PRIMARY KEY", "k", "(b'0'), (b'1'), (b'11111111'), (b'10000000')", "k"},
        // Sin llave primaria: la única sin NULL; la que admite NULL no sirve.
        {"n INT NULL UNIQUE, u CHAR(3) NOT NULL UNIQUE", "n, u",
         "(NULL, 'b'), (NULL, 'a'), (1, 'c'), (2, 'd')", "u"},
    };
    int numero = 0;
    for (const auto& caso : casos) {
        const std::string tabla = "t" + std::to_string(++numero);
        SCOPED_TRACE(caso.definicion);
        c.Execute("CREATE TABLE " + base + "." + tabla + " (" + caso.definicion +
                  ", relleno VARCHAR(5) NULL)");
        c.Execute("INSERT INTO " + base + "." + tabla + " (" + caso.columnas + ") VALUES " +
                  caso.valores);
        const auto llave = Llave(tabla);
        ASSERT_TRUE(llave);
        EXPECT_EQ(pasos::DescribeLlave(*llave), caso.llave);
        const auto columnas =
            pasos::LeeColumnas(c.Consulta(pasos::ConsultaColumnas(base, tabla)).filas);
        const auto entera =
            c.Consulta(pasos::ConsultaSuma(base, tabla, columnas, &*llave, {})).filas.at(0);
        for (unsigned long long filas : {1ull, 2ull, 3ull}) {
            unsigned long long cuenta = 0, suma = 0, trozos = 0;
            pasos::Trozo trozo;
            for (;;) {
                trozo.hasta.reset();
                const auto limite =
                    c.Consulta(pasos::ConsultaLlave(base, tabla, *llave, trozo, filas - 1));
                if (!limite.filas.empty()) {
                    trozo.hasta = pasos::LeeValorLlave(*llave, limite.filas.front());
                    ASSERT_TRUE(trozo.hasta);
                }
                const auto f =
                    c.Consulta(pasos::ConsultaSuma(base, tabla, columnas, &*llave, trozo))
                        .filas.at(0);
                cuenta += std::stoull(f.at(0));
                suma ^= std::stoull(f.at(1));
                ASSERT_LT(++trozos, 20u) << "el recorrido no avanza";
                if (!trozo.hasta)
                    break;
                trozo.desde = trozo.hasta;
            }
            EXPECT_EQ(cuenta, std::stoull(entera.at(0))) << filas << " filas por trozo";
            EXPECT_EQ(suma, std::stoull(entera.at(1))) << filas << " filas por trozo";
        }
    }

    // Llaves que el recorrido no toma: solo una única con NULL, un ENUM.
    c.Execute("CREATE TABLE " + base + ".sin1 (n INT NULL UNIQUE, v INT)");
    c.Execute("CREATE TABLE " + base + ".sin2 (e ENUM('b','a') PRIMARY KEY)");
    c.Execute("CREATE TABLE " + base + ".sin3 (v INT)");
    for (const char* t : {"sin1", "sin2", "sin3"})
        EXPECT_FALSE(Llave(t)) << t;
}

// Dos filas que difieren solo en dónde está un NULL, un separador o el orden
// de sus valores dan sumas distintas; la misma fila repetida no se anula.
TEST_F(TrozosVerificacionServidor, FilasDistintasNuncaSumanIgual) {
    c.Execute("CREATE TABLE " + base +
              ".f (a VARCHAR(10) NULL, b VARCHAR(10) NULL, n INT NULL, "
              "d DATE NULL)");
    const auto columnas = pasos::LeeColumnas(c.Consulta(pasos::ConsultaColumnas(base, "f")).filas);
    const auto suma = [&](const std::string& filas) {
        c.Execute("DELETE FROM " + base + ".f");
        if (!filas.empty())
            c.Execute("INSERT INTO " + base + ".f VALUES " + filas);
        const auto f =
            c.Consulta(pasos::ConsultaSuma(base, "f", columnas, nullptr, {})).filas.at(0);
        return f.at(0) + "/" + f.at(1);
    };
    const std::pair<const char*, const char*> pares[] = {
        {"(NULL, '', 1, NULL)", "('', NULL, 1, NULL)"},
        {"('a#', 'b', 1, NULL)", "('a', '#b', 1, NULL)"},
        {"('a', 'b', 1, NULL)", "('b', 'a', 1, NULL)"},
        {"('1', '', NULL, NULL)", "('', '1', NULL, NULL)"},
        {"('x', 'y', NULL, NULL)", "('x', 'y', 0, NULL)"},
        {"('x', 'y', 1, '2024-01-02')", "('x', 'y', 1, NULL)"},
        {"('x', 'y', 1, NULL), ('x', 'y', 1, NULL)", "('z', 'z', 2, NULL), ('z', 'z', 2, NULL)"},
    };
    for (const auto& [uno, otro] : pares)
        EXPECT_NE(suma(uno), suma(otro)) << uno << " frente a " << otro;
}

} // namespace
