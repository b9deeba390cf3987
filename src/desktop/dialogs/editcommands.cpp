#include "desktop/dialogs/editcommands.h"

#include <QDialog>
#include <QWidget>
#include <optional>

#include "core/booking/commit.h"
#include "core/booking/facilityindex.h"
#include "core/booking/rules.h"
#include "core/booking/series.h"
#include "core/doc/kivodoc.h"
#include "core/doc/kvtime.h"
#include "core/doc/messages.h"
#include "core/profile/profile.h"
#include "desktop/dialogs/editsteps.h"
#include "desktop/dialogs/kivodlg.h"
#include "desktop/dialogs/modalprompt.h"
#include "desktop/dialogs/repeatdlg.h"
#include "desktop/dialogs/reservedlg.h"
#include "desktop/dialogs/utf8.h"

namespace editcmd {

namespace {


bool OverlapsForbidden() { return profile::GetInt(profile::Key::Dup) != 0; }

void DayOf(KvTime day, ReserveEntry* e) {
    std::tm tm;
    if (!kvtime::ToLocal(day, &tm)) return;
    e->year = static_cast<uint32_t>(tm.tm_year + 1900);
    e->month = static_cast<uint32_t>(tm.tm_mon + 1);
    e->day = static_cast<uint32_t>(tm.tm_mday);
}

// Removes the reservation found again by value from pos in the fresh file,
// sorted first as the calling list is; true when the file changed.
bool EraseFound(CKivoDoc& doc, QWidget* parent, std::optional<SortKey> sortKey, int pos, const CReserve& snapshot,
                ViewHint hint) {
    const auto find = [&](CKivoDoc& d) {
        if (sortKey) d.SortReserves(*sortKey);
        return d.FindReserve(pos, snapshot);
    };
    const auto erase = [](CKivoDoc& d, int q) { d.m_arReserve.erase(d.m_arReserve.begin() + q); };
    return ChangeFound(doc, parent, find, erase, hint) == TxResult::Done;
}

// The edited reservation as it now stands in the file, after users renamed
// from the dialog's 参照 carried their new names into the reservations.
CReserve Renamed(const CReserve& r, const CReserveDlg::Renames& renames) {
    CReserve out = r;
    for (const auto& [from, to] : renames)
        if (out.m_strUser == from) out.m_strUser = to;
    return out;
}

// Confirm as one booking transaction; refusals are shown once the lock is released.
struct ReserveCommit {
    CKivoDoc& doc;
    QWidget* parent;
    std::optional<SortKey> sortKey;
    const CReserve* shown;  // nullptr for a new reservation
    int pos;                // where the edited record stood after the first re-read
    const CReserveDlg::Renames* renames = nullptr;
    bool stored = false;

    bool operator()(const ReserveEntry& entry) {
        std::optional<CReserve> current;
        if (shown) current = renames ? Renamed(*shown, *renames) : *shown;
        booking::Request request;
        request.entry = entry;
        // Read before the lock: a slow profile must not hold other desks off.
        request.dupForbidden = OverlapsForbidden();
        request.edited = current ? &*current : nullptr;
        request.editedPos = pos;
        request.sortKey = sortKey;
        const booking::Outcome out = booking::Commit(doc, request, nullptr, ViewHint::Changed);
        if (out.vanished) {
            // Nothing of this dialog can be saved any more; it closes.
            ShowMessage(parent, U(msg::kEditConflict));
            return true;
        }
        if (out.check != CheckResult::Ok) {
            ShowMessage(parent, U(CheckMessage(out.check)));
            return false;
        }
        // A file fault was reported by the document; the input stays for another try.
        stored = out.tx == TxResult::Done;
        return stored;
    }
};

// The entry dialog for a new reservation; true when one was stored.
bool RunEntryDialog(CKivoDoc& doc, QWidget* parent, const ReserveEntry& entry, std::optional<SortKey> sortKey) {
    CReserveDlg dlg(doc, entry, parent);
    ReserveCommit commit{doc, parent, sortKey, nullptr, -1};
    dlg.SetCommit(std::ref(commit));
    Prompt().Exec(&dlg);
    // Delete on a new reservation adds nothing: no commit ran.
    return commit.stored;
}

}  // namespace

bool AddReservation(CKivoDoc& doc, QWidget* parent, int facilityPos, int hour, std::optional<SortKey> sortKey) {
    if (!Reload(doc)) return false;
    if (sortKey) doc.SortReserves(*sortKey);
    // The menu command repaints after its re-read; the double-click does not.
    if (hour < 0 && !sortKey) doc.UpdateAllViews(nullptr, ViewHint::Repaint);
    ReserveEntry entry;
    DayOf(doc.m_timeDay, &entry);
    entry.facility = facilityPos;
    if (hour >= 0) {
        entry.startHour = static_cast<uint32_t>(hour);
        entry.endHour = static_cast<uint32_t>(hour + 1);
    }
    return RunEntryDialog(doc, parent, entry, sortKey);
}

bool AddReservationFor(CKivoDoc& doc, QWidget* parent, const ReserveEntry& proposed, int facilityId,
                       std::optional<SortKey> sortKey) {
    if (!Reload(doc)) return false;
    if (sortKey) doc.SortReserves(*sortKey);
    ReserveEntry entry = proposed;
    entry.facility = FacilityIndexOf(doc.m_arFacility, facilityId);
    return RunEntryDialog(doc, parent, entry, sortKey);
}

bool RepeatReservation(CKivoDoc& doc, QWidget* parent, const CReserve* pointed,
                       std::optional<SortKey> sortKey) {
    // The pointed reservation may be the document's own record, which the re-read frees.
    const std::optional<CReserve> at = pointed ? std::optional<CReserve>(*pointed) : std::nullopt;
    if (!Reload(doc)) return false;
    if (sortKey) doc.SortReserves(*sortKey);
    else doc.UpdateAllViews(nullptr, ViewHint::Repaint);
    ReserveEntry entry;
    DayOf(at ? at->m_timeStart : doc.m_timeDay, &entry);
    entry.facility = at ? doc.GetFacilityIndex(at->m_nFacilityID) : 0;
    CRepeatDlg dlg(doc, entry, parent);
    bool stored = false;
    dlg.SetCommit([&](const ReserveEntry& first, series::Pattern pattern, const series::End& end) {
        std::vector<series::Item> items;
        if (series::Plan(first, pattern, end, &items) != series::PlanResult::Ok) return false;
        const bool dupForbidden = OverlapsForbidden();
        const TxResult tx = series::Book(doc, first, dupForbidden, &items, -1, sortKey, nullptr, ViewHint::Changed);
        // A file fault was reported by the document; the input stays for another try.
        if (tx == TxResult::Failed) return false;
        stored = tx == TxResult::Done;
        QString refused;
        for (const series::Item& it : items) {
            if (it.skipped || it.booked) continue;
            // No facility is every date's fault, and the entry dialog's to tell.
            if (it.check == CheckResult::NoFacility) {
                ShowMessage(parent, U(CheckMessage(it.check)));
                return false;
            }
            refused += QStringLiteral("\n%1/%2/%3 %4")
                           .arg(it.year, 4, 10, QLatin1Char('0'))
                           .arg(it.month, 2, 10, QLatin1Char('0'))
                           .arg(it.day, 2, 10, QLatin1Char('0'))
                           .arg(U(CheckMessage(it.check)));
        }
        if (!refused.isEmpty()) ShowMessage(parent, U(series::kNotBooked) + refused);
        // With nothing booked the dialog stays for another try.
        return stored;
    });
    Prompt().Exec(&dlg);
    return stored;
}

bool EditReservation(CKivoDoc& doc, QWidget* parent, int pos, const CReserve& shown,
                     std::optional<SortKey> sortKey) {
    // The caller may hand in the document's own record, which the re-read frees.
    const CReserve snapshot = shown;
    if (!Reload(doc)) return false;
    if (sortKey) doc.SortReserves(*sortKey);
    // The record the view showed, found again by value: never the dialog of
    // whatever record now stands at that position.
    const int k = doc.FindReserve(pos, snapshot);
    if (!FoundAgain(doc, parent, k)) return false;
    const CReserve shownNow = *doc.m_arReserve[static_cast<size_t>(k)];
    ReserveEntry entry;
    if (!EntryFromReserve(shownNow, doc.m_arFacility, &entry)) {
        // Offered on its start's date, that end would be moved by any OK.
        ShowMessage(parent, QString::fromUtf8(EndNotShownMessage(shownNow)));
        return false;
    }
    CReserveDlg dlg(doc, entry, parent);
    ReserveCommit commit{doc, parent, sortKey, &shownNow, k, &dlg.UserRenames()};
    dlg.SetCommit(std::ref(commit));
    if (Prompt().Exec(&dlg) != QDialog::Accepted) return false;
    if (!dlg.Entry().deleteFlag) return commit.stored;

    const CReserve edited = Renamed(shownNow, dlg.UserRenames());
    return EraseFound(doc, parent, sortKey, k, edited, ViewHint::Changed);
}

bool DeleteReservation(CKivoDoc& doc, QWidget* parent, int pos, const CReserve& shown,
                       std::optional<SortKey> sortKey) {
    const CReserve snapshot = shown;  // may be the document's own record
    if (!Reload(doc)) return false;
    if (sortKey) doc.SortReserves(*sortKey);
    if (!AskOkCancel(parent, U(msg::kConfirmDelete))) return false;
    return EraseFound(doc, parent, sortKey, pos, snapshot, ViewHint::Repaint);
}

bool AddFacility(CKivoDoc& doc, QWidget* parent) {
    if (!Reload(doc)) return false;
    CKivoDlg dlg(CKivoDlg::Proposed(doc.m_arFacility), parent);
    if (Prompt().Exec(&dlg) != QDialog::Accepted) return false;
    const CKivo added = dlg.Result();
    return doc.Transact(
               [&added](CKivoDoc& d) {
                   d.m_arFacility.push_back(std::make_unique<CKivo>(added));
                   return true;
               },
               nullptr, ViewHint::Repaint) == TxResult::Done;
}

namespace {

FacilityArray CopyFacilities(const FacilityArray& from) {
    FacilityArray to;
    to.reserve(from.size());
    for (const auto& f : from) to.push_back(std::make_unique<CKivo>(*f));
    return to;
}

bool SameFacilities(const FacilityArray& a, const FacilityArray& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const CKivo& x = *a[i];
        const CKivo& y = *b[i];
        if (x.m_nID != y.m_nID || x.m_strName != y.m_strName || x.m_nMaxPeople != y.m_nMaxPeople ||
            x.m_strComment != y.m_strComment)
            return false;
    }
    return true;
}

}  // namespace

bool EditFacilities(CKivoDoc& doc, QWidget* parent) {
    if (!Reload(doc)) return false;
    // The editor works on the document's collection in place; what it started
    // from is kept to tell whether another desk changed the facilities meanwhile.
    FacilityArray before = CopyFacilities(doc.m_arFacility);
    CKivoListDlg dlg(doc.m_arFacility, parent);
    Prompt().Exec(&dlg);
    // Esc after a change closes like 閉じる, so the result does not matter:
    // whatever was changed is saved now.
    if (!dlg.Modified()) return false;
    FacilityArray edited = std::move(doc.m_arFacility);
    doc.m_arFacility = CopyFacilities(before);

    // The list is applied whole, within the transaction, only when the file's
    // facilities are still those the editor started from; otherwise it would
    // silently undo another desk's facility change. Reservations and users of
    // the fresh file are kept either way.
    bool conflict = false;
    const TxResult tx = doc.Transact(
        [&](CKivoDoc& d) {
            if (!SameFacilities(d.m_arFacility, before)) {
                conflict = true;
                return false;
            }
            d.m_arFacility = std::move(edited);
            return true;
        },
        nullptr, ViewHint::Changed);
    if (conflict) ShowMessage(parent, U(msg::kEditConflict));
    return tx == TxResult::Done;
}

}  // namespace editcmd
