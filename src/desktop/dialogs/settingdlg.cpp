#include "desktop/dialogs/settingdlg.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/doc/messages.h"
#include "desktop/dialogs/dlgfields.h"
#include "desktop/dialogs/modalprompt.h"

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

QColor FromRef(uint32_t ref) {
    return QColor(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF), static_cast<int>((ref >> 16) & 0xFF));
}

uint32_t ToRef(const QColor& c) {
    return static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8) |
           (static_cast<uint32_t>(c.blue()) << 16);
}

QPushButton* Button(QWidget* parent, const char* text, const char* name) {
    auto* b = new QPushButton(U(text), parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

}  // namespace

CSettingDlg::CSettingDlg(const Values& initial, QWidget* parent) : QDialog(parent), v_(initial) {
    setObjectName(QStringLiteral("CSettingDlg"));
    setWindowTitle(U("設定"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    dup_ = new QCheckBox(U("重複を許可しない(&T)"), this);
    dup_->setObjectName(QStringLiteral("check116"));
    start_ = new QLineEdit(this);
    start_->setObjectName(QStringLiteral("edit119"));
    end_ = new QLineEdit(this);
    end_->setObjectName(QStringLiteral("edit120"));
    for (QLineEdit* e : {start_, end_}) e->setFixedWidth(e->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 4 + 16);
    QPushButton* ok = Button(this, "OK", "button1");
    ok->setDefault(true);
    QPushButton* cancel = Button(this, "ｷｬﾝｾﾙ", "button2");
    QPushButton* paid = Button(this, "料金済色(&C)...", "button125");
    QPushButton* unpaid = Button(this, "料金未色(&D)...", "button126");
    object_ = new QComboBox(this);
    object_->setObjectName(QStringLiteral("combo128"));
    object_->setEditable(false);
    for (const char* entry : {"使用者 使用目的", "使用目的 使用者", "使用者のみ", "使用目的のみ"}) object_->addItem(U(entry));

    connect(ok, &QPushButton::clicked, this, &CSettingDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CSettingDlg::reject);
    connect(paid, &QPushButton::clicked, this, [this] { PickColor(&v_.paidColor); });
    connect(unpaid, &QPushButton::clicked, this, [this] { PickColor(&v_.unpaidColor); });

    auto* grid = new QGridLayout;
    auto label = [this](const char* text, QWidget* buddy) {
        auto* l = new QLabel(U(text), this);
        l->setBuddy(buddy);
        return l;
    };
    auto hourRow = [this](QLineEdit* e) {
        auto* h = new QHBoxLayout;
        h->addWidget(e);
        h->addWidget(new QLabel(U("時"), this));
        h->addStretch(1);
        return h;
    };
    grid->addWidget(dup_, 0, 0, 1, 2);
    grid->addWidget(label("開始時刻(&S):", start_), 1, 0);
    grid->addLayout(hourRow(start_), 1, 1);
    grid->addWidget(label("終了時刻(&E):", end_), 2, 0);
    grid->addLayout(hourRow(end_), 2, 1);
    grid->addWidget(label("表示内容(&V):", object_), 3, 0);
    grid->addWidget(object_, 3, 1);
    auto* side = new QVBoxLayout;
    for (QPushButton* b : {ok, cancel, paid, unpaid}) side->addWidget(b);
    side->addStretch(1);
    auto* outer = new QHBoxLayout(this);
    outer->addLayout(grid, 1);
    outer->addLayout(side);

    ShowMembers();
    adjustSize();
    CenterOverParent(this);
}

bool CSettingDlg::ReadControls() {
    uint32_t start = 0, end = 0;
    if (!NumberField(start_, false).Read(&start)) return false;
    if (!NumberField(end_, false).Read(&end)) return false;
    v_.dup = dup_->isChecked();
    v_.startHour = start;
    v_.endHour = end;
    v_.object = object_->currentIndex();
    return true;
}

void CSettingDlg::ShowMembers() {
    dup_->setChecked(v_.dup);
    NumberField(start_, false).Show(v_.startHour);
    NumberField(end_, false).Show(v_.endHour);
    object_->setCurrentIndex(v_.object >= 0 && v_.object < object_->count() ? v_.object : -1);
}

void CSettingDlg::PickColor(uint32_t* color) {
    // What was typed so far survives the colour dialog.
    if (!ReadControls()) return;
    QColor c = FromRef(*color);
    if (Prompt().ChooseColor(this, &c)) *color = ToRef(c);
    ShowMembers();
}

void CSettingDlg::accept() {
    if (!ReadControls()) return;
    // Hours outside a day, or a day that ends before it starts, would give the
    // schedule no sensible grid.
    if (v_.startHour > 23) {
        ShowMessage(this, U(msg::kBadStart));
        start_->setFocus();
        start_->selectAll();
        return;
    }
    if (v_.endHour > 23 || v_.endHour < v_.startHour) {
        ShowMessage(this, U(msg::kBadEnd));
        end_->setFocus();
        end_->selectAll();
        return;
    }
    QDialog::accept();
}
