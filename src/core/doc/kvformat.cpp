#include "core/doc/kvformat.h"

#include "core/doc/archive.h"

namespace {

template <class T>
void StoreCollection(CArchive& ar, const std::vector<std::unique_ptr<T>>& items, RecordClass cls) {
    ar.WriteCount(static_cast<uint32_t>(items.size()));
    for (const auto& item : items) {
        ar.WriteClassTag(cls);
        item->Serialize(ar);
    }
}

template <class T>
void LoadCollection(CArchive& ar, std::vector<std::unique_ptr<T>>* items, RecordClass cls) {
    const uint32_t count = ar.ReadCount();
    // Every record takes at least a tag and a version word: a count beyond
    // that is damage, and must not become an allocation.
    if (count > ar.Remaining() / 4) throw CArchiveException("count larger than the data");
    items->reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        if (ar.ReadClassTag() != cls) throw CArchiveException("record of the wrong class");
        auto rec = std::make_unique<T>();
        rec->Serialize(ar);
        items->push_back(std::move(rec));
    }
}

}  // namespace

std::string StoreRegister(const FacilityArray& facilities, const ReserveArray& reserves, const UserArray& users) {
    std::string bytes;
    bytes.reserve(64 + facilities.size() * 48 + reserves.size() * 64 + users.size() * 64);
    CArchive ar(&bytes);
    StoreCollection(ar, facilities, RecordClass::Facility);
    StoreCollection(ar, reserves, RecordClass::Reserve);
    StoreCollection(ar, users, RecordClass::User);
    g_nLoadVersion = RECORD_VERSION;
    return bytes;
}

void LoadRegister(const unsigned char* data, size_t size, RegisterData* out) {
    out->facilities.clear();
    out->reserves.clear();
    out->users.clear();
    if (size == 0) return;
    try {
        CArchive ar(data, size);
        LoadCollection(ar, &out->facilities, RecordClass::Facility);
        LoadCollection(ar, &out->reserves, RecordClass::Reserve);
        // The oldest files end after their reservations. With facilities the
        // last one's version tells; without, only whether bytes follow.
        const bool hasUsers = out->facilities.empty() ? ar.Remaining() > 0 : g_nLoadVersion > 100;
        if (hasUsers) {
            LoadCollection(ar, &out->users, RecordClass::User);
            g_nLoadVersion = RECORD_VERSION;
        }
    } catch (...) {
        out->facilities.clear();
        out->reserves.clear();
        out->users.clear();
        throw;
    }
}
