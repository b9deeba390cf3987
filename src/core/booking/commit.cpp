#include "core/booking/commit.h"

#include <memory>

#include "core/booking/facilityindex.h"

namespace booking {

Outcome Commit(CKivoDoc& doc, const Request& request, IKivoView* sender, ViewHint hint) {
    Outcome out;
    // The booking's own part of a change: checked against reserves, then added.
    auto book = [&](CKivoDoc& d, const ReserveArray& reserves) {
        if (request.sortKey) d.SortReserves(*request.sortKey);
        ReserveEntry e = request.entry;
        if (request.facilityId >= 0) e.facility = FacilityIndexOf(d.m_arFacility, request.facilityId);
        int pos = -1;
        if (request.edited) {
            pos = d.FindReserve(request.editedPos, *request.edited);
            if (pos < 0) {
                out.vanished = true;
                return false;
            }
        }
        out.check = CheckAfterReload(e, reserves, d.m_arFacility, request.edited, request.dupForbidden);
        if (out.check != CheckResult::Ok) return false;
        if (pos < 0) {
            pos = static_cast<int>(d.m_arReserve.size());
            d.m_arReserve.push_back(std::make_unique<CReserve>());
        }
        CReserve& r = *d.m_arReserve[static_cast<size_t>(pos)];
        ApplyEntry(e, d.m_arFacility, &r);
        out.stored = r;
        if (request.sortKey) d.SortReserves(*request.sortKey);
        return true;
    };
    auto whole = [&](CKivoDoc& d) { return book(d, d.m_arReserve); };
    if (request.edited || request.sortKey || request.facilityId < 0) {
        out.tx = doc.Transact(whole, sender, hint);
        return out;
    }
    // A new booking goes after the others: the only one of them the check
    // needs is one that blocks it.
    ReserveArray blocking;
    const KvTime start = EntryStart(request.entry), end = EntryEnd(request.entry);
    const CKivoDoc::Appending appending{
        [&](const CReserve& r) {
            if (blocking.empty() && Blocks(r, request.facilityId, start, end))
                blocking.push_back(std::make_unique<CReserve>(r));
        },
        [&](CKivoDoc& d) { return book(d, blocking); }};
    out.tx = doc.Transact(whole, sender, hint, &appending);
    return out;
}

}  // namespace booking
