#include "core/store/pg/pgstore.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "core/store/file/fileio.h"
#include "core/store/pg/pgsql.h"

namespace store::pg {

namespace {

// Fields stored in 16 bits keep their low half, as in a file.
int Low16(int v) { return static_cast<int>(static_cast<uint32_t>(v) & 0xFFFF); }

// The record at i of a collection, made when there is none: records held
// are filled again rather than freed and made anew; new ones come in blocks
// from maker, total of them wanted in all.
template <class T>
T& Slot(std::vector<RecordPtr<T>>& items, size_t i, RecordMaker<T>& maker, size_t total) {
    if (i == items.size()) items.push_back(maker.Make(total - i));
    else if (!items[i]) items[i] = maker.Make(total - i);
    return *items[i];
}

template <class T, class Same>
void Refill(std::vector<RecordPtr<T>>& items, const std::vector<Same>& from) {
    if (items.size() > from.size()) items.resize(from.size());
    items.reserve(from.size() + from.size() / 32 + 16);
    RecordMaker<T> maker;
    for (size_t i = 0; i < from.size(); ++i) Slot(items, i, maker, from.size()) = from[i];
}

bool SameFacility(const CKivo& a, const CKivo& b) {
    return Low16(a.m_nID) == b.m_nID && a.m_strName == b.m_strName && Low16(a.m_nMaxPeople) == b.m_nMaxPeople &&
           a.m_strComment == b.m_strComment;
}

// A reservation as the server holds it: what a read of it gives back.
CReserve Stored(const CReserve& r) {
    CReserve s = r;
    s.m_nFacilityID = Low16(r.m_nFacilityID);
    s.m_bPaid = Low16(r.m_bPaid);
    s.m_nSpare = Low16(r.m_nSpare);
    s.m_nFee = Low16(r.m_nFee);
    return s;
}

// Whether the server's row holds what a write of r would store.
bool StoredAs(const CReserve& r, const CReserve& row) {
    return r.m_timeStart == row.m_timeStart && r.m_timeEnd == row.m_timeEnd &&
           Low16(r.m_nFacilityID) == row.m_nFacilityID && Low16(r.m_bPaid) == row.m_bPaid &&
           Low16(r.m_nSpare) == row.m_nSpare && Low16(r.m_nFee) == row.m_nFee && r.m_strUser == row.m_strUser &&
           r.m_strPurpose == row.m_strPurpose && r.m_strContact == row.m_strContact;
}

CKivo StoredFacility(const CKivo& f) {
    CKivo s = f;
    s.m_nID = Low16(f.m_nID);
    s.m_nMaxPeople = Low16(f.m_nMaxPeople);
    return s;
}

Params& ReserveParams(Params& p, int64_t id, int64_t pos, int64_t change, const CReserve& r) {
    return p.Int(id).Int(pos).Int(change).Bytes(r.m_strUser).Bytes(r.m_strPurpose).Bytes(r.m_strContact)
        .Int(r.m_timeStart).Int(r.m_timeEnd).Int(Low16(r.m_nFacilityID)).Int(Low16(r.m_bPaid))
        .Int(Low16(r.m_nSpare)).Int(Low16(r.m_nFee));
}

// The wait for another desk's change is a file lock's wait.
std::string BeginChange() {
    char text[128];
    std::snprintf(text, sizeof text, sql::kBeginChange, static_cast<long long>(std::max(1, fileio::LockWaitMs())));
    return text;
}

std::string Numbered(const char* pattern, int64_t id) {
    char text[512];
    std::snprintf(text, sizeof text, pattern, static_cast<long long>(id), static_cast<long long>(id));
    return text;
}

}  // namespace

// The register row's lock, held by an open SQL transaction until it goes.
class PgStore::Transaction : public ITransaction {
public:
    explicit Transaction(PgStore& store) : store_(store) {}
    ~Transaction() override {
        if (open_) store_.End(false);
    }

    Status Acquire() {
        Status st = store_.Start(BeginChange().c_str());
        if (!st.ok()) return st;
        open_ = true;
        return store_.ReadHead(sql::kLockRegister, &head_);
    }

    Reading ReReadIfChanged(RegisterData* data, bool inSync, StoreFacts* facts, Status* status) override {
        if (store_.known_ == head_.change && inSync) return Reading::Unchanged;
        *status = store_.CatchUp(head_);
        if (!status->ok()) return Reading::Failed;
        try {
            store_.Fill(data, facts);
        } catch (const std::bad_alloc&) {
            // Half filled is no register: the document empties itself, as after a parse.
            store_.Forget();
            *status = {Cause::NoMemory};
            return Reading::Failed;
        }
        return Reading::Read;
    }

    Status Write(const RegisterData& data, StoreFacts* facts, size_t* copied, bool* usersAsBefore) override {
        // A change is made on the register as it was read under this lock.
        if (store_.known_ != head_.change) return {Cause::Generic};
        Status st = store_.WriteChange(head_, data, facts, copied, usersAsBefore);
        open_ = false;
        return st;
    }

private:
    PgStore& store_;
    Head head_;
    bool open_ = false;
};

Status PgStore::Start(const char* begin) {
    if (where_.Register().empty()) return {Cause::BadPath};
    for (int attempt = 0;; ++attempt) {
        Status st = conn_.Open();
        if (st.ok()) st = conn_.Command(begin);
        // A connection that went while idle is made again; nothing was sent yet.
        if (st.cause != Cause::ConnectionLost || attempt > 0) return st;
        conn_.Close();
    }
}

void PgStore::End(bool commit) {
    if (!conn_.Lost()) conn_.Command(commit ? sql::kCommit : sql::kRollback);
}

Status PgStore::Commit() {
    Result done(PQexec(conn_.Raw(), sql::kCommit));
    if (done && PQresultStatus(done.get()) == PGRES_COMMAND_OK && std::string(PQcmdStatus(done.get())) == "COMMIT")
        return {};
    Status st = conn_.StatusOf(done.get());
    if (st.ok()) st.cause = Cause::Generic;
    // Sent but not answered: the change may stand; it is never made again.
    if (st.cause == Cause::ConnectionLost) st.unknown = true;
    Forget();
    return st;
}

Status PgStore::ReadHead(const char* sqlText, Head* head) {
    Status st;
    Result r = conn_.Exec(sqlText, Params().Text(where_.Register()), &st);
    if (!st.ok()) return st;
    if (PQntuples(r.get()) != 1) return {Cause::FileNotFound};
    *head = {Int64(r.get(), 0, 0), Int64(r.get(), 0, 1), Int64(r.get(), 0, 2), Int64(r.get(), 0, 3),
             Int64(r.get(), 0, 4), Int64(r.get(), 0, 5), Bool(r.get(), 0, 6)};
    return st;
}

namespace {

// Every row one statement gives for the register numbered id, each made by fill.
template <class T, class Fill>
Status ReadRows(Connection& conn, const char* sqlText, int64_t id, std::vector<T>* out, Fill fill) {
    Status st;
    Result r = conn.Exec(sqlText, Params().Int(id), &st);
    if (!st.ok()) return st;
    const int n = PQntuples(r.get());
    out->resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) fill(r.get(), i, &(*out)[static_cast<size_t>(i)]);
    return st;
}

}  // namespace

Status PgStore::ReadFacilities(int64_t id) {
    return ReadRows(conn_, sql::kFacilities, id, &facilities_, [](PGresult* r, int i, CKivo* f) {
        f->m_nID = Int32(r, i, 0);
        Bytes(r, i, 1, &f->m_strName);
        f->m_nMaxPeople = Int32(r, i, 2);
        Bytes(r, i, 3, &f->m_strComment);
    });
}

Status PgStore::ReadUsers(int64_t id) {
    return ReadRows(conn_, sql::kUsers, id, &users_, [](PGresult* r, int i, CKivoUser* u) {
        for (int f = 0; f < 7; ++f) Bytes(r, i, f, u->Field(f));
    });
}

Status PgStore::ReadReservations(const char* sqlText, const Params& p, std::vector<Row>* rows) {
    Status st;
    Result r = conn_.Exec(sqlText, p, &st);
    if (!st.ok()) return st;
    const int n = PQntuples(r.get());
    rows->resize(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        Row& row = (*rows)[static_cast<size_t>(i)];
        const PGresult* res = r.get();
        row.pos = Int64(res, i, 0);
        Bytes(res, i, 1, &row.r.m_strUser);
        Bytes(res, i, 2, &row.r.m_strPurpose);
        Bytes(res, i, 3, &row.r.m_strContact);
        row.r.m_timeStart = Int32(res, i, 4);
        row.r.m_timeEnd = Int32(res, i, 5);
        row.r.m_nFacilityID = Int32(res, i, 6);
        row.r.m_bPaid = Int32(res, i, 7);
        row.r.m_nSpare = Int32(res, i, 8);
        row.r.m_nFee = Int32(res, i, 9);
    }
    return st;
}

Status PgStore::CatchUp(const Head& head) {
    if (known_ == head.change) return {};
    Status st;
    try {
        const bool whole = known_ < 0 || head.whole > known_;
        if (whole || head.facilities > known_) st = ReadFacilities(head.id);
        if (st.ok() && (whole || head.users > known_)) st = ReadUsers(head.id);
        if (st.ok() && whole) st = ReadReservations(sql::kReservations, Params().Int(head.id), &rows_);
        if (st.ok() && !whole) {
            // Only the rows written since: merged by position with the rows
            // held, less the ones removed since.
            std::vector<Row> changed;
            st = ReadReservations(sql::kReservationsSince, Params().Int(head.id).Int(known_), &changed);
            Result gone;
            if (st.ok()) gone = conn_.Exec(sql::kGoneSince, Params().Int(head.id).Int(known_), &st);
            if (st.ok()) {
                std::vector<Row> merged;
                merged.reserve(rows_.size() + changed.size());
                const int nGone = PQntuples(gone.get());
                int g = 0;
                size_t i = 0, j = 0;
                while (i < rows_.size() || j < changed.size()) {
                    const bool takeNew = j < changed.size() && (i == rows_.size() || changed[j].pos <= rows_[i].pos);
                    if (takeNew) {
                        if (i < rows_.size() && rows_[i].pos == changed[j].pos) ++i;
                        merged.push_back(std::move(changed[j++]));
                        continue;
                    }
                    while (g < nGone && Int64(gone.get(), g, 0) < rows_[i].pos) ++g;
                    if (g >= nGone || Int64(gone.get(), g, 0) != rows_[i].pos) merged.push_back(std::move(rows_[i]));
                    ++i;
                }
                rows_.swap(merged);
            }
        }
    } catch (const std::bad_alloc&) {
        st = {Cause::NoMemory};
    }
    if (!st.ok()) {
        Forget();
        return st;
    }
    known_ = head.change;
    head_ = head;
    return st;
}

void PgStore::Fill(RegisterData* data, StoreFacts* facts) const {
    Refill(data->facilities, facilities_);
    Refill(data->users, users_);
    ReserveArray& reserves = data->reserves;
    if (reserves.size() > rows_.size()) reserves.resize(rows_.size());
    reserves.reserve(rows_.size() + rows_.size() / 32 + 16);
    bool timesSet = true;
    RecordMaker<CReserve> maker;
    for (size_t i = 0; i < rows_.size(); ++i) {
        const CReserve& row = rows_[i].r;
        CReserve& r = Slot(reserves, i, maker, rows_.size());
        r = row;
        // The record's place pairs it with its row for the next change.
        r.m_place.Set(static_cast<uint32_t>(i));
        timesSet = timesSet && row.m_timeStart != kTimeUnset && row.m_timeEnd != kTimeUnset;
    }
    if (facts) facts->usersComplete = false, facts->timesSet = timesSet;
}

Status PgStore::Read(RegisterData* data, StoreFacts* facts) {
    Status st = Start(sql::kBeginRead);
    if (!st.ok()) return st;
    Head head;
    st = ReadHead(sql::kRegister, &head);
    if (st.ok()) st = CatchUp(head);
    End(st.ok());
    if (!st.ok()) return st;
    try {
        Fill(data, facts);
    } catch (const std::bad_alloc&) {
        data->facilities.clear();
        data->reserves.clear();
        data->users.clear();
        return {Cause::NoMemory};
    }
    return st;
}

Status PgStore::Scan(const std::function<void(size_t, const CReserve&)>& each, FacilityArray* facilities,
                     UserArray* users) {
    Status st = Start(sql::kBeginRead);
    if (!st.ok()) return st;
    Head head;
    st = ReadHead(sql::kRegister, &head);
    if (st.ok()) st = CatchUp(head);
    End(st.ok());
    if (!st.ok()) return st;
    if (facilities) Refill(*facilities, facilities_);
    for (size_t i = 0; i < rows_.size(); ++i) each(i, rows_[i].r);
    if (users) Refill(*users, users_);
    return st;
}

Reading PgStore::ReadIfChanged(RegisterData* data, RegisterData* replaced, StoreFacts* facts) {
    // One number says whether anything changed; most checks end here.
    Status st = conn_.Open();
    Result now;
    if (st.ok()) now = conn_.Exec(sql::kChangeNo, Params().Text(where_.Register()), &st);
    if (!st.ok() || PQntuples(now.get()) != 1) return Reading::Failed;
    if (known_ >= 0 && Int64(now.get(), 0, 0) == known_) return Reading::Unchanged;
    st = Start(sql::kBeginRead);
    if (!st.ok()) return Reading::Failed;
    Head head;
    st = ReadHead(sql::kRegister, &head);
    if (st.ok()) st = CatchUp(head);
    End(st.ok());
    if (!st.ok()) return Reading::Failed;
    // The records are filled again in place: a refresh that made 100,000 new
    // ones would cost more than reading the rows that changed. None is
    // replaced, so none goes to *replaced.
    (void)replaced;
    try {
        Fill(data, facts);
    } catch (const std::bad_alloc&) {
        Forget();
        return Reading::Failed;
    }
    return Reading::Read;
}

std::unique_ptr<ITransaction> PgStore::Begin(Status* status) {
    auto tx = std::make_unique<Transaction>(*this);
    *status = tx->Acquire();
    if (!status->ok()) return nullptr;
    return tx;
}

Status PgStore::WriteChange(const Head& head, const RegisterData& data, StoreFacts* facts, size_t* copied,
                            bool* usersAsBefore) {
    const int64_t change = head.change + 1;
    const int64_t id = head.id;
    int64_t nextPos = head.nextPos;
    Status st;
    // Facilities are few: a change to any writes them all.
    bool facilitiesChanged = data.facilities.size() != facilities_.size();
    for (size_t i = 0; !facilitiesChanged && i < facilities_.size(); ++i)
        facilitiesChanged = !SameFacility(*data.facilities[i], facilities_[i]);
    if (facilitiesChanged) {
        conn_.Exec(sql::kDeleteFacilities, Params().Int(id), &st);
        for (size_t i = 0; st.ok() && i < data.facilities.size(); ++i) {
            const CKivo& f = *data.facilities[i];
            conn_.Exec(sql::kInsertFacility,
                       Params().Int(id).Int(static_cast<int64_t>(i)).Int(Low16(f.m_nID)).Bytes(f.m_strName)
                           .Int(Low16(f.m_nMaxPeople)).Bytes(f.m_strComment),
                       &st);
        }
    }
    // Users by position: the ones that differ, the ones added, the ones cut off.
    bool usersChanged = data.users.size() != users_.size();
    for (size_t i = 0; st.ok() && i < data.users.size(); ++i) {
        const CKivoUser& u = *data.users[i];
        if (i < users_.size() && u.IsEqual(users_[i])) continue;
        usersChanged = true;
        Params p;
        p.Int(id).Int(static_cast<int64_t>(i));
        for (int f = 0; f < 7; ++f) p.Bytes(*u.Field(f));
        conn_.Exec(i < users_.size() ? sql::kUpdateUser : sql::kInsertUser, p, &st);
    }
    if (st.ok() && data.users.size() < users_.size())
        conn_.Exec(sql::kDeleteUsersFrom, Params().Int(id).Int(static_cast<int64_t>(data.users.size())), &st);

    // Reservations: each record pairs with the row it was read from or
    // written as; one copied by assignment lost its place and takes the
    // unclaimed row at its own position. Only pairs that differ are written.
    const size_t n = data.reserves.size(), m = rows_.size();
    pairOf_.assign(n, -1);
    claimed_.assign(m, 0);
    touched_.clear();
    // One pass over the records: each is looked at once, beside its row.
    for (size_t i = 0; i < n; ++i) {
        const CReserve& r = *data.reserves[i];
        const uint32_t p = r.m_place.Get();
        if (p >= m || claimed_[p]) continue;
        claimed_[p] = 1;
        pairOf_[i] = p;
        if (!StoredAs(r, rows_[p].r)) touched_.push_back(i);
    }
    for (size_t i = 0; i < n; ++i) {
        if (pairOf_[i] >= 0) continue;
        if (i < m && !claimed_[i]) {
            claimed_[i] = 1;
            pairOf_[i] = static_cast<int64_t>(i);
            data.reserves[i]->m_place.Set(static_cast<uint32_t>(i));
            if (StoredAs(*data.reserves[i], rows_[i].r)) continue;
        }
        touched_.push_back(i);
    }
    std::sort(touched_.begin(), touched_.end());
    StoreFacts written;
    written.usersComplete = written.timesSet = true;
    std::vector<int64_t> newPos(touched_.size(), -1);
    for (size_t t = 0; st.ok() && t < touched_.size(); ++t) {
        const size_t i = touched_[t];
        const CReserve& r = *data.reserves[i];
        const int64_t p = pairOf_[i];
        const int64_t pos = p >= 0 ? rows_[static_cast<size_t>(p)].pos : (newPos[t] = nextPos++);
        Params params;
        conn_.Exec(p >= 0 ? sql::kUpdateReservation : sql::kInsertReservation, ReserveParams(params, id, pos, change, r),
                   &st);
        written.timesSet = written.timesSet && r.m_timeStart != kTimeUnset && r.m_timeEnd != kTimeUnset;
        if (written.usersComplete && !r.m_strUser.empty())
            written.usersComplete = std::any_of(data.users.begin(), data.users.end(),
                                                [&r](const auto& u) { return u->m_strName == r.m_strUser; });
    }
    bool anyGone = false;
    for (size_t k = 0; st.ok() && k < m; ++k) {
        if (claimed_[k]) continue;
        anyGone = true;
        conn_.Exec(sql::kDeleteReservation, Params().Int(id).Int(rows_[k].pos), &st);
        if (st.ok()) conn_.Exec(sql::kNoteGone, Params().Int(id).Int(rows_[k].pos).Int(change), &st);
    }
    if (st.ok())
        conn_.Exec(sql::kBump,
                   Params().Int(id).Int(change).Int(facilitiesChanged ? change : head.facilities)
                       .Int(usersChanged ? change : head.users).Int(nextPos),
                   &st);
    if (!st.ok()) {
        End(false);
        return st;
    }
    if (!(st = Commit()).ok()) return st;

    // What the server now holds becomes the last state, by position.
    try {
        if (facilitiesChanged) {
            facilities_.clear();
            for (const auto& f : data.facilities) facilities_.push_back(StoredFacility(*f));
        }
        if (usersChanged) {
            users_.clear();
            for (const auto& u : data.users) users_.push_back(*u);
        }
        // Rows keep their places; new ones come last, as their positions do.
        for (size_t t = 0; t < touched_.size(); ++t) {
            CReserve& r = *data.reserves[touched_[t]];
            const int64_t p = pairOf_[touched_[t]];
            if (p >= 0) {
                rows_[static_cast<size_t>(p)].r = Stored(r);
                r.m_place.Set(static_cast<uint32_t>(p));
            } else {
                r.m_place.Set(static_cast<uint32_t>(rows_.size()));
                rows_.push_back({newPos[t], Stored(r)});
                claimed_.push_back(1);
            }
        }
        if (anyGone) {
            // The rows removed close up: every place after them moves.
            std::vector<uint32_t> moved(rows_.size());
            size_t kept = 0;
            for (size_t k = 0; k < rows_.size(); ++k) {
                moved[k] = static_cast<uint32_t>(kept);
                if (claimed_[k]) rows_[kept++] = std::move(rows_[k]);
            }
            rows_.resize(kept);
            for (const auto& r : data.reserves) r->m_place.Set(moved[r->m_place.Get()]);
        }
    } catch (const std::bad_alloc&) {
        Forget();
        return st;
    }
    known_ = change;
    head_ = head;
    head_.change = change;
    head_.nextPos = nextPos;
    if (facts) *facts = written;
    if (copied) *copied = n - touched_.size();
    if (usersAsBefore) *usersAsBefore = !usersChanged;
    return st;
}

Status PgStore::Create(const RegisterData& data, bool replace, int forbid, bool* existed) {
    if (where_.Register().empty()) return {Cause::BadPath};
    Status st = conn_.Open();
    if (!st.ok()) return st;
    // The schema, made once by whichever desk comes first.
    Result has = conn_.Exec(sql::kHasSchema, Params(), &st);
    if (st.ok() && !Bool(has.get(), 0, 0)) {
        st = conn_.Command(BeginChange().c_str());
        if (st.ok()) conn_.Exec(sql::kSchemaLock, Params(), &st);
        if (st.ok()) has = conn_.Exec(sql::kHasSchema, Params(), &st);
        if (st.ok() && !Bool(has.get(), 0, 0)) st = conn_.Command(sql::kCreateSchema);
        if (st.ok()) st = conn_.Command(sql::kCommit);
        else End(false);
    }
    if (!st.ok()) return st;
    st = Start(BeginChange().c_str());
    if (!st.ok()) return st;
    Head head;
    st = ReadHead(sql::kLockRegister, &head);
    const bool exists = st.ok();
    if (existed) *existed = exists;
    if (exists && !replace) {
        End(false);
        return {Cause::Generic};
    }
    if (st.cause == Cause::FileNotFound) {
        Result r = conn_.Exec(sql::kNewRegister, Params().Text(where_.Register()), &st);
        if (st.ok()) head.id = Int64(r.get(), 0, 0);
    }
    const bool forbids = forbid < 0 ? (exists && head.forbidOverlaps) : forbid > 0;
    if (st.ok() && exists) conn_.Exec(sql::kEmptyRegister, Params().Int(head.id), &st);
    if (st.ok() && exists && forbid >= 0) st = conn_.Command(Numbered(sql::kAllowOverlaps, head.id).c_str());
    const size_t n = data.reserves.size();
    Result bumped;
    if (st.ok())
        bumped = conn_.Exec(sql::kWholeBump, Params().Int(head.id).Int(static_cast<int64_t>(n)).Text(forbids ? "t" : "f"),
                            &st);
    int64_t change = 0;
    try {
        if (st.ok()) {
            change = Int64(bumped.get(), 0, 0);
            CopyBuffer f;
            for (size_t i = 0; i < data.facilities.size(); ++i) {
                const CKivo& k = *data.facilities[i];
                f.Row(6);
                f.Int64(head.id), f.Int32(static_cast<int32_t>(i)), f.Int32(Low16(k.m_nID)), f.Bytes(k.m_strName);
                f.Int32(Low16(k.m_nMaxPeople)), f.Bytes(k.m_strComment);
            }
            st = f.Send(conn_, sql::kCopyFacilities);
        }
        if (st.ok()) {
            CopyBuffer c;
            for (size_t i = 0; i < n; ++i) {
                const CReserve& r = *data.reserves[i];
                c.Row(12);
                c.Int64(head.id), c.Int64(static_cast<int64_t>(i)), c.Int64(change);
                c.Bytes(r.m_strUser), c.Bytes(r.m_strPurpose), c.Bytes(r.m_strContact);
                c.Int32(r.m_timeStart), c.Int32(r.m_timeEnd), c.Int32(Low16(r.m_nFacilityID));
                c.Int32(Low16(r.m_bPaid)), c.Int32(Low16(r.m_nSpare)), c.Int32(Low16(r.m_nFee));
            }
            st = c.Send(conn_, sql::kCopyReservations);
        }
        if (st.ok()) {
            CopyBuffer u;
            for (size_t i = 0; i < data.users.size(); ++i) {
                u.Row(9);
                u.Int64(head.id), u.Int32(static_cast<int32_t>(i));
                for (int f = 0; f < 7; ++f) u.Bytes(*data.users[i]->Field(f));
            }
            st = u.Send(conn_, sql::kCopyUsers);
        }
    } catch (const std::bad_alloc&) {
        st = {Cause::NoMemory};
    }
    if (st.ok() && forbids && forbid >= 0) {
        st = conn_.Command(sql::kExtension);
        if (st.ok()) st = conn_.Command(Numbered(sql::kForbidOverlaps, head.id).c_str());
    }
    if (!st.ok()) {
        End(false);
        Forget();
        return st;
    }
    if (!(st = Commit()).ok()) return st;
    // The register as written is the last state, each record at its place.
    Forget();
    try {
        facilities_.reserve(data.facilities.size());
        for (const auto& k : data.facilities) facilities_.push_back(StoredFacility(*k));
        for (const auto& u : data.users) users_.push_back(*u);
        rows_.resize(n);
        for (size_t i = 0; i < n; ++i) {
            rows_[i] = {static_cast<int64_t>(i), Stored(*data.reserves[i])};
            data.reserves[i]->m_place.Set(static_cast<uint32_t>(i));
        }
    } catch (const std::bad_alloc&) {
        Forget();
        return st;
    }
    head_ = head;
    head_.change = head_.whole = head_.facilities = head_.users = change;
    head_.nextPos = static_cast<int64_t>(n);
    head_.forbidOverlaps = forbids;
    known_ = change;
    return st;
}

Status PgStore::Replace(const RegisterData& data) { return Create(data, true, -1); }

Status PgStore::Settings(bool* mayWrite, bool* forbidsOverlaps) {
    Status st = Start(sql::kBeginRead);
    if (!st.ok()) return st;
    Head head;
    st = ReadHead(sql::kRegister, &head);
    Result may;
    if (st.ok()) may = conn_.Exec(sql::kMayWrite, Params(), &st);
    End(st.ok());
    if (!st.ok()) return st;
    if (mayWrite) *mayWrite = Bool(may.get(), 0, 0);
    if (forbidsOverlaps) *forbidsOverlaps = head.forbidOverlaps;
    return st;
}

void PgStore::Forget() {
    known_ = -1;
    facilities_.clear();
    users_.clear();
    rows_.clear();
}

}  // namespace store::pg
