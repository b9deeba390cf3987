#include "core/schedule/geometry.h"

#include <algorithm>
#include <ctime>
#include <limits>

#include "core/booking/facilityindex.h"
#include "core/doc/kivodoc.h"
#include "core/doc/kvtime.h"

namespace sched {

namespace {

// mktime without the 32-bit clamp, for the bounds of a day.
int64_t LocalMidnight(int year, int month, int day) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_isdst = -1;
    return static_cast<int64_t>(std::mktime(&tm));
}

// A fixed day for the heading labels; only hour and minute are shown.
KvTime LabelTime(int startHour, int minutes) { return kvtime::MakeTime(1997, 6, 1, startHour, minutes, 0); }

}  // namespace

Rect Layout::FacilityBand(int f) const {
    if (Across()) return {10 * cw * f, 0, 10 * cw * (f + 1), GridHeight()};
    return {0, rh * f, GridWidth(), rh * (f + 1)};
}

Rect Layout::SlotBand(int k) const {
    if (Across()) return {0, rh * k, GridWidth(), rh * (k + 1)};
    return {2 * cw * k, 0, 2 * cw * (k + 1), GridHeight()};
}

Rect Layout::Box(int f, int s0, int s1) const {
    if (Across()) return {10 * cw * f, rh * s0, 10 * cw * (f + 1), rh * s1};
    return {2 * cw * s0, rh * f, 2 * cw * s1, rh * (f + 1)};
}

bool SlotOf(KvTime t, int startHour, bool isEnd, int* slot) {
    std::tm tm;
    if (!kvtime::ToLocal(t, &tm)) return false;
    int h = tm.tm_hour;
    if (isEnd && h == 0 && tm.tm_min == 0) h = 24;
    *slot = tm.tm_min / 30 + (h - startHour) * 2;
    return true;
}

DayRange DayOf(KvTime day) {
    std::tm tm;
    if (!kvtime::ToLocal(day, &tm)) return {0, 0};
    int y = tm.tm_year + 1900, m = tm.tm_mon + 1, d = tm.tm_mday;
    DayRange r{LocalMidnight(y, m, d), LocalMidnight(y, m, d + 1)};
    // Where midnight does not exist the library moves it; the day still
    // begins no later than the displayed instant.
    r.begin = std::min<int64_t>(r.begin, day);
    return r;
}

bool ShownOnDay(const CReserve& r, const DayRange& day) {
    if (day.Contains(r.m_timeStart)) return true;
    // Unset times (-1) are never a continuation.
    return r.m_timeStart >= 0 && r.m_timeStart < day.begin && r.m_timeEnd > day.begin;
}

Rect ReserveBox(const Layout& lay, const CReserve& r, int facilityPos, const DayRange& day) {
    int s0 = 0, s1 = 0;
    if (r.m_timeStart < day.begin && r.m_timeStart >= 0) {
        s0 = -2 * lay.startHour;  // 0:00 of the day
    } else if (!SlotOf(r.m_timeStart, lay.startHour, false, &s0)) {
        return {};
    }
    if (r.m_timeEnd > day.end) {
        // Counted on from the day's midnight, then held to the grid: a box
        // never runs upside down and never past the last slot.
        const int64_t half = (static_cast<int64_t>(r.m_timeEnd) - day.begin) / 1800 - 2 * lay.startHour;
        s1 = static_cast<int>(std::min<int64_t>(half, std::max(lay.slotCount, s0)));
    } else if (!SlotOf(r.m_timeEnd, lay.startHour, true, &s1)) {
        // An end without a calendar value gives an empty box rather than a guess.
        s1 = s0;
    }
    return lay.Box(facilityPos, s0, s1);
}

Rect ReserveBox(const Layout& lay, const CReserve& r, int facilityPos) {
    return ReserveBox(lay, r, facilityPos, DayOf(r.m_timeStart));
}

std::vector<int> ReservesOfDay(const ReserveArray& reserves, const DayRange& day) {
    std::vector<int> out;
    for (size_t i = 0; i < reserves.size(); ++i)
        if (ShownOnDay(*reserves[i], day)) out.push_back(static_cast<int>(i));
    return out;
}

Hit HitTest(const Layout& lay, const CKivoDoc& doc, int x, int y) {
    Hit hit;
    const DayRange day = DayOf(doc.m_timeDay);
    const FacilityIndex facilities(doc.m_arFacility);
    for (size_t i = 0; i < doc.m_arReserve.size(); ++i) {
        const CReserve& r = *doc.m_arReserve[i];
        if (!ShownOnDay(r, day)) continue;
        if (ReserveBox(lay, r, facilities.Of(r.m_nFacilityID), day).Contains(x, y)) {
            hit.onBox = true;
            hit.reservePos = static_cast<int>(i);
            return hit;
        }
    }
    // The pick is by whole hours although the grid shows half hours.
    const int cw = std::max(1, lay.cw), rh = std::max(1, lay.rh);
    if (lay.Across()) {
        hit.facilityPos = x / (10 * cw);
        hit.hour = y / (2 * rh) + lay.startHour;
    } else {
        hit.facilityPos = y / rh;
        hit.hour = x / (4 * cw) + lay.startHour;
    }
    return hit;
}

ScrollSizes ScrollSizesOf(const Layout& lay, int wl) {
    ScrollSizes s;
    if (lay.Across()) {
        s.totalW = wl + lay.n * 10 * lay.cw;
        s.totalH = lay.slotCount * lay.rh;
    } else {
        s.totalW = wl + lay.slotCount * 2 * lay.cw;
        s.totalH = (lay.n + 1) * lay.rh;
    }
    s.pageW = 20 * lay.cw;
    s.pageH = 6 * lay.rh;
    s.lineW = 10 * lay.cw;
    s.lineH = lay.rh;
    return s;
}

PageLayout PageLayoutOf(const Layout& lay, int maxFacilityNameLength) {
    PageLayout p;
    p.marginX = 4 * lay.cw;
    p.marginY = -4 * lay.rh;
    p.x0 = lay.Across() ? 8 * lay.cw : maxFacilityNameLength * lay.cw;
    p.gridX = p.x0;
    p.gridY = -lay.rh;
    return p;
}

std::string DayCaption(KvTime day) {
    static const char* const kWeekdays[7] = {"日", "月", "火", "水", "木", "金", "土"};
    std::tm tm;
    if (!kvtime::ToLocal(day, &tm)) return {};
    return kvtime::Format(day, "%y/%m/%d") + "(" + kWeekdays[tm.tm_wday] + ")";
}

std::string HourLabel(int startHour, int index) { return kvtime::Format(LabelTime(startHour, index * 60), "%H"); }

std::string HalfHourLabel(int startHour, int index) {
    return kvtime::Format(LabelTime(startHour, index * 30), "%H:%M");
}

bool ShiftDays(KvTime* day, int days) {
    int64_t t = static_cast<int64_t>(*day) + static_cast<int64_t>(days) * 86400;
    if (t < 0 || t > std::numeric_limits<int32_t>::max()) return false;
    *day = static_cast<KvTime>(t);
    return true;
}

}  // namespace sched
