// Pixels of the schedule's one painting routine: boxes, colours, covering,
// empty boxes, text only across, and the printed page's headings.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include "core/doc/kivodoc.h"
#include "core/doc/kvtime.h"
#include "core/doc/text.h"
#include "desktop/schedule/profilefont.h"
#include "desktop/schedule/schedulepaint.h"
#include "desktop/schedule/schedulerender.h"
#include "support/testutil.h"

namespace {

const QColor kPaid(0, 0, 255);
const QColor kUnpaid(0, 255, 0);

class SchedulePaint : public ::testing::Test {
protected:
    void SetUp() override {
        font_ = ToQFont(ProfileFont{});
        for (int id : {1, 2}) {
            auto f = std::make_unique<CKivo>();
            f->m_nID = id;
            f->m_strName = testutil::Sj(id == 1 ? "大会議室" : "和室");
            doc_.m_arFacility.push_back(std::move(f));
        }
        doc_.m_timeDay = kvtime::MakeTime(2000, 5, 1, 10, 0);
        colors_.paid = kPaid;
        colors_.unpaid = kUnpaid;
    }

    void Add(int facility, int h1, int m1, int h2, int m2, bool paid, const char* user = "", int day = 1) {
        auto r = std::make_unique<CReserve>();
        r->m_nFacilityID = facility;
        r->m_timeStart = kvtime::MakeTime(2000, 5, day, h1, m1);
        r->m_timeEnd = kvtime::MakeTime(2000, 5, day, h2, m2);
        r->m_bPaid = paid ? 1 : 0;
        r->m_strUser = testutil::Sj(user);
        doc_.m_arReserve.push_back(std::move(r));
    }

    sched::Layout Lay(int mode) { return MakeLayout(doc_, sched::OrientationOf(mode), 8, 23, font_); }

    QImage Screen(int mode, int object = 0) {
        const sched::Layout lay = Lay(mode);
        QImage img(lay.GridWidth() + 10, lay.GridHeight() + 10, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        PaintSchedule(p, doc_, lay, font_, colors_, BoxContentFromProfile(object), Surface::Screen);
        return img;
    }

    // Pixels inside r (frame excluded) that are not the fill colour.
    static int Marks(const QImage& img, const sched::Rect& r, const QColor& fill) {
        int n = 0;
        for (int y = r.top + 1; y < r.bottom - 1; ++y)
            for (int x = r.left + 1; x < r.right - 1; ++x)
                if (img.pixelColor(x, y) != fill) ++n;
        return n;
    }

    testutil::TempDir dir_;
    CKivoDoc doc_;
    QFont font_;
    ScheduleColors colors_;
};

}  // namespace

TEST_F(SchedulePaint, PaidAndUnpaidBoxesTakeTheirColours) {
    Add(1, 9, 0, 10, 0, true);
    Add(2, 9, 0, 10, 0, false);
    const sched::Layout lay = Lay(0);
    const QImage img = Screen(0);
    // Facility 1 spans x 0..10 cw, 09:00 is slot 2.
    EXPECT_EQ(img.pixelColor(5 * lay.cw, 3 * lay.rh), kPaid);
    EXPECT_EQ(img.pixelColor(15 * lay.cw, 3 * lay.rh), kUnpaid);
}

TEST_F(SchedulePaint, BoxSitsOnItsSlotsWithABlackFrame) {
    Add(2, 10, 0, 11, 30, true);
    const sched::Layout lay = Lay(0);
    const QImage img = Screen(0);
    const int left = 10 * lay.cw, top = 4 * lay.rh, bottom = 7 * lay.rh;
    EXPECT_EQ(img.pixelColor(left, top + 5), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(left + 5, top), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(left + 5, bottom - 1), QColor(Qt::black));
    EXPECT_EQ(img.pixelColor(left + 5, top + 3), kPaid);
    EXPECT_NE(img.pixelColor(left + 5, bottom + 2), kPaid);
    EXPECT_NE(img.pixelColor(left + 5, top - 2), kPaid);
}

TEST_F(SchedulePaint, LaterBoxCoversAnEarlierOne) {
    Add(1, 9, 0, 12, 0, true);
    Add(1, 10, 0, 11, 0, false);
    const sched::Layout lay = Lay(0);
    const QImage img = Screen(0);
    EXPECT_EQ(img.pixelColor(5 * lay.cw, 5 * lay.rh), kUnpaid);
    EXPECT_EQ(img.pixelColor(5 * lay.cw, 2 * lay.rh + 3), kPaid);
}

TEST_F(SchedulePaint, HalfHourWithinOneSlotDrawsNothing) {
    Add(1, 13, 0, 13, 20, true);
    const sched::Layout lay = Lay(0);
    const QImage img = Screen(0);
    for (int x = 2; x < 10 * lay.cw - 2; ++x)
        for (int y = 10 * lay.rh + 1; y < 11 * lay.rh; ++y)
            ASSERT_EQ(img.pixelColor(x, y), QColor(Qt::white)) << x << "," << y;
}

TEST_F(SchedulePaint, TextOnlyWhenFacilitiesRunAcross) {
    Add(1, 9, 0, 12, 0, true, "山田商事");
    const sched::Layout across = Lay(0);
    const QImage a = Screen(0);
    EXPECT_GT(Marks(a, sched::ReserveBox(across, *doc_.m_arReserve[0], 0), kPaid), 20);
    const sched::Layout down = Lay(1);
    const QImage d = Screen(1);
    const sched::Rect box = sched::ReserveBox(down, *doc_.m_arReserve[0], 0);
    EXPECT_EQ(d.pixelColor(box.left + 3, box.top + 3), kPaid);
    EXPECT_EQ(Marks(d, box, kPaid), 0);
}

TEST_F(SchedulePaint, DisplayContentOutsideTheListShowsNoText) {
    Add(1, 9, 0, 12, 0, true, "山田商事");
    const sched::Layout lay = Lay(0);
    EXPECT_EQ(Marks(Screen(0, 7), sched::ReserveBox(lay, *doc_.m_arReserve[0], 0), kPaid), 0);
}

TEST_F(SchedulePaint, ReservationsOfOtherDaysAreNotDrawn) {
    Add(1, 9, 0, 12, 0, true, "", 2);
    const sched::Layout lay = Lay(0);
    EXPECT_EQ(Screen(0).pixelColor(5 * lay.cw, 3 * lay.rh), QColor(Qt::white));
}

TEST_F(SchedulePaint, AnOvernightBookingIsDrawnToTheGridsEndAndContinuesNextDay) {
    // 22:00 to 00:30 of the next day.
    Add(1, 22, 0, 24, 30, true);
    for (int mode : {0, 1}) {
        const sched::Layout lay = Lay(mode);
        const QImage img = Screen(mode);
        // Slots 28 to 31, 22:00 to 24:00, in the first facility's band.
        for (int slot : {28, 31}) {
            const int x = mode == 0 ? 5 * lay.cw : 2 * lay.cw * slot + lay.cw;
            const int y = mode == 0 ? slot * lay.rh + lay.rh / 2 : lay.rh / 2;
            EXPECT_EQ(img.pixelColor(x, y), kPaid) << mode << " " << slot;
        }
    }
    // The next day, on a grid that starts at 0:00: the half hour after midnight.
    doc_.m_timeDay = kvtime::MakeTime(2000, 5, 2, 10, 0);
    const sched::Layout lay = MakeLayout(doc_, sched::Orientation::FacilitiesAcross, 0, 23, font_);
    QImage img(lay.GridWidth() + 10, lay.GridHeight() + 10, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    PaintSchedule(p, doc_, lay, font_, colors_, BoxContent::UserPurpose, Surface::Screen);
    EXPECT_EQ(img.pixelColor(5 * lay.cw, lay.rh / 2), kPaid);
    EXPECT_NE(img.pixelColor(5 * lay.cw, lay.rh + lay.rh / 2), kPaid);
}

TEST_F(SchedulePaint, BoxTextFollowsTheDisplayContent) {
    CReserve r;
    r.m_strUser = testutil::Sj("山田");
    r.m_strPurpose = "A\r\nB";
    // By the profile's number, as the settings store it.
    const std::pair<int, const char*> shown[] = {{0, "山田\nA\nB"}, {1, "A\nB\n山田"}, {2, "山田"},
                                                 {3, "A\nB"},        {4, ""},             {-1, ""}};
    for (const auto& [object, text] : shown)
        EXPECT_EQ(BoxText(r, BoxContentFromProfile(object)), QString::fromUtf8(text)) << object;
    r.m_strUser.clear();
    EXPECT_EQ(BoxText(r, BoxContent::UserPurpose), QString::fromUtf8("A\nB"));
}

TEST_F(SchedulePaint, PrintedHeadingsSitAtTheMarginInHundredthsOfAnInch) {
    const sched::Layout lay = Lay(0);
    const int cw = lay.cw, rh = lay.rh;
    // One pixel per 0.01 inch, from the printer's origin moved 3 units down.
    QImage img(1000, 1000, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.translate(0, 3);
    PaintSchedule(p, doc_, lay, font_, colors_, BoxContent::UserPurpose, Surface::Paper);
    p.end();
    const int mx = 4 * cw, my = 4 * rh + 3, x0 = 8 * cw;
    const QColor black(Qt::black);
    EXPECT_EQ(img.pixelColor(mx + 5, my), black);                      // heading row, top line
    EXPECT_EQ(img.pixelColor(mx + x0 + 2 * 10 * cw - 1, my + rh), black);  // its lower line, to the last column
    EXPECT_EQ(img.pixelColor(mx + x0, my + 5), black);                 // the day's cell ends at x0
    EXPECT_EQ(img.pixelColor(mx + x0 + 10 * cw, my + 5), black);       // after the first facility name
    EXPECT_EQ(img.pixelColor(mx, my + 5 * rh), black);                 // the time column's left line
    EXPECT_EQ(img.pixelColor(mx + x0, my + rh + 5), black);            // the grid's left edge
    EXPECT_EQ(img.pixelColor(mx - 2, my + 5), QColor(Qt::white));      // nothing left of the margin
}

TEST_F(SchedulePaint, ScreenImageHoldsPanesAndGrid) {
    Add(1, 10, 0, 12, 0, false);
    ScheduleSettings s;
    s.font = font_;
    const QImage img = RenderScreen(doc_, s);
    const sched::Layout lay = Lay(0);
    EXPECT_GE(img.width(), 88 + 3 + lay.GridWidth());
    // The grid starts right of the left pane and below the top pane, 3 pixels down.
    EXPECT_EQ(img.pixelColor(88 + 3 + 5 * lay.cw, 17 + 3 + 5 * lay.rh), QColor(0, 255, 0));
    EXPECT_EQ(img.pixelColor(10, 17 + 3 + 5 * lay.rh), QColor(192, 192, 192));
}

TEST_F(SchedulePaint, AHolidayIsNamedInRedOnScreenAndOnPaperUnlessTurnedOff) {
    auto reds = [](const QImage& img, int height) {
        int n = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                n += c.red() > 150 && c.green() < 100 && c.blue() < 100;
            }
        return n;
    };
    doc_.m_timeDay = kvtime::MakeTime(2027, 1, 11, 0, 0);
    EXPECT_EQ(HolidayOf(doc_.m_timeDay), QStringLiteral("成人の日"));
    ScheduleSettings s;
    s.font = font_;
    EXPECT_GT(reds(RenderScreen(doc_, s), 17), 20);
    QImage page(1000, 1000, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter p(&page);
    PaintSchedule(p, doc_, Lay(0), font_, colors_, BoxContent::UserPurpose, Surface::Paper, HolidayOf(doc_.m_timeDay));
    p.end();
    EXPECT_GT(reds(page, 5 * Lay(0).rh), 20);
    // Holidays=0: the caption as it always was.
    s.holidays = false;
    const QImage off = RenderScreen(doc_, s);
    EXPECT_EQ(reds(off, 17), 0);
}

TEST_F(SchedulePaint, KvtoolRendersAPngAndAOnePagePdf) {
    Add(1, 10, 0, 12, 0, false);
    const std::string kv = dir_.File("r.kv");
    std::string err;
    // A register on disk through kvtool's own build command.
    testutil::WriteFile(dir_.File("r.json"),
                        R"({"facilities":[{"id":1,"name":"大会議室","max_people":20,"comment":""}],)"
                        R"("reservations":[{"user":"山田","purpose":"","contact":"","start":957142800,)"
                        R"("end":957150000,"facility":1,"paid":0,"spare":0,"fee":0}],"users":[]})");
    ASSERT_EQ(testutil::RunKvtool({"build", dir_.File("r.json"), kv}), 0);
    ASSERT_EQ(testutil::RunKvtool({"render", kv, "--day", "2000-05-01", "--out", dir_.File("d.png")}, nullptr, &err), 0)
        << err;
    QImage png(QString::fromStdString(dir_.File("d.png")));
    ASSERT_FALSE(png.isNull());
    const sched::Layout lay = MakeLayout(doc_, sched::Orientation::FacilitiesAcross, 8, 23, font_);
    EXPECT_EQ(png.pixelColor(88 + 3 + 5 * lay.cw, 17 + 3 + 5 * lay.rh), QColor(0, 255, 0));
    // A colour past int saturates as the window reads it: white, not the low bytes' green.
    testutil::WriteFile(dir_.File("orvalis.ini"), "[View]\nRevColor2=4278255360\n");
    ASSERT_EQ(testutil::RunKvtool({"render", kv, "--day", "2000-05-01", "--out", dir_.File("d.png")}), 0);
    EXPECT_EQ(QImage(QString::fromStdString(dir_.File("d.png"))).pixelColor(88 + 3 + 5 * lay.cw, 17 + 3 + 5 * lay.rh),
              QColor(Qt::white));
    EXPECT_EQ(ScheduleColorsFromProfile().unpaid, QColor(Qt::white));
    ASSERT_EQ(testutil::RunKvtool({"render", kv, "--day", "2000-05-01", "--mode", "1", "--out", dir_.File("d.pdf")}),
              0);
    const std::string pdf = testutil::ReadFile(dir_.File("d.pdf"));
    EXPECT_EQ(pdf.rfind("%PDF", 0), 0u);
    EXPECT_NE(pdf.find("/Count 1"), std::string::npos);
    // The day as the date dialog takes it: any day the register's times reach.
    for (const auto& [day, rc] : {std::pair{"2038-01-01", 0}, {"2038-01-20", 2}, {"2000-5", 2}})
        EXPECT_EQ(testutil::RunKvtool({"render", kv, "--day", day, "--out", dir_.File("x.png")}), rc) << day;
    EXPECT_EQ(testutil::RunKvtool({"render", dir_.File("missing.kv"), "--day", "2000-05-01", "--out", dir_.File("x.png")}),
              1);
}

TEST_F(SchedulePaint, ABookingPastTheGridShowsOnlyInsideItAndItsBookerAtItsTop) {
    Add(1, 6, 0, 23, 0, false);  // in an 8 to 21 grid: the image kvtool renders and the printed page
    Add(2, 0, 0, 24, 0, false, "山田商事");
    ScheduleSettings s{sched::Orientation::FacilitiesAcross, 8, 21, BoxContent::UserPurpose, font_, colors_};
    const sched::Layout lay = MakeLayout(doc_, s.orientation, 8, 21, font_);
    QImage page(1000, 1400, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter p(&page);
    PaintSchedule(p, doc_, lay, font_, colors_, s.content, Surface::Paper);  // the page from its margin origin
    p.end();
    for (const auto& [img, grid] : {std::pair{RenderScreen(doc_, s), QRect(91, 20, lay.GridWidth(), lay.GridHeight())},
                                    {page, QRect(12 * lay.cw, 5 * lay.rh, lay.GridWidth(), lay.GridHeight())}}) {
        int outside = 0, name = 0;  // the booker's name: in the first row of the whole day's box
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const bool green = img.pixelColor(x, y) == kUnpaid, top = y >= grid.top() && y < grid.top() + lay.rh;
                outside += green && !grid.contains(x, y);
                name += !green && top && x > grid.left() + 10 * lay.cw + 1 && x < grid.left() + 20 * lay.cw - 2;
            }
        EXPECT_EQ(outside, 0);
        EXPECT_GT(name, 20);
    }
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
