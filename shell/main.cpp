#include "AnotaVentanas.h"
#include "MensajeroQt.h"
#include "MideArranque.h"
#include "OtrasVentanas.h"
#include "VentanaCambios.h"
#include "frmEsclavo.h"
#include "frmEstado.h"
#include "frmInicial.h"
#include "frmInstancia.h"
#include "frmMaestro.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>

// Las ventanas de los botones de opción se conectan aquí.
static void ConectaOpciones(frmInicial& ventana) {
    ventana.AsignaOpcion(0, [] { return std::make_unique<frmInstancia>(); });
    ventana.AsignaOpcion(1, [] { return std::make_unique<frmMaestro>(); });
    ventana.AsignaOpcion(2, [] { return std::make_unique<frmEsclavo>(); });
    ventana.AsignaOpcion(3, [] { return std::make_unique<frmEstado>(); });
    VentanaCambios() = [](QWidget* padre) { return CreaVentanaCambios(padre); };
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // El programa termina cuando la ventana principal lo pide, no al cerrarse
    // la última ventana.
    QApplication::setQuitOnLastWindowClosed(false);
    // RT_ANOTA_VENTANAS=ARCHIVO: lo que muestra cada ventana, para las pruebas
    // del ejecutable de Windows bajo Wine.
    if (const QString anota = qEnvironmentVariable("RT_ANOTA_VENTANAS"); !anota.isEmpty())
        AnotaVentanas(anota);
    MensajeroQt mensajero;
    rtqx5::InstalaMensajero(&mensajero);

    int codigo = 0;
    {
        frmInicial ventana;
        if (ventana.Terminado()) {
            codigo = ventana.CodigoSalida();
        } else {
            QObject::connect(&ventana, &frmInicial::Finaliza, &app, &QCoreApplication::exit,
                             Qt::QueuedConnection);
            ConectaOpciones(ventana);
            if (qEnvironmentVariableIsSet("RT_MIDE_ARRANQUE"))
                AvisaPrimeraPintura(&ventana);
            ventana.show();
            // RT_ABRE_OPCION=N: abre al empezar la ventana del botón N (capturas de
            // tools/run --opcion N).
            bool hayOpcion = false;
            const int opcion = qEnvironmentVariableIntValue("RT_ABRE_OPCION", &hayOpcion);
            if (hayOpcion && opcion >= 0 && opcion <= 3)
                QTimer::singleShot(200, &ventana, [&ventana, opcion] {
                    if (ventana.ggcOpc[opcion]->isEnabled())
                        ventana.ggcOpc[opcion]->click();
                });
            codigo = QApplication::exec();
        }
    }
    rtqx5::InstalaMensajero(nullptr);
    return codigo;
}
