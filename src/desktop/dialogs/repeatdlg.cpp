#include "desktop/dialogs/repeatdlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <iterator>

#include "core/doc/kivodoc.h"
#include "core/doc/text.h"
#include "core/profile/profile.h"
#include "desktop/dialogs/modalprompt.h"
#include "desktop/dialogs/userdlg.h"

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

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
    : QDialog(parent), doc_(doc), entry_(entry) {
    setObjectName(QStringLiteral("CRepeatDlg"));
    setWindowTitle(U("繰り返し予約"));
    end_.byCount = true;
    end_.count = 4;
    end_.year = entry_.year, end_.month = entry_.month, end_.day = entry_.day;
    Build();
    for (const auto& f : doc_.m_arFacility) facility_->addItem(QString::fromUtf8(text::ToUtf8(f->m_strName)));
    ShowControls();
    OnPreview(true);
    CenterOverParent(this);
    user_->setFocus();
}

void CRepeatDlg::Build() {
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    CreateControls();
    LayOut();
    Bind();
}

void CRepeatDlg::CreateControls() {
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
    facility_->setMaxVisibleItems(12);
    purpose_ = MultiLineEdit(this, "edit110", 2);
    contact_ = MultiLineEdit(this, "edit112", 2);
    paid_ = new QCheckBox(U("料金の入金(&F)"), this);
    paid_->setObjectName(QStringLiteral("check120"));
    fee_ = new QLineEdit(this);
    fee_->setObjectName(QStringLiteral("edit121"));
    fee_->setAlignment(Qt::AlignRight);
    fee_->setFixedWidth(fee_->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 10 + 16);
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
    preview_ = new QPushButton(U("プレビュー(&V)"), this);
    preview_->setObjectName(QStringLiteral("button_preview"));
    preview_->setAutoDefault(false);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("list_preview"));
    list_->setMinimumHeight(list_->fontMetrics().lineSpacing() * 8);
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("button1"));
    ok_->setDefault(true);
    cancel_ = new QPushButton(U("ｷｬﾝｾﾙ"), this);
    cancel_->setObjectName(QStringLiteral("button2"));
    cancel_->setAutoDefault(false);
}

void CRepeatDlg::LayOut() {
    auto* outer = new QVBoxLayout(this);
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
    grid->addWidget(BuddyLabel(this, "施設名(&N):", facility_), r, 0);
    grid->addWidget(facility_, r++, 1);
    grid->addWidget(BuddyLabel(this, "開始時刻(&S):", startHour_), r, 0);
    grid->addLayout(UnitRow(this, {startHour_, startMinute_}, {"時", "分"}), r++, 1);
    grid->addWidget(BuddyLabel(this, "終了時刻(&E):", endHour_), r, 0);
    grid->addLayout(UnitRow(this, {endHour_, endMinute_}, {"時", "分"}), r++, 1);
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
    grid->addWidget(BuddyLabel(this, "初回の日付(&D):", year_), r, 0);
    grid->addLayout(UnitRow(this, {year_, month_, day_}, {"年", "月", "日"}), r++, 1);
    grid->addWidget(BuddyLabel(this, "繰り返し(&R):", patternBox_), r, 0);
    grid->addLayout(UnitRow(this, {patternBox_}, {}), r++, 1);
    grid->addWidget(byUntil_, r, 0);
    grid->addLayout(UnitRow(this, {untilYear_, untilMonth_, untilDay_}, {"年", "月", "日"}), r++, 1);
    grid->addWidget(byCount_, r, 0);
    grid->addLayout(UnitRow(this, {count_}, {"回"}), r++, 1);
    grid->setColumnMinimumWidth(1, fontMetrics().horizontalAdvance(QLatin1Char('0')) * 36);

    auto* buttons = new QVBoxLayout;
    body->addLayout(buttons);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    buttons->addStretch(1);
    auto* previewRow = new QHBoxLayout;
    previewRow->addWidget(BuddyLabel(this, "予約する日付:", list_));
    previewRow->addStretch(1);
    previewRow->addWidget(preview_);
    outer->addLayout(previewRow);
    outer->addWidget(list_, 1);

    QWidget* chain[] = {user_,     browse_,   facility_,  startHour_,  startMinute_, endHour_, endMinute_,
                        purpose_,  contact_,  paid_,      fee_,        year_,        month_,   day_,
                        patternBox_, byUntil_, untilYear_, untilMonth_, untilDay_,   byCount_, count_,
                        ok_,       cancel_,   preview_,   list_};
    for (size_t i = 1; i < std::size(chain); ++i) setTabOrder(chain[i - 1], chain[i]);
}

void CRepeatDlg::Bind() {
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
    untilYearField_.emplace(untilYear_, false);
    untilMonthField_.emplace(untilMonth_, false);
    untilDayField_.emplace(untilDay_, false);
    countField_.emplace(count_, false);

    connect(ok_, &QPushButton::clicked, this, &CRepeatDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &CRepeatDlg::reject);
    connect(browse_, &QPushButton::clicked, this, &CRepeatDlg::OnBrowse);
    connect(preview_, &QPushButton::clicked, this, [this] { OnPreview(false); });
    connect(byUntil_, &QRadioButton::toggled, this, &CRepeatDlg::OnEndKind);
    // A preview shows what the fields said when it was made; once they change
    // it would mislead, so it goes until asked for again.
    for (QLineEdit* e : {year_, month_, day_, startHour_, startMinute_, endHour_, endMinute_, untilYear_, untilMonth_,
                         untilDay_, count_})
        connect(e, &QLineEdit::textEdited, list_, &QListWidget::clear);
    connect(facility_, &QComboBox::activated, list_, &QListWidget::clear);
    connect(patternBox_, &QComboBox::activated, list_, &QListWidget::clear);
    connect(byUntil_, &QRadioButton::clicked, list_, &QListWidget::clear);
    connect(byCount_, &QRadioButton::clicked, list_, &QListWidget::clear);
}

void CRepeatDlg::ShowControls() {
    facility_->setCurrentIndex(entry_.facility >= 0 && entry_.facility < facility_->count() ? entry_.facility : -1);
    userField_->Show(entry_.user);
    purposeField_->Show(entry_.purpose);
    contactField_->Show(entry_.contact);
    yearField_->Show(entry_.year);
    monthField_->Show(entry_.month);
    dayField_->Show(entry_.day);
    startHourField_->Show(entry_.startHour);
    startMinuteField_->Show(entry_.startMinute);
    endHourField_->Show(entry_.endHour);
    endMinuteField_->Show(entry_.endMinute);
    paid_->setChecked(entry_.paid);
    feeField_->Show(entry_.fee);
    patternBox_->setCurrentIndex(static_cast<int>(pattern_));
    (end_.byCount ? byCount_ : byUntil_)->setChecked(true);
    untilYearField_->Show(end_.year);
    untilMonthField_->Show(end_.month);
    untilDayField_->Show(end_.day);
    countField_->Show(end_.count);
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
    e.facility = facility_->currentIndex();
    end.byCount = byCount_->isChecked();
    if (!userField_->Read(&e.user) || !startHourField_->Read(&e.startHour) ||
        !startMinuteField_->Read(&e.startMinute) || !endHourField_->Read(&e.endHour) ||
        !endMinuteField_->Read(&e.endMinute) || !purposeField_->Read(&e.purpose) ||
        !contactField_->Read(&e.contact) || !feeField_->Read(&e.fee) || !yearField_->Read(&e.year) ||
        !monthField_->Read(&e.month) || !dayField_->Read(&e.day))
        return false;
    if (end.byCount ? !countField_->Read(&end.count)
                    : (!untilYearField_->Read(&end.year) || !untilMonthField_->Read(&end.month) ||
                       !untilDayField_->Read(&end.day)))
        return false;
    e.paid = paid_->isChecked();
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
    if (it.skipped) return date + QStringLiteral("      ") + U(series::kMarkSkipped);
    const char* mark = it.check == CheckResult::Ok        ? series::kMarkFree
                       : it.check == CheckResult::Overlap ? series::kMarkTaken
                                                          : series::kMarkInvalid;
    return date + QStringLiteral("(%1)  ").arg(U(kWeekdays[Weekday(it.year, it.month, it.day)])) + U(mark);
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
