#include "MideArranque.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace {

class FiltroPintura : public QObject {
public:
    explicit FiltroPintura(QWidget* ventana) : QObject(ventana), ventana_(ventana) {}

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override {
        if (objeto == ventana_ && evento->type() == QEvent::Paint && !avisado_) {
            avisado_ = true;
            // Después de esta pintura, no antes.
            QTimer::singleShot(0, ventana_, [v = ventana_] {
                std::printf("mostrada %dx%d\n", v->frameGeometry().width(),
                            v->frameGeometry().height());
                std::fflush(stdout);
                QCoreApplication::exit(0);
            });
        }
        return false;
    }

private:
    QWidget* ventana_;
    bool avisado_ = false;
};

} // namespace

void AvisaPrimeraPintura(QWidget* ventana) {
    ventana->installEventFilter(new FiltroPintura(ventana));
}
