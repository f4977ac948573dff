// La nueva instancia con la carpeta de MySQL de Windows: los textos exactos de
// sus comandos y del datadir, y bajo Wine lo que se pregunta al sistema (los
// archivos comunes de una carpeta, el gestor de servicios, un puerto ocupado).
// winsock2.h antes que windows.h (lo incluye Ayudas.h).
#include <winsock2.h>

#include "Ayudas.h"
#include "EjecucionCMD.h"
#include "PasosInstancia.h"
#include "Sistema.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace {

using namespace pruebas_win32;

TEST(InstanciaWin32, ComandosYDatadirConLaCarpetaDeMySQLDeWindows) {
    EXPECT_EQ(pasos::ComandoInstalaServicio("C:\\MySQL\\", "QXmirror", "C:\\MySQL\\QXmirror.ini"),
              "\"C:\\MySQL\\bin\\mysqld\" --install QXmirror "
              "--defaults-file=\"C:\\MySQL\\QXmirror.ini\"");
    EXPECT_EQ(pasos::ComandoArrancaServicio("QXmirror"), "net start QXmirror");
    EXPECT_EQ(pasos::ComandoActualizaSistema("C:\\MySQL\\", "root", "Tesal2024", 3308, true),
              "\"C:\\MySQL\\bin\\mysql_upgrade\" --host=127.0.0.1 --port=3308 --protocol=tcp "
              "--user=root --password=******** --force");
    EXPECT_EQ(pasos::ComandoActualizaSistema("C:\\MySQL\\", "root", "", 3308, false),
              "\"C:\\MySQL\\bin\\mysql_upgrade\" --host=127.0.0.1 --port=3308 --protocol=tcp "
              "--user=root --force");
    const std::string mysql = "C:\\Archivos de programa\\MySQL\\MySQL Server 5.1\\";
    EXPECT_EQ(pasos::ComandoInstalaServicio(mysql, "Mi espejo", mysql + "QXmirror.ini"),
              "\"" + mysql + "bin\\mysqld\" --install \"Mi espejo\" --defaults-file=\"" + mysql +
                  "QXmirror.ini\"");
    EXPECT_EQ(pasos::ComandoArrancaServicio("Mi espejo"), "net start \"Mi espejo\"");

    EXPECT_EQ(pasos::ValorDatadir("C:\\Rep\\data"), "\"C:/Rep/data\"");
    EXPECT_EQ(pasos::ValorDatadir("C:\\Rep\\data\\"), "\"C:/Rep/data/\"");
    EXPECT_EQ(pasos::CarpetaDatosOriginal("C:/MySQL/data/"), "C:\\MySQL\\data\\");
    EXPECT_EQ(pasos::CarpetaDatosOriginal("C:/MySQL/data"), "C:\\MySQL\\data\\");
    EXPECT_EQ(pasos::CarpetaDatosOriginal(""), "\\");
    EXPECT_FALSE(pasos::OrigenDeCopia("\\"));
}

// Los argumentos de mysql_upgrade (usuario y clave con blancos y comillas)
// llegan enteros a un programa de Windows.
TEST(InstanciaWin32, ArgumentosDeMysqlUpgradeLleganEnteros) {
    const std::string clave = "cl\"a ve\\";
    const std::string comando =
        pasos::ComandoActualizaSistema("C:\\MySQL\\", "us uario", clave, 3308, false);
    const std::string programa = "\"C:\\MySQL\\bin\\mysql_upgrade\"";
    ASSERT_TRUE(comando.starts_with(programa));
    std::string bloque, salida;
    std::int32_t codigo = -1;
    ASSERT_TRUE(ejecucion::EjecutaCMD(
        AuxConsola() + " argumentos" + comando.substr(programa.size()), "", "", nullptr, false,
        ejecucion::kModoSinCaja, bloque, salida, -1, codigo));
    EXPECT_EQ(codigo, 0);
    EXPECT_EQ(salida, "[--host=127.0.0.1]\r\n[--port=3308]\r\n[--protocol=tcp]\r\n[--user=us "
                      "uario]\r\n[--password=" +
                          clave + "]\r\n[--force]\r\n");
}

// Sin carpetas, ocultos ni archivos de sistema; los nombres con acentos
// vuelven en UTF-8. Una carpeta que no existe es un error.
TEST(InstanciaWin32, ArchivosComunesDeUnaCarpeta) {
    CarpetaTemporal carpeta(L"rt-instancia");
    for (const wchar_t* n : {L"user.frm", L"índice.MAD", L"oculto.frm", L"sistema.frm"})
        std::ofstream(carpeta.Ruta() / n) << "x";
    SetFileAttributesW((carpeta.Ruta() / L"oculto.frm").c_str(), FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesW((carpeta.Ruta() / L"sistema.frm").c_str(), FILE_ATTRIBUTE_SYSTEM);
    CreateDirectoryW((carpeta.Ruta() / L"sub").c_str(), nullptr);
    std::vector<std::string> nombres = pasos::ArchivosComunes(carpeta.Texto() + "\\");
    std::sort(nombres.begin(), nombres.end());
    EXPECT_EQ(nombres, (std::vector<std::string>{"user.frm", "\xC3\xADndice.MAD"}));
    EXPECT_EQ(pasos::ArchivosComunes(carpeta.Texto()), pasos::ArchivosComunes(carpeta.Texto()));
    EXPECT_THROW(pasos::ArchivosComunes(carpeta.Texto() + "\\no-existe"), std::exception);
}

// El gestor de servicios (sin distinguir mayúsculas) y un puerto en el que
// escucha un socket solo de 127.0.0.1.
TEST(InstanciaWin32, ServiciosYPuertosDelSistema) {
    EXPECT_TRUE(pasos::ExisteServicio("RpcSs"));
    EXPECT_TRUE(pasos::ExisteServicio("rpcss"));
    EXPECT_FALSE(pasos::ExisteServicio("QXmirrorNoExiste"));
    EXPECT_FALSE(pasos::ExisteServicio(""));

    WSADATA wsa{};
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &wsa), 0);
    const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ASSERT_NE(s, INVALID_SOCKET);
    sockaddr_in d{};
    d.sin_family = AF_INET;
    d.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(s, reinterpret_cast<const sockaddr*>(&d), sizeof d), 0);
    ASSERT_EQ(listen(s, 1), 0);
    int largo = sizeof d;
    getsockname(s, reinterpret_cast<sockaddr*>(&d), &largo);
    const std::uint16_t puerto = ntohs(d.sin_port);
    EXPECT_TRUE(pasos::PuertoOcupado(puerto));
    closesocket(s);
    EXPECT_FALSE(pasos::PuertoOcupado(puerto));
    WSACleanup();
}

} // namespace
