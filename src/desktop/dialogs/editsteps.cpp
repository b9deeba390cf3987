#include "desktop/dialogs/editsteps.h"

#include "core/doc/kivodoc.h"
#include "core/doc/messages.h"
#include "desktop/dialogs/modalprompt.h"
#include "desktop/dialogs/utf8.h"

namespace editcmd {

bool Reload(CKivoDoc& doc) {
    if (doc.ReloadFromFile()) return true;
    doc.UpdateAllViews(nullptr, ViewHint::Changed);
    return false;
}

bool FoundAgain(CKivoDoc& doc, QWidget* parent, int pos) {
    if (pos >= 0) return true;
    ShowMessage(parent, U(msg::kEditConflict));
    doc.UpdateAllViews(nullptr, ViewHint::Changed);
    return false;
}

TxResult ChangeFound(CKivoDoc& doc, QWidget* parent, const std::function<int(CKivoDoc&)>& find,
                     const std::function<void(CKivoDoc&, int)>& change, ViewHint hint) {
    bool vanished = false;
    const TxResult tx = doc.Transact(
        [&](CKivoDoc& d) {
            const int q = find(d);
            if (q < 0) {
                vanished = true;
                return false;
            }
            change(d, q);
            return true;
        },
        nullptr, hint);
    if (vanished) ShowMessage(parent, U(msg::kEditConflict));
    return tx;
}

}  // namespace editcmd
