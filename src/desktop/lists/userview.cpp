#include "desktop/lists/userview.h"

#include "core/doc/text.h"
#include "core/profile/profile.h"
#include "desktop/dialogs/editcommands.h"
#include "desktop/dialogs/usercommands.h"

CUserView::CUserView(CKivoDoc* doc, QWidget* parent) : CListViewBase(doc, "UFont", parent) {
    setObjectName(QStringLiteral("CUserView"));
}

void CUserView::OnInitialUpdate() { FillList(0); }

int CUserView::TakeSnapshot() {
    const CKivoDoc& doc = *GetDocument();
    shown_.clear();
    shown_.reserve(doc.m_arUser.size());
    for (const auto& u : doc.m_arUser) shown_.push_back(*u);
    return static_cast<int>(shown_.size());
}

QString CUserView::FormatLine(int row) const {
    return QString::fromStdString(text::ToUtf8(shown_[static_cast<size_t>(row)].m_strName));
}

void CUserView::OnAdd() {
    if (editcmd::AddUser(*GetDocument(), this)) FillList(-2);
}

void CUserView::OnEdit() {
    const int p = Selection();
    if (p < 0 || p >= static_cast<int>(shown_.size())) return;
    const CKivoUser snapshot = shown_[static_cast<size_t>(p)];
    if (editcmd::EditUser(*GetDocument(), this, p, snapshot)) FillList(-1);
}

void CUserView::OnDelete() {
    const int p = Selection();
    if (p < 0 || p >= static_cast<int>(shown_.size())) return;
    const CKivoUser snapshot = shown_[static_cast<size_t>(p)];
    if (editcmd::DeleteUser(*GetDocument(), this, p, snapshot)) {
        FillList(-1);
        GetDocument()->UpdateAllViews(nullptr, 0);
    }
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
    GetDocument()->SortUsers(2);
    profile::WriteInt(profile::Key::UserViewSort, 2);
    FillList(-1);
}

bool CUserView::OnCommand(int id) {
    if (!GetDocument()) return false;
    switch (id) {
        case cmd::AddReserve: OnAdd(); return true;
        case cmd::EditReserve: OnEdit(); return true;
        case cmd::DeleteReserve: OnDelete(); return true;
        case kFind: OnFind(); return true;
        case kFindNext: OnFindNext(1); return true;
        case kFindPrev: OnFindNext(-1); return true;
        case kSortByName: OnSortByName(); return true;
        case cmd::ExportText: Export(ExportKind::Users); return true;
        default: return false;
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

void CUserView::RememberLine(int line) {
    remembered_.clear();
    if (line >= 0 && line < static_cast<int>(shown_.size())) remembered_.push_back(shown_[static_cast<size_t>(line)]);
}

int CUserView::RememberedLine() const {
    if (remembered_.empty()) return -1;
    for (size_t i = 0; i < shown_.size(); ++i)
        if (shown_[i].IsEqual(remembered_.front())) return static_cast<int>(i);
    return -1;
}
