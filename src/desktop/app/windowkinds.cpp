#include "desktop/app/windowkinds.h"

#include "desktop/lists/listkinds.h"
#include "desktop/mainframe/mainframe.h"
#include "desktop/mainframe/viewkinds.h"
#include "desktop/schedule/kivoframe.h"
#include "desktop/schedule/kivoview.h"
#include "desktop/week/weekkind.h"

void RegisterWindowKinds() {
    ViewKind schedule;
    schedule.templateId = 3;
    schedule.command = cmd::ShowSchedule;
    schedule.menuBar = MenuBar::Schedule;
    schedule.create = [](CKivoDoc& doc, CMainFrame& frame) -> QWidget* {
        auto* w = new CKivoFrame(doc, &frame.m_colors);
        w->GetView()->OnInitialUpdate();
        return w;
    };
    schedule.owns = [](IKivoView* v) { return dynamic_cast<CKivoView*>(v) != nullptr; };
    schedule.show = [](QMdiSubWindow* sub, CMainFrame& frame) {
        CKivoFrame::ActivateFrame(sub, &frame.g_nChildShowCmd);
    };
    RegisterViewKind(schedule);
    RegisterListViewKinds();
    RegisterWeekViewKind();
}
