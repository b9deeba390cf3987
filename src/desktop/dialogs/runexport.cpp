#include "desktop/dialogs/runexport.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <ctime>

#include "core/doc/kivodoc.h"
#include "core/doc/kvtime.h"
#include "core/doc/messages.h"
#include "core/doc/text.h"
#include "core/lists/ical.h"
#include "desktop/dialogs/dlgfields.h"
#include "desktop/dialogs/modalprompt.h"
#include "desktop/dialogs/utf8.h"

namespace {

// Makes the bytes and writes them under a wait cursor; false after the message.
template <class MakeBytes>
bool WriteWithWaitCursor(QWidget* parent, const QString& path, MakeBytes make) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ExportStatus st = WriteExportBytes(make(), QFile::encodeName(path).toStdString());
    QApplication::restoreOverrideCursor();
    if (st != ExportStatus::Ok) ShowMessage(parent, QString::fromUtf8(ExportMessage(st)));
    return st == ExportStatus::Ok;
}

// Which bookings go into the calendar: all, or a facility (or all of them)
// on the days from one date to another.
class CIcalExportDlg : public QDialog {
public:
    CIcalExportDlg(const CKivoDoc& doc, QWidget* parent) : QDialog(parent) {
        SetUpDialog(this, "CIcalExportDlg", "iCalendar形式でエクスポート");
        all_ = new QRadioButton(U("すべての予約(&A)"), this);
        all_->setObjectName(QStringLiteral("radio_all"));
        range_ = new QRadioButton(U("施設と期間を指定(&R)"), this);
        range_->setObjectName(QStringLiteral("radio_range"));
        facility_ = new QComboBox(this);
        facility_->setObjectName(QStringLiteral("combo_facility"));
        facility_->addItem(U("すべての施設"), -1);
        for (const auto& f : doc.m_arFacility) facility_->addItem(QString::fromStdString(text::ToUtf8(f->m_strName)), f->m_nID);
        const char* names[] = {"edit_from_year", "edit_from_month", "edit_from_day",
                               "edit_until_year", "edit_until_month", "edit_until_day"};
        for (int i = 0; i < 6; ++i) date_[i] = NumberEdit(this, names[i], i % 3 == 0 ? 5 : 3);
        LayOut();
        ShowDay(doc.m_timeDay);
        range_->setChecked(true);
        connect(all_, &QRadioButton::toggled, this, &CIcalExportDlg::OnKind);
        OnKind();
        CenterOverParent(this);
        range_->setFocus();
    }

    const IcalFilter& Filter() const { return filter_; }

    void accept() override {
        IcalFilter f;
        if (range_->isChecked()) {
            f.facility = facility_->currentData().toInt();
            uint32_t v[6];
            for (int i = 0; i < 6; ++i)
                if (!NumberField(date_[i], false).Read(&v[i])) return;
            for (int half = 0; half < 2; ++half) {
                const uint32_t* d = v + half * 3;
                if (!kvtime::IsValidDate(d[0], d[1], d[2])) {
                    ShowMessage(this, U(msg::kBadDate));
                    date_[half * 3]->setFocus();
                    return;
                }
            }
            f.from = kvtime::MidnightOf(v[0], v[1], v[2]);
            f.until = kvtime::MidnightOf(v[3], v[4], v[5] + 1);
            if (f.until <= f.from) {
                ShowMessage(this, U(msg::kBadDate));
                date_[3]->setFocus();
                return;
            }
        }
        filter_ = f;
        QDialog::accept();
    }

private:
    void LayOut() {
        auto* grid = new QGridLayout;
        grid->addWidget(all_, 0, 0, 1, 2);
        grid->addWidget(range_, 1, 0, 1, 2);
        grid->addWidget(BuddyLabel(this, "施設(&F):", facility_), 2, 0);
        grid->addWidget(facility_, 2, 1);
        grid->addWidget(BuddyLabel(this, "開始日(&S):", date_[0]), 3, 0);
        grid->addLayout(UnitRow(this, {date_[0], date_[1], date_[2]}, {"年", "月", "日"}), 3, 1);
        grid->addWidget(BuddyLabel(this, "終了日(&E):", date_[3]), 4, 0);
        grid->addLayout(UnitRow(this, {date_[3], date_[4], date_[5]}, {"年", "月", "日"}), 4, 1);
        QPushButton* ok = OkButton(this);
        QPushButton* cancel = CancelButton(this);
        auto* outer = new QHBoxLayout(this);
        outer->addLayout(grid, 1);
        outer->addLayout(ButtonColumn({ok, cancel}));
        ChainTabs({all_, range_, facility_, date_[0], date_[1], date_[2], date_[3], date_[4], date_[5], ok, cancel});
    }

    void ShowDay(KvTime day) {
        std::tm tm{};
        if (!kvtime::ToLocal(day, &tm) && !kvtime::ToLocal(kvtime::Now(), &tm)) return;
        const uint32_t ymd[3] = {static_cast<uint32_t>(tm.tm_year + 1900), static_cast<uint32_t>(tm.tm_mon + 1),
                                 static_cast<uint32_t>(tm.tm_mday)};
        for (int i = 0; i < 6; ++i) NumberField(date_[i], false).Show(ymd[i % 3]);
    }

    void OnKind() {
        const bool range = range_->isChecked();
        facility_->setEnabled(range);
        for (QLineEdit* e : date_) e->setEnabled(range);
    }

    QRadioButton *all_, *range_;
    QComboBox* facility_;
    QLineEdit* date_[6];
    IcalFilter filter_;
};

// The register's file name: the part of every UID that tells registers apart.
std::string RegisterName(const CKivoDoc& doc) {
    const std::string& path = doc.GetPathName();
    const size_t slash = path.find_last_of('/');
    return path.empty() ? doc.GetTitle() : slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

void RunExportCommand(QWidget* parent, const CKivoDoc& doc, ExportKind kind) {
    const bool csv = kind == ExportKind::ReserveCsv || kind == ExportKind::FacilityCsv;
    const QString path = Prompt().SaveFileName(
        parent, QString::fromUtf8("出力ファイル名"), csv ? QStringLiteral("LIST1.CSV") : QStringLiteral("LIST1.TXT"),
        csv ? QString::fromUtf8("csvﾌｧｲﾙ(*.csv);;TXTﾌｧｲﾙ(*.TXT)") : QString::fromUtf8("TXTﾌｧｲﾙ(*.TXT)"),
        csv ? QStringLiteral("CSV") : QStringLiteral("TXT"));
    if (path.isEmpty()) return;
    WriteWithWaitCursor(parent, path, [&] { return ExportBytes(kind, doc); });
}

void RunIcalExportCommand(QWidget* parent, const CKivoDoc& doc) {
    CIcalExportDlg dlg(doc, parent);
    if (Prompt().Exec(&dlg) != QDialog::Accepted) return;
    const QString stem = QFileInfo(QFile::decodeName(RegisterName(doc).c_str())).completeBaseName();
    const QString path = Prompt().SaveFileName(parent, QString::fromUtf8("出力ファイル名"),
                                               (stem.isEmpty() ? QStringLiteral("LIST1") : stem) + ".ics",
                                               QString::fromUtf8("iCalendarﾌｧｲﾙ(*.ics)"), QStringLiteral("ics"));
    if (path.isEmpty()) return;
    size_t leftOut = 0;
    const bool written = WriteWithWaitCursor(parent, path, [&] {
        IcalExport cal = IcalBytes(doc, RegisterName(doc), dlg.Filter(), kvtime::Now());
        leftOut = cal.leftOut;
        return std::move(cal.bytes);
    });
    if (written && leftOut > 0) ShowMessage(parent, U(kIcalLeftOut).arg(leftOut), MsgIcon::Information);
}
