#pragma once

#include <cstdint>
#include <functional>
#include <string>

// EjecucionCMD: runs one console program at a time for the windows, shows its
// cleaned output in a box while it runs and can collect it. Everything runs on
// the user-interface thread; window events are pumped while the program runs.
// Text is UTF-8 throughout.
namespace ejecucion {

// ---- Process-wide state (one run at a time) -------------------------------

// 0 idle, 1 running, 2 waiting for an answer to a prompt, 3 stop requested.
inline constexpr std::uint8_t kCmdLibre = 0;
inline constexpr std::uint8_t kCmdCorriendo = 1;
inline constexpr std::uint8_t kCmdEsperandoRespuesta = 2;
inline constexpr std::uint8_t kCmdDetener = 3;

extern std::uint8_t EstadoCMD;
// Answer waiting to be written to the program's standard input (written as
// is: an answer that needs a line break must hold it).
extern std::string EntradaCMD;
// While not zero the runner does not update the box.
extern std::uint8_t PausaCMD;

// ---- The box that shows the output ----------------------------------------

// What the runner needs of a text box. Line breaks are CR LF as the runner
// writes them; lengths count characters (Unicode code points).
class Caja {
public:
    virtual ~Caja() = default;
    virtual std::string Texto() const = 0;
    virtual void PonTexto(const std::string& texto) = 0;
    // Same visible result as PonTexto(Texto() + texto), without rewriting the
    // text already shown.
    virtual void Agrega(const std::string& texto) = 0;
    // 0: no limit.
    virtual long MaxLength() const = 0;
    virtual bool MultiLine() const = 0;
    // Caret at the end of the text; the box scrolls to the last line.
    virtual void CursorAlFinal() = 0;
};

// ---- Event pump -----------------------------------------------------------

// Processes pending window events once and returns. The windows install it
// (ejecucion_qt: InstalaBombaQt); without one, nothing is pumped.
void PonBombaEventos(std::function<void()> bomba);

// ---- The runner -----------------------------------------------------------

// Display modes.
inline constexpr std::uint8_t kModoSinCaja = 0;     // the box is not touched
inline constexpr std::uint8_t kModoAgrega = 1;      // append each piece
inline constexpr std::uint8_t kModoUltimo = 2;      // only the last piece, trimmed
inline constexpr std::uint8_t kModoUltimoTexto = 3; // as 2; line breaks alone change nothing

// Runs `Comando` (no shell; Windows quoting rules) in `Carpeta`. Window events
// are pumped about every 20 ms: while the program is silent, and while its
// output keeps coming (not after every read).
//   Indicador     one-character prompt; empty: no standard input, no prompt.
//                 When a piece of output ends with it, the runner stops
//                 reading (EstadoCMD 2) until EntradaCMD is set or a stop is
//                 requested.
//   caja          the box that shows the output (may be null); may disappear
//                 during the run.
//   AlFinal       caret to the end after updates: before window events are
//                 pumped and at the end of the run (between two pumps the
//                 window cannot show it).
//   Modo          kModo* above; other values show nothing.
//   Bloque        out: the last piece read, cleaned.
//   Salida        out: collected output per MaxSalida.
//   MaxSalida     0 collect nothing; negative everything; positive: only the
//                 last MaxSalida characters.
//   CodigoSalida  out: the program's exit code (0 after a stop request).
//   ArchivoEntrada  an ordinary file the program reads as its standard input
//                 (as "programa < archivo" would, with no shell and no path
//                 on the command line); empty: none. Not together with an
//                 Indicador. PosicionEntradaCMD tells how far it has read.
// Returns true when the program started and its output was read to its end
// (or it was stopped on request); false when it could not be started (the
// input file included: missing, a folder, unreadable), and false without
// touching the process-wide state or the box when another run is still in
// progress (a call from an event pumped by that run).
bool EjecutaCMD(const std::string& Comando, const std::string& Carpeta,
                const std::string& Indicador, Caja* caja, bool AlFinal, std::uint8_t Modo,
                std::string& Bloque, std::string& Salida, std::int32_t MaxSalida,
                std::int32_t& CodigoSalida, const std::string& ArchivoEntrada = {});

// While EjecutaCMD runs a program with an ArchivoEntrada (from a pumped window
// event): how many bytes of that file the program has consumed so far, for a
// progress line ("MB cargados"). The program's own read-ahead counts as read.
// -1 when no run with an input file is in progress.
std::int64_t PosicionEntradaCMD();

// The output cleaner, in this order: drop codes 0-31 except TAB, LF, CR; LF
// to CR; CR to CR LF; CR LF CR LF to CR LF (one pass); drop the characters of
// EsCaracterSuprimido; drop code 127.
std::string LimpiaSalida(const std::string& texto);

// The text without leading and trailing TAB, LF, CR and blanks.
std::string QuitaBlancos(const std::string& texto);

} // namespace ejecucion
