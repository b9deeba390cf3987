#include "desktop/dialogs/usercommands.h"

#include <memory>

#include "core/doc/kivodoc.h"
#include "core/doc/messages.h"
#include "desktop/dialogs/editsteps.h"
#include "desktop/dialogs/modalprompt.h"
#include "desktop/dialogs/userdlg.h"
#include "desktop/dialogs/utf8.h"

namespace editcmd {

TxResult StoreNewUser(CKivoDoc& doc, const CKivoUser& added, ViewHint hint) {
    return doc.Transact(
        [&added](CKivoDoc& d) {
            d.m_arUser.push_back(std::make_unique<CKivoUser>(added));
            return true;
        },
        nullptr, hint);
}

TxResult StoreUserEdit(CKivoDoc& doc, QWidget* parent, int pos, const CKivoUser& before, const CKivoUser& edited,
                       ViewHint hint) {
    return ChangeFound(
        doc, parent, [&](CKivoDoc& d) { return d.FindUser(pos, before); },
        [&](CKivoDoc& d, int q) {
            *d.m_arUser[static_cast<size_t>(q)] = edited;
            if (edited.m_strName != before.m_strName) d.RenameUser(before.m_strName, edited.m_strName);
        },
        hint);
}

bool AddUser(CKivoDoc& doc, QWidget* parent) {
    if (!Reload(doc)) return false;
    CUserDlg dlg(CKivoUser(), true, parent);
    if (Prompt().Exec(&dlg) != QDialog::Accepted) return false;
    return StoreNewUser(doc, dlg.Record(), ViewHint::Changed) == TxResult::Done;
}

bool EditUser(CKivoDoc& doc, QWidget* parent, int pos, const CKivoUser& shown) {
    const CKivoUser snapshot = shown;  // may be the document's own record, which the re-read frees
    if (!Reload(doc)) return false;
    const int k = doc.FindUser(pos, snapshot);
    if (!FoundAgain(doc, parent, k)) return false;
    const CKivoUser before = *doc.m_arUser[static_cast<size_t>(k)];
    CUserDlg dlg(before, false, parent);
    if (Prompt().Exec(&dlg) != QDialog::Accepted) return false;
    return StoreUserEdit(doc, parent, k, before, dlg.Record(), ViewHint::Changed) == TxResult::Done;
}

bool DeleteUser(CKivoDoc& doc, QWidget* parent, int pos, const CKivoUser& shown) {
    const CKivoUser snapshot = shown;  // may be the document's own record
    if (!Reload(doc)) return false;
    if (!AskOkCancel(parent, U(msg::kConfirmDelete))) return false;
    return ChangeFound(
               doc, parent, [&](CKivoDoc& d) { return d.FindUser(pos, snapshot); },
               [](CKivoDoc& d, int q) { d.m_arUser.erase(d.m_arUser.begin() + q); },
               ViewHint::Changed) == TxResult::Done;
}

int FindUser(CKivoDoc& doc, QWidget* parent) {
    CUserFindDlg dlg(parent);
    if (Prompt().Exec(&dlg) != QDialog::Accepted) return -2;
    const int q = doc.SearchUser(0, dlg.Field(), dlg.Text());
    if (q < 0) ShowMessage(parent, U(msg::kNotFound), MsgIcon::Information);
    return q;
}

int FindUserNext(CKivoDoc& doc, QWidget* parent, int selection, int step) {
    const int q = doc.SearchUserNext(selection + step, step);
    if (q < 0) ShowMessage(parent, U(msg::kNotFound), MsgIcon::Information);
    return q;
}

}  // namespace editcmd
