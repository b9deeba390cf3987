#include "core/booking/append.h"

#include <deque>
#include <new>

#include "core/booking/facilityindex.h"
#include "core/doc/archive.h"
#include "core/doc/fileio.h"
#include "core/doc/kvformat.h"
#include "core/doc/nameset.h"
#include "core/lists/export.h"

namespace booking {

namespace {

// The reservations' users in the order they first appear, for the users a
// re-read adds; the set is made while each name is still in the cache.
class ReserveUsers {
public:
    void Saw(const std::string& name) {
        if (name.empty() || seen_.Contains(name)) return;
        names_.push_back(name);
        seen_.Insert(names_.back());
    }
    // Adds a user for each name that is none, as the document's pass does.
    void AddMissing(UserArray* users) const {
        NameSet known(users->size() + 16);
        for (const auto& u : *users) known.Insert(u->m_strName);
        for (const std::string& name : names_)
            if (!known.Contains(name)) users->push_back(MissingUser(name));
    }

private:
    NameSet seen_{1024};
    std::deque<std::string> names_;  // where the set's names live
};

}  // namespace

AppendResult AppendToBytes(const std::string& bytes, const Request& request, std::string* out, Appended* done) {
    if (request.edited || request.sortKey || request.facilityId < 0) return AppendResult::Whole;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    RegisterOutline outline;
    ReserveEntry e = request.entry;
    int facilityId = -1;  // none selected
    KvTime start = 0, end = 0;
    bool looked = false, refused = false, timesSet = true;
    // The facilities are read by the time the first reservation is, if any.
    auto lookUpFacility = [&] {
        if (looked) return;
        looked = true;
        e.facility = FacilityIndexOf(outline.facilities, request.facilityId);
        if (FacilitySelected(e, outline.facilities))
            facilityId = outline.facilities[static_cast<size_t>(e.facility)]->m_nID;
        start = EntryStart(e), end = EntryEnd(e);
    };
    ReserveUsers users;
    try {
        OutlineRegister(data, bytes.size(), &outline, [&](const CReserve& r) {
            lookUpFacility();
            refused = refused || (request.dupForbidden && Blocks(r, facilityId, start, end));
            timesSet = timesSet && r.m_timeStart != kTimeUnset && r.m_timeEnd != kTimeUnset;
            users.Saw(r.m_strUser);
        });
    } catch (const CArchiveException&) {
        return AppendResult::Whole;
    }
    if (!timesSet) return AppendResult::Whole;
    lookUpFacility();
    done->check = facilityId < 0 ? CheckResult::NoFacility : refused ? CheckResult::Overlap : CheckResult::Ok;
    if (done->check != CheckResult::Ok) return AppendResult::Refused;
    users.AddMissing(&outline.users);
    ApplyEntry(e, outline.facilities, &done->stored);
    if (!StoreAppended(data, outline, done->stored, out)) return AppendResult::Whole;
    done->facilityName = FacilityNames(outline.facilities).Of(done->stored.m_nFacilityID);
    return AppendResult::Appended;
}

AppendResult AppendToFile(const std::string& path, const Request& request, Appended* done) {
    try {
        fileio::ExclusiveLock lock;
        bool exists = false;
        std::string bytes, out;
        if (!lock.Acquire(path, &exists).ok() || !exists || !lock.ReadAll(&bytes).ok()) return AppendResult::Whole;
        const AppendResult r = AppendToBytes(bytes, request, &out, done);
        if (r != AppendResult::Appended) return r;
        return lock.Write(out).ok() ? r : AppendResult::Whole;
    } catch (const std::bad_alloc&) {
        return AppendResult::Whole;
    }
}

}  // namespace booking
