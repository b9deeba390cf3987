#include "core/doc/kvtime.h"

#include <locale.h>

#include <cstdint>
#include <limits>

namespace kvtime {

KvTime MakeTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    time_t t = std::mktime(&tm);
    if (t == static_cast<time_t>(-1)) return kTimeUnset;
    if (t < std::numeric_limits<int32_t>::min() || t > std::numeric_limits<int32_t>::max()) return kTimeUnset;
    return static_cast<KvTime>(t);
}

KvTime MidnightOf(uint32_t year, uint32_t month, uint32_t day) {
    // Months go into the year first so that no part overflows an int; a day
    // count this large lands after 2038 from any year.
    const uint64_t months = static_cast<uint64_t>(year) * 12 + month;
    if (months == 0 || months / 12 > 3000 || day > 1000000) return kTimeUnset;
    const int y = static_cast<int>((months - 1) / 12), m = static_cast<int>((months - 1) % 12) + 1;
    const KvTime t = MakeTime(y, m, static_cast<int>(day), 0, 0, 0);
    return t < 0 ? kTimeUnset : t;
}

bool ToLocal(KvTime t, std::tm* out) {
    if (t < 0) return false;
    time_t tt = t;
    return localtime_r(&tt, out) != nullptr;
}

std::string Format(KvTime t, const char* pattern) {
    std::tm tm;
    if (!ToLocal(t, &tm)) return {};
    // The program may run under any LC_TIME (Qt sets the user's locale); the
    // register's texts are always those of the "C" locale.
    static locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
    char buf[128];
    size_t n = strftime_l(buf, sizeof buf, pattern, &tm, cLocale);
    return std::string(buf, n);
}

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    if (month == 2 && year % 4 == 0 && (year % 100 != 0 || year % 400 == 0)) return 29;
    return kDays[month - 1];
}

bool IsValidDate(long year, long month, long day) {
    if (year < 1972 || year > 2037) return false;
    if (month < 1 || month > 12) return false;
    if (day < 1 || day > 31) return false;
    return day <= DaysInMonth(static_cast<int>(year), static_cast<int>(month));
}

KvTime Now() {
    time_t t = std::time(nullptr);
    if (t > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (t < 0) return 0;
    return static_cast<KvTime>(t);
}

}  // namespace kvtime
