#pragma once

#include "EjecucionCMD.h"

#include <QFont>
#include <QPointer>
#include <QWidget>

class QPlainTextEdit;

// The runner's box over the windows' text boxes, and the event pump.
namespace ejecucion {

// Dynamic property of a QPlainTextEdit that plays the role of MaxLength
// (the widget has none); missing or 0: no limit.
inline constexpr const char* kPropiedadMaxLength = "MaxLength";

// A Caja over a QPlainTextEdit (multi-line) or a QLineEdit (single-line, its
// maxLength). The widget may be destroyed during a run: from then on the box
// reads as empty and ignores writes.
class CajaQt : public Caja {
public:
    explicit CajaQt(QWidget* caja);

    std::string Texto() const override;
    void PonTexto(const std::string& texto) override;
    void Agrega(const std::string& texto) override;
    long MaxLength() const override;
    bool MultiLine() const override;
    void CursorAlFinal() override;

private:
    QPointer<QWidget> caja_;
};

// The capture box txtCapturaDOS as the procedure windows show it: multi-line,
// not read-only, black background, green text (red 0, green 192, blue 0) in
// MS Sans Serif 8.25 pt or the closest face, no undo history (which would keep
// a second copy of all the output).
QPlainTextEdit* CreaCajaCaptura(QWidget* padre);

// MS Sans Serif 8.25 pt, or the closest sans-serif face the system has: the
// letter of the procedure windows and of their capture box.
QFont LetraDeDiseno();

// Installs the Qt event pump in the runner (processes pending events once).
void InstalaBombaQt();

} // namespace ejecucion
