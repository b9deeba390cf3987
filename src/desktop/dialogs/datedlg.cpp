#include "desktop/dialogs/datedlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <ctime>

#include "core/doc/kvtime.h"
#include "core/doc/messages.h"
#include "desktop/dialogs/modalprompt.h"

namespace {

QLineEdit* DateEdit(QWidget* parent, const char* name, int chars) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    e->setFixedWidth(e->fontMetrics().horizontalAdvance(QLatin1Char('0')) * chars + 16);
    return e;
}

}  // namespace

CDateDlg::CDateDlg(uint32_t year, uint32_t month, uint32_t day, QWidget* parent)
    : QDialog(parent), m_nMonth(month), m_nYear(year), m_nDay(day) {
    setObjectName(QStringLiteral("CDateDlg"));
    setWindowTitle(QString::fromUtf8("年月日の指定"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    // Created in tab order: year, month, day, OK, Cancel.
    year_ = DateEdit(this, "edit114", 5);
    month_ = DateEdit(this, "edit108", 3);
    day_ = DateEdit(this, "edit109", 3);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("button1"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QString::fromUtf8("ｷｬﾝｾﾙ"), this);
    cancel->setObjectName(QStringLiteral("button2"));
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &CDateDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CDateDlg::reject);

    auto* fields = new QHBoxLayout;
    fields->addWidget(year_);
    fields->addWidget(new QLabel(QString::fromUtf8("年"), this));
    fields->addWidget(month_);
    fields->addWidget(new QLabel(QString::fromUtf8("月"), this));
    fields->addWidget(day_);
    fields->addWidget(new QLabel(QString::fromUtf8("日"), this));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* outer = new QVBoxLayout(this);
    outer->addLayout(fields);
    outer->addLayout(buttons);

    NumberField(year_, false).Show(m_nYear);
    NumberField(month_, false).Show(m_nMonth);
    NumberField(day_, false).Show(m_nDay);
    year_->setFocus();
    adjustSize();
    CenterOverParent(this);
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
        ShowMessage(this, QString::fromUtf8(msg::kBadDate));
        year_->setFocus();
        return;
    }
    m_nYear = static_cast<uint32_t>(tm.tm_year + 1900);
    m_nMonth = static_cast<uint32_t>(tm.tm_mon + 1);
    m_nDay = static_cast<uint32_t>(tm.tm_mday);
    QDialog::accept();
}
