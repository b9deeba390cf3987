#include "core/doc/reserveentry.h"

#include <ctime>

#include "core/booking/facilityindex.h"
#include "core/doc/kvtime.h"
#include "core/doc/messages.h"
#include "core/doc/text.h"

ReserveEntry ReserveEntry::ForRepair() {
    ReserveEntry e;
    e.startHour = e.startMinute = e.endHour = e.endMinute = 0;
    return e;
}

namespace {
// Out-of-range parts only reach mktime after the checks; clamp so that an
// unchecked entry (the repair dialog's Esc) can never overflow an int.
int Part(uint32_t v) { return v > 100000 ? 100000 : static_cast<int>(v); }
}  // namespace

KvTime EntryStart(const ReserveEntry& e) {
    return kvtime::MakeTime(Part(e.year), Part(e.month), Part(e.day), Part(e.startHour), Part(e.startMinute), 0);
}

KvTime EntryEnd(const ReserveEntry& e) {
    return kvtime::MakeTime(Part(e.year), Part(e.month), Part(e.day), Part(e.endHour), Part(e.endMinute), 0);
}

bool FacilitySelected(const ReserveEntry& e, const FacilityArray& facilities) {
    return e.facility >= 0 && static_cast<size_t>(e.facility) < facilities.size();
}

bool EntryFromReserve(const CReserve& r, const FacilityArray& facilities, ReserveEntry* e) {
    e->user = r.m_strUser;
    e->purpose = r.m_strPurpose;
    e->contact = r.m_strContact;
    e->paid = r.m_bPaid != 0;
    e->fee = static_cast<uint32_t>(r.m_nFee);
    e->facility = FacilityIndexOf(facilities, r.m_nFacilityID);
    std::tm start;
    const bool haveStart = kvtime::ToLocal(r.m_timeStart, &start);
    if (haveStart) {
        e->year = static_cast<uint32_t>(start.tm_year + 1900);
        e->month = static_cast<uint32_t>(start.tm_mon + 1);
        e->day = static_cast<uint32_t>(start.tm_mday);
        e->startHour = static_cast<uint32_t>(start.tm_hour);
        e->startMinute = static_cast<uint32_t>(start.tm_min);
    }
    std::tm end;
    if (!kvtime::ToLocal(r.m_timeEnd, &end)) return true;
    e->endHour = static_cast<uint32_t>(end.tm_hour);
    e->endMinute = static_cast<uint32_t>(end.tm_min);
    if (!haveStart) return true;
    auto sameDay = [](const std::tm& a, const std::tm& b) {
        return a.tm_year == b.tm_year && a.tm_mon == b.tm_mon && a.tm_mday == b.tm_mday;
    };
    if (sameDay(start, end)) return true;
    // The day after the start, by the calendar: confirming unchanged then
    // rolls hour + 24 back onto the same instant.
    std::tm next;
    const KvTime nextDay = kvtime::MakeTime(start.tm_year + 1900, start.tm_mon + 1, start.tm_mday + 1, 0, 0, 0);
    if (kvtime::ToLocal(nextDay, &next) && sameDay(next, end)) {
        e->endHour += 24;
        return true;
    }
    return false;
}

std::string EndNotShownMessage(const CReserve& r) {
    return text::Fill(msg::kEndNotShown, kvtime::Format(r.m_timeEnd, "%Y/%m/%d %H:%M"));
}

void ApplyEntry(const ReserveEntry& e, const FacilityArray& facilities, CReserve* r) {
    r->m_strUser = e.user;
    r->m_strPurpose = e.purpose;
    r->m_strContact = e.contact;
    r->m_bPaid = e.paid ? 1 : 0;
    r->m_nFee = static_cast<int>(e.fee & 0xFFFF);
    // Only the repair dialog's unchecked Esc can arrive without a facility;
    // the record then keeps the one it had.
    if (FacilitySelected(e, facilities)) r->m_nFacilityID = facilities[static_cast<size_t>(e.facility)]->m_nID;
    r->m_timeStart = EntryStart(e);
    r->m_timeEnd = EntryEnd(e);
}
