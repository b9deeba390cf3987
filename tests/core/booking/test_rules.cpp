// The entry and repair dialogs' confirmation checks: date, start and end,
// the instants with roll-over, the facility selection and the overlap rule.
#include <gtest/gtest.h>

#include "core/booking/facilityindex.h"
#include "core/booking/rules.h"
#include "core/booking/series.h"
#include "core/doc/kvtime.h"
#include "support/testutil.h"

using testutil::MakeFacility;
using testutil::MakeReserve;

namespace {

ReserveEntry Entry(uint32_t y, uint32_t mo, uint32_t d, uint32_t h1 = 10, uint32_t m1 = 0, uint32_t h2 = 11,
                   uint32_t m2 = 0) {
    ReserveEntry e;
    e.year = y, e.month = mo, e.day = d;
    e.startHour = h1, e.startMinute = m1, e.endHour = h2, e.endMinute = m2;
    return e;
}

const char* Message(const ReserveEntry& e) { return CheckMessage(CheckDateTimes(e)); }

// Two facilities (ids 1 and 2) and an existing 11:00-12:00 on facility 1, 2000-05-01.
class Overlap : public ::testing::Test {
protected:
    void SetUp() override {
        facilities.push_back(std::make_unique<CKivo>(MakeFacility(1, "A")));
        facilities.push_back(std::make_unique<CKivo>(MakeFacility(2, "B")));
        reserves.push_back(std::make_unique<CReserve>(MakeReserve("x", 1, 2000, 5, 1, 11, 0, 12, 0)));
    }
    CheckResult Check(uint32_t h1, uint32_t m1, uint32_t h2, uint32_t m2, int facility = 0, uint32_t day = 1,
                      const CReserve* edited = nullptr) {
        ReserveEntry e = Entry(2000, 5, day, h1, m1, h2, m2);
        e.facility = facility;
        return CheckOverlap(e, reserves, facilities, edited);
    }
    FacilityArray facilities;
    ReserveArray reserves;
};

}  // namespace

TEST(DateCheck, LeapYearsAndTheRegisterRange) {
    EXPECT_STREQ(Message(Entry(2000, 2, 29)), "");
    EXPECT_STREQ(Message(Entry(2004, 2, 29)), "");
    EXPECT_STREQ(Message(Entry(1999, 2, 29)), "日付が不正です");
    EXPECT_STREQ(Message(Entry(2037, 12, 31)), "");
    EXPECT_STREQ(Message(Entry(1972, 1, 1)), "");
    EXPECT_STREQ(Message(Entry(1971, 12, 31)), "日付が不正です");
    EXPECT_STREQ(Message(Entry(1971, 6, 1)), "日付が不正です");
    EXPECT_STREQ(Message(Entry(2038, 1, 1)), "日付が不正です");
}

TEST(DateCheck, DaysAndMonthsOutOfRange) {
    EXPECT_STREQ(Message(Entry(2001, 4, 31)), "日付が不正です");
    EXPECT_STREQ(Message(Entry(2001, 4, 30)), "");
    EXPECT_STREQ(Message(Entry(2001, 4, 0)), "日付が不正です");
    EXPECT_STREQ(Message(Entry(2001, 0, 1)), "日付が不正です");
    EXPECT_STREQ(Message(Entry(2001, 13, 1)), "日付が不正です");
    EXPECT_STREQ(Message(Entry(0, 0, 0)), "日付が不正です");
    EXPECT_STREQ(Message(Entry(4294967295u, 1, 1)), "日付が不正です");
}

TEST(TimeChecks, TwentyFourAndSixtyPassAndTheFirstFailureIsReported) {
    EXPECT_STREQ(Message(Entry(2000, 5, 1, 24, 60, 24, 60)), "");
    EXPECT_STREQ(Message(Entry(2000, 5, 1, 25, 0, 11, 0)), "開始時刻が不正です");
    EXPECT_STREQ(Message(Entry(2000, 5, 1, 10, 61, 11, 0)), "開始時刻が不正です");
    EXPECT_STREQ(Message(Entry(2000, 5, 1, 10, 0, 25, 0)), "終了時刻が不正です");
    EXPECT_STREQ(Message(Entry(2000, 5, 1, 10, 0, 11, 61)), "終了時刻が不正です");
    EXPECT_STREQ(Message(Entry(2000, 5, 0, 25, 0, 25, 0)), "日付が不正です");
    EXPECT_STREQ(Message(Entry(2000, 5, 1, 25, 0, 25, 0)), "開始時刻が不正です");
    // After the ranges, an end instant before the start instant; equal or
    // rolled over past midnight is fine.
    EXPECT_STREQ(Message(Entry(2000, 5, 1, 15, 0, 14, 0)), "終了時刻が不正です");
    EXPECT_STREQ(Message(Entry(2000, 5, 1, 15, 0, 14, 60)), "");
    EXPECT_STREQ(Message(Entry(2000, 5, 1, 15, 0, 14, 59)), "終了時刻が不正です");
    EXPECT_STREQ(Message(Entry(2000, 5, 1, 23, 0, 24, 30)), "");
    EXPECT_STREQ(Message(Entry(2000, 5, 1, 25, 0, 9, 0)), "開始時刻が不正です");
}

TEST(Instants, RollOverMinuteSixtyAndHourTwentyFour) {
    EXPECT_EQ(EntryStart(Entry(2000, 5, 1, 10, 60)), kvtime::MakeTime(2000, 5, 1, 11, 0));
    EXPECT_EQ(EntryEnd(Entry(2000, 5, 1, 10, 0, 24, 0)), kvtime::MakeTime(2000, 5, 2, 0, 0));
    EXPECT_EQ(EntryEnd(Entry(2000, 12, 31, 10, 0, 24, 0)), kvtime::MakeTime(2001, 1, 1, 0, 0));
}

TEST_F(Overlap, TouchingBookingsAreAccepted) {
    EXPECT_EQ(Check(10, 0, 11, 0), CheckResult::Ok);
    EXPECT_EQ(Check(12, 0, 13, 0), CheckResult::Ok);
    // No time at all, on either edge of the booking.
    EXPECT_EQ(Check(11, 0, 11, 0), CheckResult::Ok);
    EXPECT_EQ(Check(12, 0, 12, 0), CheckResult::Ok);
}

TEST_F(Overlap, OverlappingBookingsOfTheSameFacilityAndDayAreRefused) {
    EXPECT_EQ(Check(10, 30, 11, 30), CheckResult::Overlap);
    EXPECT_EQ(Check(11, 15, 11, 45), CheckResult::Overlap);
    EXPECT_EQ(Check(10, 0, 13, 0), CheckResult::Overlap);
    EXPECT_EQ(Check(11, 0, 12, 0), CheckResult::Overlap);
    EXPECT_EQ(Check(11, 30, 12, 30), CheckResult::Overlap);
    // Covering it, with one edge shared.
    EXPECT_EQ(Check(11, 0, 12, 30), CheckResult::Overlap);
    EXPECT_EQ(Check(10, 0, 12, 0), CheckResult::Overlap);
    EXPECT_STREQ(CheckMessage(CheckResult::Overlap), "既に予約されています");
}

TEST_F(Overlap, AnotherFacilityOrDayIsFine) {
    EXPECT_EQ(Check(10, 30, 11, 30, 1), CheckResult::Ok);
    EXPECT_EQ(Check(10, 30, 11, 30, 0, 2), CheckResult::Ok);
}

TEST_F(Overlap, RollOverIsComparedAsTheInstantItBecomes) {
    // 10:60-11:30 is 11:00-11:30.
    EXPECT_EQ(Check(10, 60, 11, 30), CheckResult::Overlap);
    // The day before, 23:00-24:00 ends where a booking at 0:00 of the 1st would start.
    reserves.push_back(std::make_unique<CReserve>(MakeReserve("y", 1, 2000, 5, 2, 0, 0, 1, 0)));
    EXPECT_EQ(Check(23, 0, 24, 0), CheckResult::Ok);
    EXPECT_EQ(Check(23, 0, 24, 30), CheckResult::Overlap);
}

TEST_F(Overlap, UnsetTimesNeverConflict) {
    CReserve unset = MakeReserve("u", 1, 2000, 5, 1, 0, 0, 0, 0);
    unset.m_timeStart = unset.m_timeEnd = kTimeUnset;
    reserves.push_back(std::make_unique<CReserve>(unset));
    EXPECT_EQ(Check(0, 0, 24, 0, 0, 3), CheckResult::Ok);
    // Half set: a valid start with an unset end blocks nothing either, on
    // this day or any other.
    CReserve half = MakeReserve("h", 1, 2000, 5, 1, 15, 0, 16, 0);
    half.m_timeEnd = kTimeUnset;
    reserves.push_back(std::make_unique<CReserve>(half));
    EXPECT_EQ(Check(14, 0, 15, 0), CheckResult::Ok);
    EXPECT_EQ(Check(15, 0, 16, 0), CheckResult::Ok);
}

TEST_F(Overlap, TheEditedReservationAndAnIdenticalTwinAreSkipped) {
    const CReserve edited = *reserves[0];
    reserves.push_back(std::make_unique<CReserve>(edited));
    EXPECT_EQ(Check(11, 0, 12, 0, 0, 1, &edited), CheckResult::Ok);
    EXPECT_EQ(Check(10, 30, 11, 30, 0, 1, &edited), CheckResult::Ok);
    // Equal by value: a copy that differs in the spare word is another booking.
    CReserve other = edited;
    other.m_nSpare = 1;
    EXPECT_EQ(Check(11, 0, 12, 0, 0, 1, &other), CheckResult::Overlap);
}

TEST_F(Overlap, ASelectionOutsideTheFacilitiesIsRefusedWithoutReadingThere) {
    EXPECT_EQ(Check(10, 0, 11, 0, 2), CheckResult::NoFacility);
    EXPECT_EQ(Check(10, 0, 11, 0, -1), CheckResult::NoFacility);
    EXPECT_STREQ(CheckMessage(CheckResult::NoFacility), "施設を選択してください。");
    ReserveEntry e = Entry(2000, 5, 1);
    e.facility = 5;
    EXPECT_EQ(CheckAfterReload(e, reserves, facilities, nullptr, false), CheckResult::NoFacility);
    FacilityArray none;
    e.facility = 0;
    EXPECT_EQ(CheckAfterReload(e, reserves, none, nullptr, true), CheckResult::NoFacility);
}

TEST_F(Overlap, AnEditIsTestedOnlyWhenItMovesTheBooking) {
    // A second booking that already overlaps the first (made while overlaps
    // were allowed) can still be marked paid; moving it is tested.
    reserves.push_back(std::make_unique<CReserve>(MakeReserve("y", 1, 2000, 5, 1, 11, 30, 12, 30)));
    const CReserve edited = *reserves[1];
    ReserveEntry e = Entry(2000, 5, 1, 11, 30, 12, 30);
    e.paid = true;
    EXPECT_EQ(CheckAfterReload(e, reserves, facilities, &edited, true), CheckResult::Ok);
    e.endMinute = 45;
    EXPECT_EQ(CheckAfterReload(e, reserves, facilities, &edited, true), CheckResult::Overlap);
    e = Entry(2000, 5, 1, 11, 0, 12, 0);
    e.facility = 1;
    const CReserve first = *reserves[0];
    EXPECT_EQ(CheckAfterReload(e, reserves, facilities, &first, true), CheckResult::Ok);
    reserves.push_back(std::make_unique<CReserve>(MakeReserve("z", 2, 2000, 5, 1, 11, 0, 11, 30)));
    EXPECT_EQ(CheckAfterReload(e, reserves, facilities, &first, true), CheckResult::Overlap);
    // A new booking is always tested.
    e.facility = 0;
    EXPECT_EQ(CheckAfterReload(e, reserves, facilities, nullptr, true), CheckResult::Overlap);
}

TEST_F(Overlap, TheFirstFacilityOfANumberFoundOneWayEverywhere) {
    facilities.push_back(std::make_unique<CKivo>(MakeFacility(1, "A2")));
    facilities.push_back(std::make_unique<CKivo>(MakeFacility(70000, "C")));  // no 16-bit number
    const FacilityIndex index(facilities);
    for (const auto& [id, pos] : {std::pair{1, 0}, {2, 1}, {3, -1}, {-1, -1}, {70000, -1}, {65536, -1}}) {
        EXPECT_EQ(FacilityIndexOf(facilities, id), pos) << id;
        EXPECT_EQ(index.Of(id), pos) << id;
    }
}

TEST_F(Overlap, DupZeroAllowsOverlaps) {
    ReserveEntry e = Entry(2000, 5, 1, 11, 0, 12, 0);
    EXPECT_EQ(CheckAfterReload(e, reserves, facilities, nullptr, false), CheckResult::Ok);
    EXPECT_EQ(CheckAfterReload(e, reserves, facilities, nullptr, true), CheckResult::Overlap);
}

TEST(NumberFields, UnsignedExchangeAnd16BitRange) {
    uint32_t v = 0;
    EXPECT_TRUE(ParseUnsigned(" \t42\t ", &v));
    EXPECT_EQ(v, 42u);
    EXPECT_TRUE(ParseUnsigned("4294967295", &v));
    EXPECT_FALSE(ParseUnsigned("4294967296", &v));
    EXPECT_FALSE(ParseUnsigned("", &v));
    EXPECT_FALSE(ParseUnsigned("  ", &v));
    EXPECT_FALSE(ParseUnsigned("-1", &v));
    EXPECT_FALSE(ParseUnsigned("1 2", &v));
    EXPECT_FALSE(ParseUnsigned("+1", &v));
    EXPECT_TRUE(Fits16(65535));
    EXPECT_FALSE(Fits16(65536));
}

TEST(ApplyEntry, BuildsTheReservationFromTheDialog) {
    FacilityArray facilities;
    facilities.push_back(std::make_unique<CKivo>(MakeFacility(7, "A")));
    facilities.push_back(std::make_unique<CKivo>(MakeFacility(3, "B")));
    ReserveEntry e = Entry(2000, 5, 1, 18, 0, 24, 0);
    e.user = "u";
    e.purpose = "p\r\nq";
    e.facility = 1;
    e.paid = true;
    e.fee = 5000;
    CReserve r;
    ApplyEntry(e, facilities, &r);
    EXPECT_EQ(r.m_nFacilityID, 3);
    EXPECT_EQ(r.m_timeEnd, kvtime::MakeTime(2000, 5, 2, 0, 0));
    EXPECT_EQ(r.m_bPaid, 1);
    EXPECT_EQ(r.m_nFee, 5000);
    EXPECT_EQ(r.m_strPurpose, "p\r\nq");
    ReserveEntry back;
    EXPECT_TRUE(EntryFromReserve(r, facilities, &back));
    EXPECT_EQ(back.facility, 1);
    EXPECT_EQ(back.startHour, 18u);
    EXPECT_EQ(back.day, 1u);
}

TEST(EntryFromReserve, AnEndOnTheNextDayIsItsHourPlus24OtherDaysCannotBeShown) {
    FacilityArray facilities;
    // From 2000-12-31 23:00 to the end given as days after the start's date.
    struct Case {
        int days, h2, m2;
        bool shown;
        uint32_t endHour;
    } cases[] = {{0, 23, 30, true, 23}, {1, 0, 0, true, 24}, {1, 0, 30, true, 24},
                 {1, 9, 0, true, 33},   {2, 0, 0, false, 0}, {0, 0, 0, true, 0}, {-1, 23, 0, false, 0}};
    for (const Case& c : cases) {
        CReserve r = MakeReserve("u", 1, 2000, 12, 31, 23, 0, 0, 0);
        r.m_timeEnd = kvtime::MakeTime(2000, 12, 31 + c.days, c.h2, c.m2);
        ReserveEntry e;
        ASSERT_EQ(EntryFromReserve(r, facilities, &e), c.shown) << c.days << " " << c.h2;
        if (!c.shown) continue;
        EXPECT_EQ(e.endHour, c.endHour);
        // Confirming unchanged gives the same end back.
        EXPECT_EQ(EntryEnd(e), r.m_timeEnd);
    }
}

// The dates of a repeat series, as a table: pattern, first date, end, the
// dates (a month without the first date's day as "YYYY-MM -") or the refusal.
TEST(Series, DatesOfEachPattern) {
    using series::Pattern;
    const struct {
        Pattern pattern;
        uint32_t y, m, d;
        series::End end;
        const char* dates;
    } cases[] = {
        {Pattern::Daily, 2026, 12, 30, {true, 4}, "2026-12-30 2026-12-31 2027-01-01 2027-01-02"},
        {Pattern::Weekly, 2026, 12, 22, {true, 3}, "2026-12-22 2026-12-29 2027-01-05"},
        {Pattern::Biweekly, 2000, 2, 15, {true, 3}, "2000-02-15 2000-02-29 2000-03-14"},
        {Pattern::Weekly, 2027, 1, 5, {false, 0, 2027, 1, 19}, "2027-01-05 2027-01-12 2027-01-19"},
        {Pattern::Weekly, 2027, 1, 5, {false, 0, 2027, 1, 18}, "2027-01-05 2027-01-12"},
        {Pattern::Monthly, 2027, 1, 31, {true, 4},
         "2027-01-31 2027-02 - 2027-03-31 2027-04 - 2027-05-31 2027-06 - 2027-07-31"},
        {Pattern::Monthly, 2027, 11, 30, {false, 0, 2028, 3, 1}, "2027-11-30 2027-12-30 2028-01-30 2028-02 -"},
        {Pattern::Monthly, 2000, 1, 29, {true, 3}, "2000-01-29 2000-02-29 2000-03-29"},
        {Pattern::Daily, 2037, 12, 31, {true, 2}, "2037-12-31 2038-01-01"},
        {Pattern::Daily, 2027, 1, 1, {true, 366}, "366 dates"},
        {Pattern::Daily, 2027, 1, 1, {true, 367}, "回数は 1 から 366 までの整数を入力してください。"},
        {Pattern::Daily, 2027, 1, 1, {true, 0}, "回数は 1 から 366 までの整数を入力してください。"},
        {Pattern::Daily, 2027, 1, 1, {false, 0, 2028, 1, 2}, "繰り返しは 366 回までです。終了日を確認してください。"},
        {Pattern::Daily, 2027, 1, 1, {false, 0, 9999, 12, 31}, "繰り返しは 366 回までです。終了日を確認してください。"},
        {Pattern::Daily, 2027, 1, 1, {false, 0, 2026, 12, 31}, "終了日が不正です"},
        {Pattern::Daily, 2027, 1, 1, {false, 0, 2027, 2, 29}, "終了日が不正です"},
        {Pattern::Daily, 2027, 2, 29, {true, 1}, "日付が不正です"},
    };
    for (const auto& c : cases) {
        std::vector<series::Item> items;
        const series::PlanResult r = series::Plan(Entry(c.y, c.m, c.d), c.pattern, c.end, &items);
        std::string got = series::PlanMessage(r);
        if (r == series::PlanResult::Ok && items.size() > 20) got = std::to_string(items.size()) + " dates";
        else if (r == series::PlanResult::Ok)
            for (const auto& it : items) {
                char buf[24];
                const char* form = it.skipped ? "%04d-%02d -" : "%04d-%02d-%02d";
                std::snprintf(buf, sizeof buf, form, it.year, it.month, it.day);
                if (!got.empty()) got += ' ';
                got += buf;
            }
        EXPECT_EQ(got, c.dates) << c.y << "-" << c.m << "-" << c.d;
    }
}

// Every date is checked as a single booking: the overlap rule (with the
// series' own earlier dates), the register's range, an end before the start.
TEST_F(Overlap, SeriesDatesAreMarkedAsSingleBookingsWouldBe) {
    std::vector<series::Item> items;
    ReserveEntry e = Entry(2000, 4, 24, 10, 30, 11, 30);
    ASSERT_EQ(series::Plan(e, series::Pattern::Weekly, {true, 2}, &items), series::PlanResult::Ok);
    series::CheckItems(e, reserves, facilities, true, &items);
    EXPECT_EQ(items[0].check, CheckResult::Ok);
    EXPECT_EQ(items[1].check, CheckResult::Overlap);
    series::CheckItems(e, reserves, facilities, false, &items);
    EXPECT_EQ(items[1].check, CheckResult::Ok);
    for (uint32_t y : {2000u, 2037u}) {
        e = Entry(y, 12, 31, 0, 0, 24, 30);  // each day runs into the next
        ASSERT_EQ(series::Plan(e, series::Pattern::Daily, {true, 2}, &items), series::PlanResult::Ok);
        series::CheckItems(e, reserves, facilities, true, &items);
        EXPECT_EQ(items[0].check, CheckResult::Ok);
        EXPECT_EQ(items[1].check, y == 2000 ? CheckResult::Overlap : CheckResult::BadDate);
    }
    EXPECT_EQ(CheckDateTimes(Entry(2000, 5, 1, 15, 0, 9, 0)), CheckResult::BadEnd);
    EXPECT_EQ(CheckDateTimes(Entry(2000, 5, 1, 9, 0, 9, 0)), CheckResult::Ok);
}
