// Where the schedule puts facilities, slots and boxes, and what a point means.
#include <gtest/gtest.h>

#include "core/doc/kivodoc.h"
#include "core/doc/kvtime.h"
#include "core/schedule/geometry.h"
#include "core/schedule/week.h"
#include "support/testutil.h"

namespace {

using sched::Layout;
using sched::Rect;

Layout Lay(int mode, int n, int start = 8, int end = 23) {
    Layout l;
    l.orientation = sched::OrientationOf(mode);
    l.startHour = start;
    l.slotCount = sched::SlotCount(start, end);
    l.n = n;
    l.cw = 7;
    l.rh = sched::RowHeight(14);
    return l;
}

CReserve At(int facility, int y, int mo, int d, int h1, int m1, int h2, int m2, int endDay = 0) {
    CReserve r;
    r.m_nFacilityID = facility;
    r.m_timeStart = kvtime::MakeTime(y, mo, d, h1, m1);
    r.m_timeEnd = kvtime::MakeTime(y, mo, endDay ? endDay : d, h2, m2);
    return r;
}

void AddFacility(CKivoDoc& doc, int id) {
    auto f = std::make_unique<CKivo>();
    f->m_nID = id;
    f->m_strName = "F" + std::to_string(id);
    doc.m_arFacility.push_back(std::move(f));
}

void AddReserve(CKivoDoc& doc, const CReserve& r) { doc.m_arReserve.push_back(std::make_unique<CReserve>(r)); }

}  // namespace

TEST(GeometryGrid, DefaultHoursGiveThirtyTwoSlots) {
    Layout l = Lay(0, 3);
    EXPECT_EQ(sched::RowHeight(14), 17);
    EXPECT_EQ(l.slotCount, 32);
    EXPECT_EQ(l.GridHeight(), 32 * 17);
    EXPECT_EQ(l.GridWidth(), 3 * 70);
    Layout m = Lay(1, 3);
    EXPECT_EQ(m.GridWidth(), 64 * 7);
    EXPECT_EQ(m.GridHeight(), 3 * 17);
}

TEST(GeometryGrid, BandsAndSlotsInBothOrientations) {
    Layout l = Lay(0, 4);
    EXPECT_EQ(l.FacilityBand(2), (Rect{140, 0, 210, 32 * 17}));
    EXPECT_EQ(l.SlotBand(3), (Rect{0, 51, 280, 68}));
    Layout m = Lay(1, 4);
    EXPECT_EQ(m.FacilityBand(2), (Rect{0, 34, 64 * 7, 51}));
    EXPECT_EQ(m.SlotBand(3), (Rect{42, 0, 56, 68}));
}

TEST(GeometryGrid, NoFacilitiesStillScrollsOverTheHours) {
    sched::ScrollSizes s0 = sched::ScrollSizesOf(Lay(0, 0), 88);
    EXPECT_EQ(Lay(0, 0).GridWidth(), 0);
    EXPECT_EQ(s0.totalW, 88);
    EXPECT_EQ(s0.totalH, 32 * 17);
    sched::ScrollSizes s1 = sched::ScrollSizesOf(Lay(1, 0), 88);
    EXPECT_EQ(Lay(1, 0).GridHeight(), 0);
    EXPECT_EQ(s1.totalW, 88 + 64 * 7);
    EXPECT_EQ(s1.totalH, 17);
    EXPECT_EQ(s1.pageW, 140);
    EXPECT_EQ(s1.pageH, 102);
    EXPECT_EQ(s1.lineW, 70);
    EXPECT_EQ(s1.lineH, 17);
}

TEST(GeometryGrid, EndHourOneBelowStartLeavesNoSlots) {
    EXPECT_EQ(sched::SlotCount(10, 9), 0);
    EXPECT_EQ(Lay(0, 2, 10, 9).GridHeight(), 0);
}

TEST(GeometryBox, StartsAndEndsAtTheHalfHoursItTouches) {
    Layout l = Lay(0, 3);
    CReserve r = At(1, 2000, 5, 1, 9, 15, 10, 45);
    // 09:15 to 10:45 covers 09:00 to 10:30: slots 2 to 5.
    EXPECT_EQ(sched::ReserveBox(l, r, 1), (Rect{70, 2 * 17, 140, 5 * 17}));
    Layout m = Lay(1, 3);
    EXPECT_EQ(sched::ReserveBox(m, r, 1), (Rect{2 * 14, 17, 5 * 14, 34}));
}

TEST(GeometryBox, TwentyMinutesInOneHalfHourIsEmpty) {
    EXPECT_TRUE(sched::ReserveBox(Lay(0, 1), At(1, 2000, 5, 1, 9, 0, 9, 20), 0).IsEmpty());
}

TEST(GeometryBox, MidnightEndIsHourTwentyFour) {
    Layout l = Lay(0, 1);
    Rect b = sched::ReserveBox(l, At(1, 2000, 5, 1, 23, 30, 0, 0, 2), 0);
    EXPECT_EQ(b.top, 31 * 17);
    EXPECT_EQ(b.bottom, 32 * 17);
    // Past midnight the box runs to the end of the grid, no further than the
    // real end where the grid goes on past midnight; never upside down.
    const CReserve late = At(1, 2000, 5, 1, 23, 0, 0, 30, 2);
    EXPECT_EQ(sched::ReserveBox(l, late, 0), (Rect{0, 30 * 17, 70, 32 * 17}));
    EXPECT_EQ(sched::ReserveBox(Lay(0, 1, 8, 25), late, 0).bottom, 33 * 17);
    EXPECT_EQ(sched::ReserveBox(Lay(0, 1, 8, 20), late, 0).bottom, 30 * 17);
    // On the next day its continuation starts at 0:00.
    const sched::DayRange next = sched::DayOf(kvtime::MakeTime(2000, 5, 2, 12, 0));
    EXPECT_EQ(sched::ReserveBox(Lay(0, 1, 0, 23), late, 0, next), (Rect{0, 0, 70, 17}));
}

TEST(GeometryBox, OutsideTheHoursIsNotClamped) {
    int s = 0;
    ASSERT_TRUE(sched::SlotOf(kvtime::MakeTime(2000, 5, 1, 7, 0), 8, false, &s));
    EXPECT_EQ(s, -2);
    ASSERT_TRUE(sched::SlotOf(kvtime::MakeTime(2000, 5, 1, 23, 59), 8, true, &s));
    EXPECT_EQ(s, 31);
}

TEST(GeometryBox, UnknownFacilityLiesOneBandBeforeTheFirst) {
    Rect b = sched::ReserveBox(Lay(0, 2), At(9, 2000, 5, 1, 9, 0, 10, 0), -1);
    EXPECT_EQ(b.left, -70);
    EXPECT_EQ(b.right, 0);
}

TEST(GeometryDay, ReservationsStartingOnTheDayOrRunningIntoItBelong) {
    CKivoDoc doc;
    AddFacility(doc, 1);
    AddReserve(doc, At(1, 2000, 4, 30, 22, 0, 10, 0, 31));  // starts the day before, runs into the day
    AddReserve(doc, At(1, 2000, 5, 1, 0, 0, 1, 0));
    AddReserve(doc, At(1, 2000, 5, 1, 23, 30, 0, 0, 2));
    AddReserve(doc, At(1, 2000, 5, 2, 0, 0, 1, 0));
    AddReserve(doc, At(1, 2000, 4, 30, 22, 0, 0, 0, 31));  // ends at the day's midnight
    const sched::DayRange day = sched::DayOf(kvtime::MakeTime(2000, 5, 1, 15, 7));
    EXPECT_EQ(sched::ReservesOfDay(doc.m_arReserve, day), (std::vector<int>{0, 1, 2}));
    // A double-click on the continuation edits that booking.
    doc.m_timeDay = day.begin;
    const sched::Hit h = sched::HitTest(Lay(0, 1), doc, 10, 2 * 17);
    EXPECT_TRUE(h.onBox);
    EXPECT_EQ(h.reservePos, 0);
}

TEST(GeometryHit, EmptyPlaceProposesTheWholeHour) {
    CKivoDoc doc;
    AddFacility(doc, 1);
    AddFacility(doc, 2);
    doc.m_timeDay = kvtime::MakeTime(2000, 5, 1, 12, 0);
    Layout l = Lay(0, 2);
    // y between 2 rh and 4 rh: 09:00 to 10:00.
    sched::Hit h = sched::HitTest(l, doc, 75, 2 * 17 + 20);
    EXPECT_FALSE(h.onBox);
    EXPECT_EQ(h.facilityPos, 1);
    EXPECT_EQ(h.hour, 9);
    Layout m = Lay(1, 2);
    h = sched::HitTest(m, doc, 4 * 7 * 3 + 1, 2 * 17 + 5);
    EXPECT_EQ(h.facilityPos, 2);  // below the last facility row: n
    EXPECT_EQ(h.hour, 11);
}

TEST(GeometryHit, OverlappingBoxesEditTheEarlierOne) {
    CKivoDoc doc;
    AddFacility(doc, 1);
    doc.m_timeDay = kvtime::MakeTime(2000, 5, 1, 0, 0);
    AddReserve(doc, At(1, 2000, 4, 30, 9, 0, 12, 0));  // another day, same place
    AddReserve(doc, At(1, 2000, 5, 1, 9, 0, 12, 0));
    AddReserve(doc, At(1, 2000, 5, 1, 10, 0, 11, 0));
    sched::Hit h = sched::HitTest(Lay(0, 1), doc, 10, 4 * 17 + 3);
    EXPECT_TRUE(h.onBox);
    EXPECT_EQ(h.reservePos, 1);
}

TEST(GeometryHit, RightAndBottomEdgesAreOutside) {
    CKivoDoc doc;
    AddFacility(doc, 1);
    doc.m_timeDay = kvtime::MakeTime(2000, 5, 1, 0, 0);
    AddReserve(doc, At(1, 2000, 5, 1, 9, 0, 10, 0));
    Layout l = Lay(0, 1);
    EXPECT_TRUE(sched::HitTest(l, doc, 69, 4 * 17 - 1).onBox);
    EXPECT_FALSE(sched::HitTest(l, doc, 70, 3 * 17).onBox);
    EXPECT_FALSE(sched::HitTest(l, doc, 10, 4 * 17).onBox);
}

TEST(GeometryPage, HeadingColumnAndMargins) {
    sched::PageLayout p0 = sched::PageLayoutOf(Lay(0, 2), 10);
    EXPECT_EQ(p0.marginX, 28);
    EXPECT_EQ(p0.marginY, -68);
    EXPECT_EQ(p0.x0, 56);
    EXPECT_EQ(p0.gridY, -17);
    CKivoDoc doc;  // no facilities: the name column is still ten characters
    sched::PageLayout p1 = sched::PageLayoutOf(Lay(1, 0), doc.GetMaxFacilityNameLength());
    EXPECT_EQ(p1.x0, 70);
}

TEST(GeometryCaption, WeekdayFollowsTheLocalCalendar) {
    EXPECT_EQ(sched::DayCaption(kvtime::MakeTime(2000, 5, 1, 0, 0)), "00/05/01(月)");
    EXPECT_EQ(sched::DayCaption(kvtime::MakeTime(2000, 1, 1, 13, 0)), "00/01/01(土)");
    EXPECT_EQ(sched::DayCaption(-1), "");
}

TEST(GeometryCaption, HeadingLabels) {
    EXPECT_EQ(sched::HourLabel(8, 0), "08");
    EXPECT_EQ(sched::HourLabel(8, 15), "23");
    EXPECT_EQ(sched::HalfHourLabel(8, 1), "08:30");
    EXPECT_EQ(sched::HalfHourLabel(8, 31), "23:30");
}

TEST(GeometryDays, NextDayThroughALeapDay) {
    KvTime t = kvtime::MakeTime(2000, 2, 28, 15, 20);
    ASSERT_TRUE(sched::ShiftDays(&t, 1));
    EXPECT_EQ(kvtime::Format(t, "%Y/%m/%d %H:%M"), "2000/02/29 15:20");
    ASSERT_TRUE(sched::ShiftDays(&t, 1));
    EXPECT_EQ(kvtime::Format(t, "%Y/%m/%d %H:%M"), "2000/03/01 15:20");
    ASSERT_TRUE(sched::ShiftDays(&t, -1));
    EXPECT_EQ(kvtime::Format(t, "%Y/%m/%d"), "2000/02/29");
}

TEST(GeometryDays, WeeksAcrossMonthAndYearEnds) {
    KvTime t = kvtime::MakeTime(1999, 12, 29, 0, 0);
    ASSERT_TRUE(sched::ShiftDays(&t, 7));
    EXPECT_EQ(kvtime::Format(t, "%Y/%m/%d"), "2000/01/05");
    ASSERT_TRUE(sched::ShiftDays(&t, -7));
    ASSERT_TRUE(sched::ShiftDays(&t, -7));
    EXPECT_EQ(kvtime::Format(t, "%Y/%m/%d"), "1999/12/22");
    KvTime m = kvtime::MakeTime(2001, 2, 28, 0, 0);
    ASSERT_TRUE(sched::ShiftDays(&m, 1));
    EXPECT_EQ(kvtime::Format(m, "%Y/%m/%d"), "2001/03/01");
}

TEST(GeometryDays, TheEndOfThirtyTwoBitTimeIsNotPassed) {
    KvTime t = kvtime::MakeTime(2038, 1, 19, 0, 0);
    const KvTime before = t;
    EXPECT_FALSE(sched::ShiftDays(&t, 1));
    EXPECT_EQ(t, before);
    KvTime z = 3600;
    EXPECT_FALSE(sched::ShiftDays(&z, -1));
}

TEST(WeekGeometry, BarsSitInTheirDaysCellHeldToTheHours) {
    sched::WeekLayout w;  // 8:00 .. 24:00, 8 pixels an hour, days from x = 68
    w.n = 2;
    const auto days = sched::WeekOf(kvtime::MakeTime(2000, 5, 1, 15, 0));  // from the displayed instant's date
    EXPECT_EQ(w.DayWidth(), 128);
    EXPECT_EQ(w.NameWidth(), 68);
    EXPECT_EQ(w.Cell(2, 1), (Rect{324, 32, 452, 48}));
    EXPECT_EQ(days[6].begin, kvtime::MakeTime(2000, 5, 7, 0, 0));
    const struct {
        CReserve r;
        int day;
        Rect bar;
    } kRows[] = {
        {At(1, 2000, 5, 1, 10, 0, 12, 0), 0, {84, 18, 100, 30}},
        {At(1, 2000, 5, 1, 22, 0, 2, 0, 2), 0, {180, 18, 196, 30}},  // to midnight on its first day
        {At(1, 2000, 5, 1, 22, 0, 9, 0, 2), 1, {196, 18, 204, 30}},  // its next day from 8:00
        {At(1, 2000, 5, 1, 22, 0, 2, 0, 2), 1, {}},                  // nothing of it within the hours
        {At(1, 2000, 5, 3, 7, 0, 9, 0), 2, {324, 18, 332, 30}},      // held to the cell
        {At(1, 2000, 5, 3, 6, 0, 7, 0), 2, {}},
        {At(1, 2000, 5, 4, 10, 0, 10, 0), 3, {468, 18, 470, 30}},    // no length: a thin mark
        {At(1, 2000, 5, 4, 23, 30, 23, 30), 3, {576, 18, 578, 30}},
        {At(1, 2000, 5, 5, 11, 0, 10, 0), 4, {}},                    // ends before it starts
        {At(1, 2000, 5, 1, 10, 0, 12, 0), 1, {}},                    // another day
    };
    for (size_t i = 0; i < std::size(kRows); ++i) {
        const auto& row = kRows[i];
        EXPECT_EQ(sched::WeekBar(w, row.r, 0, row.day, days[static_cast<size_t>(row.day)]), row.bar) << i;
    }
    CReserve unset = kRows[0].r;
    unset.m_timeStart = kTimeUnset;
    EXPECT_TRUE(sched::WeekBar(w, unset, 0, 0, days[0]).IsEmpty());

    CKivoDoc doc;
    AddFacility(doc, 1);
    AddFacility(doc, 2);
    AddReserve(doc, kRows[0].r);
    const sched::WeekHit onBar = sched::WeekHitTest(w, doc.m_arReserve, doc.m_arFacility, days, 90, 20);
    EXPECT_TRUE(onBar.onBar);
    EXPECT_EQ(onBar.day, 0);
    const sched::WeekHit empty = sched::WeekHitTest(w, doc.m_arReserve, doc.m_arFacility, days, 68 + 128 + 43, 40);
    EXPECT_FALSE(empty.onBar);
    EXPECT_EQ(empty.day, 1);
    EXPECT_EQ(empty.facility, 1);
    EXPECT_EQ(empty.hour, 13);
    EXPECT_EQ(sched::WeekHitTest(w, doc.m_arReserve, doc.m_arFacility, days, 30, 40).day, -1);
}
