#pragma once

#include "Componentes.h"
#include "ConsultaEstado.h"
#include "Versiones.h"

#include <cstdint>
#include <string>

// Piezas comunes de las consultas de la ventana del estado (y de su medición):
// la conexión con los límites del servidor y el hilo de aplicación del esclavo
// llevado a una posición del maestro. Sin Qt.
namespace estado {

// Conecta con los límites de espera del servidor; sin conexión, el motivo en
// `error` si se da.
bool Conecta(const Servidor& s, rtqx5::Conexion& c, ErrorConexion* error = nullptr);

std::uint64_t Numero(const std::string& texto);

// La columna con su nombre clásico o con el de MySQL 8.0.22+.
std::string Columna(const rtqx5::Conexion::Resultado& r, const std::string& clasica);

// Lleva el hilo de aplicación (detenido) hasta la posición del maestro y lo
// deja detenido allí; false si no llega en `espera` segundos.
bool LlevaAplicacionA(rtqx5::Conexion& e, const pasos::VersionServidor& v,
                      const std::string& archivo, std::uint64_t posicion, int espera);

// Reanuda el hilo de aplicación (quita también un UNTIL pendiente); si la
// conexión se perdió, con otra. False si ni así.
bool ReanudaAplicacion(const Servidor& s, rtqx5::Conexion& c, const pasos::VersionServidor& v);

} // namespace estado
