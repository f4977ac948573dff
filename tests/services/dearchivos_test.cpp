#include "Componentes.h"
#include "Errores.h"
#include "Servidor.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

using namespace rtqx5;
namespace fs = std::filesystem;

namespace {

class DeArchivosTest : public ::testing::Test {
protected:
    void SetUp() override {
        pruebas::EscribeArchivo(tmp.Ruta() / "archivo.txt", "hola\n");
        fs::create_directory(tmp.Ruta() / "carpeta");
        fs::create_symlink(tmp.Ruta() / "archivo.txt", tmp.Ruta() / "enlace.txt");
    }
    pruebas::CarpetaTemporal tmp;
    DeArchivos da;
};

} // namespace

TEST_F(DeArchivosTest, HayArchivoYHayCarpetaDistinguenLoQueExiste) {
    struct Caso {
        std::string ruta;
        bool archivo;
        bool carpeta;
    };
    const Caso casos[] = {
        {tmp.En("archivo.txt"), true, false},    {tmp.En("enlace.txt"), true, false},
        {tmp.En("carpeta"), false, true},        {tmp.En("falta.txt"), false, false},
        {tmp.En("archivo.txt/x"), false, false}, {"", false, false},
    };
    for (const auto& c : casos) {
        EXPECT_EQ(da.HayArchivo(c.ruta), c.archivo) << c.ruta;
        EXPECT_EQ(da.HayCarpeta(c.ruta), c.carpeta) << c.ruta;
    }
}

TEST_F(DeArchivosTest, CreaRutaCreaLasCarpetasQueFaltan) {
    const std::string honda = tmp.En("a/b/c con ñ");
    EXPECT_TRUE(da.CreaRuta(honda));
    EXPECT_TRUE(fs::is_directory(fs::u8path(honda)));
    EXPECT_TRUE(da.CreaRuta(honda)); // already there
    EXPECT_FALSE(da.CreaRuta(tmp.En("archivo.txt/sub")));
    EXPECT_FALSE(da.CreaRuta(tmp.En("archivo.txt")));
    EXPECT_FALSE(da.CreaRuta(""));
}

TEST_F(DeArchivosTest, CopiaReemplazaElDestino) {
    const std::string destino = tmp.En("carpeta/copia.txt");
    pruebas::EscribeArchivo(destino, "contenido anterior, más largo que el nuevo\n");
    da.Copia(tmp.En("archivo.txt"), destino);
    EXPECT_EQ(pruebas::LeeArchivo(destino), "hola\n");
}

TEST_F(DeArchivosTest, CopiaQueNoPuedeLanzaError) {
    try {
        da.Copia(tmp.En("falta.txt"), tmp.En("copia.txt"));
        FAIL() << "sin error";
    } catch (const ErrorRT& e) {
        EXPECT_EQ(e.Numero(), 53);
    }
    EXPECT_THROW(da.Copia(tmp.En("archivo.txt"), tmp.En("no/hay/carpeta.txt")), ErrorRT);
    EXPECT_THROW(da.Copia(tmp.En("carpeta"), tmp.En("copia")), ErrorRT);
    EXPECT_FALSE(fs::exists(tmp.Ruta() / "copia"));
}

TEST_F(DeArchivosTest, AbreDocumentoLanzaElAbridorYNoLoEspera) {
    const std::string registro = tmp.En("abierto.txt");
    // The opener takes its time: the call must not wait for it.
    pruebas::VariableEntorno v("RT_ABRIDOR", pruebas::CreaAbridorGrabador(tmp, registro, 2));
    const std::string documento = tmp.En("archivo.txt");
    const auto inicio = std::chrono::steady_clock::now();
    da.AbreDocumento(documento, 0, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - inicio, std::chrono::milliseconds(1500));
    ASSERT_TRUE(pruebas::EsperaArchivo(registro, 10000));
    EXPECT_EQ(pruebas::LeeArchivo(registro), documento + "\n");
}

TEST_F(DeArchivosTest, AbridorInexistenteEsUnErrorParaQuienLlama) {
    pruebas::VariableEntorno v("RT_ABRIDOR", tmp.En("no-existe-este-abridor"));
    try {
        da.AbreDocumento(tmp.En("archivo.txt"), 0, 1);
        FAIL() << "sin error";
    } catch (const ErrorRT& e) {
        EXPECT_EQ(e.Numero(), 53);
        EXPECT_NE(e.Descripcion().find("no-existe-este-abridor"), std::string::npos);
    }
}

TEST_F(DeArchivosTest, DocumentoInexistenteNoLanzaElAbridor) {
    const std::string registro = tmp.En("abierto.txt");
    pruebas::VariableEntorno v("RT_ABRIDOR", pruebas::CreaAbridorGrabador(tmp, registro));
    EXPECT_THROW(da.AbreDocumento(tmp.En("falta.txt"), 0, 1), ErrorRT);
    EXPECT_FALSE(pruebas::EsperaArchivo(registro, 300));
}
