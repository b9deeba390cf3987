#include "core/doc/kivodoc.h"

#include <algorithm>
#include <string_view>

#include "core/booking/facilityindex.h"
#include "core/booking/rules.h"
#include "core/doc/kvtime.h"
#include "core/doc/messages.h"
#include "core/doc/missingusers.h"
#include "core/doc/reserveentry.h"
#include "core/doc/text.h"
#include "core/profile/profile.h"

namespace {

class NullHost : public IDocHost {
public:
    void ShowMessage(const std::string&, Icon) override {}
    bool RunRepairDialog(CKivoDoc&, int, ReserveEntry*) override { return false; }
};

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
    store_.reset();
    modified_ = false;
    return true;
}

int CKivoDoc::GetFacilityIndex(int id) const { return FacilityIndexOf(m_arFacility, id); }

int CKivoDoc::GetMaxFacilityNameLength() const {
    size_t n = 10;
    for (const auto& f : m_arFacility) n = std::max(n, f->m_strName.size());
    return static_cast<int>(n);
}

namespace {

// The record equal to snapshot: at pos when it still stands there, else the first.
template <class Array, class Record>
int FindEqual(const Array& records, int pos, const Record& snapshot) {
    const int n = static_cast<int>(records.size());
    if (pos >= 0 && pos < n && records[static_cast<size_t>(pos)]->IsEqual(snapshot)) return pos;
    for (int i = 0; i < n; ++i)
        if (records[static_cast<size_t>(i)]->IsEqual(snapshot)) return i;
    return -1;
}

}  // namespace

int CKivoDoc::FindReserve(int hint, const CReserve& snapshot) const { return FindEqual(m_arReserve, hint, snapshot); }

int CKivoDoc::FindUser(int hint, const CKivoUser& snapshot) const { return FindEqual(m_arUser, hint, snapshot); }

void CKivoDoc::RenameUser(const std::string& oldName, const std::string& newName) {
    clean_ = false;
    for (auto& r : m_arReserve)
        if (r->m_strUser == oldName) r->m_strUser = newName;
}

void CKivoDoc::AddMissingUsers() {
    ::AddMissingUsers(&m_arUser, m_arReserve.size(), [this](size_t i) -> const std::string& {
        return m_arReserve[i]->m_strUser;
    });
    usersComplete_ = true;
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
