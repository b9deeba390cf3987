#include "desktop/lists/listkinds.h"

#include "desktop/framework/commands.h"
#include "desktop/lists/reserveview.h"
#include "desktop/lists/userview.h"
#include "desktop/mainframe/viewkinds.h"

// The lists' menus name these commands from the command table; the views
// answer them by their own names, which must stay the same numbers.
static_assert(CReserveView::kSortCommands[0] == cmd::SortByStart && CReserveView::kSortCommands[1] == cmd::SortByEnd &&
              CReserveView::kSortCommands[2] == cmd::SortByUser &&
              CReserveView::kSortCommands[3] == cmd::SortByFacility &&
              CReserveView::kSortCommands[4] == cmd::SortByPurpose &&
              CReserveView::kSortCommands[5] == cmd::SortByContact);
static_assert(CUserView::kFind == cmd::FindUser && CUserView::kFindNext == cmd::FindNextUser &&
              CUserView::kFindPrev == cmd::FindPrevUser && CUserView::kSortByName == cmd::SortByUser);

namespace {

// Both lists are made, shown and recognised the same way; only these differ.
template <class View>
ViewKind ListKind(int templateId, int command, MenuBar menuBar) {
    ViewKind kind;
    kind.templateId = templateId;
    kind.command = command;
    kind.menuBar = menuBar;
    kind.create = [](CKivoDoc& doc, CMainFrame&) -> QWidget* {
        auto* v = new View(&doc);
        v->OnInitialUpdate();
        return v;
    };
    kind.owns = [](IKivoView* v) { return dynamic_cast<View*>(v) != nullptr; };
    return kind;
}

}  // namespace

void RegisterListViewKinds() {
    RegisterViewKind(ListKind<CReserveView>(4, cmd::ShowReserveList, MenuBar::ReserveList));
    RegisterViewKind(ListKind<CUserView>(5, cmd::ShowUserList, MenuBar::UserList));
}
