#pragma once

#include <QIcon>

// Iconos dibujados por el programa: el de la ventana principal (que las demás
// ventanas copian) y el de la ventana de descripción.
QIcon IconoPrograma();
QIcon IconoDescripcion();
