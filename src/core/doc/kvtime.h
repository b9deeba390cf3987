#pragma once
// Register times: signed 32-bit seconds, converted through the C library's
// local time, held to what a 32-bit time can represent.
#include <cstdint>
#include <ctime>
#include <string>

#include "core/doc/records.h"

namespace kvtime {

// Local calendar date and time -> seconds, with mktime's roll-over (minute 60,
// hour 24, day 32, month 13 move on). Daylight saving decided by the library.
// kTimeUnset when the result does not fit in signed 32 bits.
KvTime MakeTime(int year, int month, int day, int hour, int minute, int second = 0);

// 0:00 local of a day given by any year, month and day, rolled over as mktime
// does (month 13 is January of the next year, day 32 of January 1 February).
// kTimeUnset when that midnight is before the epoch or beyond 32 bits.
KvTime MidnightOf(uint32_t year, uint32_t month, uint32_t day);

// Seconds -> local calendar. False for a value the platform's conversion
// refuses: every negative value, the unset -1 among them.
bool ToLocal(KvTime t, std::tm* out);

// strftime in the "C" locale into a 128-byte buffer; empty when the time cannot
// be converted.
std::string Format(KvTime t, const char* pattern);

// The days a register can hold: 1972-01-01 .. 2037-12-31, real calendar days.
bool IsValidDate(long year, long month, long day);
int DaysInMonth(int year, int month);

// Current time clamped to the 32-bit range.
KvTime Now();

}  // namespace kvtime
