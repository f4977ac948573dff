// Writing: byte-exact results (the W rows of the INI facts and the engine's own
// rules) and refusals that leave the file as it was.
#include "Errores.h"
#include "Ini.h"
#include "Servidor.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

struct Escritura {
    const char* seccion;
    const char* clave;
    std::string valor;
};

struct CasoEscritura {
    const char* nombre;
    std::optional<std::string> antes; // nullopt: no file
    std::vector<Escritura> escrituras;
    std::string despues;
};

void PrintTo(const CasoEscritura& c, std::ostream* os) {
    *os << c.nombre;
}

class IniEscritura : public ::testing::TestWithParam<CasoEscritura> {};

TEST_P(IniEscritura, DejaExactamenteEstosBytes) {
    const CasoEscritura& c = GetParam();
    pruebas::CarpetaTemporal dir;
    const std::string archivo = dir.En("prueba.ini");
    if (c.antes)
        pruebas::EscribeArchivo(archivo, *c.antes);
    for (const Escritura& e : c.escrituras) {
        rtqx5::ini::Escribe(archivo, e.seccion, e.clave, e.valor);
        EXPECT_EQ(rtqx5::ini::Lee(archivo, e.seccion, e.clave), e.valor) << e.clave;
    }
    EXPECT_EQ(pruebas::LeeArchivo(archivo), c.despues);
}

INSTANTIATE_TEST_SUITE_P(
    Tabla, IniEscritura,
    ::testing::Values(
        // W1: a new key goes after the section's last entry.
        CasoEscritura{"W1_lf", "[s]\nname4=x\n", {{"s", "name5", "y"}}, "[s]\nname4=x\nname5=y\n"},
        CasoEscritura{"W1_crlf",
                      "[s]\r\nname4=x\r\n[t]\r\nz=1\r\n",
                      {{"s", "name5", "y"}},
                      "[s]\r\nname4=x\r\nname5=y\r\n[t]\r\nz=1\r\n"},
        CasoEscritura{"W1_sin_fin_de_linea",
                      "[s]\r\nname4=x",
                      {{"s", "name5", "y"}},
                      "[s]\r\nname4=x\r\nname5=y\r\n"},
        CasoEscritura{"W1_antes_de_blancos_y_comentarios",
                      "[s]\nk=1\n\n# otro grupo\n[t]\n",
                      {{"s", "j", "2"}},
                      "[s]\nk=1\nj=2\n\n# otro grupo\n[t]\n"},
        CasoEscritura{"W1_seccion_sin_claves",
                      "[s]\n; nota\n\n[t]\n",
                      {{"s", "k", "v"}},
                      "[s]\nk=v\n; nota\n\n[t]\n"},
        CasoEscritura{"W1_cabecera_al_final_sin_fin",
                      "[a]\r\nb=1\r\n[s]",
                      {{"s", "k", "v"}},
                      "[a]\r\nb=1\r\n[s]\r\nk=v\r\n"},
        // W2: a new file, sections added at the end with no blank line.
        CasoEscritura{"W2_archivo_nuevo",
                      std::nullopt,
                      {{"App1", "key1", "string1"},
                       {"App1", "key2", "string2"},
                       {"App1", "key3", "string3"},
                       {"App2", "key4", "string4"},
                       {"App3", "key5", "string5"}},
                      "[App1]\nkey1=string1\nkey2=string2\nkey3=string3\n[App2]\nkey4=string4\n"
                      "[App3]\nkey5=string5\n"},
        CasoEscritura{"W2_archivo_vacio", "", {{"s", "k", "v"}}, "[s]\nk=v\n"},
        // W3: a file without a final line break gets one before the new section.
        CasoEscritura{"W3_crlf",
                      "[a]\r\nb=1",
                      {{"section1", "key1", "string1"}},
                      "[a]\r\nb=1\r\n[section1]\r\nkey1=string1\r\n"},
        CasoEscritura{"W3_lf",
                      "[a]\nb=1",
                      {{"section1", "key1", "string1"}},
                      "[a]\nb=1\n[section1]\nkey1=string1\n"},
        CasoEscritura{"W3_cr",
                      "[a]\rb=1\r",
                      {{"section1", "key1", "string1"}},
                      "[a]\rb=1\r[section1]\rkey1=string1\r"},
        CasoEscritura{"W3_solo_comentario", "# nada", {{"s", "k", "v"}}, "# nada\n[s]\nk=v\n"},
        // W4: every line of the key in the section is set; MySQL obeys the last.
        CasoEscritura{"W4_duplicada",
                      "[s]\r\nk=1\r\nj=0\r\nK = 2\r\n",
                      {{"s", "k", "3"}},
                      "[s]\r\nk=3\r\nj=0\r\nK = 3\r\n"},
        CasoEscritura{"W4_secciones_repetidas",
                      "[mysqld]\nk=1\n[client]\nk=9\n[MYSQLD]\nk=2\n",
                      {{"mysqld", "k", "3"}},
                      "[mysqld]\nk=3\n[client]\nk=9\n[MYSQLD]\nk=3\n"},
        CasoEscritura{"W4_solo_en_la_repetida",
                      "[mysqld]\na=1\n[mysqld]\nk=2\n",
                      {{"mysqld", "k", "3"}},
                      "[mysqld]\na=1\nk=3\n[mysqld]\nk=3\n"},
        // W6: an empty value.
        CasoEscritura{"W6_vacio", "[s]\nk = 1\n", {{"s", "k", ""}}, "[s]\nk =\n"},
        CasoEscritura{"W6_vacio_nuevo", std::nullopt, {{"s", "k", ""}}, "[s]\nk=\n"},
        // W7: untouched bytes stay: spacing, comments, blank lines, endings.
        CasoEscritura{"W7_conserva_todo",
                      "; cabecera\r\n\r\n[client]\r\nport=3306\r\n\r\n[mysqld]\r\n  port = 3306 "
                      "# comentario\r\nbasedir=\"C:/MySQL/\"\n\t\r\n",
                      {{"mysqld", "port", "3308"}},
                      "; cabecera\r\n\r\n[client]\r\nport=3306\r\n\r\n[mysqld]\r\n  port = "
                      "3308\r\nbasedir=\"C:/MySQL/\"\n\t\r\n"},
        CasoEscritura{"W7_clave_sin_igual",
                      "[mysqld]\nlog-bin\nport=1\n",
                      {{"mysqld", "LOG-BIN", "maestro"}},
                      "[mysqld]\nlog-bin=maestro\nport=1\n"},
        CasoEscritura{"W7_conserva_la_grafia",
                      "[MySQLd]\n Server-ID=1\n",
                      {{"mysqld", "server-id", "2"}},
                      "[MySQLd]\n Server-ID=2\n"},
        CasoEscritura{"W7_mezcla_de_finales",
                      "[s]\rk=1\n[t]\r\nj=2",
                      {{"s", "x", "y"}},
                      "[s]\rk=1\nx=y\n[t]\r\nj=2"},
        CasoEscritura{
            "W7_antes_de_la_seccion", "k=1\n[s]\nk=2\n", {{"s", "k", "3"}}, "k=1\n[s]\nk=3\n"},
        // W8 and encodings: a mark stays, 1252 stays 1252, UTF-8 stays UTF-8.
        CasoEscritura{"W8_bom",
                      "\xEF\xBB\xBF[s]\r\nk=1\r\n",
                      {{"s", "k", "ñ"}},
                      "\xEF\xBB\xBF[s]\r\nk=\xC3\xB1\r\n"},
        CasoEscritura{"W8_bom_solo", "\xEF\xBB\xBF", {{"s", "k", "1"}}, "\xEF\xBB\xBF[s]\nk=1\n"},
        CasoEscritura{"W8_cp1252",
                      "[Configuraci\xF3n]\r\nRuta=C:\\a\xF1o\r\n",
                      {{"CONFIGURACIÓN", "Ruta", "C:\\niño €"}, {"Configuración", "Más", "sí"}},
                      "[Configuraci\xF3n]\r\nRuta=C:\\ni\xF1o \x80\r\nM\xE1s=s\xED\r\n"},
        CasoEscritura{"W8_cp1252_seccion_nueva",
                      "[a]\r\nb=\xE9\r\n",
                      {{"Sección", "Año", "€"}},
                      "[a]\r\nb=\xE9\r\n[Secci\xF3n]\r\nA\xF1o=\x80\r\n"},
        CasoEscritura{"W8_utf8", "[s]\nk=á\n", {{"s", "j", "€ ☃"}}, "[s]\nk=á\nj=€ ☃\n"},
        CasoEscritura{"W8_ascii_en_linux_es_utf8", "[s]\nk=a\n", {{"s", "k", "ß"}}, "[s]\nk=ß\n"},
        // Quotes and blanks are written as given.
        CasoEscritura{"comillas_y_almohadilla",
                      "[mysqld]\n",
                      {{"mysqld", "password", "a\"#b"}},
                      "[mysqld]\npassword=a\"#b\n"},
        CasoEscritura{"nombres_recortados", "[s]\n", {{" s ", " k ", "v"}}, "[s]\nk=v\n"}),
    [](const auto& info) { return std::string(info.param.nombre); });

// Quotes are read away, so this write reads back without them.
TEST(IniEscritura, ValorEntreComillasSeLeeSinEllas) {
    pruebas::CarpetaTemporal dir;
    rtqx5::ini::Escribe(dir.En("a.ini"), "s", "k", "' x '");
    EXPECT_EQ(rtqx5::ini::Lee(dir.En("a.ini"), "s", "k"), " x ");
}

ino_t Nodo(const std::string& ruta) {
    struct stat st {};
    EXPECT_EQ(stat(ruta.c_str(), &st), 0) << ruta;
    return st.st_ino;
}

TEST(IniEscritura, ElMismoValorNoReescribeElArchivo) {
    pruebas::CarpetaTemporal dir;
    const std::string archivo = dir.En("a.ini");
    pruebas::EscribeArchivo(archivo, "[s]\r\nk=1\r\nk=1\r\n");
    const ino_t antes = Nodo(archivo);
    rtqx5::ini::Escribe(archivo, "S", "K", "1");
    EXPECT_EQ(Nodo(archivo), antes); // a rewrite replaces the file: a new inode
    rtqx5::ini::Escribe(archivo, "s", "k", "2");
    EXPECT_NE(Nodo(archivo), antes);
    EXPECT_EQ(pruebas::LeeArchivo(archivo), "[s]\r\nk=2\r\nk=2\r\n");
}

TEST(IniEscritura, ConservaPermisosYDueno) {
    pruebas::CarpetaTemporal dir;
    const std::string archivo = dir.En("my.cnf");
    pruebas::EscribeArchivo(archivo, "[mysqld]\n");
    ASSERT_EQ(chmod(archivo.c_str(), 0640), 0);
    ASSERT_EQ(chown(archivo.c_str(), 12345, 23456) == 0 || geteuid() != 0, true);
    rtqx5::ini::Escribe(archivo, "mysqld", "port", "3307");
    struct stat st {};
    ASSERT_EQ(stat(archivo.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (geteuid() == 0) {
        EXPECT_EQ(st.st_uid, 12345u);
        EXPECT_EQ(st.st_gid, 23456u);
    }
}

TEST(IniEscritura, ArchivoNuevoConPermisosSegunUmask) {
    pruebas::CarpetaTemporal dir;
    const mode_t anterior = umask(027);
    rtqx5::ini::Escribe(dir.En("nuevo.ini"), "s", "k", "v");
    umask(anterior);
    struct stat st {};
    ASSERT_EQ(stat(dir.En("nuevo.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(IniEscritura, EnlaceSimbolicoEscribeEnSuDestino) {
    pruebas::CarpetaTemporal dir;
    fs::create_directory(dir.Ruta() / "real");
    pruebas::EscribeArchivo(dir.En("real/my.ini"), "[mysqld]\nport=1\n");
    fs::create_symlink("real/my.ini", dir.Ruta() / "enlace.ini");
    rtqx5::ini::Escribe(dir.En("enlace.ini"), "mysqld", "port", "2");
    EXPECT_TRUE(fs::is_symlink(dir.Ruta() / "enlace.ini"));
    EXPECT_EQ(fs::read_symlink(dir.Ruta() / "enlace.ini"), "real/my.ini");
    EXPECT_EQ(pruebas::LeeArchivo(dir.En("real/my.ini")), "[mysqld]\nport=2\n");
    // A link to a missing file creates that file.
    fs::create_symlink("real/nuevo.ini", dir.Ruta() / "colgante.ini");
    rtqx5::ini::Escribe(dir.En("colgante.ini"), "s", "k", "v");
    EXPECT_TRUE(fs::is_symlink(dir.Ruta() / "colgante.ini"));
    EXPECT_EQ(pruebas::LeeArchivo(dir.En("real/nuevo.ini")), "[s]\nk=v\n");
}

TEST(IniEscritura, NoDejaArchivosTemporales) {
    pruebas::CarpetaTemporal dir;
    for (int i = 0; i < 20; ++i)
        rtqx5::ini::Escribe(dir.En("a.ini"), "s", "k" + std::to_string(i % 3), std::to_string(i));
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir.Ruta())) {
        ++n;
        EXPECT_EQ(e.path().filename(), "a.ini");
    }
    EXPECT_EQ(n, 1);
}

// --- Refusals: an error, and the file byte for byte as it was ---

struct CasoRechazo {
    const char* nombre;
    std::string antes;
    Escritura escritura;
    long numero;
};

void PrintTo(const CasoRechazo& c, std::ostream* os) {
    *os << c.nombre;
}

class IniRechazo : public ::testing::TestWithParam<CasoRechazo> {};

TEST_P(IniRechazo, LanzaErrorYNoTocaElArchivo) {
    const CasoRechazo& c = GetParam();
    pruebas::CarpetaTemporal dir;
    const std::string archivo = dir.En("my.ini");
    pruebas::EscribeArchivo(archivo, c.antes);
    try {
        rtqx5::ini::Escribe(archivo, c.escritura.seccion, c.escritura.clave, c.escritura.valor);
        ADD_FAILURE() << "no lanzó";
    } catch (const rtqx5::ErrorRT& e) {
        EXPECT_EQ(e.Numero(), c.numero);
        EXPECT_FALSE(e.Descripcion().empty());
    }
    EXPECT_EQ(pruebas::LeeArchivo(archivo), c.antes);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Ruta()), fs::directory_iterator()), 1);
}

const std::string kMy = "[mysqld]\r\nport=3306\r\n";

INSTANTIATE_TEST_SUITE_P(
    Tabla, IniRechazo,
    ::testing::Values(
        CasoRechazo{
            "lf_en_valor", kMy, {"mysqld", "port", "1\nskip-grant-tables"}, rtqx5::kErrorArgumento},
        CasoRechazo{"cr_en_valor", kMy, {"mysqld", "port", "1\r"}, rtqx5::kErrorArgumento},
        CasoRechazo{"nul_en_valor", kMy, {"mysqld", "port", "1\0x"s}, rtqx5::kErrorArgumento},
        CasoRechazo{"lf_en_clave", kMy, {"mysqld", "a\nb", "1"}, rtqx5::kErrorArgumento},
        CasoRechazo{"cr_en_seccion", kMy, {"mysqld\r", "port", "1"}, rtqx5::kErrorArgumento},
        CasoRechazo{"clave_vacia", kMy, {"mysqld", " ", "1"}, rtqx5::kErrorArgumento},
        CasoRechazo{"clave_con_igual", kMy, {"mysqld", "a=b", "1"}, rtqx5::kErrorArgumento},
        CasoRechazo{"clave_comentario", kMy, {"mysqld", "#port", "1"}, rtqx5::kErrorArgumento},
        CasoRechazo{"seccion_vacia", kMy, {"", "port", "1"}, rtqx5::kErrorArgumento},
        CasoRechazo{"seccion_con_cierre", kMy, {"a]b", "port", "1"}, rtqx5::kErrorArgumento},
        CasoRechazo{"utf8_invalido", kMy, {"mysqld", "port", "\xE9"}, rtqx5::kErrorArgumento},
        CasoRechazo{"cp1252_no_representable",
                    "[s]\r\nk=\xE9\r\n",
                    {"s", "k", "☃"},
                    rtqx5::kErrorArgumento},
        CasoRechazo{"cp1252_seccion_no_representable",
                    "[s]\r\nk=\xE9\r\n",
                    {"Ω", "k", "1"},
                    rtqx5::kErrorArgumento},
        CasoRechazo{"utf16", "\xFF\xFE[\0s\0]\0\r\0\n\0"s, {"s", "k", "1"}, rtqx5::kErrorArchivo},
        CasoRechazo{"nul_en_archivo", "[s]\nk=\0\n"s, {"s", "k", "1"}, rtqx5::kErrorArchivo}),
    [](const auto& info) { return std::string(info.param.nombre); });

TEST(IniRechazo, CarpetaAusente) {
    pruebas::CarpetaTemporal dir;
    EXPECT_THROW(rtqx5::ini::Escribe(dir.En("falta/my.ini"), "s", "k", "v"), rtqx5::ErrorRT);
    EXPECT_FALSE(fs::exists(dir.Ruta() / "falta"));
}

TEST(IniRechazo, ArchivoDeSoloLectura) {
    pruebas::CarpetaTemporal dir;
    const std::string archivo = dir.En("my.ini");
    pruebas::EscribeArchivo(archivo, kMy);
    ASSERT_EQ(chmod(archivo.c_str(), 0444), 0);
    try {
        rtqx5::ini::Escribe(archivo, "mysqld", "port", "1");
        ADD_FAILURE() << "no lanzó";
    } catch (const rtqx5::ErrorRT& e) {
        EXPECT_EQ(e.Numero(), rtqx5::kErrorArchivo);
        EXPECT_NE(e.Descripcion().find("solo lectura"), std::string::npos) << e.Descripcion();
    }
    EXPECT_EQ(pruebas::LeeArchivo(archivo), kMy);
    // Writing the value it already holds is no change and no error.
    EXPECT_NO_THROW(rtqx5::ini::Escribe(archivo, "mysqld", "port", "3306"));
}

TEST(IniRechazo, CarpetaDeSoloLectura) {
    pruebas::CarpetaTemporal dir;
    fs::create_directory(dir.Ruta() / "ro");
    const std::string archivo = dir.En("ro/my.ini");
    pruebas::EscribeArchivo(archivo, kMy);
    ASSERT_EQ(chmod(dir.En("ro").c_str(), 0555), 0);
    EXPECT_THROW(rtqx5::ini::Escribe(archivo, "mysqld", "port", "1"), rtqx5::ErrorRT);
    EXPECT_THROW(rtqx5::ini::Escribe(dir.En("ro/nuevo.ini"), "s", "k", "1"), rtqx5::ErrorRT);
    chmod(dir.En("ro").c_str(), 0755);
    EXPECT_EQ(pruebas::LeeArchivo(archivo), kMy);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Ruta() / "ro"), fs::directory_iterator()),
              1);
}

TEST(IniRechazo, UnaCarpetaNoEsUnArchivo) {
    pruebas::CarpetaTemporal dir;
    fs::create_directory(dir.Ruta() / "x.ini");
    EXPECT_THROW(rtqx5::ini::Escribe(dir.En("x.ini"), "s", "k", "v"), rtqx5::ErrorRT);
    EXPECT_TRUE(fs::is_directory(dir.Ruta() / "x.ini"));
}

} // namespace
