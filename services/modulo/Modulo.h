#pragma once

#include "Errores.h"

#include <QString>
#include <QVariant>
#include <string>

class QWidget;

// Rutinas compartidas de las ventanas: bitácora, línea de estado, colocación
// de ventanas, confirmación y pequeñas ayudas de texto. No guardan estado
// propio; trabajan sobre el estado del proceso (Proceso.h).

// Nombre del archivo cuya presencia en la carpeta del programa enciende la
// bitácora. Su contenido nunca se lee.
inline constexpr char kMarcaBitacora[] = "ReplicacionTesal_.txt";

// Añade a RutaBitacora la línea "yyyy-mm-dd hh:nn:ss", cinco blancos, el texto
// y CR LF, en la página de códigos ANSI del sistema (UTF-8 fuera de Windows).
// Con desdeCero el archivo empieza de nuevo. Sin el archivo marca no hace nada.
// Lanza ErrorRT si no puede abrir o escribir la bitácora.
void EscribeBitacora(const QString& texto, bool desdeCero = false);

// Agrega a la caja "txtCapturaDOS" de la ventana CR LF y la línea ("Verificando "
// + texto + " ..." con verificando), y procesa una vez los eventos pendientes.
// Lanza ErrorRT si la ventana no tiene esa caja.
void MuestraPaso(QWidget* ventana, const QString& texto, bool verificando = false);

// Identificador con que se guarda la ventana: su propiedad "Tag" como texto
// (sin recortar) cuando no está en blanco; si no, su objectName recortado.
QString IdentificadorVentana(const QWidget* ventana);

// Guarda en el archivo de configuración, sección = identificador, "Ventana",
// "Linea", "Columna" y con tamaño "Ancho" y "Alto" (twips, medidas exteriores).
// Los errores de escritura llegan al llamador.
void GuardaVentana(QWidget* ventana, bool conTamano);

// Coloca la ventana según lo guardado. Nunca falla: un valor ilegible o fuera de
// los 16 bits lleva la ventana al borde superior o izquierdo; un tamaño que no
// se lee deja el tamaño de diseño.
void RecuperaVentana(QWidget* ventana, bool conTamano);

// Pregunta Sí/No (estilo 36, más 256 con porOmisionNo). true cuando la
// respuesta es Sí.
bool Confirma(const QString& pregunta, const QString& titulo, bool porOmisionNo);

// true cuando la línea de órdenes contiene "-rtsa" (distingue mayúsculas).
bool HaySwitchRtsa();

// "" para un valor vacío o nulo; el texto del valor en los demás casos.
QString ComoTexto(const QVariant& valor);

// Agrega el separador de rutas cuando la ruta no termina en él ("" da el separador).
void AgregaDiagonal(QString& ruta);
void AgregaDiagonal(std::string& ruta);

// Convierte un número de 16 bits como CInt: redondeo al par más cercano; fuera
// de -32768..32767 lanza ErrorRT(6).
int Entero16(double valor);
// Convierte el texto directamente (sin rtval): vacío o no numérico lanza
// ErrorRT(13); fuera de rango ErrorRT(6).
int Entero16(const QString& texto);

// Texto de un número de precisión simple, como lo guarda EscribeIni.
QString TextoSimple(double valor);

// Muestra un error que una acción del usuario no pudo evitar: cuadro crítico
// "Error" con "Error nº N, descripción".
void ReportaError(const rtqx5::ErrorRT& error);

// Conversión en la frontera entre ventanas (QString) y núcleo (UTF-8).
inline std::string Utf8(const QString& texto) {
    return texto.toStdString();
}
inline QString DeUtf8(const std::string& texto) {
    return QString::fromStdString(texto);
}
