#pragma once
// Repeat bookings: the dates of a series and its booking in one change
// transaction. A series is stored as ordinary reservations, one per date,
// exactly as if each had been entered alone; every date passes the checks of
// a single booking.
#include <optional>
#include <string>
#include <vector>

#include "core/booking/rules.h"
#include "core/doc/kivodoc.h"

namespace series {

// The pattern: 毎日, 毎週 (the first date's weekday), 隔週, 毎月 (the first
// date's day of the month).
enum class Pattern { Daily, Weekly, Biweekly, Monthly };

inline constexpr int kMaxDates = 366;

// How a series ends: on a last day (終了日) or after a number of dates (回数;
// skipped months do not count).
struct End {
    bool byCount = true;
    uint32_t count = 0;
    uint32_t year = 0, month = 0, day = 0;  // the last day, when !byCount
    // 祝日を除く: a date on a national holiday is left out as a month without
    // the day is, and counts no more than that month does.
    bool skipHolidays = false;
};

// One place of the series. A skipped place is a month without the first
// date's day; it has no date of its own (day holds that missing day). A
// skipped place with a holiday name is a national holiday the series leaves out.
struct Item {
    int year = 0, month = 0, day = 0;
    bool skipped = false;
    std::string holiday;  // UTF-8
    CheckResult check = CheckResult::Ok;  // after CheckItems / Book
    bool booked = false;                  // after Book
};

enum class PlanResult { Ok, BadFirst, BadCount, BadUntil, TooMany };

// The fixed texts of the series, each written once.
const char* PlanMessage(PlanResult r);
inline constexpr const char* kMarkFree = "空き";
inline constexpr const char* kMarkTaken = "予約済み";
inline constexpr const char* kMarkInvalid = "不正";
inline constexpr const char* kMarkSkipped = "該当日なし";
inline constexpr const char* kMarkHoliday = "祝日";
inline constexpr const char* kNotBooked = "次の日付は予約しませんでした。";

// The places of the series from the entry's date (which must be a real
// calendar day the register can hold). BadCount: a count outside 1..366;
// BadUntil: a last day that is no such day or lies before the first;
// TooMany: a last day that gives more than 366 dates.
PlanResult Plan(const ReserveEntry& first, Pattern pattern, const End& end, std::vector<Item>* out);

// The entry for the date of an item: the first entry with that date.
ReserveEntry EntryOn(const ReserveEntry& first, const Item& item);


// Marks every date of the items against the collections as they stand: the
// range checks, the facility, and (dupForbidden) the overlap rule, each date
// also against the dates of the series before it that would be booked.
void CheckItems(const ReserveEntry& first, const ReserveArray& reserves, const FacilityArray& facilities,
                bool dupForbidden, std::vector<Item>* items);

// The preview: the file read afresh under a shared lock, held only while it
// is read (the document stays as it is; without a path its own collections
// serve), and every date marked by CheckItems. False with the file message
// when the file cannot be read.
bool Preview(const CKivoDoc& doc, const ReserveEntry& first, bool dupForbidden, std::vector<Item>* items,
             std::string* message);

// The booking: one transaction that re-reads the file, checks every date on
// the fresh data, adds the dates that pass and saves once (nothing is written
// when none passes). dupForbidden is read from the profile before the call,
// never under the lock. facilityId >= 0 picks the facility by its number
// after the re-read; otherwise first.facility is the position. A sortKey
// sorts the reservations as a list window keeps them.
TxResult Book(CKivoDoc& doc, const ReserveEntry& first, bool dupForbidden, std::vector<Item>* items,
              int facilityId = -1, std::optional<SortKey> sortKey = std::nullopt, IKivoView* sender = nullptr,
              ViewHint hint = ViewHint::Changed);

}  // namespace series
