// Mide el arranque: tiempo desde que se lanza el proceso hasta que su ventana
// principal termina de pintarse, para el programa y para una ventana Qt vacía
// del mismo tamaño, alternando en una misma corrida; informa la mediana.
//   rt_mide_arranque [-n VECES] PROGRAMA [ARGUMENTOS…]
// El programa debe poder arrancar (archivo de configuración, datos del
// producto y registro en su lugar); se le pasa RT_MIDE_ARRANQUE=1.
#include "MideArranque.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Medida {
    double ms = -1;
    QString tamano;
};

Medida Lanza(const QString& programa, const QStringList& argumentos, bool avisar) {
    QProcess proceso;
    auto entorno = QProcessEnvironment::systemEnvironment();
    if (avisar)
        entorno.insert(QStringLiteral("RT_MIDE_ARRANQUE"), QStringLiteral("1"));
    proceso.setProcessEnvironment(entorno);
    proceso.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer reloj;
    reloj.start();
    proceso.start(programa, argumentos);
    Medida m;
    QByteArray salida;
    while (proceso.waitForReadyRead(20000)) {
        salida += proceso.readAllStandardOutput();
        const auto coincide = QRegularExpression(QStringLiteral("mostrada (\\d+x\\d+)"))
                                  .match(QString::fromLocal8Bit(salida));
        if (coincide.hasMatch()) {
            m.ms = reloj.nsecsElapsed() / 1e6;
            m.tamano = coincide.captured(1);
            break;
        }
    }
    if (!proceso.waitForFinished(10000))
        proceso.kill();
    proceso.waitForFinished(2000);
    return m;
}

double Mediana(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const auto n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv) {
    // Modo hijo: la ventana vacía de comparación.
    if (argc == 4 && QString::fromLocal8Bit(argv[1]) == QLatin1String("--ventana-vacia")) {
        QApplication app(argc, argv);
        QWidget ventana;
        ventana.resize(std::atoi(argv[2]), std::atoi(argv[3]));
        AvisaPrimeraPintura(&ventana);
        ventana.show();
        return QApplication::exec();
    }

    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    int veces = 9;
    if (args.size() >= 2 && args[0] == QLatin1String("-n")) {
        veces = std::max(1, args[1].toInt());
        args = args.mid(2);
    }
    if (args.isEmpty()) {
        std::fprintf(stderr, "Uso: rt_mide_arranque [-n VECES] PROGRAMA [ARGUMENTOS…]\n");
        return 2;
    }
    const QString programa = args.takeFirst();
    const QString propio = QCoreApplication::applicationFilePath();

    // Una primera corrida de cada uno calienta la caché de disco y da el tamaño.
    const Medida primera = Lanza(programa, args, true);
    if (primera.ms < 0) {
        std::fprintf(stderr, "El programa no mostró su ventana.\n");
        return 1;
    }
    const QStringList tamano = primera.tamano.split(QLatin1Char('x'));
    const QStringList vacia{QStringLiteral("--ventana-vacia"), tamano[0], tamano[1]};
    Lanza(propio, vacia, false);

    std::vector<double> delPrograma, deVacia;
    for (int i = 0; i < veces; ++i) {
        const Medida a = Lanza(programa, args, true);
        const Medida b = Lanza(propio, vacia, false);
        if (a.ms < 0 || b.ms < 0) {
            std::fprintf(stderr, "Una corrida no mostró su ventana.\n");
            return 1;
        }
        delPrograma.push_back(a.ms);
        deVacia.push_back(b.ms);
    }
    const double mp = Mediana(delPrograma), mv = Mediana(deVacia);
    std::printf(
        "ventana %s px, %d corridas, plataforma %s\n", qPrintable(primera.tamano), veces,
        qPrintable(qEnvironmentVariable("QT_QPA_PLATFORM", QStringLiteral("(por omisión)"))));
    std::printf("ReplicacionTesal: mediana %.1f ms\n", mp);
    std::printf("ventana Qt vacía: mediana %.1f ms\n", mv);
    std::printf("diferencia:       %.1f ms\n", mp - mv);
    return 0;
}
