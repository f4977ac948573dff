// Programa auxiliar de la prueba de la corrida cortada bajo Wine: abre la
// ventana principal sobre la carpeta del programa dada y corre el maestro con
// sus valores de diseño, contestando Sí; en cuanto el servicio MySQL quedó
// detenido por su "net stop" (antes de poner my.ini y de "net start"), se
// mata a sí mismo con el código 137, como un corte de luz o el Administrador
// de tareas. (Bajo Wine, matarlo justo mientras crea el proceso de
// "net start" deja ese net.exe colgado para siempre antes de empezar; en
// Windows la creación de un proceso no queda a medias.)
//   aux_corte CARPETA_PROGRAMA
#include "Mensajes.h"
#include "Proceso.h"
#include "Sistema.h"
#include "frmInicial.h"
#include "frmMaestro.h"

#include <windows.h>

#include <QApplication>
#include <QLineEdit>
#include <thread>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    rtqx5::GrabadorMensajes cajas;
    cajas.respuestas = {rtqx5::vbYes};
    Proceso::LineaComandos = QStringLiteral("-rtsa");
    frmInicial principal(QString::fromLocal8Bit(argv[1]), QStringLiteral("ReplicacionTesal"));
    if (principal.Terminado())
        return 3;
    std::thread vigia([] {
        for (;;) {
            if (pasos::EstadoDeServicio("MySQL") == pasos::EstadoServicio::Detenido)
                TerminateProcess(GetCurrentProcess(), 137);
            Sleep(5);
        }
    });
    vigia.detach();
    frmMaestro w;
    w.show();
    QApplication::processEvents();
    w.txtDato[1]->setText(QStringLiteral("127.0.0.1"));
    w.txtDato[2]->setText(QStringLiteral("clave#1"));
    w.cmdProceder_Click();
    return 0;
}
