#pragma once

#include <string>

// A client's password handed to a MySQL program in a temporary option file
// instead of its command line, which any process of the machine can read
// while the program runs. No Qt; all text is UTF-8.
namespace pasos {

// The text of an option-file value that the server's reader returns as
// `valor`: between double quotes, with "\" and the double quote escaped and
// line breaks and tabs written as escapes ("#" and "'" need nothing inside
// the quotes). Throws ErrorRT(kErrorArgumento) for a NUL or a value too long
// for one line of the file.
std::string ValorEntreComillas(const std::string& valor);

// A new option file with "[client]" and "password=" + ValorEntreComillas,
// readable only by the current user (mode 0600; on Windows, in the user's
// own temporary folder), removed when the object goes, whatever happened.
// The program must receive Opcion() as its FIRST option.
class ClaveTemporal {
public:
    // Throws ErrorRT when the file cannot be created or written (nothing is
    // left behind).
    explicit ClaveTemporal(const std::string& clave);
    ~ClaveTemporal();
    ClaveTemporal(const ClaveTemporal&) = delete;
    ClaveTemporal& operator=(const ClaveTemporal&) = delete;

    const std::string& Ruta() const { return ruta_; }
    // --defaults-extra-file=<Ruta()> as one argument of a command line.
    std::string Opcion() const;

private:
    std::string ruta_;
};

// Per platform: creates a new file that only the current user can read and
// write, in the temporary folder, with `contenido`, and returns its path;
// throws ErrorRT and leaves nothing when it cannot. BorraArchivoPrivado
// removes it (false when it could not).
std::string CreaArchivoPrivado(const std::string& prefijo, const std::string& contenido);
bool BorraArchivoPrivado(const std::string& ruta);

} // namespace pasos
