#include "desktop/dialogs/reservedlg.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/booking/rules.h"
#include "core/doc/kivodoc.h"
#include "core/doc/messages.h"
#include "desktop/dialogs/modalprompt.h"
#include "desktop/dialogs/userdlg.h"
#include "desktop/dialogs/utf8.h"

namespace {

using Field = EntryControls::Field;
using Row = EntryControls::Row;

}  // namespace

CReserveDlg::CReserveDlg(CKivoDoc& doc, const ReserveEntry& entry, QWidget* parent)
    : CReserveDlg(doc, entry, parent, false) {
    SetUpDialog(this, "CReserveDlg", "予約の入力");
    CenterOverParent(this);
}

CReserveDlg::CReserveDlg(CKivoDoc& doc, const ReserveEntry& entry, QWidget* parent, bool repair)
    : QDialog(parent), doc_(doc), entry_(entry), fields_(this, 3, "日付(&D):") {
    Build(repair);
    fields_.ListFacilities(doc_);
    // The delete flag starts clear.
    entry_.deleteFlag = false;
    ShowControls();
    fields_.user->setFocus();
}

void CReserveDlg::Build(bool repair) {
    QPushButton* ok = OkButton(this);
    QPushButton* cancel = repair ? nullptr : CancelButton(this);
    QPushButton* del = Button(this, "削除(&D)", "button111");
    connect(del, &QPushButton::clicked, this, &CReserveDlg::OnDelete);
    connect(fields_.browse, &QPushButton::clicked, this, &CReserveDlg::OnBrowse);

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
    fields_.AddRows(grid, 0,
                    {Row::User, Row::Date, Row::Start, Row::End, Row::Facility, Row::Purpose, Row::Contact, Row::Fee});
    grid->setColumnMinimumWidth(1, fontMetrics().horizontalAdvance(QLatin1Char('0')) * 36);
    body->addLayout(ButtonColumn({ok, cancel, del}));

    // The fee comes last, after the buttons.
    std::vector<QWidget*> chain =
        fields_.TabOrder({Row::User, Row::Date, Row::Start, Row::End, Row::Facility, Row::Purpose, Row::Contact});
    chain.insert(chain.end(), {ok, cancel, del, fields_.paid, fields_.fee});
    ChainTabs(chain);
}

void CReserveDlg::ShowControls() { fields_.Show(entry_); }

bool CReserveDlg::ReadControls() {
    // The exchange runs in member order and stops at the first refusal; the
    // members keep what they had, so a refused confirm changes nothing.
    ReserveEntry e = entry_;
    if (!fields_.Read({Field::EndHour, Field::EndMinute, Field::User, Field::Purpose, Field::StartHour,
                       Field::StartMinute, Field::Contact, Field::Day, Field::Year, Field::Month, Field::Fee},
                      &e))
        return false;
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
        if (r == CheckResult::BadEnd) fields_.endHour->setFocus();
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
    SetUpDialog(this, "CReserveErrDlg", "予約のエラー");
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
