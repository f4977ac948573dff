// Captura de la pantalla X (Xvfb con fondo negro, -br): espera a que aparezca
// una ventana y a que su imagen deje de cambiar, recorta el área que no es
// fondo y la guarda en PNG. Uso: rt_captura SALIDA.png [ESPERA_MAXIMA_MS]
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <cstdio>

namespace {

// Rectángulo que encierra todo pixel distinto del fondo negro.
QRect AreaOcupada(const QImage& imagen) {
    int izq = imagen.width(), der = -1, arr = imagen.height(), aba = -1;
    for (int y = 0; y < imagen.height(); ++y) {
        const auto* fila = reinterpret_cast<const QRgb*>(imagen.constScanLine(y));
        for (int x = 0; x < imagen.width(); ++x) {
            if ((fila[x] & 0xffffff) != 0) {
                izq = std::min(izq, x);
                der = std::max(der, x);
                arr = std::min(arr, y);
                aba = std::max(aba, y);
            }
        }
    }
    return der < 0 ? QRect() : QRect(QPoint(izq, arr), QPoint(der, aba));
}

// Pixeles distintos entre dos capturas del mismo tamaño (-1 si difieren en
// tamaño).
long Diferencias(const QImage& a, const QImage& b) {
    if (a.size() != b.size())
        return -1;
    long n = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* fa = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* fb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            n += fa[x] != fb[x] ? 1 : 0;
    }
    return n;
}

// El cursor de texto que parpadea en el campo con el foco cambia unos pocos
// pixeles entre capturas; la ventana se da por pintada igual.
constexpr long kParpadeo = 64;

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "Uso: %s SALIDA.png [ESPERA_MAXIMA_MS]\n", argv[0]);
        return 2;
    }
    const int esperaMaxima = argc > 2 ? std::atoi(argv[2]) : 15000;
    QScreen* pantalla = QGuiApplication::primaryScreen();
    QElapsedTimer reloj;
    reloj.start();
    QImage anterior;
    int estables = 0;
    while (reloj.elapsed() < esperaMaxima) {
        QImage imagen = pantalla->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
        const QRect area = AreaOcupada(imagen);
        if (!area.isEmpty()) {
            QImage recorte = imagen.copy(area);
            const long distintos = Diferencias(recorte, anterior);
            estables = distintos >= 0 && distintos <= kParpadeo ? estables + 1 : 0;
            anterior = recorte;
            // Tres capturas iguales seguidas: la ventana terminó de pintarse.
            if (estables >= 2) {
                if (!recorte.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
                    std::fprintf(stderr, "No se pudo guardar %s\n", argv[1]);
                    return 1;
                }
                return 0;
            }
        }
        QThread::msleep(250);
    }
    std::fprintf(stderr, "No apareció ninguna ventana en %d ms\n", esperaMaxima);
    return 1;
}
