#include "Campos.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QWidget>

namespace {

constexpr int kAbajo = 40;
constexpr int kArriba = 38;
constexpr int kEnter = 13;

class FiltroCampo : public QObject {
public:
    FiltroCampo(QWidget* campo, const QString& clase, bool conTeclas)
        : QObject(campo), clase_(clase), conTeclas_(conTeclas) {}

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override {
        auto* control = qobject_cast<QWidget*>(objeto);
        if (!control)
            return false;
        if (evento->type() == QEvent::FocusIn) {
            Resalta(control);
        } else if (evento->type() == QEvent::KeyPress) {
            const auto* tecla = static_cast<QKeyEvent*>(evento);
            int codigo = CodigoTecla(tecla->key());
            if (codigo != 0 && conTeclas_) {
                Teclas(control, codigo);
                if (codigo == 0)
                    return true;
            }
            int ascii = 0;
            if (tecla->key() == Qt::Key_Return || tecla->key() == Qt::Key_Enter)
                ascii = kEnter;
            else if (!tecla->text().isEmpty())
                ascii = tecla->text().at(0).unicode();
            if (ascii != 0) {
                Enter(control, ascii, clase_);
                if (ascii == 0)
                    return true;
            }
        }
        return false;
    }

private:
    QString clase_;
    bool conTeclas_;
};

bool AceptaFoco(const QWidget* w, const QWidget* ventana) {
    return w->window() == ventana && w->isEnabled() && w->isVisible() && !w->focusProxy() &&
           (w->focusPolicy() & Qt::TabFocus);
}

} // namespace

AccionTecla ReglaTeclas(int codigoTecla) {
    switch (codigoTecla) {
    case kAbajo:
        return AccionTecla::Siguiente;
    case kArriba:
        return AccionTecla::Anterior;
    default:
        return AccionTecla::Pasa;
    }
}

AccionTecla ReglaEnter(int codigoAscii, const QString& clase) {
    if (codigoAscii == kEnter)
        return AccionTecla::Siguiente;
    if (clase == QLatin1String("9")) {
        const bool digito = codigoAscii >= '0' && codigoAscii <= '9';
        // Los caracteres de control y DEL (127, el texto que X11 da a Suprimir)
        // son teclas de edición, no captura.
        const bool edicion = (codigoAscii >= 0 && codigoAscii < 32) || codigoAscii == 127;
        return digito || edicion ? AccionTecla::Pasa : AccionTecla::Rechaza;
    }
    return AccionTecla::Pasa;
}

void Resalta(QWidget* control) {
    if (auto* linea = qobject_cast<QLineEdit*>(control))
        linea->selectAll();
    else if (auto* giro = qobject_cast<QAbstractSpinBox*>(control))
        giro->selectAll();
    else if (auto* combo = qobject_cast<QComboBox*>(control); combo && combo->lineEdit())
        combo->lineEdit()->selectAll();
    else if (auto* plano = qobject_cast<QPlainTextEdit*>(control))
        plano->selectAll();
    else if (auto* rico = qobject_cast<QTextEdit*>(control))
        rico->selectAll();
}

void MueveFoco(QWidget* desde, bool adelante) {
    if (!desde)
        return;
    const QWidget* ventana = desde->window();
    for (QWidget* w = adelante ? desde->nextInFocusChain() : desde->previousInFocusChain();
         w && w != desde; w = adelante ? w->nextInFocusChain() : w->previousInFocusChain()) {
        if (AceptaFoco(w, ventana)) {
            w->setFocus(adelante ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return;
        }
    }
}

void Teclas(QWidget* control, int& codigoTecla) {
    const AccionTecla accion = ReglaTeclas(codigoTecla);
    if (accion == AccionTecla::Pasa)
        return;
    codigoTecla = 0;
    MueveFoco(control, accion == AccionTecla::Siguiente);
}

void Enter(QWidget* control, int& codigoAscii, const QString& clase) {
    switch (ReglaEnter(codigoAscii, clase)) {
    case AccionTecla::Pasa:
        return;
    case AccionTecla::Siguiente:
        codigoAscii = 0;
        MueveFoco(control, true);
        return;
    case AccionTecla::Anterior:
    case AccionTecla::Rechaza:
        codigoAscii = 0;
        return;
    }
}

int CodigoTecla(int teclaQt) {
    if (teclaQt >= Qt::Key_F1 && teclaQt <= Qt::Key_F24)
        return 112 + (teclaQt - Qt::Key_F1);
    switch (teclaQt) {
    case Qt::Key_Down:
        return kAbajo;
    case Qt::Key_Up:
        return kArriba;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return kEnter;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return 9;
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Delete:
        return 46;
    default:
        break;
    }
    // Letras y dígitos: su código ASCII en mayúscula, como las teclas virtuales.
    if ((teclaQt >= Qt::Key_A && teclaQt <= Qt::Key_Z) ||
        (teclaQt >= Qt::Key_0 && teclaQt <= Qt::Key_9) || teclaQt == Qt::Key_Space)
        return teclaQt;
    return 0;
}

int EstadoMayusculas(Qt::KeyboardModifiers modificadores) {
    return (modificadores & Qt::ShiftModifier ? 1 : 0) |
           (modificadores & Qt::ControlModifier ? 2 : 0) |
           (modificadores & Qt::AltModifier ? 4 : 0);
}

void PreparaCampo(QWidget* campo, const QString& clase, bool conTeclas) {
    if (campo)
        campo->installEventFilter(new FiltroCampo(campo, clase, conTeclas));
}
