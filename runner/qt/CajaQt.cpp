#include "CajaQt.h"

#include <QColor>
#include <QCoreApplication>
#include <QFont>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

namespace ejecucion {

namespace {

QString AQString(const std::string& texto) {
    return QString::fromUtf8(texto.data(), static_cast<qsizetype>(texto.size()));
}

} // namespace

CajaQt::CajaQt(QWidget* caja) : caja_(caja) {}

std::string CajaQt::Texto() const {
    if (auto* p = qobject_cast<QPlainTextEdit*>(caja_.data())) {
        // Raw text keeps non-breaking spaces; blocks are separated by U+2029.
        QString t = p->document()->toRawText();
        t.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
        t.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
        return t.toStdString();
    }
    if (auto* l = qobject_cast<QLineEdit*>(caja_.data())) {
        return l->text().toStdString();
    }
    return {};
}

void CajaQt::PonTexto(const std::string& texto) {
    if (auto* p = qobject_cast<QPlainTextEdit*>(caja_.data())) {
        p->setPlainText(AQString(texto));
    } else if (auto* l = qobject_cast<QLineEdit*>(caja_.data())) {
        l->setText(AQString(texto));
    }
}

void CajaQt::Agrega(const std::string& texto) {
    if (texto.empty()) {
        return;
    }
    if (auto* p = qobject_cast<QPlainTextEdit*>(caja_.data())) {
        QTextCursor cursor(p->document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(AQString(texto));
    } else if (auto* l = qobject_cast<QLineEdit*>(caja_.data())) {
        l->setText(l->text() + AQString(texto));
    }
}

long CajaQt::MaxLength() const {
    if (auto* l = qobject_cast<QLineEdit*>(caja_.data())) {
        return l->maxLength();
    }
    if (caja_ != nullptr) {
        return caja_->property(kPropiedadMaxLength).toLongLong();
    }
    return 0;
}

bool CajaQt::MultiLine() const {
    return qobject_cast<QLineEdit*>(caja_.data()) == nullptr;
}

void CajaQt::CursorAlFinal() {
    if (auto* p = qobject_cast<QPlainTextEdit*>(caja_.data())) {
        p->moveCursor(QTextCursor::End);
        p->ensureCursorVisible();
    } else if (auto* l = qobject_cast<QLineEdit*>(caja_.data())) {
        l->end(false);
    }
}

QFont LetraDeDiseno() {
    QFont letra(QStringLiteral("MS Sans Serif"));
    letra.setStyleHint(QFont::SansSerif);
    letra.setPointSizeF(8.25);
    return letra;
}

QPlainTextEdit* CreaCajaCaptura(QWidget* padre) {
    auto* caja = new QPlainTextEdit(padre);
    caja->setObjectName(QStringLiteral("txtCapturaDOS"));
    caja->setUndoRedoEnabled(false);
    caja->setFont(LetraDeDiseno());
    QPalette paleta = caja->palette();
    for (const auto grupo : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        paleta.setColor(grupo, QPalette::Base, Qt::black);
        paleta.setColor(grupo, QPalette::Text, QColor(0, 192, 0));
    }
    caja->setPalette(paleta);
    return caja;
}

void InstalaBombaQt() {
    PonBombaEventos([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
}

} // namespace ejecucion
