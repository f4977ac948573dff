#include "OtrasVentanas.h"

CreaDialogo& VentanaCambios() {
    static CreaDialogo crea;
    return crea;
}
