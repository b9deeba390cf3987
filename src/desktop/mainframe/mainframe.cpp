#include "desktop/mainframe/mainframe.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>

#include "core/doc/kivodoc.h"
#include "core/doc/messages.h"
#include "core/profile/profile.h"
#include "desktop/dialogs/modalprompt.h"
#include "desktop/dialogs/utf8.h"
#include "desktop/framework/docwindow.h"
#include "desktop/mainframe/helpwindow.h"
#include "desktop/mainframe/lockindicators.h"
#include "desktop/mainframe/mditiling.h"
#include "desktop/mainframe/settingscmd.h"
#include "desktop/mainframe/toolicons.h"
#include "desktop/mainframe/viewkinds.h"
#include "desktop/mainframe/windowpos.h"

// ---------------------------------------------------------------- child frame

CChildFrame::CChildFrame(CDocManager* docs, QWidget* parent) : QMdiSubWindow(parent), docs_(docs) {
    setAttribute(Qt::WA_DeleteOnClose);
}

IDocWindow* CChildFrame::DocWindow() const { return dynamic_cast<IDocWindow*>(widget()); }

void CChildFrame::closeEvent(QCloseEvent* e) {
    IDocWindow* w = DocWindow();
    CKivoDoc* doc = w ? w->Document() : nullptr;
    if (doc && !m_bNoAsk && doc->Views().size() == 1 && docs_ && !docs_->SaveModified(*doc)) {
        e->ignore();
        return;
    }
    QMdiSubWindow::closeEvent(e);
    if (!e->isAccepted()) return;
    if (w) w->DetachFromDocument();
    if (doc && docs_) docs_->WindowDetached(doc);
}

// ---------------------------------------------------------------- main frame

CMainFrame::CMainFrame(CDocManager* docs, QWidget* parent) : QMainWindow(parent), docs_(docs) {
    setObjectName(QStringLiteral("CMainFrame"));
    setWindowTitle(U(msg::kAppName));
    setWindowIcon(AppIcon());
    setAcceptDrops(true);
    m_colors = ScheduleColorsFromProfile();
    commands_ = std::make_unique<CCommandSet>(this, [this](int id) { Execute(id); }, [this] { UpdateCommandStates(); });
    connect(WindowMenu(), &QMenu::aboutToShow, this, &CMainFrame::FillWindowMenu);
    BuildMdiArea();
    BuildToolBar();
    BuildStatusBar();
    ConnectDocuments();
    FillRecentFiles();
    FillWindowMenu();
    OnActiveChanged();
    resize(800, 600);
}

CMainFrame::~CMainFrame() {
    // Windows go before the documents they show.
    CloseAllWindows();
}

void CMainFrame::BuildMdiArea() {
    mdi_ = new QMdiArea(this);
    mdi_->setObjectName(QStringLiteral("MdiArea"));
    mdi_->setViewMode(QMdiArea::SubWindowView);
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setBackground(QColor(128, 128, 128));
    setCentralWidget(mdi_);
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow*) { OnActiveChanged(); });
}

void CMainFrame::BuildToolBar() {
    toolBar_ = addToolBar(U("標準"));
    toolBar_->setObjectName(QStringLiteral("ToolBar"));
    toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
    toolBar_->setIconSize(QSize(16, 16));
    commands_->FillToolBar(toolBar_);
    connect(toolBar_, &QToolBar::visibilityChanged, this, [this] { UpdateCommandStates(); });
}

void CMainFrame::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar"));
    // A normal widget, not a message: the bar hides it while a prompt shows
    // and brings it back when the prompt is cleared.
    idle_ = new QLabel(U("レディ"), bar);
    idle_->setObjectName(QStringLiteral("IdleText"));
    bar->addWidget(idle_, 1);
    indicators_ = new CLockIndicators(bar);
}

void CMainFrame::ConnectDocuments() {
    if (!docs_) return;
    docs_->SetWindows(this);
    connect(docs_, &CDocManager::recentFilesChanged, this, &CMainFrame::FillRecentFiles);
    connect(docs_, &CDocManager::documentRefreshed, this,
            [this] { statusBar()->showMessage(U("他の端末の変更を読み込みました"), 5000); });
    // Until the connection is back the windows keep what they show, and say so.
    connect(docs_, &CDocManager::connectionChanged, this, [this](CKivoDoc*, bool lost) {
        if (lost) statusBar()->showMessage(U("サーバーとの接続が切れました"));
        else statusBar()->showMessage(U("サーバーに再び接続しました"), 5000);
    });
    connect(docs_, &CDocManager::documentsChanged, this, [this] {
        UpdateTitles();
        OnActiveChanged();
    });
}

void CMainFrame::CloseAllWindows() {
    for (QMdiSubWindow* sub : mdi_->subWindowList()) {
        if (auto* child = qobject_cast<CChildFrame*>(sub)) child->m_bNoAsk = true;
        sub->close();
    }
}

QAction* CMainFrame::Action(int id) const { return commands_->Action(id); }
const QList<QMenu*>& CMainFrame::Menus(MenuBar bar) { return commands_->Menus(bar); }
QMenu* CMainFrame::WindowMenu() const { return commands_->WindowMenu(); }

void CMainFrame::FillWindowMenu() {
    QMenu* menu = WindowMenu();
    menu->clear();
    menu->addAction(Action(cmd::WindowNew));
    menu->addSeparator();
    menu->addAction(Action(cmd::WindowCascade));
    menu->addAction(Action(cmd::WindowTileHorz));
    menu->addAction(Action(cmd::WindowTileVert));
    menu->addSeparator();
    menu->addAction(Action(cmd::WindowArrange));
    const QList<QMdiSubWindow*> subs = mdi_ ? mdi_->subWindowList(QMdiArea::CreationOrder) : QList<QMdiSubWindow*>();
    if (subs.isEmpty()) return;
    menu->addSeparator();
    QMdiSubWindow* current = ActiveSubWindow();
    for (int i = 0; i < subs.size(); ++i) {
        QMdiSubWindow* sub = subs[i];
        QAction* a = menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(sub->windowTitle()));
        a->setCheckable(true);
        a->setChecked(sub == current);
        connect(a, &QAction::triggered, this, [this, sub] { mdi_->setActiveSubWindow(sub); });
    }
}

QMdiSubWindow* CMainFrame::ActiveSubWindow() const { return mdi_ ? mdi_->currentSubWindow() : nullptr; }

IDocWindow* CMainFrame::ActiveDocWindow() const {
    auto* child = qobject_cast<CChildFrame*>(ActiveSubWindow());
    return child ? child->DocWindow() : nullptr;
}

CKivoDoc* CMainFrame::ActiveDocument() const {
    IDocWindow* w = ActiveDocWindow();
    return w ? w->Document() : nullptr;
}

QList<QMdiSubWindow*> CMainFrame::WindowsOf(const CKivoDoc& doc) const {
    QList<QMdiSubWindow*> out;
    const QList<QMdiSubWindow*> subs = mdi_->subWindowList(QMdiArea::CreationOrder);
    for (IKivoView* v : doc.Views())
        for (QMdiSubWindow* sub : subs) {
            auto* child = qobject_cast<CChildFrame*>(sub);
            if (child && child->DocWindow() && child->DocWindow()->View() == v) out.append(sub);
        }
    return out;
}

void CMainFrame::OnActiveChanged() {
    IDocWindow* w = ActiveDocWindow();
    CKivoDoc* doc = w ? w->Document() : nullptr;
    const ViewKind* kind = doc ? ViewKindOf(w->View()) : nullptr;
    const QList<QMenu*>& menus = Menus(kind ? kind->menuBar : MenuBar::NoDocument);
    if (menus != shownMenus_) {
        menuBar()->clear();
        for (QMenu* m : menus) menuBar()->addMenu(m);
        shownMenus_ = menus;
    }
    // The file dialogs start beside the register the desk is working on (a
    // server's register lies in no folder).
    SetFileDialogFolder(doc && !doc->GetPathName().empty() && doc->GetLocation().kind() == store::Kind::File
                            ? QFileInfo(QFile::decodeName(QByteArray::fromStdString(doc->GetPathName()))).absolutePath()
                            : QString());
    UpdateFrameTitle();
    UpdateCommandStates();
}

void CMainFrame::UpdateTitles() {
    if (docs_)
        for (CKivoDoc* doc : docs_->Documents()) {
            const QList<QMdiSubWindow*> subs = WindowsOf(*doc);
            // A title is a file name, in the file system's encoding; only
            // register text is CP932.
            const QString title = QFile::decodeName(QByteArray::fromStdString(doc->GetTitle()));
            for (int i = 0; i < subs.size(); ++i)
                subs[i]->setWindowTitle(subs.size() == 1 ? title : QStringLiteral("%1:%2").arg(title).arg(i + 1));
        }
    UpdateFrameTitle();
}

QString CMainFrame::FrameTitle() const {
    const QString app = U(msg::kAppName);
    const QMdiSubWindow* sub = ActiveSubWindow();
    if (!sub || sub->windowTitle().isEmpty()) return app;
    // A maximised window shares the frame's caption with its own title, in
    // brackets; otherwise the caption names the active document.
    if (sub->isMaximized()) return QStringLiteral("%1 - [%2]").arg(app, sub->windowTitle());
    const CKivoDoc* doc = ActiveDocument();
    const QString name = doc ? QFile::decodeName(QByteArray::fromStdString(doc->GetTitle())) : sub->windowTitle();
    return QStringLiteral("%1 - %2").arg(app, name);
}

void CMainFrame::UpdateFrameTitle() {
    const QString title = FrameTitle();
    if (windowTitle() != title) setWindowTitle(title);
}

void CMainFrame::changeEvent(QEvent* e) {
    QMainWindow::changeEvent(e);
    // A maximised sub-window writes its own idea of the caption into the
    // frame's; put ours back once it is done.
    if (e->type() == QEvent::WindowTitleChange && windowTitle() != FrameTitle())
        QMetaObject::invokeMethod(this, &CMainFrame::UpdateFrameTitle, Qt::QueuedConnection);
}

void CMainFrame::FillRecentFiles() {
    const QStringList files = docs_ ? docs_->RecentFiles() : QStringList();
    for (int i = 0; i < CDocManager::kRecentCount; ++i) {
        QAction* a = Action(cmd::RecentFile1 + i);
        if (i < files.size()) {
            a->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(files[i])));
            a->setVisible(true);
        } else if (i == 0) {
            a->setText(U("最近使ったファイル"));
            a->setVisible(true);
        } else {
            a->setVisible(false);
        }
    }
    UpdateCommandStates();
}

QMdiSubWindow* CMainFrame::OpenWindow(CKivoDoc& doc, const ViewKind& kind) {
    QWidget* w = kind.create(doc, *this);
    auto* sub = new CChildFrame(docs_);
    sub->setWidget(w);
    sub->setWindowIcon(AppIcon());
    // Placed before it is shown, so that a window opened maximised has a
    // normal size to go back to.
    const QRect place = DefaultChildRect(*mdi_);
    mdi_->addSubWindow(sub);
    sub->setGeometry(place);
    connect(sub, &QMdiSubWindow::windowStateChanged, this, [this, sub](Qt::WindowStates, Qt::WindowStates now) {
        // A window minimised hands the keys to the front one of the others.
        if ((now & Qt::WindowMinimized) && sub == ActiveSubWindow()) {
            const QList<QMdiSubWindow*> stack = mdi_->subWindowList(QMdiArea::StackingOrder);
            for (auto it = stack.rbegin(); it != stack.rend(); ++it)
                if (*it != sub && !(*it)->isMinimized() && (*it)->isVisible()) {
                    mdi_->setActiveSubWindow(*it);
                    break;
                }
        }
        UpdateFrameTitle();
    });
    UpdateTitles();
    if (kind.show) kind.show(sub, *this);
    else sub->show();
    mdi_->setActiveSubWindow(sub);
    w->setFocus();
    OnActiveChanged();
    return sub;
}

void CMainFrame::CreateScheduleWindow(CKivoDoc& doc) {
    if (const ViewKind* kind = ViewKindByCommand(cmd::ShowSchedule)) OpenWindow(doc, *kind);
}

void CMainFrame::ActivateDocument(CKivoDoc& doc) {
    const QList<QMdiSubWindow*> subs = WindowsOf(doc);
    if (subs.isEmpty()) return;
    if (subs.first()->isMinimized()) subs.first()->showNormal();
    mdi_->setActiveSubWindow(subs.first());
    OnActiveChanged();
}

bool CMainFrame::CloseDocumentWindows(CKivoDoc& doc) {
    for (QMdiSubWindow* sub : WindowsOf(doc)) {
        if (auto* child = qobject_cast<CChildFrame*>(sub)) child->m_bNoAsk = true;
        sub->close();
    }
    OnActiveChanged();
    return docs_ ? !docs_->Owns(&doc) : true;
}

void CMainFrame::OpenRequested(const QString& path) {
    if (!path.isEmpty() && docs_) docs_->RequestOpen(path);
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
}

CHelpWindow* CMainFrame::HelpWindow() {
    if (!help_) help_ = new CHelpWindow(this);
    return help_;
}

void CMainFrame::RestorePlacementAndShow(ShowCmd requested) { ::RestorePlacementAndShow(*this, requested); }

void CMainFrame::SavePlacement() { profile::WriteString(profile::Key::WindowPos, PlacementText(*this)); }

void CMainFrame::closeEvent(QCloseEvent* e) {
    // The placement is written even when closing is then cancelled.
    SavePlacement();
    if (docs_ && !docs_->SaveAllModified()) {
        e->ignore();
        return;
    }
    CloseAllWindows();
    if (docs_) docs_->SaveRecentFiles();
    if (help_) help_->close();
    e->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* e) {
    if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* e) {
    const QList<QUrl> urls = e->mimeData()->urls();
    e->acceptProposedAction();
    activateWindow();
    for (const QUrl& url : urls)
        if (url.isLocalFile() && docs_) docs_->OpenDocumentFile(url.toLocalFile());
}
