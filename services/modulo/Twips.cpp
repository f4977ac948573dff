#include "Twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cmath>

namespace Twips {

double PorPixel(const QWidget* control) {
    const QScreen* pantalla = control ? control->screen() : QGuiApplication::primaryScreen();
    const double ppp = pantalla ? pantalla->logicalDotsPerInch() : 96.0;
    return 1440.0 / (ppp > 0 ? ppp : 96.0);
}

int APixeles(double twips, const QWidget* control) {
    return static_cast<int>(std::lround(twips / PorPixel(control)));
}

double DePixeles(int pixeles, const QWidget* control) {
    return pixeles * PorPixel(control);
}

} // namespace Twips
