#include "EjecucionCMD.h"

#include "ProcesoConsola.h"
#include "Utf8.h"

#include <chrono>
#include <thread>
#include <utility>

namespace ejecucion {

std::uint8_t EstadoCMD = kCmdLibre;
std::string EntradaCMD;
std::uint8_t PausaCMD = 0;

namespace {

// Longest wait for output between two pumps of window events: a silent
// program never freezes the window for longer than this.
constexpr int kRebanadaMs = 20;
// Pause between two pumps while a prompt waits for its answer.
constexpr auto kPausaRespuesta = std::chrono::milliseconds(10);

std::function<void()>& BombaInstalada() {
    static std::function<void()> bomba;
    return bomba;
}

// True while a run is in progress: a second call (from a pumped event) is
// refused instead of sharing the process-wide state.
bool enCurso = false;

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

void ActualizaCaja(Caja& caja, std::uint8_t modo, const std::string& bloque, bool alFinal) {
    Paso([&] {
        const long maxLength = caja.MaxLength();
        const bool multiLinea = caja.MultiLine();
        const bool sinReglas = maxLength <= 0 && multiLinea;
        std::string nuevo;
        bool escribe = true;
        if (modo == kModoAgrega) {
            if (sinReglas) {
                // Appending gives what rewriting the whole text would give.
                caja.Agrega(bloque);
                return;
            }
            nuevo = caja.Texto() + bloque;
        } else if (modo == kModoUltimo || (modo == kModoUltimoTexto && !SoloSaltos(bloque))) {
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
    if (alFinal) {
        Paso([&] { caja.CursorAlFinal(); });
    }
}

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
    if (maxSalida > 0 && utf8::Largo(salida) > static_cast<std::size_t>(maxSalida)) {
        salida = std::string(utf8::Ultimos(salida, static_cast<std::size_t>(maxSalida)));
    }
}

void EsperaRespuesta() {
    EstadoCMD = kCmdEsperandoRespuesta;
    while (EntradaCMD.empty() && EstadoCMD != kCmdDetener) {
        Bombea();
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
    ~MarcaEnCurso() { enCurso = false; }
    MarcaEnCurso(const MarcaEnCurso&) = delete;
    MarcaEnCurso& operator=(const MarcaEnCurso&) = delete;
};

} // namespace

void PonBombaEventos(std::function<void()> bomba) {
    BombaInstalada() = std::move(bomba);
}

bool EjecutaCMD(const std::string& Comando, const std::string& Carpeta,
                const std::string& Indicador, Caja* caja, bool AlFinal, std::uint8_t Modo,
                std::string& Bloque, std::string& Salida, std::int32_t MaxSalida,
                std::int32_t& CodigoSalida) {
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
    Paso([&] { iniciado = proceso.Inicia(Comando, Carpeta, conEntrada); });
    if (!iniciado) {
        EstadoLibre();
        return false;
    }
    EstadoCMD = kCmdCorriendo;

    std::string pendiente; // bytes of a character cut by the end of a read
    std::string datos;
    bool detenido = false;
    for (;;) {
        Bombea();

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
            if (PausaCMD == 0 && Modo != kModoSinCaja && caja != nullptr) {
                ActualizaCaja(*caja, Modo, Bloque, AlFinal);
            }
            if (esperando) {
                EsperaRespuesta();
            }
        }
        if (fin) {
            break;
        }
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

    Paso([&] { CodigoSalida = detenido ? 0 : proceso.CodigoSalida(); });
    EstadoLibre();
    return true;
}

std::string LimpiaSalida(const std::string& texto) {
    // 1-3: drop control codes but TAB, LF and CR; every LF and every CR
    // becomes CR LF.
    std::string saltos;
    saltos.reserve(texto.size() + texto.size() / 8);
    for (char ch : texto) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '\n' || c == '\r') {
            saltos += "\r\n";
        } else if (c >= 32 || c == '\t') {
            saltos += ch;
        }
    }
    // 4: CR LF CR LF to CR LF, one pass without overlap.
    std::string unidos;
    unidos.reserve(saltos.size());
    constexpr std::string_view kDoble = "\r\n\r\n";
    for (std::size_t i = 0; i < saltos.size();) {
        if (saltos.compare(i, kDoble.size(), kDoble) == 0) {
            unidos += "\r\n";
            i += kDoble.size();
        } else {
            unidos += saltos[i++];
        }
    }
    // 5-6: drop the suppressed characters of the code page and DEL.
    std::string limpio;
    limpio.reserve(unidos.size());
    for (std::size_t i = 0; i < unidos.size();) {
        const std::size_t inicio = i;
        const char32_t c = utf8::Lee(unidos, i);
        if (c != 0x7F && !EsCaracterSuprimido(c)) {
            limpio.append(unidos, inicio, i - inicio);
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
