// Win32 backend of the option-file change: attributes for the read-only
// checks, ReplaceFile (or MoveFileEx with write-through) for the replacement.
#include <windows.h>

#include "CambioOpciones.h"
#include "CambioOpcionesSistema.h"

#include "Errores.h"
#include "Win32Texto.h"

namespace pasos {

namespace {

[[noreturn]] void Falla(const std::string& texto, DWORD err = 0) {
    throw rtqx5::ErrorRT(rtqx5::kErrorArchivo,
                         err != 0 ? texto + " (error " + std::to_string(err) + ")" : texto);
}

std::wstring Ancha(const std::string& ruta, const std::string& mostrado) {
    const auto ancha = unicode::win32::Ancho(ruta);
    if (!ancha)
        Falla("La ruta del archivo " + mostrado + " no es válida");
    return *ancha;
}

std::wstring CarpetaDe(const std::wstring& ruta) {
    const auto p = ruta.find_last_of(L"\\/");
    if (p == std::wstring::npos)
        return L".";
    return ruta.substr(0, p == 0 || (p == 2 && ruta[1] == L':') ? p + 1 : p);
}

} // namespace

namespace detalle {

void CompruebaEscribible(const std::string& archivo, const std::string& mostrado) {
    const std::wstring ruta = Ancha(archivo, mostrado);
    const std::wstring carpeta = CarpetaDe(ruta);
    const DWORD atrCarpeta = GetFileAttributesW(carpeta.c_str());
    if (atrCarpeta == INVALID_FILE_ATTRIBUTES || !(atrCarpeta & FILE_ATTRIBUTE_DIRECTORY))
        Falla("No existe la carpeta del archivo " + mostrado);
    // A folder lets files be created when a new one can be made in it.
    wchar_t prueba[MAX_PATH + 1] = {};
    if (carpeta.size() < MAX_PATH - 14 && GetTempFileNameW(carpeta.c_str(), L"rt", 0, prueba))
        DeleteFileW(prueba);
    else
        Falla("La carpeta " + unicode::win32::Utf8(carpeta) + " del archivo " + mostrado +
                  " no permite escribir",
              GetLastError());
    const DWORD atr = GetFileAttributesW(ruta.c_str());
    if (atr == INVALID_FILE_ATTRIBUTES)
        return;
    if (atr & FILE_ATTRIBUTE_DIRECTORY)
        Falla("No es un archivo: " + mostrado);
    if (atr & FILE_ATTRIBUTE_READONLY)
        Falla("El archivo " + mostrado + " es de solo lectura");
}

void CopiaPermisos(const std::string& origen, const std::string& destino) {
    // ReplaceFile keeps the original's security; the attributes go with it
    // here, as a file made by MoveFileEx would not have them.
    const auto o = unicode::win32::Ancho(origen);
    const auto d = unicode::win32::Ancho(destino);
    if (!o || !d)
        return;
    const DWORD atr = GetFileAttributesW(o->c_str());
    if (atr == INVALID_FILE_ATTRIBUTES)
        return;
    const DWORD conservar = atr & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                   FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
    if (!SetFileAttributesW(d->c_str(), conservar ? conservar : FILE_ATTRIBUTE_NORMAL))
        Falla("No se pueden copiar los atributos de " + origen, GetLastError());
}

} // namespace detalle

void InstalaArchivoNuevo(const std::string& nuevo, const std::string& archivo) {
    const std::wstring desde = Ancha(nuevo, archivo);
    const std::wstring hacia = Ancha(detalle::ArchivoReal(archivo), archivo);
    const bool existe = GetFileAttributesW(hacia.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (existe && ReplaceFileW(hacia.c_str(), desde.c_str(), nullptr,
                               REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
        return;
    if (!MoveFileExW(desde.c_str(), hacia.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        Falla("No se puede reemplazar el archivo " + archivo, GetLastError());
}

} // namespace pasos
