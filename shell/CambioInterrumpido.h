#pragma once

#include <QString>

// Al arrancar: si una corrida anterior se cortó con un servicio detenido para
// cambiar su archivo de opciones (la nota junto a `rutaConfiguracion`), lo
// dice y, si el técnico lo pide, arranca el servicio con el archivo como está
// o con la copia de respaldo puesta de vuelta. La nota se borra cuando el
// servidor contesta; si no, se queda para la próxima vez. Una nota que no se
// puede leer se avisa (nunca se toma por ninguna) y se deja.
void AtiendeCambioInterrumpido(const QString& rutaConfiguracion, const QString& carpetaPrograma);
