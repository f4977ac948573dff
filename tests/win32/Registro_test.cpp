// Lectura del registro de Windows: valores creados con "reg add" de Wine en la
// vista nativa (64 bits) y en la de 32 bits (/reg:32).
#include "Ayudas.h"
#include "Componentes.h"
#include "Registro.h"

#include <gtest/gtest.h>

using namespace pruebas_win32;

namespace {

const std::wstring kBase = L"HKLM\\Software\\RTPruebas\\";

// "reg add" de la clave con el valor; `vista32` escribe en Wow6432Node.
void RegAdd(const std::wstring& clave, const std::wstring& argumentos, bool vista32) {
    const std::wstring linea = L"reg add \"" + clave + L"\" " + argumentos + L" /f" +
                               (vista32 ? L" /reg:32" : L" /reg:64");
    ASSERT_EQ(CorreYEspera(linea), 0) << Utf8(linea);
}

void RegDelete(const std::wstring& clave) {
    CorreYEspera(L"reg delete \"" + clave + L"\" /f /reg:64");
    CorreYEspera(L"reg delete \"" + clave + L"\" /f /reg:32");
}

struct CasoVistas {
    const char* nombre;
    const wchar_t* nativa; // dato en la vista nativa; nullptr: sin valor
    const wchar_t* de32;   // dato en la vista de 32 bits; nullptr: sin valor
    const char* esperado;  // UTF-8
};

void PrintTo(const CasoVistas& c, std::ostream* os) {
    *os << c.nombre;
}

class VistasDelRegistro : public ::testing::TestWithParam<CasoVistas> {
protected:
    void TearDown() override { RegDelete(Clave()); }
    std::wstring Clave() const { return kBase + Ancho(GetParam().nombre); }
};

TEST_P(VistasDelRegistro, PrimeroLaNativaLuegoLaDe32Bits) {
    const CasoVistas& c = GetParam();
    // La clave existe en las dos vistas; solo los valores cambian.
    RegAdd(Clave(), L"/v Otro /t REG_SZ /d x", false);
    RegAdd(Clave(), L"/v Otro /t REG_SZ /d x", true);
    if (c.nativa)
        RegAdd(Clave(), L"/v Location /t REG_SZ /d \"" + std::wstring(c.nativa) + L"\"", false);
    if (c.de32)
        RegAdd(Clave(), L"/v Location /t REG_SZ /d \"" + std::wstring(c.de32) + L"\"", true);
    const std::string clave = std::string("Software\\RTPruebas\\") + c.nombre;
    EXPECT_EQ(rtqx5::LeeValorRegistro(rtqx5::HKEY_LOCAL_MACHINE_, clave, "Location"), c.esperado);
    // Las barras en los extremos no cambian la clave.
    rtqx5::DelRegistro registro;
    EXPECT_EQ(registro.LeerCadena("\\" + clave + "\\", "location", rtqx5::HKEY_LOCAL_MACHINE_),
              c.esperado);
}

INSTANTIATE_TEST_SUITE_P(
    Win32, VistasDelRegistro,
    ::testing::Values(CasoVistas{"SoloNativa", L"C:\\MySQL64", nullptr, "C:\\MySQL64"},
                      CasoVistas{"Solo32", nullptr, L"C:\\MySQL32", "C:\\MySQL32"},
                      CasoVistas{"Ambas", L"C:\\Nativa", L"C:\\De32", "C:\\Nativa"},
                      CasoVistas{"Ninguna", nullptr, nullptr, ""},
                      CasoVistas{"VaciaEnNativa", L"", L"C:\\De32", ""},
                      CasoVistas{"Acentos", L"C:\\Archivos de programa\\MySQL Ñandú", nullptr,
                                 "C:\\Archivos de programa\\MySQL \xC3\x91\x61nd\xC3\xBA"}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST(RegistroWin32, LeerCadenaDeLaInstalacionDeMySQL51De32Bits) {
    const std::wstring clave = L"HKLM\\Software\\MySQL AB\\MySQL Server 5.1";
    RegAdd(clave, L"/v Location /t REG_SZ /d \"C:\\Archivos de programa\\MySQL\\MySQL Server 5.1\"",
           true);
    rtqx5::DelRegistro registro;
    EXPECT_EQ(registro.LeerCadena("Software\\MySQL AB\\MySQL Server 5.1", "Location",
                                  rtqx5::HKEY_LOCAL_MACHINE_),
              "C:\\Archivos de programa\\MySQL\\MySQL Server 5.1");
    EXPECT_EQ(registro.LeerCadena("Software\\MySQL AB\\MySQL Server 5.1", "NoExiste",
                                  rtqx5::HKEY_LOCAL_MACHINE_),
              "");
    RegDelete(clave);
    EXPECT_EQ(registro.LeerCadena("Software\\MySQL AB\\MySQL Server 5.1", "Location",
                                  rtqx5::HKEY_LOCAL_MACHINE_),
              "");
}

TEST(RegistroWin32, TiposValorPorOmisionYOtrasRaices) {
    const std::wstring clave = kBase + L"Tipos";
    RegAdd(clave, L"/v Numero /t REG_DWORD /d 7", false);
    RegAdd(clave, L"/v Expandible /t REG_EXPAND_SZ /d %SystemRoot%\\mysql", false);
    RegAdd(clave, L"/ve /t REG_SZ /d defecto", false);
    const std::string c = "Software\\RTPruebas\\Tipos";
    using rtqx5::LeeValorRegistro;
    // Un valor que no es cadena no se lee como tal.
    EXPECT_EQ(LeeValorRegistro(rtqx5::HKEY_LOCAL_MACHINE_, c, "Numero"), "");
    const std::string expandido = LeeValorRegistro(rtqx5::HKEY_LOCAL_MACHINE_, c, "Expandible");
    EXPECT_EQ(expandido.find('%'), std::string::npos) << expandido;
    EXPECT_TRUE(expandido.ends_with("\\mysql")) << expandido;
    EXPECT_GT(expandido.size(), std::string("\\mysql").size());
    EXPECT_EQ(LeeValorRegistro(rtqx5::HKEY_LOCAL_MACHINE_, c, ""), "defecto");
    // Otra raíz no ve la clave; una raíz desconocida no da nada.
    EXPECT_EQ(LeeValorRegistro(rtqx5::HKEY_CURRENT_USER_, c, ""), "");
    EXPECT_EQ(LeeValorRegistro(0x80000009u, c, ""), "");
    RegDelete(clave);

    const std::wstring usuario = L"HKCU\\Software\\RTPruebas\\Usuario";
    RegAdd(usuario, L"/v Nombre /t REG_SZ /d \"técnico\"", false);
    EXPECT_EQ(LeeValorRegistro(rtqx5::HKEY_CURRENT_USER_, "Software\\RTPruebas\\Usuario", "Nombre"),
              "t\xC3\xA9\x63nico");
    RegDelete(usuario);
}

} // namespace
