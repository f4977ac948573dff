#include "Componentes.h"
#include "Errores.h"
#include "Servidor.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace rtqx5;
namespace fs = std::filesystem;

namespace {

class RegistroTest : public ::testing::Test {
protected:
    void SetUp() override {
        pruebas::EscribeArchivo(tmp.Ruta() / "registro.ini",
                                "[HKEY_LOCAL_MACHINE\\Software\\MySQL AB\\MySQL Server 5.1]\n"
                                "Location=/opt/mysql 5.1/\n"
                                "Version=5.1.73\n"
                                "[HKEY_CURRENT_USER\\Software\\Orvalo]\n"
                                "Location=usuario\n"
                                "@=valor por omisión\n"
                                "[HKEY_CLASSES_ROOT\\rtqx5.libRTSA]\n"
                                "Location=clases\n"
                                "[HKEY_USERS\\.DEFAULT\\Software]\n"
                                "Location=usuarios\n");
    }
    pruebas::CarpetaTemporal tmp;
    pruebas::VariableEntorno registro{"RT_REGISTRO", tmp.En("registro.ini")};
    DelRegistro reg;
};

} // namespace

TEST_F(RegistroTest, LeerCadenaPorRaizClaveYValor) {
    struct Caso {
        std::uint32_t raiz;
        std::string clave, valor, esperado;
    };
    const Caso casos[] = {
        {HKEY_LOCAL_MACHINE_, "Software\\MySQL AB\\MySQL Server 5.1", "Location",
         "/opt/mysql 5.1/"},
        {HKEY_LOCAL_MACHINE_, "SOFTWARE\\mysql ab\\MYSQL SERVER 5.1", "location",
         "/opt/mysql 5.1/"},
        {HKEY_LOCAL_MACHINE_, "\\Software\\MySQL AB\\MySQL Server 5.1\\", "Version", "5.1.73"},
        {HKEY_LOCAL_MACHINE_, "Software\\MySQL AB\\MySQL Server 5.1", "Falta", ""},
        {HKEY_LOCAL_MACHINE_, "Software\\MySQL AB\\MySQL Server 5.5", "Location", ""},
        {HKEY_CURRENT_USER_, "Software\\MySQL AB\\MySQL Server 5.1", "Location", ""},
        {HKEY_CURRENT_USER_, "Software\\Orvalo", "Location", "usuario"},
        {HKEY_CURRENT_USER_, "Software\\Orvalo", "", "valor por omisión"},
        {HKEY_CLASSES_ROOT_, "rtqx5.libRTSA", "Location", "clases"},
        {HKEY_USERS_, ".DEFAULT\\Software", "Location", "usuarios"},
        {0x80000005u, "Software\\Orvalo", "Location", ""},
    };
    for (const auto& c : casos)
        EXPECT_EQ(reg.LeerCadena(c.clave, c.valor, c.raiz), c.esperado)
            << std::hex << c.raiz << " " << c.clave << " " << c.valor;
}

TEST_F(RegistroTest, SinArchivoDeRegistroTodoFalta) {
    pruebas::VariableEntorno otro("RT_REGISTRO", tmp.En("no-existe.ini"));
    EXPECT_EQ(
        reg.LeerCadena("Software\\MySQL AB\\MySQL Server 5.1", "Location", HKEY_LOCAL_MACHINE_),
        "");
}

namespace {

class DatosProductoTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(producto);
        pruebas::EscribeArchivo(producto / "DatosQXW.ini", "; datos de Orvalo Premium\n"
                                                           "[QXW]\n"
                                                           "servidor=CAJA1\n"
                                                           "MySQLPuerto=3307\n");
        fs::create_directory(tmp.Ruta() / "vacia");
    }
    pruebas::CarpetaTemporal tmp;
    fs::path producto = tmp.Ruta() / "orvalo premium";
    DelRegistro reg;
};

} // namespace

TEST_F(DatosProductoTest, AntesDeBuscarNoHayDatosNiSePuedenGuardar) {
    EXPECT_EQ(reg.DatosQXW("servidor"), "");
    EXPECT_THROW(reg.GuardaDatosQXW("MySQLServer", "x"), ErrorRT);
}

TEST_F(DatosProductoTest, BuscarDevuelveElArchivoDeDatosYLoRecuerda) {
    std::string carpeta = producto.string();
    const std::string archivo = reg.BuscarRegistroQXW(carpeta);
    EXPECT_EQ(archivo, (producto / "DatosQXW.ini").string());
    EXPECT_EQ(carpeta, producto.string());
    EXPECT_EQ(reg.DatosQXW("servidor"), "CAJA1");
    EXPECT_EQ(reg.DatosQXW("MYSQLPUERTO"), "3307");
    EXPECT_EQ(reg.DatosQXW("MySQLUsuario"), "");
}

TEST_F(DatosProductoTest, LaCarpetaQuedaNormalizada) {
    std::string carpeta = "  " + producto.string() + "//  ";
    EXPECT_EQ(reg.BuscarRegistroQXW(carpeta), (producto / "DatosQXW.ini").string());
    EXPECT_EQ(carpeta, producto.string());
}

TEST_F(DatosProductoTest, CarpetaSinDatosDaVacioYOlvidaLaAnterior) {
    std::string buena = producto.string();
    ASSERT_FALSE(reg.BuscarRegistroQXW(buena).empty());
    for (std::string mala : {tmp.En("vacia"), tmp.En("no existe"), std::string("C:\\orvalopremium"),
                             std::string(""), std::string("   ")}) {
        EXPECT_EQ(reg.BuscarRegistroQXW(mala), "") << mala;
        EXPECT_EQ(reg.DatosQXW("servidor"), "") << mala;
        EXPECT_THROW(reg.GuardaDatosQXW("servidor", "x"), ErrorRT) << mala;
    }
    // A folder that happens to carry the data file's name is no data file.
    fs::create_directories(tmp.Ruta() / "falsa" / "DatosQXW.ini");
    std::string falsa = tmp.En("falsa");
    EXPECT_EQ(reg.BuscarRegistroQXW(falsa), "");
}

TEST_F(DatosProductoTest, GuardaYLeeSiempreDelArchivo) {
    std::string carpeta = producto.string();
    ASSERT_FALSE(reg.BuscarRegistroQXW(carpeta).empty());
    reg.GuardaDatosQXW("MySQLServer", "192.168.1.10");
    reg.GuardaDatosQXW("mysqlpuerto", "3306");
    EXPECT_EQ(reg.DatosQXW("MySQLServer"), "192.168.1.10");
    EXPECT_EQ(reg.DatosQXW("MySQLPuerto"), "3306");
    EXPECT_EQ(pruebas::LeeArchivo(producto / "DatosQXW.ini"), "; datos de Orvalo Premium\n"
                                                              "[QXW]\n"
                                                              "servidor=CAJA1\n"
                                                              "MySQLPuerto=3306\n"
                                                              "MySQLServer=192.168.1.10\n");
    // Another program changes the data: the next read sees it.
    pruebas::EscribeArchivo(producto / "DatosQXW.ini", "[QXW]\nservidor=CAJA2\n");
    EXPECT_EQ(reg.DatosQXW("servidor"), "CAJA2");
    EXPECT_EQ(reg.DatosQXW("MySQLServer"), "");
}
