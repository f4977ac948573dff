#pragma once

#include <QObject>
#include <QString>

class QWidget;

// Manejo común de los campos de captura: resaltar al recibir el foco, flechas
// arriba y abajo para moverse entre campos, Enter para pasar al siguiente y
// filtro de teclas por clase de captura ("9": solo dígitos; "X" o nada: todo).

enum class AccionTecla {
    Pasa,      // la tecla sigue su curso
    Siguiente, // pasar al campo siguiente; la tecla se consume
    Anterior,  // pasar al campo anterior; la tecla se consume
    Rechaza,   // la tecla se consume sin efecto
};

// Regla de la tecla presionada (códigos de tecla clásicos: 40 abajo, 38 arriba).
AccionTecla ReglaTeclas(int codigoTecla);
// Regla del carácter tecleado (13 es Enter). Con la clase "9" pasan solo los
// dígitos y las teclas de edición (caracteres de control como el retroceso).
AccionTecla ReglaEnter(int codigoAscii, const QString& clase);

// Selecciona todo el texto del control (al recibir el foco).
void Resalta(QWidget* control);
// Tecla presionada: con abajo o arriba mueve el foco y deja el código en 0.
void Teclas(QWidget* control, int& codigoTecla);
// Carácter tecleado: Enter pasa al campo siguiente; un carácter rechazado por
// la clase deja el código en 0.
void Enter(QWidget* control, int& codigoAscii, const QString& clase = QStringLiteral("X"));

// Foco al siguiente (o anterior) control que acepta el foco con tabulador.
void MueveFoco(QWidget* desde, bool adelante);

// Códigos de tecla y de mayúsculas clásicos a partir de los de Qt
// (F1 = 112, F4 = 115; mayúsculas 1, control 2, alt 4).
int CodigoTecla(int teclaQt);
int EstadoMayusculas(Qt::KeyboardModifiers modificadores);

// Instala en el campo Resalta, Teclas (salvo sin conTeclas: las flechas de un
// campo de varias líneas se quedan en él) y Enter con su clase de captura.
void PreparaCampo(QWidget* campo, const QString& clase = QStringLiteral("X"),
                  bool conTeclas = true);
