// Any byte sequence given to the register reader: it refuses or reads, never
// crashes, reads out of bounds or allocates without bound; and what it reads
// writes back to bytes that read again to the same records. The reader that
// keeps no records refuses the same bytes and sees the same reservations, and
// a save copying the records from the bytes read gives what a whole save does,
// and a booking added without building the records is what the document saves.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/booking/append.h"
#include "core/booking/facilityindex.h"
#include "core/doc/archive.h"
#include "core/doc/kvformat.h"

namespace {

bool Same(const RegisterData& a, const RegisterData& b) {
    if (a.facilities.size() != b.facilities.size() || a.reserves.size() != b.reserves.size() ||
        a.users.size() != b.users.size())
        return false;
    for (size_t i = 0; i < a.facilities.size(); ++i) {
        const CKivo &x = *a.facilities[i], &y = *b.facilities[i];
        if (x.m_nID != y.m_nID || x.m_strName != y.m_strName || x.m_nMaxPeople != y.m_nMaxPeople ||
            x.m_strComment != y.m_strComment)
            return false;
    }
    for (size_t i = 0; i < a.reserves.size(); ++i)
        if (!a.reserves[i]->IsEqual(*b.reserves[i])) return false;
    for (size_t i = 0; i < a.users.size(); ++i)
        if (!a.users[i]->IsEqual(*b.users[i])) return false;
    return true;
}

// A booking added without the document is refused as the checks refuse it;
// when added, the file is what the document would save: its users added, the
// booking last.
void CheckAppended(const std::string& input, RegisterData loaded) {
    booking::Request req;
    req.entry.user = "F";
    req.entry.year = 2000, req.entry.month = 4, req.entry.day = 2, req.entry.startHour = 10, req.entry.endHour = 11;
    req.facilityId = loaded.facilities.empty() ? 1 : loaded.facilities.back()->m_nID;
    std::string appended;
    booking::Appended done;
    const booking::AppendResult r = booking::AppendToBytes(input, req, &appended, &done);
    if (r == booking::AppendResult::Whole) return;
    ReserveEntry e = req.entry;
    e.facility = FacilityIndexOf(loaded.facilities, req.facilityId);
    if (CheckAfterReload(e, loaded.reserves, loaded.facilities, nullptr, true) != done.check) std::abort();
    if ((done.check == CheckResult::Ok) != (r == booking::AppendResult::Appended)) std::abort();
    for (const auto& x : loaded.reserves)
        if (x->m_timeStart == kTimeUnset || x->m_timeEnd == kTimeUnset) std::abort();
    if (r == booking::AppendResult::Refused) return;
    CKivoDoc doc;
    doc.m_arFacility = std::move(loaded.facilities);
    doc.m_arReserve = std::move(loaded.reserves);
    doc.m_arUser = std::move(loaded.users);
    doc.AddMissingUsers();
    doc.m_arReserve.push_back(std::make_unique<CReserve>());
    ApplyEntry(e, doc.m_arFacility, doc.m_arReserve.back().get());
    if (!doc.m_arReserve.back()->IsEqual(done.stored)) std::abort();
    if (StoreRegister(doc.m_arFacility, doc.m_arReserve, doc.m_arUser) != appended) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RegisterData first;
    ReserveSpans spans;
    StoreFacts facts;
    std::vector<CReserve> scanned;
    bool scanRefused = false;
    try {
        ScanRegister(data, size, [&scanned](size_t, const CReserve& r) { scanned.push_back(r); });
    } catch (const CArchiveException&) {
        scanRefused = true;
    }
    try {
        LoadRegister(data, size, &first, &spans, &facts);
    } catch (const CArchiveException&) {
        if (!first.facilities.empty() || !first.reserves.empty() || !first.users.empty()) std::abort();
        if (!scanRefused) std::abort();
        return 0;
    }
    if (scanRefused || scanned.size() != first.reserves.size()) std::abort();
    bool timesSet = true;
    for (size_t i = 0; i < scanned.size(); ++i) {
        if (!scanned[i].IsEqual(*first.reserves[i])) std::abort();
        timesSet = timesSet && scanned[i].m_timeStart != kTimeUnset && scanned[i].m_timeEnd != kTimeUnset;
    }
    if (facts.timesSet != timesSet) std::abort();
    // An old file without a user section writes back with one; both read whole.
    const std::string bytes = StoreRegister(first.facilities, first.reserves, first.users);
    const std::string input(reinterpret_cast<const char*>(data), size);
    const LastBytes last{input, spans};
    std::string copied;
    StoreRegister(first.facilities, first.reserves, first.users, &copied, nullptr, nullptr, &last);
    if (copied != bytes) std::abort();
    RegisterData second;
    LoadRegister(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), &second);
    if (!Same(first, second)) std::abort();
    if (StoreRegister(second.facilities, second.reserves, second.users) != bytes) std::abort();
    CheckAppended(input, std::move(second));
    return 0;
}
