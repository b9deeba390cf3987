#pragma once
// The main window: the MDI area with the document windows, menus, tool bar,
// status bar, the fee colours, the window placement, the settings command,
// switching between kinds of window, help and the About box.
#include <QMainWindow>
#include <QMdiSubWindow>
#include <map>

#include "desktop/framework/commands.h"
#include "desktop/framework/docmanager.h"
#include "desktop/mainframe/viewkinds.h"
#include "desktop/schedule/schedulepaint.h"

class CKivoDoc;
class CHelpWindow;
class IDocWindow;
class QLabel;
class QMdiArea;
class QMenu;
class QTimer;
class QToolBar;

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

    QAction* Action(int id) const;
    // Runs a command as its menu item, tool button or key would.
    void Execute(int id);
    CmdState StateOf(int id);
    void UpdateCommandStates();

    QMdiArea* MdiArea() const { return mdi_; }
    QToolBar* ToolBar() const { return toolBar_; }
    QLabel* Indicator(int i) const { return indicators_[i]; }
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
    // The menus shown with no document window, and with a schedule window.
    const QList<QMenu*>& NoDocumentMenus() const { return menus2_; }
    const QList<QMenu*>& ScheduleMenus() const { return menus3_; }
    QMenu* WindowMenu() const { return windowMenu_; }

    // Start-up: placement from Settings/WindowPos and the requested show command.
    void RestorePlacementAndShow(int requestedShowCmd);
    // The current placement in its profile text form.
    std::string PlacementText() const;
    void SavePlacement();

    // Where a new document window goes while it is not maximised.
    QRect DefaultChildRect() const;
    // The place of the index-th window of a cascade in an area.
    QRect CascadeRect(int index, const QRect& area) const;
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
    void BuildActions();
    void BuildMenus();
    void BuildToolBar();
    void BuildStatusBar();
    void OnActiveChanged();
    void UpdateTitles();
    void UpdateFrameTitle();
    void FillWindowMenu();
    void FillRecentFiles();
    void Settings();
    void ShowKind(int command);
    void NewWindow();
    void Cascade();
    void Tile(bool horizontal);
    // Lines the minimised windows up along the bottom; returns the top of their rows.
    int ArrangeIcons();
    void PollIndicators();

    CDocManager* docs_;
    QMdiArea* mdi_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    std::map<int, QAction*> actions_;
    QList<QMenu*> menus2_;
    QList<QMenu*> menus3_;
    QList<QMenu*> shownMenus_;
    QMenu* windowMenu_ = nullptr;
    QList<QAction*> windowListActions_;
    QLabel* idle_ = nullptr;
    QLabel* indicators_[4] = {};
    QString ledFiles_[4];
    QTimer* ledTimer_ = nullptr;
    CHelpWindow* help_ = nullptr;
    bool closingAll_ = false;
};
