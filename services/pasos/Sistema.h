#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What a procedure asks the operating system directly: the ordinary files of
// a folder, whether a service exists, whether a TCP port is taken. One backend
// per platform (Sistema_win32.cpp, Sistema_posix.cpp). All text is UTF-8.
namespace pasos {

// The names of the ordinary files of the folder (no folders, no hidden or
// system files) in the order the file system lists them. Throws ErrorRT when
// the folder cannot be read.
std::vector<std::string> ArchivosComunes(const std::string& carpeta);

// True when a service of that name is registered: on Windows with the service
// manager, elsewhere with the `net` stand-in ("net query NOMBRE"). False when
// it is not or when that cannot be known.
bool ExisteServicio(const std::string& nombre);

enum class EstadoServicio { NoExiste, Detenido, Iniciado, Desconocido };

// Whether the service is running: on Windows with the service manager (a
// service starting, stopping or paused counts as running), elsewhere with
// the `net` stand-in ("net query NOMBRE"). Desconocido when that cannot be
// known.
EstadoServicio EstadoDeServicio(const std::string& nombre);

// True when a server accepts a TCP connection on 127.0.0.1 at the port
// within `milisegundos`.
bool ServidorContesta(std::uint16_t puerto, int milisegundos);

// True when the TCP port cannot be taken on this machine because something is
// already listening on it.
bool PuertoOcupado(std::uint16_t puerto);

} // namespace pasos
