#pragma once

#include <QString>

// Para las pruebas del programa entero (el ejecutable de Windows bajo Wine,
// donde no hay otra forma de leer lo que muestra una ventana de Qt): cada vez
// que se muestra una ventana de primer nivel agrega al archivo, en UTF-8, su
// título y los textos que muestra (etiquetas, botones, campos y las listas,
// con sus elementos separados por "|"), y el de cada cuadro de mensaje:
//   ventana frmInicial «Replicación Tesal   v 1.0.0»
//     lblMuestra_1 «C:\Program Files\MySQL\MySQL Server 5.1»
//   caja «Finalizar» «¿Desea cerrar este programa?»
// El programa lo hace solo con RT_ANOTA_VENTANAS=ARCHIVO.
void AnotaVentanas(const QString& archivo);
