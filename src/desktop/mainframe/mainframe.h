#pragma once
// The main window: it assembles the MDI area with the document windows, the
// commands (commandtable.h), tool bar, status bar and menus, and routes every
// command to the active document window first, then to itself.
#include <QMainWindow>
#include <QMdiSubWindow>
#include <memory>

#include "desktop/framework/commands.h"
#include "desktop/framework/docmanager.h"
#include "desktop/framework/showcmd.h"
#include "desktop/mainframe/commandtable.h"
#include "desktop/schedule/schedulepaint.h"

class CHelpWindow;
class CKivoDoc;
class CLockIndicators;
class IDocWindow;
class QLabel;
class QMdiArea;
class QMenu;
class QToolBar;
struct ViewKind;

// An MDI child that holds one document window. The document closes with its
// last window, after asking to save a new register with changes.
class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    CChildFrame(CDocManager* docs, QWidget* parent = nullptr);
    IDocWindow* DocWindow() const;
    bool m_bNoAsk = false;  // set while the program closes all windows at once

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    CDocManager* docs_;
};

class CMainFrame : public QMainWindow, public IWindowFactory, public ICommandTarget {
    Q_OBJECT
public:
    explicit CMainFrame(CDocManager* docs, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The fee colours the schedule draws with (View/RevColor1, RevColor2).
    ScheduleColors m_colors;
    // How schedule windows open: maximised or normal. Set from the profile
    // at start; follows the last schedule window resized while the program
    // runs. The frame lives as long as the process, as this state does.
    ShowCmd g_nChildShowCmd = ShowCmd::Maximized;

    QAction* Action(int id) const;
    // Runs a command as its menu item, tool button or key would.
    void Execute(int id);
    CmdState StateOf(int id);
    // The state as the active window or the frame gives it, before the
    // register's own limits.
    CmdState RoutedState(int id);
    // The one place that enables and checks every command's actions.
    void UpdateCommandStates();

    QMdiArea* MdiArea() const { return mdi_; }
    QToolBar* ToolBar() const { return toolBar_; }
    // The status bar's text while no prompt is shown.
    QLabel* IdleText() const { return idle_; }
    // The caption: the program's name, then the active document's title, or
    // the active window's own title in brackets while it is maximised.
    QString FrameTitle() const;
    QMdiSubWindow* ActiveSubWindow() const;
    IDocWindow* ActiveDocWindow() const;
    CKivoDoc* ActiveDocument() const;
    // The sub-windows of a document, in the document's view order.
    QList<QMdiSubWindow*> WindowsOf(const CKivoDoc& doc) const;
    CHelpWindow* HelpWindow();
    // The menus of a menu bar, made the first time they are asked for.
    const QList<QMenu*>& Menus(MenuBar bar);
    QMenu* WindowMenu() const;

    // Start-up: placement from Settings/WindowPos and the requested show command.
    void RestorePlacementAndShow(ShowCmd requested);
    void SavePlacement();

    // Opens a window of a kind on a document (the template's new frame).
    QMdiSubWindow* OpenWindow(CKivoDoc& doc, const ViewKind& kind);

    void CreateScheduleWindow(CKivoDoc& doc) override;
    void ActivateDocument(CKivoDoc& doc) override;
    bool CloseDocumentWindows(CKivoDoc& doc) override;
    QWidget* MainWidget() override { return this; }

    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CmdState* state) override;

    // A path dropped on the window or handed over by a second start.
    void OpenRequested(const QString& path);

protected:
    void changeEvent(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;

private:
    void BuildMdiArea();
    void BuildToolBar();
    void BuildStatusBar();
    void ConnectDocuments();
    void OnActiveChanged();
    void UpdateTitles();
    void UpdateFrameTitle();
    void FillWindowMenu();
    void FillRecentFiles();
    void ShowKind(int command);
    void NewWindow();
    void CloseAllWindows();

    CDocManager* docs_;
    std::unique_ptr<CCommandSet> commands_;
    QMdiArea* mdi_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QList<QMenu*> shownMenus_;
    QLabel* idle_ = nullptr;
    CLockIndicators* indicators_ = nullptr;
    CHelpWindow* help_ = nullptr;
};
