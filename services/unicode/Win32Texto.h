#pragma once

// Conversions between the core's UTF-8 and the Win32 API's UTF-16 and ANSI
// text. Only the *_win32.cpp files of rtqx5 and ejecucion include this header.
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace unicode::win32 {

// UTF-8 to UTF-16; nullopt when the bytes are not valid UTF-8.
inline std::optional<std::wstring> Ancho(std::string_view texto) {
    if (texto.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, texto.data(),
                                      static_cast<int>(texto.size()), nullptr, 0);
    if (n <= 0)
        return std::nullopt;
    std::wstring r(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, texto.data(), static_cast<int>(texto.size()),
                        r.data(), n);
    return r;
}

// UTF-16 to UTF-8 (a lone surrogate becomes U+FFFD).
inline std::string Utf8(std::wstring_view texto) {
    if (texto.empty())
        return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string r(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, texto.data(), static_cast<int>(texto.size()), r.data(), n,
                            nullptr, nullptr);
    return r;
}

// Bytes of code page `cp` to UTF-16 (every byte gives a character).
inline std::wstring DePagina(UINT cp, std::string_view bytes) {
    if (bytes.empty())
        return {};
    const int n =
        MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring r(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(cp, 0, bytes.data(), static_cast<int>(bytes.size()), r.data(), n);
    return r;
}

// UTF-16 to code page `cp`; nullopt when a character has no exact byte
// sequence there (no "best fit" look-alikes: "ā" never silently becomes "a").
inline std::optional<std::string> APagina(UINT cp, std::wstring_view texto) {
    if (texto.empty())
        return std::string();
    const bool esUtf8 = cp == CP_UTF8;
    const DWORD banderas = esUtf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usoDefecto = FALSE;
    const int n = WideCharToMultiByte(cp, banderas, texto.data(), static_cast<int>(texto.size()),
                                      nullptr, 0, nullptr, esUtf8 ? nullptr : &usoDefecto);
    if (n <= 0 || usoDefecto)
        return std::nullopt;
    std::string r(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(cp, banderas, texto.data(), static_cast<int>(texto.size()), r.data(), n,
                        nullptr, esUtf8 ? nullptr : &usoDefecto);
    if (usoDefecto)
        return std::nullopt;
    return r;
}

// The system's message for a Win32 error code, in UTF-8, without the final
// line break.
inline std::string MensajeSistema(DWORD codigo) {
    wchar_t* buf = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, codigo, 0, reinterpret_cast<wchar_t*>(&buf), 0, nullptr);
    std::wstring texto = n && buf ? std::wstring(buf, n) : std::wstring();
    if (buf)
        LocalFree(buf);
    while (!texto.empty() && (texto.back() == L'\n' || texto.back() == L'\r' ||
                              texto.back() == L' ' || texto.back() == L'.'))
        texto.pop_back();
    if (texto.empty())
        return "error " + std::to_string(codigo);
    return Utf8(texto);
}

} // namespace unicode::win32
