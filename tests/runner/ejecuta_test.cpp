// EjecutaCMD against real programs (sh, printf, pwd, sleep).

#include "EjecucionCMD.h"
#include "ProcesoConsola.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

using namespace ejecucion;
namespace fs = std::filesystem;

namespace {

// A box in memory that keeps every text it was given.
class CajaPrueba : public Caja {
public:
    std::string texto;
    long maxLength = 0;
    bool multiLinea = true;
    int ponTexto = 0;
    int agrega = 0;
    int cursor = 0;
    std::vector<std::string> estados; // the text after every write

    std::string Texto() const override { return texto; }
    void PonTexto(const std::string& t) override {
        texto = t;
        ++ponTexto;
        estados.push_back(texto);
    }
    void Agrega(const std::string& t) override {
        texto += t;
        ++agrega;
        estados.push_back(texto);
    }
    long MaxLength() const override { return maxLength; }
    bool MultiLine() const override { return multiLinea; }
    void CursorAlFinal() override { ++cursor; }
};

// One run with its out parameters.
struct Corrida {
    bool resultado = false;
    std::string bloque = "previo";
    std::string salida = "previo";
    std::int32_t codigo = 99;
};

class EjecutaCMDPrueba : public ::testing::Test {
protected:
    void SetUp() override {
        EstadoCMD = kCmdLibre;
        EntradaCMD.clear();
        PausaCMD = 0;
        PonBombaEventos([this] {
            ++bombeos;
            if (alBombear) {
                alBombear();
            }
        });
    }
    void TearDown() override { PonBombaEventos(nullptr); }

    Corrida Corre(const std::string& comando, Caja* caja = nullptr, std::uint8_t modo = 1,
                  std::int32_t maxSalida = -1, const std::string& indicador = "",
                  const std::string& carpeta = "") {
        Corrida c;
        c.resultado = EjecutaCMD(comando, carpeta, indicador, caja, true, modo, c.bloque, c.salida,
                                 maxSalida, c.codigo);
        EXPECT_EQ(EstadoCMD, kCmdLibre);
        EXPECT_EQ(EntradaCMD, "");
        EXPECT_EQ(PausaCMD, 0);
        return c;
    }

    int bombeos = 0;
    std::function<void()> alBombear;
};

TEST_F(EjecutaCMDPrueba, ProgramaQueNoEscribeNada) {
    CajaPrueba caja;
    caja.texto = "anterior";
    const Corrida c = Corre("true", &caja);
    EXPECT_TRUE(c.resultado);
    EXPECT_EQ(c.bloque, "");
    EXPECT_EQ(c.salida, "");
    EXPECT_EQ(c.codigo, 0);
    EXPECT_EQ(caja.texto, "");
}

TEST_F(EjecutaCMDPrueba, ProgramaOCarpetaInexistentes) {
    const std::string inexistente = (fs::temp_directory_path() / "no-existe-rt-ejecucion").string();
    for (const auto& [comando, carpeta] : std::vector<std::pair<std::string, std::string>>{
             {"programa-que-no-existe-rt --version", ""},
             {inexistente + "/prog", ""},
             {"true", inexistente},
             {"", ""}}) {
        CajaPrueba caja;
        caja.texto = "anterior";
        const Corrida c = Corre(comando, &caja, 1, -1, "", carpeta);
        EXPECT_FALSE(c.resultado) << comando << " en " << carpeta;
        EXPECT_EQ(c.codigo, 0);
        EXPECT_EQ(c.salida, "");
        EXPECT_EQ(caja.texto, "");
    }
    // Mode 0 leaves the box alone even then.
    CajaPrueba caja;
    caja.texto = "anterior";
    EXPECT_FALSE(Corre("programa-que-no-existe-rt", &caja, 0).resultado);
    EXPECT_EQ(caja.texto, "anterior");
}

TEST_F(EjecutaCMDPrueba, CodigoDeSalidaYSenal) {
    EXPECT_EQ(Corre("sh -c \"exit 3\"").codigo, 3);
    EXPECT_EQ(Corre("sh -c \"kill -9 $$\"").codigo, 128 + 9);
}

TEST_F(EjecutaCMDPrueba, CuatroPalabrasConSaltosMezclados) {
    CajaPrueba caja;
    const Corrida c = Corre(R"(printf "uno\ndos\rtres\r\n\r\ncuatro")", &caja);
    EXPECT_TRUE(c.resultado);
    EXPECT_EQ(c.salida, "uno\r\ndos\r\ntres\r\n\r\ncuatro");
    EXPECT_EQ(caja.texto, c.salida);
    EXPECT_GT(caja.cursor, 0);
}

TEST_F(EjecutaCMDPrueba, CarpetaDeTrabajoYArgumentosEntreComillas) {
    const fs::path carpeta = fs::temp_directory_path() / "rt ejecucion carpeta";
    fs::create_directories(carpeta);
    const Corrida c = Corre("pwd", nullptr, 0, -1, "", carpeta.string());
    EXPECT_EQ(c.salida, fs::canonical(carpeta).string() + "\r\n");
    fs::remove_all(carpeta);

    const Corrida a =
        Corre(R"(printf "[%s]" "a b" --defaults-file="C:\x y\a.ini" \"q\" "")", nullptr, 0);
    EXPECT_EQ(a.salida, R"([a b][--defaults-file=C:\x y\a.ini]["q"][])");
}

TEST_F(EjecutaCMDPrueba, PiezaDeSoloControlesNoAgregaNada) {
    CajaPrueba caja;
    const Corrida c = Corre(R"(sh -c "printf ab; sleep 0.2; printf '\001\002\033'")", &caja);
    EXPECT_EQ(c.bloque, "");
    EXPECT_EQ(c.salida, "ab");
    EXPECT_EQ(caja.texto, "ab");
}

// Mode 2 shows the last piece trimmed, so a piece of line breaks empties the
// box; mode 3 leaves the box as it was.
TEST_F(EjecutaCMDPrueba, Modos2y3ConPiezaDeSaltos) {
    const std::string comando = R"(sh -c "printf '  hola \n'; sleep 0.2; printf '\n\r\n'")";
    for (const auto& [modo, esperado] :
         std::vector<std::pair<std::uint8_t, std::string>>{{2, ""}, {3, "hola"}}) {
        CajaPrueba caja;
        const Corrida c = Corre(comando, &caja, modo);
        EXPECT_EQ(caja.texto, esperado) << "modo " << int(modo);
        EXPECT_EQ(caja.estados.at(1), "hola") << "modo " << int(modo);
        EXPECT_EQ(c.bloque, "\r\n\r\n");
    }
    // Mode 0 and unknown modes never write.
    for (std::uint8_t modo : {0, 4}) {
        CajaPrueba caja;
        caja.texto = "x";
        Corre("printf hola", &caja, modo);
        EXPECT_EQ(caja.texto, modo == 0 ? "x" : "") << "modo " << int(modo);
        EXPECT_EQ(caja.ponTexto + caja.agrega, modo == 0 ? 0 : 1) << "modo " << int(modo);
    }
}

TEST_F(EjecutaCMDPrueba, MaxSalida) {
    const std::string comando =
        R"(sh -c "printf abc; sleep 0.1; printf 'de\n'; sleep 0.1; printf f")";
    // "abc" "de\r\n" "f": eight characters after cleaning.
    EXPECT_EQ(Corre(comando, nullptr, 0, -1).salida, "abcde\r\nf");
    EXPECT_EQ(Corre(comando, nullptr, 0, 5).salida, "de\r\nf");
    EXPECT_EQ(Corre(comando, nullptr, 0, 0).salida, "");
    EXPECT_EQ(Corre("printf ñandú", nullptr, 0, 3).salida, "ndú");
}

TEST_F(EjecutaCMDPrueba, SalidaGrandeCompletaEnModo1SinReescribir) {
    CajaPrueba caja;
    const Corrida c = Corre("sh -c \"yes abcdefghi | head -n 20000\"", &caja);
    ASSERT_EQ(c.salida.size(), 20000u * 11);
    EXPECT_EQ(c.salida.substr(0, 22), "abcdefghi\r\nabcdefghi\r\n");
    EXPECT_EQ(caja.texto, c.salida);
    // Only the first emptying rewrites the box; every piece is appended.
    EXPECT_EQ(caja.ponTexto, 1);
    EXPECT_GT(caja.agrega, 1);
}

TEST_F(EjecutaCMDPrueba, CajaConMaxLengthGuardaLosUltimos) {
    CajaPrueba caja;
    caja.maxLength = 100;
    const Corrida c =
        Corre(R"(sh -c "for i in 1 2 3 4 5 6; do printf '%040d\n' $i; sleep 0.05; done")", &caja);
    ASSERT_EQ(c.salida.size(), 6u * 42);
    for (const std::string& e : caja.estados) {
        EXPECT_LE(e.size(), 100u);
    }
    EXPECT_EQ(caja.texto, c.salida.substr(c.salida.size() - 100));
}

TEST_F(EjecutaCMDPrueba, CajaDeUnaLineaNuncaTieneCrLf) {
    CajaPrueba caja;
    caja.multiLinea = false;
    const Corrida c = Corre(
        R"(sh -c "printf 'uno\n'; sleep 0.1; printf 'dos\r\n'; sleep 0.1; printf tres")", &caja);
    for (const std::string& e : caja.estados) {
        EXPECT_EQ(e.find("\r\n"), std::string::npos) << e;
    }
    EXPECT_EQ(caja.texto, "unodostres");
    EXPECT_EQ(c.salida, "uno\r\ndos\r\ntres");
}

TEST_F(EjecutaCMDPrueba, PausaCMDDetieneLaCaja) {
    CajaPrueba caja;
    alBombear = [&] {
        if (caja.texto == "uno") {
            PausaCMD = 1;
        }
    };
    const Corrida c = Corre(R"(sh -c "printf uno; sleep 0.2; printf dos")", &caja);
    EXPECT_EQ(caja.texto, "uno");
    EXPECT_EQ(c.salida, "unodos");
}

TEST_F(EjecutaCMDPrueba, IndicadorDeDosCaracteresNoEspera) {
    bool esperoRespuesta = false;
    alBombear = [&] { esperoRespuesta |= EstadoCMD == kCmdEsperandoRespuesta; };
    const Corrida c = Corre(R"(printf "¿Sí?")", nullptr, 0, -1, "í?");
    EXPECT_TRUE(c.resultado);
    EXPECT_FALSE(esperoRespuesta);
    EXPECT_EQ(c.salida, "¿Sí?");
}

// The line is quoted by Windows rules (double quotes, \" inside), as the
// runner splits it. The prompt "?" stops the reading until an answer comes; the answer is
// written once; then a stop request ends the program waiting for more input.
TEST_F(EjecutaCMDPrueba, IndicadorEsperaRespuestaYDetener) {
    CajaPrueba caja;
    int bombeosEsperando = 0;
    bool detenerPedido = false;
    alBombear = [&] {
        if (EstadoCMD == kCmdEsperandoRespuesta && ++bombeosEsperando == 5) {
            EntradaCMD = "sí\n";
        }
        if (caja.texto.find("r=sí") != std::string::npos && !detenerPedido) {
            detenerPedido = true;
            EstadoCMD = kCmdDetener;
        }
    };
    const auto inicio = std::chrono::steady_clock::now();
    const Corrida c = Corre(
        R"(sh -c "printf \"¿Seguro?\"; read r; echo \"r=$r\"; read s; echo \"s=$s\"; exit 4")",
        &caja, 1, -1, "?");
    EXPECT_LT(std::chrono::steady_clock::now() - inicio, std::chrono::seconds(3));
    EXPECT_TRUE(c.resultado);
    EXPECT_EQ(bombeosEsperando, 5); // waited, pumping, and only until the answer
    EXPECT_TRUE(detenerPedido);
    EXPECT_EQ(c.salida, "¿Seguro?r=sí\r\n");
    EXPECT_EQ(c.codigo, 0);
}

TEST_F(EjecutaCMDPrueba, DetenerMientrasEsperaRespuesta) {
    alBombear = [&] {
        if (EstadoCMD == kCmdEsperandoRespuesta) {
            EstadoCMD = kCmdDetener;
        }
    };
    const Corrida c = Corre(R"(sh -c "printf Continuar?; read r; exit 5")", nullptr, 0, -1, "?");
    EXPECT_TRUE(c.resultado);
    EXPECT_EQ(c.codigo, 0);
    EXPECT_EQ(c.salida, "Continuar?");
}

// A silent program is stopped at once, and the window keeps getting events.
TEST_F(EjecutaCMDPrueba, BombaCorreMientrasElProgramaCallaYDetenerLoTermina) {
    using Reloj = std::chrono::steady_clock;
    Reloj::time_point ultimo = Reloj::now();
    Reloj::duration mayorPausa{};
    const auto inicio = Reloj::now();
    alBombear = [&] {
        const auto ahora = Reloj::now();
        mayorPausa = std::max(mayorPausa, ahora - ultimo);
        ultimo = ahora;
        if (ahora - inicio > std::chrono::milliseconds(400)) {
            EstadoCMD = kCmdDetener;
        }
    };
    const Corrida c = Corre(R"(sh -c "sleep 30; echo tarde")", nullptr, 0);
    EXPECT_TRUE(c.resultado);
    EXPECT_EQ(c.codigo, 0);
    EXPECT_EQ(c.salida, "");
    EXPECT_LT(Reloj::now() - inicio, std::chrono::seconds(3));
    EXPECT_GE(bombeos, 8);
    EXPECT_LT(mayorPausa, std::chrono::milliseconds(100));
}

// A stop requested after the program has already ended on its own stops
// nothing: the rest of its output is still read and its own exit code stays.
TEST_F(EjecutaCMDPrueba, DetenerTrasElFinDelProgramaConservaSalidaYCodigo) {
    const fs::path marca = fs::temp_directory_path() / "rt-ejecucion-acabo";
    fs::remove(marca);
    CajaPrueba caja;
    alBombear = [&] {
        if (caja.texto == "uno" && EstadoCMD == kCmdCorriendo) {
            // The program has written the rest and is about to end.
            const auto limite = std::chrono::steady_clock::now() + std::chrono::seconds(5);
            while (!fs::exists(marca) && std::chrono::steady_clock::now() < limite) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            EstadoCMD = kCmdDetener;
        }
    };
    const Corrida c = Corre("sh -c \"printf uno; sleep 0.2; head -c 30000 /dev/zero | tr '\\0' x; "
                            ": > '" +
                                marca.string() + "'; exit 3\"",
                            &caja);
    fs::remove(marca);
    EXPECT_TRUE(c.resultado);
    EXPECT_EQ(c.codigo, 3);
    EXPECT_EQ(c.salida.size(), 30003u);
    EXPECT_TRUE(c.salida == "uno" + std::string(30000, 'x'));
    EXPECT_TRUE(caja.texto == c.salida);
}

// Output that keeps coming does not hold the window's events back either, and
// whenever the window gets them, the caret is at the end of the text.
TEST_F(EjecutaCMDPrueba, BombaCorreMientrasLlegaSalidaYVeElCaretAlFinal) {
    // A box that takes 1 ms per 10 KB it shows, so the run lasts while output
    // flows.
    struct CajaLenta : CajaPrueba {
        bool caretAlFinal = true;
        void Agrega(const std::string& t) override {
            std::this_thread::sleep_for(std::chrono::microseconds(t.size() / 10));
            texto += t;
            caretAlFinal = false;
        }
        void PonTexto(const std::string& t) override {
            texto = t;
            caretAlFinal = t.empty(); // a new text puts the caret at its start
        }
        void CursorAlFinal() override { caretAlFinal = true; }
    } caja;
    using Reloj = std::chrono::steady_clock;
    Reloj::time_point ultimo = Reloj::now();
    Reloj::duration mayorPausa{};
    int caretFuera = 0;
    alBombear = [&] {
        mayorPausa = std::max(mayorPausa, Reloj::now() - ultimo);
        ultimo = Reloj::now();
        caretFuera += caja.caretAlFinal ? 0 : 1;
    };
    const Corrida c = Corre("sh -c \"yes 0123456789 | head -c 3000000\"", &caja);
    EXPECT_EQ(c.salida.size(), 3000000u / 11 * 12 + 3000000u % 11); // LF became CR LF
    EXPECT_TRUE(caja.texto == c.salida);
    EXPECT_TRUE(caja.caretAlFinal);
    EXPECT_EQ(caretFuera, 0);
    EXPECT_GE(bombeos, 10);
    EXPECT_LT(mayorPausa, std::chrono::milliseconds(100));
}

// A daemon left behind with the output pipe open does not keep the run alive.
TEST_F(EjecutaCMDPrueba, ProcesoQueQuedaConLaSalidaAbierta) {
    const auto inicio = std::chrono::steady_clock::now();
    const Corrida c = Corre(R"(sh -c "sleep 5 & echo listo; exit 2")", nullptr, 0);
    EXPECT_TRUE(c.resultado);
    EXPECT_EQ(c.codigo, 2);
    EXPECT_EQ(c.salida, "listo\r\n");
    EXPECT_LT(std::chrono::steady_clock::now() - inicio, std::chrono::seconds(3));
}

TEST_F(EjecutaCMDPrueba, SegundaLlamadaDuranteUnaCorridaSeRechaza) {
    CajaPrueba caja;
    int rechazos = 0;
    alBombear = [&] {
        std::string b = "x", s = "x";
        std::int32_t codigo = 7;
        CajaPrueba otra;
        otra.texto = "otra";
        if (!EjecutaCMD("printf intruso", "", "", &otra, true, 1, b, s, -1, codigo)) {
            ++rechazos;
            EXPECT_EQ(otra.texto, "otra");
            EXPECT_EQ(EstadoCMD, kCmdCorriendo);
        }
    };
    const Corrida c = Corre(R"(sh -c "printf uno; sleep 0.1; printf dos")", &caja);
    EXPECT_TRUE(c.resultado);
    EXPECT_GT(rechazos, 0);
    EXPECT_EQ(c.salida, "unodos");
    EXPECT_EQ(caja.texto, "unodos");
    alBombear = nullptr;
    EXPECT_TRUE(Corre("true").resultado); // free again afterwards
}

// A file as standard input reaches the program byte for byte, whatever its
// path holds (no shell, nothing on the command line), and while the program
// runs the window can ask how far it has read; the window keeps its events.
TEST_F(EjecutaCMDPrueba, ArchivoDeEntradaLlegaEnteroYDiceCuantoSeLeyo) {
    const fs::path carpeta = fs::temp_directory_path() / "rt ejecución; 'x' `y` $HOME";
    fs::create_directories(carpeta);
    const fs::path archivo = carpeta / "entrada;DROP.sql";
    std::string bytes;
    for (int i = 0; i < 70000; ++i) {
        bytes += static_cast<char>(i % 256);
    }
    { std::ofstream(archivo, std::ios::binary) << bytes; }
    const fs::path copia = carpeta / "copia";
    Corrida c;
    EXPECT_TRUE(EjecutaCMD("sh -c \"cat > copia\"", carpeta.string(), "", nullptr, false, 0,
                           c.bloque, c.salida, -1, c.codigo, archivo.string()));
    EXPECT_EQ(c.codigo, 0);
    std::ifstream leida(copia, std::ios::binary);
    EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(leida), {}) == bytes);

    // dd reads exactly 1000 bytes and the program then stays a while.
    std::vector<std::int64_t> posiciones;
    alBombear = [&] { posiciones.push_back(PosicionEntradaCMD()); };
    EXPECT_EQ(PosicionEntradaCMD(), -1);
    c = Corre("sh -c \"dd bs=1000 count=1 of=/dev/null 2>/dev/null; sleep 0.2\"", nullptr, 0);
    EXPECT_TRUE(c.resultado);
    EXPECT_EQ(posiciones.back(), -1) << "sin archivo de entrada no hay posición";
    posiciones.clear();
    Corrida d;
    EXPECT_TRUE(EjecutaCMD("sh -c \"dd bs=1000 count=1 of=/dev/null 2>/dev/null; sleep 0.4\"", "",
                           "", nullptr, false, 0, d.bloque, d.salida, -1, d.codigo,
                           archivo.string()));
    ASSERT_GE(posiciones.size(), 10u) << "la ventana siguió recibiendo sus eventos";
    for (const std::int64_t p : posiciones) {
        EXPECT_TRUE(p == 0 || p == 1000) << p;
    }
    EXPECT_EQ(posiciones.back(), 1000);
    EXPECT_EQ(PosicionEntradaCMD(), -1);

    // A missing file, a folder, or a file together with a prompt: not started.
    alBombear = nullptr;
    for (const auto& [entrada, indicador] : std::vector<std::pair<fs::path, std::string>>{
             {carpeta / "falta", ""}, {carpeta, ""}, {archivo, "?"}}) {
        CajaPrueba caja;
        EXPECT_FALSE(EjecutaCMD("cat", "", indicador, &caja, false, 1, d.bloque, d.salida, -1,
                                d.codigo, entrada.string()))
            << entrada;
        EXPECT_EQ(EstadoCMD, kCmdLibre);
    }
    fs::remove_all(carpeta);
}

TEST_F(EjecutaCMDPrueba, Utf8PartidoEntreLecturasYBytesNoUtf8) {
    // "ñ" arrives in two reads; 0xE9 alone is é in 1252; 0x81 is dropped.
    const Corrida c = Corre(R"(sh -c "printf 'a\303'; sleep 0.2; printf '\261 \351 x\201y'")");
    EXPECT_EQ(c.salida, "añ é xy");
    // An output that ends inside a character still shows its bytes.
    EXPECT_EQ(Corre(R"(printf "fin\342\202")").salida, "finâ‚");
}

} // namespace
