#include "core/schedule/week.h"

#include <algorithm>
#include <limits>

#include "core/booking/facilityindex.h"

namespace sched {

namespace {

constexpr int64_t kHour = 3600;

// x of an instant inside the cell's hours [from, to).
int XAt(const Rect& cell, int64_t t, int64_t from, int64_t to) {
    return cell.left + static_cast<int>((t - from) * (cell.right - cell.left) / (to - from));
}

}  // namespace

// Room for the longest name and a little, never narrower than "施設名" needs.
int WeekLayout::NameWidth() const { return std::max(nameChars, 8) * cw + cw / 2; }

// A day's heading (00/05/01(月)) needs 14 characters; longer hours widen it
// so that an hour stays at least a character wide.
int WeekLayout::DayWidth() const { return std::max(14, Hours()) * cw; }

Rect WeekLayout::DayHeading(int d) const {
    const int x = NameWidth() + d * DayWidth();
    return {x, 0, x + DayWidth(), HeadHeight()};
}

Rect WeekLayout::FacilityHeading(int f) const {
    const int y = HeadHeight() + f * rh;
    return {0, y, NameWidth(), y + rh};
}

Rect WeekLayout::Cell(int d, int f) const {
    const Rect col = DayHeading(d), row = FacilityHeading(f);
    return {col.left, row.top, col.right, row.bottom};
}

std::array<DayRange, kWeekDays> WeekOf(KvTime first) {
    std::array<DayRange, kWeekDays> days{};
    DayRange day = DayOf(first);
    for (int d = 0; d < kWeekDays; ++d) {
        days[static_cast<size_t>(d)] = day;
        // Past what a register time holds there is no further day to show.
        if (day.end <= 0 || day.end > std::numeric_limits<int32_t>::max()) break;
        day = DayOf(static_cast<KvTime>(day.end));
    }
    return days;
}

Rect WeekBar(const WeekLayout& lay, const CReserve& r, int facilityPos, int dayIndex, const DayRange& day) {
    const int64_t s = r.m_timeStart, e = r.m_timeEnd;
    if (s < 0 || e < s || day.end <= day.begin || lay.Hours() <= 0) return {};
    const bool point = s == e;
    if (point ? !day.Contains(r.m_timeStart) : (s >= day.end || e <= day.begin)) return {};
    const int64_t from = day.begin + lay.startHour * kHour, to = day.begin + (lay.endHour + 1) * kHour;
    const int64_t a = std::max({s, day.begin, from}), b = std::min({e, day.end, to});
    if (point ? (s < from || s > to) : a >= b) return {};
    const Rect cell = lay.Cell(dayIndex, facilityPos);
    int x0 = XAt(cell, a, from, to), x1 = XAt(cell, std::max(a, b), from, to);
    if (x1 - x0 < 2) {
        // Too short to see at this width: a thin mark, still inside the cell.
        x1 = std::min(x0 + 2, cell.right);
        x0 = std::max(cell.left, x1 - 2);
    }
    const int inset = lay.rh >= 8 ? 2 : 0;
    return {x0, cell.top + inset, x1, cell.bottom - inset};
}

int WeekHourAt(const WeekLayout& lay, int x) {
    const int w = std::max(1, lay.DayWidth());
    const int inCell = ((x - lay.NameWidth()) % w + w) % w;
    return lay.startHour + inCell * lay.Hours() / w;
}

WeekHit WeekHitTest(const WeekLayout& lay, const ReserveArray& reserves, const FacilityArray& facilities,
                    const std::array<DayRange, kWeekDays>& days, int x, int y) {
    WeekHit hit;
    if (x < lay.NameWidth() || y < lay.HeadHeight() || x >= lay.Width() || y >= lay.Height()) return hit;
    hit.day = (x - lay.NameWidth()) / std::max(1, lay.DayWidth());
    hit.facility = (y - lay.HeadHeight()) / std::max(1, lay.rh);
    hit.hour = WeekHourAt(lay, x);
    const FacilityIndex index(facilities);
    const DayRange& day = days[static_cast<size_t>(hit.day)];
    for (const auto& rp : reserves) {
        if (index.Of(rp->m_nFacilityID) != hit.facility) continue;
        if (WeekBar(lay, *rp, hit.facility, hit.day, day).Contains(x, y)) {
            hit.onBar = true;
            break;
        }
    }
    return hit;
}

}  // namespace sched
