// The document and its file: open, save, the change transaction and the
// quiet refresh from another desk's save.
#include "core/doc/kivodoc.h"

#include <cassert>
#include <new>

#include "core/doc/archive.h"
#include "core/doc/fileio.h"
#include "core/doc/kvformat.h"
#include "core/doc/messages.h"

bool CKivoDoc::LoadBytes(std::string bytes, const std::string& path, const fileio::FileStamp& stamp) {
    clean_ = false;
    SetModifiedFlag(true);
    ++parses_;
    // The records are filled again in place: freeing a register's records and
    // allocating them anew cost more than the parse.
    RegisterData data{std::move(m_arFacility), std::move(m_arReserve), std::move(m_arUser)};
    StoreFacts facts;
    try {
        LoadRegister(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &data, &saveSpans_, &facts);
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
    // Remembered before the repair pass, whose changes re-read and save:
    // missing users are added the same way on every read of these bytes, so
    // the collections stay what a parse of them gives.
    Remember(std::move(bytes), stamp);
    timesSet_ = facts.timesSet;
    return AfterLoad(path, !inTransaction_);
}

void CKivoDoc::Remember(std::string bytes, const fileio::FileStamp& stamp) {
    // The spans of these bytes were noted into saveSpans_ by their parse.
    fileBytes_ = std::move(bytes);
    std::swap(fileSpans_, saveSpans_);
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

void CKivoDoc::NoteOnlyChanged(CReserve* r) {
    onlyNoted_ = true;
    if (!r) return;
    const uint32_t p = r->m_place.Get();
    if (p < fileSpans_.records.size() && fileSpans_.records[p] == r) fileSpans_.records[p] = nullptr;
    r->m_place.Forget();
}

bool CKivoDoc::AfterLoad(const std::string& path, bool runRepair) {
    SetModifiedFlag(false);
    path_ = path;
    RecordPath();
    AddMissingUsers();
    // The parse saw every reservation's times: without an unset one the
    // pass would offer nothing.
    if (timesSet_) repairPending_ = false;
    else if (runRepair) RepairPass();
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
    StoreFacts facts;
    fileio::FileStamp stamp;
    // Inside a change that said what it altered, the other reservations'
    // bytes are copied from the file it began with.
    const bool copy = inTransaction_ && onlyNoted_ && cleanAtChange_;
    try {
        const LastBytes last{fileBytes_, fileSpans_};
        StoreRegister(m_arFacility, m_arReserve, m_arUser, &saveBuffer_, &facts, &saveSpans_, copy ? &last : nullptr);
        assert(!copy || saveBuffer_ == StoreRegister(m_arFacility, m_arReserve, m_arUser));
        // Inside a change the save goes to the file the transaction locked and read.
        if (txLock_) {
            st = txLock_->Write(saveBuffer_);
            if (st.ok()) stamp = txLock_->Stamp();
        } else {
            st = fileio::SafeWrite(path, saveBuffer_, &stamp);
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
    // The bytes just written become the last file's; its old bytes are the
    // next save's buffer.
    saveBuffer_.swap(fileBytes_);
    std::swap(saveSpans_, fileSpans_);
    fileStamp_ = stamp;
    clean_ = stamp.valid;
    // A save that copied speaks only of the records it wrote.
    usersComplete_ = facts.usersComplete && (!copy || usersComplete_);
    timesSet_ = facts.timesSet && (!copy || timesSet_);
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

bool CKivoDoc::ReReadLocked(fileio::ExclusiveLock& lock) {
    const fileio::FileStamp stamp = lock.Stamp();
    // A file as this document last read or wrote it needs neither reading
    // nor parsing; one whose stamp cannot be trusted is compared with the
    // bytes this document has, and read whole only when they differ.
    bool same = SameAsLastFile(stamp, nullptr);
    fileio::Status st;
    if (!same && clean_ && fileStamp_.valid && stamp.valid) st = lock.Matches(fileBytes_, &same);
    std::string bytes;
    if (st.ok() && !same) st = lock.ReadAll(&bytes);
    if (!st.ok()) {
        host_->ShowMessage(fileio::FileMessage(st.cause, path_), IDocHost::Icon::Exclamation);
        return false;
    }
    inTransaction_ = true;
    txLock_ = &lock;
    if (!same) return LoadBytes(std::move(bytes), path_, stamp);
    // What a parse of these bytes would have left, without the parse.
    fileStamp_ = stamp;
    SetModifiedFlag(false);
    RecordPath();
    // A re-read adds the users of bookings saved without one.
    if (!usersComplete_) AddMissingUsers();
    repairPending_ = true;
    return true;
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
        if (!st.ok()) {
            host_->ShowMessage(fileio::FileMessage(st.cause, path_), IDocHost::Icon::Exclamation);
            return TxResult::Failed;
        }
        if (!ReReadLocked(lock)) {
            // After a re-read that failed nothing may be written: the emptied
            // document would replace every booking in the file.
            if (!inTransaction_) return TxResult::Failed;  // not even read: nothing changed
            inTransaction_ = false;
            txLock_ = nullptr;
            repairPending_ = false;
            UpdateAllViews(nullptr, ViewHint::Changed);
            return TxResult::Failed;
        }
        cleanAtChange_ = clean_;
        onlyNoted_ = false;
        if (!change(*this)) {
            clean_ = false;  // the change may have touched the collections before it gave up
            result = TxResult::Abandoned;
        } else {
            SetModifiedFlag(true);
            if (!OnSaveDocument(path_)) result = TxResult::Failed;
        }
        inTransaction_ = false;
        onlyNoted_ = false;
        txLock_ = nullptr;
    }  // the lock is released here, before any dialog of the repair pass
    if (pathPending_) {
        pathPending_ = false;
        host_->PathRecorded(path_);
    }
    // The save just made saw every reservation's times: without an unset one
    // the repair pass would offer nothing.
    if (repairPending_ && clean_ && timesSet_) repairPending_ = false;
    if (repairPending_) RepairPass();
    UpdateAllViews(sender, result == TxResult::Done ? hint : ViewHint::Changed);
    return result;
}

CKivoDoc::Refresh CKivoDoc::RefreshFromFile(RegisterData* replaced) {
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
    StoreFacts facts;
    try {
        LoadRegister(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &data, &saveSpans_, &facts);
    } catch (const CArchiveException&) {
        refusedStamp_ = stamp;
        return Refresh::Failed;
    } catch (const std::bad_alloc&) {
        return Refresh::Failed;
    }
    refusedStamp_ = {};
    m_arFacility.swap(data.facilities);
    m_arReserve.swap(data.reserves);
    m_arUser.swap(data.users);
    AddMissingUsers();
    SetModifiedFlag(false);
    Remember(std::move(bytes), stamp);
    timesSet_ = facts.timesSet;
    if (replaced) *replaced = std::move(data);
    return Refresh::Read;
}
