#pragma once

class QWidget;

// Para medir el arranque: cuando la ventana termina de pintarse por primera vez
// escribe en la salida estándar "mostrada ANCHOxALTO" y termina el bucle de
// eventos con código 0. Lo usan el programa (con RT_MIDE_ARRANQUE) y la
// ventana vacía de comparación del programa de medición.
void AvisaPrimeraPintura(QWidget* ventana);
