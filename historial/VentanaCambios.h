#pragma once

#include <QDialog>
#include <memory>

// La ventana "Cambios en los archivos de opciones", para abrirla desde otra
// ventana sin conocer su clase.
std::unique_ptr<QDialog> CreaVentanaCambios(QWidget* parent = nullptr);
