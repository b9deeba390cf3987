#include "desktop/dialogs/repeatdlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/doc/kivodoc.h"
#include "core/profile/profile.h"
#include "desktop/dialogs/modalprompt.h"
#include "desktop/dialogs/userdlg.h"
#include "desktop/dialogs/utf8.h"

namespace {

using Field = EntryControls::Field;
using Row = EntryControls::Row;

// In the order of the pattern list.
const char* const kPatternNames[] = {"毎日", "毎週", "隔週", "毎月"};
const char* const kWeekdays[] = {"日", "月", "火", "水", "木", "金", "土"};

// The weekday of a calendar day, also past what a stored time can reach.
int Weekday(int y, int m, int d) {
    static const int t[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (m < 3) --y;
    return (y + y / 4 - y / 100 + y / 400 + t[m - 1] + d) % 7;
}

}  // namespace

CRepeatDlg::CRepeatDlg(CKivoDoc& doc, const ReserveEntry& entry, QWidget* parent)
    : QDialog(parent), doc_(doc), entry_(entry), fields_(this, 2, "初回の日付(&D):") {
    SetUpDialog(this, "CRepeatDlg", "繰り返し予約");
    end_.byCount = true;
    end_.count = 4;
    end_.year = entry_.year, end_.month = entry_.month, end_.day = entry_.day;
    CreateControls();
    LayOut();
    Bind();
    fields_.ListFacilities(doc_);
    ShowControls();
    OnPreview(true);
    CenterOverParent(this);
    fields_.user->setFocus();
}

void CRepeatDlg::CreateControls() {
    patternBox_ = new QComboBox(this);
    patternBox_->setObjectName(QStringLiteral("combo_pattern"));
    for (const char* p : kPatternNames) patternBox_->addItem(U(p));
    byUntil_ = new QRadioButton(U("終了日(&L):"), this);
    byUntil_->setObjectName(QStringLiteral("radio_until"));
    untilYear_ = NumberEdit(this, "edit_until_year", 5);
    untilMonth_ = NumberEdit(this, "edit_until_month", 3);
    untilDay_ = NumberEdit(this, "edit_until_day", 3);
    byCount_ = new QRadioButton(U("回数(&C):"), this);
    byCount_->setObjectName(QStringLiteral("radio_count"));
    count_ = NumberEdit(this, "edit_count", 4);
    skipHolidays_ = new QCheckBox(U("祝日を除く(&H)"), this);
    skipHolidays_->setObjectName(QStringLiteral("check_skip_holidays"));
    preview_ = Button(this, "プレビュー(&V)", "button_preview");
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("list_preview"));
    list_->setMinimumHeight(list_->fontMetrics().lineSpacing() * 8);
    ok_ = OkButton(this);
    cancel_ = CancelButton(this);
}

void CRepeatDlg::LayOut() {
    auto* outer = new QVBoxLayout(this);
    auto* body = new QHBoxLayout;
    outer->addLayout(body);
    auto* grid = new QGridLayout;
    body->addLayout(grid, 1);
    const std::initializer_list<Row> rows = {Row::User,    Row::Facility, Row::Start, Row::End,
                                              Row::Purpose, Row::Contact,  Row::Fee,   Row::Date};
    int r = fields_.AddRows(grid, 0, rows);
    grid->addWidget(BuddyLabel(this, "繰り返し(&R):", patternBox_), r, 0);
    grid->addLayout(UnitRow(this, {patternBox_}, {}), r++, 1);
    grid->addWidget(byUntil_, r, 0);
    grid->addLayout(UnitRow(this, {untilYear_, untilMonth_, untilDay_}, {"年", "月", "日"}), r++, 1);
    grid->addWidget(byCount_, r, 0);
    grid->addLayout(UnitRow(this, {count_}, {"回"}), r++, 1);
    grid->addWidget(skipHolidays_, r++, 1);
    grid->setColumnMinimumWidth(1, fontMetrics().horizontalAdvance(QLatin1Char('0')) * 36);
    body->addLayout(ButtonColumn({ok_, cancel_}));
    auto* previewRow = new QHBoxLayout;
    previewRow->addWidget(BuddyLabel(this, "予約する日付:", list_));
    previewRow->addStretch(1);
    previewRow->addWidget(preview_);
    outer->addLayout(previewRow);
    outer->addWidget(list_, 1);

    std::vector<QWidget*> chain = fields_.TabOrder(rows);
    chain.insert(chain.end(), {patternBox_, byUntil_, untilYear_, untilMonth_, untilDay_, byCount_, count_,
                               skipHolidays_, ok_, cancel_, preview_, list_});
    ChainTabs(chain);
}

void CRepeatDlg::Bind() {
    connect(fields_.browse, &QPushButton::clicked, this, &CRepeatDlg::OnBrowse);
    connect(preview_, &QPushButton::clicked, this, [this] { OnPreview(false); });
    connect(byUntil_, &QRadioButton::toggled, this, &CRepeatDlg::OnEndKind);
    // A preview shows what the fields said when it was made; once they change
    // it would mislead, so it goes until asked for again.
    for (QLineEdit* e : {fields_.year, fields_.month, fields_.day, fields_.startHour, fields_.startMinute,
                         fields_.endHour, fields_.endMinute, untilYear_, untilMonth_, untilDay_, count_})
        connect(e, &QLineEdit::textEdited, list_, &QListWidget::clear);
    connect(fields_.facility, &QComboBox::activated, list_, &QListWidget::clear);
    connect(patternBox_, &QComboBox::activated, list_, &QListWidget::clear);
    connect(byUntil_, &QRadioButton::clicked, list_, &QListWidget::clear);
    connect(byCount_, &QRadioButton::clicked, list_, &QListWidget::clear);
    connect(skipHolidays_, &QCheckBox::clicked, list_, &QListWidget::clear);
}

void CRepeatDlg::ShowControls() {
    fields_.Show(entry_);
    patternBox_->setCurrentIndex(static_cast<int>(pattern_));
    (end_.byCount ? byCount_ : byUntil_)->setChecked(true);
    NumberField(untilYear_, false).Show(end_.year);
    NumberField(untilMonth_, false).Show(end_.month);
    NumberField(untilDay_, false).Show(end_.day);
    NumberField(count_, false).Show(end_.count);
    skipHolidays_->setChecked(end_.skipHolidays);
    OnEndKind();
}

void CRepeatDlg::OnEndKind() {
    const bool until = byUntil_->isChecked();
    for (QLineEdit* e : {untilYear_, untilMonth_, untilDay_}) e->setEnabled(until);
    count_->setEnabled(!until);
}

bool CRepeatDlg::ReadControls() {
    // As the entry dialog: the first refusal stops the exchange and the
    // members keep what they had.
    ReserveEntry e = entry_;
    series::End end = end_;
    end.byCount = byCount_->isChecked();
    end.skipHolidays = skipHolidays_->isChecked();
    if (!fields_.Read({Field::User, Field::StartHour, Field::StartMinute, Field::EndHour, Field::EndMinute,
                       Field::Purpose, Field::Contact, Field::Fee, Field::Year, Field::Month, Field::Day},
                      &e))
        return false;
    if (end.byCount ? !NumberField(count_, false).Read(&end.count)
                    : (!NumberField(untilYear_, false).Read(&end.year) ||
                       !NumberField(untilMonth_, false).Read(&end.month) ||
                       !NumberField(untilDay_, false).Read(&end.day)))
        return false;
    entry_ = e;
    end_ = end;
    pattern_ = static_cast<series::Pattern>(patternBox_->currentIndex());
    return true;
}

bool CRepeatDlg::ReadSeries(bool quiet) {
    if (!ReadControls()) return false;
    // The first date's checks stand for every date's times; dates past what
    // the register holds are marked in the preview and left unbooked.
    const CheckResult first = CheckDateTimes(entry_);
    if (first != CheckResult::Ok) {
        if (!quiet) ShowMessage(this, U(CheckMessage(first)));
        return false;
    }
    const series::PlanResult plan = series::Plan(entry_, pattern_, end_, &items_);
    if (plan != series::PlanResult::Ok) {
        if (!quiet) ShowMessage(this, U(series::PlanMessage(plan)));
        return false;
    }
    return true;
}

QString CRepeatDlg::PreviewLine(const series::Item& it) {
    const QString date = QStringLiteral("%1/%2/%3")
                             .arg(it.year, 4, 10, QLatin1Char('0'))
                             .arg(it.month, 2, 10, QLatin1Char('0'))
                             .arg(it.day, 2, 10, QLatin1Char('0'));
    if (it.skipped && it.holiday.empty()) return date + QStringLiteral("      ") + U(series::kMarkSkipped);
    const QString weekday = QStringLiteral("(%1)  ").arg(U(kWeekdays[Weekday(it.year, it.month, it.day)]));
    // A holiday left out: neither booked nor refused.
    if (it.skipped) return date + weekday + U(series::kMarkHoliday) + QLatin1Char(' ') + U(it.holiday.c_str());
    const char* mark = it.check == CheckResult::Ok        ? series::kMarkFree
                       : it.check == CheckResult::Overlap ? series::kMarkTaken
                                                          : series::kMarkInvalid;
    return date + weekday + U(mark);
}

void CRepeatDlg::OnPreview(bool quiet) {
    list_->clear();
    if (!ReadSeries(quiet)) return;
    // The profile is read before the file, never while a lock is held.
    const bool dupForbidden = profile::GetInt(profile::Key::Dup) != 0;
    std::string message;
    if (!series::Preview(doc_, entry_, dupForbidden, &items_, &message)) {
        if (!quiet) ShowMessage(this, QString::fromUtf8(message));
        return;
    }
    for (const series::Item& it : items_) list_->addItem(PreviewLine(it));
}

void CRepeatDlg::accept() {
    if (!ReadSeries(false)) return;
    if (!commit_ || commit_(entry_, pattern_, end_)) {
        QDialog::accept();
        return;
    }
    // Nothing was booked: the preview shows the register as it now stands.
    OnPreview(true);
}

void CRepeatDlg::OnBrowse() {
    if (!ReadControls()) return;
    CUserListDlg dlg(doc_, entry_.user, this);
    if (Prompt().Exec(&dlg) != QDialog::Accepted) return;
    entry_.user = dlg.Name();
    ShowControls();
}
