#include "desktop/lists/reserveview.h"

#include "core/doc/text.h"
#include "core/profile/profile.h"
#include "desktop/dialogs/editcommands.h"
#include "desktop/dialogs/runexport.h"

CReserveView::CReserveView(CKivoDoc* doc, QWidget* parent) : CRecordListView(doc, "RFont", parent) {
    setObjectName(QStringLiteral("CReserveView"));
}

SortKey CReserveView::SavedSortKey() { return SortKeyFromNumber(profile::GetInt(profile::Key::RViewSort)); }

std::optional<SortKey> CReserveView::ListSortKey() {
    // A negative saved number never sorted the edit commands' re-reads.
    const SortKey key = SavedSortKey();
    return SortKeyNumber(key) < 0 ? std::nullopt : std::optional<SortKey>(key);
}

void CReserveView::OnInitialUpdate() {
    GetDocument()->SortReserves(SavedSortKey());
    FillList(ListSelection::First);
}

void CReserveView::Arrange() { GetDocument()->SortReserves(SavedSortKey()); }

int CReserveView::TakeSnapshot() {
    const CKivoDoc& doc = *GetDocument();
    facilityNames_ = FacilityNames(doc.m_arFacility);
    return Snapshot(doc.m_arReserve);
}

QString CReserveView::FormatLine(int row) const {
    const CReserve& r = *Shown(row);
    return QString::fromStdString(text::ToUtf8(ReserveListLine(r, facilityNames_.Of(r.m_nFacilityID))));
}

void CReserveView::OnAdd() {
    if (editcmd::AddReservation(*GetDocument(), this, 0, -1, ListSortKey()))
        FillList(ListSelection::Last);
}

void CReserveView::OnRepeat() {
    // The series starts from the day and facility of the line the desk chose, if any.
    if (editcmd::RepeatReservation(*GetDocument(), this, Shown(Selection()), ListSortKey()))
        FillList(ListSelection::Last);
}

void CReserveView::OnEdit() {
    // The line the desk chose stands for the reservation it showed; a line
    // beyond what the list holds is never read.
    OnSelected([this](int p, const CReserve& shown) {
        return editcmd::EditReservation(*GetDocument(), this, p, shown, ListSortKey());
    });
}

void CReserveView::OnDelete() {
    if (OnSelected([this](int p, const CReserve& shown) {
            return editcmd::DeleteReservation(*GetDocument(), this, p, shown, ListSortKey());
        }))
        GetDocument()->UpdateAllViews(nullptr, ViewHint::Repaint);
}

void CReserveView::OnSort(SortKey key) {
    GetDocument()->SortReserves(key);
    profile::WriteInt(profile::Key::RViewSort, SortKeyNumber(key));
    FillList(ListSelection::Current);
}

bool CReserveView::OnCommand(int id) {
    if (!GetDocument()) return false;
    for (int key = 0; key < kSortKeyCount; ++key) {
        if (id == kSortCommands[key]) {
            OnSort(SortKeyFromNumber(key));
            return true;
        }
    }
    if (id == cmd::RepeatReserve) {
        OnRepeat();
        return true;
    }
    if (id == cmd::ExportIcal) {
        RunIcalExportCommand(this, *GetDocument());
        return true;
    }
    return OnSharedCommand(id, ExportKind::ReserveText);
}

bool CReserveView::OnUpdateCommand(int id, CmdState* state) {
    if (!GetDocument()) return false;
    for (int command : kSortCommands) {
        if (id == command) {
            state->enabled = true;
            return true;
        }
    }
    // Enabled wherever the add command is.
    if (id == cmd::RepeatReserve) return UpdateSharedCommand(cmd::AddReserve, cmd::ShowReserveList, state);
    if (id == cmd::ExportIcal) return UpdateSharedCommand(cmd::ExportText, cmd::ShowReserveList, state);
    return UpdateSharedCommand(id, cmd::ShowReserveList, state);
}
