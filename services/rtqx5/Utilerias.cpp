#include "Componentes.h"

#include <cstdint>

// Scrambling of the product's user and password. Each byte b at position i
// becomes y = b XOR clave(i), written as two letters: 'A'+(y>>4) then 'a'+(y&15).
// A last character, a check digit or letter over the plain bytes, marks the text
// as a scramble. The result uses only A-Z, a-p and 0-9, so it survives an INI
// file, a MySQL option file and a command line untouched.
namespace rtqx5 {
namespace {

constexpr char kVerificacion[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// Position-dependent key: a small linear congruential sequence from a fixed
// valor inicial.
std::uint8_t Clave(std::size_t i) {
    std::uint32_t x = 0x5A17u + static_cast<std::uint32_t>(i) * 0x9E37u;
    x ^= x >> 7;
    x *= 0x2C1Bu;
    x ^= x >> 11;
    return static_cast<std::uint8_t>(x & 0xFFu);
}

char Verificacion(const std::string& plano) {
    std::uint32_t suma = 0;
    for (std::size_t i = 0; i < plano.size(); ++i)
        suma += static_cast<std::uint32_t>(i + 1) * static_cast<unsigned char>(plano[i]);
    return kVerificacion[suma % 36];
}

} // namespace

std::string Utilerias::Encripta(const std::string& texto) {
    if (texto.empty())
        return {};
    std::string r;
    r.reserve(texto.size() * 2 + 1);
    for (std::size_t i = 0; i < texto.size(); ++i) {
        const auto y = static_cast<std::uint8_t>(static_cast<unsigned char>(texto[i]) ^ Clave(i));
        r += static_cast<char>('A' + (y >> 4));
        r += static_cast<char>('a' + (y & 15));
    }
    r += Verificacion(texto);
    return r;
}

// Text that is no scramble of ours (a value typed into the product data by
// hand) is returned as it is.
std::string Utilerias::DesEncripta(const std::string& texto) {
    if (texto.size() < 3 || texto.size() % 2 == 0)
        return texto;
    std::string plano;
    plano.reserve(texto.size() / 2);
    for (std::size_t i = 0; i + 1 < texto.size(); i += 2) {
        const char alto = texto[i];
        const char bajo = texto[i + 1];
        if (alto < 'A' || alto > 'P' || bajo < 'a' || bajo > 'p')
            return texto;
        const auto y = static_cast<std::uint8_t>(((alto - 'A') << 4) | (bajo - 'a'));
        plano += static_cast<char>(y ^ Clave(i / 2));
    }
    if (Verificacion(plano) != texto.back())
        return texto;
    return plano;
}

} // namespace rtqx5
