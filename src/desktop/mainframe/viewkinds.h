#pragma once
// The kinds of document window (the document templates): the schedule, the
// reservation list, the user list and the week. The main frame opens, finds and
// switches windows through this table only, so a kind is added by
// registering it, without touching the frame.
#include <functional>
#include <vector>

#include "desktop/mainframe/commandtable.h"

class CKivoDoc;
class CMainFrame;
class IKivoView;
class QMdiSubWindow;
class QWidget;

struct ViewKind {
    int templateId = 0;  // the document template: 3 schedule, 4 reservation list, 5 user list, 6 week
    int command = 0;     // the view command that shows it: cmd::ShowSchedule, ShowReserveList, ShowUserList
    // The menu bar while such a window is active; every kind names its own.
    MenuBar menuBar = MenuBar::NoDocument;
    // The window's widget, an IDocWindow, with its view's initial update done.
    std::function<QWidget*(CKivoDoc& doc, CMainFrame& frame)> create;
    // Whether a view of the document is of this kind.
    std::function<bool(IKivoView* view)> owns;
    // Shows a new sub-window of this kind; empty: shown as it is.
    std::function<void(QMdiSubWindow* sub, CMainFrame& frame)> show;
};

// A command on the active document that belongs to no window kind (the
// free-room search): every kind's menu runs it the same way.
struct DocCommand {
    int command = 0;
    std::function<void(CKivoDoc& doc, QWidget* parent)> run;
};

void RegisterViewKind(const ViewKind& kind);
void RegisterDocCommand(const DocCommand& command);
const DocCommand* DocCommandById(int command);
const std::vector<ViewKind>& ViewKinds();
const ViewKind* ViewKindByCommand(int command);
const ViewKind* ViewKindOf(IKivoView* view);
