// El cambio de un archivo de opciones con las funciones de Windows: el
// atributo de solo lectura se nombra, ReplaceFile pone el archivo revisado con
// los atributos del original y la copia vuelve igual; el gestor de servicios y
// el puerto que contesta.
#include <winsock2.h>

#include "Ayudas.h"
#include "CambioOpciones.h"
#include "Errores.h"
#include "Sistema.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace {

using namespace pruebas_win32;

void Escribe(const std::string& ruta, const std::string& texto) {
    std::ofstream f(std::filesystem::path(Ancho(ruta)), std::ios::binary);
    f << texto;
}

TEST(CambioOpcionesWin32, SoloLecturaReemplazoYVueltaALaCopia) {
    CarpetaTemporal carpeta(L"rt-cambio");
    const std::string ini = carpeta.Archivo(L"my.ini");
    const std::string copia = carpeta.Archivo(L"my.ini.20240101-000000.bak");
    const std::string antes = "[mysqld]\r\nport=3306\r\n";
    Escribe(ini, antes);
    Escribe(copia, antes);

    SetFileAttributesW(Ancho(ini).c_str(), FILE_ATTRIBUTE_READONLY);
    try {
        pasos::PreparaArchivoNuevo(ini, {{"mysqld", "server-id", "1"}});
        ADD_FAILURE() << "aceptado";
    } catch (const rtqx5::ErrorRT& e) {
        EXPECT_EQ(e.Descripcion(), "El archivo " + ini + " es de solo lectura");
    }
    EXPECT_FALSE(std::filesystem::exists(Ancho(pasos::RutaArchivoNuevo(ini))));

    SetFileAttributesW(Ancho(ini).c_str(), FILE_ATTRIBUTE_HIDDEN);
    const std::string nuevo = pasos::PreparaArchivoNuevo(ini, {{"mysqld", "server-id", "1"}});
    const auto mysql = carpeta.Ruta() / L"bin";
    std::filesystem::create_directories(mysql);
    std::filesystem::copy_file(CarpetaPruebas() / L"aux_consola.exe", mysql / L"mysqld.exe");
    const pasos::Dictamen dictamen =
        pasos::RevisaArchivoOpciones(carpeta.Texto() + "\\", nuevo, carpeta.Texto());
    EXPECT_TRUE(dictamen.acepta) << dictamen.motivo;
    pasos::InstalaArchivoNuevo(nuevo, ini);
    EXPECT_EQ(Lee(ini), antes + "server-id=1\r\n");
    EXPECT_FALSE(std::filesystem::exists(Ancho(nuevo)));
    EXPECT_TRUE(GetFileAttributesW(Ancho(ini).c_str()) & FILE_ATTRIBUTE_HIDDEN);

    pasos::RestauraRespaldo(copia, ini);
    EXPECT_EQ(Lee(ini), antes);
}

TEST(CambioOpcionesWin32, ServicioInexistenteYPuertoQueContesta) {
    EXPECT_EQ(pasos::EstadoDeServicio("RtNoExiste12345"), pasos::EstadoServicio::NoExiste);

    WSADATA wsa{};
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in direccion{};
    direccion.sin_family = AF_INET;
    direccion.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&direccion), sizeof direccion), 0);
    ASSERT_EQ(listen(s, 1), 0);
    int largo = sizeof direccion;
    getsockname(s, reinterpret_cast<sockaddr*>(&direccion), &largo);
    const auto puerto = ntohs(direccion.sin_port);
    EXPECT_TRUE(pasos::ServidorContesta(puerto, 2000));
    closesocket(s);
    EXPECT_FALSE(pasos::ServidorContesta(puerto, 500));
    WSACleanup();
}

} // namespace
