#include "core/calendar/holidays.h"

#include <algorithm>
#include <cstdint>

namespace holidays {

namespace {

bool IsLeap(int64_t y) { return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0); }

int DaysIn(int64_t y, int m) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12) return 0;
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian day, for any year.
int64_t DayNumber(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

// The day of the n-th Monday of a month (ハッピーマンデー).
int NthMonday(int year, int month, int n) {
    const int first = Weekday({year, month, 1});
    return 1 + (8 - first) % 7 + 7 * (n - 1);
}

// Leap years in (1980, y]: the Gregorian count, used only past the range of
// the published coefficients.
int64_t LeapsAfter1980(int64_t y) {
    auto upTo = [](int64_t n) { return n / 4 - n / 100 + n / 400; };
    return upTo(y) - upTo(1980);
}

// The law: its first day, the day 振替休日 began, and the year both rules
// (振替休日 to the next free day, 国民の休日 on any free day) took their
// present form.
constexpr Date kLawStart{1948, 7, 20};
constexpr Date kSubstituteStart{1973, 4, 12};
constexpr Date kBetweenStart{1985, 12, 27};
constexpr int kRulesOf2007 = 2007;

constexpr const char* kRest = "休日";
constexpr const char* kDeemed = "休日（祝日扱い）";

// The days the law or a law of its own made a holiday once.
struct OneOff {
    Date date;
    const char* name;
};
constexpr OneOff kOneOffs[] = {
    {{1959, 4, 10}, "結婚の儀"},       {{1989, 2, 24}, "大喪の礼"}, {{1990, 11, 12}, "即位礼正殿の儀"},
    {{1993, 6, 9}, "結婚の儀"},        {{2019, 5, 1}, kDeemed},    {{2019, 10, 22}, kDeemed},
};

// The 国民の祝日 of a year (the one-off days included), before the days of
// rest the law adds to them.
std::vector<Holiday> NamedDays(int y) {
    std::vector<Holiday> v;
    auto add = [&](int m, int d, const char* name) {
        if (Date{y, m, d} >= kLawStart) v.push_back({{y, m, d}, name});
    };
    add(1, 1, "元日");
    add(1, y < 2000 ? 15 : NthMonday(y, 1, 2), "成人の日");
    if (y >= 1967) add(2, 11, "建国記念の日");
    if (y >= 2020) add(2, 23, "天皇誕生日");
    add(3, EquinoxDay(y, true), "春分の日");
    if (y <= 1988) add(4, 29, "天皇誕生日");
    else add(4, 29, y <= 2006 ? "みどりの日" : "昭和の日");
    add(5, 3, "憲法記念日");
    if (y >= 2007) add(5, 4, "みどりの日");
    add(5, 5, "こどもの日");
    // The Olympic years moved 海の日, スポーツの日 and 山の日 by law.
    if (y == 2020) add(7, 23, "海の日"), add(7, 24, "スポーツの日"), add(8, 10, "山の日");
    else if (y == 2021) add(7, 22, "海の日"), add(7, 23, "スポーツの日"), add(8, 8, "山の日");
    else {
        if (y >= 1996) add(7, y <= 2002 ? 20 : NthMonday(y, 7, 3), "海の日");
        if (y >= 2016) add(8, 11, "山の日");
    }
    if (y >= 1966) add(9, y <= 2002 ? 15 : NthMonday(y, 9, 3), "敬老の日");
    add(9, EquinoxDay(y, false), "秋分の日");
    if (y >= 1966 && y <= 1999) add(10, 10, "体育の日");
    else if (y >= 2000 && y <= 2018) add(10, NthMonday(y, 10, 2), "体育の日");
    else if (y == 2019) add(10, NthMonday(y, 10, 2), "体育の日（スポーツの日）");
    else if (y >= 2022) add(10, NthMonday(y, 10, 2), "スポーツの日");
    add(11, 3, "文化の日");
    add(11, 23, "勤労感謝の日");
    if (y >= 1989 && y <= 2018) add(12, 23, "天皇誕生日");
    for (const OneOff& o : kOneOffs)
        if (o.date.year == y) add(o.date.month, o.date.day, o.name);
    std::sort(v.begin(), v.end(), [](const Holiday& a, const Holiday& b) { return a.date < b.date; });
    return v;
}

}  // namespace

bool IsRealDay(const Date& d) { return d.year >= 1 && d.day >= 1 && d.day <= DaysIn(d.year, d.month); }

int Weekday(const Date& d) {
    const int64_t w = (DayNumber(d.year, d.month, d.day) + 4) % 7;  // 1970-01-01 was a Thursday
    return static_cast<int>(w < 0 ? w + 7 : w);
}

int EquinoxDay(int year, bool spring) {
    const int64_t y = year;
    // The three published sets: 1900-1979, 1980-2099, 2100-2150.
    if (y <= 1979) return static_cast<int>((spring ? 20.8357 : 23.2588) + 0.242194 * (y - 1980) - (y - 1983) / 4);
    if (y <= 2099) return static_cast<int>((spring ? 20.8431 : 23.2488) + 0.242194 * (y - 1980) - (y - 1980) / 4);
    if (y <= 2150) return static_cast<int>((spring ? 21.8510 : 24.2488) + 0.242194 * (y - 1980) - (y - 1980) / 4);
    // Beyond them the last set goes on with the Gregorian leap years, so the
    // day keeps near the equinox instead of running off by a day a century.
    return static_cast<int>((spring ? 20.8510 : 23.2488) + 0.242194 * (y - 1980) - LeapsAfter1980(y));
}

std::vector<Holiday> ByLaw(int y) {
    if (y < kLawStart.year || y > 9999) return {};
    const std::vector<Holiday> named = NamedDays(y);
    // Day of the year -> index into named (-1: none).
    const int days = IsLeap(y) ? 366 : 365;
    std::vector<int> at(static_cast<size_t>(days) + 2, -1);
    const int64_t jan1 = DayNumber(y, 1, 1);
    auto doy = [&](const Date& d) { return static_cast<int>(DayNumber(d.year, d.month, d.day) - jan1) + 1; };
    for (size_t i = 0; i < named.size(); ++i) at[static_cast<size_t>(doy(named[i].date))] = static_cast<int>(i);
    auto dateOf = [&](int n) {
        Date d{y, 1, n};
        while (d.day > DaysIn(y, d.month)) d.day -= DaysIn(y, d.month), ++d.month;
        return d;
    };
    const bool since2007 = y >= kRulesOf2007;
    std::vector<Holiday> out = named;
    std::vector<bool> rest(static_cast<size_t>(days) + 2, false);
    // 振替休日: a holiday on a Sunday gives the next day; since 2007 the next
    // day that is no holiday itself.
    for (const Holiday& h : named) {
        if (h.date < kSubstituteStart || Weekday(h.date) != 0) continue;
        int n = doy(h.date) + 1;
        if (since2007)
            while (n <= days && at[static_cast<size_t>(n)] >= 0) ++n;
        if (n <= days && at[static_cast<size_t>(n)] < 0) rest[static_cast<size_t>(n)] = true;
    }
    // 国民の休日: a day between two holidays; before 2007 not on a Sunday.
    for (int n = 2; n < days; ++n) {
        if (at[static_cast<size_t>(n)] >= 0 || rest[static_cast<size_t>(n)]) continue;
        if (at[static_cast<size_t>(n - 1)] < 0 || at[static_cast<size_t>(n + 1)] < 0) continue;
        const Date d = dateOf(n);
        if (d < kBetweenStart || (!since2007 && Weekday(d) == 0)) continue;
        rest[static_cast<size_t>(n)] = true;
    }
    for (int n = 1; n <= days; ++n)
        if (rest[static_cast<size_t>(n)]) out.push_back({dateOf(n), kRest});
    std::sort(out.begin(), out.end(), [](const Holiday& a, const Holiday& b) { return a.date < b.date; });
    return out;
}

Calendar::Calendar(const std::vector<Holiday>& imported) {
    for (const Holiday& h : imported) imported_[h.date.year].push_back(h);
}

const std::vector<Holiday>& Calendar::YearRef(int year) const {
    if (const auto it = imported_.find(year); it != imported_.end()) return it->second;
    auto it = law_.find(year);
    if (it == law_.end()) it = law_.emplace(year, ByLaw(year)).first;
    return it->second;
}

std::vector<Holiday> Calendar::Year(int year) const { return YearRef(year); }

std::vector<Holiday> Calendar::Between(const Date& from, const Date& until) const {
    std::vector<Holiday> out;
    for (int y = std::max(from.year, 1); y <= until.year && y <= 9999; ++y)
        for (const Holiday& h : YearRef(y))
            if (h.date >= from && h.date <= until) out.push_back(h);
    return out;
}

std::string Calendar::NameOn(const Date& d) const {
    for (const Holiday& h : YearRef(d.year))
        if (h.date == d) return h.name;
    return {};
}

}  // namespace holidays
