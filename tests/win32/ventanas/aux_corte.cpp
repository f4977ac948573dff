// Programa auxiliar de la prueba de la corrida cortada bajo Wine: abre la
// ventana principal sobre la carpeta del programa dada y corre el maestro con
// sus valores de diseño y otro server-id, contestando Sí. Deja su pid en
// RT_PID_CORTE para que el net.exe que la prueba puso en lugar del del
// sistema (aux_net_corte) lo mate al pedirle arrancar el servicio: entre
// "net stop" y "net start", como un corte de luz o el Administrador de
// tareas. (Bajo Wine no se le puede matar desde dentro en ese momento:
// matarlo mientras crea el proceso de "net start" deja ese net.exe colgado
// antes de empezar, y con él lo que heredó.)
//   aux_corte CARPETA_PROGRAMA
#include "Mensajes.h"
#include "Proceso.h"
#include "frmInicial.h"
#include "frmMaestro.h"

#include <QApplication>
#include <QLineEdit>

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
    qputenv("RT_PID_CORTE", QByteArray::number(QCoreApplication::applicationPid()));
    frmMaestro w;
    w.show();
    QApplication::processEvents();
    w.txtDato[1]->setText(QStringLiteral("127.0.0.1"));
    w.txtDato[2]->setText(QStringLiteral("clave#1"));
    w.txtDato[5]->setText(QStringLiteral("9"));
    w.cmdProceder_Click();
    return 0;
}
