// La ventana del estado en Windows: sus consultas corren en hilos de trabajo
// con sus propias conexiones del cliente de Windows y la ventana sigue
// atendiendo; un servidor que no contesta aparece "sin respuesta".
#include <winsock2.h>

#include "EsperaQt.h"
#include "MundoWindows.h"
#include "frmEstado.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QThreadPool>
#include <QTimer>
#include <functional>

namespace {

std::string Texto(const QLabel* l) {
    return l->text().toStdString();
}

// Un puerto de 127.0.0.1 que acepta conexiones y nunca contesta.
class PuertoMudo {
public:
    PuertoMudo() {
        WSADATA w;
        WSAStartup(MAKEWORD(2, 2), &w);
        s_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int largo = sizeof a;
        if (s_ != INVALID_SOCKET && bind(s_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
            listen(s_, 16) == 0 && getsockname(s_, reinterpret_cast<sockaddr*>(&a), &largo) == 0)
            puerto_ = std::to_string(ntohs(a.sin_port));
    }
    ~PuertoMudo() {
        if (s_ != INVALID_SOCKET)
            closesocket(s_);
        WSACleanup();
    }
    const std::string& Puerto() const { return puerto_; }

private:
    SOCKET s_ = INVALID_SOCKET;
    std::string puerto_;
};

class EstadoWindowsServidor : public MundoWindows {};

TEST_F(EstadoWindowsServidor, MuestraElMaestroYUnServidorMudoSinCongelarse) {
    ASSERT_NO_FATAL_FAILURE(Arma(true));
    {
        frmEstado w;
        Muestra(w);
        ASSERT_TRUE(pruebas::EsperaQue(
            [&] {
                return Texto(w.lblMaestro[frmEstado::MaestroServidor]).find("MariaDB") !=
                       std::string::npos;
            },
            15000))
            << Texto(w.lblMaestro[frmEstado::MaestroServidor]);
        EXPECT_TRUE(Texto(w.lblActualizado).starts_with("Última actualización: "))
            << Texto(w.lblActualizado);
        // El entorno no tiene registro binario ni esclavo.
        EXPECT_FALSE(Texto(w.lblMaestro[frmEstado::MaestroRegistro]).empty());
        w.close();
    }

    PuertoMudo mudo;
    ASSERT_FALSE(mudo.Puerto().empty());
    Proceso::BasesDD->cPuerto = mudo.Puerto();
    frmEstado w;
    Muestra(w);
    QElapsedTimer reloj;
    reloj.start();
    // Mientras tanto la ventana atiende: un temporizador de 20 ms no se atrasa
    // más de un segundo.
    qint64 parada = 0, anterior = 0;
    QTimer pulso;
    QObject::connect(&pulso, &QTimer::timeout, [&] {
        const qint64 ahora = reloj.elapsed();
        parada = std::max(parada, ahora - anterior);
        anterior = ahora;
    });
    pulso.start(20);
    EXPECT_TRUE(pruebas::EsperaQue(
        [&] {
            return Texto(w.lblMaestro[frmEstado::MaestroServidor]).find("sin respuesta") !=
                   std::string::npos;
        },
        8000))
        << Texto(w.lblMaestro[frmEstado::MaestroServidor]);
    EXPECT_LT(reloj.elapsed(), 6000) << "el límite es de 3 s más un intervalo";
    EXPECT_LT(parada, 1000) << "la ventana se congeló " << parada << " ms";
    w.close();
    if (auto* hilos = qApp->findChild<QThreadPool*>()) {
        EXPECT_TRUE(hilos->waitForDone(30000));
    }
}

} // namespace
