#pragma once
// The steps the edit commands share: the re-read that opens a command, and a
// change to a record found again by value in the file as it now stands.
#include <functional>

class CKivoDoc;
class QWidget;
enum class TxResult;
enum class ViewHint;

namespace editcmd {

// The re-read that starts every command. After a failed one the document may
// be empty, so its views are told (ViewHint::Changed) and the command stops (false).
bool Reload(CKivoDoc& doc);

// Whether the record a view showed was found again (pos >= 0). When not,
// another desk changed or removed it: the conflict message and a refresh
// (ViewHint::Changed), never the dialog of whatever record now stands there.
bool FoundAgain(CKivoDoc& doc, QWidget* parent, int pos);

// One change transaction with the given hint: find gives the record's place in
// the freshly read file, change applies to it. When find gives -1 (another
// desk changed or removed the record) nothing is written and the conflict
// message is shown once the lock is released.
TxResult ChangeFound(CKivoDoc& doc, QWidget* parent, const std::function<int(CKivoDoc&)>& find,
                     const std::function<void(CKivoDoc&, int)>& change, ViewHint hint);

}  // namespace editcmd
