#pragma once

class QWidget;

// Conversión entre twips y píxeles: 1440 twips por pulgada, según la
// resolución lógica de la pantalla del control (15 twips por píxel a 96 ppp).
// Toda geometría guardada o calculada en twips pasa por aquí.
namespace Twips {

// Twips por píxel de la pantalla del control (o de la principal).
double PorPixel(const QWidget* control = nullptr);
// Twips a píxeles, redondeado al más cercano.
int APixeles(double twips, const QWidget* control = nullptr);
double DePixeles(int pixeles, const QWidget* control = nullptr);

} // namespace Twips
