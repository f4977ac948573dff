#pragma once

#include <QDialog>
#include <functional>
#include <memory>

// Las ventanas que una ventana abre sin conocer su clase: el programa las
// asigna al arrancar (main); sin asignar, quien las abre no ofrece abrirlas.
using CreaDialogo = std::function<std::unique_ptr<QDialog>(QWidget* padre)>;

// "Cambios en los archivos de opciones", abierta desde el estado de la
// replicación.
CreaDialogo& VentanaCambios();
