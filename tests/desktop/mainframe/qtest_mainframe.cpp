// The main window: placement text, fee colours, the settings command, menus
// and disabled commands, switching windows, help and About.
#include <QAction>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFontDialog>
#include <QKeyEvent>
#include <QListView>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QMdiArea>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTextBrowser>
#include <QTimer>
#include <QListWidget>
#include <QToolBar>

#include "desktop/app/kivoapp.h"
#include "desktop/dialogs/dlgtest.h"
#include "desktop/dialogs/filedialog.h"
#include "desktop/dialogs/modalprompt.h"
#include "desktop/framework/docmanager.h"
#include "desktop/mainframe/helpwindow.h"
#include "desktop/mainframe/mainframe.h"
#include "desktop/mainframe/windowpos.h"
#include "desktop/schedule/kivoview.h"

using namespace dlgtest;

namespace {

class MainFrame : public ::testing::Test {
protected:
    void SetUp() override {
        SetPrompt(&prompt_);
    }
    void TearDown() override {
        frame_.reset();
        docs_.reset();
        SetPrompt(nullptr);
    }
    CMainFrame* Make() {
        docs_ = std::make_unique<CDocManager>();
        frame_ = std::make_unique<CMainFrame>(docs_.get());
        frame_->show();
        return frame_.get();
    }
    // A register on disk with two facilities.
    QString Register(const char* name) {
        const std::string path = dir_.File(name);
        CKivoDoc doc;
        for (int id : {1, 2}) {
            auto f = std::make_unique<CKivo>();
            f->m_nID = id;
            f->m_strName = testutil::Sj(id == 1 ? "大会議室" : "和室");
            doc.m_arFacility.push_back(std::move(f));
        }
        EXPECT_TRUE(doc.OnSaveDocument(path));
        return QString::fromStdString(path);
    }
    // Lets queued work (captions, activation) run, until done says so.
    static bool Settle(const std::function<bool()>& done) {
        QElapsedTimer t;
        t.start();
        while (!done()) {
            if (t.elapsed() > 5000) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        return true;
    }
    QStringList MenuTitles() {
        QStringList t;
        for (QAction* a : frame_->menuBar()->actions()) t << a->text();
        return t;
    }

    testutil::TempDir dir_;
    ScriptedPrompt prompt_;
    std::unique_ptr<CDocManager> docs_;
    std::unique_ptr<CMainFrame> frame_;
};

}  // namespace

TEST(WindowPos, TenNumbersRoundTrip) {
    WindowPlacement p;
    ASSERT_TRUE(ParseWindowPos("0,1,-1,-1,-1,-1,10,10,500,400", &p));
    EXPECT_EQ(p.showCmd, ShowCmd::Normal);
    EXPECT_EQ(p.minX, -1);
    EXPECT_EQ(p.left, 10);
    EXPECT_EQ(p.bottom, 400);
    EXPECT_EQ(FormatWindowPos(p), "0,1,-1,-1,-1,-1,10,10,500,400");
}

TEST(WindowPos, FewerThanTenNumbersAreIgnored) {
    WindowPlacement p;
    p.left = 77;
    EXPECT_FALSE(ParseWindowPos("1,1,0,0", &p));
    EXPECT_FALSE(ParseWindowPos("", &p));
    EXPECT_FALSE(ParseWindowPos("0,1,-1,-1,-1,-1,10,10,500", &p));
    EXPECT_FALSE(ParseWindowPos("0;1;-1;-1;-1;-1;10;10;500;400", &p));
    EXPECT_EQ(p.left, 77);
    EXPECT_TRUE(ParseWindowPos(" 2, 3,-1,-1,-1,-1,0,0,640,480,junk", &p));
    EXPECT_EQ(p.flags, 2u);
}

TEST_F(MainFrame, ColoursDefaultToPureGreenAndFollowTheProfile) {
    EXPECT_EQ(Make()->m_colors.paid, QColor(0, 255, 0));
    EXPECT_EQ(frame_->m_colors.unpaid, QColor(0, 255, 0));
    frame_.reset();
    profile::WriteString(profile::Key::RevColor1, "255xyz");
    profile::WriteString(profile::Key::RevColor2, "16711680");
    Make();
    EXPECT_EQ(frame_->m_colors.paid, QColor(255, 0, 0));
    EXPECT_EQ(frame_->m_colors.unpaid, QColor(0, 0, 255));
}

TEST_F(MainFrame, PlacementIsRestoredFromTheProfile) {
    profile::WriteString(profile::Key::WindowPos, "0,1,-1,-1,-1,-1,10,20,510,420");
    docs_ = std::make_unique<CDocManager>();
    frame_ = std::make_unique<CMainFrame>(docs_.get());
    frame_->RestorePlacementAndShow(ShowCmd::Normal);
    EXPECT_EQ(frame_->geometry(), QRect(10, 20, 500, 400));
    EXPECT_FALSE(frame_->isMaximized());
}

TEST_F(MainFrame, ClosingMaximisedStoresShowCommandThreeAndFlagTwo) {
    profile::WriteString(profile::Key::WindowPos, "0,3,-1,-1,-1,-1,10,20,510,420");
    docs_ = std::make_unique<CDocManager>();
    frame_ = std::make_unique<CMainFrame>(docs_.get());
    frame_->RestorePlacementAndShow(ShowCmd::Normal);
    EXPECT_TRUE(frame_->isMaximized());
    frame_->close();
    const std::string text = profile::GetString(profile::Key::WindowPos);
    EXPECT_EQ(text.rfind("2,3,", 0), 0u) << text;
    WindowPlacement p;
    EXPECT_TRUE(ParseWindowPos(text, &p));
}

TEST_F(MainFrame, ClosingNormalStoresShowCommandOne) {
    Make();
    frame_->showNormal();
    frame_->close();
    const std::string text = profile::GetString(profile::Key::WindowPos);
    EXPECT_EQ(text.rfind("0,1,-1,-1,-1,-1,", 0), 0u) << text;
}

TEST_F(MainFrame, MenusFollowTheActiveWindow) {
    Make();
    EXPECT_EQ(MenuTitles(), QStringList({Q("ファイル(&F)"), Q("表示(&V)"), Q("ｵﾌﾟｼｮﾝ(&0)"), Q("ヘルプ(&H)")}));
    EXPECT_FALSE(frame_->Action(cmd::FileSave)->isEnabled());
    EXPECT_FALSE(frame_->Action(cmd::NextDay)->isEnabled());
    docs_->NewDocument();
    EXPECT_EQ(MenuTitles(), QStringList({Q("ファイル(&F)"), Q("編集(&E)"), Q("表示(&V)"), Q("ｵﾌﾟｼｮﾝ(&0)"),
                                         Q("ウィンドウ(&W)"), Q("ヘルプ(&H)")}));
    EXPECT_TRUE(frame_->Action(cmd::NextDay)->isEnabled());
    EXPECT_TRUE(frame_->Action(cmd::ShowSchedule)->isChecked());
    // The commands of the list windows are not the schedule's.
    EXPECT_FALSE(frame_->Action(cmd::EditReserve)->isEnabled());
    EXPECT_FALSE(frame_->Action(cmd::DeleteReserve)->isEnabled());
}

TEST_F(MainFrame, SettingsAreWrittenOnOk) {
    Make();
    prompt_.colors = {QColor(255, 0, 0)};
    QString shownStart;
    prompt_.onDialog = [&](QDialog* d) {
        shownStart = Get(d, "edit119");
        Child<QCheckBox>(d, "check116")->setChecked(false);
        Set(d, "edit119", "9");
        Set(d, "edit120", "20");
        Child<QComboBox>(d, "combo128")->setCurrentIndex(2);
        Click(d, "button125");
        Click(d, "button1");
    };
    frame_->Execute(cmd::Settings);
    EXPECT_EQ(prompt_.dialogsRun.back(), "CSettingDlg");
    EXPECT_EQ(shownStart, "8");
    EXPECT_EQ(profile::GetInt(profile::Key::Dup), 0);
    EXPECT_EQ(profile::GetInt(profile::Key::StartTime), 9);
    EXPECT_EQ(profile::GetInt(profile::Key::EndTime), 20);
    EXPECT_EQ(profile::GetInt(profile::Key::ViewObject), 2);
    EXPECT_EQ(profile::GetString(profile::Key::RevColor1), "255");
    EXPECT_EQ(profile::GetString(profile::Key::RevColor2), "65280");
    EXPECT_EQ(frame_->m_colors.paid, QColor(255, 0, 0));
}

TEST_F(MainFrame, CancelAfterPickingAColourKeepsTheOldOne) {
    Make();
    prompt_.colors = {QColor(255, 0, 0)};
    QString typed;
    prompt_.onDialog = [&](QDialog* d) {
        Set(d, "edit119", "10");
        Click(d, "button126");
        typed = Get(d, "edit119");
        Click(d, "button2");
    };
    frame_->Execute(cmd::Settings);
    EXPECT_EQ(typed, "10");  // typed before the colour dialog, still there after it
    EXPECT_EQ(frame_->m_colors.unpaid, QColor(0, 255, 0));
    EXPECT_EQ(profile::GetInt(profile::Key::StartTime), 8);
}

TEST_F(MainFrame, SettingsRefuseHoursOutsideADay) {
    Make();
    prompt_.onDialog = [&](QDialog* d) {
        Set(d, "edit119", "24");
        Click(d, "button1");
        Set(d, "edit119", "12");
        Set(d, "edit120", "11");
        Click(d, "button1");
        Set(d, "edit120", "x");
        Click(d, "button1");
    };
    frame_->Execute(cmd::Settings);
    ASSERT_EQ(prompt_.messages.size(), 3u);
    EXPECT_EQ(prompt_.messages[0].text, Q("開始時刻が不正です"));
    EXPECT_EQ(prompt_.messages[1].text, Q("終了時刻が不正です"));
    EXPECT_EQ(prompt_.messages[2].text, Q("正の整数を入力してください。"));
    EXPECT_EQ(profile::GetInt(profile::Key::StartTime), 8);
}

TEST_F(MainFrame, ScheduleCommandActivatesTheFirstScheduleWindow) {
    Make();
    CKivoDoc* doc = docs_->NewDocument();
    QMdiSubWindow* first = frame_->ActiveSubWindow();
    frame_->Execute(cmd::WindowNew);
    EXPECT_EQ(frame_->MdiArea()->subWindowList().size(), 2);
    EXPECT_EQ(first->windowTitle(), Q("Kivo1:1"));
    EXPECT_NE(frame_->ActiveSubWindow(), first);
    frame_->Execute(cmd::ShowSchedule);
    EXPECT_EQ(frame_->MdiArea()->subWindowList().size(), 2);
    EXPECT_EQ(frame_->ActiveSubWindow(), first);
    EXPECT_EQ(doc->Views().size(), 2u);
}

TEST_F(MainFrame, MaximisedStateCarriesToTheNextScheduleWindow) {
    Make();
    docs_->NewDocument();
    EXPECT_TRUE(frame_->ActiveSubWindow()->isMaximized());
    frame_->ActiveSubWindow()->showNormal();
    EXPECT_EQ(frame_->g_nChildShowCmd, ShowCmd::Normal);
    // Restored, the window keeps a size that shows the grid, not a bare title bar.
    EXPECT_GE(frame_->ActiveSubWindow()->width(), 400);
    EXPECT_GE(frame_->ActiveSubWindow()->height(), 300);
    docs_->NewDocument();
    EXPECT_FALSE(frame_->ActiveSubWindow()->isMaximized());
    EXPECT_GE(frame_->ActiveSubWindow()->width(), 400);
    EXPECT_GE(frame_->ActiveSubWindow()->height(), 300);
    frame_->ActiveSubWindow()->showMinimized();
    EXPECT_EQ(frame_->g_nChildShowCmd, ShowCmd::Normal);
    frame_->ActiveSubWindow()->showMaximized();
    EXPECT_EQ(frame_->g_nChildShowCmd, ShowCmd::Maximized);
    // Cascading keeps every window large enough for the grid, and so is the
    // window opened after it.
    frame_->Execute(cmd::WindowCascade);
    frame_->Execute(cmd::WindowNew);
    for (QMdiSubWindow* sub : frame_->MdiArea()->subWindowList()) {
        if (sub->isMinimized()) continue;
        EXPECT_GE(sub->width(), 400) << sub->windowTitle().toStdString();
        EXPECT_GE(sub->height(), 300) << sub->windowTitle().toStdString();
    }
    // A list window opened beside a normal one is as large.
    frame_->ActiveSubWindow()->showNormal();
    frame_->Execute(cmd::ShowReserveList);
    EXPECT_FALSE(frame_->ActiveSubWindow()->isMaximized());
    EXPECT_GE(frame_->ActiveSubWindow()->width(), 400);
    EXPECT_GE(frame_->ActiveSubWindow()->height(), 300);
}

TEST_F(MainFrame, TilingSideBySide) {
    Make()->g_nChildShowCmd = ShowCmd::Normal;
    docs_->NewDocument();
    docs_->NewDocument();
    frame_->Execute(cmd::WindowTileVert);
    QList<QMdiSubWindow*> subs = frame_->MdiArea()->subWindowList();
    ASSERT_EQ(subs.size(), 2);
    EXPECT_EQ(subs[0]->y(), subs[1]->y());
    EXPECT_NE(subs[0]->x(), subs[1]->x());
    frame_->Execute(cmd::WindowTileHorz);
    EXPECT_EQ(subs[0]->x(), subs[1]->x());
    EXPECT_NE(subs[0]->y(), subs[1]->y());

    // A third window minimised: tiling leaves its row free, and arranging
    // the icons leaves it on top of every window.
    docs_->NewDocument();
    QMdiSubWindow* icon = frame_->ActiveSubWindow();
    icon->showMinimized();
    // The keys go on to a window that is shown.
    EXPECT_FALSE(frame_->ActiveSubWindow()->isMinimized());
    subs[0]->setGeometry(frame_->MdiArea()->viewport()->rect());
    frame_->Execute(cmd::WindowArrange);
    EXPECT_EQ(frame_->MdiArea()->subWindowList(QMdiArea::StackingOrder).last(), icon);
    EXPECT_EQ(icon->geometry().bottom(), frame_->MdiArea()->viewport()->rect().bottom());
    for (int cmdId : {cmd::WindowTileHorz, cmd::WindowTileVert}) {
        frame_->Execute(cmdId);
        for (QMdiSubWindow* sub : {subs[0], subs[1]}) EXPECT_LT(sub->geometry().bottom(), icon->y()) << cmdId;
    }
}

TEST_F(MainFrame, AboutShowsTheVersion) {
    Make();
    QString text, title;
    prompt_.onDialog = [&](QDialog* d) {
        title = d->windowTitle();
        text = Child<QLabel>(d, "aboutText")->text();
        Click(d, "button1");
    };
    // From the tool bar's last button, as a click runs it.
    frame_->ToolBar()->actions().last()->trigger();
    EXPECT_EQ(title, Q("バージョン情報"));
    EXPECT_EQ(text, "Orvalis Version 2.05");
}

TEST_F(MainFrame, HelpShowsContentsAndTheWholeIndex) {
    Make();
    frame_->Execute(cmd::HelpContents);
    CHelpWindow* help = frame_->HelpWindow();
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(help->Browser()->toPlainText().contains(Q("Orvalis ヘルプの目次")));
    frame_->Execute(cmd::HelpIndex);
    EXPECT_GT(help->Index()->count(), 30);
    // The label's (&W) is the key to its field, not text to show.
    EXPECT_EQ(help->findChild<QLabel*>(QStringLiteral("helpKeywordLabel"))->buddy(),
              help->findChild<QLineEdit*>(QStringLiteral("helpKeyword")));
    // Every keyword leads to a page that exists.
    for (const auto& k : CHelpWindow::Keywords()) {
        const QString page = k.second.section(QLatin1Char('#'), 0, 0);
        EXPECT_TRUE(QFile::exists(QStringLiteral(":/help/") + page)) << k.second.toStdString();
    }
}

TEST_F(MainFrame, EveryMenuCommandIsDescribedInHelp) {
    Make();
    QString all;
    QDirIterator it(QStringLiteral(":/help"));
    while (it.hasNext()) {
        QFile f(it.next());
        if (f.open(QIODevice::ReadOnly)) all += QString::fromUtf8(f.readAll());
    }
    for (QMenu* m : frame_->Menus(MenuBar::Schedule) + frame_->Menus(MenuBar::NoDocument))
        for (QAction* a : m->actions()) {
            if (a->isSeparator() || a->menu() || a->data().toInt() == 0) continue;
            QString label = a->text().section(QLatin1Char('\t'), 0, 0);
            label.remove(QRegularExpression(QStringLiteral("\\(&.\\)|\\.\\.\\.|&")));
            EXPECT_TRUE(all.contains(label)) << label.toStdString();
        }
}

TEST_F(MainFrame, FileCloseOfANewDocumentWithChangesAsks) {
    Make();
    CKivoDoc* doc = docs_->NewDocument();
    doc->SetModifiedFlag(true);
    prompt_.onDialog = [](QDialog* d) { d->reject(); };
    frame_->Execute(cmd::FileClose);
    EXPECT_EQ(prompt_.dialogsRun.back(), "SaveChangesDlg");
    EXPECT_EQ(docs_->Documents().size(), 1u);
    prompt_.onDialog = [](QDialog* d) { Click(d, "button7"); };
    frame_->Execute(cmd::FileClose);
    EXPECT_TRUE(docs_->Documents().empty());
    EXPECT_TRUE(frame_->MdiArea()->subWindowList().isEmpty());
}

TEST_F(MainFrame, AnOpenedWindowTakesTheKeysAtOnce) {
    const QString path = Register("r.kv");
    Make()->resize(800, 400);
    frame_->activateWindow();
    ASSERT_TRUE(Settle([&] { return QApplication::activeWindow() == frame_.get(); })) << "the frame never became active";
    docs_->OpenDocumentFile(path);
    auto* view = frame_->findChild<CKivoView*>();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(QApplication::focusWidget(), view);
    // Down as the keyboard sends it, to whatever has the focus, without a click.
    const int line = view->Sizes().lineH;
    ASSERT_GT(view->verticalScrollBar()->maximum(), line);
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(QApplication::focusWidget(), &down);
    EXPECT_EQ(view->ScrollPos().y(), line);
    // A list window's keys go to its list.
    frame_->Execute(cmd::ShowReserveList);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    EXPECT_EQ(QApplication::focusWidget()->objectName(), "list300");
}

TEST_F(MainFrame, CaptionsNameTheFileAsTheFileSystemSpellsIt) {
    const QString path = Register("予約 台帳.kv");
    Make();
    EXPECT_EQ(frame_->windowTitle(), Q("Orvalis"));
    docs_->OpenDocumentFile(path);
    QMdiSubWindow* sub = frame_->ActiveSubWindow();
    ASSERT_TRUE(sub->isMaximized());
    EXPECT_EQ(sub->windowTitle(), Q("予約 台帳.kv"));
    EXPECT_TRUE(Settle([&] { return frame_->windowTitle() == Q("Orvalis - [予約 台帳.kv]"); }))
        << frame_->windowTitle().toStdString();
    sub->showNormal();
    EXPECT_TRUE(Settle([&] { return frame_->windowTitle() == Q("Orvalis - 予約 台帳.kv"); }))
        << frame_->windowTitle().toStdString();
    sub->showMaximized();
    EXPECT_TRUE(Settle([&] { return frame_->windowTitle() == Q("Orvalis - [予約 台帳.kv]"); }))
        << frame_->windowTitle().toStdString();
    emit frame_->WindowMenu()->aboutToShow();
    EXPECT_EQ(frame_->WindowMenu()->actions().last()->text(), Q("&1 予約 台帳.kv"));
    // A second window: maximised its own title shows, restored the document's.
    frame_->Execute(cmd::WindowNew);
    EXPECT_TRUE(Settle([&] { return frame_->windowTitle() == Q("Orvalis - [予約 台帳.kv:2]"); }))
        << frame_->windowTitle().toStdString();
    frame_->ActiveSubWindow()->showNormal();
    EXPECT_TRUE(Settle([&] { return frame_->windowTitle() == Q("Orvalis - 予約 台帳.kv"); }))
        << frame_->windowTitle().toStdString();
}

TEST_F(MainFrame, TheIdleTextComesBackAfterEveryPrompt) {
    Make();
    QLabel* idle = frame_->IdleText();
    EXPECT_EQ(idle->text(), Q("レディ"));
    EXPECT_TRUE(idle->isVisible());
    for (int i = 0; i < 2; ++i) {
        QStatusTipEvent hover(Q("既存のドキュメントを開きます"));
        QApplication::sendEvent(frame_.get(), &hover);
        EXPECT_EQ(frame_->statusBar()->currentMessage(), Q("既存のドキュメントを開きます"));
        EXPECT_FALSE(idle->isVisible());
        QStatusTipEvent away{QString()};
        QApplication::sendEvent(frame_.get(), &away);
        EXPECT_TRUE(idle->isVisible());
    }
}

TEST_F(MainFrame, FileDialogsStartBesideTheActiveRegister) {
    Make();
    EXPECT_EQ(FileDialogStart(), QDir::homePath());
    EXPECT_EQ(FileDialogStart(QStringLiteral("LIST1.TXT")), QDir::homePath() + QStringLiteral("/LIST1.TXT"));
    docs_->OpenDocumentFile(Register("r.kv"));
    const QString folder = QString::fromStdString(dir_.path());
    EXPECT_EQ(FileDialogStart(), folder);
    EXPECT_EQ(FileDialogStart(QStringLiteral("LIST1.CSV")), folder + QStringLiteral("/LIST1.CSV"));
    EXPECT_EQ(FileDialogStart(QStringLiteral("/x/y.kv")), QStringLiteral("/x/y.kv"));
    // The real export dialog, closed as soon as it shows, opens there too.
    SetPrompt(nullptr);
    QString shownDir, shownName;
    QElapsedTimer waited;
    waited.start();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* d = qobject_cast<QFileDialog*>(w);
            if (!d || !d->isVisible()) continue;
            shownDir = d->directory().absolutePath();
            shownName = d->selectedFiles().value(0);
            d->reject();
            return;
        }
        if (waited.elapsed() > 5000) {
            ADD_FAILURE() << "no file dialog showed";
            poll.stop();
            if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
        }
    });
    poll.start(10);
    EXPECT_TRUE(Prompt().SaveFileName(frame_.get(), Q("出力ファイル名"), QStringLiteral("LIST1.TXT"), Q("TXT (*.TXT)"),
                                      QStringLiteral("TXT")).isEmpty());
    poll.stop();
    SetPrompt(&prompt_);
    EXPECT_EQ(shownDir, folder);
    EXPECT_EQ(shownName, folder + QStringLiteral("/LIST1.TXT"));
    docs_->NewDocument();
    EXPECT_EQ(FileDialogStart(), QDir::homePath());
}

TEST_F(MainFrame, StockDialogsSpeakJapaneseWhateverTheLocale) {
    qputenv("LANG", "C");
    qputenv("LC_ALL", "C");
    QLocale::setDefault(QLocale::c());
    ASSERT_TRUE(CKivoApp::LoadQtTranslations(*qApp)) << "qt6-translations-l10n is not installed";
    QPrinter printer;
    QDir(QString::fromStdString(dir_.path())).mkdir(Q("資料"));  // a folder and a file: types, sizes and dates
    testutil::WriteFile(dir_.File("控え"), std::string(3000, 'x'));
    std::unique_ptr<QFileDialog> files(NewFileDialog(nullptr, Q("開く"), QString::fromStdString(dir_.path()), Q("*")));
    QFileDialog& open = *files;
    open.show();
    const auto* rows = open.findChild<QAbstractItemView*>(QStringLiteral("treeView"));
    auto cell = [rows](int i) { return rows->model()->index(i / 4, i % 4, rows->rootIndex()).data().toString(); };
    ASSERT_TRUE(testutil::WaitUntil([&] { return QCoreApplication::processEvents(), !cell(6).isEmpty(); }, "a read"));
    QColorDialog color;
    color.setOption(QColorDialog::DontUseNativeDialog);
    QPrintDialog print(&printer);
    QPageSetupDialog page(&printer);
    QPrintPreviewDialog preview(&printer);
    std::unique_ptr<QFontDialog> font(NewFontDialog(nullptr, QFont()));
    QLineEdit edit;
    std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
    const struct {
        QWidget* w;
        const char* japanese;  // a text that must be there
        bool cancel;           // and a button キャンセル
    } dialogs[] = {
        {&open, "ファイルの種類:", true}, {&color, "色を選択", true},           {&print, "印刷", true},
        {&page, "用紙サイズ:", true},     {&preview, "印刷のプレビュー", false}, {font.get(), "フォント(&F)", true},
        {menu.get(), "元に戻す(&U)", false},
    };
    const QRegularExpression english(QStringLiteral("\\b(Cancel|Look in|Files of type|Select Color|Undo|Print"
                                                    "|Margins|Font|Folder|Unknown|bytes|KiB)\\b|\\d [A-Z][a-z]{2} "));
    for (const auto& d : dialogs) {
        QStringList shown{d.w->windowTitle()};
        for (QAbstractButton* b : d.w->findChildren<QAbstractButton*>()) shown << b->text();
        for (QLabel* l : d.w->findChildren<QLabel*>()) shown << l->text();
        for (QAction* a : d.w->findChildren<QAction*>()) shown << a->text().section(QLatin1Char('\t'), 0, 0);
        for (int i = 2; d.w == &open && i < 8; ++i) shown << cell(i);
        const std::string all = shown.join(QLatin1Char('|')).toStdString();
        EXPECT_TRUE(shown.contains(Q(d.japanese))) << all;
        EXPECT_EQ(shown.contains(Q("キャンセル")), d.cancel) << all;
        EXPECT_FALSE(shown.join(QLatin1Char('|')).contains(english)) << all;
    }
    // The schedule's font is face, style and size: no effects, no writing system.
    font->show();
    for (QCheckBox* c : font->findChildren<QCheckBox*>()) EXPECT_FALSE(c->isVisible()) << c->text().toStdString();
    for (QComboBox* c : font->findChildren<QComboBox*>()) EXPECT_FALSE(c->isVisible());
    EXPECT_EQ(font->findChildren<QLineEdit*>().last()->text(), Q("Aaあぁアァ亜宇"));  // the sample, in Japanese
    int lists = 0;
    for (QListView* l : font->findChildren<QListView*>()) lists += l->isVisible() ? 1 : 0;
    EXPECT_EQ(lists, 3);
}

ORVALIS_QTEST_MAIN
