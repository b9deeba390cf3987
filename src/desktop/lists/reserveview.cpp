#include "desktop/lists/reserveview.h"

#include "core/doc/text.h"
#include "core/profile/profile.h"
#include "desktop/dialogs/editcommands.h"

CReserveView::CReserveView(CKivoDoc* doc, QWidget* parent) : CListViewBase(doc, "RFont", parent) {
    setObjectName(QStringLiteral("CReserveView"));
}

int CReserveView::SortKey() { return profile::GetInt(profile::Key::RViewSort); }

void CReserveView::OnInitialUpdate() {
    GetDocument()->SortReserves(SortKey());
    FillList(0);
}

int CReserveView::TakeSnapshot() {
    CKivoDoc& doc = *GetDocument();
    doc.SortReserves(SortKey());
    shown_.clear();
    shown_.reserve(doc.m_arReserve.size());
    for (const auto& r : doc.m_arReserve) shown_.push_back(*r);
    // The first facility of each number names it, as in every list and export.
    facilityNameById_.assign(1, std::string());
    for (auto it = doc.m_arFacility.rbegin(); it != doc.m_arFacility.rend(); ++it) {
        const int id = (*it)->m_nID;
        if (id < 0 || id > 0xFFFF) continue;
        if (static_cast<size_t>(id) >= facilityNameById_.size()) facilityNameById_.resize(static_cast<size_t>(id) + 1);
        facilityNameById_[static_cast<size_t>(id)] = (*it)->m_strName;
    }
    return static_cast<int>(shown_.size());
}

QString CReserveView::FormatLine(int row) const {
    const CReserve& r = shown_[static_cast<size_t>(row)];
    static const std::string none;
    const std::string& name = r.m_nFacilityID >= 0 && static_cast<size_t>(r.m_nFacilityID) < facilityNameById_.size()
                                  ? facilityNameById_[static_cast<size_t>(r.m_nFacilityID)]
                                  : none;
    return QString::fromStdString(text::ToUtf8(ReserveListLine(r, name)));
}

void CReserveView::OnAdd() {
    if (editcmd::AddReservation(*GetDocument(), this, 0, -1, SortKey())) FillList(-2);
}

void CReserveView::OnRepeat() {
    // The series starts from the day and facility of the line the desk chose, if any.
    const int p = Selection();
    const CReserve* pointed = p >= 0 && p < static_cast<int>(shown_.size()) ? &shown_[static_cast<size_t>(p)] : nullptr;
    if (editcmd::RepeatReservation(*GetDocument(), this, pointed, SortKey())) FillList(-2);
}

void CReserveView::OnEdit() {
    const int p = Selection();
    // The line the desk chose stands for the reservation it showed; a line
    // beyond what the list holds is never read.
    if (p < 0 || p >= static_cast<int>(shown_.size())) return;
    const CReserve snapshot = shown_[static_cast<size_t>(p)];
    if (editcmd::EditReservation(*GetDocument(), this, p, snapshot, SortKey())) FillList(-1);
}

void CReserveView::OnDelete() {
    const int p = Selection();
    if (p < 0 || p >= static_cast<int>(shown_.size())) return;
    const CReserve snapshot = shown_[static_cast<size_t>(p)];
    if (editcmd::DeleteReservation(*GetDocument(), this, p, snapshot, SortKey())) {
        FillList(-1);
        GetDocument()->UpdateAllViews(nullptr, 0);
    }
}

void CReserveView::OnSort(int key) {
    GetDocument()->SortReserves(key);
    profile::WriteInt(profile::Key::RViewSort, key);
    FillList(-1);
}

bool CReserveView::OnCommand(int id) {
    if (!GetDocument()) return false;
    for (int key = 0; key < 6; ++key) {
        if (id == kSortCommands[key]) {
            OnSort(key);
            return true;
        }
    }
    switch (id) {
        case cmd::AddReserve: OnAdd(); return true;
        case cmd::RepeatReserve: OnRepeat(); return true;
        case cmd::EditReserve: OnEdit(); return true;
        case cmd::DeleteReserve: OnDelete(); return true;
        case cmd::ExportText: Export(ExportKind::ReserveText); return true;
        default: return false;
    }
}

bool CReserveView::OnUpdateCommand(int id, CmdState* state) {
    if (!GetDocument()) return false;
    for (int key = 0; key < 6; ++key) {
        if (id == kSortCommands[key]) {
            state->enabled = true;
            return true;
        }
    }
    // Enabled wherever the add command is.
    if (id == cmd::RepeatReserve) return UpdateSharedCommand(cmd::AddReserve, cmd::ShowReserveList, state);
    return UpdateSharedCommand(id, cmd::ShowReserveList, state);
}

void CReserveView::RememberLine(int line) {
    remembered_.clear();
    if (line >= 0 && line < static_cast<int>(shown_.size())) remembered_.push_back(shown_[static_cast<size_t>(line)]);
}

int CReserveView::RememberedLine() const {
    if (remembered_.empty()) return -1;
    for (size_t i = 0; i < shown_.size(); ++i)
        if (shown_[i].IsEqual(remembered_.front())) return static_cast<int>(i);
    return -1;
}
