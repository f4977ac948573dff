#pragma once

#include "Componentes.h"

#include <ctime>
#include <string>
#include <vector>

// MySQL option files as the procedures change them: one key at a time, a
// backup before the first write, and the MySQL folder's own server binary
// asked beforehand whether it would start with the result.
namespace pasos {

struct ClaveOpcion {
    std::string seccion;
    std::string clave;
    std::string valor;
    // The value is written exactly as given (it is already quoted for the
    // server); otherwise it goes through ValorOpcionMySQL.
    bool literal = false;
};

// Writes the key so that the server reads the value as typed. Throws ErrorRT
// when the value cannot reach the server as typed, when its line would be too
// long (RevisaLineaOpcion) or when the file cannot be written.
void EscribeOpcion(rtqx5::libRTSA& lib, const ClaveOpcion& opcion, const std::string& archivo);

// Copies the file beside itself under NombreRespaldo (the next free order
// when that name exists already) and returns the copy's path; "" when the
// file does not exist. Throws ErrorRT when it cannot be copied.
std::string RespaldaArchivo(rtqx5::DeArchivos& archivos, const std::string& ruta,
                            std::time_t cuando);

struct Dictamen {
    bool acepta = false;
    // Why the server refuses: its error lines, or why it could not be asked.
    std::string motivo;
    // False when the file could not even be read to prepare the copy the
    // server checks (another program holds it open without sharing, no
    // permission): then nobody refused anything.
    bool leido = true;
};

// Asks beforehand, without touching `archivo`: writes the keys into a fresh
// copy of it in a temporary folder (an empty file when it does not exist) and
// has RevisaArchivoOpciones check that copy (with the check of the
// binary's version). The change itself checks the very
// file that replaces `archivo` (PreparaArchivoNuevo). The copy is removed.
Dictamen ValidaOpciones(const std::string& rutaMySQL, const std::string& archivo,
                        const std::vector<ClaveOpcion>& claves, const std::string& carpeta);

// The lines of a refusal worth showing: those carrying "[ERROR]" or "unknown
// variable"/"unknown option"; when there is none, the first non-empty lines.
std::string MotivoRechazo(const std::string& salida);

} // namespace pasos
