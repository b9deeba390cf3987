#include "desktop/dialogs/dlgfields.h"

#include <QGuiApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScreen>
#include <QWidget>

#include "core/booking/rules.h"
#include "core/doc/messages.h"
#include "core/doc/text.h"
#include "desktop/dialogs/modalprompt.h"

QPoint CenteredPosition(const QRect& client, const QSize& size) {
    // Integer division rounds toward zero, also when the dialog is the larger.
    return QPoint(client.left() + (client.width() - size.width()) / 2,
                  client.top() + (client.height() - size.height()) / 2);
}

void CenterOverParent(QWidget* dlg) {
    dlg->adjustSize();
    QRect client;
    if (QWidget* p = dlg->parentWidget()) {
        client = QRect(p->mapToGlobal(QPoint(0, 0)), p->size());
    } else if (QScreen* s = QGuiApplication::primaryScreen()) {
        client = s->availableGeometry();
    }
    if (client.isValid()) dlg->move(CenteredPosition(client, dlg->size()));
}

namespace {

void Refuse(QWidget* control, const QString& text) {
    ShowMessage(control->window(), text);
    control->setFocus();
    if (auto* e = qobject_cast<QLineEdit*>(control)) e->selectAll();
}

}  // namespace

QWidget* TextField::Widget() const {
    return line_ ? static_cast<QWidget*>(line_) : static_cast<QWidget*>(plain_);
}

QString TextField::Current() const { return line_ ? line_->text() : plain_->toPlainText(); }

void TextField::Show(const std::string& bytes) {
    bytes_ = bytes;
    QString s = QString::fromUtf8(text::ToUtf8(bytes));
    if (line_) {
        line_->setText(s);
    } else {
        // Stored line breaks are CR LF; the control works with LF.
        s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        plain_->setPlainText(s);
    }
    shown_ = Current();
}

bool TextField::Read(std::string* bytes) const {
    QString now = Current();
    if (now == shown_) {
        *bytes = bytes_;
        return true;
    }
    if (plain_) now.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    std::string bad;
    if (!text::FromUtf8(now.toStdString(), bytes, &bad)) {
        Refuse(Widget(), QString::fromUtf8(msg::kCannotEncode).arg(QString::fromUtf8(bad)));
        return false;
    }
    return true;
}

void NumberField::Show(uint32_t value) { edit_->setText(QString::number(value)); }

bool NumberField::Read(uint32_t* value) const {
    uint32_t v = 0;
    if (!ParseUnsigned(edit_->text().toStdString(), &v)) {
        Refuse(edit_, QString::fromUtf8(msg::kNotUnsigned));
        return false;
    }
    if (bits16_ && !Fits16(v)) {
        Refuse(edit_, QString::fromUtf8(msg::kOutOf16Bits));
        return false;
    }
    *value = v;
    return true;
}
