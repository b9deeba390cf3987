#include "core/booking/rules.h"

#include "core/doc/kvtime.h"
#include "core/doc/messages.h"

const char* CheckMessage(CheckResult r) {
    switch (r) {
        case CheckResult::Ok: return "";
        case CheckResult::BadDate: return msg::kBadDate;
        case CheckResult::BadStart: return msg::kBadStart;
        case CheckResult::BadEnd: return msg::kBadEnd;
        case CheckResult::NoFacility: return msg::kSelectFacility;
        case CheckResult::Overlap: return msg::kOverlap;
    }
    return "";
}

bool ParseUnsigned(const std::string& s, uint32_t* out) {
    size_t i = 0, n = s.size();
    while (i < n && (s[i] == ' ' || s[i] == '\t')) ++i;
    while (n > i && (s[n - 1] == ' ' || s[n - 1] == '\t')) --n;
    if (i == n) return false;
    uint64_t v = 0;
    for (; i < n; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + static_cast<uint64_t>(s[i] - '0');
        if (v > 0xFFFFFFFFull) return false;
    }
    *out = static_cast<uint32_t>(v);
    return true;
}

CheckResult CheckDateTimes(const ReserveEntry& e) {
    if (!kvtime::IsValidDate(e.year, e.month, e.day)) return CheckResult::BadDate;
    if (e.startHour > 24 || e.startMinute > 60) return CheckResult::BadStart;
    if (e.endHour > 24 || e.endMinute > 60) return CheckResult::BadEnd;
    // A booking that ends before it starts would block unrelated bookings
    // through the overlap rule; an end equal to the start harms nothing.
    if (EntryEnd(e) < EntryStart(e)) return CheckResult::BadEnd;
    return CheckResult::Ok;
}

bool Blocks(const CReserve& r, int facilityId, KvTime S, KvTime E) {
    if (r.m_nFacilityID != facilityId) return false;
    const KvTime s = r.m_timeStart, en = r.m_timeEnd;
    // A booking without valid times occupies no slot; taken literally the
    // last condition would let an unset end block every later start.
    if (s == kTimeUnset || en == kTimeUnset) return false;
    return (s < S && S < en) || (s < E && E < en) || (s == S && en == E) || (s >= S && E >= en);
}

CheckResult CheckOverlap(const ReserveEntry& e, const ReserveArray& reserves, const FacilityArray& facilities,
                         const CReserve* edited) {
    if (!FacilitySelected(e, facilities)) return CheckResult::NoFacility;
    const int facilityId = facilities[static_cast<size_t>(e.facility)]->m_nID;
    const KvTime S = EntryStart(e);
    const KvTime E = EntryEnd(e);
    for (const auto& rp : reserves) {
        const CReserve& r = *rp;
        if (edited && r.IsEqual(*edited)) continue;
        if (Blocks(r, facilityId, S, E)) return CheckResult::Overlap;
    }
    return CheckResult::Ok;
}

bool MovesBooking(const ReserveEntry& e, const FacilityArray& facilities, const CReserve& edited) {
    if (!FacilitySelected(e, facilities)) return true;
    return EntryStart(e) != edited.m_timeStart || EntryEnd(e) != edited.m_timeEnd ||
           facilities[static_cast<size_t>(e.facility)]->m_nID != edited.m_nFacilityID;
}

CheckResult CheckAfterReload(const ReserveEntry& e, const ReserveArray& reserves, const FacilityArray& facilities,
                             const CReserve* edited, bool dupForbidden) {
    if (!FacilitySelected(e, facilities)) return CheckResult::NoFacility;
    if (!dupForbidden) return CheckResult::Ok;
    if (edited && !MovesBooking(e, facilities, *edited)) return CheckResult::Ok;
    return CheckOverlap(e, reserves, facilities, edited);
}
