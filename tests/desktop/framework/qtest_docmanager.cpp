// The document manager: titles, the already-open rule, failed opens, Save
// As, asking before a new register's changes are lost, the recent files.
#include <unistd.h>

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStatusBar>

#include "desktop/dialogs/dlgtest.h"
#include "desktop/framework/docmanager.h"
#include "desktop/mainframe/mainframe.h"
#include "desktop/schedule/kivoview.h"

using namespace dlgtest;

namespace {

class DocManager : public ::testing::Test {
protected:
    void SetUp() override {
        SetPrompt(&prompt_);
        for (const char* name : {"a.kv", "b.kv"}) {
            CKivoDoc doc;
            ASSERT_TRUE(doc.OnSaveDocument(dir_.File(name)));
        }
        docs_ = std::make_unique<CDocManager>();
        frame_ = std::make_unique<CMainFrame>(docs_.get());
        frame_->show();
    }
    void TearDown() override {
        frame_.reset();
        docs_.reset();
        SetPrompt(nullptr);
    }
    QString F(const char* name) { return QString::fromStdString(dir_.File(name)); }
    int Windows() { return static_cast<int>(frame_->MdiArea()->subWindowList().size()); }

    testutil::TempDir dir_;
    ScriptedPrompt prompt_;
    std::unique_ptr<CDocManager> docs_;
    std::unique_ptr<CMainFrame> frame_;
};

}  // namespace

TEST_F(DocManager, NewDocumentsAreNumbered) {
    EXPECT_EQ(docs_->NewDocument()->GetTitle(), "Kivo1");
    EXPECT_EQ(docs_->NewDocument()->GetTitle(), "Kivo2");
    EXPECT_EQ(Windows(), 2);
}

TEST_F(DocManager, AFileOpenUnderAnotherNameIsActivatedNotOpenedTwice) {
    CKivoDoc* a = docs_->OpenDocumentFile(F("a.kv"));
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->GetTitle(), "a.kv");
    docs_->OpenDocumentFile(F("b.kv"));
    ASSERT_EQ(QFile::link(F("a.kv"), F("link.kv")), true);
    EXPECT_EQ(docs_->OpenDocumentFile(F("link.kv")), a);
    EXPECT_EQ(docs_->OpenDocumentFile(QString::fromStdString(dir_.path() + "/./sub/../a.kv")), a);
    EXPECT_EQ(docs_->Documents().size(), 2u);
    EXPECT_EQ(Windows(), 2);
    EXPECT_EQ(frame_->ActiveDocument(), a);
}

TEST_F(DocManager, DroppedFileAlreadyOpenComesToTheFront) {
    CKivoDoc* a = docs_->OpenDocumentFile(F("a.kv"));
    docs_->OpenDocumentFile(F("b.kv"));
    frame_->OpenRequested(F("a.kv"));
    EXPECT_EQ(frame_->ActiveDocument(), a);
    EXPECT_EQ(Windows(), 2);
}

TEST_F(DocManager, AFailedOpenLeavesNoWindow) {
    testutil::WriteFile(dir_.File("bad.kv"), "not a register");
    EXPECT_EQ(docs_->OpenDocumentFile(F("bad.kv")), nullptr);
    EXPECT_EQ(docs_->OpenDocumentFile(F("none.kv")), nullptr);
    EXPECT_EQ(Windows(), 0);
    EXPECT_TRUE(docs_->Documents().empty());
    ASSERT_EQ(prompt_.messages.size(), 2u);
    EXPECT_EQ(prompt_.messages[0].text, Q("予期しないﾌｧｲﾙ形式です。"));
}

TEST_F(DocManager, FileOpenUsesTheRegisterFilter) {
    prompt_.fileNames = {F("b.kv")};
    CKivoDoc* b = docs_->PromptOpen();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->GetTitle(), "b.kv");
    EXPECT_EQ(docs_->PromptOpen(), nullptr);  // cancelled
}

TEST_F(DocManager, SaveAsGivesANewDocumentItsFileAndTitle) {
    CKivoDoc* doc = docs_->NewDocument();
    doc->m_arFacility.push_back(std::make_unique<CKivo>());
    prompt_.fileNames = {F("new.kv")};
    ASSERT_TRUE(docs_->Save(*doc));
    EXPECT_EQ(doc->GetTitle(), "new.kv");
    EXPECT_EQ(doc->GetPathName(), dir_.File("new.kv"));
    CKivoDoc check;
    ASSERT_TRUE(check.OnOpenDocument(dir_.File("new.kv")));
    EXPECT_EQ(check.m_arFacility.size(), 1u);
    EXPECT_EQ(frame_->ActiveSubWindow()->windowTitle(), Q("new.kv"));
    EXPECT_EQ(docs_->RecentFiles().first(), F("new.kv"));
}

// Another desk books after this desk opened the register: Save As onto the
// same file writes nothing older over it, and onto another file copies the
// register as it stands now.
TEST_F(DocManager, SaveAsNeverWritesTheDesksOlderCopy) {
    CKivoDoc* a = docs_->OpenDocumentFile(F("a.kv"));
    ASSERT_NE(a, nullptr);
    CKivoDoc other;
    other.SetPathName(dir_.File("a.kv"));
    ASSERT_EQ(other.Transact([](CKivoDoc& d) {
        d.m_arFacility.push_back(std::make_unique<CKivo>());
        return true;
    }),
              TxResult::Done);
    const std::string booked = testutil::ReadFile(dir_.File("a.kv"));
    prompt_.fileNames = {F("a.kv"), F("copy.kv")};
    ASSERT_TRUE(docs_->SaveAs(*a));
    EXPECT_EQ(testutil::ReadFile(dir_.File("a.kv")), booked);
    ASSERT_TRUE(docs_->SaveAs(*a));
    EXPECT_EQ(testutil::ReadFile(dir_.File("copy.kv")), booked);
    EXPECT_EQ(a->GetPathName(), dir_.File("copy.kv"));
    EXPECT_TRUE(prompt_.messages.empty());
}

TEST_F(DocManager, ClosingTheLastWindowOfAChangedNewDocumentAsks) {
    CKivoDoc* doc = docs_->NewDocument();
    doc->SetModifiedFlag(true);
    prompt_.onDialog = [](QDialog* d) { d->reject(); };
    frame_->ActiveSubWindow()->close();
    EXPECT_EQ(Windows(), 1);
    prompt_.fileNames = {F("kept.kv")};
    prompt_.onDialog = [](QDialog* d) { Click(d, "button6"); };
    frame_->ActiveSubWindow()->close();
    EXPECT_EQ(Windows(), 0);
    EXPECT_TRUE(docs_->Documents().empty());
    EXPECT_TRUE(testutil::Exists(dir_.File("kept.kv")));
}

TEST_F(DocManager, ARegisterWithAFileClosesWithoutAsking) {
    CKivoDoc* a = docs_->OpenDocumentFile(F("a.kv"));
    a->SetModifiedFlag(true);  // as after a re-read that failed: never written back
    frame_->ActiveSubWindow()->close();
    EXPECT_TRUE(prompt_.dialogsRun.empty());
    EXPECT_TRUE(docs_->Documents().empty());
}

TEST_F(DocManager, DocumentStaysWhileAnotherWindowShowsIt) {
    docs_->NewDocument()->SetModifiedFlag(true);
    frame_->Execute(cmd::WindowNew);
    frame_->ActiveSubWindow()->close();
    EXPECT_TRUE(prompt_.dialogsRun.empty());
    EXPECT_EQ(docs_->Documents().size(), 1u);
}

TEST_F(DocManager, RecentFilesHoldFourMostRecentFirstAsFullPaths) {
    for (const char* n : {"c.kv", "d.kv", "e.kv"}) {
        CKivoDoc doc;
        ASSERT_TRUE(doc.OnSaveDocument(dir_.File(n)));
    }
    // Opened by names relative to the working folder, kept by full path.
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(F(".")));
    for (const char* n : {"a.kv", "b.kv", "c.kv", "d.kv", "e.kv", "b.kv"}) docs_->OpenDocumentFile(QString::fromLatin1(n));
    QDir::setCurrent(cwd);
    EXPECT_EQ(profile::GetString(profile::Key::DefaultFile), dir_.File("e.kv"));
    // Activating b.kv, which is open already, does not move it up.
    EXPECT_EQ(docs_->RecentFiles(), QStringList({F("e.kv"), F("d.kv"), F("c.kv"), F("b.kv")}));
    docs_->SaveRecentFiles();
    EXPECT_EQ(profile::RecentFile(1), dir_.File("e.kv"));
    EXPECT_EQ(profile::RecentFile(4), dir_.File("b.kv"));
    EXPECT_TRUE(frame_->Action(cmd::RecentFile1 + 3)->isVisible());
}

TEST_F(DocManager, ARecentFileThatIsGoneLeavesTheList) {
    docs_->OpenDocumentFile(F("a.kv"));
    docs_->OpenDocumentFile(F("b.kv"));
    frame_->ActiveSubWindow()->close();
    ASSERT_TRUE(QFile::remove(F("b.kv")));
    EXPECT_EQ(docs_->OpenRecent(0), nullptr);
    EXPECT_EQ(docs_->RecentFiles(), QStringList({F("a.kv")}));
}

// A second start during the start-up repair dialog: the same file is not
// opened again, and a request that comes while a dialog is up waits for it.
TEST_F(DocManager, RequestsWhileTheRepairDialogRunsOpenNothingTwice) {
    CReserve unset = testutil::MakeReserve("山田", 1, 2000, 4, 3, 10, 0, 11, 0);
    unset.m_timeStart = kTimeUnset;
    testutil::WriteRegister(dir_.File("a.kv"), {testutil::MakeFacility(1, "A")}, {unset});
    size_t docsWhileModal = 99;
    prompt_.onDialog = [&](QDialog* d) {
        if (prompt_.dialogsRun.size() > 1) return;  // a nested repair dialog would recurse
        frame_->OpenRequested(F("a.kv"));
        d->setWindowModality(Qt::ApplicationModal);
        d->show();
        frame_->OpenRequested(F("b.kv"));
        docsWhileModal = docs_->Documents().size();
        d->reject();
    };
    ASSERT_NE(docs_->OpenDocumentFile(F("a.kv")), nullptr);
    EXPECT_EQ(prompt_.dialogsRun, std::vector<QString>{Q("CReserveErrDlg")});
    EXPECT_EQ(docsWhileModal, 0u);
    for (int i = 0; i < 1000 && docs_->Documents().size() < 2; ++i) QCoreApplication::processEvents();
    std::vector<std::string> titles;
    for (CKivoDoc* doc : docs_->Documents()) titles.push_back(doc->GetTitle());
    EXPECT_EQ(titles, (std::vector<std::string>{"a.kv", "b.kv"})) << "the held-back request never ran";
    EXPECT_EQ(Windows(), 2);
}

// Another desk's change is read by itself and shown where the desk was: the
// same day, the same scroll position, no dialog.
TEST_F(DocManager, AnotherDesksChangeIsShownWhereTheDeskWas) {
    std::vector<CKivo> facilities;
    for (int i = 1; i <= 40; ++i) facilities.push_back(testutil::MakeFacility(i, "室"));
    testutil::WriteRegister(dir_.File("a.kv"), facilities, {});
    CKivoDoc* a = docs_->OpenDocumentFile(F("a.kv"));
    ASSERT_NE(a, nullptr);
    auto* view = frame_->findChild<CKivoView*>();
    ASSERT_NE(view, nullptr);
    a->m_timeDay = kvtime::MakeTime(2031, 3, 4, 9, 0);
    view->ScrollTo(40, 300);
    const QPoint scrolled = view->ScrollPos();
    CKivoDoc other;
    other.SetPathName(dir_.File("a.kv"));
    ASSERT_EQ(other.Transact([](CKivoDoc& d) {
        d.m_arReserve.push_back(std::make_unique<CReserve>(testutil::MakeReserve("東雲", 1, 2031, 3, 4, 10, 0, 11, 0)));
        return true;
    }),
              TxResult::Done);
    docs_->CheckForChanges();
    EXPECT_EQ(a->m_arReserve.size(), 1u);
    EXPECT_EQ(a->m_timeDay, kvtime::MakeTime(2031, 3, 4, 9, 0));
    EXPECT_EQ(view->ScrollPos(), scrolled);
    EXPECT_EQ(frame_->statusBar()->currentMessage(), Q("他の端末の変更を読み込みました"));
    EXPECT_TRUE(prompt_.dialogsRun.empty());
    EXPECT_TRUE(prompt_.messages.empty());
}

// A register on a server, opened from its dialog: titled NAME@host, kept in
// the recent files without a password, and another desk's booking shows by
// the server's announcement; a role that may only read greys the changes.
TEST_F(DocManager, ARegisterOnAServerShowsAnotherDesksBookingByItself) {
    const std::string name = "docs" + std::to_string(getpid());
    const std::string where = testutil::ServerRegister(name);
    if (where.empty()) GTEST_SKIP() << "no test server (tests/pg/with-server.sh)";
    testutil::WriteRegister(dir_.File("a.kv"), {testutil::MakeFacility(1, "大会議室")}, {});
    ASSERT_EQ(testutil::RunKvtool({"copy", dir_.File("a.kv"), where}), 0);
    prompt_.onDialog = [&](QDialog* d) {
        Set(d, "edit_host", Q(std::getenv("ORVALIS_PG_SOCKET")));
        Set(d, "edit_database", Q("orvalis_test"));
        Set(d, "edit_register", QString::fromStdString(name));
        Set(d, "edit_user", Q("orvalis"));
        Click(d, "button1");
    };
    frame_->Execute(cmd::FileOpenServer);
    CKivoDoc* doc = frame_->ActiveDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->GetTitle(), name + "@localhost");
    EXPECT_EQ(docs_->FindOpen(QString::fromStdString(where)), doc);
    EXPECT_TRUE(frame_->StateOf(cmd::AddReserve).enabled);

    QEventLoop loop;
    QObject::connect(docs_.get(), &CDocManager::documentRefreshed, &loop, &QEventLoop::quit);
    ASSERT_EQ(testutil::RunKvtool({"book", where, "--facility", "1", "--date", "2030-06-01", "--start", "9:00", "--end",
                                   "10:00", "--user", "青葉"}),
              0);
    QTimer::singleShot(1000, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_EQ(doc->m_arReserve.size(), 1u);
    EXPECT_EQ(frame_->statusBar()->currentMessage(), Q("他の端末の変更を読み込みました"));

    const std::string role = "viewer" + std::to_string(getpid());
    ASSERT_EQ(testutil::ServerSql("DROP ROLE IF EXISTS " + role + "; CREATE ROLE " + role +
                                  " LOGIN; GRANT SELECT ON ALL TABLES IN SCHEMA public TO " + role),
              "");
    ASSERT_EQ(testutil::RunKvtool({"copy", dir_.File("a.kv"), where + "r", "--forbid-overlaps"}), 0);
    const std::string session = "viewer" + std::to_string(getpid());
    CKivoDoc* viewed = docs_->OpenDocumentFile(
        QString::fromStdString(testutil::ServerRegister(name + "r", role) + "&application_name=" + session));
    ASSERT_NE(viewed, nullptr);
    EXPECT_EQ(viewed->GetTitle(), name + "r@localhost (読み取り専用)");
    EXPECT_FALSE(frame_->StateOf(cmd::AddReserve).enabled);
    EXPECT_TRUE(frame_->StateOf(cmd::GotoDate).enabled);
    EXPECT_TRUE(prompt_.messages.empty());
    // 設定 shows that the server itself refuses overlaps in this register.
    QString note;
    prompt_.onDialog = [&](QDialog* d) {
        if (auto* label = d->findChild<QLabel*>(QStringLiteral("label_server"))) note = label->text();
        d->reject();
    };
    frame_->Execute(cmd::Settings);
    EXPECT_EQ(note, Q("この登録簿では、重複した予約をサーバーも断ります。"));

    // The server ends the viewer's sessions: the status bar says so, and the
    // connection comes back by itself.
    QEventLoop lost;
    QObject::connect(docs_.get(), &CDocManager::connectionChanged, &lost, &QEventLoop::quit);
    ASSERT_EQ(testutil::ServerSql("SELECT pg_terminate_backend(pid, 5000) FROM pg_stat_activity WHERE "
                                  "application_name = '" + session + "'"),
              "");
    QTimer::singleShot(5000, &lost, &QEventLoop::quit);
    lost.exec();
    EXPECT_EQ(frame_->statusBar()->currentMessage(), Q("サーバーとの接続が切れました"));
    QTimer::singleShot(5000, &lost, &QEventLoop::quit);
    lost.exec();
    EXPECT_EQ(frame_->statusBar()->currentMessage(), Q("サーバーに再び接続しました"));
    EXPECT_EQ(viewed->m_arReserve.size(), 0u);
    frame_.reset();
    docs_.reset();
    testutil::ServerSql("DROP OWNED BY " + role + "; DROP ROLE " + role);
}

ORVALIS_QTEST_MAIN

TEST_F(DocManager, SaveNeverWritesAnOlderCopyOverAnotherDesksBookings) {
    CKivoDoc* a = docs_->OpenDocumentFile(F("a.kv"));
    ASSERT_NE(a, nullptr);
    // Another desk books after this one last read the file.
    CKivoDoc other;
    ASSERT_TRUE(other.OnOpenDocument(dir_.File("a.kv")));
    ASSERT_EQ(TxResult::Done, other.Transact([](CKivoDoc& d) {
        d.m_arReserve.push_back(std::make_unique<CReserve>(testutil::MakeReserve("東雲", 1, 2026, 12, 8, 9, 0, 10, 0)));
        return true;
    }));
    const std::string booked = testutil::ReadFile(dir_.File("a.kv"));
    frame_->Execute(cmd::FileSave);
    EXPECT_EQ(booked, testutil::ReadFile(dir_.File("a.kv")));

    // After a re-read that failed this desk holds nothing: Save shows the file
    // as it stands and never writes the emptied copy over it.
    a->SetModifiedFlag(true);
    a->DeleteContents();
    frame_->Execute(cmd::FileSave);
    EXPECT_EQ(booked, testutil::ReadFile(dir_.File("a.kv")));
    EXPECT_EQ(1u, a->m_arReserve.size());
    EXPECT_FALSE(a->IsModified());
}
