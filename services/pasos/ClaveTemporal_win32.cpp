// Win32 backend of ClaveTemporal.h: a new file in the user's temporary folder
// whose access list grants the current user alone.
#include <windows.h>

#include "ClaveTemporal.h"

#include "Errores.h"
#include "Win32Texto.h"

#include <memory>
#include <vector>

namespace pasos {

namespace {

struct CierraManejador {
    void operator()(HANDLE h) const {
        if (h && h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
};
using Manejador = std::unique_ptr<void, CierraManejador>;

rtqx5::ErrorRT Falla(const std::string& que) {
    return rtqx5::ErrorRT(rtqx5::kErrorArchivo,
                          que + ": " + unicode::win32::MensajeSistema(GetLastError()));
}

// The SID of the user this process runs as, in `memoria`.
PSID UsuarioActual(std::vector<unsigned char>& memoria) {
    HANDLE ficha = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &ficha))
        throw Falla("No se pudo leer el usuario del proceso");
    const Manejador cierra(ficha);
    DWORD largo = 0;
    GetTokenInformation(ficha, TokenUser, nullptr, 0, &largo);
    memoria.resize(largo);
    if (largo == 0 || !GetTokenInformation(ficha, TokenUser, memoria.data(), largo, &largo))
        throw Falla("No se pudo leer el usuario del proceso");
    return reinterpret_cast<TOKEN_USER*>(memoria.data())->User.Sid;
}

} // namespace

std::string CreaArchivoPrivado(const std::string& prefijo, const std::string& contenido) {
    wchar_t carpeta[MAX_PATH + 1] = {};
    const DWORD largo = GetTempPathW(MAX_PATH + 1, carpeta);
    if (largo == 0 || largo > MAX_PATH)
        throw Falla("No se encontró la carpeta temporal del usuario");

    // Only the current user, and nothing inherited from the folder.
    std::vector<unsigned char> usuario;
    const PSID sid = UsuarioActual(usuario);
    const DWORD largoLista = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + GetLengthSid(sid);
    std::vector<unsigned char> lista(largoLista);
    auto* acl = reinterpret_cast<PACL>(lista.data());
    SECURITY_DESCRIPTOR descriptor{};
    if (!InitializeAcl(acl, largoLista, ACL_REVISION) ||
        !AddAccessAllowedAce(acl, ACL_REVISION, GENERIC_ALL, sid) ||
        !InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) ||
        !SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        throw Falla("No se pudo preparar el permiso del archivo temporal");
    SECURITY_ATTRIBUTES atributos{sizeof atributos, &descriptor, FALSE};

    const std::wstring base = std::wstring(carpeta) +
                              unicode::win32::Ancho(prefijo).value_or(L"rt") + L"-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-";
    for (unsigned intento = 0; intento < 1000; ++intento) {
        const std::wstring ruta = base + std::to_wstring(GetTickCount64() % 100000) + L"-" +
                                  std::to_wstring(intento) + L".cnf";
        Manejador archivo(CreateFileW(ruta.c_str(), GENERIC_WRITE, 0, &atributos, CREATE_NEW,
                                      FILE_ATTRIBUTE_TEMPORARY, nullptr));
        if (archivo.get() == INVALID_HANDLE_VALUE) {
            archivo.release();
            if (GetLastError() == ERROR_FILE_EXISTS)
                continue;
            throw Falla("No se pudo crear un archivo temporal");
        }
        DWORD escrito = 0;
        const bool bien = WriteFile(archivo.get(), contenido.data(),
                                    static_cast<DWORD>(contenido.size()), &escrito, nullptr) &&
                          escrito == contenido.size();
        if (!bien) {
            const rtqx5::ErrorRT error = Falla("No se pudo escribir el archivo temporal");
            archivo.reset();
            DeleteFileW(ruta.c_str());
            throw error;
        }
        archivo.reset();
        return unicode::win32::Utf8(ruta);
    }
    throw Falla("No se pudo crear un archivo temporal");
}

bool BorraArchivoPrivado(const std::string& ruta) {
    const auto ancha = unicode::win32::Ancho(ruta);
    return ancha && !ruta.empty() && DeleteFileW(ancha->c_str());
}

} // namespace pasos
