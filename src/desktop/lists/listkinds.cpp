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

void RegisterListViewKinds() {
    ViewKind reserves;
    reserves.templateId = 4;
    reserves.command = cmd::ShowReserveList;
    reserves.menuBar = MenuBar::ReserveList;
    reserves.create = [](CKivoDoc& doc, CMainFrame&) -> QWidget* {
        auto* v = new CReserveView(&doc);
        v->OnInitialUpdate();
        return v;
    };
    reserves.owns = [](IKivoView* v) { return dynamic_cast<CReserveView*>(v) != nullptr; };
    RegisterViewKind(reserves);

    ViewKind users;
    users.templateId = 5;
    users.command = cmd::ShowUserList;
    users.menuBar = MenuBar::UserList;
    users.create = [](CKivoDoc& doc, CMainFrame&) -> QWidget* {
        auto* v = new CUserView(&doc);
        v->OnInitialUpdate();
        return v;
    };
    users.owns = [](IKivoView* v) { return dynamic_cast<CUserView*>(v) != nullptr; };
    RegisterViewKind(users);
}
