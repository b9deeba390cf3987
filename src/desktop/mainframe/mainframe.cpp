#include "desktop/mainframe/mainframe.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDir>
#include <QDirIterator>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <algorithm>
#include <cstdlib>

#include "core/doc/kivodoc.h"
#include "core/doc/messages.h"
#include "core/profile/profile.h"
#include "desktop/dialogs/modalprompt.h"
#include "desktop/dialogs/settingdlg.h"
#include "desktop/framework/appprinter.h"
#include "desktop/framework/docwindow.h"
#include "desktop/mainframe/aboutdlg.h"
#include "desktop/mainframe/helpwindow.h"
#include "desktop/mainframe/toolicons.h"
#include "desktop/mainframe/windowpos.h"

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// The colour keys hold decimal text, read as the C library's atoi reads it.
QColor ColorFromText(const std::string& s) {
    long v = std::strtol(s.c_str(), nullptr, 10);
    if (v > 0x7FFFFFFFL) v = 0x7FFFFFFFL;
    if (v < -0x7FFFFFFFL - 1) v = -0x7FFFFFFFL - 1;
    return ColorFromRef(static_cast<uint32_t>(static_cast<int32_t>(v)));
}

struct ActionSpec {
    int id;
    const char* text;
    const char* tip;  // status bar prompt and tool tip (after the line break)
    bool checkable;
};

// Every command of the menus, the tool bar and the accelerator table.
const ActionSpec kActions[] = {
    {cmd::FileNew, "新規作成(&N)", "新規にドキュメントを作成します\n新規作成", false},
    {cmd::FileOpen, "開く(&O)...", "既存のドキュメントを開きます\n開く", false},
    {cmd::FileClose, "閉じる(&C)", "作業中のドキュメントを閉じます\n閉じる", false},
    {cmd::FileSave, "上書き保存(&S)", "作業中のドキュメントを上書きして保存します\n上書き保存", false},
    {cmd::FileSaveAs, "名前を付けて保存(&A)...", "作業中のドキュメントを新しい名前で保存します\n名前を付けて保存", false},
    {cmd::Print, "印刷(&P)...", "作業中のドキュメントを印刷します\n印刷", false},
    {cmd::PrintPreview, "印刷プレビュー(&V)", "フル ページ表示します\n印刷プレビュー", false},
    {cmd::PrintSetup, "プリンタの設定(&R)...", "プリンタおよび印刷オプションを変更します\nプリンタの設定", false},
    {cmd::Exit, "アプリケーションの終了(&X)", "アプリケーションを終了し、ドキュメントの保存を指示します\n終了", false},
    {cmd::AddReserve, "予約の追加(&A)...", "予約を追加します\n予約の追加", false},
    {cmd::RepeatReserve, "繰り返し予約(&P)...", "同じ予約を繰り返しの日付にまとめて追加します\n繰り返し予約", false},
    {cmd::AddFacility, "施設の追加(&A)...", "施設を追加します\n施設の追加", false},
    {cmd::EditFacilities, "施設の編集(&E)...", "施設を編集します\n施設の編集", false},
    {cmd::EditReserve, "予約の編集(&E)...", "予約を編集します\n予約の編集", false},
    {cmd::DeleteReserve, "予約の削除(&D)", "予約を削除します\n予約の削除", false},
    {cmd::ShowSchedule, "日程表(&D)", "日程表を表示します\n日程表", true},
    {cmd::ShowReserveList, "予約リスト(&L)", "予約リストを表示します\n予約リスト", true},
    {cmd::ShowUserList, "使用者リスト(&U)", "使用者リストを表示します\n使用者リスト", true},
    {cmd::NextDay, "次の日へ\tLeft", "次の日を表示します\n次の日へ", false},
    {cmd::PrevDay, "前の日へ\tRight", "前の日を表示します\n前の日へ", false},
    {cmd::NextWeek, "一週間後へ", "一週間後を表示します\n一週間後へ", false},
    {cmd::PrevWeek, "一週間前へ", "一週間前を表示します\n一週間前へ", false},
    {cmd::GotoDate, "指定日付へ移動(&D)...", "指定した日付を表示します\n指定日付へ移動", false},
    {cmd::Today, "今日へ移動(&T)", "今日を表示します\n今日へ移動", false},
    {cmd::ToggleMode, "縦横の切り替え(&K)", "日程表の縦と横を切り替えます\n縦横の切り替え", false},
    {cmd::ViewToolBar, "ツール バー(&T)", "ツール バーの表示/非表示を切り替えます\nツール バーの表示切り替え", true},
    {cmd::ViewStatusBar, "ステータス バー(&S)", "ステータス バーの表示/非表示を切り替えます\nステータス バーの表示切り替え", true},
    {cmd::Refresh, "最新の情報に更新(&U)", "ファイルを読み直して最新の情報を表示します\n最新の情報に更新", false},
    {cmd::Font, "フォント(&F)...", "日程表のフォントを変更します\nフォント", false},
    {cmd::Settings, "設定(&S)...", "時間の範囲や表示内容、料金の色を設定します\n設定", false},
    {cmd::ExportReserveText, "予約リスト(&R)...", "予約リストをテキスト出力\n予約リスト", false},
    {cmd::ExportFacilityText, "会議室リスト(&M)...", "施設リストをテキスト出力\n会議室リスト", false},
    {cmd::ExportReserveCsv, "予約リスト(&R)...", "", false},
    {cmd::ExportFacilityCsv, "会議室リスト(&M)...", "", false},
    {cmd::ExportText, "ﾃｷｽﾄﾌｧｲﾙへのｴｸｽﾎﾟｰﾄ(&T)...", "テキストファイルに出力します", false},
    {cmd::WindowNew, "新しいウィンドウを開く(&N)", "作業中のウィンドウを複写して表示します\n新しいウィンドウを開く", false},
    {cmd::WindowCascade, "重ねて表示(&C)", "ウィンドウを重ねて表示します\n重ねて表示", false},
    {cmd::WindowTileHorz, "上下に並べて表示(&T)", "ウィンドウを上下に並べて表示します\n上下に並べて表示", false},
    {cmd::WindowTileVert, "左右に並べて表示(&V)", "ウィンドウを左右に並べて表示します\n左右に並べて表示", false},
    {cmd::WindowArrange, "アイコンの整列(&A)", "ウィンドウの下にアイコンを整列します\nアイコンの整列", false},
    {cmd::HelpContents, "目次(&C)", "ヘルプの目次を表示します\n目次", false},
    {cmd::HelpIndex, "キーワードで検索(&S)", "キーワードでヘルプを検索します\nキーワードで検索", false},
    {cmd::About, "バージョン情報(&A)...", "プログラム情報、バージョン、著作権を表示します\nバージョン情報", false},
    {cmd::EditCopy, "コピー(&C)", "", false},
    {cmd::EditCut, "切り取り(&T)", "", false},
    {cmd::EditPaste, "貼り付け(&P)", "", false},
    {cmd::EditUndo, "元に戻す(&U)", "", false},
    {cmd::NextPane, "次のウィンドウ枠", "", false},
    {cmd::PrevPane, "前のウィンドウ枠", "", false},
    {cmd::LineUp, "", "", false},
    {cmd::LineDown, "", "", false},
    {cmd::PageUp, "", "", false},
    {cmd::PageDown, "", "", false},
    {cmd::LineRight, "", "", false},
    {cmd::LineLeft, "", "", false},
};

// Accelerator table 2, shared by the main window and every document window.
const struct {
    int id;
    QKeyCombination key;
} kAccelerators[] = {
    {cmd::AddReserve, Qt::CTRL | Qt::Key_A},      {cmd::EditCopy, Qt::CTRL | Qt::Key_C},
    {cmd::EditCopy, Qt::CTRL | Qt::Key_Insert},   {cmd::FileNew, Qt::CTRL | Qt::Key_N},
    {cmd::FileOpen, Qt::CTRL | Qt::Key_O},        {cmd::Print, Qt::CTRL | Qt::Key_P},
    {cmd::FileSave, Qt::CTRL | Qt::Key_S},        {cmd::EditPaste, Qt::CTRL | Qt::Key_V},
    {cmd::EditPaste, Qt::SHIFT | Qt::Key_Insert}, {cmd::EditCut, Qt::CTRL | Qt::Key_X},
    {cmd::EditCut, Qt::SHIFT | Qt::Key_Delete},   {cmd::EditUndo, Qt::CTRL | Qt::Key_Z},
    {cmd::EditUndo, Qt::ALT | Qt::Key_Backspace}, {cmd::NextPane, QKeyCombination(Qt::Key_F6)},
    {cmd::PrevPane, Qt::SHIFT | Qt::Key_F6},      {cmd::Today, QKeyCombination(Qt::Key_Home)},
    {cmd::LineLeft, QKeyCombination(Qt::Key_Left)}, {cmd::LineRight, QKeyCombination(Qt::Key_Right)},
    {cmd::PageUp, QKeyCombination(Qt::Key_PageUp)}, {cmd::PageDown, QKeyCombination(Qt::Key_PageDown)},
    {cmd::EditReserve, QKeyCombination(Qt::Key_Return)}, {cmd::EditReserve, QKeyCombination(Qt::Key_Enter)},
};

// The 25 slots of the tool bar; 0 is a separator.
const int kToolBar[25] = {
    cmd::FileNew,  cmd::FileOpen,       cmd::FileSave,     0, cmd::Print,       0,
    cmd::PrevWeek, cmd::PrevDay,        cmd::Today,        cmd::NextDay,        cmd::NextWeek,
    0,             cmd::EditFacilities, 0,                 cmd::ToggleMode,     0,
    cmd::ShowSchedule, cmd::ShowReserveList, cmd::ShowUserList, 0,
    cmd::AddReserve, cmd::EditReserve,  cmd::DeleteReserve, 0, cmd::About,
};

const char* const kIndicatorText[4] = {"KANA", "CAP", "NUM", "SCRL"};
const char* const kLedNames[4] = {"kana", "capslock", "numlock", "scrolllock"};

}  // namespace

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
    m_colors.paid = ColorFromText(profile::GetString(profile::Key::RevColor1));
    m_colors.unpaid = ColorFromText(profile::GetString(profile::Key::RevColor2));

    mdi_ = new QMdiArea(this);
    mdi_->setObjectName(QStringLiteral("MdiArea"));
    mdi_->setViewMode(QMdiArea::SubWindowView);
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setBackground(QColor(128, 128, 128));
    setCentralWidget(mdi_);
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow*) { OnActiveChanged(); });


    BuildActions();
    BuildMenus();
    BuildToolBar();
    BuildStatusBar();
    if (docs_) {
        docs_->SetWindows(this);
        connect(docs_, &CDocManager::recentFilesChanged, this, &CMainFrame::FillRecentFiles);
        connect(docs_, &CDocManager::documentRefreshed, this,
                [this] { statusBar()->showMessage(U("他の端末の変更を読み込みました"), 5000); });
        connect(docs_, &CDocManager::documentsChanged, this, [this] {
            UpdateTitles();
            OnActiveChanged();
        });
    }
    FillRecentFiles();
    OnActiveChanged();
    resize(800, 600);
}

CMainFrame::~CMainFrame() {
    // Windows go before the documents they show.
    closingAll_ = true;
    for (QMdiSubWindow* sub : mdi_->subWindowList()) {
        if (auto* child = qobject_cast<CChildFrame*>(sub)) child->m_bNoAsk = true;
        sub->close();
    }
}

void CMainFrame::BuildActions() {
    for (const ActionSpec& s : kActions) {
        auto* a = new QAction(U(s.text), this);
        a->setObjectName(QStringLiteral("cmd%1").arg(s.id));
        const QStringList tip = U(s.tip).split(QLatin1Char('\n'));
        if (!tip.first().isEmpty()) a->setStatusTip(tip.first());
        if (tip.size() > 1) a->setToolTip(tip[1]);
        a->setCheckable(s.checkable);
        a->setData(s.id);
        a->setIcon(ToolIcon(s.id));
        a->setIconVisibleInMenu(false);
        connect(a, &QAction::triggered, this, [this, id = s.id] { Execute(id); });
        actions_[s.id] = a;
        addAction(a);
    }
    std::map<int, QList<QKeySequence>> keys;
    for (const auto& k : kAccelerators) keys[k.id].append(QKeySequence(k.key));
    for (auto& [id, list] : keys) {
        actions_[id]->setShortcuts(list);
        actions_[id]->setShortcutContext(Qt::WindowShortcut);
    }
    for (int i = 0; i < CDocManager::kRecentCount; ++i) {
        auto* a = new QAction(this);
        a->setObjectName(QStringLiteral("cmd%1").arg(cmd::RecentFile1 + i));
        a->setStatusTip(U("このドキュメントを開きます"));
        connect(a, &QAction::triggered, this, [this, i] { Execute(cmd::RecentFile1 + i); });
        actions_[cmd::RecentFile1 + i] = a;
    }
}

void CMainFrame::BuildMenus() {
    auto A = [this](int id) { return actions_.at(id); };
    auto recent = [this](QMenu* m) {
        for (int i = 0; i < CDocManager::kRecentCount; ++i) m->addAction(actions_.at(cmd::RecentFile1 + i));
    };
    auto help = [&](QMenu* m) {
        m->addAction(A(cmd::HelpContents));
        m->addAction(A(cmd::HelpIndex));
        m->addSeparator();
        m->addAction(A(cmd::About));
    };
    auto menu = [this](const char* title, const char* name) {
        auto* m = new QMenu(U(title), this);
        m->setObjectName(QString::fromLatin1(name));
        connect(m, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
        return m;
    };

    // Menu 2: no document window.
    QMenu* file2 = menu("ファイル(&F)", "menuFile2");
    file2->addAction(A(cmd::FileNew));
    file2->addAction(A(cmd::FileOpen));
    file2->addSeparator();
    file2->addAction(A(cmd::PrintSetup));
    file2->addSeparator();
    recent(file2);
    file2->addSeparator();
    file2->addAction(A(cmd::Exit));
    QMenu* view2 = menu("表示(&V)", "menuView2");
    view2->addAction(A(cmd::ViewToolBar));
    view2->addAction(A(cmd::ViewStatusBar));
    QMenu* options2 = menu("ｵﾌﾟｼｮﾝ(&0)", "menuOptions2");
    options2->addAction(A(cmd::Settings));
    QMenu* help2 = menu("ヘルプ(&H)", "menuHelp2");
    help(help2);
    menus2_ = {file2, view2, options2, help2};

    // Menu 3: a schedule window.
    QMenu* file3 = menu("ファイル(&F)", "menuFile3");
    file3->addAction(A(cmd::FileNew));
    file3->addAction(A(cmd::FileOpen));
    file3->addAction(A(cmd::FileClose));
    file3->addAction(A(cmd::FileSave));
    file3->addAction(A(cmd::FileSaveAs));
    file3->addSeparator();
    QMenu* text = file3->addMenu(U("ﾃｷｽﾄﾌｧｲﾙへのｴｸｽﾎﾟｰﾄ(&T)..."));
    text->addAction(A(cmd::ExportReserveText));
    text->addAction(A(cmd::ExportFacilityText));
    QMenu* csv = file3->addMenu(U("CSVﾌｧｲﾙへのｴｸｽﾎﾟｰﾄ(&E)..."));
    csv->addAction(A(cmd::ExportReserveCsv));
    csv->addAction(A(cmd::ExportFacilityCsv));
    file3->addSeparator();
    file3->addAction(A(cmd::Print));
    file3->addAction(A(cmd::PrintPreview));
    file3->addAction(A(cmd::PrintSetup));
    file3->addSeparator();
    recent(file3);
    file3->addSeparator();
    file3->addAction(A(cmd::Exit));
    QMenu* edit3 = menu("編集(&E)", "menuEdit3");
    edit3->addAction(A(cmd::AddReserve));
    edit3->addAction(A(cmd::RepeatReserve));
    edit3->addSeparator();
    edit3->addAction(A(cmd::AddFacility));
    edit3->addAction(A(cmd::EditFacilities));
    QMenu* view3 = menu("表示(&V)", "menuView3");
    view3->addAction(A(cmd::ShowSchedule));
    view3->addAction(A(cmd::ShowReserveList));
    view3->addAction(A(cmd::ShowUserList));
    view3->addSeparator();
    view3->addAction(A(cmd::NextDay));
    view3->addAction(A(cmd::PrevDay));
    view3->addSeparator();
    view3->addAction(A(cmd::NextWeek));
    view3->addAction(A(cmd::PrevWeek));
    view3->addSeparator();
    view3->addAction(A(cmd::GotoDate));
    view3->addAction(A(cmd::Today));
    view3->addSeparator();
    view3->addAction(A(cmd::ToggleMode));
    view3->addSeparator();
    view3->addAction(A(cmd::ViewToolBar));
    view3->addAction(A(cmd::ViewStatusBar));
    view3->addSeparator();
    view3->addAction(A(cmd::Refresh));
    QMenu* options3 = menu("ｵﾌﾟｼｮﾝ(&0)", "menuOptions3");
    options3->addAction(A(cmd::Font));
    options3->addAction(A(cmd::Settings));
    windowMenu_ = menu("ウィンドウ(&W)", "menuWindow3");
    connect(windowMenu_, &QMenu::aboutToShow, this, &CMainFrame::FillWindowMenu);
    QMenu* help3 = menu("ヘルプ(&H)", "menuHelp3");
    help(help3);
    menus3_ = {file3, edit3, view3, options3, windowMenu_, help3};
    FillWindowMenu();
}

void CMainFrame::FillWindowMenu() {
    windowMenu_->clear();
    windowListActions_.clear();
    windowMenu_->addAction(actions_.at(cmd::WindowNew));
    windowMenu_->addSeparator();
    windowMenu_->addAction(actions_.at(cmd::WindowCascade));
    windowMenu_->addAction(actions_.at(cmd::WindowTileHorz));
    windowMenu_->addAction(actions_.at(cmd::WindowTileVert));
    windowMenu_->addSeparator();
    windowMenu_->addAction(actions_.at(cmd::WindowArrange));
    const QList<QMdiSubWindow*> subs = mdi_->subWindowList(QMdiArea::CreationOrder);
    if (subs.isEmpty()) return;
    windowMenu_->addSeparator();
    QMdiSubWindow* current = ActiveSubWindow();
    for (int i = 0; i < subs.size(); ++i) {
        QMdiSubWindow* sub = subs[i];
        QAction* a = windowMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(sub->windowTitle()));
        a->setCheckable(true);
        a->setChecked(sub == current);
        connect(a, &QAction::triggered, this, [this, sub] { mdi_->setActiveSubWindow(sub); });
        windowListActions_.append(a);
    }
}

void CMainFrame::BuildToolBar() {
    toolBar_ = addToolBar(U("標準"));
    toolBar_->setObjectName(QStringLiteral("ToolBar"));
    toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
    toolBar_->setIconSize(QSize(16, 16));
    for (int id : kToolBar) {
        if (id == 0) toolBar_->addSeparator();
        else toolBar_->addAction(actions_.at(id));
    }
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
    for (int i = 0; i < 4; ++i) {
        indicators_[i] = new QLabel(this);
        indicators_[i]->setObjectName(QString::fromLatin1(kIndicatorText[i]));
        indicators_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        indicators_[i]->setMinimumWidth(indicators_[i]->fontMetrics().horizontalAdvance(QStringLiteral("KANA")) + 8);
        bar->addPermanentWidget(indicators_[i]);
    }
    // The lock states as the keyboard's LEDs show them; where the system does
    // not tell a state its pane stays blank rather than guess.
    bool any = false;
    QDirIterator it(QStringLiteral("/sys/class/leds"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        const QString dir = it.next();
        for (int i = 0; i < 4; ++i)
            if (ledFiles_[i].isEmpty() && dir.endsWith(QStringLiteral("::") + QString::fromLatin1(kLedNames[i]))) {
                ledFiles_[i] = dir + QStringLiteral("/brightness");
                any = true;
            }
    }
    if (any) {
        ledTimer_ = new QTimer(this);
        connect(ledTimer_, &QTimer::timeout, this, &CMainFrame::PollIndicators);
        ledTimer_->start(500);
        PollIndicators();
    }
}

void CMainFrame::PollIndicators() {
    for (int i = 0; i < 4; ++i) {
        if (ledFiles_[i].isEmpty()) continue;
        QFile f(ledFiles_[i]);
        bool on = f.open(QIODevice::ReadOnly) && f.readAll().trimmed().toInt() > 0;
        indicators_[i]->setText(on ? QString::fromLatin1(kIndicatorText[i]) : QString());
    }
}

QAction* CMainFrame::Action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
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

void CMainFrame::Execute(int id) {
    if (!StateOf(id).enabled) return;
    IDocWindow* w = ActiveDocWindow();
    ICommandTarget* target = w ? w->Target() : nullptr;
    if (!(target && target->OnCommand(id))) OnCommand(id);
    UpdateCommandStates();
}

CmdState CMainFrame::StateOf(int id) {
    CmdState s;
    IDocWindow* w = ActiveDocWindow();
    ICommandTarget* target = w && w->Document() ? w->Target() : nullptr;
    if (target && target->OnUpdateCommand(id, &s)) {
        // A kind of window that does not exist yet cannot be shown.
        if ((id == cmd::ShowSchedule || id == cmd::ShowReserveList || id == cmd::ShowUserList) &&
            !ViewKindByCommand(id))
            s.enabled = false;
        return s;
    }
    s = CmdState{};
    if (OnUpdateCommand(id, &s)) return s;
    return CmdState{false, false};
}

void CMainFrame::UpdateCommandStates() {
    for (auto& [id, action] : actions_) {
        const CmdState s = StateOf(id);
        action->setEnabled(s.enabled);
        if (action->isCheckable()) action->setChecked(s.checked);
    }
}

void CMainFrame::OnActiveChanged() {
    IDocWindow* w = ActiveDocWindow();
    QList<QMenu*> menus = menus2_;
    if (w && w->Document()) {
        const ViewKind* kind = ViewKindOf(w->View());
        menus = kind && kind->menus ? kind->menus(*this) : menus3_;
    }
    if (menus != shownMenus_) {
        menuBar()->clear();
        for (QMenu* m : menus) menuBar()->addMenu(m);
        shownMenus_ = menus;
    }
    // The file dialogs start beside the register the desk is working on.
    CKivoDoc* doc = w ? w->Document() : nullptr;
    SetFileDialogFolder(doc && !doc->GetPathName().empty()
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
        QAction* a = actions_.at(cmd::RecentFile1 + i);
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

QRect CMainFrame::CascadeRect(int index, const QRect& area) const {
    // Windows cascade down from the top left, each a title bar lower than
    // the last, three quarters of the area large but never so small that
    // the grid is lost.
    QSize size(std::max(area.width() * 3 / 4, 480), std::max(area.height() * 3 / 4, 360));
    // An area not laid out yet (a hidden frame) says nothing about the room.
    if (area.width() >= 160 && area.height() >= 120) size = size.boundedTo(area.size());
    const int step = style()->pixelMetric(QStyle::PM_TitleBarHeight) + 4;
    const int fit = std::max(1, std::min(area.width() - size.width(), area.height() - size.height()) / step + 1);
    const int offset = (index % fit) * step;
    return QRect(area.topLeft() + QPoint(offset, offset), size);
}

QRect CMainFrame::DefaultChildRect() const {
    int n = 0;
    for (QMdiSubWindow* sub : mdi_->subWindowList())
        if (!sub->isMinimized()) ++n;
    return CascadeRect(n, mdi_->viewport()->rect());
}

QMdiSubWindow* CMainFrame::OpenWindow(CKivoDoc& doc, const ViewKind& kind) {
    QWidget* w = kind.create(doc, *this);
    auto* sub = new CChildFrame(docs_);
    sub->setWidget(w);
    sub->setWindowIcon(AppIcon());
    // Placed before it is shown, so that a window opened maximised has a
    // normal size to go back to.
    const QRect place = DefaultChildRect();
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
    if (kind.show) kind.show(sub);
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

void CMainFrame::Cascade() {
    // Every window the same usable size, the active one in front; the row
    // of minimised windows stays free.
    const int iconTop = ArrangeIcons();
    QRect area = mdi_->viewport()->rect();
    area.setBottom(std::max(area.top(), iconTop - 1));
    int i = 0;
    for (QMdiSubWindow* sub : mdi_->subWindowList(QMdiArea::StackingOrder)) {
        if (sub->isMinimized() || !sub->isVisible()) continue;
        if (sub->isMaximized()) sub->showNormal();
        sub->setGeometry(CascadeRect(i++, area));
        sub->raise();
    }
}

void CMainFrame::Tile(bool horizontal) {
    // The row of minimised windows along the bottom stays free.
    const int iconTop = ArrangeIcons();
    QList<QMdiSubWindow*> subs;
    for (QMdiSubWindow* sub : mdi_->subWindowList(QMdiArea::StackingOrder))
        if (!sub->isMinimized() && sub->isVisible()) subs.prepend(sub);
    if (subs.isEmpty()) return;
    QRect area = mdi_->viewport()->rect();
    area.setBottom(std::max(area.top(), iconTop - 1));
    const int n = static_cast<int>(subs.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* sub = subs[i];
        if (sub->isMaximized()) sub->showNormal();
        // Horizontally: one above the other, each the full width.
        if (horizontal) {
            const int h = area.height() / n;
            sub->setGeometry(0, i * h, area.width(), i == n - 1 ? area.height() - i * h : h);
        } else {
            const int w = area.width() / n;
            sub->setGeometry(i * w, 0, i == n - 1 ? area.width() - i * w : w, area.height());
        }
    }
}

int CMainFrame::ArrangeIcons() {
    const QRect area = mdi_->viewport()->rect();
    int x = 0, y = area.bottom() + 1, top = area.bottom() + 1;
    for (QMdiSubWindow* sub : mdi_->subWindowList(QMdiArea::CreationOrder)) {
        if (!sub->isMinimized()) continue;
        const QSize s = sub->size();
        if (x > 0 && x + s.width() > area.width()) {
            x = 0;
            y = top;
        }
        sub->move(x, y - s.height());
        // An icon is never left under a window.
        sub->raise();
        top = std::min(top, y - s.height());
        x += s.width();
    }
    return top;
}

void CMainFrame::Settings() {
    CSettingDlg::Values v;
    v.paidColor = RefFromColor(m_colors.paid);
    v.unpaidColor = RefFromColor(m_colors.unpaid);
    v.dup = profile::GetInt(profile::Key::Dup) != 0;
    v.startHour = static_cast<uint32_t>(profile::GetInt(profile::Key::StartTime));
    v.endHour = static_cast<uint32_t>(profile::GetInt(profile::Key::EndTime));
    v.object = profile::GetInt(profile::Key::ViewObject);
    CSettingDlg dlg(v, this);
    if (Prompt().Exec(&dlg) != QDialog::Accepted) return;
    const CSettingDlg::Values& r = dlg.Result();
    profile::WriteInt(profile::Key::Dup, r.dup ? 1 : 0);
    profile::WriteInt(profile::Key::StartTime, static_cast<int>(r.startHour));
    profile::WriteInt(profile::Key::EndTime, static_cast<int>(r.endHour));
    m_colors.paid = ColorFromRef(r.paidColor);
    m_colors.unpaid = ColorFromRef(r.unpaidColor);
    profile::WriteString(profile::Key::RevColor1, std::to_string(r.paidColor));
    profile::WriteString(profile::Key::RevColor2, std::to_string(r.unpaidColor));
    profile::WriteInt(profile::Key::ViewObject, r.object);
    if (CKivoDoc* doc = ActiveDocument()) doc->UpdateAllViews(nullptr, 0);
}

CHelpWindow* CMainFrame::HelpWindow() {
    if (!help_) help_ = new CHelpWindow(this);
    return help_;
}

bool CMainFrame::OnCommand(int id) {
    CKivoDoc* doc = ActiveDocument();
    if (id >= cmd::RecentFile1 && id < cmd::RecentFile1 + CDocManager::kRecentCount) {
        if (docs_) docs_->OpenRecent(id - cmd::RecentFile1);
        return true;
    }
    switch (id) {
        case cmd::FileNew: if (docs_) docs_->NewDocument(); return true;
        case cmd::FileOpen: if (docs_) docs_->PromptOpen(); return true;
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
        case cmd::Settings: Settings(); return true;
        case cmd::ShowSchedule: case cmd::ShowReserveList: case cmd::ShowUserList: ShowKind(id); return true;
        case cmd::HelpContents: HelpWindow()->ShowContents(); return true;
        case cmd::HelpIndex: HelpWindow()->ShowIndex(QString()); return true;
        case cmd::About: {
            CAboutDlg dlg(this);
            Prompt().Exec(&dlg);
            return true;
        }
        case cmd::WindowNew: NewWindow(); return true;
        case cmd::WindowCascade: Cascade(); return true;
        case cmd::WindowTileHorz: Tile(true); return true;
        case cmd::WindowTileVert: Tile(false); return true;
        case cmd::WindowArrange: ArrangeIcons(); return true;
        default: return false;
    }
}

bool CMainFrame::OnUpdateCommand(int id, CmdState* state) {
    const bool haveDoc = ActiveDocument() != nullptr;
    if (id >= cmd::RecentFile1 && id < cmd::RecentFile1 + CDocManager::kRecentCount) {
        state->enabled = docs_ && id - cmd::RecentFile1 < docs_->RecentFiles().size();
        return true;
    }
    switch (id) {
        case cmd::FileNew: case cmd::FileOpen: case cmd::PrintSetup: case cmd::Exit:
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
        default: return false;
    }
}

std::string CMainFrame::PlacementText() const {
    WindowPlacement p;
    const bool maximized = isMaximized();
    p.showCmd = maximized ? kShowMaximized : kShowNormal;
    p.flags = maximized ? static_cast<unsigned>(kRestoreToMaximized) : 0u;
    QRect r = normalGeometry();
    if (!r.isValid()) r = geometry();
    p.left = r.x();
    p.top = r.y();
    p.right = r.x() + r.width();
    p.bottom = r.y() + r.height();
    return FormatWindowPos(p);
}

void CMainFrame::SavePlacement() { profile::WriteString(profile::Key::WindowPos, PlacementText()); }

void CMainFrame::RestorePlacementAndShow(int requestedShowCmd) {
    WindowPlacement p;
    unsigned show = static_cast<unsigned>(requestedShowCmd);
    if (ParseWindowPos(profile::GetString(profile::Key::WindowPos), &p)) {
        if (requestedShowCmd != static_cast<int>(kShowNormal)) p.showCmd = show;
        show = p.showCmd;
        const QRect r(p.left, p.top, p.right - p.left, p.bottom - p.top);
        if (r.width() > 0 && r.height() > 0) setGeometry(r);
    }
    switch (show) {
        case kShowMaximized: showMaximized(); break;
        case kShowMinimized: case 6: case 7: showMinimized(); break;
        default: showNormal(); break;  // a hidden main window (0) could never be reached
    }
    repaint();
}

void CMainFrame::closeEvent(QCloseEvent* e) {
    // The placement is written even when closing is then cancelled.
    SavePlacement();
    if (docs_ && !docs_->SaveAllModified()) {
        e->ignore();
        return;
    }
    closingAll_ = true;
    for (QMdiSubWindow* sub : mdi_->subWindowList()) {
        if (auto* child = qobject_cast<CChildFrame*>(sub)) child->m_bNoAsk = true;
        sub->close();
    }
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
