#include "core/doc/kvformat.h"

#include "core/doc/archive.h"
#include "core/doc/hugepages.h"
#include "core/doc/nameset.h"

namespace {

template <class T>
void StoreCollection(CArchive& ar, const std::vector<std::unique_ptr<T>>& items, RecordClass cls) {
    ar.WriteCount(static_cast<uint32_t>(items.size()));
    for (const auto& item : items) {
        ar.WriteClassTag(cls);
        item->Serialize(ar);
    }
}

// The reservations, noting on the way what the document would otherwise
// learn by a pass of its own over them.
void StoreReserves(CArchive& ar, const ReserveArray& reserves, const UserArray& users, StoreFacts* facts) {
    if (!facts) return StoreCollection(ar, reserves, RecordClass::Reserve);
    NameSet known(users.size());
    for (const auto& u : users) known.Insert(u->m_strName);
    bool complete = true, timesSet = true;
    ar.WriteCount(static_cast<uint32_t>(reserves.size()));
    constexpr size_t kAhead = 8;  // the table's slots are cold after the records went by
    for (size_t i = 0; i < reserves.size(); ++i) {
        CReserve* r = reserves[i].get();
        if (i + kAhead < reserves.size()) known.Prefetch(reserves[i + kAhead]->m_strUser);
        ar.WriteClassTag(RecordClass::Reserve);
        r->Serialize(ar);
        complete = complete && (r->m_strUser.empty() || known.Contains(r->m_strUser));
        timesSet = timesSet && r->m_timeStart != kTimeUnset && r->m_timeEnd != kTimeUnset;
    }
    facts->usersComplete = complete;
    facts->timesSet = timesSet;
}

// Fills the collection from the archive, refilling the records it holds.
template <class T>
void LoadCollection(CArchive& ar, std::vector<std::unique_ptr<T>>* items, RecordClass cls) {
    const uint32_t count = ar.ReadCount();
    // Every record takes at least a tag and a version word: a count beyond
    // that is damage, and must not become an allocation.
    if (count > ar.Remaining() / 4) throw CArchiveException("count larger than the data");
    if (items->size() > count) items->resize(count);
    items->reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        if (ar.ReadClassTag() != cls) throw CArchiveException("record of the wrong class");
        if (i == items->size()) items->push_back(std::make_unique<T>());
        else if (!(*items)[i]) (*items)[i] = std::make_unique<T>();
        (*items)[i]->Serialize(ar);
    }
}

}  // namespace

void StoreRegister(const FacilityArray& facilities, const ReserveArray& reserves, const UserArray& users,
                   std::string* out, StoreFacts* facts) {
    // A buffer of the last save is about the right size already.
    if (out->size() < 64) {
        const size_t estimate = 64 + facilities.size() * 48 + reserves.size() * 64 + users.size() * 64;
        out->reserve(estimate);
        AdviseHugePages(out->data(), out->capacity());
        out->resize(estimate);
    }
    CArchive ar(out);
    StoreCollection(ar, facilities, RecordClass::Facility);
    StoreReserves(ar, reserves, users, facts);
    StoreCollection(ar, users, RecordClass::User);
    ar.Finish();
}

void StoreRegister(const RegisterData& data, std::string* out, StoreFacts* facts) {
    StoreRegister(data.facilities, data.reserves, data.users, out, facts);
}

std::string StoreRegister(const FacilityArray& facilities, const ReserveArray& reserves, const UserArray& users) {
    std::string bytes;
    StoreRegister(facilities, reserves, users, &bytes);
    return bytes;
}

void LoadRegister(const unsigned char* data, size_t size, RegisterData* out) {
    auto clear = [out] {
        out->facilities.clear();
        out->reserves.clear();
        out->users.clear();
    };
    if (size == 0) return clear();
    try {
        CArchive ar(data, size);
        LoadCollection(ar, &out->facilities, RecordClass::Facility);
        LoadCollection(ar, &out->reserves, RecordClass::Reserve);
        // The oldest files end after their reservations. With facilities the
        // last one's version tells; without, only whether bytes follow.
        const bool hasUsers = out->facilities.empty() ? ar.Remaining() > 0 : ar.LoadVersion() > 100;
        if (hasUsers) LoadCollection(ar, &out->users, RecordClass::User);
        else out->users.clear();
    } catch (...) {
        clear();
        throw;
    }
}
