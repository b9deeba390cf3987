// The document and its register: open, save, the change transaction and the
// quiet refresh from another desk's change, each through the register's store.
#include "core/doc/kivodoc.h"

#include <deque>

#include "core/doc/messages.h"
#include "core/doc/missingusers.h"
#include "core/doc/nameset.h"
#include "core/doc/text.h"

namespace {

const store::Location& NoLocation() {
    static const store::Location none;
    return none;
}

// The reservations' users in the order they first appear, each once, kept
// while the records they came from are read over.
class SeenUsers {
public:
    void Saw(const std::string& name) {
        if (name.empty() || seen_.Contains(name)) return;
        names_.push_back(name);
        seen_.Insert(names_.back());
    }
    void AddMissing(UserArray* users) const {
        AddMissingUsers(users, names_.size(), [this](size_t i) -> const std::string& { return names_[i]; });
    }

private:
    NameSet seen_{1024};
    std::deque<std::string> names_;  // where the set's names live
};

}  // namespace

const std::string& CKivoDoc::GetPathName() const { return GetLocation().Text(); }

const store::Location& CKivoDoc::GetLocation() const { return store_ ? store_->Where() : NoLocation(); }

void CKivoDoc::SetPathName(const std::string& location) {
    if (store_ && store_->Where().Text() == location) return;
    if (location.empty()) store_.reset();
    else store_ = store::OpenStore(store::Location::Parse(location));
    clean_ = false;
}

std::vector<std::string> CKivoDoc::WatchPaths() const { return store_ ? store_->WatchPaths() : std::vector<std::string>{}; }

store::Status CKivoDoc::ReadInto(const std::function<store::Status(RegisterData*)>& read) {
    clean_ = false;
    // The records are filled again in place: freeing a register's records and
    // allocating them anew cost more than the parse.
    RegisterData data{std::move(m_arFacility), std::move(m_arReserve), std::move(m_arUser)};
    const store::Status st = read(&data);
    m_arFacility = std::move(data.facilities);
    m_arReserve = std::move(data.reserves);
    m_arUser = std::move(data.users);
    return st;
}

bool CKivoDoc::Loaded(const store::Status& st, const StoreFacts& facts, bool runRepair) {
    if (!st.ok()) {
        DeleteContents();
        SetModifiedFlag(true);
        host_->ShowMessage(store::Message(st, GetLocation(), false), IDocHost::Icon::Exclamation);
        return false;
    }
    clean_ = true;
    timesSet_ = facts.timesSet;
    SetModifiedFlag(false);
    RecordPath();
    // Missing users are added the same way on every read of these bytes, so
    // the collections stay what a read of them gives.
    AddMissingUsers();
    // The parse saw every reservation's times: without an unset one the
    // pass would offer nothing.
    if (timesSet_) repairPending_ = false;
    else if (runRepair) RepairPass();
    else repairPending_ = true;
    return true;
}

bool CKivoDoc::OnOpenDocument(const std::string& location) {
    auto opened = store::OpenStore(store::Location::Parse(location));
    const bool wasClean = clean_;
    StoreFacts facts;
    const store::Status st = ReadInto([&](RegisterData* data) { return opened->Read(data, &facts); });
    if (!st.ok() && st.cause != store::Cause::BadFormat && st.cause != store::Cause::NoMemory) {
        // Not read: the document stays as it was, with its own register.
        clean_ = wasClean;
        host_->ShowMessage(store::Message(st, opened->Where(), false), IDocHost::Icon::Exclamation);
        return false;
    }
    store_ = std::move(opened);
    ++parses_;
    if (!Loaded(st, facts, true)) return false;
    if (!facts.stray.empty())
        host_->ShowMessage(text::Fill(msg::kStrayHelper, facts.stray), IDocHost::Icon::Information);
    return true;
}

bool CKivoDoc::OnSaveDocument(const std::string& location) {
    if (tx_ && location == GetPathName()) return SaveChange(*tx_);
    auto target = store::OpenStore(store::Location::Parse(location));
    RegisterData data{std::move(m_arFacility), std::move(m_arReserve), std::move(m_arUser)};
    const store::Status st = target->Replace(data);
    m_arFacility = std::move(data.facilities);
    m_arReserve = std::move(data.reserves);
    m_arUser = std::move(data.users);
    if (!st.ok()) {
        host_->ShowMessage(store::Message(st, target->Where(), true), IDocHost::Icon::Exclamation);
        return false;
    }
    store_ = std::move(target);
    clean_ = true;
    usersComplete_ = timesSet_ = false;  // a whole save learns neither; the next change's re-read does
    SetModifiedFlag(false);
    RecordPath();
    return true;
}

bool CKivoDoc::SaveChange(store::ITransaction& tx) {
    StoreFacts facts;
    size_t copied = 0;
    bool usersAsBefore = false;
    const bool wasClean = clean_;
    RegisterData data{std::move(m_arFacility), std::move(m_arReserve), std::move(m_arUser)};
    const store::Status st = tx.Write(data, &facts, &copied, &usersAsBefore);
    lastSaveCause_ = st.cause;
    m_arFacility = std::move(data.facilities);
    m_arReserve = std::move(data.reserves);
    m_arUser = std::move(data.users);
    if (!st.ok()) {
        // The store forgot the register's last state: the next change reads
        // it again, and a change whose outcome is unknown is never made twice.
        clean_ = false;
        host_->ShowMessage(store::Message(st, GetLocation(), true), IDocHost::Icon::Exclamation);
        return false;
    }
    // Copied reservations are the ones the last state held, unchanged: what
    // was known of them holds while the users are the same.
    usersComplete_ = facts.usersComplete && (copied == 0 || (wasClean && usersComplete_ && usersAsBefore));
    timesSet_ = facts.timesSet && (copied == 0 || (wasClean && timesSet_));
    clean_ = true;
    SetModifiedFlag(false);
    RecordPath();
    return true;
}

void CKivoDoc::RecordPath() {
    // The host may write the profile; a slow profile must never hold other
    // desks off the register, so inside a transaction this waits for its end.
    if (inTransaction_) pathPending_ = true;
    else host_->PathRecorded(GetPathName());
}

bool CKivoDoc::ReloadFromFile() {
    if (!store_) return true;
    return OnOpenDocument(GetPathName());
}

bool CKivoDoc::SaveToFile() {
    if (!store_) return true;
    return OnSaveDocument(GetPathName());
}

bool CKivoDoc::ReReadLocked(store::ITransaction& tx) {
    StoreFacts facts;
    store::Status st;
    store::Reading reading = store::Reading::Unchanged;
    const bool inSync = clean_;
    inTransaction_ = true;
    tx_ = &tx;
    // The store leaves the records alone when the register is as they are.
    ReadInto([&](RegisterData* data) {
        reading = tx.ReReadIfChanged(data, inSync, &facts, &st);
        return st;
    });
    const bool parsed = reading == store::Reading::Read || st.cause == store::Cause::BadFormat ||
                        st.cause == store::Cause::NoMemory;
    if (parsed) {
        ++parses_;
        return Loaded(st, facts, false);
    }
    clean_ = inSync;
    if (reading == store::Reading::Failed) {
        // Not even read: the collections are as they were.
        inTransaction_ = false;
        tx_ = nullptr;
        host_->ShowMessage(store::Message(st, GetLocation(), false), IDocHost::Icon::Exclamation);
        return false;
    }
    // What a read of the register would have left, without the read.
    SetModifiedFlag(false);
    RecordPath();
    // A re-read adds the users of bookings saved without one.
    if (!usersComplete_) AddMissingUsers();
    repairPending_ = true;
    return true;
}

CKivoDoc::Around CKivoDoc::ChangeAround(store::ITransaction& tx, const Appending& appending) {
    SeenUsers seen;
    RegisterData data;
    store::Status st;
    const bool can = tx.ReadAround(
        &data,
        [&](const CReserve& r) {
            seen.Saw(r.m_strUser);
            appending.saw(r);
        },
        &st);
    if (!st.ok()) {
        host_->ShowMessage(store::Message(st, GetLocation(), false), IDocHost::Icon::Exclamation);
        return Around::Failed;
    }
    if (!can) return Around::Whole;
    // What a read adds, as the whole change's re-read would.
    seen.AddMissing(&data.users);
    // The collections now hold part of the register only: the next change
    // that is not an appending one reads it whole.
    clean_ = false;
    m_arFacility = std::move(data.facilities);
    m_arUser = std::move(data.users);
    SetModifiedFlag(false);
    RecordPath();
    if (!appending.change(*this)) return Around::Abandoned;
    RegisterData out{std::move(m_arFacility), std::move(m_arReserve), std::move(m_arUser)};
    st = tx.WriteAround(out);
    lastSaveCause_ = st.cause;
    m_arFacility = std::move(out.facilities);
    m_arReserve = std::move(out.reserves);
    m_arUser = std::move(out.users);
    if (!st.ok()) {
        // Never made again, whatever the outcome: see SaveChange.
        host_->ShowMessage(store::Message(st, GetLocation(), true), IDocHost::Icon::Exclamation);
        return Around::NotSaved;
    }
    return Around::Done;
}

TxResult CKivoDoc::Transact(const std::function<bool(CKivoDoc&)>& change, IKivoView* sender, ViewHint hint,
                            const Appending* appending) {
    if (!store_) {
        if (!change(*this)) return TxResult::Abandoned;
        SetModifiedFlag(true);
        UpdateAllViews(sender, hint);
        return TxResult::Done;
    }
    TxResult result = TxResult::Done;
    bool notSaved = false;
    lastSaveCause_ = store::Cause::None;
    {
        store::Status st;
        const std::unique_ptr<store::ITransaction> tx = store_->Begin(&st);
        if (!tx) {
            host_->ShowMessage(store::Message(st, GetLocation(), false), IDocHost::Icon::Exclamation);
            return TxResult::Failed;
        }
        Around around = Around::Whole;
        // Only a document that holds nothing of the register: never one a
        // window shows, which would lose the records it is drawing.
        if (appending && parses_ == 0 && !clean_ && m_arReserve.empty()) {
            inTransaction_ = true;
            tx_ = tx.get();
            around = ChangeAround(*tx, *appending);
            inTransaction_ = false;
            tx_ = nullptr;
        }
        if (around != Around::Whole) {
            result = around == Around::Done ? TxResult::Done
                     : around == Around::Abandoned ? TxResult::Abandoned
                                                   : TxResult::Failed;
            notSaved = around == Around::NotSaved;
        } else if (!ReReadLocked(*tx)) {
            // After a re-read that failed nothing may be written: the emptied
            // document would replace every booking in the register.
            if (!inTransaction_) return TxResult::Failed;  // not even read: nothing changed
            inTransaction_ = false;
            tx_ = nullptr;
            repairPending_ = false;
            UpdateAllViews(nullptr, ViewHint::Changed);
            return TxResult::Failed;
        } else {
            if (!change(*this)) {
                clean_ = false;  // the change may have touched the collections before it gave up
                result = TxResult::Abandoned;
            } else {
                SetModifiedFlag(true);
                if (!SaveChange(*tx)) {
                    result = TxResult::Failed;
                    notSaved = true;
                }
            }
            inTransaction_ = false;
            tx_ = nullptr;
        }
    }  // the lock is released here, before any dialog of the repair pass
    // A change that was not saved is not what the register holds: the
    // document goes back to what it does hold (which, when the save's outcome
    // is unknown, may be the change after all).
    if (notSaved) RefreshFromFile();
    if (pathPending_) {
        pathPending_ = false;
        host_->PathRecorded(GetPathName());
    }
    // The save just made saw every reservation's times: without an unset one
    // the repair pass would offer nothing.
    if (repairPending_ && clean_ && timesSet_) repairPending_ = false;
    if (repairPending_) RepairPass();
    UpdateAllViews(sender, result == TxResult::Done ? hint : ViewHint::Changed);
    return result;
}

CKivoDoc::Refresh CKivoDoc::RefreshFromFile(RegisterData* replaced) {
    if (!store_ || inTransaction_ || inRepair_) return Refresh::Unchanged;
    RegisterData data{std::move(m_arFacility), std::move(m_arReserve), std::move(m_arUser)};
    StoreFacts facts;
    const store::Reading reading = store_->ReadIfChanged(&data, replaced, &facts);
    m_arFacility = std::move(data.facilities);
    m_arReserve = std::move(data.reserves);
    m_arUser = std::move(data.users);
    if (reading == store::Reading::Unchanged) return Refresh::Unchanged;
    if (reading == store::Reading::Failed) return Refresh::Failed;
    ++parses_;
    AddMissingUsers();
    SetModifiedFlag(false);
    clean_ = true;
    timesSet_ = facts.timesSet;
    return Refresh::Read;
}
