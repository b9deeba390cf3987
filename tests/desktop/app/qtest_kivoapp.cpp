// Start-up: the command-line rule, the first document, and open requests
// handed over by a second start.
#include <QDir>
#include <QEventLoop>
#include <QMdiArea>
#include <QTimer>

#include "desktop/app/cmdline.h"
#include "desktop/app/kivoapp.h"
#include "desktop/app/singleinstance.h"
#include "desktop/dialogs/dlgtest.h"
#include "desktop/framework/docmanager.h"
#include "desktop/mainframe/mainframe.h"

using namespace dlgtest;

namespace {

class Startup : public ::testing::Test {
protected:
    void SetUp() override {
        SetPrompt(&prompt_);
        path_ = dir_.File("r.kv");
        CKivoDoc doc;
        ASSERT_TRUE(doc.OnSaveDocument(path_));
        profile::WriteString(profile::Key::DefaultFile, "");
    }
    void TearDown() override {
        app_.reset();
        SetPrompt(nullptr);
    }
    CKivoApp& Start(const QStringList& args) {
        app_ = std::make_unique<CKivoApp>();
        EXPECT_TRUE(app_->InitInstance(args, false));
        return *app_;
    }
    std::vector<std::string> Titles() {
        std::vector<std::string> t;
        for (CKivoDoc* d : app_->DocManager()->Documents()) t.push_back(d->GetTitle());
        return t;
    }

    testutil::TempDir dir_;
    std::string path_;
    ScriptedPrompt prompt_;
    std::unique_ptr<CKivoApp> app_;
};

}  // namespace

TEST(CommandLine, EmptySwitchOrPath) {
    EXPECT_EQ(ParseCommandLine({}).kind, StartKind::DefaultOrNew);
    const QStringList nothing[] = {{"-e"}, {"/E"}, {"-E"}, {"/e"}, {"-eanything"}, {"-Edde"}, {"/e", "r.kv"}};
    for (const QStringList& args : nothing)
        EXPECT_EQ(ParseCommandLine(args).kind, StartKind::Nothing) << args.join(' ').toStdString();
    // "/" begins a path here: only "/e" and "/E" alone are the switch.
    const QStringList paths[] = {{"/export/reg.kv"}, {"/etc/../srv/booking.kv"}, {"/Edde"}, {"/dde"}, {"-x"},
                                 {"e"}, {"/home/desk/r.kv"}, {"-"}, {"/"}, {"/home/desk/my", "register.kv"}};
    for (const QStringList& args : paths) {
        const StartRequest r = ParseCommandLine(args);
        EXPECT_EQ(r.kind, StartKind::Path) << args.join(' ').toStdString();
        EXPECT_EQ(r.path, args.join(' '));
        EXPECT_EQ(HandedPath(r), r.path.startsWith('/') ? r.path : QDir::currentPath() + "/" + r.path);
    }
    EXPECT_EQ(HandedPath(ParseCommandLine({"-e"})), QString());
    // A server's location is handed on as it is, less its password.
    EXPECT_EQ(HandedPath(ParseCommandLine({"postgresql://desk:pw@db/orvalis?register=hall&password=x"})),
              QStringLiteral("postgresql://desk@db/orvalis?register=hall"));
}

TEST_F(Startup, EmptyLineAndNoDefaultFileOpensKivo1) {
    Start({});
    EXPECT_EQ(Titles(), std::vector<std::string>{"Kivo1"});
    EXPECT_EQ(app_->MainFrame()->MdiArea()->subWindowList().size(), 1);
    EXPECT_TRUE(app_->MainFrame()->isVisible());
}

TEST_F(Startup, EmptyLineOpensTheDefaultFile) {
    profile::WriteString(profile::Key::DefaultFile, path_);
    Start({});
    EXPECT_EQ(Titles(), std::vector<std::string>{"r.kv"});
}

TEST_F(Startup, SlashCapitalEOpensNothingEvenWithADefaultFile) {
    profile::WriteString(profile::Key::DefaultFile, path_);
    Start({"/E"});
    EXPECT_TRUE(Titles().empty());
    app_.reset();
    Start({"-e"});
    EXPECT_TRUE(Titles().empty());
    EXPECT_TRUE(prompt_.messages.empty());
}

TEST_F(Startup, MissingDefaultFileShowsTheFileMessageAndNoDocument) {
    profile::WriteString(profile::Key::DefaultFile, dir_.File("gone.kv"));
    Start({});
    EXPECT_TRUE(Titles().empty());
    ASSERT_EQ(prompt_.messages.size(), 1u);
    EXPECT_TRUE(prompt_.messages[0].text.contains(QString::fromStdString(dir_.File("gone.kv"))));
    EXPECT_TRUE(app_->MainFrame()->MdiArea()->subWindowList().isEmpty());
}

TEST_F(Startup, PathOnTheLineOpensIt) {
    Start({QString::fromStdString(path_)});
    EXPECT_EQ(Titles(), std::vector<std::string>{"r.kv"});
    EXPECT_EQ(profile::GetString(profile::Key::DefaultFile), path_);
}

TEST_F(Startup, APathBeginningWithSlashEOpensHereAndWhenHandedOver) {
    const QString viaEtc = QStringLiteral("/etc/..") + QString::fromStdString(path_);
    Start({viaEtc});
    EXPECT_EQ(Titles(), std::vector<std::string>{"r.kv"});
    app_.reset();
    Start({"-e"});
    app_->MainFrame()->OpenRequested(HandedPath(ParseCommandLine({viaEtc})));
    EXPECT_EQ(Titles(), std::vector<std::string>{"r.kv"});
    EXPECT_TRUE(prompt_.messages.empty());
}

TEST_F(Startup, ShowCmdOneOpensScheduleWindowsNormal) {
    profile::WriteInt(profile::Key::ShowCmd, 1);
    Start({});
    EXPECT_EQ(app_->MainFrame()->g_nChildShowCmd, ShowCmd::Normal);
    EXPECT_FALSE(app_->MainFrame()->ActiveSubWindow()->isMaximized());
    app_.reset();
    profile::WriteInt(profile::Key::ShowCmd, 3);
    Start({});
    EXPECT_TRUE(app_->MainFrame()->ActiveSubWindow()->isMaximized());
}

TEST_F(Startup, RecentFilesAreWrittenAtTheEndOfTheRun) {
    Start({QString::fromStdString(path_)});
    app_->MainFrame()->close();
    EXPECT_EQ(profile::RecentFile(1), path_);
}

TEST_F(Startup, ASecondStartHandsItsPathToTheRunningProgram) {
    CInstanceServer server;
    ASSERT_TRUE(server.Listen());
    QString received = QStringLiteral("none");
    QEventLoop loop;
    QObject::connect(&server, &CInstanceServer::openRequested, &loop, [&](const QString& p) {
        received = p;
        loop.quit();
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);  // a guard, not a wait: the request ends the loop
    ASSERT_TRUE(SendToRunningInstance(QString::fromStdString(path_)));
    loop.exec();
    EXPECT_EQ(received, QString::fromStdString(path_));
    CInstanceServer second;
    EXPECT_FALSE(second.Listen());
}

TEST_F(Startup, NoRunningProgramTakesNothing) { EXPECT_FALSE(SendToRunningInstance(QStringLiteral("/x.kv"))); }

ORVALIS_QTEST_MAIN
