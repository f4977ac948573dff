// Throughput and responsiveness of EjecutaCMD (a measurement, not a test).
//
//   bench_ejecucion [--modo0 MB,MB,...] [--modo1 MB,MB,...] [--veces N]
//                   default: --modo0 1,10,50 --modo1 1,4,8 --veces 7
//
// Every figure is the best of N runs (the machine is shared: the best run is
// the one least disturbed by others). The runs of the figures that are
// compared take turns, so that a change in the load of the machine touches
// them alike.
//
// Mode 0: one producer of 80-character lines through EjecutaCMD with no box,
// beside the same producer piped into `cat >/dev/null`, and LimpiaSalida alone
// over the same output in the runner's 10 KB blocks.
// Mode 1: the same producer into a real capture box, beside the toolkit's own
// append of the same blocks (cleaned, 10 KB each) into a plain QPlainTextEdit
// of the same size and font: a QTextCursor at the end inserts every block,
// then the view goes to the end and paints once.
// Then the longest stall of the event loop while a command stays silent for
// 3 s. Prints Markdown tables and the goals beside the figures.

#include "CajaQt.h"
#include "ProcesoConsola.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

using namespace ejecucion;

namespace {

using Reloj = std::chrono::steady_clock;

const char* const kLinea =
    "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ-0123456789";

long long Bytes(int mb) {
    return static_cast<long long>(mb) * 1024 * 1024;
}

// 80-character lines (79 and LF), cut at exactly `mb` MiB.
std::string Productor(int mb) {
    return std::string("yes ") + kLinea + " | head -c " + std::to_string(Bytes(mb));
}

// The producer's output in the runner's read blocks.
std::vector<std::string> BloquesCrudos(int mb) {
    const std::string linea = std::string(kLinea) + "\n";
    std::string todo;
    todo.reserve(static_cast<std::size_t>(Bytes(mb)) + linea.size());
    while (todo.size() < static_cast<std::size_t>(Bytes(mb))) {
        todo += linea;
    }
    todo.resize(static_cast<std::size_t>(Bytes(mb)));
    std::vector<std::string> bloques;
    for (std::size_t i = 0; i < todo.size(); i += kBloqueLectura) {
        bloques.push_back(todo.substr(i, kBloqueLectura));
    }
    return bloques;
}

double Segundos(Reloj::duration d) {
    return std::chrono::duration<double>(d).count();
}

double PorEjecutaCMD(int mb, Caja* caja, std::uint8_t modo) {
    std::string bloque, salida;
    std::int32_t codigo = 0;
    const auto inicio = Reloj::now();
    const bool bien = EjecutaCMD("sh -c \"" + Productor(mb) + "\"", "", "", caja, true, modo,
                                 bloque, salida, 0, codigo);
    const double s = Segundos(Reloj::now() - inicio);
    if (!bien) {
        std::fprintf(stderr, "EjecutaCMD falló\n");
        std::exit(1);
    }
    return s;
}

double PorTuberia(int mb) {
    const std::string orden = Productor(mb) + " | cat >/dev/null";
    const auto inicio = Reloj::now();
    if (std::system(orden.c_str()) != 0) {
        std::fprintf(stderr, "la tubería falló\n");
        std::exit(1);
    }
    return Segundos(Reloj::now() - inicio);
}

double PorLimpiaSalida(const std::vector<std::string>& crudos) {
    std::size_t total = 0;
    const auto inicio = Reloj::now();
    for (const std::string& b : crudos) {
        total += LimpiaSalida(b).size();
    }
    const double s = Segundos(Reloj::now() - inicio);
    if (total == 0) {
        std::exit(1);
    }
    return s;
}

// A capture box shown in a window of its own, as the procedure windows show it.
struct Ventana {
    QWidget ventana;
    QPlainTextEdit* captura;
    Ventana() : captura(CreaCajaCaptura(&ventana)) {
        ventana.resize(800, 600);
        captura->resize(800, 600);
        ventana.show();
        QCoreApplication::processEvents();
    }
};

// The toolkit's own append of the blocks into a QPlainTextEdit like `como`.
double PorQt(const std::vector<std::string>& bloques, const QPlainTextEdit& como,
             std::size_t& caracteres) {
    QWidget ventana;
    ventana.resize(800, 600);
    auto* edit = new QPlainTextEdit(&ventana);
    edit->setReadOnly(true);
    edit->setUndoRedoEnabled(false);
    edit->setFont(como.font());
    edit->resize(800, 600);
    ventana.show();
    QCoreApplication::processEvents();
    const auto inicio = Reloj::now();
    QTextCursor cursor(edit->document());
    for (const std::string& b : bloques) {
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())));
    }
    edit->moveCursor(QTextCursor::End);
    edit->ensureCursorVisible();
    QCoreApplication::processEvents();
    const double s = Segundos(Reloj::now() - inicio);
    caracteres = static_cast<std::size_t>(edit->document()->characterCount());
    return s;
}

// Longest gap between two ticks of a 1 ms timer while `sleep 3` runs.
double MayorBloqueoMs() {
    QElapsedTimer reloj;
    qint64 ultimo = 0;
    qint64 mayor = 0;
    QTimer tic;
    tic.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tic, &QTimer::timeout, [&] {
        const qint64 ahora = reloj.nsecsElapsed();
        mayor = std::max(mayor, ahora - ultimo);
        ultimo = ahora;
    });
    tic.start(1);
    std::string bloque, salida;
    std::int32_t codigo = 0;
    reloj.start();
    EjecutaCMD("sleep 3", "", "", nullptr, true, 0, bloque, salida, -1, codigo);
    return static_cast<double>(mayor) / 1e6;
}

// Keeps the shortest time measured for each key.
class Mejores {
public:
    void Anota(int clave, double segundos) {
        auto [it, nuevo] = t_.emplace(clave, segundos);
        if (!nuevo) {
            it->second = std::min(it->second, segundos);
        }
    }
    double operator[](int clave) const { return t_.at(clave); }

private:
    std::map<int, double> t_;
};

std::vector<int> Tamanos(const char* lista) {
    std::vector<int> r;
    std::stringstream s(lista);
    std::string t;
    while (std::getline(s, t, ',')) {
        if (std::atoi(t.c_str()) > 0) {
            r.push_back(std::atoi(t.c_str()));
        }
    }
    return r;
}

const char* Cumple(bool si) {
    return si ? "cumple" : "NO cumple";
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InstalaBombaQt();
    std::vector<int> modo0 = {1, 10, 50};
    std::vector<int> modo1 = {1, 4, 8};
    int veces = 7;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--modo0") == 0) {
            modo0 = Tamanos(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--modo1") == 0) {
            modo1 = Tamanos(argv[i + 1]);
        } else if (std::strcmp(argv[i], "--veces") == 0) {
            veces = std::max(1, std::atoi(argv[i + 1]));
        }
    }

    Mejores tuberia, t0, limpia, qt, t1;
    for (int mb : modo0) {
        const std::vector<std::string> crudos = BloquesCrudos(mb);
        for (int i = 0; i < veces; ++i) {
            tuberia.Anota(mb, PorTuberia(mb));
            t0.Anota(mb, PorEjecutaCMD(mb, nullptr, 0));
            limpia.Anota(mb, PorLimpiaSalida(crudos));
        }
    }
    std::printf("| MB | cat >/dev/null (s) | modo 0 (s) | modo 0 / cat | LimpiaSalida sola (s) "
                "| MB/s LimpiaSalida |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|\n");
    for (int mb : modo0) {
        std::printf("| %d | %.3f | %.3f | %.1f | %.3f | %.0f |\n", mb, tuberia[mb], t0[mb],
                    t0[mb] / tuberia[mb], limpia[mb], mb / limpia[mb]);
    }
    std::fflush(stdout);

    // The blocks the runner shows, cleaned, for the toolkit's own append.
    std::map<int, std::vector<std::string>> bloques;
    for (int mb : modo1) {
        bloques[mb] = BloquesCrudos(mb);
        for (std::string& b : bloques[mb]) {
            b = LimpiaSalida(b);
        }
    }
    for (int i = 0; i < veces; ++i) {
        for (int mb : modo1) {
            std::size_t caracteres = 0;
            {
                Ventana v;
                qt.Anota(mb, PorQt(bloques[mb], *v.captura, caracteres));
            }
            Ventana v;
            CajaQt caja(v.captura);
            t1.Anota(mb, PorEjecutaCMD(mb, &caja, 1));
            if (static_cast<std::size_t>(v.captura->document()->characterCount()) != caracteres) {
                std::fprintf(stderr, "la caja y el QPlainTextEdit no muestran lo mismo\n");
                return 1;
            }
        }
    }
    std::printf("\n| MB | QPlainTextEdit de Qt (s) | modo 1 en txtCapturaDOS (s) | modo 1 / Qt | "
                "MB/s modo 1 | modo 1: tiempo / tiempo del renglón anterior |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|\n");
    int anterior = 0;
    for (int mb : modo1) {
        std::string crecimiento = "—";
        if (anterior != 0) {
            char texto[64];
            std::snprintf(texto, sizeof texto, "%.2f (%d → %d MB)", t1[mb] / t1[anterior], anterior,
                          mb);
            crecimiento = texto;
        }
        std::printf("| %d | %.3f | %.3f | %.2f | %.1f | %s |\n", mb, qt[mb], t1[mb],
                    t1[mb] / qt[mb], mb / t1[mb], crecimiento.c_str());
        anterior = mb;
    }
    std::fflush(stdout);

    const double bloqueo = MayorBloqueoMs();
    std::printf("\nMayor bloqueo del bucle de eventos con un comando callado 3 s: %.1f ms\n",
                bloqueo);

    std::printf("\nMetas:\n");
    auto mide = [](const std::vector<int>& tamanos, int mb) {
        return std::find(tamanos.begin(), tamanos.end(), mb) != tamanos.end();
    };
    if (mide(modo0, 50)) {
        const double c = t0[50] / tuberia[50];
        std::printf("- modo 0 a 50 MB, como mucho 2 veces cat: %.2f (%s)\n", c, Cumple(c <= 2.0));
    }
    if (mide(modo1, 4)) {
        const double c = t1[4] / qt[4];
        std::printf("- modo 1 a 4 MB, como mucho 1.5 veces Qt: %.2f (%s)\n", c, Cumple(c <= 1.5));
    }
    if (mide(modo1, 4) && mide(modo1, 8)) {
        const double c = t1[8] / t1[4];
        std::printf("- modo 1 de 4 a 8 MB, el tiempo como mucho 2.2 veces: %.2f (%s)\n", c,
                    Cumple(c <= 2.2));
    }
    std::printf("- mayor bloqueo como mucho 50 ms: %.1f ms (%s)\n", bloqueo,
                Cumple(bloqueo <= 50.0));
    return 0;
}
