#include "ComplementosCliente.h"
#include "Win32Texto.h"

#include <vector>

namespace rtqx5 {
namespace {

// The executable's full path (no limit of MAX_PATH).
std::wstring RutaEjecutable() {
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0)
            return {};
        if (n < buf.size())
            return std::wstring(buf.data(), n);
        buf.resize(buf.size() * 2);
    }
}

} // namespace

std::string CarpetaComplementosCliente() {
    std::wstring ruta = RutaEjecutable();
    const auto barra = ruta.find_last_of(L"\\/");
    if (barra == std::wstring::npos)
        return {};
    ruta = ruta.substr(0, barra) + L"\\plugin";
    if (auto ansi = unicode::win32::APagina(CP_ACP, ruta))
        return *ansi;
    // A folder name the ANSI code page cannot spell: its short (8.3) form,
    // where the volume keeps one.
    const DWORD n = GetShortPathNameW(ruta.c_str(), nullptr, 0);
    if (n == 0)
        return {};
    std::wstring corta(n, L'\0');
    const DWORD m = GetShortPathNameW(ruta.c_str(), corta.data(), n);
    if (m == 0 || m >= n)
        return {};
    corta.resize(m);
    return unicode::win32::APagina(CP_ACP, corta).value_or(std::string());
}

} // namespace rtqx5
