#include "desktop/week/weekkind.h"

#include "desktop/dialogs/freedlg.h"
#include "desktop/framework/commands.h"
#include "desktop/mainframe/mainframe.h"
#include "desktop/mainframe/viewkinds.h"
#include "desktop/week/weekview.h"

void RegisterWeekViewKind() {
    ViewKind week;
    week.templateId = 6;
    week.command = cmd::ShowWeek;
    week.menuBar = MenuBar::Week;
    week.create = [](CKivoDoc& doc, CMainFrame& frame) -> QWidget* {
        auto* v = new CWeekView(doc, &frame.m_colors, [&frame](int id) { frame.Execute(id); });
        v->OnInitialUpdate();
        return v;
    };
    week.owns = [](IKivoView* v) { return dynamic_cast<CWeekView*>(v) != nullptr; };
    RegisterViewKind(week);
    RegisterDocCommand({cmd::FindFree, [](CKivoDoc& doc, QWidget* parent) { RunFreeSearch(doc, parent); }});
}
