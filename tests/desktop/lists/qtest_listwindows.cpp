// The three kinds of window on one register side by side in the main frame:
// switching, check marks, menus 4 and 5, and a booking made in any window
// reaching the others.
#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include "desktop/dialogs/dlgtest.h"
#include "desktop/framework/docmanager.h"
#include "desktop/lists/reserveview.h"
#include "desktop/lists/userview.h"
#include "desktop/mainframe/mainframe.h"
#include "desktop/schedule/kivoframe.h"
#include "desktop/schedule/kivoview.h"

using namespace dlgtest;

namespace {

class ListWindows : public ::testing::Test {
protected:
    void SetUp() override {
        SetPrompt(&prompt_);
        RegisterData d;
        auto f = std::make_unique<CKivo>();
        f->m_nID = 1;
        f->m_strName = testutil::Sj("大会議室");
        d.facilities.push_back(std::move(f));
        d.reserves.push_back(std::make_unique<CReserve>(testutil::MakeReserve("青葉", 1, 2026, 12, 8, 10, 0, 12, 0)));
        testutil::WriteFile(path_, StoreRegister(d.facilities, d.reserves, d.users));
        docs_ = std::make_unique<CDocManager>();
        frame_ = std::make_unique<CMainFrame>(docs_.get());
        frame_->g_nChildShowCmd = ShowCmd::Normal;
        frame_->show();
        doc_ = docs_->OpenDocumentFile(QString::fromStdString(path_));
        ASSERT_NE(nullptr, doc_);
        doc_->m_timeDay = kvtime::MakeTime(2026, 12, 8, 9, 0);
    }
    void TearDown() override {
        frame_.reset();
        docs_.reset();
        SetPrompt(nullptr);
    }
    template <class V>
    V* Active() {
        QMdiSubWindow* sub = frame_->MdiArea()->activeSubWindow();
        return sub ? dynamic_cast<V*>(sub->widget()) : nullptr;
    }
    QStringList MenuTitles() {
        QStringList t;
        for (QAction* a : frame_->menuBar()->actions()) t << a->text();
        return t;
    }
    QStringList ItemsOf(const char* menuName) {
        QStringList t;
        auto* m = frame_->findChild<QMenu*>(QString::fromLatin1(menuName));
        if (!m) return t;
        for (QAction* a : m->actions())
            if (!a->isSeparator()) t << a->text();
        return t;
    }
    void AnswerEntryDialog(const char* user, int h1, int h2) {
        prompt_.onDialog = [user, h1, h2](QDialog* d) {
            ASSERT_EQ(QStringLiteral("CReserveDlg"), d->objectName());
            Set(d, "edit102", Q(user));
            Set(d, "edit105", QString::number(h1));
            Set(d, "edit107", QString::number(h2));
            Click(d, "button1");
        };
    }

    testutil::TempDir dir_;
    std::string path_ = dir_.File("hall.kv");
    ScriptedPrompt prompt_;
    std::unique_ptr<CDocManager> docs_;
    std::unique_ptr<CMainFrame> frame_;
    CKivoDoc* doc_ = nullptr;
};

TEST_F(ListWindows, EachKindOpensOnceIsActivatedAfterwardsAndCarriesItsCheckMark) {
    ASSERT_NE(nullptr, Active<CKivoFrame>());
    EXPECT_TRUE(frame_->Action(cmd::ShowReserveList)->isEnabled());
    EXPECT_TRUE(frame_->Action(cmd::ShowUserList)->isEnabled());
    frame_->Execute(cmd::ShowReserveList);
    auto* list = Active<CReserveView>();
    ASSERT_NE(nullptr, list);
    EXPECT_TRUE(frame_->Action(cmd::ShowReserveList)->isChecked());
    EXPECT_FALSE(frame_->Action(cmd::ShowSchedule)->isChecked());
    EXPECT_EQ(1, list->LineCount());
    frame_->Execute(cmd::ShowUserList);
    ASSERT_NE(nullptr, Active<CUserView>());
    EXPECT_TRUE(frame_->Action(cmd::ShowUserList)->isChecked());
    EXPECT_EQ(3u, doc_->Views().size());
    frame_->Execute(cmd::ShowReserveList);
    EXPECT_EQ(list, Active<CReserveView>()) << "the existing window is activated, not a second one opened";
    EXPECT_EQ(3, frame_->MdiArea()->subWindowList().size());
    frame_->Execute(cmd::ShowSchedule);
    EXPECT_NE(nullptr, Active<CKivoFrame>());
}

TEST_F(ListWindows, MenusFourAndFiveCarryTheirItemsAndTheScheduleOnlyCommandsAreOff) {
    frame_->Execute(cmd::ShowReserveList);
    EXPECT_EQ(MenuTitles(), QStringList({Q("ファイル(&F)"), Q("編集(&E)"), Q("表示(&V)"), Q("ｵﾌﾟｼｮﾝ(&0)"),
                                         Q("ウィンドウ(&W)"), Q("ヘルプ(&H)")}));
    EXPECT_EQ(ItemsOf("menuEdit4"),
              QStringList({Q("予約の追加(&A)...\tCtrl+A"), Q("繰り返し予約(&P)..."), Q("予約の編集(&R)...\tEnter"),
                           Q("予約の削除(&D)...")}));
    EXPECT_EQ(ItemsOf("menuSort4"),
              QStringList({Q("開始時刻"), Q("終了時刻"), Q("予約者"), Q("会議室"), Q("使用目的"), Q("連絡先")}));
    EXPECT_TRUE(frame_->StateOf(cmd::EditReserve).enabled);
    EXPECT_TRUE(frame_->StateOf(cmd::RepeatReserve).enabled);
    EXPECT_TRUE(frame_->StateOf(cmd::ExportText).enabled);
    for (int off : {cmd::AddFacility, cmd::EditFacilities, cmd::Font, cmd::Print, cmd::PrintPreview, cmd::NextDay})
        EXPECT_FALSE(frame_->StateOf(off).enabled) << off;

    frame_->Execute(cmd::ShowUserList);
    EXPECT_EQ(ItemsOf("menuEdit5"),
              QStringList({Q("使用者の追加(&A)...\tCtrl+A"), Q("使用者の編集(&R)...\tEnter"), Q("使用者の削除(&D)..."),
                           Q("使用者の検索(&F)..."), Q("次検索"), Q("前検索")}));
    EXPECT_EQ(ItemsOf("menuSort5"), QStringList({Q("予約者")}));
    EXPECT_TRUE(frame_->StateOf(CUserView::kFind).enabled);
    EXPECT_FALSE(frame_->StateOf(cmd::RepeatReserve).enabled) << "a series in the user list";
    EXPECT_FALSE(frame_->StateOf(CReserveView::kSortCommands[0]).enabled) << "a reservation sort in the user list";
    // The sort item of menu 4 runs the list's command through the frame.
    frame_->Execute(cmd::ShowReserveList);
    auto* sortByUser = frame_->findChild<QMenu*>(QStringLiteral("menuSort4"))->actions().at(2);
    sortByUser->trigger();
    EXPECT_EQ(2, profile::GetInt(profile::Key::RViewSort));
}

TEST_F(ListWindows, ABookingAddedInAnyWindowReachesTheOthers) {
    frame_->Execute(cmd::ShowReserveList);
    auto* list = Active<CReserveView>();
    frame_->Execute(cmd::ShowUserList);
    auto* users = Active<CUserView>();
    ASSERT_TRUE(list && users);
    ASSERT_EQ(1, users->LineCount());

    // From the schedule: the list refills on the hint of a confirmed dialog.
    frame_->Execute(cmd::ShowSchedule);
    AnswerEntryDialog("東雲", 13, 14);
    frame_->Execute(cmd::AddReserve);
    EXPECT_EQ(2, list->LineCount());
    EXPECT_TRUE(list->LineText(1).contains(Q("東雲")));

    // From the reservation list.
    frame_->Execute(cmd::ShowReserveList);
    AnswerEntryDialog("若草", 15, 16);
    frame_->Execute(cmd::AddReserve);
    EXPECT_EQ(3, list->LineCount());
    EXPECT_EQ(2, list->Selection());

    // From the user list: a new user; its re-read also brings in the new
    // bookings' users.
    frame_->Execute(cmd::ShowUserList);
    prompt_.onDialog = [](QDialog* d) {
        ASSERT_EQ(QStringLiteral("CUserDlg"), d->objectName());
        Set(d, "edit102", Q("北斗"));
        Click(d, "button1");
    };
    frame_->Execute(cmd::AddReserve);
    QStringList names;
    for (int i = 0; i < users->LineCount(); ++i) names << users->LineText(i);
    EXPECT_EQ(names, QStringList({Q("青葉"), Q("東雲"), Q("若草"), Q("北斗")}));
    EXPECT_EQ(3, users->Selection());
    EXPECT_TRUE(prompt_.messages.empty());

    const RegisterData onDisk = testutil::ReadRegister(path_);
    EXPECT_EQ(3u, onDisk.reserves.size());
    EXPECT_EQ(4u, onDisk.users.size());
}

// Another desk books meanwhile: its booking shows without any input, but not
// under an open entry dialog; the selected line follows its reservation.
TEST_F(ListWindows, AnotherDesksBookingShowsByItselfOnceTheDialogCloses) {
    frame_->Execute(cmd::ShowReserveList);
    auto* list = Active<CReserveView>();
    ASSERT_NE(nullptr, list);
    list->SelectLine(0);
    const QString selected = list->LineText(0);
    CKivoDoc other;
    other.SetPathName(path_);
    auto book = [&other](const char* user, int h) {
        return other.Transact([user, h](CKivoDoc& d) {
            d.m_arReserve.push_back(std::make_unique<CReserve>(testutil::MakeReserve(user, 1, 2026, 12, 8, h, 0, h + 1, 0)));
            return true;
        });
    };
    int linesUnderDialog = -1;
    prompt_.onDialog = [&](QDialog* d) {
        ASSERT_EQ(QStringLiteral("CReserveDlg"), d->objectName());
        d->setWindowModality(Qt::ApplicationModal);
        d->show();
        ASSERT_EQ(TxResult::Done, book("朝日", 8));  // sorts before the selected line
        docs_->CheckForChanges();
        linesUnderDialog = list->LineCount();
        d->reject();
    };
    frame_->Execute(cmd::AddReserve);
    EXPECT_EQ(1, linesUnderDialog) << "refreshed under the entry dialog";
    // The list refills in a turn of the event loop after the read.
    auto linesOnceSettled = [list](int expected) {
        for (int i = 0; i < 1000 && list->LineCount() != expected; ++i) QCoreApplication::processEvents();
        return list->LineCount();
    };
    ASSERT_EQ(2, linesOnceSettled(2)) << "the put-off refresh never ran";
    EXPECT_EQ(1, list->Selection());
    EXPECT_EQ(selected, list->LineText(1));
    EXPECT_EQ(Q("他の端末の変更を読み込みました"), frame_->statusBar()->currentMessage());
    EXPECT_TRUE(prompt_.messages.empty());

    ASSERT_TRUE(profile::WriteInt(profile::Key::AutoRefresh, 0));
    ASSERT_EQ(TxResult::Done, book("夕凪", 18));
    docs_->CheckForChanges();
    EXPECT_EQ(2, linesOnceSettled(3)) << "refreshed with AutoRefresh=0";
    frame_->Execute(cmd::Refresh);  // the desk's own 最新の情報に更新, in the list
    EXPECT_EQ(3, linesOnceSettled(3));
    ASSERT_TRUE(profile::WriteInt(profile::Key::AutoRefresh, 1));
    docs_->CheckForChanges();
    EXPECT_EQ(3, linesOnceSettled(3));
}

TEST_F(ListWindows, ClosingTheLastWindowOfADocumentClosesItWhateverKindItIs) {
    frame_->Execute(cmd::ShowUserList);
    frame_->Execute(cmd::ShowSchedule);
    frame_->MdiArea()->activeSubWindow()->close();
    ASSERT_NE(nullptr, Active<CUserView>());
    EXPECT_EQ(1u, docs_->Documents().size());
    frame_->MdiArea()->activeSubWindow()->close();
    EXPECT_TRUE(docs_->Documents().empty());
    EXPECT_EQ(MenuTitles(), QStringList({Q("ファイル(&F)"), Q("表示(&V)"), Q("ｵﾌﾟｼｮﾝ(&0)"), Q("ヘルプ(&H)")}));
}

}  // namespace

ORVALIS_QTEST_MAIN
