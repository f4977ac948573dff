#include "Iconos.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// Un cilindro de base de datos en el rectángulo dado.
void Cilindro(QPainter& p, const QRectF& r, const QColor& color) {
    const qreal tapa = r.height() * 0.25;
    QPainterPath cuerpo;
    cuerpo.moveTo(r.left(), r.top() + tapa / 2);
    cuerpo.lineTo(r.left(), r.bottom() - tapa / 2);
    cuerpo.arcTo(QRectF(r.left(), r.bottom() - tapa, r.width(), tapa), 180, 180);
    cuerpo.lineTo(r.right(), r.top() + tapa / 2);
    cuerpo.arcTo(QRectF(r.left(), r.top(), r.width(), tapa), 0, -180);
    p.setPen(QPen(color.darker(160), r.width() / 16));
    p.setBrush(color);
    p.drawPath(cuerpo);
    p.setBrush(color.lighter(140));
    p.drawEllipse(QRectF(r.left(), r.top(), r.width(), tapa));
}

// Un dibujo de lado × lado; dibuja recibe el pintor y la unidad (un
// dieciseisavo del lado).
template <class Dibujo> QPixmap Dibujado(Dibujo dibuja, int lado) {
    QPixmap px(lado, lado);
    px.fill(Qt::transparent);
    QPainter p(&px);
    p.setRenderHint(QPainter::Antialiasing);
    dibuja(p, lado / 16.0);
    p.end();
    return px;
}

// Un icono en los tamaños habituales.
template <class Dibujo> QIcon IconoDibujado(Dibujo dibuja) {
    QIcon icono;
    for (int lado : {16, 32, 48, 64})
        icono.addPixmap(Dibujado(dibuja, lado));
    return icono;
}

void DibujaPrograma(QPainter& p, qreal u) {
    Cilindro(p, QRectF(0.5 * u, 1 * u, 6 * u, 9 * u), QColor(0x1f, 0x6f, 0xb5));
    Cilindro(p, QRectF(9.5 * u, 6 * u, 6 * u, 9 * u), QColor(0x2e, 0x9d, 0x4f));
    // Flecha del maestro al esclavo.
    p.setPen(QPen(QColor(0xd0, 0x60, 0x10), 1.4 * u, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5 * u, 12.5 * u), QPointF(9 * u, 12.5 * u));
    p.drawLine(QPointF(9 * u, 12.5 * u), QPointF(7.5 * u, 11 * u));
    p.drawLine(QPointF(9 * u, 12.5 * u), QPointF(7.5 * u, 14 * u));
}

} // namespace

QIcon IconoPrograma() {
    return IconoDibujado(DibujaPrograma);
}

QPixmap DibujoPrograma(int lado) {
    return Dibujado(DibujaPrograma, lado);
}

QIcon IconoDescripcion() {
    return IconoDibujado([](QPainter& p, qreal u) {
        p.setPen(QPen(QColor(0x55, 0x55, 0x55), u * 0.8));
        p.setBrush(QColor(0xfa, 0xfa, 0xf0));
        p.drawRect(QRectF(2.5 * u, 1 * u, 11 * u, 14 * u));
        p.setPen(QPen(QColor(0x1f, 0x6f, 0xb5), u));
        for (int i = 0; i < 5; ++i)
            p.drawLine(QPointF(4.5 * u, (4 + 2.2 * i) * u), QPointF(11.5 * u, (4 + 2.2 * i) * u));
    });
}
