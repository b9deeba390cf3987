#include "core/doc/reserveentry.h"

#include <ctime>

#include "core/doc/kvtime.h"

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

void EntryFromReserve(const CReserve& r, const FacilityArray& facilities, ReserveEntry* e) {
    e->user = r.m_strUser;
    e->purpose = r.m_strPurpose;
    e->contact = r.m_strContact;
    e->paid = r.m_bPaid != 0;
    e->fee = static_cast<uint32_t>(r.m_nFee);
    e->facility = -1;
    for (size_t i = 0; i < facilities.size(); ++i) {
        if (facilities[i]->m_nID == r.m_nFacilityID) {
            e->facility = static_cast<int>(i);
            break;
        }
    }
    std::tm tm;
    if (kvtime::ToLocal(r.m_timeStart, &tm)) {
        e->year = static_cast<uint32_t>(tm.tm_year + 1900);
        e->month = static_cast<uint32_t>(tm.tm_mon + 1);
        e->day = static_cast<uint32_t>(tm.tm_mday);
        e->startHour = static_cast<uint32_t>(tm.tm_hour);
        e->startMinute = static_cast<uint32_t>(tm.tm_min);
    }
    if (kvtime::ToLocal(r.m_timeEnd, &tm)) {
        // An end at midnight shows as 24:00, so that confirming unchanged keeps
        // it at the end of the start's day rather than at its beginning.
        const bool midnight = tm.tm_hour == 0 && tm.tm_min == 0;
        e->endHour = midnight ? 24u : static_cast<uint32_t>(tm.tm_hour);
        e->endMinute = static_cast<uint32_t>(tm.tm_min);
    }
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
