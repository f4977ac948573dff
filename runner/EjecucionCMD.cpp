#include "EjecucionCMD.h"

#include "ProcesoConsola.h"
#include "Utf8.h"

#include <array>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

namespace ejecucion {

std::uint8_t EstadoCMD = kCmdLibre;
std::string EntradaCMD;
std::uint8_t PausaCMD = 0;

namespace {

// Longest wait for output between two pumps of window events: a silent
// program never freezes the window for longer than this. While output keeps
// coming, events are pumped once per slice as well, not after every read:
// painting the box for every 10 KB block would cost more than the text.
constexpr int kRebanadaMs = 20;
constexpr auto kRebanada = std::chrono::milliseconds(kRebanadaMs);
// Pause between two pumps while a prompt waits for its answer.
constexpr auto kPausaRespuesta = std::chrono::milliseconds(10);

std::function<void()>& BombaInstalada() {
    static std::function<void()> bomba;
    return bomba;
}

// True while a run is in progress: a second call (from a pumped event) is
// refused instead of sharing the process-wide state.
bool enCurso = false;
// The program of the run in progress, for PosicionEntradaCMD.
const ProcesoConsola* procesoEnCurso = nullptr;

// One step of the run: whatever it raises is skipped and the run goes on.
template <class F> void Paso(F&& paso) {
    try {
        std::forward<F>(paso)();
    } catch (...) {
    }
}

void Bombea() {
    Paso([] {
        if (BombaInstalada()) {
            BombaInstalada()();
        }
    });
}

// Removes every CR LF pair in one left-to-right pass.
std::string QuitaCrLf(std::string_view texto) {
    std::string r;
    r.reserve(texto.size());
    for (std::size_t i = 0; i < texto.size(); ++i) {
        if (texto[i] == '\r' && i + 1 < texto.size() && texto[i + 1] == '\n') {
            ++i;
        } else {
            r += texto[i];
        }
    }
    return r;
}

// The box's own rules after a text is set: the last MaxLength characters,
// no CR LF in a single-line box.
void AplicaReglasCaja(std::string& texto, long maxLength, bool multiLinea) {
    if (maxLength > 0 && utf8::Largo(texto) > static_cast<std::size_t>(maxLength)) {
        texto = std::string(utf8::Ultimos(texto, static_cast<std::size_t>(maxLength)));
    }
    if (!multiLinea) {
        texto = QuitaCrLf(texto);
    }
}

bool SoloSaltos(const std::string& bloque) {
    return bloque.find_first_not_of("\t\n\r") == std::string::npos;
}

// What a run shows in its box. Text appended in mode 1 waits, up to
// kAgregaMax bytes, until the window can see it, and so does the caret: the
// box takes one insertion and one caret move per pump of window events instead
// of one per 10 KB piece (each insertion makes the box lay out its last page).
class Vista {
public:
    Vista(Caja* caja, std::uint8_t modo, bool alFinal)
        : caja_(modo == kModoSinCaja ? nullptr : caja), modo_(modo), alFinal_(alFinal) {}

    // One cleaned piece.
    void Muestra(const std::string& bloque) {
        if (caja_ == nullptr) {
            return;
        }
        Actualiza(*caja_, bloque);
        caretPendiente_ = caretPendiente_ || alFinal_;
    }

    // Brings the box up to date: before window events are pumped and at the
    // end of the run.
    void AlDia() {
        Agrega();
        if (caretPendiente_) {
            caretPendiente_ = false;
            Paso([&] { caja_->CursorAlFinal(); });
        }
    }

private:
    // Largest text appended at once: a longer insertion would hold the window.
    static constexpr std::size_t kAgregaMax = 64 * 1024;

    void Agrega() {
        if (!porAgregar_.empty()) {
            Paso([&] { caja_->Agrega(porAgregar_); });
            porAgregar_.clear();
        }
    }

    void Actualiza(Caja& caja, const std::string& bloque) {
        Paso([&] {
            const long maxLength = caja.MaxLength();
            const bool multiLinea = caja.MultiLine();
            const bool sinReglas = maxLength <= 0 && multiLinea;
            if (modo_ == kModoAgrega && sinReglas) {
                // Appending gives what rewriting the whole text would give.
                porAgregar_ += bloque;
                if (porAgregar_.size() >= kAgregaMax) {
                    Agrega();
                }
                return;
            }
            Agrega();
            std::string nuevo;
            bool escribe = true;
            if (modo_ == kModoAgrega) {
                nuevo = caja.Texto() + bloque;
            } else if (modo_ == kModoUltimo || (modo_ == kModoUltimoTexto && !SoloSaltos(bloque))) {
                nuevo = QuitaBlancos(bloque);
            } else {
                // Nothing is written; the box's rules still hold for its text.
                if (sinReglas) {
                    return;
                }
                nuevo = caja.Texto();
                escribe = false;
            }
            const std::string antes = escribe ? std::string() : nuevo;
            AplicaReglasCaja(nuevo, maxLength, multiLinea);
            if (escribe || nuevo != antes) {
                caja.PonTexto(nuevo);
            }
        });
    }

    Caja* caja_;
    std::uint8_t modo_;
    bool alFinal_;
    std::string porAgregar_;
    bool caretPendiente_ = false;
};

// A piece ends with the prompt only when the prompt is one character.
bool TerminaConIndicador(const std::string& bloque, const std::string& indicador) {
    return utf8::Largo(indicador) == 1 && bloque.size() >= indicador.size() &&
           bloque.compare(bloque.size() - indicador.size(), indicador.size(), indicador) == 0;
}

void AgregaSalida(std::string& salida, const std::string& bloque, std::int32_t maxSalida) {
    if (maxSalida == 0) {
        return;
    }
    salida += bloque;
    // A text of no more bytes than the limit has no more characters either.
    if (maxSalida > 0 && salida.size() > static_cast<std::size_t>(maxSalida) &&
        utf8::Largo(salida) > static_cast<std::size_t>(maxSalida)) {
        salida = std::string(utf8::Ultimos(salida, static_cast<std::size_t>(maxSalida)));
    }
}

template <class B> void EsperaRespuesta(B&& bombea) {
    EstadoCMD = kCmdEsperandoRespuesta;
    while (EntradaCMD.empty() && EstadoCMD != kCmdDetener) {
        bombea();
        if (EntradaCMD.empty() && EstadoCMD != kCmdDetener) {
            std::this_thread::sleep_for(kPausaRespuesta);
        }
    }
    if (EstadoCMD != kCmdDetener) {
        EstadoCMD = kCmdCorriendo;
    }
}

void EstadoLibre() {
    EstadoCMD = kCmdLibre;
    EntradaCMD.clear();
    PausaCMD = 0;
}

class MarcaEnCurso {
public:
    MarcaEnCurso() { enCurso = true; }
    ~MarcaEnCurso() {
        enCurso = false;
        procesoEnCurso = nullptr;
    }
    MarcaEnCurso(const MarcaEnCurso&) = delete;
    MarcaEnCurso& operator=(const MarcaEnCurso&) = delete;
};

// Index of the first byte at or after `i` that the cleaner looks at by itself:
// a control code other than TAB, DEL or a byte of a non-ASCII character
// (`n` when there is none). Looks at eight bytes at a time.
std::size_t FinComun(const char* p, std::size_t i, std::size_t n) {
    constexpr std::uint64_t kUnos = 0x0101010101010101ull;
    constexpr std::uint64_t kAltos = 0x8080808080808080ull;
    for (;;) {
        for (std::uint64_t x; i + 8 <= n; i += 8) {
            std::memcpy(&x, p + i, 8);
            // Some byte below 0x20, or some byte from 0x7F up (a carry only
            // comes from a byte 0xFF, which is caught itself).
            const std::uint64_t bajo = (x - kUnos * 0x20) & ~x & kAltos;
            const std::uint64_t alto = ((x + kUnos) | x) & kAltos;
            if ((bajo | alto) != 0) {
                break;
            }
        }
        for (const std::size_t fin = i + 8 < n ? i + 8 : n; i < fin; ++i) {
            const auto c = static_cast<unsigned char>(p[i]);
            if ((c < 0x20 && c != '\t') || c >= 0x7F) {
                return i;
            }
        }
        if (i >= n) {
            return n;
        }
    }
}

// The ASCII characters that steps 5-6 keep (all but DEL, unless the code
// page suppresses one), computed once.
struct TablaAscii {
    std::array<bool, 128> queda{};
    bool otroSuprimido = false; // one besides DEL is dropped
};

const TablaAscii& Ascii() {
    static const TablaAscii tabla = [] {
        TablaAscii t;
        for (char32_t c = 0; c < 128; ++c) {
            t.queda[c] = c != 0x7F && !EsCaracterSuprimido(c);
            t.otroSuprimido = t.otroSuprimido || (c != 0x7F && !t.queda[c]);
        }
        return t;
    }();
    return tabla;
}

} // namespace

void PonBombaEventos(std::function<void()> bomba) {
    BombaInstalada() = std::move(bomba);
}

bool EjecutaCMD(const std::string& Comando, const std::string& Carpeta,
                const std::string& Indicador, Caja* caja, bool AlFinal, std::uint8_t Modo,
                std::string& Bloque, std::string& Salida, std::int32_t MaxSalida,
                std::int32_t& CodigoSalida, const std::string& ArchivoEntrada) {
    Salida.clear();
    Bloque.clear();
    CodigoSalida = 0;
    if (enCurso) {
        return false;
    }
    MarcaEnCurso marca;
    PausaCMD = 0;
    if (Modo != kModoSinCaja && caja != nullptr) {
        Paso([&] { caja->PonTexto(""); });
    }

    const bool conEntrada = !Indicador.empty();
    ProcesoConsola proceso;
    bool iniciado = false;
    Paso([&] { iniciado = proceso.Inicia(Comando, Carpeta, conEntrada, ArchivoEntrada); });
    if (!iniciado) {
        EstadoLibre();
        return false;
    }
    EstadoCMD = kCmdCorriendo;
    procesoEnCurso = &proceso;

    Vista vista(caja, Modo, AlFinal);
    auto ultimoBombeo = std::chrono::steady_clock::now();
    auto bombea = [&] {
        vista.AlDia();
        Bombea();
        ultimoBombeo = std::chrono::steady_clock::now();
    };

    std::string pendiente; // bytes of a character cut by the end of a read
    std::string datos;
    bool detenido = false;
    bool toca = true; // pump before the next wait
    for (;;) {
        if (toca) {
            bombea();
        }

        Lectura lectura = Lectura::Fin;
        Paso([&] { lectura = proceso.Espera(kRebanadaMs, datos); });
        const bool fin = lectura == Lectura::Fin;
        std::string pieza;
        if (lectura == Lectura::Datos) {
            pieza = DecodificaSalida(pendiente, datos, false);
        } else if (fin && !pendiente.empty()) {
            pieza = DecodificaSalida(pendiente, {}, true);
        }

        if (!pieza.empty()) {
            const bool esperando = !fin && TerminaConIndicador(pieza, Indicador);
            Bloque = LimpiaSalida(pieza);
            AgregaSalida(Salida, Bloque, MaxSalida);
            if (PausaCMD == 0) {
                vista.Muestra(Bloque);
            }
            if (esperando) {
                EsperaRespuesta(bombea);
            }
        }
        if (fin) {
            break;
        }
        toca = lectura != Lectura::Datos ||
               std::chrono::steady_clock::now() - ultimoBombeo >= kRebanada;
        if (EstadoCMD == kCmdDetener) {
            bool terminado = false;
            Paso([&] { terminado = proceso.Termina(); });
            if (terminado) {
                detenido = true;
                break;
            }
        }
        if (!EntradaCMD.empty() && conEntrada) {
            Paso([&] { proceso.Escribe(CodificaEntrada(EntradaCMD)); });
            EntradaCMD.clear();
        }
    }

    vista.AlDia();
    Paso([&] { CodigoSalida = detenido ? 0 : proceso.CodigoSalida(); });
    EstadoLibre();
    return true;
}

std::int64_t PosicionEntradaCMD() {
    return procesoEnCurso != nullptr ? procesoEnCurso->PosicionEntrada() : -1;
}

std::string LimpiaSalida(const std::string& texto) {
    // Runs of ordinary bytes are copied whole; only line breaks, control
    // codes, DEL and the bytes of non-ASCII characters are looked at one by one.
    //
    // 1-4 in one pass: control codes but TAB, LF and CR vanish; every LF and
    // every CR becomes CR LF, and then CR LF CR LF becomes CR LF, left to
    // right without overlap. So a run of k line breaks with nothing kept
    // between them (dropped control codes are nothing) gives (k + 1) / 2 CR LF.
    std::string unidos;
    unidos.reserve(texto.size() + texto.size() / 16 + 2);
    const char* const p = texto.data();
    const std::size_t n = texto.size();
    std::size_t saltos = 0;
    auto ponSaltos = [&] {
        for (saltos = (saltos + 1) / 2; saltos > 0; --saltos) {
            unidos += "\r\n";
        }
    };
    bool noAscii = false; // DEL or a byte >= 0x80 was kept: steps 5-6 have work
    for (std::size_t i = 0; i < n;) {
        const std::size_t j = FinComun(p, i, n);
        if (j > i) {
            ponSaltos();
            unidos.append(p + i, j - i);
            i = j;
            continue;
        }
        const auto b = static_cast<unsigned char>(p[i++]);
        if (b >= 0x7F) {
            ponSaltos();
            unidos += static_cast<char>(b);
            noAscii = true;
        } else if (b == '\n' || b == '\r') {
            ++saltos;
        }
    }
    ponSaltos();
    const TablaAscii& ascii = Ascii();
    if (!noAscii && !ascii.otroSuprimido) {
        return unidos;
    }

    // 5-6: drop the suppressed characters of the code page and DEL. Bytes
    // joined by the controls dropped above are read as one character here, as
    // step 5 sees them.
    std::string limpio;
    limpio.reserve(unidos.size());
    for (std::size_t i = 0; i < unidos.size();) {
        std::size_t j = i;
        for (; j < unidos.size(); ++j) {
            const auto c = static_cast<unsigned char>(unidos[j]);
            if (c >= 0x80 || !ascii.queda[c]) {
                break;
            }
        }
        limpio.append(unidos, i, j - i);
        if (j == unidos.size()) {
            break;
        }
        i = j;
        const char32_t c = utf8::Lee(unidos, i);
        if (c != 0x7F && !EsCaracterSuprimido(c)) {
            limpio.append(unidos, j, i - j);
        }
    }
    return limpio;
}

std::string QuitaBlancos(const std::string& texto) {
    constexpr const char* kBlancos = "\t\n\r ";
    const std::size_t inicio = texto.find_first_not_of(kBlancos);
    if (inicio == std::string::npos) {
        return {};
    }
    const std::size_t fin = texto.find_last_not_of(kBlancos);
    return texto.substr(inicio, fin - inicio + 1);
}

} // namespace ejecucion
