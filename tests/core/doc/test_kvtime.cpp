// Register times: local calendar to signed 32-bit seconds with the C
// library's roll-over, formatting, and the date range a register holds.
#include <gtest/gtest.h>

#include "core/doc/kvtime.h"

TEST(MakeTime, IsLocalTimeInTokyo) {
    EXPECT_EQ(kvtime::MakeTime(2000, 4, 3, 10, 0), 954723600);
    EXPECT_EQ(kvtime::MakeTime(2000, 4, 3, 12, 0), 954730800);
}

TEST(MakeTime, RollsOverMinuteHourDayAndMonth) {
    EXPECT_EQ(kvtime::MakeTime(2000, 4, 3, 10, 60), kvtime::MakeTime(2000, 4, 3, 11, 0));
    EXPECT_EQ(kvtime::MakeTime(2000, 4, 3, 24, 0), kvtime::MakeTime(2000, 4, 4, 0, 0));
    EXPECT_EQ(kvtime::MakeTime(2000, 1, 32, 0, 0), kvtime::MakeTime(2000, 2, 1, 0, 0));
    EXPECT_EQ(kvtime::MakeTime(2000, 13, 1, 0, 0), kvtime::MakeTime(2001, 1, 1, 0, 0));
}

TEST(MakeTime, BeyondSigned32BitsIsUnset) {
    EXPECT_EQ(kvtime::MakeTime(2038, 1, 19, 12, 14, 7), 0x7FFFFFFF);
    EXPECT_EQ(kvtime::MakeTime(2038, 1, 19, 12, 14, 8), kTimeUnset);
    EXPECT_EQ(kvtime::MakeTime(1800, 1, 1, 0, 0), kTimeUnset);
}

TEST(Format, UsesTheCLocaleAndGivesEmptyTextForNegativeTimes) {
    EXPECT_EQ(kvtime::Format(954723600, "%y-%m-%d %H:%M"), "00-04-03 10:00");
    EXPECT_EQ(kvtime::Format(954723600, "%a %b"), "Mon Apr");
    EXPECT_EQ(kvtime::Format(0, "%Y/%m/%d %H:%M"), "1970/01/01 09:00");
    EXPECT_EQ(kvtime::Format(-1, "%H:%M"), "");
    EXPECT_EQ(kvtime::Format(-32400, "%H:%M"), "");
}

TEST(ValidDate, HoldsTheRegisterRangeAndRealCalendarDays) {
    EXPECT_TRUE(kvtime::IsValidDate(1972, 1, 1));
    EXPECT_FALSE(kvtime::IsValidDate(1971, 12, 31));
    EXPECT_TRUE(kvtime::IsValidDate(2037, 12, 31));
    EXPECT_FALSE(kvtime::IsValidDate(2038, 1, 1));
    EXPECT_TRUE(kvtime::IsValidDate(2000, 2, 29));
    EXPECT_EQ(kvtime::DaysInMonth(1900, 2), 28);
    EXPECT_EQ(kvtime::DaysInMonth(2000, 2), 29);
    EXPECT_FALSE(kvtime::IsValidDate(1999, 2, 29));
    EXPECT_FALSE(kvtime::IsValidDate(2001, 4, 31));
    EXPECT_FALSE(kvtime::IsValidDate(2001, 0, 1));
    EXPECT_FALSE(kvtime::IsValidDate(2001, 1, 0));
    EXPECT_FALSE(kvtime::IsValidDate(2001, 13, 1));
}
