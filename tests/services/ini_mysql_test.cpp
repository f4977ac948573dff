// What a MySQL server reads from files written by EscribeIni: my_print_defaults
// is the server's own option-file parser.
#include "Componentes.h"
#include "Errores.h"
#include "OpcionMySQL.h"
#include "Servidor.h"

#include <array>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

// The options my_print_defaults prints for [mysqld] (one "--name=value" each).
std::string OpcionesMySQL(const std::string& archivo) {
    const std::string orden = "my_print_defaults --defaults-file='" + archivo + "' mysqld";
    FILE* p = popen(orden.c_str(), "r");
    if (!p)
        return "<popen falló>";
    std::string salida;
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0)
        salida.append(buf.data(), n);
    const int rc = pclose(p);
    return rc == 0 ? salida : "<salida " + std::to_string(rc) + ">" + salida;
}

struct CasoOpcion {
    const char* nombre;
    std::string valor;   // what the server must read
    std::string escrito; // what ValorOpcionMySQL gives
};

void PrintTo(const CasoOpcion& c, std::ostream* os) {
    *os << c.nombre;
}

class OpcionMySQL : public ::testing::TestWithParam<CasoOpcion> {};

TEST_P(OpcionMySQL, ElServidorLeeElValorTalCual) {
    const CasoOpcion& c = GetParam();
    const std::string escrito = rtqx5::ValorOpcionMySQL(c.valor);
    EXPECT_EQ(escrito, c.escrito);

    pruebas::CarpetaTemporal dir;
    const std::string archivo = dir.En("my.cnf");
    pruebas::EscribeArchivo(archivo, "[client]\nport=3306\n[mysqld]\nport=3306\n");
    rtqx5::libRTSA lib;
    lib.EscribeIni("mysqld", "password", escrito, archivo);
    EXPECT_EQ(OpcionesMySQL(archivo), "--port=3306\n--password=" + c.valor + "\n");
    // The profile-function reader agrees with the server.
    EXPECT_EQ(lib.LeeIni("mysqld", "password", archivo), c.valor);
}

INSTANTIATE_TEST_SUITE_P(Tabla, OpcionMySQL,
                         ::testing::Values(CasoOpcion{"simple", "secreto", "secreto"},
                                           CasoOpcion{"vacio", "", ""},
                                           CasoOpcion{"punto_y_coma", "a;b", "a;b"},
                                           CasoOpcion{"blanco_interior", "a b", "a b"},
                                           CasoOpcion{"comilla_interior", "a\"b'c", "a\"b'c"},
                                           CasoOpcion{"comilla_inicial", "\"ab", "\"ab"},
                                           CasoOpcion{"almohadilla", "ab#cd", "\"ab#cd\""},
                                           CasoOpcion{"almohadilla_inicial", "#x", "\"#x\""},
                                           CasoOpcion{"almohadilla_y_doble", "a\"#b", "'a\"#b'"},
                                           CasoOpcion{"almohadilla_y_simple", "a'#b", "\"a'#b\""},
                                           CasoOpcion{"blancos_extremos", " x ", "\" x \""},
                                           CasoOpcion{"tabulador_final", "x\t", "\"x\t\""},
                                           CasoOpcion{"entre_dobles", "\"x\"", "'\"x\"'"},
                                           CasoOpcion{"entre_simples", "'x'", "\"'x'\""},
                                           CasoOpcion{"ruta", "C:/MySQL/data/", "C:/MySQL/data/"},
                                           CasoOpcion{"a_final", "clavà", "\"clavà\""},
                                           CasoOpcion{"nbsp_inicial", "\xC2\xA0x", "\"\xC2\xA0x\""},
                                           CasoOpcion{"acentos", "contraseña", "contraseña"}),
                         [](const auto& info) { return std::string(info.param.nombre); });

TEST(OpcionMySQL, RechazaLoQueElServidorNoLeeTalCual) {
    for (const std::string& v :
         {std::string("C:\\MySQL\\data"), std::string("a\\"), std::string("a\"'#"),
          std::string(" \"'"), std::string("a\nb"), std::string("a\rb"), std::string("a\0b", 3)}) {
        try {
            rtqx5::ValorOpcionMySQL(v);
            ADD_FAILURE() << "aceptó " << v;
        } catch (const rtqx5::ErrorRT& e) {
            EXPECT_EQ(e.Numero(), rtqx5::kErrorArgumento);
            EXPECT_FALSE(e.Descripcion().empty());
        }
    }
}

// The keys of the master and slave procedures, written into a real option file
// with comments, another group and a repeated key: the server reads exactly them.
TEST(OpcionMySQL, ClavesDeReplicacionEnUnArchivoReal) {
    pruebas::CarpetaTemporal dir;
    const std::string archivo = dir.En("my.ini");
    pruebas::EscribeArchivo(archivo, "# MySQL Server Instance Configuration File\r\n"
                                     "[client]\r\nport=3306\r\n\r\n"
                                     "[mysqld]\r\n# The TCP/IP Port\r\nport=3306\r\n"
                                     "basedir=\"C:/MySQL/\"\r\nserver-id=1\r\nserver-id=5\r\n"
                                     "log-bin\r\n\r\n[mysqldump]\r\nquick\r\n");
    rtqx5::libRTSA lib;
    lib.EscribeIni("mysqld", "log-bin", "maestro-bin", archivo);
    lib.EscribeIni("mysqld", "server-id", "2", archivo);
    lib.EscribeIni("mysqld", "replicate-do-db", "datos1", archivo);
    lib.EscribeIni("mysqld", "binlog-do-db", "datos1", archivo);
    lib.EscribeIni("mysqld", "expire_logs_days", "7", archivo);
    lib.EscribeIni("mysqld", "master-password", rtqx5::ValorOpcionMySQL("p#ss word"), archivo);
    EXPECT_EQ(OpcionesMySQL(archivo), "--port=3306\n--basedir=C:/MySQL/\n--server-id=2\n"
                                      "--server-id=2\n--log-bin=maestro-bin\n"
                                      "--replicate-do-db=datos1\n--binlog-do-db=datos1\n"
                                      "--expire_logs_days=7\n--master-password=p#ss word\n");
}

} // namespace
