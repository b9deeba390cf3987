#pragma once
// The commands that change a register through a dialog: the entry dialog for
// reservations, the facility dialogs. Each re-reads the file, runs its dialog
// outside any lock, and applies the confirmed result in one change
// transaction, then tells the document's views with the hint the command owes.
// The entry dialog's confirm is that transaction: re-read, facility and
// overlap checks, change and save under one lock; a refusal is shown after
// the lock is released and leaves the dialog open. (The user list's commands
// are in usercommands.h.)
#include <optional>

#include "core/doc/records.h"
#include "core/doc/reserveentry.h"
#include "core/doc/sortkey.h"

class CKivoDoc;
class QWidget;

namespace editcmd {

// Add a reservation on the displayed day. facilityPos is the initial facility
// position (0 from the menu); hour < 0 keeps the dialog's default times,
// otherwise hour:00 to (hour + 1):00. ViewHint::Changed after a confirmed dialog.
// A sortKey: the caller is a reservation list that sorts by that key after
// each re-read. Returns true when a reservation was stored.
bool AddReservation(CKivoDoc& doc, QWidget* parent, int facilityPos, int hour,
                    std::optional<SortKey> sortKey = std::nullopt);

// Add a reservation proposed whole: the date and times of proposed, and the
// facility numbered facilityId as it stands after the re-read (the week
// window's free cell, a line of the free-room search). Otherwise as above.
bool AddReservationFor(CKivoDoc& doc, QWidget* parent, const ReserveEntry& proposed, int facilityId,
                       std::optional<SortKey> sortKey = std::nullopt);

// Book a series through the repeat dialog: the first date proposed is the
// displayed day, or the day and facility of pointed (a reservation the view
// showed) when given. Confirm books every free date in one transaction; the
// dates refused at that moment are named in one message. Repaint after the
// opening re-read, Changed after the booking. True when the file changed.
bool RepeatReservation(CKivoDoc& doc, QWidget* parent, const CReserve* pointed,
                       std::optional<SortKey> sortKey = std::nullopt);

// Edit or delete the reservation a view showed at pos, whose value was
// snapshot (copied first: it may be the document's own record). It is found
// again by value after the re-read and again at confirm; when another desk
// changed or removed it, "Err:編集中のデータは変更されています。..." and a
// refresh (ViewHint::Changed), never another reservation's dialog; the same
// hint after a stored change or deletion. True when the file changed.
bool EditReservation(CKivoDoc& doc, QWidget* parent, int pos, const CReserve& snapshot,
                     std::optional<SortKey> sortKey = std::nullopt);

// The reservation list's delete: "削除しますか？", then the reservation shown
// at pos is removed, found again by value (conflict message when it is gone).
// ViewHint::Repaint (the list refills itself). True when the file changed.
bool DeleteReservation(CKivoDoc& doc, QWidget* parent, int pos, const CReserve& snapshot,
                       std::optional<SortKey> sortKey = std::nullopt);

// Add a facility (facility dialog, proposed number = last + 1 or 0). ViewHint::Repaint.
bool AddFacility(CKivoDoc& doc, QWidget* parent);

// The facility list editor on the document's facility collection. When
// something changed (closed with 閉じる or Esc) the edited list replaces the
// file's in one transaction, provided the file's facilities are still those the
// editor started from; otherwise the conflict message and nothing written.
// ViewHint::Changed either way. The schedule recomputes its layout on that hint.
bool EditFacilities(CKivoDoc& doc, QWidget* parent);

}  // namespace editcmd
