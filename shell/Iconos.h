#pragma once

#include <QIcon>
#include <QPixmap>

// Iconos dibujados por el programa: el de la ventana principal (que las demás
// ventanas copian) y el de la ventana de descripción.
QIcon IconoPrograma();
// El dibujo del icono del programa a un tamaño (el .ico del ejecutable de
// Windows sale de aquí: shell/herramientas/icono.cpp).
QPixmap DibujoPrograma(int lado);
QIcon IconoDescripcion();
