// Escribe el icono del programa como archivo .ico (16, 24, 32, 48, 64 y 256
// pixeles, cada uno en PNG, como los lee Windows desde Vista) para el recurso
// del ejecutable de Windows. Uso: rt_icono SALIDA.ico
#include "Iconos.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QtEndian>
#include <cstdio>
#include <vector>

namespace {

void Agrega16(QByteArray& b, quint16 v) {
    const quint16 le = qToLittleEndian(v);
    b.append(reinterpret_cast<const char*>(&le), 2);
}
void Agrega32(QByteArray& b, quint32 v) {
    const quint32 le = qToLittleEndian(v);
    b.append(reinterpret_cast<const char*>(&le), 4);
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "Uso: rt_icono SALIDA.ico\n");
        return 2;
    }
    const std::vector<int> lados = {16, 24, 32, 48, 64, 256};
    std::vector<QByteArray> imagenes;
    for (int lado : lados) {
        QByteArray png;
        QBuffer buf(&png);
        buf.open(QIODevice::WriteOnly);
        DibujoPrograma(lado).toImage().save(&buf, "PNG");
        imagenes.push_back(png);
    }
    // ICONDIR, una ICONDIRENTRY por imagen, luego las imágenes.
    QByteArray ico;
    Agrega16(ico, 0);
    Agrega16(ico, 1);
    Agrega16(ico, static_cast<quint16>(lados.size()));
    quint32 desplazamiento = 6 + 16 * static_cast<quint32>(lados.size());
    for (std::size_t i = 0; i < lados.size(); ++i) {
        const int lado = lados[i];
        ico.append(static_cast<char>(lado >= 256 ? 0 : lado)); // 0 significa 256
        ico.append(static_cast<char>(lado >= 256 ? 0 : lado));
        ico.append('\0'); // sin paleta
        ico.append('\0');
        Agrega16(ico, 1);  // planos
        Agrega16(ico, 32); // bits por pixel
        Agrega32(ico, static_cast<quint32>(imagenes[i].size()));
        Agrega32(ico, desplazamiento);
        desplazamiento += static_cast<quint32>(imagenes[i].size());
    }
    for (const auto& img : imagenes)
        ico.append(img);
    QFile salida(QString::fromLocal8Bit(argv[1]));
    if (!salida.open(QIODevice::WriteOnly) || salida.write(ico) != ico.size()) {
        std::fprintf(stderr, "No se pudo escribir %s\n", argv[1]);
        return 1;
    }
    return 0;
}
