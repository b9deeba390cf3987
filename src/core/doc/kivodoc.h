#pragma once
// The register document: the three collections of one register, the day the
// schedule shows, the user search, and the change transaction that keeps
// several desks on one file from losing or doubling a booking.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/doc/kvformat.h"
#include "core/doc/records.h"
#include "core/doc/sortkey.h"
#include "core/store/store.h"

class CKivoDoc;
struct ReserveEntry;

// What a change asks of the windows that show the document.
enum class ViewHint {
    Repaint,    // the same records, drawn again (another day, other settings)
    Changed,    // the collections changed: lists refill, the schedule lays out again
    OtherDesks  // another desk's change was read: lists refill and keep their place
};

// A window that shows a document.
class IKivoView {
public:
    virtual ~IKivoView() = default;
    virtual void OnUpdate(IKivoView* sender, ViewHint hint) = 0;
};

// What the document needs of the program around it.
class IDocHost {
public:
    enum class Icon { Exclamation, Information, Question, Stop };
    virtual ~IDocHost() = default;
    virtual void ShowMessage(const std::string& utf8Text, Icon icon) = 0;
    // Runs the repair dialog for the reservation at pos of doc with the entry
    // prepared from it; true when the dialog ended with OK (entry filled,
    // deleteFlag possibly set).
    virtual bool RunRepairDialog(CKivoDoc& doc, int pos, ReserveEntry* entry) = 0;
    // The document was read or saved under path: the desktop program makes it
    // the file its next start opens. Called outside any register lock.
    virtual void PathRecorded(const std::string& path) { (void)path; }
};

// A host that shows nothing and declines every repair.
IDocHost& NullDocHost();

enum class TxResult {
    Done,       // the change was made and saved (or there is no file to save to)
    Abandoned,  // the change function declined; nothing written
    Failed,     // a file error or a re-read fault; reported, nothing written
};

class CKivoDoc {
public:
    CKivoDoc();
    ~CKivoDoc();
    CKivoDoc(const CKivoDoc&) = delete;
    CKivoDoc& operator=(const CKivoDoc&) = delete;

    FacilityArray m_arFacility;
    ReserveArray m_arReserve;
    UserArray m_arUser;
    KvTime m_timeDay;
    int m_nFindField = 0;
    std::string m_strFindText;

    // --- framework side ---
    void SetHost(IDocHost* host) { host_ = host ? host : &NullDocHost(); }
    IDocHost& Host() { return *host_; }
    // Where the register lives, as the desk named it (a file's path); empty
    // for a new register not yet saved.
    const std::string& GetPathName() const;
    const store::Location& GetLocation() const;
    void SetPathName(const std::string& location);
    // What to follow to learn of other desks' changes.
    std::vector<std::string> WatchPaths() const;
    const std::string& GetTitle() const { return title_; }
    void SetTitle(const std::string& title) { title_ = title; }
    bool IsModified() const { return modified_; }
    void SetModifiedFlag(bool modified = true) { modified_ = modified; }

    void AddView(IKivoView* v);
    void RemoveView(IKivoView* v);
    const std::vector<IKivoView*>& Views() const { return views_; }
    void UpdateAllViews(IKivoView* sender, ViewHint hint);

    void DeleteContents();
    bool OnNewDocument();
    // Reads the register at location; on success tells the host
    // (PathRecorded), adds missing users and runs the repair pass. Messages go to the host.
    bool OnOpenDocument(const std::string& location);
    // Saves the whole register to location (Save As; inside a change, the
    // change's own save to its register).
    bool OnSaveDocument(const std::string& location);

    // The last open's outcome: false after a re-read that failed.
    bool ReloadFromFile();
    bool SaveToFile();

    // One change: exclusive lock, re-read, change, save, release; then the
    // deferred repair pass and UpdateAllViews(sender, hint). The change
    // returns false to abandon (nothing written). Without a path the change
    // runs on the data in memory and only sets the modified flag.
    // A change that only adds reservations after the register's others may
    // say so: on a document that has read none of them (a process run for
    // one booking) the store then hands each reservation to saw instead of
    // keeping it, change runs on the facilities, the users and no
    // reservation, and the others' bytes are saved as they were. Where the
    // store cannot, the whole change runs, under the same lock.
    struct Appending {
        std::function<void(const CReserve&)> saw;
        std::function<bool(CKivoDoc&)> change;
    };
    TxResult Transact(const std::function<bool(CKivoDoc&)>& change, IKivoView* sender = nullptr,
                      ViewHint hint = ViewHint::Changed, const Appending* appending = nullptr);

    // Reads the register again when another desk has changed it since this
    // document last read or wrote it. Quiet: no message, no repair pass (the
    // next change runs it); on a failed read the data in memory stays. After a
    // read, the records it replaced go to *replaced when given, for the caller
    // to free when it suits.
    enum class Refresh { Unchanged, Read, Failed };
    Refresh RefreshFromFile(RegisterData* replaced = nullptr);
    // How many times file bytes were parsed into this document.
    int ParseCount() const { return parses_; }
    // Why the last change's save failed (None when it did not): a server that
    // refuses an overlap itself refuses as the booking check does.
    store::Cause LastSaveCause() const { return lastSaveCause_; }

    // --- document operations ---
    int GetFacilityIndex(int id) const;
    int GetMaxFacilityNameLength() const;
    int CompareReserve(const CReserve& a, const CReserve& b, SortKey key) const;
    void SortReserves(SortKey key);
    void SortUsers(SortKey key);
    int FindReserve(int hint, const CReserve& snapshot) const;
    int FindUser(int hint, const CKivoUser& snapshot) const;
    void RenameUser(const std::string& oldName, const std::string& newName);
    void AddMissingUsers();
    int SearchUser(int start, int field, const std::string& text);
    int SearchUserNext(int start, int step) const;

    // Repair of reservations without valid times; true when the one at pos was deleted.
    bool RepairReserve(int pos);
    void RepairPass();

private:
    // The re-read of a change under its lock; false when it failed.
    bool ReReadLocked(store::ITransaction& tx);
    // The collections as the store read them: lent to it and taken back.
    store::Status ReadInto(const std::function<store::Status(RegisterData*)>& read);
    bool Loaded(const store::Status& st, const StoreFacts& facts, bool runRepair);
    bool SaveChange(store::ITransaction& tx);
    // The appending change under tx's lock; Whole when the store cannot make it.
    enum class Around { Done, Abandoned, Failed, NotSaved, Whole };
    Around ChangeAround(store::ITransaction& tx, const Appending& appending);
    void RecordPath();

    IDocHost* host_;
    std::unique_ptr<store::IRegisterStore> store_;
    std::string title_;
    bool modified_ = false;
    bool inTransaction_ = false;
    bool repairPending_ = false;
    bool inRepair_ = false;
    bool pathPending_ = false;  // PathRecorded waits for the transaction's lock to go
    store::ITransaction* tx_ = nullptr;  // the running transaction
    std::vector<IKivoView*> views_;
    // The collections hold exactly what the store last read or wrote. Cleared
    // by anything that leaves them otherwise.
    bool clean_ = false;
    // While clean_: every reservation's user is a user (no missing-users
    // pass needed); no reservation lacks a time (no repair scan needed).
    bool usersComplete_ = false;
    bool timesSet_ = false;
    int parses_ = 0;
    store::Cause lastSaveCause_ = store::Cause::None;
};
