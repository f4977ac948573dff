#pragma once

#include <string>

// File access of the INI engine, one implementation per platform
// (IniArchivo_posix.cpp / IniArchivo_win32.cpp). Paths are UTF-8.
namespace rtqx5::ini {

enum class Lectura { Leido, NoExiste, Error };

// Reads the whole file into bytes. NoExiste when the file (or its folder) is
// missing; Error when it exists but cannot be read (a folder, no permission).
Lectura LeeArchivo(const std::string& ruta, std::string& bytes);

// Replaces the file's content atomically: a temporary file in the same folder
// (its name never ends in .ini or .cnf), written, flushed to disk, then renamed
// over the file. The file keeps its permissions (and owner where possible); a
// symbolic link keeps pointing at the file it names, whose content is replaced.
// A missing file is created. Throws ErrorRT(kErrorArchivo, Spanish message)
// when the folder is missing, the file or the folder is read-only, or any step
// fails; the file is then as it was and no temporary file is left.
void ReemplazaArchivo(const std::string& ruta, const std::string& bytes);

// Line ending of the files this program creates: "\r\n" on Windows, "\n"
// elsewhere.
const char* FinDeLineaNuevo();

} // namespace rtqx5::ini
