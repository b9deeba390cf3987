#pragma once
// Where everything of the week window lies: the day headings across, the
// facility names down, one cell per facility and day, and each booking's bar
// inside its day's cell at its place within the profile's hours. Painting,
// printing, kvtool render and the double-click all ask this one module.
#include <array>

#include "core/schedule/geometry.h"

namespace sched {

inline constexpr int kWeekDays = 7;

struct WeekLayout {
    int n = 0;           // number of facilities
    int startHour = 8;   // a day's cell shows startHour:00 ..
    int endHour = 23;    // .. (endHour + 1):00, as the schedule's grid does
    int cw = 8;
    int rh = 16;
    int nameChars = 8;   // the longest facility name, in half-width characters

    int Hours() const { return endHour + 1 - startHour; }
    int NameWidth() const;
    int HeadHeight() const { return rh; }
    int DayWidth() const;
    int Width() const { return NameWidth() + kWeekDays * DayWidth(); }
    int Height() const { return HeadHeight() + n * rh; }
    Rect DayHeading(int d) const;
    Rect FacilityHeading(int f) const;
    Rect Cell(int d, int f) const;
};

// The seven days from the first one's date.
std::array<DayRange, kWeekDays> WeekOf(KvTime first);

// The bar of a reservation's part on the day in its cell: from its start (or
// the day's 0:00) to its end (or the next midnight), held to the cell's hours
// and never outside the cell. A booking of no length is a thin mark. Empty
// when nothing of it falls in the cell's hours, when a time is unset or when
// it ends before it starts.
Rect WeekBar(const WeekLayout& lay, const CReserve& r, int facilityPos, int dayIndex, const DayRange& day);

// The whole hour under an x inside a day's cell.
int WeekHourAt(const WeekLayout& lay, int x);

// What a double-click at a layout point means.
struct WeekHit {
    int day = -1;         // 0..6; -1 outside the cells
    int facility = -1;    // position in the collection
    bool onBar = false;   // on a booking's bar
    int hour = 0;         // the whole hour under the point
};
WeekHit WeekHitTest(const WeekLayout& lay, const ReserveArray& reserves, const FacilityArray& facilities,
                    const std::array<DayRange, kWeekDays>& days, int x, int y);

}  // namespace sched
