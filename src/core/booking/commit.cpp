#include "core/booking/commit.h"

#include <memory>

#include "core/booking/facilityindex.h"

namespace booking {

Outcome Commit(CKivoDoc& doc, const Request& request, IKivoView* sender, ViewHint hint) {
    Outcome out;
    out.tx = doc.Transact(
        [&](CKivoDoc& d) {
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
            out.check = CheckAfterReload(e, d.m_arReserve, d.m_arFacility, request.edited, request.dupForbidden);
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
        },
        sender, hint);
    return out;
}

}  // namespace booking
