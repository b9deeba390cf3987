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
#include "desktop/dialogs/utf8.h"

namespace {

QColor FromRef(uint32_t ref) {
    return QColor(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF), static_cast<int>((ref >> 16) & 0xFF));
}

uint32_t ToRef(const QColor& c) {
    return static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8) |
           (static_cast<uint32_t>(c.blue()) << 16);
}

}  // namespace

CSettingDlg::CSettingDlg(const Values& initial, QWidget* parent) : QDialog(parent), v_(initial) {
    SetUpDialog(this, "CSettingDlg", "設定");
    dup_ = new QCheckBox(U("重複を許可しない(&T)"), this);
    dup_->setObjectName(QStringLiteral("check116"));
    start_ = NumberEdit(this, "edit119", 4);
    end_ = NumberEdit(this, "edit120", 4);
    QPushButton* ok = OkButton(this);
    QPushButton* cancel = CancelButton(this);
    QPushButton* paid = Button(this, "料金済色(&C)...", "button125");
    QPushButton* unpaid = Button(this, "料金未色(&D)...", "button126");
    object_ = new QComboBox(this);
    object_->setObjectName(QStringLiteral("combo128"));
    object_->setEditable(false);
    for (const char* entry : {"使用者 使用目的", "使用目的 使用者", "使用者のみ", "使用目的のみ"})
        object_->addItem(U(entry));
    connect(paid, &QPushButton::clicked, this, [this] { PickColor(&v_.paidColor); });
    connect(unpaid, &QPushButton::clicked, this, [this] { PickColor(&v_.unpaidColor); });

    auto* grid = new QGridLayout;
    grid->addWidget(dup_, 0, 0, 1, 2);
    grid->addWidget(BuddyLabel(this, "開始時刻(&S):", start_), 1, 0);
    grid->addLayout(UnitRow(this, {start_}, {"時"}), 1, 1);
    grid->addWidget(BuddyLabel(this, "終了時刻(&E):", end_), 2, 0);
    grid->addLayout(UnitRow(this, {end_}, {"時"}), 2, 1);
    grid->addWidget(BuddyLabel(this, "表示内容(&V):", object_), 3, 0);
    grid->addWidget(object_, 3, 1);
    // A register's own setting, made by its administrator: shown, not changed here.
    if (initial.serverForbids) {
        auto* note = new QLabel(U("この登録簿では、重複した予約をサーバーも断ります。"), this);
        note->setObjectName(QStringLiteral("label_server"));
        grid->addWidget(note, 4, 0, 1, 2);
    }
    auto* outer = new QHBoxLayout(this);
    outer->addLayout(grid, 1);
    outer->addLayout(ButtonColumn({ok, cancel, paid, unpaid}));

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
