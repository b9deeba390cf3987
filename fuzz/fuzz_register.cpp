// Any byte sequence given to the register reader: it refuses or reads, never
// crashes, reads out of bounds or allocates without bound; and what it reads
// writes back to bytes that read again to the same records. The reader that
// keeps no records refuses the same bytes and sees the same reservations, and
// a save copying the records from the bytes read gives what a whole save does,
// also after records were changed in place without a word; a booking saved
// around the records, without building them, gives what a whole save does.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

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

// Records changed in place after the read, as any command may change them:
// a save that copies from the bytes read still writes what memory holds.
void CheckEdited(const std::string& input, const ReserveSpans& spans, RegisterData& d) {
    for (size_t i = 0; i < d.reserves.size(); i += 3) d.reserves[i]->m_bPaid ^= 1;
    for (size_t i = 1; i < d.reserves.size(); i += 5) d.reserves[i]->m_strPurpose += "x";
    const LastBytes last{input, spans};
    std::string copied;
    StoreRegister(d.facilities, d.reserves, d.users, &copied, nullptr, nullptr, &last);
    if (copied != StoreRegister(d.facilities, d.reserves, d.users)) std::abort();
}

void CheckAround(const uint8_t* data, size_t size, RegisterData& whole) {
    RegisterOutline o;
    OutlineRegister(data, size, &o, [](const CReserve&) {});
    RegisterData added{std::move(o.data.facilities), {}, std::move(o.data.users)};
    added.reserves.push_back(std::make_unique<CReserve>());
    added.reserves.back()->m_strUser = "F";
    added.reserves.back()->m_timeStart = 1, added.reserves.back()->m_timeEnd = 2;
    o.data.facilities.clear();
    std::string around;
    size_t split = 0;
    if (!StoreAround(o, added, &around, &split)) return;
    const std::string saved = around.substr(0, split) +
                              std::string(reinterpret_cast<const char*>(data) + o.recordsBegin,
                                          o.recordsEnd - o.recordsBegin) +
                              around.substr(split);
    whole.reserves.push_back(std::make_unique<CReserve>(*added.reserves.back()));
    const bool same = saved == StoreRegister(whole.facilities, whole.reserves, whole.users);
    whole.reserves.pop_back();
    if (!same) std::abort();
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
    CheckAround(data, size, first);
    CheckEdited(input, spans, first);
    return 0;
}
