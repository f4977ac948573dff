// Fallas que solo Windows tiene, con el programa de Windows bajo Wine y el
// servicio MySQL de verdad: cada una sale en el aviso final por su nombre y el
// servidor sigue contestando; una corrida cortada entre detener y arrancar se
// atiende al abrir el programa otra vez.
#include "MundoServicios.h"
#include "frmMaestro.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <thread>

namespace {

namespace fs = std::filesystem;

class FallasWindowsServicios : public MundoServicios {
protected:
    // La ventana del maestro con un server-id nuevo, para que my.ini cambie.
    void CorreMaestro(const std::string& idServidor) {
        frmMaestro w;
        Muestra(w);
        w.txtDato[1]->setText("127.0.0.1");
        w.txtDato[2]->setText("clave#1");
        w.txtDato[5]->setText(QString::fromStdString(idServidor));
        cajas.cajas.clear();
        cajas.respuestas = {rtqx5::vbYes};
        w.cmdProceder_Click();
        caja = w.txtCapturaDOS->toPlainText().toStdString();
    }

    // El aviso final dice que hubo errores y nombra `que`; el servicio sigue
    // iniciado con el my.ini de antes y el servidor contesta.
    void FallaNombrada(const std::string& que, const std::string& antes) {
        EXPECT_NE(AvisoFinal().find("El proceso terminó con errores"), std::string::npos)
            << AvisoFinal();
        EXPECT_NE(AvisoFinal().find(que), std::string::npos) << AvisoFinal() << "\n" << caja;
        EXPECT_EQ(pasos::EstadoDeServicio("MySQL"), pasos::EstadoServicio::Iniciado);
        EXPECT_EQ(Consulta("SELECT 1").filas.at(0).at(0), "1") << "el servidor no contesta";
        EXPECT_EQ(pruebas::LeeArchivo(MyIni()), antes);
    }

    // Lanza un programa de las pruebas y lo devuelve (para terminarlo). Sin
    // las salidas de esta prueba: un proceso que quedara colgado las tendría
    // abiertas y CTest esperaría su fin.
    static HANDLE Lanza(const std::wstring& linea) {
        STARTUPINFOW si{};
        si.cb = sizeof si;
        si.dwFlags = STARTF_USESTDHANDLES;
        PROCESS_INFORMATION pi{};
        std::wstring copia = linea;
        if (!CreateProcessW(nullptr, copia.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                            nullptr, nullptr, &si, &pi))
            return nullptr;
        CloseHandle(pi.hThread);
        return pi.hProcess;
    }

    std::string caja;
};

// Otro programa tiene my.ini abierto sin compartirlo (CreateFileW sin
// FILE_SHARE_*): ni se puede leer para revisarlo, así que nada cambia y el
// servicio ni se detiene; el aviso lo dice (no que el servidor lo rechace).
TEST_F(FallasWindowsServicios, ArchivoAbiertoSinCompartir) {
    const std::string antes = pruebas::LeeArchivo(MyIni());
    const fs::path retenido = fs::path(MyIni() + ".retenido");
    fs::remove(retenido);
    const HANDLE otro = Lanza(L"\"" + (CarpetaPruebas() / "aux_consola.exe").wstring() +
                              L"\" retiene \"" + fs::path(MyIni()).wstring() + L"\"");
    ASSERT_NE(otro, nullptr);
    for (int i = 0; i < 200 && !fs::exists(retenido); ++i)
        Sleep(50);
    ASSERT_TRUE(fs::exists(retenido)) << "el otro programa no abrió my.ini";
    CorreMaestro("3");
    TerminateProcess(otro, 0);
    WaitForSingleObject(otro, 5000);
    CloseHandle(otro);
    fs::remove(retenido);
    EXPECT_EQ(AvisoFinal(), "No se pudo leer el archivo «" + MyIni() +
                                "» (otro programa puede tenerlo abierto), por lo que no se "
                                "cambió nada:\r\n\r\nNo se puede leer el archivo " +
                                MyIni());
    EXPECT_EQ(pasos::EstadoDeServicio("MySQL"), pasos::EstadoServicio::Iniciado);
    EXPECT_EQ(Consulta("SELECT 1").filas.at(0).at(0), "1") << "el servidor no contesta";
    EXPECT_EQ(pruebas::LeeArchivo(MyIni()), antes);
}

// my.ini de solo lectura.
TEST_F(FallasWindowsServicios, ArchivoDeSoloLectura) {
    const std::string antes = pruebas::LeeArchivo(MyIni());
    const std::wstring ruta = fs::path(MyIni()).wstring();
    ASSERT_TRUE(SetFileAttributesW(ruta.c_str(), FILE_ATTRIBUTE_READONLY));
    CorreMaestro("3");
    SetFileAttributesW(ruta.c_str(), FILE_ATTRIBUTE_NORMAL);
    FallaNombrada("«" + MyIni() + "»", antes);
}

// El servicio no acepta la parada. En Windows, "net stop" diría "Acceso
// denegado" (error 5); Wine no tiene permisos de servicios y el sustituto se
// niega sin aceptar el control: "Invalid service control.", código 1. El
// programa juzga por el código, no por el texto.
TEST_F(FallasWindowsServicios, NetStopRechazado) {
    const std::string antes = pruebas::LeeArchivo(MyIni());
    const fs::path marca = fs::path(mysql) / "bin" / "MySQL.rechaza-parada";
    pruebas::EscribeArchivo(marca, "");
    Sleep(500); // el servicio mira la marca cada 0,1 s
    CorreMaestro("3");
    fs::remove(marca);
    FallaNombrada("net stop MySQL", antes);
}

// El net.exe del sistema cambiado por aux_net_corte mientras vive (el de Wine
// se guarda como net-original.exe y vuelve a su lugar al final). Wine corre
// su net propio en lugar de cualquier net.exe de system32 salvo con
// WINEDLLOVERRIDES=net.exe=n,b en su entorno de Linux desde el arranque (lo
// pone tools/test-windows): entonces corre el archivo.
class NetQueCorta {
public:
    NetQueCorta() {
        wchar_t buf[MAX_PATH];
        GetSystemDirectoryW(buf, MAX_PATH);
        net_ = fs::path(buf) / L"net.exe";
        original_ = fs::path(buf) / L"net-original.exe";
        listo_ = CopyFileW(net_.c_str(), original_.c_str(), FALSE) &&
                 CopyFileW((CarpetaPruebas() / L"corte" / L"net.exe").c_str(), net_.c_str(), FALSE);
    }
    ~NetQueCorta() { Devuelve(); }
    bool Listo() const { return listo_; }
    // El net.exe de Wine a su lugar; reintenta mientras el último aux_net_corte
    // termina de salir (su archivo sigue en uso hasta entonces).
    bool Devuelve() {
        for (int i = 0; i < 100 && !devuelto_; ++i) {
            devuelto_ = CopyFileW(original_.c_str(), net_.c_str(), FALSE);
            if (!devuelto_)
                Sleep(100);
        }
        if (devuelto_)
            DeleteFileW(original_.c_str());
        return devuelto_;
    }

private:
    fs::path net_, original_;
    bool listo_ = false;
    bool devuelto_ = false;
};

// El programa muere entre "net stop" y "net start" (aux_corte): my.ini queda
// entero con el cambio y la nota del cambio queda; al abrir el programa otra
// vez se ofrece arrancar el servicio, y el servidor contesta con el cambio.
TEST_F(FallasWindowsServicios, CorridaCortadaSeOfreceArrancarAlAbrir) {
    principal.reset();
    auto net = std::make_unique<NetQueCorta>();
    ASSERT_TRUE(net->Listo());
    const HANDLE corte = Lanza(L"\"" + (CarpetaPruebas() / "corte" / "aux_corte.exe").wstring() +
                               L"\" \"" + programa.wstring() + L"\"");
    ASSERT_NE(corte, nullptr);
    ASSERT_EQ(WaitForSingleObject(corte, 90000), WAIT_OBJECT_0);
    DWORD codigo = 0;
    GetExitCodeProcess(corte, &codigo);
    CloseHandle(corte);
    ASSERT_TRUE(net->Devuelve()) << "no volvió el net.exe de Wine";
    ASSERT_EQ(codigo, 137u) << "el auxiliar no murió a media corrida";
    ASSERT_EQ(pasos::EstadoDeServicio("MySQL"), pasos::EstadoServicio::Detenido);
    rtqx5::libRTSA ini;
    EXPECT_EQ(ini.LeeIni("mysqld", "server-id", MyIni()), "9") << "my.ini entero, con el cambio";
    EXPECT_TRUE(fs::exists(programa / "CambioServidor.ini")) << "la nota del cambio cortado";

    cajas.cajas.clear();
    cajas.respuestas = {rtqx5::vbYes};
    ASSERT_NO_FATAL_FAILURE(Abre());
    ASSERT_GE(cajas.cajas.size(), 2u);
    EXPECT_EQ(cajas.cajas[0].titulo, "Servicio detenido");
    EXPECT_NE(cajas.cajas[0].texto.find("servicio MySQL"), std::string::npos)
        << cajas.cajas[0].texto;
    EXPECT_EQ(cajas.cajas[1].texto, "El servicio MySQL arrancó con «" + MyIni() + "»");
    EXPECT_EQ(pasos::EstadoDeServicio("MySQL"), pasos::EstadoServicio::Iniciado);
    EXPECT_EQ(Consulta("SELECT @@server_id").filas.at(0).at(0), "9");
}

} // namespace
