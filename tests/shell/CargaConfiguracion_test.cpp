#include "CargaConfiguracion.h"

#include "Errores.h"
#include "Fabrica.h"
#include "Mensajes.h"
#include "Servidor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

using namespace rtqx5;
namespace fs = std::filesystem;

namespace {

const std::string kCR = "\r";

class CargaConfiguracionTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(producto);
        ini = tmp.En("ReplicacionTesal.ini");
        lib = std::make_shared<libRTSA>();
        reg = std::make_shared<DelRegistro>();
        bd = std::make_shared<BasesDD>();
    }
    void TearDown() override { Fabrica::Instancia().Restablece(); }

    // Settings file pointing at the product folder, and the product data.
    void Prepara(const std::string& datos) {
        pruebas::EscribeArchivo(
            ini, "[Configuración]\nRuta de Orvalo Premium=" + producto.string() + "\n");
        pruebas::EscribeArchivo(producto / "DatosQXW.ini", datos);
    }
    bool Carga(bool conBase = true) { return CargaConfiguracion(lib, reg, bd, ini, conBase); }
    std::string Dato(const std::string& nombre) {
        return lib->LeeIni("QXW", nombre, (producto / "DatosQXW.ini").string());
    }
    std::string Ajuste(const std::string& clave) {
        return lib->LeeIni("Configuración", clave, ini);
    }

    pruebas::CarpetaTemporal tmp;
    fs::path producto = tmp.Ruta() / "orvalopremium";
    std::string ini;
    std::shared_ptr<libRTSA> lib;
    std::shared_ptr<DelRegistro> reg;
    std::shared_ptr<BasesDD> bd;
    GrabadorMensajes grabador;
    Utilerias u;
};

// Runs the test inside the temporary folder and returns to the previous one.
class CarpetaActual {
public:
    explicit CarpetaActual(const fs::path& p) : anterior_(fs::current_path()) {
        fs::current_path(p);
    }
    ~CarpetaActual() { fs::current_path(anterior_); }

private:
    fs::path anterior_;
};

} // namespace

TEST_F(CargaConfiguracionTest, CargaLosDatosDelProducto) {
    Prepara("[QXW]\nservidor=CAJA1\nMySQLServer=192.168.0.5\nMySQLPuerto=3307\n"
            "MySQLUsuario=" +
            u.Encripta("cajero") + "\nMySQLPassword=" + u.Encripta("clave ñ #1") + "\n");
    ASSERT_TRUE(Carga());
    EXPECT_EQ(bd->cRuta, "192.168.0.5");
    EXPECT_EQ(bd->cPuerto, "3307");
    EXPECT_EQ(bd->cUsuario, "cajero");
    EXPECT_EQ(bd->cPassword, "clave ñ #1");
    EXPECT_EQ(bd->cMiBase, "datos1");
    EXPECT_EQ(Ajuste("Base de datos principal"), "datos1");
    EXPECT_TRUE(grabador.cajas.empty());
}

TEST_F(CargaConfiguracionTest, PrimerArranqueSinArchivoDeConfiguracion) {
    // The default folder C:\orvalopremium, relative to the current folder on Linux.
    CarpetaActual aqui(tmp.Ruta());
    grabador.respuestas = {vbOK, vbNo};
    EXPECT_FALSE(Carga());
    EXPECT_EQ(pruebas::LeeArchivo(ini),
              "[Configuración]\nRuta de Orvalo Premium=C:\\orvalopremium\n");

    // Once the product is there, the same start succeeds and adds the main database.
    fs::create_directory("C:\\orvalopremium");
    pruebas::EscribeArchivo("C:\\orvalopremium/DatosQXW.ini", "[QXW]\nservidor=CAJA1\n");
    grabador.cajas.clear();
    EXPECT_TRUE(Carga());
    EXPECT_TRUE(grabador.cajas.empty());
    EXPECT_EQ(Ajuste("Ruta de Orvalo Premium"), "C:\\orvalopremium");
    EXPECT_EQ(Ajuste("Base de datos principal"), "datos1");
    EXPECT_EQ(bd->cRuta, "CAJA1");
    EXPECT_EQ(bd->cPuerto, "3306");
    EXPECT_EQ(bd->cUsuario, "root");
    EXPECT_EQ(bd->cPassword, "");
}

TEST_F(CargaConfiguracionTest, PuertoSinNumeroSeReescribeCon3306) {
    for (const std::string linea : {"MySQLPuerto=0", "MySQLPuerto=abc",
                                    "MySQLPuerto=", "MySQLPuerto=  ", "MySQLPuerto=0000", ""}) {
        Prepara("[QXW]\nservidor=CAJA1\n" + linea + "\n");
        ASSERT_TRUE(Carga()) << linea;
        EXPECT_EQ(Dato("MySQLPuerto"), "3306") << linea;
        EXPECT_EQ(bd->cPuerto, "3306") << linea;
    }
    Prepara("[QXW]\nMySQLPuerto=3310\n");
    ASSERT_TRUE(Carga());
    EXPECT_EQ(bd->cPuerto, "3310");
}

TEST_F(CargaConfiguracionTest, ServidorEnBlancoTomaElServidorDelProducto) {
    for (const std::string linea : {"MySQLServer=\"   \"", "MySQLServer=", ""}) {
        Prepara("[QXW]\nservidor=CAJA1\n" + linea + "\n");
        ASSERT_TRUE(Carga()) << linea;
        EXPECT_EQ(Dato("MySQLServer"), "CAJA1") << linea;
        EXPECT_EQ(bd->cRuta, "CAJA1") << linea;
    }
}

TEST_F(CargaConfiguracionTest, UsuarioYClaveFaltantesSeGuardanRevueltos) {
    Prepara("[QXW]\nservidor=CAJA1\nMySQLPassword=\n");
    ASSERT_TRUE(Carga());
    EXPECT_EQ(Dato("MySQLUsuario"), u.Encripta("root"));
    EXPECT_NE(Dato("MySQLUsuario"), "root");
    EXPECT_EQ(bd->cUsuario, "root");
    EXPECT_EQ(bd->cPassword, "");

    // The empty password is written again at every start, and stays empty.
    bd->cPassword = "otra";
    ASSERT_TRUE(Carga());
    EXPECT_EQ(Dato("MySQLPassword"), "");
    EXPECT_EQ(bd->cPassword, "");
    EXPECT_EQ(bd->cUsuario, "root");
}

TEST_F(CargaConfiguracionTest, ValoresEscritosAManoSeUsanComoEstan) {
    Prepara("[QXW]\nservidor=CAJA1\nMySQLUsuario=admin\nMySQLPassword=secreto\n");
    ASSERT_TRUE(Carga());
    EXPECT_EQ(bd->cUsuario, "admin");
    EXPECT_EQ(bd->cPassword, "secreto");
    EXPECT_EQ(Dato("MySQLUsuario"), "admin");
}

TEST_F(CargaConfiguracionTest, SinBasePrincipalNoLaLeeNiLaEscribe) {
    Prepara("[QXW]\nservidor=CAJA1\n");
    bd->cMiBase = "previa";
    ASSERT_TRUE(Carga(false));
    EXPECT_EQ(bd->cMiBase, "previa");
    EXPECT_EQ(Ajuste("Base de datos principal"), "");
}

TEST_F(CargaConfiguracionTest, CarpetaEquivocadaAvisaYOfreceEditar) {
    const std::string registro = tmp.En("abierto.txt");
    pruebas::VariableEntorno abridor("RT_ABRIDOR", pruebas::CreaAbridorGrabador(tmp, registro));
    const std::string carpeta = tmp.En("no esta aquí");
    pruebas::EscribeArchivo(ini, "[Configuración]\nRuta de Orvalo Premium=" + carpeta + "\n");
    bd->cRuta = "sin tocar";

    grabador.respuestas = {vbOK, vbYes};
    EXPECT_FALSE(Carga());
    ASSERT_EQ(grabador.cajas.size(), 2u);
    EXPECT_EQ(grabador.cajas[0].texto,
              "En el archivo de configuración de este programa" + kCR + kCR + "(" + ini + ")" +
                  kCR + kCR + "debe indicarse la ruta correcta de Orvalo Premium." + kCR +
                  "Ruta indicada e incorrecta: " + kCR + kCR + carpeta);
    EXPECT_EQ(grabador.cajas[0].estilo, vbCritical);
    EXPECT_EQ(grabador.cajas[0].titulo, "Atención");
    EXPECT_EQ(grabador.cajas[1].texto, "¿Desea editar el archivo de configuración?");
    EXPECT_EQ(grabador.cajas[1].estilo, vbYesNo | vbQuestion);
    EXPECT_EQ(grabador.cajas[1].titulo, "Editar INI");
    ASSERT_TRUE(pruebas::EsperaArchivo(registro, 10000));
    EXPECT_EQ(pruebas::LeeArchivo(registro), ini + "\n");
    EXPECT_EQ(bd->cRuta, "sin tocar");
    EXPECT_EQ(Ajuste("Base de datos principal"), "");

    fs::remove(registro);
    grabador.cajas.clear();
    grabador.respuestas = {vbOK, vbNo};
    EXPECT_FALSE(Carga());
    EXPECT_EQ(grabador.cajas.size(), 2u);
    EXPECT_FALSE(pruebas::EsperaArchivo(registro, 500));
}

TEST_F(CargaConfiguracionTest, ObjetoPrivadoQueNoSeCreaFallaConError) {
    Prepara("[QXW]\nservidor=CAJA1\n");
    Fabrica::Instancia().HazFallar("rtqx5.Utilerias", 429,
                                   "El componente ActiveX no puede crear el objeto");
    try {
        Carga();
        FAIL() << "sin error";
    } catch (const ErrorRT& e) {
        EXPECT_EQ(e.Numero(), 91);
    }
    ASSERT_GE(grabador.cajas.size(), 1u);
    EXPECT_EQ(grabador.cajas[0].titulo, "Alerta");
    EXPECT_NE(grabador.cajas[0].texto.find("\"rtqx5.Utilerias\""), std::string::npos);
}
