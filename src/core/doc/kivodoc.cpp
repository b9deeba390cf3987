#include "core/doc/kivodoc.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "core/booking/facilityindex.h"
#include "core/booking/rules.h"
#include "core/doc/archive.h"
#include "core/doc/fileio.h"
#include "core/doc/kvformat.h"
#include "core/doc/kvtime.h"
#include "core/doc/messages.h"
#include "core/doc/reserveentry.h"
#include "core/doc/text.h"
#include "core/profile/profile.h"

namespace {

class NullHost : public IDocHost {
public:
    void ShowMessage(const std::string&, Icon) override {}
    bool RunRepairDialog(CKivoDoc&, int, ReserveEntry*) override { return false; }
};

// Ascending heap sort with positions counted from 1. Records that compare
// equal land where these exact steps put them, and that order reaches the
// file and the exports, so the steps are kept as they are.
template <class T, class Less>
void HeapSort(std::vector<T>& a, Less less) {
    int n = static_cast<int>(a.size());
    auto at = [&a](int k) -> T& { return a[static_cast<size_t>(k - 1)]; };
    auto sift = [&](T e, int i, int size) {
        int c = 2 * i;
        while (c <= size) {
            if (c < size && less(at(c), at(c + 1))) ++c;
            if (!less(e, at(c))) break;
            at(i) = std::move(at(c));
            i = c;
            c *= 2;
        }
        at(i) = std::move(e);
    };
    for (int j = n / 2; j >= 1; --j) sift(std::move(at(j)), j, n);
    while (n > 1) {
        T e = std::move(at(n));
        at(n) = std::move(at(1));
        --n;
        sift(std::move(e), 1, n);
    }
}

// What the heap sort moves instead of a record: the compared fields packed
// into one number and the record's position. Following a pointer into a
// scattered record at each comparison made large sorts wait on memory.
struct SortItem {
    uint64_t key;  // first field in the high half, second in the low half
    int32_t id;    // the facility number, for key 3's tie rule
    uint32_t pos;  // where the record stood before the sort
};

// A signed time as an unsigned number of the same order.
uint32_t TimeOrder(KvTime t) { return static_cast<uint32_t>(t) ^ 0x80000000u; }

uint64_t Pack(uint32_t hi, uint32_t lo) { return (static_cast<uint64_t>(hi) << 32) | lo; }

// Each record's text as a rank among the distinct texts in CompareNoCase
// order: ranks compare as the texts do, and are equal exactly when the texts
// compare equal (the same bytes once A..Z are folded).
template <class Record>
std::vector<uint32_t> TextRanks(const std::vector<std::unique_ptr<Record>>& records,
                                const std::string Record::*field) {
    const size_t n = records.size();
    std::vector<size_t> start(n + 1, 0);
    for (size_t i = 0; i < n; ++i) start[i + 1] = start[i] + ((*records[i]).*field).size();
    std::string folded(start[n], '\0');
    for (size_t i = 0; i < n; ++i) {
        const std::string& s = (*records[i]).*field;
        for (size_t k = 0; k < s.size(); ++k) {
            char c = s[k];
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 0x20);
            folded[start[i] + k] = c;
        }
    }
    // Folded texts compare as unsigned bytes with a prefix first, as
    // std::string_view does, so the distinct ones sort with it directly.
    std::unordered_map<std::string_view, uint32_t> idOf;
    idOf.reserve(n);
    std::vector<std::string_view> distinct;
    std::vector<uint32_t> rank(n);
    for (size_t i = 0; i < n; ++i) {
        const std::string_view v(folded.data() + start[i], start[i + 1] - start[i]);
        auto [it, fresh] = idOf.try_emplace(v, static_cast<uint32_t>(distinct.size()));
        if (fresh) distinct.push_back(v);
        rank[i] = it->second;
    }
    std::vector<uint32_t> order(distinct.size());
    for (size_t d = 0; d < order.size(); ++d) order[d] = static_cast<uint32_t>(d);
    std::sort(order.begin(), order.end(), [&distinct](uint32_t x, uint32_t y) { return distinct[x] < distinct[y]; });
    std::vector<uint32_t> rankOfId(distinct.size());
    for (size_t r = 0; r < order.size(); ++r) rankOfId[order[r]] = static_cast<uint32_t>(r);
    for (uint32_t& r : rank) r = rankOfId[r];
    return rank;
}

// Sorts the items with the heap sort's steps and puts the records in their order.
// True when the order changed.
template <class Record, class Less>
bool SortByItems(std::vector<std::unique_ptr<Record>>& records, std::vector<SortItem>& items, Less less) {
    HeapSort(items, less);
    bool moved = false;
    std::vector<std::unique_ptr<Record>> sorted(records.size());
    for (size_t i = 0; i < items.size(); ++i) {
        moved = moved || items[i].pos != i;
        sorted[i] = std::move(records[items[i].pos]);
    }
    records.swap(sorted);
    return moved;
}

// A function object, so that the heap sort inlines the comparison.
struct ItemLess {
    bool operator()(const SortItem& a, const SortItem& b) const { return a.key < b.key; }
};

int Sign(long long d) { return d < 0 ? -1 : (d > 0 ? 1 : 0); }

// CompareReserve with the facility positions looked up once per sort.
struct ReserveOrder {
    int key;
    const std::vector<int>* facilityPos;  // by facility number, -1 when none

    int operator()(const CReserve& a, const CReserve& b) const {
        switch (key) {
            case 0: {
                int d = Sign(static_cast<long long>(a.m_timeStart) - b.m_timeStart);
                return d != 0 ? d : text::CompareNoCase(a.m_strUser, b.m_strUser);
            }
            case 1: {
                int d = Sign(static_cast<long long>(a.m_timeEnd) - b.m_timeEnd);
                return d != 0 ? d : text::CompareNoCase(a.m_strUser, b.m_strUser);
            }
            case 2: {
                int d = text::CompareNoCase(a.m_strUser, b.m_strUser);
                return d != 0 ? d : Sign(static_cast<long long>(a.m_timeStart) - b.m_timeStart);
            }
            case 3: {
                int d = Pos(a.m_nFacilityID) - Pos(b.m_nFacilityID);
                if (d != 0) return d;
                if (a.m_nFacilityID != b.m_nFacilityID) return 0;
                return Sign(static_cast<long long>(a.m_timeStart) - b.m_timeStart);
            }
            case 4: {
                int d = text::CompareNoCase(a.m_strPurpose, b.m_strPurpose);
                return d != 0 ? d : Sign(static_cast<long long>(a.m_timeStart) - b.m_timeStart);
            }
            case 5: {
                int d = text::CompareNoCase(a.m_strContact, b.m_strContact);
                return d != 0 ? d : Sign(static_cast<long long>(a.m_timeStart) - b.m_timeStart);
            }
            default: return 0;
        }
    }
    int Pos(int id) const {
        if (id < 0 || static_cast<size_t>(id) >= facilityPos->size()) return -1;
        return (*facilityPos)[static_cast<size_t>(id)];
    }
};

std::vector<int> FacilityPositions(const FacilityArray& facilities) {
    int maxId = 0;
    for (const auto& f : facilities) maxId = std::max(maxId, f->m_nID);
    std::vector<int> pos(static_cast<size_t>(maxId) + 1, -1);
    for (size_t i = 0; i < facilities.size(); ++i) {
        int id = facilities[i]->m_nID;
        if (id >= 0 && pos[static_cast<size_t>(id)] < 0) pos[static_cast<size_t>(id)] = static_cast<int>(i);
    }
    return pos;
}

}  // namespace

IDocHost& NullDocHost() {
    static NullHost host;
    return host;
}

CKivoDoc::CKivoDoc() : m_timeDay(kvtime::Now()), host_(&NullDocHost()) {}

CKivoDoc::~CKivoDoc() { DeleteContents(); }

void CKivoDoc::AddView(IKivoView* v) {
    if (std::find(views_.begin(), views_.end(), v) == views_.end()) views_.push_back(v);
}

void CKivoDoc::RemoveView(IKivoView* v) { views_.erase(std::remove(views_.begin(), views_.end(), v), views_.end()); }

void CKivoDoc::UpdateAllViews(IKivoView* sender, ViewHint hint) {
    // A view may close itself while being told; work on a copy of the list.
    const std::vector<IKivoView*> views = views_;
    for (IKivoView* v : views)
        if (v != sender && std::find(views_.begin(), views_.end(), v) != views_.end()) v->OnUpdate(sender, hint);
}

void CKivoDoc::DeleteContents() {
    clean_ = false;
    m_arFacility.clear();
    m_arReserve.clear();
    m_arUser.clear();
}

bool CKivoDoc::OnNewDocument() {
    DeleteContents();
    path_.clear();
    modified_ = false;
    fileStamp_ = {};
    fileBytes_.clear();
    return true;
}

bool CKivoDoc::LoadBytes(std::string bytes, const std::string& path, const fileio::FileStamp& stamp) {
    DeleteContents();
    SetModifiedFlag(true);
    ++parses_;
    try {
        RegisterData data;
        LoadRegister(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &data);
        m_arFacility = std::move(data.facilities);
        m_arReserve = std::move(data.reserves);
        m_arUser = std::move(data.users);
    } catch (const CArchiveException&) {
        DeleteContents();
        host_->ShowMessage(msg::kUnexpectedFormat, IDocHost::Icon::Exclamation);
        return false;
    } catch (const std::bad_alloc&) {
        DeleteContents();
        host_->ShowMessage(msg::kOpenFailed, IDocHost::Icon::Exclamation);
        return false;
    }
    const bool ok = AfterLoad(path, !inTransaction_);
    // Missing users are added the same way on every read of these bytes, so
    // the collections stay what a parse of them gives.
    Remember(std::move(bytes), stamp);
    return ok;
}

void CKivoDoc::Remember(std::string bytes, const fileio::FileStamp& stamp) {
    fileBytes_ = std::move(bytes);
    fileStamp_ = stamp;
    clean_ = stamp.valid;
}

bool CKivoDoc::SameAsLastFile(const fileio::FileStamp& now, const std::string* bytes, bool requireClean) const {
    if ((requireClean && !clean_) || !fileStamp_.valid || !now.valid) return false;
    if (!bytes) return fileStamp_.SameAs(now) && fileStamp_.Settled();
    // Reading is cheap, parsing is not: equal bytes need no parse whatever
    // the stamp says.
    return bytes->size() == fileBytes_.size() && *bytes == fileBytes_;
}

bool CKivoDoc::AfterLoad(const std::string& path, bool runRepair) {
    SetModifiedFlag(false);
    path_ = path;
    RecordPath();
    AddMissingUsers();
    if (runRepair) RepairPass();
    else repairPending_ = true;
    return true;
}

bool CKivoDoc::OnOpenDocument(const std::string& path) {
    std::string bytes;
    fileio::FileStamp stamp;
    fileio::Status st = fileio::ReadShared(path, &bytes, &stamp);
    if (!st.ok()) {
        host_->ShowMessage(fileio::FileMessage(st.cause, path), IDocHost::Icon::Exclamation);
        return false;
    }
    return LoadBytes(std::move(bytes), path, stamp);
}

bool CKivoDoc::OnSaveDocument(const std::string& path) {
    fileio::Status st;
    std::string bytes;
    fileio::FileStamp stamp;
    try {
        bytes = StoreRegister(m_arFacility, m_arReserve, m_arUser);
        // Inside a change the save goes to the file the transaction locked and read.
        if (txLock_) {
            st = txLock_->Write(bytes);
            if (st.ok()) stamp = txLock_->Stamp();
        } else {
            st = fileio::SafeWrite(path, bytes, &stamp);
        }
    } catch (const std::bad_alloc&) {
        clean_ = false;
        host_->ShowMessage(msg::kSaveFailed, IDocHost::Icon::Exclamation);
        return false;
    }
    if (!st.ok()) {
        clean_ = false;
        host_->ShowMessage(st.cause == fileio::Cause::Generic ? msg::kSaveFailed : fileio::FileMessage(st.cause, path),
                           IDocHost::Icon::Exclamation);
        return false;
    }
    SetModifiedFlag(false);
    path_ = path;
    Remember(std::move(bytes), stamp);
    RecordPath();
    return true;
}

void CKivoDoc::RecordPath() {
    // The host may write the profile; a slow profile must never hold other
    // desks off the register, so inside a transaction this waits for its end.
    if (inTransaction_) pathPending_ = true;
    else host_->PathRecorded(path_);
}

bool CKivoDoc::ReloadFromFile() {
    if (path_.empty()) return true;
    return OnOpenDocument(path_);
}

bool CKivoDoc::SaveToFile() {
    if (path_.empty()) return true;
    return OnSaveDocument(path_);
}

TxResult CKivoDoc::Transact(const std::function<bool(CKivoDoc&)>& change, IKivoView* sender, ViewHint hint) {
    if (path_.empty()) {
        if (!change(*this)) return TxResult::Abandoned;
        SetModifiedFlag(true);
        UpdateAllViews(sender, hint);
        return TxResult::Done;
    }
    TxResult result = TxResult::Done;
    {
        fileio::ExclusiveLock lock;
        bool exists = false;
        fileio::Status st = lock.Acquire(path_, &exists);
        if (st.ok() && !exists) st.cause = fileio::Cause::FileNotFound;
        const fileio::FileStamp stamp = st.ok() ? lock.Stamp() : fileio::FileStamp{};
        // A file as this document last read or wrote it needs neither reading
        // nor parsing; one whose stamp cannot be trusted is read and compared.
        const bool settled = st.ok() && SameAsLastFile(stamp, nullptr);
        std::string bytes;
        if (st.ok() && !settled) st = lock.ReadAll(&bytes);
        if (!st.ok()) {
            host_->ShowMessage(fileio::FileMessage(st.cause, path_), IDocHost::Icon::Exclamation);
            return TxResult::Failed;
        }
        inTransaction_ = true;
        txLock_ = &lock;
        if (settled || SameAsLastFile(stamp, &bytes)) {
            // What a parse of these bytes would have left, without the parse.
            fileStamp_ = stamp;
            SetModifiedFlag(false);
            RecordPath();
            // A re-read adds the users of bookings saved without one.
            AddMissingUsers();
            repairPending_ = true;
        } else if (!LoadBytes(std::move(bytes), path_, stamp)) {
            // After a re-read that failed nothing may be written: the emptied
            // document would replace every booking in the file.
            inTransaction_ = false;
            txLock_ = nullptr;
            repairPending_ = false;
            UpdateAllViews(nullptr, ViewHint::Changed);
            return TxResult::Failed;
        }
        if (!change(*this)) {
            clean_ = false;  // the change may have touched the collections before it gave up
            result = TxResult::Abandoned;
        } else {
            SetModifiedFlag(true);
            if (!OnSaveDocument(path_)) result = TxResult::Failed;
        }
        inTransaction_ = false;
        txLock_ = nullptr;
    }  // the lock is released here, before any dialog of the repair pass
    if (pathPending_) {
        pathPending_ = false;
        host_->PathRecorded(path_);
    }
    if (repairPending_) RepairPass();
    UpdateAllViews(sender, result == TxResult::Done ? hint : ViewHint::Changed);
    return result;
}

CKivoDoc::Refresh CKivoDoc::RefreshFromFile() {
    if (path_.empty() || inTransaction_ || inRepair_) return Refresh::Unchanged;
    const fileio::FileStamp now = fileio::StampOf(path_);
    if (!now.valid || SameAsLastFile(now, nullptr, false) || refusedStamp_.SameAs(now)) return Refresh::Unchanged;
    std::string bytes;
    fileio::FileStamp stamp;
    if (!fileio::ReadShared(path_, &bytes, &stamp).ok()) return Refresh::Failed;
    if (SameAsLastFile(stamp, &bytes, false)) {
        fileStamp_ = stamp;
        return Refresh::Unchanged;
    }
    // Parsed aside: a file that cannot be read leaves the data as it was.
    RegisterData data;
    ++parses_;
    try {
        LoadRegister(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &data);
    } catch (const CArchiveException&) {
        refusedStamp_ = stamp;
        return Refresh::Failed;
    } catch (const std::bad_alloc&) {
        return Refresh::Failed;
    }
    refusedStamp_ = {};
    m_arFacility = std::move(data.facilities);
    m_arReserve = std::move(data.reserves);
    m_arUser = std::move(data.users);
    AddMissingUsers();
    SetModifiedFlag(false);
    Remember(std::move(bytes), stamp);
    return Refresh::Read;
}

int CKivoDoc::GetFacilityIndex(int id) const { return FacilityIndexOf(m_arFacility, id); }

int CKivoDoc::GetMaxFacilityNameLength() const {
    size_t n = 10;
    for (const auto& f : m_arFacility) n = std::max(n, f->m_strName.size());
    return static_cast<int>(n);
}

int CKivoDoc::CompareReserve(const CReserve& a, const CReserve& b, int key) const {
    std::vector<int> pos;
    if (key == 3) pos = FacilityPositions(m_arFacility);
    return ReserveOrder{key, &pos}(a, b);
}

int CKivoDoc::CompareUsers(const CKivoUser& a, const CKivoUser& b, int key) const {
    // Users meet the reservation comparison on their first field, the name.
    return key == 2 ? text::CompareNoCase(a.m_strName, b.m_strName) : 0;
}

void CKivoDoc::SortReserves(int key) {
    // The items order exactly as ReserveOrder does, ties included.
    const size_t n = m_arReserve.size();
    std::vector<SortItem> items(n);
    std::vector<uint32_t> ranks;
    if (key == 0 || key == 1 || key == 2) ranks = TextRanks(m_arReserve, &CReserve::m_strUser);
    else if (key == 4) ranks = TextRanks(m_arReserve, &CReserve::m_strPurpose);
    else if (key == 5) ranks = TextRanks(m_arReserve, &CReserve::m_strContact);
    const std::vector<int> pos = key == 3 ? FacilityPositions(m_arFacility) : std::vector<int>{};
    const ReserveOrder order{key, &pos};
    for (size_t i = 0; i < n; ++i) {
        const CReserve& r = *m_arReserve[i];
        SortItem& it = items[i];
        it.pos = static_cast<uint32_t>(i);
        it.id = r.m_nFacilityID;
        switch (key) {
            case 0: it.key = Pack(TimeOrder(r.m_timeStart), ranks[i]); break;
            case 1: it.key = Pack(TimeOrder(r.m_timeEnd), ranks[i]); break;
            case 2:
            case 4:
            case 5: it.key = Pack(ranks[i], TimeOrder(r.m_timeStart)); break;
            case 3: it.key = Pack(static_cast<uint32_t>(order.Pos(r.m_nFacilityID)) ^ 0x80000000u, TimeOrder(r.m_timeStart)); break;
            default: it.key = 0; break;  // every record equal
        }
    }
    if (key == 3) {
        // Records of one position but different facility numbers (numbers
        // without a facility) compare equal, whatever their times.
        if (SortByItems(m_arReserve, items, [](const SortItem& a, const SortItem& b) {
                const uint32_t ha = static_cast<uint32_t>(a.key >> 32), hb = static_cast<uint32_t>(b.key >> 32);
                if (ha != hb) return ha < hb;
                return a.id == b.id && static_cast<uint32_t>(a.key) < static_cast<uint32_t>(b.key);
            }))
            clean_ = false;  // the file's order is what a save of a re-read keeps
    } else if (SortByItems(m_arReserve, items, ItemLess{})) {
        clean_ = false;
    }
}

void CKivoDoc::SortUsers(int key) {
    std::vector<SortItem> items(m_arUser.size());
    const std::vector<uint32_t> ranks = key == 2 ? TextRanks(m_arUser, &CKivoUser::m_strName) : std::vector<uint32_t>{};
    for (size_t i = 0; i < items.size(); ++i) items[i] = SortItem{key == 2 ? ranks[i] : 0u, 0, static_cast<uint32_t>(i)};
    if (SortByItems(m_arUser, items, ItemLess{})) clean_ = false;
}

int CKivoDoc::FindReserve(int hint, const CReserve& snapshot) const {
    const int n = static_cast<int>(m_arReserve.size());
    if (hint >= 0 && hint < n && m_arReserve[static_cast<size_t>(hint)]->IsEqual(snapshot)) return hint;
    for (int i = 0; i < n; ++i)
        if (m_arReserve[static_cast<size_t>(i)]->IsEqual(snapshot)) return i;
    return -1;
}

int CKivoDoc::FindUser(int hint, const CKivoUser& snapshot) const {
    const int n = static_cast<int>(m_arUser.size());
    if (hint >= 0 && hint < n && m_arUser[static_cast<size_t>(hint)]->IsEqual(snapshot)) return hint;
    for (int i = 0; i < n; ++i)
        if (m_arUser[static_cast<size_t>(i)]->IsEqual(snapshot)) return i;
    return -1;
}

void CKivoDoc::RenameUser(const std::string& oldName, const std::string& newName) {
    clean_ = false;
    for (auto& r : m_arReserve)
        if (r->m_strUser == oldName) r->m_strUser = newName;
}

void CKivoDoc::AddMissingUsers() {
    // Views of the names: the records stay where they are while users are added.
    std::unordered_set<std::string_view> known;
    known.reserve(m_arUser.size() * 2 + 16);
    for (const auto& u : m_arUser) known.insert(u->m_strName);
    for (const auto& r : m_arReserve) {
        const std::string_view name = r->m_strUser;
        if (name.empty() || known.count(name)) continue;
        auto u = std::make_unique<CKivoUser>();
        u->m_strName = r->m_strUser;
        u->m_strCharge = r->m_strUser;
        known.insert(r->m_strUser);
        m_arUser.push_back(std::move(u));
    }
}

int CKivoDoc::SearchUser(int start, int field, const std::string& textToFind) {
    m_nFindField = field;
    m_strFindText = textToFind;
    return SearchUserNext(start, 1);
}

int CKivoDoc::SearchUserNext(int start, int step) const {
    const int n = static_cast<int>(m_arUser.size());
    if (step == 0) step = 1;
    for (int i = start; i >= 0 && i < n; i += step) {
        const std::string* f = m_arUser[static_cast<size_t>(i)]->Field(m_nFindField);
        if (f && text::ContainsAtCharBoundary(*f, m_strFindText)) return i;
    }
    return -1;
}

void CKivoDoc::RepairPass() {
    repairPending_ = false;
    if (inRepair_) return;  // a save inside the pass re-reads; the outer loop goes on
    inRepair_ = true;
    for (int i = 0; i < static_cast<int>(m_arReserve.size()); ++i) {
        const CReserve& r = *m_arReserve[static_cast<size_t>(i)];
        if (r.m_timeStart != kTimeUnset && r.m_timeEnd != kTimeUnset) continue;
        if (RepairReserve(i)) --i;
    }
    inRepair_ = false;
    repairPending_ = false;
}

bool CKivoDoc::RepairReserve(int pos) {
    if (pos < 0 || pos >= static_cast<int>(m_arReserve.size())) return false;
    const CReserve snapshot = *m_arReserve[static_cast<size_t>(pos)];
    ReserveEntry entry = ReserveEntry::ForRepair();
    entry.user = snapshot.m_strUser;
    entry.purpose = snapshot.m_strPurpose;
    entry.contact = snapshot.m_strContact;
    entry.paid = snapshot.m_bPaid != 0;
    entry.fee = static_cast<uint32_t>(snapshot.m_nFee);
    entry.facility = std::max(0, GetFacilityIndex(snapshot.m_nFacilityID));
    // The pass of a re-read inside this repair's own transaction must not
    // offer this record a second time; a refused repair is offered again here.
    const bool wasInRepair = inRepair_;
    inRepair_ = true;
    bool deleted = false;
    for (;;) {
        if (!host_->RunRepairDialog(*this, pos, &entry)) break;
        // Read before the lock: a slow profile must never hold other desks off.
        const bool dupForbidden = profile::GetInt(profile::Key::Dup) != 0;
        // The repair is saved at once, on the newest data: a repair left only
        // in memory would be thrown away by the next command's re-read.
        bool conflict = false;
        CheckResult refusal = CheckResult::Ok;
        Transact(
            [&](CKivoDoc& doc) {
                int found = doc.FindReserve(pos, snapshot);
                if (found < 0) {
                    conflict = true;
                    return false;
                }
                CReserve* r = doc.m_arReserve[static_cast<size_t>(found)].get();
                if (entry.deleteFlag) {
                    doc.m_arReserve.erase(doc.m_arReserve.begin() + found);
                    deleted = true;
                    return true;
                }
                // The dialog checked the records of the open; another desk
                // may have booked the slot since.
                refusal = CheckAfterReload(entry, doc.m_arReserve, doc.m_arFacility, r, dupForbidden);
                if (refusal != CheckResult::Ok) return false;
                ApplyEntry(entry, doc.m_arFacility, r);
                return true;
            },
            nullptr, ViewHint::Changed);
        if (conflict) {
            host_->ShowMessage(msg::kEditConflict, IDocHost::Icon::Exclamation);
            UpdateAllViews(nullptr, ViewHint::Changed);
            break;
        }
        if (refusal == CheckResult::Ok) break;
        host_->ShowMessage(CheckMessage(refusal), IDocHost::Icon::Exclamation);
        pos = FindReserve(pos, snapshot);  // the document holds the fresh records now
        if (pos < 0) break;
    }
    inRepair_ = wasInRepair;
    return deleted;
}
