#include "Componentes.h"
#include "Errores.h"
#include "Servidor.h"
#include "Valores.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>
#include <vector>

using namespace rtqx5;

namespace {

// A loopback port that nobody listens on (bound, read and released).
std::string PuertoCerrado() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t largo = sizeof a;
    if (s < 0 || ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &largo) != 0)
        return "1";
    const int puerto = ntohs(a.sin_port);
    ::close(s);
    return std::to_string(puerto);
}

class BasesDDServidor : public ::testing::Test {
protected:
    // Properties of the fixture's server, as CargaConfiguracion would load them.
    bool Prepara() {
        std::string error;
        const auto s = pruebas::LeeServidor(error);
        if (!s) {
            ADD_FAILURE() << "Falta el servidor de pruebas: " << error;
            return false;
        }
        bd.cRuta = s->host;
        bd.cPuerto = s->puerto;
        bd.cUsuario = s->usuario;
        bd.cPassword = s->password;
        bd.cMiBase = "datos1";
        return true;
    }
    BasesDD bd;
    Conexion cn;
};

using Reloj = std::chrono::steady_clock;

} // namespace

TEST_F(BasesDDServidor, ConectaYListaLasBases) {
    ASSERT_TRUE(Prepara());
    ASSERT_TRUE(bd.ConectarAservidor(cn));
    EXPECT_TRUE(cn.Abierta());
    const auto bases = cn.Execute("SHOW DATABASES");
    EXPECT_NE(std::find(bases.begin(), bases.end(), "mysql"), bases.end());
    EXPECT_NE(std::find(bases.begin(), bases.end(), "information_schema"), bases.end());
    // The main database is not selected on connect, even when it does not exist.
    EXPECT_EQ(cn.Execute("SELECT DATABASE()"), std::vector<std::string>{""});
}

TEST_F(BasesDDServidor, ExecuteDaLaPrimeraColumnaDeCadaFila) {
    ASSERT_TRUE(Prepara());
    ASSERT_TRUE(bd.ConectarAservidor(cn));
    EXPECT_EQ(cn.Execute("SELECT 'a', 'b' UNION ALL SELECT NULL, 'c' UNION ALL SELECT 'ñandú', 1"),
              (std::vector<std::string>{"a", "", "ñandú"}));
    EXPECT_EQ(cn.Execute("SELECT 'x' FROM DUAL WHERE 1 = 0"), std::vector<std::string>{});
    EXPECT_EQ(cn.Execute("SET @rt_prueba = 1"), std::vector<std::string>{});
    EXPECT_EQ(cn.Execute("SELECT @rt_prueba"), std::vector<std::string>{"1"});
    EXPECT_EQ(cn.Execute("SELECT CONCAT('a', CHAR(0), 'b')")[0], std::string("a\0b", 3));
}

TEST_F(BasesDDServidor, SentenciaRechazadaLlevaElNumeroYElMensajeDelServidor) {
    ASSERT_TRUE(Prepara());
    ASSERT_TRUE(bd.ConectarAservidor(cn));
    try {
        cn.Execute("USE rt_base_que_no_existe");
        FAIL() << "sin error";
    } catch (const ErrorRT& e) {
        EXPECT_EQ(e.Numero(), -2147467259);
        EXPECT_EQ(e.Descripcion(), "Unknown database 'rt_base_que_no_existe'");
    }
    EXPECT_THROW(cn.Execute("SELEC 1"), ErrorRT);
    // Two statements in one text are refused, not run one after the other.
    EXPECT_THROW(cn.Execute("SELECT 1; SELECT 2"), ErrorRT);
    // The connection stays usable.
    EXPECT_EQ(cn.Execute("SELECT 2"), std::vector<std::string>{"2"});
}

TEST_F(BasesDDServidor, LocalhostUsaTcpYElPuerto) {
    ASSERT_TRUE(Prepara());
    bd.cRuta = "localhost";
    ASSERT_TRUE(bd.ConectarAservidor(cn));
    EXPECT_EQ(cn.Execute("SELECT @@port"), std::vector<std::string>{bd.cPuerto});
}

TEST_F(BasesDDServidor, ClaveEquivocadaDaFalse) {
    ASSERT_TRUE(Prepara());
    bd.cPassword = "no-es-la-clave";
    EXPECT_FALSE(bd.ConectarAservidor(cn));
    EXPECT_FALSE(cn.Abierta());
    bd.cPassword = "";
    bd.cUsuario = "rt_usuario_inexistente";
    EXPECT_FALSE(bd.ConectarAservidor(cn));
}

TEST_F(BasesDDServidor, PuertoCerradoDaFalsePronto) {
    ASSERT_TRUE(Prepara());
    bd.cPuerto = PuertoCerrado();
    const auto inicio = Reloj::now();
    EXPECT_FALSE(bd.ConectarAservidor(cn));
    EXPECT_LT(Reloj::now() - inicio, std::chrono::seconds(11));
    EXPECT_FALSE(cn.Abierta());
}

TEST_F(BasesDDServidor, PuertoVacioONoNumericoDaFalseSinConectar) {
    ASSERT_TRUE(Prepara());
    for (const std::string puerto : {"", "   ", "abc", "33o6", "3306x", "0", "-1", "65536",
                                     "99999999999999999999", "+3306", "3306.0"}) {
        bd.cPuerto = puerto;
        EXPECT_FALSE(bd.ConectarAservidor(cn)) << "'" << puerto << "'";
        EXPECT_FALSE(cn.Abierta());
    }
}

TEST_F(BasesDDServidor, CierraBdDSeguroEnCualquierEstado) {
    ASSERT_TRUE(Prepara());
    Conexion nunca;
    bd.CierraBdD(nunca);
    EXPECT_FALSE(nunca.Abierta());
    ASSERT_TRUE(bd.ConectarAservidor(cn));
    bd.CierraBdD(cn);
    EXPECT_FALSE(cn.Abierta());
    bd.CierraBdD(cn);
    try {
        cn.Execute("SELECT 1");
        FAIL() << "sin error";
    } catch (const ErrorRT& e) {
        EXPECT_EQ(e.Numero(), 3704);
    }
    // A closed connection opens again.
    ASSERT_TRUE(bd.ConectarAservidor(cn));
    EXPECT_EQ(cn.Execute("SELECT 1"), std::vector<std::string>{"1"});
}

TEST_F(BasesDDServidor, ConectarDeNuevoConDatosMalosCierraLaAnterior) {
    ASSERT_TRUE(Prepara());
    ASSERT_TRUE(bd.ConectarAservidor(cn));
    bd.cPuerto = "";
    EXPECT_FALSE(bd.ConectarAservidor(cn));
    EXPECT_FALSE(cn.Abierta());
}

// What decides four-byte characters, for the servers this machine cannot run:
// MySQL 5.1 gets no utf8mb4 connection, and a value with an emoji is refused
// wherever the connection or the server's own character set is three-byte
// (MariaDB and MySQL 8 keep accounts in utf8mb3; see HostilesServidor).
TEST(BasesDD, Utf8mb4SegunLaVersionYLoQueElServidorGuarda) {
    for (const auto& [version, admite] :
         std::vector<std::pair<unsigned long, bool>>{{50173, false},
                                                     {50502, false},
                                                     {50503, true},
                                                     {50505, true},
                                                     {80036, true},
                                                     {101106, true}})
        EXPECT_EQ(BasesDD::AdmiteUtf8mb4(version), admite) << version;
    const std::string emoji = "caja\xF0\x9F\x98\x80";
    EXPECT_FALSE(pasos::GuardaCuatroBytes("utf8", "utf8"));
    EXPECT_FALSE(pasos::GuardaCuatroBytes("utf8mb4", "utf8mb3"));
    EXPECT_TRUE(pasos::GuardaCuatroBytes("utf8mb4", "utf8mb4"));
    EXPECT_NE(pasos::RevisaCuatroBytes(emoji, false).find("«\xF0\x9F\x98\x80»"), std::string::npos);
    EXPECT_EQ(pasos::RevisaCuatroBytes(emoji, false, false).find("\xF0"), std::string::npos)
        << "una contraseña no se muestra";
    EXPECT_EQ(pasos::RevisaCuatroBytes(emoji, true), "");
    EXPECT_EQ(pasos::RevisaCuatroBytes("ñandú €", false), "") << "el plano básico cabe en utf8";
}
