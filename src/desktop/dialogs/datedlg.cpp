#include "desktop/dialogs/datedlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <ctime>

#include "core/booking/rules.h"
#include "core/calendar/holidays.h"
#include "core/doc/kvtime.h"
#include "core/doc/messages.h"
#include "core/profile/profile.h"
#include "desktop/dialogs/dlgfields.h"
#include "desktop/dialogs/modalprompt.h"
#include "desktop/dialogs/utf8.h"

CDateDlg::CDateDlg(uint32_t year, uint32_t month, uint32_t day, QWidget* parent)
    : QDialog(parent), m_nMonth(month), m_nYear(year), m_nDay(day) {
    SetUpDialog(this, "CDateDlg", "年月日の指定");
    // Created in tab order: year, month, day, OK, Cancel.
    year_ = NumberEdit(this, "edit114", 5);
    month_ = NumberEdit(this, "edit108", 3);
    day_ = NumberEdit(this, "edit109", 3);
    QPushButton* ok = OkButton(this);
    QPushButton* cancel = CancelButton(this);
    holiday_ = new QLabel(this);
    holiday_->setObjectName(QStringLiteral("label_holiday"));
    QPalette red = holiday_->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    holiday_->setPalette(red);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(UnitRow(this, {year_, month_, day_}, {"年", "月", "日"}));
    outer->addWidget(holiday_);
    outer->addLayout(ButtonRow({ok, cancel}));

    NumberField(year_, false).Show(m_nYear);
    NumberField(month_, false).Show(m_nMonth);
    NumberField(day_, false).Show(m_nDay);
    // The name follows the typing; a line kept for it keeps the dialog's size.
    holiday_->setMinimumHeight(holiday_->fontMetrics().height());
    ShowHoliday();
    for (QLineEdit* e : {year_, month_, day_}) connect(e, &QLineEdit::textChanged, this, &CDateDlg::ShowHoliday);
    year_->setFocus();
    adjustSize();
    CenterOverParent(this);
}

void CDateDlg::ShowHoliday() {
    // The day the OK button would go to: rolled over, and only one the
    // register's times can hold.
    QString name;
    uint32_t y = 0, m = 0, d = 0;
    std::tm tm;
    if (profile::GetInt(profile::Key::Holidays) != 0 && ParseUnsigned(year_->text().toStdString(), &y) &&
        ParseUnsigned(month_->text().toStdString(), &m) && ParseUnsigned(day_->text().toStdString(), &d)) {
        const KvTime t = kvtime::MidnightOf(y, m, d);
        if (t != kTimeUnset && kvtime::ToLocal(t, &tm))
            name = QString::fromStdString(
                holidays::Calendar::Current()->NameOn({tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday}));
    }
    holiday_->setText(name);
}

void CDateDlg::accept() {
    uint32_t y = 0, m = 0, d = 0;
    if (!NumberField(year_, false).Read(&y) || !NumberField(month_, false).Read(&m) ||
        !NumberField(day_, false).Read(&d))
        return;
    // Any numbers roll over into a real day; only a day the register's 32-bit
    // times cannot hold is refused, and never becomes the schedule's day.
    std::tm tm;
    const KvTime t = kvtime::MidnightOf(y, m, d);
    if (t == kTimeUnset || !kvtime::ToLocal(t, &tm)) {
        ShowMessage(this, U(msg::kBadDate));
        year_->setFocus();
        return;
    }
    m_nYear = static_cast<uint32_t>(tm.tm_year + 1900);
    m_nMonth = static_cast<uint32_t>(tm.tm_mon + 1);
    m_nDay = static_cast<uint32_t>(tm.tm_mday);
    QDialog::accept();
}
