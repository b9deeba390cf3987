#pragma once
// Where everything of the day schedule lies: facility bands, half-hour slots,
// reservation boxes, the point under the mouse, scroll sizes and the printed
// page. Drawing, hit-testing and both header panes all ask this one module.
#include <cstdint>
#include <string>
#include <vector>

#include "core/doc/records.h"

class CKivoDoc;

namespace sched {

// rh: one facility row and one half-hour row are a text line and a quarter.
inline int RowHeight(int tmHeight) { return tmHeight + tmHeight / 4; }

// The heading panes' sizes from their templates, 192 x 9 and 44 x 103 dialog
// units, with the old desks' 8 x 15 pixel dialog font: a dialog unit is a
// quarter of its width across and an eighth of its height down.
constexpr int TopPaneHeight() { return (9 * 15 + 4) / 8; }
constexpr int LeftPaneWidth() { return (44 * 8 + 2) / 4; }

// Half-hour slots from startHour:00 to (endHour + 1):00.
inline int SlotCount(int startHour, int endHour) { return (endHour - startHour) * 2 + 2; }

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool Contains(int x, int y) const { return left <= x && x < right && top <= y && y < bottom; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool operator==(const Rect&) const = default;
};

// Which way the facilities run; the time runs the other way.
enum class Orientation { FacilitiesAcross, FacilitiesDown };
// The number the profile (View/Mode), the view and kvtool render keep: 0
// across, any other down.
inline Orientation OrientationOf(int mode) {
    return mode == 0 ? Orientation::FacilitiesAcross : Orientation::FacilitiesDown;
}

// The quantities every position is made of.
struct Layout {
    Orientation orientation = Orientation::FacilitiesAcross;
    int startHour = 8;
    int slotCount = 32;
    int n = 0;  // number of facilities
    int cw = 8;
    int rh = 16;

    bool Across() const { return orientation == Orientation::FacilitiesAcross; }
    int GridWidth() const { return Across() ? n * 10 * cw : slotCount * 2 * cw; }
    int GridHeight() const { return Across() ? slotCount * rh : n * rh; }
    Rect FacilityBand(int f) const;
    Rect SlotBand(int k) const;
    Rect Box(int f, int s0, int s1) const;
};

// Slot of a time: minutes 0-29 the first half of the hour, 30-59 the second.
// An end at exactly 00:00 counts as hour 24. Not clamped. False when the time
// has no local calendar value.
bool SlotOf(KvTime t, int startHour, bool isEnd, int* slot);

// The instants whose local date is the date of day: [begin, end).
struct DayRange {
    int64_t begin = 0, end = 0;
    bool Contains(KvTime t) const { return t >= begin && t < end; }
};
DayRange DayOf(KvTime day);

// Whether a reservation is drawn on the day: it starts there, or it started
// earlier and runs past the day's midnight (its continuation).
bool ShownOnDay(const CReserve& r, const DayRange& day);

// The box of a reservation on the day; facilityPos -1 puts it one band before
// the first. A booking that runs past the day's end reaches the end of the
// grid (no further than its real end where the grid runs past midnight); a
// continuation from an earlier day begins at the day's 0:00.
Rect ReserveBox(const Layout& lay, const CReserve& r, int facilityPos, const DayRange& day);
// The same on the day the reservation starts.
Rect ReserveBox(const Layout& lay, const CReserve& r, int facilityPos);

// Positions of the reservations shown on the day, in collection order.
std::vector<int> ReservesOfDay(const ReserveArray& reserves, const DayRange& day);

// What a double-click at a layout point means.
struct Hit {
    bool onBox = false;
    int reservePos = -1;  // the first reservation shown on the day whose box holds the point
    int facilityPos = 0;  // otherwise the proposal: facility position and whole hour
    int hour = 0;
};
Hit HitTest(const Layout& lay, const CKivoDoc& doc, int x, int y);

struct ScrollSizes {
    int totalW = 0, totalH = 0, pageW = 0, pageH = 0, lineW = 0, lineH = 0;
};
// wl: client width of the left header pane, counted into the total width.
ScrollSizes ScrollSizesOf(const Layout& lay, int wl);

// The printed page in logical units of 0.01 inch, y upwards (negative down).
struct PageLayout {
    int marginX = 0, marginY = 0;  // the margin origin, from the printer origin
    int x0 = 0;                    // width of the heading column
    int gridX = 0, gridY = 0;      // the grid origin, from the margin origin
};
PageLayout PageLayoutOf(const Layout& lay, int maxFacilityNameLength);

// "%y/%m/%d" and the weekday letter in brackets, UTF-8: 00/05/01(月).
// Empty when the day has no local calendar value.
std::string DayCaption(KvTime day);

// The heading labels: from startHour:00 of a fixed day, "%H" per hour or
// "%H:%M" per half hour.
std::string HourLabel(int startHour, int index);
std::string HalfHourLabel(int startHour, int index);

// The displayed day moved by whole days; false (and day unchanged) when the
// result would leave what a register time can hold.
bool ShiftDays(KvTime* day, int days);

}  // namespace sched
