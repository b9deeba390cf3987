#include "desktop/lists/listkinds.h"

#include <QAction>
#include <QMenu>

#include "desktop/lists/reserveview.h"
#include "desktop/lists/userview.h"
#include "desktop/mainframe/mainframe.h"

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

struct Item {
    int id;            // 0: separator
    const char* text;  // the label of this menu; the command may read otherwise elsewhere
    const char* tip;   // status bar prompt
};

// An item of its own label that runs the command as the frame runs any other,
// enabled and checked as the frame says when its menu opens.
void AddItem(QMenu* menu, CMainFrame& frame, const Item& item) {
    if (item.id == 0) {
        menu->addSeparator();
        return;
    }
    if (QAction* shared = frame.Action(item.id); shared && !item.text) {
        menu->addAction(shared);
        return;
    }
    auto* a = new QAction(U(item.text), menu);
    a->setObjectName(QStringLiteral("cmd%1").arg(item.id));
    a->setStatusTip(U(item.tip));
    a->setData(item.id);
    CMainFrame* f = &frame;
    QObject::connect(a, &QAction::triggered, f, [f, id = item.id] { f->Execute(id); });
    QObject::connect(menu, &QMenu::aboutToShow, a, [a, f, id = item.id] {
        const CmdState s = f->StateOf(id);
        a->setEnabled(s.enabled);
    });
    menu->addAction(a);
}

QMenu* MakeMenu(CMainFrame& frame, const char* title, const QString& name, std::initializer_list<Item> items) {
    auto* m = new QMenu(U(title), &frame);
    m->setObjectName(name);
    QObject::connect(m, &QMenu::aboutToShow, &frame, &CMainFrame::UpdateCommandStates);
    for (const Item& i : items) AddItem(m, frame, i);
    return m;
}

// Menus 4 and 5 differ in their edit items and in the sort submenu; the
// file, window and help menus are those every document window has.
QList<QMenu*> ListMenus(CMainFrame& frame, bool reserveList) {
    const QString tag = reserveList ? QStringLiteral("4") : QStringLiteral("5");
    if (auto* file = frame.findChild<QMenu*>(QStringLiteral("menuFile") + tag)) {
        QList<QMenu*> out;
        for (const char* n : {"menuFile", "menuEdit", "menuView", "menuOptions"})
            out.append(frame.findChild<QMenu*>(QString::fromLatin1(n) + tag));
        out.append(frame.WindowMenu());
        out.append(frame.findChild<QMenu*>(QStringLiteral("menuHelp") + tag));
        (void)file;
        return out;
    }
    QMenu* file = MakeMenu(frame, "ファイル(&F)", QStringLiteral("menuFile") + tag,
                           {{cmd::FileNew, nullptr, ""},
                            {cmd::FileOpen, nullptr, ""},
                            {cmd::FileClose, nullptr, ""},
                            {cmd::FileSave, nullptr, ""},
                            {cmd::FileSaveAs, nullptr, ""},
                            {0, nullptr, ""},
                            {cmd::ExportText, "ﾃｷｽﾄﾌｧｲﾙへのｴｸｽﾎﾟｰﾄ(&T)...", "テキストファイルに出力します"},
                            {0, nullptr, ""},
                            {cmd::Print, nullptr, ""},
                            {cmd::PrintPreview, nullptr, ""},
                            {cmd::PrintSetup, nullptr, ""},
                            {0, nullptr, ""}});
    for (int i = 0; i < CDocManager::kRecentCount; ++i) file->addAction(frame.Action(cmd::RecentFile1 + i));
    file->addSeparator();
    file->addAction(frame.Action(cmd::Exit));

    QMenu* edit = reserveList
                      ? MakeMenu(frame, "編集(&E)", QStringLiteral("menuEdit4"),
                                 {{cmd::AddReserve, "予約の追加(&A)...\tCtrl+A", "予約の追加"},
                                  {cmd::RepeatReserve, "繰り返し予約(&P)...", "繰り返し予約"},
                                  {cmd::EditReserve, "予約の編集(&R)...\tEnter", "編集"},
                                  {cmd::DeleteReserve, "予約の削除(&D)...", "削除"}})
                      : MakeMenu(frame, "編集(&E)", QStringLiteral("menuEdit5"),
                                 {{cmd::AddReserve, "使用者の追加(&A)...\tCtrl+A", "予約の追加"},
                                  {cmd::EditReserve, "使用者の編集(&R)...\tEnter", "編集"},
                                  {cmd::DeleteReserve, "使用者の削除(&D)...", "削除"},
                                  {0, nullptr, ""},
                                  {CUserView::kFind, "使用者の検索(&F)...", "指定した文字列の検索"},
                                  {CUserView::kFindNext, "次検索", "次検索"},
                                  {CUserView::kFindPrev, "前検索", "前検索"}});

    QMenu* view = MakeMenu(frame, "表示(&V)", QStringLiteral("menuView") + tag,
                           {{cmd::ShowSchedule, nullptr, ""},
                            {cmd::ShowReserveList, nullptr, ""},
                            {cmd::ShowUserList, nullptr, ""},
                            {0, nullptr, ""}});
    QMenu* sort = view->addMenu(U("整列(&S)"));
    sort->setObjectName(QStringLiteral("menuSort") + tag);
    if (reserveList) {
        const Item sorts[] = {
            {CReserveView::kSortCommands[0], "開始時刻", "開始時刻で整列"},
            {CReserveView::kSortCommands[1], "終了時刻", "終了時刻で整列"},
            {CReserveView::kSortCommands[2], "予約者", "予約者で整列"},
            {CReserveView::kSortCommands[3], "会議室", "施設名で整列"},
            {CReserveView::kSortCommands[4], "使用目的", "使用目的で整列"},
            {CReserveView::kSortCommands[5], "連絡先", "連絡先"},
        };
        for (const Item& i : sorts) AddItem(sort, frame, i);
    } else {
        AddItem(sort, frame, {CUserView::kSortByName, "予約者", "予約者で整列"});
    }
    view->addSeparator();
    view->addAction(frame.Action(cmd::ViewToolBar));
    view->addAction(frame.Action(cmd::ViewStatusBar));

    QMenu* options = MakeMenu(frame, "ｵﾌﾟｼｮﾝ(&0)", QStringLiteral("menuOptions") + tag,
                              {{cmd::Font, nullptr, ""}, {cmd::Settings, nullptr, ""}});
    QMenu* help = MakeMenu(frame, "ヘルプ(&H)", QStringLiteral("menuHelp") + tag,
                           {{cmd::HelpContents, nullptr, ""},
                            {cmd::HelpIndex, nullptr, ""},
                            {0, nullptr, ""},
                            {cmd::About, nullptr, ""}});
    return {file, edit, view, options, frame.WindowMenu(), help};
}

}  // namespace

void RegisterListViewKinds() {
    ViewKind reserves;
    reserves.templateId = 4;
    reserves.command = cmd::ShowReserveList;
    reserves.create = [](CKivoDoc& doc, CMainFrame&) -> QWidget* {
        auto* v = new CReserveView(&doc);
        v->OnInitialUpdate();
        return v;
    };
    reserves.owns = [](IKivoView* v) { return dynamic_cast<CReserveView*>(v) != nullptr; };
    reserves.menus = [](CMainFrame& frame) { return ListMenus(frame, true); };
    RegisterViewKind(reserves);

    ViewKind users;
    users.templateId = 5;
    users.command = cmd::ShowUserList;
    users.create = [](CKivoDoc& doc, CMainFrame&) -> QWidget* {
        auto* v = new CUserView(&doc);
        v->OnInitialUpdate();
        return v;
    };
    users.owns = [](IKivoView* v) { return dynamic_cast<CUserView*>(v) != nullptr; };
    users.menus = [](CMainFrame& frame) { return ListMenus(frame, false); };
    RegisterViewKind(users);
}
