#include "desktop/dialogs/dlgfields.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
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

QLineEdit* NumberEdit(QWidget* parent, const char* name, int chars) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setFixedWidth(e->fontMetrics().horizontalAdvance(QLatin1Char('0')) * chars + 16);
    return e;
}

QPlainTextEdit* MultiLineEdit(QWidget* parent, const char* name, int lines) {
    auto* e = new QPlainTextEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setTabChangesFocus(true);  // Enter breaks the line; Tab moves on
    e->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    e->setFixedHeight(e->fontMetrics().lineSpacing() * lines + 12);
    return e;
}

QLabel* BuddyLabel(QWidget* parent, const char* utf8, QWidget* buddy) {
    auto* l = new QLabel(QString::fromUtf8(utf8), parent);
    if (buddy) l->setBuddy(buddy);
    return l;
}

QHBoxLayout* UnitRow(QWidget* parent, std::initializer_list<QWidget*> fields, std::initializer_list<const char*> units) {
    auto* h = new QHBoxLayout;
    auto u = units.begin();
    for (QWidget* w : fields) {
        h->addWidget(w);
        if (u != units.end()) h->addWidget(new QLabel(QString::fromUtf8(*u++), parent));
    }
    h->addStretch(1);
    return h;
}
