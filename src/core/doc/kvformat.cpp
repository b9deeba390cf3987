#include "core/doc/kvformat.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "core/doc/archive.h"
#include "core/doc/nameset.h"

namespace {

template <class T>
void StoreCollection(CArchive& ar, const std::vector<RecordPtr<T>>& items, RecordClass cls) {
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
        if (facts_) facts_->usersComplete = facts_->timesSet = true;
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

// Whether the users of two registers' bytes are byte for byte the same records.
bool SameRecords(const std::string& a, const ReserveSpans& as, const std::string& b, const ReserveSpans& bs) {
    if (as.userBegin.size() != bs.userBegin.size()) return false;
    for (size_t i = 0; i < as.userBegin.size(); ++i) {
        const std::string_view x(a.data() + as.userBegin[i], as.userEnd[i] - as.userBegin[i]);
        if (x != std::string_view(b.data() + bs.userBegin[i], bs.userEnd[i] - bs.userBegin[i])) return false;
    }
    return true;
}

// r went to i, between begin and end of the bytes stored.
void NoteSpan(ReserveSpans* spans, size_t i, CReserve* r, size_t begin, size_t end) {
    if (!spans) return;
    spans->begin[i] = static_cast<uint32_t>(begin);
    spans->end[i] = static_cast<uint32_t>(end);
    if (r->m_place.Get() != i) r->m_place.Set(static_cast<uint32_t>(i));
}

// Whether r's record at p in the last file is exactly what a save writes for r now.
bool Unchanged(const ReserveSpans& was, const char* old, uint32_t p, const CReserve& r) {
    return p < was.begin.size() && r.StoresAs(old + was.begin[p], was.end[p] - was.begin[p]);
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
        NoteSpan(spans, i, r, at, ar.Position());
    }
}

// The reservations of a save that knows the last file: records that stood
// there one after another with exactly the bytes this save would write are
// copied as one piece with the tags between them; the others are written.
size_t SpliceReserves(CArchive& ar, const ReserveArray& reserves, WrittenFacts& facts, ReserveSpans* spans,
                      const LastBytes& last) {
    const size_t n = reserves.size();
    const ReserveSpans& was = last.spans;
    const char* old = last.bytes.data();
    size_t copied = 0;
    ar.WriteCount(static_cast<uint32_t>(n));
    for (size_t i = 0; i < n;) {
        CReserve* r = reserves[i].get();
        ar.WriteClassTag(RecordClass::Reserve);
        const size_t at = ar.Position();
        const uint32_t p = r->m_place.Get();
        if (!Unchanged(was, old, p, *r)) {
            r->Serialize(ar);
            facts.Saw(*r);
            NoteSpan(spans, i, r, at, ar.Position());
            ++i;
            continue;
        }
        // The run: each record that followed in the last file, behind the
        // tag this save writes, is copied with r.
        NoteSpan(spans, i, r, at, at + was.end[p] - was.begin[p]);
        size_t k = 1;
        constexpr size_t kAhead = 4;  // the records are cold
        for (; i + k < n; ++k) {
            if (i + k + kAhead < n) __builtin_prefetch(reserves[i + k + kAhead].get());
            CReserve* next = reserves[i + k].get();
            const uint32_t q = static_cast<uint32_t>(p + k);
            if (next->m_place.Get() != q || !Unchanged(was, old, q, *next)) break;
            if (!ar.IsClassRef(old + was.end[q - 1], was.begin[q] - was.end[q - 1], RecordClass::Reserve)) break;
            NoteSpan(spans, i + k, next, at + was.begin[q] - was.begin[p], at + was.end[q] - was.begin[p]);
        }
        ar.WriteBytes(old + was.begin[p], was.end[p + k - 1] - was.begin[p]);
        ar.CountCopiedRecords(static_cast<uint32_t>(k - 1));
        copied += k;
        i += k;
    }
    return copied;
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
void LoadCollection(CArchive& ar, std::vector<RecordPtr<T>>* items, RecordClass cls, Noted noted) {
    size_t total = 0;
    auto begin = [items, &total](uint32_t count) {
        total = count;
        if (items->size() > count) items->resize(count);
        // Room for the bookings to come: the first would otherwise move them all.
        items->reserve(count + count / 32 + 16);
    };
    RecordMaker<T> maker;
    auto slot = [items, &total, &maker](uint32_t i) -> T& {
        if (i == items->size()) items->push_back(maker.Make(total - i));
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
void LoadCollection(CArchive& ar, std::vector<RecordPtr<T>>* items, RecordClass cls) {
    LoadCollection(ar, items, cls, [](const T&, uint32_t, uint32_t, size_t, size_t, bool) {});
}

}  // namespace

void StoreRegister(const FacilityArray& facilities, const ReserveArray& reserves, const UserArray& users,
                   std::string* out, StoreFacts* facts) {
    StoreRegister(facilities, reserves, users, out, facts, nullptr, nullptr);
}

void StoreRegister(const FacilityArray& facilities, const ReserveArray& reserves, const UserArray& users,
                   std::string* out, StoreFacts* facts, ReserveSpans* spans, const LastBytes* last, CopyFacts* copy) {
    // A buffer of the last save is about the right size already; so is the
    // last file's size, give or take a booking.
    if (out->size() < 64) {
        const size_t estimate = last ? last->bytes.size() + 65536
                                     : 64 + facilities.size() * 48 + reserves.size() * 64 + users.size() * 64;
        out->resize(estimate);
    }
    CArchive ar(out);
    StoreCollection(ar, facilities, RecordClass::Facility);
    if (spans) {
        spans->begin.resize(reserves.size());
        spans->end.resize(reserves.size());
    }
    WrittenFacts written(users, facts, last != nullptr);
    size_t copied = 0;
    if (last) copied = SpliceReserves(ar, reserves, written, spans, *last);
    else if (facts || spans) StoreReserves(ar, reserves, written, spans);
    else StoreCollection(ar, reserves, RecordClass::Reserve);
    if (spans) {
        spans->userBegin.clear();
        spans->userEnd.clear();
        spans->userBegin.reserve(users.size());
        spans->userEnd.reserve(users.size());
    }
    ar.WriteCount(static_cast<uint32_t>(users.size()));
    for (const auto& u : users) {
        ar.WriteClassTag(RecordClass::User);
        const size_t at = ar.Position();
        u->Serialize(ar);
        if (!spans) continue;
        spans->userBegin.push_back(static_cast<uint32_t>(at));
        spans->userEnd.push_back(static_cast<uint32_t>(ar.Position()));
    }
    // Past 4 GiB the spans cannot say where; no record is then found in them.
    if (spans && ar.Position() > UINT32_MAX) *spans = {};
    ar.Finish();
    if (copy) {
        copy->copied = copied;
        copy->usersAsBefore = last && spans && SameRecords(*out, *spans, last->bytes, last->spans);
    }
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
    if (facts) facts->usersComplete = false, facts->timesSet = true;
    if (size == 0) return clear();
    if (spans) {
        spans->begin.clear();
        spans->end.clear();
        spans->userBegin.clear();
        spans->userEnd.clear();
        // Past 4 GiB the spans cannot say where: every record is written anew.
        if (size > UINT32_MAX) spans = nullptr;
    }
    auto noted = [&](CReserve& r, uint32_t i, uint32_t count, size_t start, size_t end, bool irregular) {
        if (facts) facts->timesSet = facts->timesSet && r.m_timeStart != kTimeUnset && r.m_timeEnd != kTimeUnset;
        if (!spans) return r.m_place.Forget();
        if (i == 0) {
            // Grown step by step, each step would be fresh memory to fault in.
            spans->begin.reserve(count);
            spans->end.reserve(count);
        }
        // A record read from a form a save would not write is written anew.
        if (irregular) r.m_place.Forget();
        else r.m_place.Set(i);
        spans->begin.push_back(static_cast<uint32_t>(start));
        spans->end.push_back(static_cast<uint32_t>(end));
    };
    try {
        CArchive ar(data, size);
        LoadCollection(ar, &out->facilities, RecordClass::Facility);
        LoadCollection(ar, &out->reserves, RecordClass::Reserve, noted);
        auto userNoted = [spans](const CKivoUser&, uint32_t, uint32_t, size_t start, size_t end, bool) {
            if (!spans) return;
            spans->userBegin.push_back(static_cast<uint32_t>(start));
            spans->userEnd.push_back(static_cast<uint32_t>(end));
        };
        if (HasUserSection(ar, !out->facilities.empty()))
            LoadCollection(ar, &out->users, RecordClass::User, userNoted);
        else out->users.clear();
    } catch (...) {
        clear();
        throw;
    }
}

void ScanRegister(const unsigned char* data, size_t size, const std::function<void(size_t, const CReserve&)>& each,
                  FacilityArray* kept, UserArray* users) {
    FacilityArray own;
    FacilityArray& facilities = kept ? *kept : own;
    facilities.clear();
    if (users) users->clear();
    if (size == 0) return;
    CArchive ar(data, size);
    LoadCollection(ar, &facilities, RecordClass::Facility);
    CReserve reserve;
    ReadCollection<CReserve>(
        ar, RecordClass::Reserve, [](uint32_t) {}, [&reserve](uint32_t) -> CReserve& { return reserve; },
        [&each](const CReserve& r, uint32_t i, uint32_t, size_t, size_t, bool) { each(i, r); });
    if (!HasUserSection(ar, !facilities.empty())) return;
    if (users) return LoadCollection(ar, users, RecordClass::User);
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
    LoadCollection(ar, &out->data.facilities, RecordClass::Facility);
    CReserve reserve;
    size_t lastEnd = 0;
    auto noted = [&](const CReserve& r, uint32_t i, uint32_t, size_t start, size_t end, bool irregular) {
        out->timesSet = out->timesSet && r.m_timeStart != kTimeUnset && r.m_timeEnd != kTimeUnset;
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
    if (HasUserSection(ar, !out->data.facilities.empty())) LoadCollection(ar, &out->data.users, RecordClass::User);
}

bool StoreAround(const RegisterOutline& outline, const RegisterData& data, std::string* out, size_t* split) {
    if (!outline.copyable) return false;
    const size_t added = data.reserves.size();
    if (outline.reserveCount > UINT32_MAX - added) return false;
    CArchive ar(out);
    StoreCollection(ar, data.facilities, RecordClass::Facility);
    ar.WriteCount(static_cast<uint32_t>(outline.reserveCount + added));
    size_t i = 0;
    if (outline.reserveCount > 0) {
        ar.WriteClassTag(RecordClass::Reserve);
        const char later[2] = {static_cast<char>(outline.laterTag & 0xFF), static_cast<char>(outline.laterTag >> 8)};
        if (outline.reserveCount > 1 && !ar.IsClassRef(later, 2, RecordClass::Reserve)) return false;
        *split = ar.Position();
        ar.CountCopiedRecords(outline.reserveCount - 1);
    } else {
        *split = ar.Position();
    }
    for (; i < added; ++i) {
        ar.WriteClassTag(RecordClass::Reserve);
        data.reserves[i]->Serialize(ar);
    }
    StoreCollection(ar, data.users, RecordClass::User);
    ar.Finish();
    return true;
}
