// The main window's command routing - the active document window first, then
// the frame - and the frame's own commands: file, view, window and help.
#include "desktop/mainframe/mainframe.h"

#include <QAction>
#include <QMdiArea>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QToolBar>

#include "core/doc/kivodoc.h"
#include "desktop/dialogs/modalprompt.h"
#include "desktop/framework/appprinter.h"
#include "desktop/framework/docwindow.h"
#include "desktop/mainframe/aboutdlg.h"
#include "desktop/mainframe/helpwindow.h"
#include "desktop/mainframe/mditiling.h"
#include "desktop/mainframe/settingscmd.h"
#include "desktop/mainframe/viewkinds.h"

namespace {

bool IsShowKindCommand(int id) {
    return id == cmd::ShowSchedule || id == cmd::ShowReserveList || id == cmd::ShowUserList ||
           ViewKindByCommand(id) != nullptr;
}

bool IsRecentFileCommand(int id) { return id >= cmd::RecentFile1 && id < cmd::RecentFile1 + CDocManager::kRecentCount; }

// The commands that change a register: greyed where the role may only read it.
bool ChangesTheRegister(int id) {
    return id == cmd::AddReserve || id == cmd::RepeatReserve || id == cmd::AddFacility ||
           id == cmd::EditFacilities || id == cmd::EditReserve || id == cmd::DeleteReserve;
}

}  // namespace

void CMainFrame::Execute(int id) {
    if (!StateOf(id).enabled) return;
    IDocWindow* w = ActiveDocWindow();
    ICommandTarget* target = w ? w->Target() : nullptr;
    if (!(target && target->OnCommand(id))) OnCommand(id);
    UpdateCommandStates();
}

CmdState CMainFrame::StateOf(int id) {
    CmdState s = RoutedState(id);
    if (s.enabled && ChangesTheRegister(id) && docs_ && docs_->IsReadOnly(ActiveDocument())) s.enabled = false;
    return s;
}

CmdState CMainFrame::RoutedState(int id) {
    CmdState s;
    IDocWindow* w = ActiveDocWindow();
    ICommandTarget* target = w && w->Document() ? w->Target() : nullptr;
    if (target && target->OnUpdateCommand(id, &s)) {
        // A kind of window that does not exist yet cannot be shown.
        if (IsShowKindCommand(id) && !ViewKindByCommand(id)) s.enabled = false;
        return s;
    }
    s = CmdState{};
    if (OnUpdateCommand(id, &s)) return s;
    return CmdState{false, false};
}

void CMainFrame::UpdateCommandStates() {
    commands_->ForEachCommand([this](int id, QAction* action) {
        const CmdState s = StateOf(id);
        action->setEnabled(s.enabled);
        if (action->isCheckable()) action->setChecked(s.checked);
    });
}

bool CMainFrame::OnCommand(int id) {
    CKivoDoc* doc = ActiveDocument();
    if (IsRecentFileCommand(id)) {
        if (docs_) docs_->OpenRecent(id - cmd::RecentFile1);
        return true;
    }
    switch (id) {
        case cmd::FileNew: if (docs_) docs_->NewDocument(); return true;
        case cmd::FileOpen: if (docs_) docs_->PromptOpen(); return true;
        case cmd::FileOpenServer: if (docs_) docs_->PromptOpenServer(); return true;
        case cmd::FileClose: if (doc && docs_) docs_->Close(*doc); return true;
        case cmd::FileSave: if (doc && docs_) docs_->Save(*doc); return true;
        case cmd::FileSaveAs: if (doc && docs_) docs_->SaveAs(*doc); return true;
        case cmd::PrintSetup: {
            QPageSetupDialog dlg(&AppPrinter(), this);
            dlg.setObjectName(QStringLiteral("QPageSetupDialog"));
            Prompt().Exec(&dlg);
            return true;
        }
        case cmd::Exit: close(); return true;
        case cmd::ViewToolBar: toolBar_->setVisible(!toolBar_->isVisible()); return true;
        case cmd::ViewStatusBar: statusBar()->setVisible(!statusBar()->isVisible()); return true;
        case cmd::Settings:
            // Only the active document's views are told of the new settings.
            if (RunSettings(&m_colors, this, docs_ && docs_->ForbidsOverlaps(ActiveDocument())) && ActiveDocument()) ActiveDocument()->UpdateAllViews(nullptr, ViewHint::Repaint);
            return true;
        case cmd::ShowSchedule: case cmd::ShowReserveList: case cmd::ShowUserList: ShowKind(id); return true;
        case cmd::HelpContents: HelpWindow()->ShowContents(); return true;
        case cmd::HelpIndex: HelpWindow()->ShowIndex(QString()); return true;
        case cmd::About: {
            CAboutDlg dlg(this);
            Prompt().Exec(&dlg);
            return true;
        }
        case cmd::WindowNew: NewWindow(); return true;
        case cmd::WindowCascade: Cascade(*mdi_); return true;
        case cmd::WindowTileHorz: Tile(*mdi_, TileMode::Horizontal); return true;
        case cmd::WindowTileVert: Tile(*mdi_, TileMode::Vertical); return true;
        case cmd::WindowArrange: ArrangeIcons(*mdi_); return true;
        default: break;
    }
    // The kinds and document commands registered later than the three above.
    if (IsShowKindCommand(id)) {
        ShowKind(id);
        return true;
    }
    if (const DocCommand* c = DocCommandById(id)) {
        if (doc) c->run(*doc, this);
        return true;
    }
    return false;
}

bool CMainFrame::OnUpdateCommand(int id, CmdState* state) {
    const bool haveDoc = ActiveDocument() != nullptr;
    if (IsRecentFileCommand(id)) {
        state->enabled = docs_ && id - cmd::RecentFile1 < docs_->RecentFiles().size();
        return true;
    }
    switch (id) {
        case cmd::FileNew: case cmd::FileOpen: case cmd::FileOpenServer: case cmd::PrintSetup: case cmd::Exit:
        case cmd::Settings: case cmd::HelpContents: case cmd::HelpIndex: case cmd::About:
            return true;
        case cmd::ViewToolBar: state->checked = toolBar_ && !toolBar_->isHidden(); return true;
        case cmd::ViewStatusBar: state->checked = !statusBar()->isHidden(); return true;
        case cmd::FileClose: case cmd::FileSave: case cmd::FileSaveAs: case cmd::WindowNew:
            state->enabled = haveDoc;
            return true;
        case cmd::ShowSchedule: case cmd::ShowReserveList: case cmd::ShowUserList:
            state->enabled = haveDoc && ViewKindByCommand(id) != nullptr;
            return true;
        case cmd::WindowCascade: case cmd::WindowTileHorz: case cmd::WindowTileVert: case cmd::WindowArrange:
            state->enabled = !mdi_->subWindowList().isEmpty();
            return true;
        default: break;
    }
    if (IsShowKindCommand(id) || DocCommandById(id)) {
        state->enabled = haveDoc;
        return true;
    }
    return false;
}

void CMainFrame::ShowKind(int command) {
    IDocWindow* active = ActiveDocWindow();
    CKivoDoc* doc = active ? active->Document() : nullptr;
    const ViewKind* kind = ViewKindByCommand(command);
    if (!doc || !kind) return;
    const bool maximized = ActiveSubWindow()->isMaximized();
    for (IKivoView* v : doc->Views()) {
        if (!kind->owns(v)) continue;
        for (QMdiSubWindow* sub : mdi_->subWindowList()) {
            auto* child = qobject_cast<CChildFrame*>(sub);
            if (!child || !child->DocWindow() || child->DocWindow()->View() != v) continue;
            if (maximized) sub->showMaximized();
            else if (sub->isMinimized()) sub->showNormal();
            mdi_->setActiveSubWindow(sub);
            OnActiveChanged();
            return;
        }
    }
    QMdiSubWindow* sub = OpenWindow(*doc, *kind);
    if (maximized) sub->showMaximized();
}

void CMainFrame::NewWindow() {
    IDocWindow* active = ActiveDocWindow();
    CKivoDoc* doc = active ? active->Document() : nullptr;
    const ViewKind* kind = active ? ViewKindOf(active->View()) : nullptr;
    if (doc && kind) OpenWindow(*doc, *kind);
}
