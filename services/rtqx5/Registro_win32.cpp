#include "Componentes.h"
#include "Registro.h"
#include "Win32Texto.h"

#include <vector>

// The Win32 registry. MySQL 5.1 came in 32- and 64-bit installers, whose keys
// land in the two views of HKEY_LOCAL_MACHINE\Software: the native view is
// read first, then the 32-bit one (Wow6432Node).
namespace rtqx5 {
namespace {

HKEY Raiz(std::uint32_t raiz) {
    switch (raiz) {
    case HKEY_CLASSES_ROOT_:
        return HKEY_CLASSES_ROOT;
    case HKEY_CURRENT_USER_:
        return HKEY_CURRENT_USER;
    case HKEY_LOCAL_MACHINE_:
        return HKEY_LOCAL_MACHINE;
    case HKEY_USERS_:
        return HKEY_USERS;
    default:
        return nullptr;
    }
}

// The string value in one view; false when the key or the value is missing or
// the value is no string.
bool LeeEnVista(HKEY raiz, const std::wstring& clave, const std::wstring& valor, REGSAM vista,
                std::wstring& resultado) {
    HKEY h = nullptr;
    if (RegOpenKeyExW(raiz, clave.c_str(), 0, KEY_QUERY_VALUE | vista, &h) != ERROR_SUCCESS)
        return false;
    DWORD tipo = 0;
    DWORD tamano = 0;
    LSTATUS r = RegQueryValueExW(h, valor.c_str(), nullptr, &tipo, nullptr, &tamano);
    std::vector<wchar_t> buf;
    // The value may grow between the two calls: ask again with the new size.
    while (r == ERROR_SUCCESS || r == ERROR_MORE_DATA) {
        if (tipo != REG_SZ && tipo != REG_EXPAND_SZ) {
            r = ERROR_INVALID_DATA;
            break;
        }
        buf.assign(tamano / sizeof(wchar_t) + 1, L'\0');
        DWORD bytes = static_cast<DWORD>((buf.size() - 1) * sizeof(wchar_t));
        r = RegQueryValueExW(h, valor.c_str(), nullptr, &tipo, reinterpret_cast<BYTE*>(buf.data()),
                             &bytes);
        if (r == ERROR_SUCCESS) {
            tamano = bytes;
            break;
        }
        tamano = bytes;
    }
    RegCloseKey(h);
    if (r != ERROR_SUCCESS || (tipo != REG_SZ && tipo != REG_EXPAND_SZ))
        return false;
    // The stored data need not end in NUL, and may hold several.
    std::wstring texto(buf.data(), tamano / sizeof(wchar_t));
    const auto nul = texto.find(L'\0');
    if (nul != std::wstring::npos)
        texto.resize(nul);
    if (tipo == REG_EXPAND_SZ && !texto.empty()) {
        const DWORD n = ExpandEnvironmentStringsW(texto.c_str(), nullptr, 0);
        if (n > 0) {
            std::wstring expandido(n, L'\0');
            const DWORD m = ExpandEnvironmentStringsW(texto.c_str(), expandido.data(), n);
            if (m > 0 && m <= n) {
                expandido.resize(m - 1);
                texto = std::move(expandido);
            }
        }
    }
    resultado = std::move(texto);
    return true;
}

} // namespace

std::string LeeValorRegistro(std::uint32_t raiz, const std::string& clave,
                             const std::string& valor) {
    const HKEY h = Raiz(raiz);
    if (!h)
        return {};
    const std::string& ruta = clave;
    const auto ancha = unicode::win32::Ancho(ruta);
    const auto nombre = unicode::win32::Ancho(valor);
    if (!ancha || !nombre)
        return {};
    std::wstring resultado;
    for (const REGSAM vista : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        if (LeeEnVista(h, *ancha, *nombre, vista, resultado))
            return unicode::win32::Utf8(resultado);
    }
    return {};
}

} // namespace rtqx5
