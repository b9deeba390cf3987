#include "desktop/dialogs/reservedlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/doc/kivodoc.h"
#include "core/doc/messages.h"
#include "core/doc/text.h"
#include "desktop/dialogs/modalprompt.h"
#include "desktop/dialogs/userdlg.h"

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

}  // namespace

CReserveDlg::CReserveDlg(CKivoDoc& doc, const ReserveEntry& entry, QWidget* parent)
    : CReserveDlg(doc, entry, parent, false) {
    setObjectName(QStringLiteral("CReserveDlg"));
    setWindowTitle(U("予約の入力"));
    CenterOverParent(this);
}

CReserveDlg::CReserveDlg(CKivoDoc& doc, const ReserveEntry& entry, QWidget* parent, bool repair)
    : QDialog(parent), doc_(doc), entry_(entry) {
    Build(repair);
    // Initialise: the facilities in collection order, so that a list position
    // is a collection position; the delete flag starts clear.
    for (const auto& f : doc_.m_arFacility) facility_->addItem(QString::fromUtf8(text::ToUtf8(f->m_strName)));
    entry_.deleteFlag = false;
    ShowControls();
    user_->setFocus();
}

void CReserveDlg::Build(bool repair) {
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    // Created in tab order: user, browse, date, start, end, facility,
    // purpose, contact, OK, Cancel, Delete, fee paid, fee.
    user_ = new QLineEdit(this);
    user_->setObjectName(QStringLiteral("edit102"));
    browse_ = new QPushButton(U("参照(&B)..."), this);
    browse_->setObjectName(QStringLiteral("button118"));
    browse_->setAutoDefault(false);
    year_ = NumberEdit(this, "edit114", 5);
    month_ = NumberEdit(this, "edit115", 3);
    day_ = NumberEdit(this, "edit116", 3);
    startHour_ = NumberEdit(this, "edit105", 3);
    startMinute_ = NumberEdit(this, "edit106", 3);
    endHour_ = NumberEdit(this, "edit107", 3);
    endMinute_ = NumberEdit(this, "edit108", 3);
    facility_ = new QComboBox(this);
    facility_->setObjectName(QStringLiteral("combo109"));
    facility_->setEditable(false);
    facility_->setMaxVisibleItems(12);
    purpose_ = MultiLineEdit(this, "edit110", 3);
    contact_ = MultiLineEdit(this, "edit112", 3);
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("button1"));
    ok_->setDefault(true);
    if (!repair) {
        cancel_ = new QPushButton(U("ｷｬﾝｾﾙ"), this);
        cancel_->setObjectName(QStringLiteral("button2"));
        cancel_->setAutoDefault(false);
    }
    delete_ = new QPushButton(U("削除(&D)"), this);
    delete_->setObjectName(QStringLiteral("button111"));
    delete_->setAutoDefault(false);
    paid_ = new QCheckBox(U("料金の入金(&F)"), this);
    paid_->setObjectName(QStringLiteral("check120"));
    fee_ = new QLineEdit(this);
    fee_->setObjectName(QStringLiteral("edit121"));
    fee_->setAlignment(Qt::AlignRight);
    fee_->setFixedWidth(fee_->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 10 + 16);

    auto* outer = new QVBoxLayout(this);
    if (repair) {
        auto* text = new QLabel(U(msg::kRepairText), this);
        text->setObjectName(QStringLiteral("label_repair"));
        text->setWordWrap(true);
        outer->addWidget(text);
    }
    auto* body = new QHBoxLayout;
    outer->addLayout(body);
    auto* grid = new QGridLayout;
    body->addLayout(grid, 1);

    int r = 0;
    grid->addWidget(BuddyLabel(this, "使用者(&U):", user_), r, 0);
    auto* userRow = new QHBoxLayout;
    userRow->addWidget(user_, 1);
    userRow->addWidget(browse_);
    grid->addLayout(userRow, r++, 1);
    grid->addWidget(BuddyLabel(this, "日付(&D):", year_), r, 0);
    grid->addLayout(UnitRow(this, {year_, month_, day_}, {"年", "月", "日"}), r++, 1);
    grid->addWidget(BuddyLabel(this, "開始時刻(&S):", startHour_), r, 0);
    grid->addLayout(UnitRow(this, {startHour_, startMinute_}, {"時", "分"}), r++, 1);
    grid->addWidget(BuddyLabel(this, "終了時刻(&E):", endHour_), r, 0);
    grid->addLayout(UnitRow(this, {endHour_, endMinute_}, {"時", "分"}), r++, 1);
    grid->addWidget(BuddyLabel(this, "施設名(&N):", facility_), r, 0);
    grid->addWidget(facility_, r++, 1);
    grid->addWidget(BuddyLabel(this, "使用目的(&P)", purpose_), r, 0, Qt::AlignTop);
    grid->addWidget(purpose_, r++, 1);
    grid->addWidget(BuddyLabel(this, "連絡先(&A)", contact_), r, 0, Qt::AlignTop);
    grid->addWidget(contact_, r++, 1);
    auto* feeRow = new QHBoxLayout;
    feeRow->addWidget(paid_);
    feeRow->addSpacing(16);
    feeRow->addWidget(BuddyLabel(this, "料金(&F):", fee_));
    feeRow->addWidget(fee_);
    feeRow->addWidget(new QLabel(U("円"), this));
    feeRow->addStretch(1);
    grid->addLayout(feeRow, r++, 1);
    grid->setColumnMinimumWidth(1, fontMetrics().horizontalAdvance(QLatin1Char('0')) * 36);

    auto* buttons = new QVBoxLayout;
    body->addLayout(buttons);
    buttons->addWidget(ok_);
    if (cancel_) buttons->addWidget(cancel_);
    buttons->addWidget(delete_);
    buttons->addStretch(1);

    QWidget* chain[] = {user_,  browse_, year_,    month_,   day_,    startHour_, startMinute_, endHour_, endMinute_,
                        facility_, purpose_, contact_, ok_, cancel_, delete_, paid_, fee_};
    QWidget* prev = nullptr;
    for (QWidget* w : chain) {
        if (!w) continue;
        if (prev) setTabOrder(prev, w);
        prev = w;
    }

    userField_.emplace(user_);
    purposeField_.emplace(purpose_);
    contactField_.emplace(contact_);
    yearField_.emplace(year_, false);
    monthField_.emplace(month_, false);
    dayField_.emplace(day_, false);
    startHourField_.emplace(startHour_, false);
    startMinuteField_.emplace(startMinute_, false);
    endHourField_.emplace(endHour_, false);
    endMinuteField_.emplace(endMinute_, false);
    feeField_.emplace(fee_, true);

    connect(ok_, &QPushButton::clicked, this, &CReserveDlg::accept);
    if (cancel_) connect(cancel_, &QPushButton::clicked, this, &CReserveDlg::reject);
    connect(delete_, &QPushButton::clicked, this, &CReserveDlg::OnDelete);
    connect(browse_, &QPushButton::clicked, this, &CReserveDlg::OnBrowse);
}

void CReserveDlg::ShowControls() {
    facility_->setCurrentIndex(entry_.facility >= 0 && entry_.facility < facility_->count() ? entry_.facility : -1);
    endHourField_->Show(entry_.endHour);
    endMinuteField_->Show(entry_.endMinute);
    userField_->Show(entry_.user);
    purposeField_->Show(entry_.purpose);
    startHourField_->Show(entry_.startHour);
    startMinuteField_->Show(entry_.startMinute);
    contactField_->Show(entry_.contact);
    dayField_->Show(entry_.day);
    yearField_->Show(entry_.year);
    monthField_->Show(entry_.month);
    paid_->setChecked(entry_.paid);
    feeField_->Show(entry_.fee);
}

bool CReserveDlg::ReadControls() {
    // The exchange runs in member order and stops at the first refusal; the
    // members keep what they had, so a refused confirm changes nothing.
    ReserveEntry e = entry_;
    // -1 when nothing is picked: confirming then asks for a facility.
    e.facility = facility_->currentIndex();
    if (!endHourField_->Read(&e.endHour) || !endMinuteField_->Read(&e.endMinute) || !userField_->Read(&e.user) ||
        !purposeField_->Read(&e.purpose) || !startHourField_->Read(&e.startHour) ||
        !startMinuteField_->Read(&e.startMinute) || !contactField_->Read(&e.contact) || !dayField_->Read(&e.day) ||
        !yearField_->Read(&e.year) || !monthField_->Read(&e.month))
        return false;
    e.paid = paid_->isChecked();
    if (!feeField_->Read(&e.fee)) return false;
    entry_ = e;
    return true;
}

void CReserveDlg::accept() {
    if (!ReadControls()) return;
    if (entry_.deleteFlag) {
        QDialog::accept();
        return;
    }
    const CheckResult r = CheckDateTimes(entry_);
    if (r != CheckResult::Ok) {
        ShowMessage(this, U(CheckMessage(r)));
        if (r == CheckResult::BadEnd) endHour_->setFocus();
        return;
    }
    if (!commit_ || commit_(entry_)) QDialog::accept();
}

void CReserveDlg::OnDelete() {
    if (!ReadControls()) return;
    if (!AskOkCancel(this, U(msg::kConfirmDelete))) return;
    entry_.deleteFlag = true;
    QDialog::accept();
}

void CReserveDlg::OnBrowse() {
    if (!ReadControls()) return;
    CUserListDlg dlg(doc_, entry_.user, this);
    const bool chosen = Prompt().Exec(&dlg) == QDialog::Accepted;
    // A user renamed there is renamed in this field too, chosen or not: the
    // old name would otherwise come back as a user of its own.
    bool renamed = false;
    for (const auto& rename : dlg.Renames()) {
        renames_.push_back(rename);
        if (entry_.user == rename.first) {
            entry_.user = rename.second;
            renamed = true;
        }
    }
    if (chosen) entry_.user = dlg.Name();
    if (chosen || renamed) ShowControls();
}

CReserveErrDlg::CReserveErrDlg(CKivoDoc& doc, const ReserveEntry& entry, QWidget* parent)
    : CReserveDlg(doc, entry, parent, true) {
    setObjectName(QStringLiteral("CReserveErrDlg"));
    setWindowTitle(U("予約のエラー"));
    // No Cancel, so the close box must not suggest one either; Qt centres a
    // dialog on its owner when it is shown.
    adjustSize();
}

void CReserveErrDlg::reject() {
    // Esc and the close box keep what was typed, unchecked: the record must
    // leave this dialog one way or another.
    if (!ReadControls()) return;
    done(QDialog::Accepted);
}
