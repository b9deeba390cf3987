#pragma once
// "Free for the whole span": on each of a run of dates, which facilities a
// booking from one time to another could take, by the entry dialog's own
// overlap rule (Blocks). An overlap counts as taken even where this desk
// allows overlaps: the caller decides whether to offer such a facility.
// The free-room search dialog and kvtool free both ask this.
#include <cstdint>
#include <vector>

#include "core/booking/facilityindex.h"
#include "core/booking/rules.h"

namespace booking {

inline constexpr int kMaxFreeDays = 31;

struct FreeQuestion {
    ReserveEntry first;             // the first date and the times; its facility is not read
    int days = 1;                   // dates from the first one on, 1..kMaxFreeDays
    uint32_t minPeople = 0;         // 最大人数 at least this; a facility's 0 (unknown) always passes
    std::vector<int> facilities;    // the positions asked about; empty: every facility
};

enum class FreeCheck { Ok, BadDate, BadStart, BadEnd, BadDays };

// The question's own checks: the entry dialog's date and time ranges, an end
// after the start, and 1..kMaxFreeDays dates that all lie within the days a
// register can hold (BadDays).
FreeCheck CheckQuestion(const FreeQuestion& q);

// The number of dates from the first date to a last one, both counted; 0
// when the last is no real day or lies before the first.
int DaysThrough(const ReserveEntry& first, uint32_t year, uint32_t month, uint32_t day);

// One date of the question: the entry the entry dialog would confirm there.
ReserveEntry EntryOnDate(const ReserveEntry& first, int dateIndex);

// The search over reservations handed in one by one in any order (a
// document's collection or a file scanned without keeping its records).
// Only the first facility of each number is a candidate, as everywhere a
// reservation finds its facility; the question must have passed CheckQuestion.
class FreeSearch {
public:
    FreeSearch(const FacilityArray& facilities, const FreeQuestion& q);
    void Note(const CReserve& r);

    int DateCount() const { return static_cast<int>(entries_.size()); }
    const ReserveEntry& Date(int i) const { return entries_[static_cast<size_t>(i)]; }
    // Facility positions asked about and large enough, in collection order.
    const std::vector<int>& Candidates() const { return candidates_; }
    // Whether a reservation noted so far blocks the candidate on the date.
    bool Taken(int dateIndex, int candidate) const {
        return taken_[static_cast<size_t>(dateIndex) * candidates_.size() + static_cast<size_t>(candidate)] != 0;
    }

private:
    const FacilityArray& facilities_;
    FacilityIndex index_;
    std::vector<ReserveEntry> entries_;
    std::vector<KvTime> starts_, ends_;
    KvTime earliest_ = 0, latest_ = 0;
    std::vector<int> candidates_;
    std::vector<int> candidateOf_;  // by facility position, -1: not asked about
    std::vector<unsigned char> taken_;
};

// One line of an answer: a facility on a date, and whether a booking overlaps there.
struct FreeSlot {
    int dateIndex = 0;
    int facility = 0;  // position in the collection
    bool taken = false;
};

// Every candidate on every date, by date and then collection order.
std::vector<FreeSlot> FindFree(const FacilityArray& facilities, const ReserveArray& reserves, const FreeQuestion& q);

}  // namespace booking
