// Programa auxiliar de las pruebas del cambio de servidor: abre la ventana
// principal sobre la carpeta del programa dada y corre el maestro con sus
// valores de diseño, contestando Sí. Deja su pid en RT_PID_CORTE para que un
// net de la prueba lo mate a media corrida.
#include "Mensajes.h"
#include "Proceso.h"
#include "frmInicial.h"
#include "frmMaestro.h"

#include <QApplication>
#include <QLineEdit>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    qputenv("RT_PID_CORTE", QByteArray::number(QCoreApplication::applicationPid()));
    rtqx5::GrabadorMensajes cajas;
    cajas.respuestas = {rtqx5::vbYes};
    Proceso::LineaComandos = QStringLiteral("-rtsa");
    frmInicial principal(QString::fromLocal8Bit(argv[1]), QStringLiteral("ReplicacionTesal"));
    if (principal.Terminado())
        return 3;
    frmMaestro w;
    w.show();
    QApplication::processEvents();
    w.txtDato[1]->setText(QStringLiteral("127.0.0.1"));
    w.cmdProceder_Click();
    return 0;
}
