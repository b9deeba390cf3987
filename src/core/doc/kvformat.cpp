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

// What a save learns of the reservations it writes: whether each one's user
// is a user and whether any time is unset.
class WrittenFacts {
public:
    WrittenFacts(const UserArray& users, StoreFacts* facts, bool few) : users_(users), facts_(facts) {
        if (facts_) *facts_ = {true, true};
        if (facts_ && !few) MakeSet();
    }
    void Prefetch(const CReserve& ahead) const {
        if (known_) known_->Prefetch(ahead.m_strUser);
    }
    void Saw(const CReserve& r) {
        if (!facts_) return;
        facts_->usersComplete = facts_->usersComplete && IsUser(r.m_strUser);
        facts_->timesSet = facts_->timesSet && r.m_timeStart != kTimeUnset && r.m_timeEnd != kTimeUnset;
    }

private:
    void MakeSet() {
        known_.emplace(users_.size());
        for (const auto& u : users_) known_->Insert(u->m_strName);
    }
    // A save that copies nearly every record asks about one or two users:
    // a walk over the users answers those sooner than making the set.
    bool IsUser(const std::string& name) {
        if (name.empty()) return true;
        if (!known_ && ++walks_ > 8) MakeSet();
        if (known_) return known_->Contains(name);
        return std::any_of(users_.begin(), users_.end(), [&](const auto& u) { return u->m_strName == name; });
    }
    const UserArray& users_;
    StoreFacts* facts_;
    std::optional<NameSet> known_;
    size_t walks_ = 0;
};

// r, which stood at place in the last file, went to i.
void NoteSpan(ReserveSpans* spans, size_t i, CReserve* r, uint32_t place, size_t begin, size_t end) {
    if (!spans) return;
    spans->records[i] = r;
    spans->begin[i] = static_cast<uint32_t>(begin);
    spans->end[i] = static_cast<uint32_t>(end);
    if (place != i) r->m_place.Set(static_cast<uint32_t>(i));
}

// Whether r is the record that stood at p in the last file, unchanged since.
bool StoodAt(const ReserveSpans& was, uint32_t p, const CReserve* r) {
    return p < was.records.size() && was.records[p] == r && r->m_place.Get() == p;
}

// The reservations, every one written.
void StoreReserves(CArchive& ar, const ReserveArray& reserves, WrittenFacts& facts, ReserveSpans* spans) {
    const size_t n = reserves.size();
    ar.WriteCount(static_cast<uint32_t>(n));
    constexpr size_t kAhead = 8;  // the users' table is cold after the records went by
    for (size_t i = 0; i < n; ++i) {
        CReserve* r = reserves[i].get();
        if (i + kAhead < n) facts.Prefetch(*reserves[i + kAhead]);
        ar.WriteClassTag(RecordClass::Reserve);
        const size_t at = ar.Position();
        r->Serialize(ar);
        facts.Saw(*r);
        NoteSpan(spans, i, r, r->m_place.Get(), at, ar.Position());
    }
}

// The reservations of a save that knows the last file: records that stood
// there one after another, unchanged, are copied as one piece with the tags
// between them; the others are written anew.
void SpliceReserves(CArchive& ar, const ReserveArray& reserves, WrittenFacts& facts, ReserveSpans* spans,
                    const LastBytes& last) {
    const size_t n = reserves.size();
    const ReserveSpans& was = last.spans;
    const char* old = last.bytes.data();
    // With nothing freed since the spans were noted, a record at the address
    // they name is the one they name (changed ones were taken out of them).
    const bool sameAddresses = was.freed == CReserve::FreedHere();
    ar.WriteCount(static_cast<uint32_t>(n));
    for (size_t i = 0; i < n;) {
        CReserve* r = reserves[i].get();
        ar.WriteClassTag(RecordClass::Reserve);
        const size_t at = ar.Position();
        const uint32_t p = r->m_place.Get();
        if (!StoodAt(was, p, r)) {
            r->Serialize(ar);
            facts.Saw(*r);
            NoteSpan(spans, i, r, p, at, ar.Position());
            ++i;
            continue;
        }
        // The run: each record that followed in the last file, behind the
        // tag this save writes, is copied with r.
        NoteSpan(spans, i, r, p, at, at + was.end[p] - was.begin[p]);
        size_t k = 1;
        constexpr size_t kAhead = 8;  // the records are cold
        for (; i + k < n; ++k) {
            if (!sameAddresses && i + k + kAhead < n) __builtin_prefetch(&reserves[i + k + kAhead]->m_place);
            CReserve* next = reserves[i + k].get();
            const uint32_t q = static_cast<uint32_t>(p + k);
            if (sameAddresses ? q >= was.records.size() || was.records[q] != next : !StoodAt(was, q, next)) break;
            if (!ar.IsClassRef(old + was.end[q - 1], was.begin[q] - was.end[q - 1], RecordClass::Reserve)) break;
            NoteSpan(spans, i + k, next, q, at + was.begin[q] - was.begin[p], at + was.end[q] - was.begin[p]);
        }
        ar.WriteBytes(old + was.begin[p], was.end[p + k - 1] - was.begin[p]);
        ar.CountCopiedRecords(static_cast<uint32_t>(k - 1));
        i += k;
    }
}

// Reads a collection: begin(count) first, then each record into the one
// slot(i) gives; noted(record, i, count, start, end, irregular) hears of it.
template <class T, class Begin, class Slot, class Noted>
void ReadCollection(CArchive& ar, RecordClass cls, Begin begin, Slot slot, Noted noted) {
    const uint32_t count = ar.ReadCount();
    // Every record takes at least a tag and a version word: a count beyond
    // that is damage, and must not become an allocation.
    if (count > ar.Remaining() / 4) throw CArchiveException("count larger than the data");
    begin(count);
    for (uint32_t i = 0; i < count; ++i) {
        if (ar.ReadClassTag() != cls) throw CArchiveException("record of the wrong class");
        T& record = slot(i);
        const size_t start = ar.Position();
        const int irregular = ar.Irregular();
        record.Serialize(ar);
        noted(record, i, count, start, ar.Position(), ar.Irregular() != irregular);
    }
}

// Fills the collection from the archive, refilling the records it holds.
template <class T, class Noted>
void LoadCollection(CArchive& ar, std::vector<std::unique_ptr<T>>* items, RecordClass cls, Noted noted) {
    auto begin = [items](uint32_t count) {
        if (items->size() > count) items->resize(count);
        // Room for the bookings to come: the first would otherwise move them all.
        items->reserve(count + count / 32 + 16);
    };
    auto slot = [items](uint32_t i) -> T& {
        if (i == items->size()) items->push_back(std::make_unique<T>());
        else if (!(*items)[i]) (*items)[i] = std::make_unique<T>();
        return *(*items)[i];
    };
    ReadCollection<T>(ar, cls, begin, slot, noted);
}

// The oldest files end after their reservations. With facilities the last
// one's version tells; without, only whether bytes follow.
bool HasUserSection(const CArchive& ar, bool withFacilities) {
    return withFacilities ? ar.LoadVersion() > 100 : ar.Remaining() > 0;
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
    if (spans) {
        spans->records.resize(reserves.size());
        spans->begin.resize(reserves.size());
        spans->end.resize(reserves.size());
    }
    WrittenFacts written(users, facts, last != nullptr);
    if (spans) spans->freed = CReserve::FreedHere();
    if (last) SpliceReserves(ar, reserves, written, spans, *last);
    else if (facts || spans) StoreReserves(ar, reserves, written, spans);
    else StoreCollection(ar, reserves, RecordClass::Reserve);
    // Past 4 GiB the spans cannot say where; no record is then found in them.
    if (spans && ar.Position() > UINT32_MAX) spans->records.clear();
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
        if (spans) spans->freed = CReserve::FreedHere();
        if (HasUserSection(ar, !out->facilities.empty())) LoadCollection(ar, &out->users, RecordClass::User);
        else out->users.clear();
    } catch (...) {
        clear();
        throw;
    }
}

void ScanRegister(const unsigned char* data, size_t size, const std::function<void(size_t, const CReserve&)>& each) {
    if (size == 0) return;
    CArchive ar(data, size);
    FacilityArray facilities;
    LoadCollection(ar, &facilities, RecordClass::Facility);
    CReserve reserve;
    ReadCollection<CReserve>(
        ar, RecordClass::Reserve, [](uint32_t) {}, [&reserve](uint32_t) -> CReserve& { return reserve; },
        [&each](const CReserve& r, uint32_t i, uint32_t, size_t, size_t, bool) { each(i, r); });
    if (!HasUserSection(ar, !facilities.empty())) return;
    CKivoUser user;
    ReadCollection<CKivoUser>(
        ar, RecordClass::User, [](uint32_t) {}, [&user](uint32_t) -> CKivoUser& { return user; },
        [](const CKivoUser&, uint32_t, uint32_t, size_t, size_t, bool) {});
}

void OutlineRegister(const unsigned char* data, size_t size, RegisterOutline* out,
                     const std::function<void(const CReserve&)>& each) {
    *out = RegisterOutline{};
    if (size == 0) return;
    CArchive ar(data, size);
    LoadCollection(ar, &out->facilities, RecordClass::Facility);
    CReserve reserve;
    size_t lastEnd = 0;
    auto noted = [&](const CReserve& r, uint32_t i, uint32_t, size_t start, size_t end, bool irregular) {
        if (irregular) out->copyable = false;
        if (i == 0) {
            out->recordsBegin = start;
        } else if (start - lastEnd != 2) {
            out->copyable = false;
        } else {
            const uint16_t tag = static_cast<uint16_t>(data[lastEnd] | (data[lastEnd + 1] << 8));
            if (i == 1) out->laterTag = tag;
            else if (tag != out->laterTag) out->copyable = false;
        }
        lastEnd = end;
        each(r);
    };
    ReadCollection<CReserve>(
        ar, RecordClass::Reserve, [out](uint32_t count) { out->reserveCount = count; },
        [&reserve](uint32_t) -> CReserve& { return reserve; }, noted);
    out->recordsEnd = lastEnd;
    if (HasUserSection(ar, !out->facilities.empty())) LoadCollection(ar, &out->users, RecordClass::User);
}

bool StoreAppended(const unsigned char* data, const RegisterOutline& outline, CReserve& added, std::string* out) {
    if (!outline.copyable) return false;
    out->clear();
    out->reserve(outline.recordsEnd - outline.recordsBegin + 64 * outline.users.size() + 65536);
    AdviseHugePages(out->data(), out->capacity());
    CArchive ar(out);
    StoreCollection(ar, outline.facilities, RecordClass::Facility);
    ar.WriteCount(outline.reserveCount + 1);
    if (outline.reserveCount > 0) {
        ar.WriteClassTag(RecordClass::Reserve);
        const char later[2] = {static_cast<char>(outline.laterTag & 0xFF), static_cast<char>(outline.laterTag >> 8)};
        if (outline.reserveCount > 1 && !ar.IsClassRef(later, 2, RecordClass::Reserve)) return false;
        ar.WriteBytes(reinterpret_cast<const char*>(data) + outline.recordsBegin,
                      outline.recordsEnd - outline.recordsBegin);
        ar.CountCopiedRecords(outline.reserveCount - 1);
    }
    ar.WriteClassTag(RecordClass::Reserve);
    added.Serialize(ar);
    StoreCollection(ar, outline.users, RecordClass::User);
    ar.Finish();
    return true;
}
