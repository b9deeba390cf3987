#include "desktop/lists/userview.h"

#include "core/doc/text.h"
#include "core/lists/export.h"
#include "core/doc/sortkey.h"
#include "core/profile/profile.h"
#include "desktop/dialogs/editcommands.h"
#include "desktop/dialogs/usercommands.h"

CUserView::CUserView(CKivoDoc* doc, QWidget* parent) : CRecordListView(doc, "UFont", parent) {
    setObjectName(QStringLiteral("CUserView"));
}

void CUserView::OnInitialUpdate() { FillList(ListSelection::First); }

int CUserView::TakeSnapshot() { return Snapshot(GetDocument()->m_arUser); }

QString CUserView::FormatLine(int row) const { return QString::fromStdString(text::ToUtf8(Shown(row)->m_strName)); }

void CUserView::OnAdd() {
    if (editcmd::AddUser(*GetDocument(), this)) FillList(ListSelection::Last);
}

void CUserView::OnEdit() {
    OnSelected([this](int p, const CKivoUser& shown) { return editcmd::EditUser(*GetDocument(), this, p, shown); });
}

void CUserView::OnDelete() {
    if (OnSelected([this](int p, const CKivoUser& u) { return editcmd::DeleteUser(*GetDocument(), this, p, u); }))
        GetDocument()->UpdateAllViews(nullptr, ViewHint::Repaint);
}

void CUserView::OnFind() {
    const int q = editcmd::FindUser(*GetDocument(), this);
    if (q >= 0) SelectLine(q);
}

void CUserView::OnFindNext(int step) {
    const int q = editcmd::FindUserNext(*GetDocument(), this, Selection(), step);
    if (q >= 0) SelectLine(q);
}

void CUserView::OnSortByName() {
    // Users are ordered by the reservations' user-name key; the profile keeps its number.
    GetDocument()->SortUsers(SortKey::User);
    profile::WriteInt(profile::Key::UserViewSort, SortKeyNumber(SortKey::User));
    FillList(ListSelection::Current);
}

bool CUserView::OnCommand(int id) {
    if (!GetDocument()) return false;
    switch (id) {
        case kFind: OnFind(); return true;
        case kFindNext: OnFindNext(1); return true;
        case kFindPrev: OnFindNext(-1); return true;
        case kSortByName: OnSortByName(); return true;
        default: return OnSharedCommand(id, ExportKind::Users);
    }
}

bool CUserView::OnUpdateCommand(int id, CmdState* state) {
    if (!GetDocument()) return false;
    switch (id) {
        case kFind:
        case kFindNext:
        case kFindPrev:
        case kSortByName:
            state->enabled = true;
            return true;
        default: return UpdateSharedCommand(id, cmd::ShowUserList, state);
    }
}
