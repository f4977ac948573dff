#pragma once

#include "Componentes.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>
#include <optional>

// Estado de todo el proceso. Lo crea la carga de la ventana principal y lo
// libera su descarga; las demás ventanas y las rutinas de Modulo lo leen.
namespace Proceso {

// Los ocho objetos de la biblioteca de componentes; vacíos hasta crearse.
inline std::shared_ptr<rtqx5::libRTSA> libRTSA;
inline std::shared_ptr<rtqx5::Plugins> Plugins;
inline std::shared_ptr<rtqx5::BasesDD> BasesDD;
inline std::shared_ptr<rtqx5::Utilerias> Utilerias;
inline std::shared_ptr<rtqx5::DeArchivos> DeArchivos;
inline std::shared_ptr<rtqx5::DelRegistro> DelRegistro;
inline std::shared_ptr<rtqx5::DeControles> DeControles;
inline std::shared_ptr<rtqx5::DeAcceso> DeAcceso;

// Carpeta del ejecutable, sin separador final salvo en la raíz.
inline QString CarpetaPrograma;
// Carpeta + separador + nombre del ejecutable + ".ini": el archivo de configuración.
inline QString RutaConfiguracion;
// Carpeta + separador + "Bitacora" + nombre del ejecutable + ".txt".
inline QString RutaBitacora;
// "   v " + mayor.menor.revisión.
inline QString TextoVersion;

// La ventana principal mientras existe: las demás ventanas copian su icono y
// leen la carpeta de MySQL de su etiqueta "lblMuestra_1".
inline QPointer<QWidget> VentanaPrincipal;

// Línea de órdenes que examina HaySwitchRtsa. Sin valor se toman los
// argumentos del proceso (sin el nombre del programa) unidos por un blanco.
inline std::optional<QString> LineaComandos;

} // namespace Proceso
