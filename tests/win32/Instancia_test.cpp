// La nueva instancia con la carpeta de MySQL de Windows: los textos exactos de
// sus comandos y del datadir, y bajo Wine lo que se pregunta al sistema (los
// archivos comunes de una carpeta, el gestor de servicios, un puerto ocupado).
// winsock2.h antes que windows.h (lo incluye Ayudas.h).
#include <winsock2.h>

#include "Ayudas.h"
#include "ClaveTemporal.h"
#include "EjecucionCMD.h"
#include "PasosInstancia.h"
#include "Sistema.h"
#include "Win32Texto.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace {

using namespace pruebas_win32;

TEST(InstanciaWin32, ComandosYDatadirConLaCarpetaDeMySQLDeWindows) {
    EXPECT_EQ(pasos::ComandoInstalaServicio("C:\\MySQL\\", "QXmirror", "C:\\MySQL\\QXmirror.ini"),
              "\"C:\\MySQL\\bin\\mysqld\" --install QXmirror "
              "--defaults-file=\"C:\\MySQL\\QXmirror.ini\"");
    EXPECT_EQ(pasos::ComandoArrancaServicio("QXmirror"), "net start QXmirror");
    EXPECT_EQ(pasos::ComandoActualizaSistema(
                  "C:\\MySQL\\", "\"--defaults-extra-file=C:\\Temp\\a b.cnf\"", "root", 3308),
              "\"C:\\MySQL\\bin\\mysql_upgrade\" \"--defaults-extra-file=C:\\Temp\\a b.cnf\" "
              "--host=127.0.0.1 --port=3308 --protocol=tcp --user=root --force");
    EXPECT_EQ(pasos::ComandoActualizaSistema("C:\\MySQL\\", "", "root", 3308),
              "\"C:\\MySQL\\bin\\mysql_upgrade\" --host=127.0.0.1 --port=3308 --protocol=tcp "
              "--user=root --force");
    EXPECT_EQ(pasos::ComandoQuitaServicio("C:\\MySQL\\", "Mi espejo"),
              "\"C:\\MySQL\\bin\\mysqld\" --remove \"Mi espejo\"");
    EXPECT_TRUE(pasos::MismaRuta("C:\\MySQL\\my.ini", "c:/mysql/MY.INI"));
    EXPECT_TRUE(pasos::MismaRuta("C:\\MySQL\\data\\", "c:\\mysql\\data"));
    EXPECT_FALSE(pasos::MismaRuta("C:\\MySQL\\data2\\", "C:\\MySQL\\data\\"));
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

// Los argumentos de mysql_upgrade (el archivo temporal de la contraseña en
// la carpeta temporal del usuario, un usuario con blancos) llegan enteros a
// un programa de Windows; la contraseña no va en ellos. El archivo existe
// mientras vive el objeto, con la contraseña escapada, y luego no.
TEST(InstanciaWin32, ArgumentosDeMysqlUpgradeYArchivoDeLaContrasena) {
    const std::string clave = "cl\"a ve\\#'";
    std::string ruta;
    {
        pasos::ClaveTemporal archivo(clave);
        ruta = archivo.Ruta();
        std::ifstream f(std::filesystem::path(unicode::win32::Ancho(ruta).value()),
                        std::ios::binary);
        const std::string contenido{std::istreambuf_iterator<char>(f), {}};
        EXPECT_EQ(contenido, "[client]\npassword=\"cl\\\"a ve\\\\#'\"\n");
        const std::string comando =
            pasos::ComandoActualizaSistema("C:\\MySQL\\", archivo.Opcion(), "us uario", 3308);
        const std::string programa = "\"C:\\MySQL\\bin\\mysql_upgrade\"";
        ASSERT_TRUE(comando.starts_with(programa));
        std::string bloque, salida;
        std::int32_t codigo = -1;
        ASSERT_TRUE(ejecucion::EjecutaCMD(
            AuxConsola() + " argumentos" + comando.substr(programa.size()), "", "", nullptr, false,
            ejecucion::kModoSinCaja, bloque, salida, -1, codigo));
        EXPECT_EQ(codigo, 0);
        EXPECT_EQ(salida, "[--defaults-extra-file=" + ruta +
                              "]\r\n[--host=127.0.0.1]\r\n[--port=3308]\r\n[--protocol=tcp]\r\n[--"
                              "user=us uario]\r\n[--force]\r\n");
        EXPECT_EQ(salida.find("cl\""), std::string::npos);
    }
    EXPECT_EQ(GetFileAttributesW(unicode::win32::Ancho(ruta).value().c_str()),
              INVALID_FILE_ATTRIBUTES);
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
    // Sin el separador final, la misma lista.
    std::vector<std::string> sinSeparador = pasos::ArchivosComunes(carpeta.Texto());
    std::sort(sinSeparador.begin(), sinSeparador.end());
    EXPECT_EQ(sinSeparador, nombres);
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
