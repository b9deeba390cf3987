#include "core/doc/kvformat.h"

#include <algorithm>
#include <optional>

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
// learn by a pass of its own over them, and where each one went.
void StoreReserves(CArchive& ar, const ReserveArray& reserves, const UserArray& users, StoreFacts* facts,
                   ReserveSpans* spans, const LastBytes* last) {
    if (!facts && !spans && !last) return StoreCollection(ar, reserves, RecordClass::Reserve);
    const size_t n = reserves.size();
    // A save that copies nearly every record asks about one or two users:
    // a walk over the users answers those sooner than making the set.
    std::optional<NameSet> known;
    size_t walks = 0;
    auto makeKnown = [&] {
        known.emplace(users.size());
        for (const auto& u : users) known->Insert(u->m_strName);
    };
    auto isUser = [&](const std::string& name) {
        if (name.empty()) return true;
        if (!known && ++walks > 8) makeKnown();
        if (known) return known->Contains(name);
        return std::any_of(users.begin(), users.end(), [&](const auto& u) { return u->m_strName == name; });
    };
    if (facts && !last) makeKnown();
    bool complete = true, timesSet = true;
    if (spans) {
        spans->records.resize(n);
        spans->begin.resize(n);
        spans->end.resize(n);
    }
    const size_t lastCount = last ? last->spans.records.size() : 0;
    ar.WriteCount(static_cast<uint32_t>(n));
    constexpr size_t kAhead = 8;  // the table's slots and the records are cold
    for (size_t i = 0; i < n; ++i) {
        CReserve* r = reserves[i].get();
        if (i + kAhead < n) {
            const CReserve* ahead = reserves[i + kAhead].get();
            if (last) __builtin_prefetch(&ahead->m_place);
            else if (known) known->Prefetch(ahead->m_strUser);
        }
        ar.WriteClassTag(RecordClass::Reserve);
        const size_t at = ar.Position();
        const uint32_t p = r->m_place.Get();
        if (p < lastCount && last->spans.records[p] == r) {
            ar.WriteBytes(last->bytes.data() + last->spans.begin[p], last->spans.end[p] - last->spans.begin[p]);
        } else {
            r->Serialize(ar);
            if (facts) {
                complete = complete && isUser(r->m_strUser);
                timesSet = timesSet && r->m_timeStart != kTimeUnset && r->m_timeEnd != kTimeUnset;
            }
        }
        if (spans) {
            spans->records[i] = r;
            spans->begin[i] = static_cast<uint32_t>(at);
            spans->end[i] = static_cast<uint32_t>(ar.Position());
            if (p != i) r->m_place.Set(static_cast<uint32_t>(i));
        }
    }
    // Past 4 GiB the spans cannot say where; no record is then found in them.
    if (spans && ar.Position() > UINT32_MAX) spans->records.clear();
    if (facts) {
        facts->usersComplete = complete;
        facts->timesSet = timesSet;
    }
}

// Fills the collection from the archive, refilling the records it holds;
// noted(record, i, count, start, end, irregular) hears of each one read.
template <class T, class Noted>
void LoadCollection(CArchive& ar, std::vector<std::unique_ptr<T>>* items, RecordClass cls, Noted noted) {
    const uint32_t count = ar.ReadCount();
    // Every record takes at least a tag and a version word: a count beyond
    // that is damage, and must not become an allocation.
    if (count > ar.Remaining() / 4) throw CArchiveException("count larger than the data");
    if (items->size() > count) items->resize(count);
    // Room for the bookings to come: the first would otherwise move them all.
    items->reserve(count + count / 32 + 16);
    for (uint32_t i = 0; i < count; ++i) {
        if (ar.ReadClassTag() != cls) throw CArchiveException("record of the wrong class");
        if (i == items->size()) items->push_back(std::make_unique<T>());
        else if (!(*items)[i]) (*items)[i] = std::make_unique<T>();
        const size_t start = ar.Position();
        const int irregular = ar.Irregular();
        (*items)[i]->Serialize(ar);
        noted(*(*items)[i], i, count, start, ar.Position(), ar.Irregular() != irregular);
    }
}

template <class T>
void LoadCollection(CArchive& ar, std::vector<std::unique_ptr<T>>* items, RecordClass cls) {
    LoadCollection(ar, items, cls, [](const T&, uint32_t, uint32_t, size_t, size_t, bool) {});
}

}  // namespace

void StoreRegister(const FacilityArray& facilities, const ReserveArray& reserves, const UserArray& users,
                   std::string* out, StoreFacts* facts) {
    StoreRegister(facilities, reserves, users, out, facts, nullptr, nullptr);
}

void StoreRegister(const FacilityArray& facilities, const ReserveArray& reserves, const UserArray& users,
                   std::string* out, StoreFacts* facts, ReserveSpans* spans, const LastBytes* last) {
    // A buffer of the last save is about the right size already; so is the
    // last file's size, give or take a booking.
    if (out->size() < 64) {
        const size_t estimate = last ? last->bytes.size() + 65536
                                     : 64 + facilities.size() * 48 + reserves.size() * 64 + users.size() * 64;
        out->reserve(estimate);
        AdviseHugePages(out->data(), out->capacity());
        out->resize(estimate);
    }
    CArchive ar(out);
    StoreCollection(ar, facilities, RecordClass::Facility);
    StoreReserves(ar, reserves, users, facts, spans, last);
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

void LoadRegister(const unsigned char* data, size_t size, RegisterData* out, ReserveSpans* spans, StoreFacts* facts) {
    auto clear = [out, spans] {
        out->facilities.clear();
        out->reserves.clear();
        out->users.clear();
        if (spans) *spans = {};
    };
    // Whether users are missing is not learned here: a set of the names made
    // during the parse cost a fresh process more than the document's pass.
    if (facts) *facts = {false, true};
    if (size == 0) return clear();
    if (spans) {
        spans->records.clear();
        spans->begin.clear();
        spans->end.clear();
        // Past 4 GiB the spans cannot say where: every record is written anew.
        if (size > UINT32_MAX) spans = nullptr;
    }
    auto noted = [&](CReserve& r, uint32_t i, uint32_t count, size_t start, size_t end, bool irregular) {
        if (facts) facts->timesSet = facts->timesSet && r.m_timeStart != kTimeUnset && r.m_timeEnd != kTimeUnset;
        if (!spans) return r.m_place.Forget();
        if (i == 0) {
            // Grown step by step, each step would be fresh memory to fault in.
            spans->records.reserve(count);
            spans->begin.reserve(count);
            spans->end.reserve(count);
        }
        // A record read from a form a save would not write is written anew.
        if (irregular) r.m_place.Forget();
        else r.m_place.Set(i);
        spans->records.push_back(irregular ? nullptr : &r);
        spans->begin.push_back(static_cast<uint32_t>(start));
        spans->end.push_back(static_cast<uint32_t>(end));
    };
    try {
        CArchive ar(data, size);
        LoadCollection(ar, &out->facilities, RecordClass::Facility);
        LoadCollection(ar, &out->reserves, RecordClass::Reserve, noted);
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
