// The schedule window's commands end to end: days, date dialog, orientation,
// font, scrolling, refresh, exports, double-click and printing.
#include <QKeyEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollBar>

#include "core/lists/export.h"
#include "desktop/dialogs/dlgtest.h"
#include "desktop/schedule/headerbars.h"
#include "desktop/schedule/kivoframe.h"
#include "desktop/schedule/kivoview.h"

using namespace dlgtest;

namespace {

class KivoView : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = dir_.File("r.kv");
        for (int id : {1, 2}) {
            auto f = std::make_unique<CKivo>();
            f->m_nID = id;
            f->m_strName = testutil::Sj(id == 1 ? "大会議室" : "和室");
            doc_.m_arFacility.push_back(std::move(f));
        }
        auto r = std::make_unique<CReserve>(testutil::MakeReserve("山田商事", 2, 2000, 5, 1, 10, 0, 12, 0));
        doc_.m_arReserve.push_back(std::move(r));
        ASSERT_TRUE(doc_.OnSaveDocument(path_));
        doc_.m_timeDay = kvtime::MakeTime(2000, 5, 1, 12, 0);
        SetPrompt(&prompt_);
        frame_ = std::make_unique<CKivoFrame>(doc_, &colors_);
        frame_->resize(400, 300);
        view()->OnInitialUpdate();
    }
    void TearDown() override {
        frame_.reset();
        SetPrompt(nullptr);
    }
    CKivoView* view() { return frame_->GetView(); }
    std::string Day() { return kvtime::Format(doc_.m_timeDay, "%Y/%m/%d %H:%M"); }

    testutil::TempDir dir_;
    std::string path_;
    CKivoDoc doc_;
    ScheduleColors colors_;
    ScriptedPrompt prompt_;
    std::unique_ptr<CKivoFrame> frame_;
};

}  // namespace

TEST_F(KivoView, DayCommandsKeepTheTimeOfDayAcrossMonthEnds) {
    doc_.m_timeDay = kvtime::MakeTime(2000, 2, 28, 9, 30);
    view()->OnCommand(cmd::NextDay);
    EXPECT_EQ(Day(), "2000/02/29 09:30");
    view()->OnCommand(cmd::NextDay);
    EXPECT_EQ(Day(), "2000/03/01 09:30");
    view()->OnCommand(cmd::PrevWeek);
    EXPECT_EQ(Day(), "2000/02/23 09:30");
    view()->OnCommand(cmd::NextWeek);
    view()->OnCommand(cmd::PrevDay);
    EXPECT_EQ(Day(), "2000/02/29 09:30");
}

TEST_F(KivoView, TodayIsNowAndTheDateDialogGivesMidnight) {
    const KvTime before = kvtime::Now();
    view()->OnCommand(cmd::Today);
    EXPECT_GE(doc_.m_timeDay, before);
    EXPECT_LE(doc_.m_timeDay, kvtime::Now());

    doc_.m_timeDay = kvtime::MakeTime(2000, 3, 15, 17, 45);
    QString shown, holiday;
    prompt_.onDialog = [&](QDialog* d) {
        shown = Get(d, "edit114") + "/" + Get(d, "edit108") + "/" + Get(d, "edit109");
        Set(d, "edit108", "22");  // 2001/10/8, rolled over: 体育の日
        Set(d, "edit109", "8");
        holiday = Child<QLabel>(d, "label_holiday")->text();
        Set(d, "edit114", "2001");
        Set(d, "edit108", "12");
        Set(d, "edit109", "31");
        Click(d, "button1");
    };
    view()->OnCommand(cmd::GotoDate);
    EXPECT_EQ(shown, "2000/3/15");
    EXPECT_EQ(holiday, QString::fromUtf8("体育の日"));
    EXPECT_EQ(prompt_.dialogsRun.back(), "CDateDlg");
    EXPECT_EQ(Day(), "2001/12/31 00:00");
}

TEST_F(KivoView, TheDateDialogRollsAnyDayOverAndRefusesOnlyWhatTheRegisterCannotHold) {
    struct Case {
        const char *y, *m, *d, *day;  // day: "" when refused
    } cases[] = {{"2000", "13", "1", "2001/01/01"},  {"2000", "1", "32", "2000/02/01"},
                 {"2000", "2", "30", "2000/03/01"},  {"1971", "6", "1", "1971/06/01"},
                 {"2038", "1", "1", "2038/01/01"},   {"2038", "1", "19", "2038/01/19"},
                 {"1970", "1", "2", "1970/01/02"},   {"2000", "0", "0", "1999/11/30"},
                 {"1970", "1", "1", ""},             {"2038", "1", "20", ""},
                 {"2040", "3", "15", ""},            {"0", "0", "0", ""},
                 {"4294967295", "4294967295", "4294967295", ""}};
    for (const Case& c : cases) {
        doc_.m_timeDay = kvtime::MakeTime(2000, 5, 1, 12, 0);
        prompt_.messages.clear();
        prompt_.onDialog = [&](QDialog* d) {
            Set(d, "edit114", c.y);
            Set(d, "edit108", c.m);
            Set(d, "edit109", c.d);
            Click(d, "button1");
            if (d->result() != QDialog::Accepted) Click(d, "button2");
        };
        view()->OnCommand(cmd::GotoDate);
        if (*c.day) {
            EXPECT_TRUE(prompt_.messages.empty()) << c.y << "/" << c.m << "/" << c.d;
            EXPECT_EQ(Day(), std::string(c.day) + " 00:00");
        } else {
            ASSERT_EQ(prompt_.messages.size(), 1u) << c.y << "/" << c.m << "/" << c.d;
            EXPECT_EQ(prompt_.messages[0].text, Q("日付が不正です"));
            EXPECT_EQ(Day(), "2000/05/01 12:00");
        }
    }
}

TEST_F(KivoView, ToggleFlipsThisViewAndWritesTheProfile) {
    EXPECT_EQ(view()->m_nMode, 0);
    view()->OnCommand(cmd::ToggleMode);
    EXPECT_EQ(view()->m_nMode, 1);
    EXPECT_EQ(profile::GetInt(profile::Key::ViewMode), 1);
    const sched::Layout lay = view()->CurrentLayout();
    EXPECT_EQ(view()->Sizes().totalH, 3 * lay.rh);
    view()->OnCommand(cmd::ToggleMode);
    EXPECT_EQ(profile::GetInt(profile::Key::ViewMode), 0);
}

TEST_F(KivoView, AnyStoredModeOtherThanZeroShowsFacilitiesDown) {
    profile::WriteInt(profile::Key::ViewMode, 5);
    CKivoFrame other(doc_, &colors_);
    EXPECT_EQ(other.GetView()->m_nMode, 1);
}

TEST_F(KivoView, FontCommandWritesTheFontKeys) {
    QFont f(QStringLiteral("IPAGothic"));
    f.setPixelSize(20);
    f.setBold(true);
    prompt_.fonts = {f};
    view()->OnCommand(cmd::Font);
    EXPECT_EQ(profile::GetInt(profile::Key::FontSize), -20);
    EXPECT_EQ(profile::GetInt(profile::Key::FontWeight), 700);
    EXPECT_EQ(profile::GetString(profile::Key::FontFaceName), "IPAGothic");
    EXPECT_EQ(profile::GetInt(profile::Key::FontCharSet), 128);
    EXPECT_EQ(view()->m_font.pixelSize(), 20);
    EXPECT_EQ(&frame_->TopBar()->PaneFont(), &view()->m_font);
    // The rows grew with the font, and so did the scroll range: the last hour
    // can still be reached.
    const sched::ScrollSizes grown = sched::ScrollSizesOf(view()->CurrentLayout(), frame_->LeftBar()->width());
    EXPECT_EQ(view()->Sizes().totalH, grown.totalH);
    EXPECT_EQ(view()->verticalScrollBar()->maximum(), std::max(0, grown.totalH - view()->viewport()->height()));
}

TEST_F(KivoView, CancelledFontChangesNothing) {
    view()->OnCommand(cmd::Font);
    EXPECT_EQ(profile::GetString(profile::Key::FontFaceName), "FIXEDSYS");
    EXPECT_EQ(view()->m_font.pixelSize(), 13);
}

TEST_F(KivoView, ScrollCommandsMoveByLineAndPageAndStopAtTheEnds) {
    const sched::ScrollSizes s = view()->Sizes();
    view()->OnCommand(cmd::LineUp);
    EXPECT_EQ(view()->ScrollPos(), QPoint(0, 0));
    view()->OnCommand(cmd::PageDown);
    EXPECT_EQ(view()->ScrollPos().y(), s.pageH);
    view()->OnCommand(cmd::LineUp);
    EXPECT_EQ(view()->ScrollPos().y(), s.pageH - s.lineH);
    for (int i = 0; i < 40; ++i) view()->OnCommand(cmd::PageDown);
    EXPECT_EQ(view()->ScrollPos().y(), view()->verticalScrollBar()->maximum());
    view()->OnCommand(cmd::LineRight);
    EXPECT_EQ(view()->ScrollPos().x(), std::min(s.lineW, view()->horizontalScrollBar()->maximum()));
    view()->OnCommand(cmd::LineLeft);
    EXPECT_EQ(view()->ScrollPos().x(), 0);
}

TEST_F(KivoView, UpAndDownKeysScrollOtherKeysDoNothing) {
    const int line = view()->Sizes().lineH;
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(view(), &down);
    EXPECT_EQ(view()->ScrollPos().y(), line);
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(view(), &left);
    EXPECT_EQ(view()->ScrollPos(), QPoint(0, line));
    EXPECT_EQ(Day(), "2000/05/01 12:00");
    QKeyEvent up(QEvent::KeyPress, Qt::Key_Up, Qt::NoModifier);
    QApplication::sendEvent(view(), &up);
    EXPECT_EQ(view()->ScrollPos().y(), 0);
}

TEST_F(KivoView, RefreshReadsWhatAnotherDeskSaved) {
    CKivoDoc other;
    ASSERT_TRUE(other.OnOpenDocument(path_));
    other.m_arReserve.push_back(std::make_unique<CReserve>(testutil::MakeReserve("鈴木", 1, 2000, 5, 1, 13, 0, 14, 0)));
    ASSERT_TRUE(other.OnSaveDocument(path_));
    view()->OnCommand(cmd::Refresh);
    EXPECT_EQ(doc_.m_arReserve.size(), 2u);
}

TEST_F(KivoView, ExportsWriteTheCoreBytesWhereTheUserChose) {
    const std::string out = dir_.File("LIST1.CSV");
    prompt_.fileNames = {QString::fromStdString(out)};
    view()->OnCommand(cmd::ExportReserveCsv);
    EXPECT_EQ(testutil::ReadFile(out), ExportBytes(ExportKind::ReserveCsv, doc_));
    const std::string txt = dir_.File("f.txt");
    prompt_.fileNames = {QString::fromStdString(txt)};
    view()->OnCommand(cmd::ExportFacilityText);
    EXPECT_EQ(testutil::ReadFile(txt), ExportBytes(ExportKind::FacilityText, doc_));
    EXPECT_TRUE(prompt_.messages.empty());
}

TEST_F(KivoView, ExportToAFolderThatIsNotThereSaysSo) {
    prompt_.fileNames = {QString::fromStdString(dir_.File("no/such/LIST1.TXT"))};
    view()->OnCommand(cmd::ExportReserveText);
    ASSERT_EQ(prompt_.messages.size(), 1u);
    EXPECT_EQ(prompt_.messages[0].text, Q("出力ファイルを開けません"));
    view()->OnCommand(cmd::ExportFacilityCsv);  // cancelled dialog: nothing at all
    EXPECT_EQ(prompt_.messages.size(), 1u);
}

TEST_F(KivoView, DoubleClickOnAnEmptyPlaceProposesThatHour) {
    const sched::Layout lay = view()->CurrentLayout();
    QString start, end;
    int facility = -2;
    prompt_.onDialog = [&](QDialog* d) {
        start = Get(d, "edit105");
        end = Get(d, "edit107");
        facility = Child<QComboBox>(d, "combo109")->currentIndex();
    };
    // Facility 0, y between 2 rh and 4 rh: 09:00 to 10:00.
    view()->DoubleClickAt(QPoint(5, 2 * lay.rh + 4));
    ASSERT_EQ(prompt_.dialogsRun.size(), 1u);
    EXPECT_EQ(prompt_.dialogsRun[0], "CReserveDlg");
    EXPECT_EQ(start, "9");
    EXPECT_EQ(end, "10");
    EXPECT_EQ(facility, 0);
}

TEST_F(KivoView, DoubleClickOnABoxEditsThatReservation) {
    const sched::Layout lay = view()->CurrentLayout();
    QString user;
    prompt_.onDialog = [&](QDialog* d) {
        user = Get(d, "edit102");
        Set(d, "edit102", Q("田中"));
        Click(d, "button1");
    };
    // Facility 2 is the second column; 10:00 is slot 4.
    view()->DoubleClickAt(QPoint(10 * lay.cw + 5, 5 * lay.rh));
    EXPECT_EQ(user, Q("山田商事"));
    CKivoDoc check;
    ASSERT_TRUE(check.OnOpenDocument(path_));
    ASSERT_EQ(check.m_arReserve.size(), 1u);
    EXPECT_EQ(check.m_arReserve[0]->m_strUser, testutil::Sj("田中"));
}

TEST_F(KivoView, PanesFollowTheViewsDrawing) {
    frame_->show();
    view()->viewport()->grab();
    EXPECT_EQ(frame_->TopBar()->Data().caption, Q("00/05/01(月)"));
    EXPECT_EQ(frame_->TopBar()->Data().names, QStringList({Q("大会議室"), Q("和室")}));
    EXPECT_EQ(frame_->LeftBar()->Data().wl, frame_->LeftBar()->width());
    EXPECT_EQ(frame_->TopBar()->Data().slotCount, 32);
}

TEST_F(KivoView, PrintingSendsOnePageToThePrinter) {
    const QString pdf = QString::fromStdString(dir_.File("print.pdf"));
    prompt_.onDialog = [&](QDialog* d) {
        auto* pd = qobject_cast<QPrintDialog*>(d);
        ASSERT_NE(pd, nullptr);
        pd->printer()->setOutputFileName(pdf);
        // OK with the printer as set up; accept() would take the dialog's own widgets.
        d->setResult(QDialog::Accepted);
    };
    view()->OnCommand(cmd::Print);
    const std::string bytes = testutil::ReadFile(pdf.toStdString());
    EXPECT_EQ(bytes.rfind("%PDF", 0), 0u);
    EXPECT_NE(bytes.find("/Count 1"), std::string::npos);
}

TEST_F(KivoView, CommandsEndWhenTheDocumentIsGone) {
    view()->Detach();
    EXPECT_FALSE(view()->OnCommand(cmd::NextDay));
    CmdState s;
    EXPECT_TRUE(view()->OnUpdateCommand(cmd::NextDay, &s));
    EXPECT_FALSE(s.enabled);
    EXPECT_TRUE(doc_.Views().empty());
}

ORVALIS_QTEST_MAIN
