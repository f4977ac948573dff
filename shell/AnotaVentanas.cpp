#include "AnotaVentanas.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QWidget>

namespace {

class FiltroAnotador : public QObject {
public:
    FiltroAnotador(const QString& archivo, QObject* padre) : QObject(padre), archivo_(archivo) {}

protected:
    bool eventFilter(QObject* objeto, QEvent* evento) override {
        if (evento->type() != QEvent::Show || !objeto->isWidgetType())
            return false;
        auto* w = static_cast<QWidget*>(objeto);
        if (w->isWindow())
            Anota(w);
        return false;
    }

private:
    static QString Entre(const QString& texto) {
        return QStringLiteral("«") + texto + QStringLiteral("»");
    }

    void Anota(QWidget* w) const {
        QString lineas;
        if (auto* caja = qobject_cast<QMessageBox*>(w)) {
            lineas = QStringLiteral("caja ") + Entre(caja->windowTitle()) + QLatin1Char(' ') +
                     Entre(caja->text()) + QLatin1Char('\n');
        } else {
            const QString nombre = w->objectName().isEmpty()
                                       ? QString::fromLatin1(w->metaObject()->className())
                                       : w->objectName();
            lineas = QStringLiteral("ventana ") + nombre + QLatin1Char(' ') +
                     Entre(w->windowTitle()) + QLatin1Char('\n');
            for (QWidget* hijo : w->findChildren<QWidget*>()) {
                QString texto;
                if (auto* l = qobject_cast<QLabel*>(hijo))
                    texto = l->text();
                else if (auto* b = qobject_cast<QAbstractButton*>(hijo))
                    texto = b->text();
                else if (auto* e = qobject_cast<QLineEdit*>(hijo))
                    texto = e->text();
                else if (auto* lista = qobject_cast<QListWidget*>(hijo))
                    for (int i = 0; i < lista->count(); ++i)
                        texto += (i ? QStringLiteral("|") : QString()) + lista->item(i)->text();
                else
                    continue;
                if (!hijo->objectName().isEmpty())
                    lineas += QStringLiteral("  ") + hijo->objectName() + QLatin1Char(' ') +
                              Entre(texto) + QLatin1Char('\n');
            }
        }
        QFile f(archivo_);
        if (f.open(QIODevice::Append))
            f.write(lineas.toUtf8());
    }

    QString archivo_;
};

} // namespace

void AnotaVentanas(const QString& archivo) {
    qApp->installEventFilter(new FiltroAnotador(archivo, qApp));
}
