#include "desktop/dialogs/dlgfields.h"

#include <QDialog>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

#include "core/booking/rules.h"
#include "core/doc/messages.h"
#include "core/doc/text.h"
#include "desktop/dialogs/modalprompt.h"
#include "desktop/dialogs/utf8.h"

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

// Holds a dialog at its layout's size from the moment it is first laid out,
// whenever the layout was built: the window manager then offers neither a
// resize border nor a maximise button.
class FixedSize : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* e) override {
        auto* w = qobject_cast<QWidget*>(watched);
        if (w && e->type() == QEvent::Polish && w->layout()) {
            w->layout()->setSizeConstraint(QLayout::SetFixedSize);
            w->removeEventFilter(this);
        }
        return false;
    }
};

}  // namespace

void SetUpDialog(QDialog* dlg, const char* name, const char* utf8Title) {
    dlg->setObjectName(QString::fromLatin1(name));
    dlg->setWindowTitle(U(utf8Title));
    dlg->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    FixDialogSize(dlg);
}

void FixDialogSize(QDialog* dlg) {
    if (QLayout* l = dlg->layout()) l->setSizeConstraint(QLayout::SetFixedSize);
    else dlg->installEventFilter(new FixedSize(dlg));
}

QPushButton* Button(QWidget* parent, const char* utf8, const char* name, bool isDefault) {
    auto* b = new QPushButton(U(utf8), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(isDefault);
    b->setDefault(isDefault);
    return b;
}

QPushButton* OkButton(QDialog* dlg, const char* utf8) {
    QPushButton* b = Button(dlg, utf8, "button1", true);
    QObject::connect(b, &QPushButton::clicked, dlg, &QDialog::accept);
    return b;
}

QPushButton* CancelButton(QDialog* dlg) {
    QPushButton* b = Button(dlg, "ｷｬﾝｾﾙ", "button2");
    QObject::connect(b, &QPushButton::clicked, dlg, &QDialog::reject);
    return b;
}

QVBoxLayout* ButtonColumn(std::initializer_list<QPushButton*> buttons) {
    auto* v = new QVBoxLayout;
    for (QPushButton* b : buttons)
        if (b) v->addWidget(b);
    v->addStretch(1);
    return v;
}

QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons) {
    auto* h = new QHBoxLayout;
    h->addStretch(1);
    for (QPushButton* b : buttons)
        if (b) h->addWidget(b);
    return h;
}

void ChainTabs(const std::vector<QWidget*>& chain) {
    QWidget* prev = nullptr;
    for (QWidget* w : chain) {
        if (!w) continue;
        if (prev) QWidget::setTabOrder(prev, w);
        prev = w;
    }
}

QListWidget* ListWithButtons(QDialog* dlg, const char* name, int chars, int lines,
                             std::initializer_list<QPushButton*> buttons) {
    auto* list = new QListWidget(dlg);
    list->setObjectName(QString::fromLatin1(name));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list->setMinimumSize(list->fontMetrics().horizontalAdvance(QLatin1Char('0')) * chars,
                         list->fontMetrics().lineSpacing() * lines);
    auto* outer = new QHBoxLayout(dlg);
    outer->addWidget(list, 1);
    outer->addLayout(ButtonColumn(buttons));
    std::vector<QWidget*> chain{list};
    chain.insert(chain.end(), buttons.begin(), buttons.end());
    ChainTabs(chain);
    return list;
}

int SelectedRow(const QListWidget* list) {
    const QModelIndexList sel = list->selectionModel()->selectedIndexes();
    return sel.isEmpty() ? -1 : sel.first().row();
}

namespace {

void Refuse(QWidget* control, const QString& text) {
    ShowMessage(control->window(), text);
    control->setFocus();
    if (auto* e = qobject_cast<QLineEdit*>(control)) e->selectAll();
}

// The character as typed and its code point: a character the dialog's font
// lacks shows as a bare box, and the number still tells which one it is.
QString CharacterName(const std::string& utf8) {
    const QString c = QString::fromUtf8(utf8);
    const QList<uint> points = c.toUcs4();
    if (points.size() != 1 || c.contains(QChar::ReplacementCharacter)) return c;
    return U("%1（U+%2）").arg(c, QString::number(points.front(), 16).toUpper().rightJustified(4, QLatin1Char('0')));
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
        Refuse(Widget(), QString::fromUtf8(msg::kCannotEncode).arg(CharacterName(bad)));
        return false;
    }
    return true;
}

void NumberField::Show(uint32_t value) { edit_->setText(QString::number(value)); }

bool NumberField::Read(uint32_t* value) const {
    uint32_t v = 0;
    if (!ParseUnsigned(edit_->text().toStdString(), &v)) {
        Refuse(edit_, U(msg::kNotUnsigned));
        return false;
    }
    if (bits16_ && !Fits16(v)) {
        Refuse(edit_, U(msg::kOutOf16Bits));
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
    auto* l = new QLabel(U(utf8), parent);
    if (buddy) l->setBuddy(buddy);
    return l;
}

QHBoxLayout* UnitRow(QWidget* parent, std::initializer_list<QWidget*> fields, std::initializer_list<const char*> units) {
    auto* h = new QHBoxLayout;
    auto u = units.begin();
    for (QWidget* w : fields) {
        h->addWidget(w);
        if (u != units.end()) h->addWidget(new QLabel(U(*u++), parent));
    }
    h->addStretch(1);
    return h;
}
