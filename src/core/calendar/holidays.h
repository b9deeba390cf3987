#pragma once
// Japan's national holidays: the 国民の祝日 and the 休日 the law adds to them,
// by the rules of the year in question, or from the Cabinet Office's table
// (syukujitsu.csv) where one has been imported; that table wins for its years.
#include <compare>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace holidays {

// A calendar day of any year (proleptic Gregorian), not bound to what a
// register's 32-bit times can hold.
struct Date {
    int year = 0, month = 0, day = 0;
    auto operator<=>(const Date&) const = default;
};

bool IsRealDay(const Date& d);
// 0 Sunday .. 6 Saturday.
int Weekday(const Date& d);

struct Holiday {
    Date date;
    std::string name;  // UTF-8, as the Cabinet Office's list names it
};

// The law's holidays of a year, in date order: none before the law of
// 20 July 1948, none past the year 9999.
std::vector<Holiday> ByLaw(int year);

// The day of 春分の日 (March) or 秋分の日 (September) by the approximation
// the published tables use.
int EquinoxDay(int year, bool spring);

// Reading an imported table: the Cabinet Office's CSV (Shift_JIS, or UTF-8 as
// it is kept here), an optional header line, then "YYYY/M/D,名称" per line.
enum class TableError { None, BadDate, NoName, BadText, SameDate, Empty };
const char* TableErrorText(TableError e);
struct TableProblem {
    TableError error = TableError::None;
    int line = 0;          // 1-based; 0 for Empty
    std::string lineText;  // the line as read, UTF-8 where it could be read
};
// The rows in date order; false with the first problem, and out is empty.
bool ParseTable(std::string_view bytes, std::vector<Holiday>* out, TableProblem* problem);
// The rows as the program keeps them: UTF-8, the header, one line each.
std::string TableText(const std::vector<Holiday>& rows);

// The imported table's place: holidays.csv beside the profile.
std::string TablePath();

// The holidays a desk sees: the imported table for the years it covers, the
// law for every other year.
class Calendar {
public:
    Calendar() = default;  // the law alone
    explicit Calendar(const std::vector<Holiday>& imported);

    // The table beside the profile as it stands now (read again only after it
    // changed); the law alone when there is none or it cannot be read.
    static std::shared_ptr<const Calendar> Current();

    std::vector<Holiday> Year(int year) const;
    // Every holiday from `from` to `until`, both included, in date order.
    std::vector<Holiday> Between(const Date& from, const Date& until) const;
    // The day's holiday name; empty on any other day.
    std::string NameOn(const Date& d) const;
    bool Covers(int year) const { return imported_.count(year) != 0; }

private:
    const std::vector<Holiday>& YearRef(int year) const;

    std::map<int, std::vector<Holiday>> imported_;
    mutable std::map<int, std::vector<Holiday>> law_;  // the years asked for so far
};

}  // namespace holidays
