// "Free for the whole span": every answer agrees with the entry dialog's
// overlap refusal for the same facility, date and times.
#include <gtest/gtest.h>

#include "core/booking/free.h"
#include "core/doc/kvtime.h"
#include "support/testutil.h"

using testutil::MakeFacility;
using testutil::MakeReserve;

namespace {

// A 20, B unknown (0), a second 1 ("A2"), C 5 people.
FacilityArray Facilities() {
    FacilityArray fs;
    for (const CKivo& f : {MakeFacility(1, "A", 20), MakeFacility(2, "B", 0), MakeFacility(1, "A2", 30),
                           MakeFacility(3, "C", 5)})
        fs.push_back(std::make_unique<CKivo>(f));
    return fs;
}

ReserveArray Reserves() {
    ReserveArray rs;
    auto add = [&](const CReserve& r) { rs.push_back(std::make_unique<CReserve>(r)); };
    add(MakeReserve("a", 1, 2000, 5, 1, 11, 0, 12, 0));
    add(MakeReserve("night", 3, 2000, 5, 1, 23, 0, 25, 0));  // to 01:00 of the 2nd
    add(MakeReserve("zero", 2, 2000, 5, 3, 10, 0, 10, 0));
    CReserve unset = MakeReserve("unset", 2, 2000, 5, 4, 10, 0, 11, 0);
    unset.m_timeEnd = kTimeUnset;
    add(unset);
    return rs;
}

booking::FreeQuestion Question(uint32_t day, uint32_t h1, uint32_t m1, uint32_t h2, uint32_t m2, int days = 1) {
    booking::FreeQuestion q;
    q.first.year = 2000, q.first.month = 5, q.first.day = day;
    q.first.startHour = h1, q.first.startMinute = m1, q.first.endHour = h2, q.first.endMinute = m2;
    q.days = days;
    return q;
}

}  // namespace

TEST(FreeSpan, AgreesWithTheEntryDialogsOverlapRefusal) {
    const FacilityArray fs = Facilities();
    const ReserveArray rs = Reserves();
    const struct {
        uint32_t day, h1, m1, h2, m2;
        int facilityId;
        bool free;
    } kCases[] = {
        {1, 11, 0, 12, 0, 1, false},   // the same span
        {1, 10, 0, 11, 0, 1, true},    // ends where it starts
        {1, 12, 0, 13, 0, 1, true},    // starts where it ends
        {1, 10, 30, 11, 30, 1, false}, // reaches into it
        {1, 11, 30, 12, 30, 1, false}, // starts inside it
        {1, 10, 0, 13, 0, 1, false},   // holds it
        {1, 11, 15, 11, 45, 1, false}, // inside it
        {1, 11, 0, 12, 0, 2, true},    // another facility
        {2, 0, 30, 2, 0, 3, false},    // after midnight of the night booking
        {2, 1, 0, 2, 0, 3, true},      // from its end on
        {1, 22, 0, 23, 0, 3, true},    // up to its start
        {3, 9, 0, 11, 0, 2, false},    // a booking of no length inside the span
        {3, 10, 0, 11, 0, 2, false},   // ... at its start
        {3, 9, 0, 10, 0, 2, false},    // ... at its end
        {3, 10, 30, 11, 0, 2, true},   // ... outside it
        {4, 0, 0, 24, 0, 2, true},     // a reservation without valid times blocks nothing
    };
    for (const auto& c : kCases) {
        const booking::FreeQuestion q = Question(c.day, c.h1, c.m1, c.h2, c.m2);
        ASSERT_EQ(booking::CheckQuestion(q), booking::FreeCheck::Ok);
        const int pos = FacilityIndexOf(fs, c.facilityId);
        bool free = false, listed = false;
        for (const booking::FreeSlot& s : booking::FindFree(fs, rs, q))
            if (s.facility == pos) free = !s.taken, listed = true;
        ReserveEntry e = q.first;
        e.facility = pos;
        const std::string at = std::to_string(c.day) + " " + std::to_string(c.h1) + ":" + std::to_string(c.m1) + "-" +
                               std::to_string(c.h2) + ":" + std::to_string(c.m2) + " #" + std::to_string(c.facilityId);
        EXPECT_TRUE(listed) << at;
        EXPECT_EQ(free, c.free) << at;
        EXPECT_EQ(free, CheckOverlap(e, rs, fs, nullptr) == CheckResult::Ok) << at;
        EXPECT_EQ(free, CheckAfterReload(e, rs, fs, nullptr, true) == CheckResult::Ok) << at;
    }
}

TEST(FreeSpan, DatesPeopleDuplicatesAndTheQuestionsChecks) {
    const FacilityArray fs = Facilities();
    const ReserveArray rs = Reserves();
    booking::FreeQuestion q = Question(30, 11, 0, 12, 0, 3);  // 04-30 .. 05-02
    q.first.month = 4;
    q.minPeople = 10;
    std::string got;
    for (const booking::FreeSlot& s : booking::FindFree(fs, rs, q)) {
        const ReserveEntry e = booking::EntryOnDate(q.first, s.dateIndex);
        got += std::to_string(e.month) + "/" + std::to_string(e.day) + fs[static_cast<size_t>(s.facility)]->m_strName +
               (s.taken ? "x " : " ");
    }
    // A2 takes A's bookings and is never offered; C is too small; B's 0 is unknown.
    EXPECT_EQ(got, "4/30A 4/30B 5/1Ax 5/1B 5/2A 5/2B ");
    q.facilities = {1};
    EXPECT_EQ(booking::FindFree(fs, rs, q).size(), 3u);

    EXPECT_EQ(booking::DaysThrough(q.first, 2000, 5, 30), 31);
    EXPECT_EQ(booking::DaysThrough(q.first, 2000, 4, 29), 0);
    EXPECT_EQ(booking::DaysThrough(q.first, q.first.year, q.first.month, q.first.day), 1);
    EXPECT_EQ(booking::DaysThrough(q.first, 2000, 4, 31), 0);
    q.days = 32;
    EXPECT_EQ(booking::CheckQuestion(q), booking::FreeCheck::BadDays);
    q = Question(1, 11, 0, 11, 0);
    EXPECT_EQ(booking::CheckQuestion(q), booking::FreeCheck::BadEnd);
    q = Question(32, 11, 0, 12, 0);
    EXPECT_EQ(booking::CheckQuestion(q), booking::FreeCheck::BadDate);
    q = Question(1, 25, 0, 26, 0);
    EXPECT_EQ(booking::CheckQuestion(q), booking::FreeCheck::BadStart);
    q.first.year = 2037, q.first.month = 12, q.first.day = 30, q.first.startHour = 9, q.first.endHour = 10, q.days = 3;
    EXPECT_EQ(booking::CheckQuestion(q), booking::FreeCheck::BadDays);
}
