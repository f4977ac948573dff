// Paths of the Windows stand-ins of the Wine tests (tests/win32/sustitutos):
// what an option file and an argument become on the Linux side.
#include "Puente.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using sustitutos::TraduceArgumento;
using sustitutos::TraduceOpciones;

// C:\ is /c/, a path with "sin" in it has no Linux counterpart.
std::optional<std::string> Traductor(const std::string& ruta) {
    if (ruta.find("sin") != std::string::npos)
        return std::nullopt;
    std::string r = "/c/" + ruta.substr(3);
    for (char& c : r)
        if (c == '\\')
            c = '/';
    return r;
}

struct Caso {
    const char* linea;
    const char* esperada;
};

class LineaDeOpciones : public ::testing::TestWithParam<Caso> {};

TEST_P(LineaDeOpciones, SeTraduceComoLaLeeElServidor) {
    EXPECT_EQ(TraduceOpciones(GetParam().linea, Traductor), GetParam().esperada);
}

INSTANTIATE_TEST_SUITE_P(
    Casos, LineaDeOpciones,
    ::testing::Values(
        // Quoted with "/", as MySQL 5.1 writes it; the line ending stays.
        Caso{"datadir=\"C:/Program Files/MySQL/data/\"\r\n",
             "datadir=\"/c/Program Files/MySQL/data/\"\r\n"},
        // Unquoted, blanks and a comment after the value.
        Caso{"  basedir = C:\\mysql\\   # carpeta\n", "basedir=\"/c/mysql/\"\n"},
        // Escapes decoded as the server does: \\ is one backslash, an
        // unknown escape keeps it.
        Caso{"log-error='C:\\\\logs\\\\x.err'", "log-error=\"/c/logs/x.err\""},
        Caso{"tmpdir=D:\\mysql\\var", "tmpdir=\"/c/mysql/var\""},
        // So are \r, \t, \b and \s (a blank).
        Caso{"log-error=C:\\sql\\x.err", "log-error=\"C: ql/x.err\""},
        // "\n" is a line feed for the server too: the value is no Windows
        // path then, and the line feed goes back escaped, not as a new line.
        Caso{"datadir=C:\\new\\data\n", "datadir=\"C:\\new/data\"\n"},
        // Key spellings: "_" or "-", any case, loose- prefix; kept as written.
        Caso{"Log_Bin=C:\\logs\\qx\n", "Log_Bin=\"/c/logs/qx\"\n"},
        Caso{"loose-relay_log=C:\\datos\\qx-relay\n", "loose-relay_log=\"/c/datos/qx-relay\"\n"},
        // A relative path keeps being relative, with "/".
        Caso{"relay-log=sub\\qx-relay\n", "relay-log=\"sub/qx-relay\"\n"},
        Caso{"log-bin=qx-bin", "log-bin=\"qx-bin\""},
        // A path without a Linux counterpart is left alone.
        Caso{"datadir=C:\\mysql_sin\\data\n", "datadir=C:\\mysql_sin\\data\n"},
        // Windows-only keys are commented out.
        Caso{"socket=MySQL\n", "# (Windows) socket=MySQL\n"},
        Caso{"plugin_dir=C:\\mysql\\lib\\plugin\n",
             "# (Windows) plugin_dir=C:\\mysql\\lib\\plugin\n"},
        Caso{"enable-named-pipe\n", "# (Windows) enable-named-pipe\n"},
        // Everything else stays byte for byte.
        Caso{"port=3306\r\n", "port=3306\r\n"},
        Caso{"innodb_data_file_path=ibdata1:10M:autoextend\n",
             "innodb_data_file_path=ibdata1:10M:autoextend\n"},
        Caso{"log-bin\n", "log-bin\n"},
        Caso{"# datadir=C:\\comentario\n", "# datadir=C:\\comentario\n"},
        Caso{"; datadir=C:\\comentario\n", "; datadir=C:\\comentario\n"},
        Caso{"[mysqld]\n", "[mysqld]\n"}, Caso{"\n\n", "\n\n"}, Caso{"", ""},
        Caso{"character-set-server=latin1 # Windows\n",
             "character-set-server=latin1 # Windows\n"}));

TEST(TraduceOpciones, UnArchivoEnteroSoloCambiaSusRutas) {
    const std::string archivo = "[client]\r\nport=3308\r\n\r\n[mysqld]\r\nport=3308\r\n"
                                "datadir=\"C:/Program Files/MySQL/QXmirror/\"\r\n"
                                "server-id=2\r\nreplicate-do-db=datos1";
    EXPECT_EQ(TraduceOpciones(archivo, Traductor),
              "[client]\r\nport=3308\r\n\r\n[mysqld]\r\nport=3308\r\n"
              "datadir=\"/c/Program Files/MySQL/QXmirror/\"\r\n"
              "server-id=2\r\nreplicate-do-db=datos1");
}

TEST(TraduceOpciones, UnaRutaLinuxConComillasOBarrasVaEscapada) {
    const auto traductor = [](const std::string&) -> std::optional<std::string> {
        return std::string("/x/a\"b\\c");
    };
    EXPECT_EQ(TraduceOpciones("datadir=C:\\d", traductor), "datadir=\"/x/a\\\"b\\\\c\"");
}

TEST(TraduceArgumento, SoloLasOpcionesDeArchivoOCarpeta) {
    EXPECT_EQ(TraduceArgumento("--result-file=C:\\copia\\v.sql", Traductor),
              "--result-file=/c/copia/v.sql");
    EXPECT_EQ(TraduceArgumento("--defaults-extra-file=C:\\Temp\\rt1.cnf", Traductor),
              "--defaults-extra-file=/c/Temp/rt1.cnf");
    EXPECT_EQ(TraduceArgumento("--defaults_file=C:\\my.ini", Traductor),
              "--defaults_file=/c/my.ini");
    EXPECT_EQ(TraduceArgumento("--execute=SELECT 'C:\\x'", Traductor), "--execute=SELECT 'C:\\x'");
    EXPECT_EQ(TraduceArgumento("-e", Traductor), "-e");
    EXPECT_EQ(TraduceArgumento("--result-file", Traductor), "--result-file");
    EXPECT_EQ(TraduceArgumento("--result-file=C:\\sin\\v.sql", Traductor),
              "--result-file=C:\\sin\\v.sql");
    EXPECT_EQ(TraduceArgumento("C:\\datos.sql", Traductor), "C:\\datos.sql");
}

// Wine's own translation, as winepath -u gives it.
TEST(RutaUnix, LaDaWine) {
    const auto windows = sustitutos::RutaUnix("C:\\windows\\system32");
    ASSERT_TRUE(windows);
    EXPECT_EQ(windows->front(), '/');
    EXPECT_EQ(windows->substr(windows->size() - 17), "/windows/system32");
    EXPECT_EQ(sustitutos::RutaUnix("Z:\\tmp\\a b"), "/tmp/a b");
    // A datadir or log-bin may name folders that do not exist yet.
    EXPECT_EQ(sustitutos::RutaUnix("Z:\\tmp\\no\\existe\\x.err"), "/tmp/no/existe/x.err");
    EXPECT_EQ(sustitutos::RutaUnix("Z:/tmp/con/barras/"), "/tmp/con/barras/");
}

} // namespace
