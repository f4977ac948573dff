#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Backend of the console runner: one started program with its pipes.
//
// Each platform implements everything declared here in one file,
// ProcesoConsola_<platform>.cpp (ProcesoConsola_posix.cpp,
// ProcesoConsola_win32.cpp), defining its own ProcesoConsola::Impl. The common
// code (EjecucionCMD.cpp) never sees a handle, a file descriptor or a code page.
//
// Text handed to and from this header is UTF-8, except the raw bytes that
// Espera returns and Escribe takes, which are the program's own bytes.
namespace ejecucion {

// Largest number of bytes one call of Espera delivers (the runner's read block).
inline constexpr std::size_t kBloqueLectura = 10240;

// Result of ProcesoConsola::Espera.
enum class Lectura {
    Datos,   // 1..kBloqueLectura bytes were read
    NadaAun, // nothing arrived within the wait; the program goes on
    Fin,     // the output is over and the program has ended (see Espera)
};

class ProcesoConsola {
public:
    ProcesoConsola();
    // Closes every handle still open. A program still running is not waited
    // for and not stopped (the runner always ends it or sees its end first).
    ~ProcesoConsola();
    ProcesoConsola(const ProcesoConsola&) = delete;
    ProcesoConsola& operator=(const ProcesoConsola&) = delete;

    // Starts the command line `comando` (UTF-8; Windows rules for quoting;
    // no shell is added; a program name without a folder is found by the
    // platform's usual search) with `carpeta` as its working folder, hidden,
    // with the caller's environment.
    //   - standard output and standard error: the write end of one output
    //     pipe, which the runner reads;
    //   - standard input: with `conEntrada`, the read end of an input pipe that
    //     Escribe feeds; with `archivoEntrada` (not empty), that ordinary file,
    //     opened for reading here (a relative path against this process's
    //     current folder, not `carpeta`) and read by the program from its
    //     start; with neither, no input (Windows: no handle; POSIX:
    //     /dev/null). The file's path never reaches the command line.
    // The runner's copies of the program's pipe ends are closed before this
    // returns, so the end of the output comes when the program (and whatever
    // inherited its output) closes it. The runner keeps its own handle of the
    // input file (not inherited by later programs) for PosicionEntrada.
    // Returns false when a pipe cannot be created, the input file cannot be
    // opened (missing, a folder) or the program cannot be started (missing
    // program, bad working folder, not executable), and for `conEntrada`
    // together with an input file; then nothing stays open and nothing runs.
    // On Windows a program named without a folder ("net", "cmd") that the
    // system folder holds runs from there: never a program of that name in
    // the program's own folder or the current one (the program runs as
    // administrator, from a folder its user can write). Call it once per
    // object.
    bool Inicia(const std::string& comando, const std::string& carpeta, bool conEntrada,
                const std::string& archivoEntrada = {});

    // How many bytes of the input file the program has consumed so far: the
    // position in the file, which the program's handle shares with the
    // runner's (POSIX: one open file description; Windows: one file object).
    // A program that reads ahead into a buffer counts what it has read. -1
    // without an input file.
    std::int64_t PosicionEntrada() const;

    // Waits at most `esperaMs` milliseconds (0 = only look) for output and
    // never longer, so the caller can pump window events between calls.
    //   Datos:   the next bytes of output (at most kBloqueLectura) replace
    //            `datos`. A backend may read more at once and hand it out in
    //            blocks of kBloqueLectura, as consecutive reads would.
    //   NadaAun: `datos` is emptied; call again.
    //   Fin:     `datos` is emptied. Every byte of output has been delivered
    //            and the program has ended, so CodigoSalida answers at once.
    //            When the output closes but the program still runs, the
    //            result stays NadaAun until it ends. When the program has
    //            ended but a process it left behind keeps the output pipe open,
    //            Fin comes after a short silence (about half a second) instead
    //            of never.
    Lectura Espera(int esperaMs, std::string& datos);

    // Writes these bytes to the program's standard input (only after Inicia
    // with conEntrada). Returns false when they could not all be written, for
    // example because the program has closed its input or ended; never
    // raises a signal or exception for that.
    bool Escribe(std::string_view bytes);

    // Stop request: ends the program (Windows: TerminateProcess with exit code
    // 0; POSIX: SIGTERM to its process group, SIGKILL after a short grace
    // time) and waits for its end. Returns true when the program is ended.
    // After a successful Termina, CodigoSalida is 0. A program that had
    // already ended on its own is not stopped: false, its exit code and any
    // output not yet read stay (what it left in its group or job is ended).
    bool Termina();

    // The program's exit code once Espera gave Fin or Termina succeeded.
    // POSIX: a program ended by a signal gives 128 + the signal number.
    int CodigoSalida() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// ---- Text of the platform -------------------------------------------------

// Turns output bytes into UTF-8 text. `pendiente` holds the bytes of a
// character cut by the end of the previous read: they are put in front of
// `bytes`, and an incomplete character at the end of the result is kept back
// in `pendiente` for the next call. With `final` (the output has ended) every
// byte is converted and `pendiente` ends empty.
//   POSIX: UTF-8; a byte that is not part of valid UTF-8 is read as a
//   Windows-1252 character (the five bytes that 1252 leaves undefined become
//   U+0081, U+008D, U+008F, U+0090, U+009D).
//   Windows: the ANSI code page (a lead byte of a double-byte code page
//   waits for its second byte).
std::string DecodificaSalida(std::string& pendiente, std::string_view bytes, bool final);

// Turns an answer (UTF-8) into the bytes written to the program's input.
//   POSIX: unchanged. Windows: the ANSI code page, one byte per character
//   of a single-byte code page.
std::string CodificaEntrada(const std::string& texto);

// True for the characters that the cleaner removes in its fifth step: those
// that the ANSI code page gives for the codes 129 to 144 and 147 to 159.
//   POSIX: U+0081..U+0090 and U+0093..U+009F.
//   Windows: the characters of those codes in the system's ANSI code page.
bool EsCaracterSuprimido(char32_t c);

} // namespace ejecucion
