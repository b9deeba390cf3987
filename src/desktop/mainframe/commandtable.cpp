#include "desktop/mainframe/commandtable.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QToolBar>
#include <iterator>

#include "desktop/dialogs/utf8.h"
#include "desktop/framework/commands.h"
#include "desktop/framework/docmanager.h"
#include "desktop/mainframe/toolicons.h"

enum class EntryKind : unsigned char {
    Command,      // the command's shared action
    Labelled,     // an item of its own label that runs the command
    LabelledKey,  // the same, its label followed by the command's first key
    Separator,
    RecentFiles,  // the recent-file list
    SubMenu,      // the items up to the next EndSubMenu go into a submenu
    EndSubMenu,
};

struct MenuEntry {
    EntryKind kind;
    int id;
    const char* text;  // a label of its own; a submenu's title
    const char* tip;   // its status bar prompt; a submenu's object name, if any
};

namespace {

struct ActionDef {
    int id;
    const char* text;
    const char* tip;  // status bar prompt and tool tip (after the line break)
    bool checkable;
};

// Every command of the menus, the tool bar and the accelerator table.
const ActionDef kActions[] = {
    {cmd::FileNew, "新規作成(&N)", "新規にドキュメントを作成します\n新規作成", false},
    {cmd::FileOpen, "開く(&O)...", "既存のドキュメントを開きます\n開く", false},
    {cmd::FileOpenServer, "サーバーの登録簿を開く(&B)...", "データベース サーバーにある登録簿を開きます\nサーバーの登録簿を開く", false},
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
    {cmd::ShowWeek, "週間表示(&W)", "施設ごとの一週間の予約を表示します\n週間表示", true},
    {cmd::FindFree, "空き検索(&F)...", "指定した日時に空いている施設を探します\n空き検索", false},
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
    {cmd::ExportIcal, "iCalendar形式でエクスポート(&I)...",
     "予約をカレンダー用の iCalendar 形式で出力します\niCalendar形式でエクスポート", false},
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
// A command's first key is the one its menu items name.
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
    {cmd::EditReserve, QKeyCombination(Qt::Key_Enter)}, {cmd::EditReserve, QKeyCombination(Qt::Key_Return)},
    {cmd::Refresh, QKeyCombination(Qt::Key_F5)},
};

// The slots of the tool bar; 0 is a separator.
const int kToolBar[] = {
    cmd::FileNew,  cmd::FileOpen,       cmd::FileSave,     0, cmd::Print,       0,
    cmd::PrevWeek, cmd::PrevDay,        cmd::Today,        cmd::NextDay,        cmd::NextWeek,
    0,             cmd::EditFacilities, 0,                 cmd::ToggleMode,     0,
    cmd::ShowSchedule, cmd::ShowReserveList, cmd::ShowUserList, cmd::ShowWeek, 0,
    cmd::AddReserve, cmd::EditReserve,  cmd::DeleteReserve, 0, cmd::About,
};

constexpr MenuEntry C(int id) { return {EntryKind::Command, id, nullptr, nullptr}; }
constexpr MenuEntry L(int id, const char* text, const char* tip) { return {EntryKind::Labelled, id, text, tip}; }
constexpr MenuEntry K(int id, const char* text, const char* tip) { return {EntryKind::LabelledKey, id, text, tip}; }
constexpr MenuEntry Sub(const char* title, const char* name) { return {EntryKind::SubMenu, 0, title, name}; }
constexpr MenuEntry kSep{EntryKind::Separator, 0, nullptr, nullptr};
constexpr MenuEntry kRecent{EntryKind::RecentFiles, 0, nullptr, nullptr};
constexpr MenuEntry kEnd{EntryKind::EndSubMenu, 0, nullptr, nullptr};

const MenuEntry kFile2[] = {C(cmd::FileNew), C(cmd::FileOpen), C(cmd::FileOpenServer), kSep, C(cmd::PrintSetup), kSep, kRecent, kSep,
                            C(cmd::Exit)};
const MenuEntry kView2[] = {C(cmd::ViewToolBar), C(cmd::ViewStatusBar)};
const MenuEntry kOptions2[] = {C(cmd::Settings)};
const MenuEntry kHelp[] = {C(cmd::HelpContents), C(cmd::HelpIndex), kSep, C(cmd::About)};

const MenuEntry kFile3[] = {
    C(cmd::FileNew), C(cmd::FileOpen), C(cmd::FileOpenServer), C(cmd::FileClose), C(cmd::FileSave), C(cmd::FileSaveAs), kSep,
    Sub("ﾃｷｽﾄﾌｧｲﾙへのｴｸｽﾎﾟｰﾄ(&T)...", nullptr), C(cmd::ExportReserveText), C(cmd::ExportFacilityText), kEnd,
    Sub("CSVﾌｧｲﾙへのｴｸｽﾎﾟｰﾄ(&E)...", nullptr), C(cmd::ExportReserveCsv), C(cmd::ExportFacilityCsv), kEnd,
    C(cmd::ExportIcal), kSep,
    C(cmd::Print), C(cmd::PrintPreview), C(cmd::PrintSetup), kSep, kRecent, kSep, C(cmd::Exit)};
const MenuEntry kEdit3[] = {C(cmd::AddReserve), C(cmd::RepeatReserve), kSep, C(cmd::AddFacility),
                            C(cmd::EditFacilities)};
const MenuEntry kView3[] = {C(cmd::ShowSchedule), C(cmd::ShowReserveList), C(cmd::ShowUserList),
                            C(cmd::ShowWeek), C(cmd::FindFree), kSep,
                            C(cmd::NextDay), C(cmd::PrevDay), kSep, C(cmd::NextWeek), C(cmd::PrevWeek), kSep,
                            C(cmd::GotoDate), C(cmd::Today), kSep, C(cmd::ToggleMode), kSep,
                            C(cmd::ViewToolBar), C(cmd::ViewStatusBar), kSep, C(cmd::Refresh)};
const MenuEntry kOptions[] = {C(cmd::Font), C(cmd::Settings)};

const MenuEntry kFile6[] = {C(cmd::FileNew), C(cmd::FileOpen), C(cmd::FileOpenServer), C(cmd::FileClose), C(cmd::FileSave),
                            C(cmd::FileSaveAs), kSep, C(cmd::Print), C(cmd::PrintPreview), C(cmd::PrintSetup), kSep,
                            kRecent, kSep, C(cmd::Exit)};
const MenuEntry kEdit6[] = {C(cmd::AddReserve), C(cmd::RepeatReserve)};
const MenuEntry kView6[] = {C(cmd::ShowSchedule), C(cmd::ShowReserveList), C(cmd::ShowUserList),
                            C(cmd::ShowWeek), C(cmd::FindFree), kSep,
                            C(cmd::NextWeek), C(cmd::PrevWeek), kSep,
                            C(cmd::GotoDate), C(cmd::Today), kSep,
                            C(cmd::ViewToolBar), C(cmd::ViewStatusBar), kSep, C(cmd::Refresh)};

const MenuEntry kFileList[] = {C(cmd::FileNew), C(cmd::FileOpen), C(cmd::FileOpenServer), C(cmd::FileClose), C(cmd::FileSave),
                               C(cmd::FileSaveAs), kSep, C(cmd::ExportText), kSep, C(cmd::Print),
                               C(cmd::PrintPreview), C(cmd::PrintSetup), kSep, kRecent, kSep, C(cmd::Exit)};
const MenuEntry kFile4[] = {C(cmd::FileNew), C(cmd::FileOpen), C(cmd::FileOpenServer), C(cmd::FileClose), C(cmd::FileSave),
                            C(cmd::FileSaveAs), kSep, C(cmd::ExportText), C(cmd::ExportIcal), kSep, C(cmd::Print),
                            C(cmd::PrintPreview), C(cmd::PrintSetup), kSep, kRecent, kSep, C(cmd::Exit)};
const MenuEntry kEdit4[] = {K(cmd::AddReserve, "予約の追加(&A)...", "予約の追加"),
                            L(cmd::RepeatReserve, "繰り返し予約(&P)...", "繰り返し予約"),
                            K(cmd::EditReserve, "予約の編集(&R)...", "編集"),
                            L(cmd::DeleteReserve, "予約の削除(&D)...", "削除")};
const MenuEntry kView4[] = {C(cmd::ShowSchedule), C(cmd::ShowReserveList), C(cmd::ShowUserList),
                            C(cmd::ShowWeek), C(cmd::FindFree), kSep,
                            Sub("整列(&S)", "Sort"),
                            L(cmd::SortByStart, "開始時刻", "開始時刻で整列"),
                            L(cmd::SortByEnd, "終了時刻", "終了時刻で整列"),
                            L(cmd::SortByUser, "予約者", "予約者で整列"),
                            L(cmd::SortByFacility, "会議室", "施設名で整列"),
                            L(cmd::SortByPurpose, "使用目的", "使用目的で整列"),
                            L(cmd::SortByContact, "連絡先", "連絡先"), kEnd, kSep,
                            C(cmd::ViewToolBar), C(cmd::ViewStatusBar), kSep, C(cmd::Refresh)};
const MenuEntry kEdit5[] = {K(cmd::AddReserve, "使用者の追加(&A)...", "予約の追加"),
                            K(cmd::EditReserve, "使用者の編集(&R)...", "編集"),
                            L(cmd::DeleteReserve, "使用者の削除(&D)...", "削除"), kSep,
                            L(cmd::FindUser, "使用者の検索(&F)...", "指定した文字列の検索"),
                            L(cmd::FindNextUser, "次検索", "次検索"), L(cmd::FindPrevUser, "前検索", "前検索")};
const MenuEntry kView5[] = {C(cmd::ShowSchedule), C(cmd::ShowReserveList), C(cmd::ShowUserList),
                            C(cmd::ShowWeek), C(cmd::FindFree), kSep,
                            Sub("整列(&S)", "Sort"), L(cmd::SortByUser, "予約者", "予約者で整列"), kEnd, kSep,
                            C(cmd::ViewToolBar), C(cmd::ViewStatusBar), kSep, C(cmd::Refresh)};

struct MenuDef {
    const char* title;
    const char* name;  // the object name's stem; the bar's number follows it
    const MenuEntry* entries = nullptr;  // none: the shared window menu
    int count = 0;
};
template <int N>
constexpr MenuDef M(const char* title, const char* name, const MenuEntry (&entries)[N]) {
    return {title, name, entries, N};
}
constexpr MenuDef kWindow{"ウィンドウ(&W)", "Window"};

const MenuDef kBar2[] = {M("ファイル(&F)", "File", kFile2), M("表示(&V)", "View", kView2),
                         M("ｵﾌﾟｼｮﾝ(&0)", "Options", kOptions2), M("ヘルプ(&H)", "Help", kHelp)};
const MenuDef kBar3[] = {M("ファイル(&F)", "File", kFile3), M("編集(&E)", "Edit", kEdit3),
                         M("表示(&V)", "View", kView3), M("ｵﾌﾟｼｮﾝ(&0)", "Options", kOptions),
                         kWindow, M("ヘルプ(&H)", "Help", kHelp)};
const MenuDef kBar4[] = {M("ファイル(&F)", "File", kFile4), M("編集(&E)", "Edit", kEdit4),
                         M("表示(&V)", "View", kView4), M("ｵﾌﾟｼｮﾝ(&0)", "Options", kOptions),
                         kWindow, M("ヘルプ(&H)", "Help", kHelp)};
const MenuDef kBar5[] = {M("ファイル(&F)", "File", kFileList), M("編集(&E)", "Edit", kEdit5),
                         M("表示(&V)", "View", kView5), M("ｵﾌﾟｼｮﾝ(&0)", "Options", kOptions),
                         kWindow, M("ヘルプ(&H)", "Help", kHelp)};

const MenuDef kBar6[] = {M("ファイル(&F)", "File", kFile6), M("編集(&E)", "Edit", kEdit6),
                         M("表示(&V)", "View", kView6), M("ｵﾌﾟｼｮﾝ(&0)", "Options", kOptions),
                         kWindow, M("ヘルプ(&H)", "Help", kHelp)};

QList<MenuDef> DefsOf(MenuBar bar) {
    switch (bar) {
        case MenuBar::NoDocument: return {std::begin(kBar2), std::end(kBar2)};
        case MenuBar::Schedule: return {std::begin(kBar3), std::end(kBar3)};
        case MenuBar::ReserveList: return {std::begin(kBar4), std::end(kBar4)};
        case MenuBar::UserList: return {std::begin(kBar5), std::end(kBar5)};
        case MenuBar::Week: return {std::begin(kBar6), std::end(kBar6)};
    }
    return {};
}

QList<QKeySequence> KeysOf(int id) {
    QList<QKeySequence> keys;
    for (const auto& k : kAccelerators)
        if (k.id == id) keys.append(QKeySequence(k.key));
    return keys;
}

}  // namespace

CCommandSet::CCommandSet(QWidget* owner, std::function<void(int)> run, std::function<void()> menuShown)
    : owner_(owner), run_(std::move(run)), menuShown_(std::move(menuShown)) {
    for (const ActionDef& s : kActions) {
        QAction* a = NewAction(s.id, U(s.text), owner);
        a->setData(s.id);
        actions_[s.id] = a;
        const QStringList tip = U(s.tip).split(QLatin1Char('\n'));
        if (!tip.first().isEmpty()) a->setStatusTip(tip.first());
        if (tip.size() > 1) a->setToolTip(tip[1]);
        a->setCheckable(s.checkable);
        a->setIcon(ToolIcon(s.id));
        a->setIconVisibleInMenu(false);
        if (const QList<QKeySequence> keys = KeysOf(s.id); !keys.isEmpty()) {
            a->setShortcuts(keys);
            a->setShortcutContext(Qt::WindowShortcut);
        }
        owner->addAction(a);
    }
    for (int i = 0; i < CDocManager::kRecentCount; ++i) {
        // No number in data(): a recent file's item is the file, not a command.
        QAction* a = NewAction(cmd::RecentFile1 + i, QString(), owner);
        a->setStatusTip(U("このドキュメントを開きます"));
        actions_[cmd::RecentFile1 + i] = a;
    }
    windowMenu_ = NewMenu(U("ウィンドウ(&W)"), QStringLiteral("menuWindow3"), owner);
}

QAction* CCommandSet::NewAction(int id, const QString& text, QObject* parent) {
    auto* a = new QAction(text, parent);
    a->setObjectName(QStringLiteral("cmd%1").arg(id));
    QObject::connect(a, &QAction::triggered, a, [run = run_, id] { run(id); });
    return a;
}

QMenu* CCommandSet::NewMenu(const QString& title, const QString& name, QWidget* parent) {
    auto* m = new QMenu(title, parent);
    m->setObjectName(name);
    QObject::connect(m, &QMenu::aboutToShow, m, [shown = menuShown_] { shown(); });
    return m;
}

QAction* CCommandSet::Action(int id) const {
    auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void CCommandSet::ForEachCommand(const std::function<void(int, QAction*)>& f) const {
    for (const auto& [id, a] : actions_) f(id, a);
    for (QAction* a : labelled_) f(a->data().toInt(), a);
}

const QList<QMenu*>& CCommandSet::Menus(MenuBar bar) {
    if (auto it = bars_.find(bar); it != bars_.end()) return it->second;
    const QString number = QString::number(static_cast<int>(bar));
    QList<QMenu*> menus;
    for (const MenuDef& def : DefsOf(bar)) {
        if (!def.entries) {
            menus.append(windowMenu_);
            continue;
        }
        const QString name = QStringLiteral("menu") + QLatin1String(def.name) + number;
        QMenu* m = NewMenu(U(def.title), name, owner_);
        Fill(m, def.entries, def.count, number);
        menus.append(m);
    }
    return bars_[bar] = menus;
}

void CCommandSet::Fill(QMenu* menu, const MenuEntry* entries, int count, const QString& bar) {
    QMenu* into = menu;
    for (int i = 0; i < count; ++i) {
        const MenuEntry& e = entries[i];
        switch (e.kind) {
            case EntryKind::Command: into->addAction(actions_.at(e.id)); break;
            case EntryKind::Labelled:
            case EntryKind::LabelledKey: {
                QString label = U(e.text);
                // The key the label names is the key that runs the command.
                if (e.kind == EntryKind::LabelledKey)
                    label += QLatin1Char('\t') + KeysOf(e.id).value(0).toString(QKeySequence::PortableText);
                QAction* a = NewAction(e.id, label, into);
                a->setData(e.id);
                a->setStatusTip(U(e.tip));
                labelled_.append(a);
                into->addAction(a);
                break;
            }
            case EntryKind::Separator: into->addSeparator(); break;
            case EntryKind::RecentFiles:
                for (int r = 0; r < CDocManager::kRecentCount; ++r) into->addAction(actions_.at(cmd::RecentFile1 + r));
                break;
            case EntryKind::SubMenu:
                into = NewMenu(U(e.text), e.tip ? QStringLiteral("menu") + QLatin1String(e.tip) + bar : QString(),
                               menu);
                menu->addMenu(into);
                break;
            case EntryKind::EndSubMenu: into = menu; break;
        }
    }
}

void CCommandSet::FillToolBar(QToolBar* bar) const {
    for (int id : kToolBar) {
        if (id == 0) bar->addSeparator();
        else bar->addAction(actions_.at(id));
    }
}
