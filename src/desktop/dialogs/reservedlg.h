#pragma once
// The reservation entry dialog (template 103) and the repair dialog
// (template 122) built on it.
//
// Object names, for tests and accessibility: the dialog is "CReserveDlg" or
// "CReserveErrDlg"; its controls are named by their template ids:
//   edit102 user, button118 browse, edit114/115/116 year/month/day,
//   edit105/106 start hour/minute, edit107/108 end hour/minute,
//   combo109 facility, edit110 purpose, edit112 contact, button1 OK,
//   button2 Cancel (entry dialog only), button111 delete, check120 fee paid,
//   edit121 fee, label_repair the repair dialog's explanation.
#include <QDialog>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/doc/reserveentry.h"
#include "desktop/dialogs/entryfields.h"

class CKivoDoc;

class CReserveDlg : public QDialog {
    Q_OBJECT
public:
    // Confirm's last step, after the fields read and the date and times
    // passed: the caller checks and stores the entry (one change transaction)
    // and says whether the dialog closes with OK (true) or stays open (false,
    // after the caller has shown why).
    using Commit = std::function<bool(const ReserveEntry&)>;

    // entry holds the initial values; entry.facility is the initial facility
    // position (outside the collection: nothing selected). The facility list
    // comes from doc's collection; browse opens the user list of doc.
    CReserveDlg(CKivoDoc& doc, const ReserveEntry& entry, QWidget* parent = nullptr);

    void SetCommit(Commit commit) { commit_ = std::move(commit); }
    // The members as read at the last confirm, delete or browse.
    const ReserveEntry& Entry() const { return entry_; }
    // Users renamed from 参照 (old name, new name, in order): their
    // reservations, the edited one among them, now carry the new name.
    using Renames = std::vector<std::pair<std::string, std::string>>;
    const Renames& UserRenames() const { return renames_; }

    void accept() override;  // OK and Enter: confirm

protected:
    CReserveDlg(CKivoDoc& doc, const ReserveEntry& entry, QWidget* parent, bool repair);
    // Reads every control into the members; false after a refusal message.
    bool ReadControls();
    void ShowControls();
    void OnDelete();
    void OnBrowse();

    CKivoDoc& doc_;
    ReserveEntry entry_;
    Commit commit_;
    Renames renames_;
    EntryControls fields_;

private:
    void Build(bool repair);
};

// The repair dialog for a reservation without valid times: no Cancel; Esc
// and the close box end it with OK and the values as typed, unchecked.
class CReserveErrDlg : public CReserveDlg {
    Q_OBJECT
public:
    CReserveErrDlg(CKivoDoc& doc, const ReserveEntry& entry, QWidget* parent = nullptr);
    void reject() override;
};
