#pragma once
// The user list window's commands on one document, each through the change
// protocol: re-read, dialog outside any lock, one change transaction.

class CKivoDoc;
class CKivoUser;
class QWidget;
enum class TxResult;
enum class ViewHint;

namespace editcmd {

// Add a user; edit the user shown at pos (found again by value; a new name is
// carried into the reservations); delete it. ViewHint::Changed; true when the
// file changed.
bool AddUser(CKivoDoc& doc, QWidget* parent);
bool EditUser(CKivoDoc& doc, QWidget* parent, int pos, const CKivoUser& snapshot);
bool DeleteUser(CKivoDoc& doc, QWidget* parent, int pos, const CKivoUser& snapshot);
// The find question; on OK the document's search starts from user 0 and the
// position found is returned ("見つかりません" and -1 when none; -2 cancelled).
int FindUser(CKivoDoc& doc, QWidget* parent);
// Find next (step 1) or previous (step -1) from the line after or before
// selection, with the document's remembered search; "見つかりません" and -1.
int FindUserNext(CKivoDoc& doc, QWidget* parent, int selection, int step);

// The two stores the user list window and the reservation dialogs' user list
// share. A new user goes last; an edited one is found again by value from
// pos, and a new name is carried into the reservations so the old one does
// not come back as a user (the conflict message when it is gone).
TxResult StoreNewUser(CKivoDoc& doc, const CKivoUser& added, ViewHint hint);
TxResult StoreUserEdit(CKivoDoc& doc, QWidget* parent, int pos, const CKivoUser& before, const CKivoUser& edited,
                       ViewHint hint);

}  // namespace editcmd
