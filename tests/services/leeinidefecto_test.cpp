#include "LeeIniDefecto.h"
#include "Servidor.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <future>

using namespace rtqx5;
namespace fs = std::filesystem;

namespace {

class LeeIniDefectoTest : public ::testing::Test {
protected:
    std::string Lee(const std::string& clave, const std::string& defecto,
                    const std::string& archivo) {
        std::string s = "Configuración", c = clave, d = defecto;
        return LeeIniDefecto(s, c, d, lib, archivo);
    }
    pruebas::CarpetaTemporal tmp;
    std::string ini = tmp.En("ReplicacionTesal.ini");
    libRTSA lib;
};

} // namespace

TEST_F(LeeIniDefectoTest, ElDefectoSeEscribeUnaSolaVez) {
    EXPECT_EQ(Lee("Ruta de Orvalo Premium", "C:\\orvalopremium", ini), "C:\\orvalopremium");
    EXPECT_EQ(pruebas::LeeArchivo(ini),
              "[Configuración]\nRuta de Orvalo Premium=C:\\orvalopremium\n");
    // From then on the file holds it; another default changes nothing.
    EXPECT_EQ(Lee("Ruta de Orvalo Premium", "otro", ini), "C:\\orvalopremium");
    EXPECT_EQ(pruebas::LeeArchivo(ini),
              "[Configuración]\nRuta de Orvalo Premium=C:\\orvalopremium\n");
}

TEST_F(LeeIniDefectoTest, UnValorPuestoSeRespetaAunqueSeanBlancos) {
    const std::string contenido = "[CONFIGURACIÓN]\n"
                                  "Instancia ESCLAVO=\"   \"\n"
                                  "Base de datos principal = datos7 \n";
    pruebas::EscribeArchivo(ini, contenido);
    EXPECT_EQ(Lee("Instancia ESCLAVO", "MySQL", ini), "   ");
    EXPECT_EQ(Lee("base de datos principal", "datos1", ini), "datos7");
    EXPECT_EQ(pruebas::LeeArchivo(ini), contenido);
}

TEST_F(LeeIniDefectoTest, ClaveVaciaRecibeElDefecto) {
    pruebas::EscribeArchivo(ini, "[Configuración]\nInstancia ESCLAVO=\n");
    EXPECT_EQ(Lee("Instancia ESCLAVO", "MySQL", ini), "MySQL");
    EXPECT_EQ(pruebas::LeeArchivo(ini), "[Configuración]\nInstancia ESCLAVO=MySQL\n");
}

TEST_F(LeeIniDefectoTest, ArchivoNoEscribibleDevuelveElDefectoSinRepetir) {
    pruebas::EscribeArchivo(tmp.Ruta() / "archivo", "no soy carpeta");
    // A read-only file, and a read-only folder without the file.
    const std::string soloLectura = tmp.En("solo-lectura.ini");
    const std::string contenido = "[Configuración]\nOtra=1\n";
    pruebas::EscribeArchivo(soloLectura, contenido);
    fs::permissions(soloLectura, fs::perms::owner_read | fs::perms::group_read);
    fs::create_directory(tmp.Ruta() / "carpeta-ro");
    fs::permissions(tmp.Ruta() / "carpeta-ro", fs::perms::owner_read | fs::perms::owner_exec);
    struct Caso {
        std::string archivo, defecto, esperado;
    };
    const Caso casos[] = {
        {tmp.En("no/existe/ReplicacionTesal.ini"), "C:\\orvalopremium", "C:\\orvalopremium"},
        {tmp.En("archivo/ReplicacionTesal.ini"), "datos1", "datos1"},
        // A default that reads back empty: written once, returned as it is.
        {ini, "", ""},
        {ini, "\"\"", "\"\""},
        {soloLectura, "MySQL", "MySQL"},
        {tmp.En("carpeta-ro/ReplicacionTesal.ini"), "datos1", "datos1"},
    };
    for (const auto& c : casos) {
        // Run apart so that an endless loop fails the test instead of hanging it.
        auto tarea =
            std::async(std::launch::async, [&] { return Lee("Clave", c.defecto, c.archivo); });
        if (tarea.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            ADD_FAILURE() << "LeeIniDefecto no termina con " << c.archivo;
            std::_Exit(1); // the loop still runs: nothing else can go on safely
        }
        EXPECT_EQ(tarea.get(), c.esperado) << c.archivo;
    }
    EXPECT_FALSE(fs::exists(tmp.Ruta() / "no"));
    EXPECT_EQ(pruebas::LeeArchivo(soloLectura), contenido);
    EXPECT_TRUE(fs::is_empty(tmp.Ruta() / "carpeta-ro"));
    fs::permissions(tmp.Ruta() / "carpeta-ro", fs::perms::owner_all);
}
