// Faults of the file system under a save, an export and a profile write: each
// is reported with the message of its cause, and the old file stays whole.
#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include "core/store/file/fileio.h"
#include "core/doc/kvformat.h"
#include "core/doc/messages.h"
#include "core/lists/export.h"
#include "core/profile/profile.h"
#include "support/testutil.h"

namespace {

using testutil::TempDir;

size_t FilesIn(const std::string& dir) {
    size_t n = 0;
    DIR* d = opendir(dir.c_str());
    while (struct dirent* e = readdir(d))
        if (e->d_name[0] != '.' || std::strlen(e->d_name) > 2) ++n;
    closedir(d);
    return n;
}

// A register on disk, open in a document that then changes in memory.
struct Desk {
    TempDir dir;
    std::string path = dir.File("hall.kv");
    std::string before;
    testutil::RecordingHost host;
    CKivoDoc doc;
    Desk() {
        RegisterData d;
        d.reserves.push_back(std::make_unique<CReserve>(testutil::MakeReserve("山田", 1, 2026, 12, 8, 10, 0, 12, 0)));
        testutil::WriteFile(path, StoreRegister(d.facilities, d.reserves, d.users));
        before = testutil::ReadFile(path);
        doc.SetHost(&host);
        EXPECT_TRUE(doc.OnOpenDocument(path));
        doc.m_arReserve.push_back(std::make_unique<CReserve>(testutil::MakeReserve("鈴木", 1, 2026, 12, 8, 13, 0, 14, 0)));
        doc.SetModifiedFlag(true);
    }
    ~Desk() { fileio::SetFaultHook(nullptr); }
};

int g_failStepErrno = 0;
const char* g_failStep = nullptr;

struct Case {
    const char* step;
    int err;
    const char* message;  // %1 = path
};

TEST(FileFaults, EachInjectedFaultOfASaveReportsItsCauseAndKeepsTheOldFile) {
    const Case cases[] = {
        {"open", EACCES, "%1 へのｱｸｾｽは拒否されました。"},
        {"open", EMFILE, "開いているﾌｧｲﾙが多すぎるため、%1 を開けませんでした。"},
        {"write", ENOSPC, "%1 へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。"},
        {"write", EIO, "%1 へのｱｸｾｽ中にﾊｰﾄﾞｳｪｱ I/O ｴﾗｰが報告されました。"},
        {"fsync", EIO, "%1 へのｱｸｾｽ中にﾊｰﾄﾞｳｪｱ I/O ｴﾗｰが報告されました。"},
        {"fsync", EDQUOT, "%1 へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。"},
        {"rename", EACCES, "%1 へのｱｸｾｽは拒否されました。"},
        {"rename", EXDEV, msg::kSaveFailed},
        // The new file is in place, but not yet surely on disk: not saved.
        {"dirsync", EIO, "%1 へのｱｸｾｽ中にﾊｰﾄﾞｳｪｱ I/O ｴﾗｰが報告されました。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.step) + " " + std::strerror(c.err));
        Desk desk;
        g_failStep = c.step;
        g_failStepErrno = c.err;
        fileio::SetFaultHook([](const char* step) { return std::strcmp(step, g_failStep) == 0 ? g_failStepErrno : 0; });
        EXPECT_FALSE(desk.doc.SaveToFile());
        fileio::SetFaultHook(nullptr);
        std::string expected = c.message;
        if (expected.find("%1") != std::string::npos) expected.replace(expected.find("%1"), 2, desk.path);
        ASSERT_EQ(1u, desk.host.messages.size());
        EXPECT_EQ(expected, desk.host.messages[0]);
        if (std::strcmp(c.step, "dirsync") != 0) {
            EXPECT_EQ(desk.before, testutil::ReadFile(desk.path)) << "the old file changed";
        }
        EXPECT_EQ(1u, FilesIn(desk.dir.path())) << "a temporary file was left (the register only: a desk never writes the profile)";
        EXPECT_TRUE(desk.doc.IsModified()) << "a failed save must not pass for a saved document";
    }
}

// A register with a second hard link is rewritten in place; a disk that
// fills during the rewrite gets the old bytes back at once.
TEST(FileFaults, AFullDiskWhileRewritingInPlacePutsTheOldBytesBack) {
    Desk desk;
    const std::string twin = desk.dir.File("twin.kv");
    ASSERT_EQ(0, link(desk.path.c_str(), twin.c_str()));
    static bool copied;
    copied = false;
    fileio::SetFaultHook([](const char* step) {
        if (std::strcmp(step, "backup") == 0) copied = true;
        if (!copied || std::strcmp(step, "write") != 0) return 0;
        copied = false;
        return ENOSPC;
    });
    EXPECT_FALSE(desk.doc.SaveToFile());
    fileio::SetFaultHook(nullptr);
    EXPECT_EQ(desk.host.messages, std::vector<std::string>{fileio::FileMessage(fileio::Cause::DiskFull, desk.path)});
    EXPECT_EQ(desk.before, testutil::ReadFile(desk.path));
    EXPECT_EQ(desk.before, testutil::ReadFile(twin));
    EXPECT_EQ(2u, FilesIn(desk.dir.path())) << "the copy of the old bytes or a temporary file was left";
    // The copy's file cannot be made at all: its cause, and nothing written.
    fileio::SetFaultHook([](const char* step) { return std::strcmp(step, "open") == 0 ? EACCES : 0; });
    EXPECT_FALSE(desk.doc.SaveToFile());
    fileio::SetFaultHook(nullptr);
    EXPECT_EQ(desk.host.messages.back(), fileio::FileMessage(fileio::CauseFromErrno(EACCES), desk.path));
    EXPECT_EQ(desk.before, testutil::ReadFile(twin));
}

TEST(FileFaults, AFullDiskDuringAChangeLeavesTheFileAsItWasAndSaysSo) {
    Desk desk;
    pid_t pid = fork();
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit lim;
        getrlimit(RLIMIT_FSIZE, &lim);
        const rlim_t room = lim.rlim_cur;
        lim.rlim_cur = static_cast<rlim_t>(desk.before.size() + 10);
        setrlimit(RLIMIT_FSIZE, &lim);
        TxResult r = desk.doc.Transact([](CKivoDoc& d) {
            d.m_arReserve.push_back(std::make_unique<CReserve>(testutil::MakeReserve("佐藤", 1, 2026, 12, 9, 9, 0, 10, 0)));
            return true;
        });
        // The desk shows what the file holds, not the booking it lacks.
        const bool ok = r == TxResult::Failed && desk.host.messages.size() == 1 &&
                        desk.host.messages[0] == fileio::FileMessage(fileio::Cause::DiskFull, desk.path) &&
                        desk.doc.m_arReserve.size() == 1 &&
                        desk.doc.m_arReserve[0]->IsEqual(testutil::MakeReserve("山田", 1, 2026, 12, 8, 10, 0, 12, 0));
        EXPECT_EQ(desk.before, testutil::ReadFile(desk.path));
        // Room again: the next booking is saved, and the failed one never comes back with it.
        lim.rlim_cur = room;
        setrlimit(RLIMIT_FSIZE, &lim);
        r = desk.doc.Transact([](CKivoDoc& d) {
            return !!d.m_arReserve.emplace_back(std::make_unique<CReserve>(testutil::MakeReserve("鈴木", 1, 2026, 12, 9, 11, 0, 12, 0)));
        });
        _exit(ok && !HasFailure() && r == TxResult::Done ? 0 : 1);
    }
    const int status = testutil::WaitChild(pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status)) << "no disk-full message, the change passed for saved, it stayed shown, or the next failed";
    const RegisterData d = testutil::ReadRegister(desk.path);
    ASSERT_EQ(2u, d.reserves.size());
    EXPECT_EQ(testutil::Sj("鈴木"), d.reserves[1]->m_strUser);
    EXPECT_EQ(1u, FilesIn(desk.dir.path()));
}

TEST(FileFaults, AFolderTheDeskMayNotWriteToRefusesTheSaveWithAccessDenied) {
    Desk desk;
    // As root every folder is writable; a child that gives up root meets the
    // permission as a desk would.
    chmod(desk.dir.path().c_str(), 0555);
    chmod(desk.path.c_str(), 0644);
    pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        const bool saved = desk.doc.SaveToFile();
        const bool ok = !saved && desk.host.messages.size() == 1 &&
                        desk.host.messages[0] == fileio::FileMessage(fileio::Cause::AccessDenied, desk.path);
        _exit(ok ? 0 : 1);
    }
    const int status = testutil::WaitChild(pid);
    chmod(desk.dir.path().c_str(), 0755);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
    EXPECT_EQ(desk.before, testutil::ReadFile(desk.path));
}

TEST(FileFaults, AnExportThatRunsOutOfDiskLeavesNoPartialFileAndSaysSo) {
    Desk desk;
    for (int i = 0; i < 500; ++i)
        desk.doc.m_arReserve.push_back(
            std::make_unique<CReserve>(testutil::MakeReserve("山田商事", 1, 2026, 12, 8, 10, 0, 12, 0)));
    const std::string out = desk.dir.File("LIST1.TXT");
    pid_t pid = fork();
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit lim{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &lim);
        ExportStatus st = WriteExport(ExportKind::ReserveText, desk.doc, out);
        _exit(st == ExportStatus::WriteFailed ? 0 : 1);
    }
    const int status = testutil::WaitChild(pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status));
    EXPECT_FALSE(testutil::Exists(out)) << "a cut-off export was left behind";
    EXPECT_STREQ("出力ファイルへの書き込みに失敗しました。", ExportMessage(ExportStatus::WriteFailed));
    EXPECT_EQ(ExportStatus::OpenFailed, WriteExport(ExportKind::ReserveText, desk.doc, desk.dir.File("no/such/LIST1.TXT")));
    EXPECT_STREQ("出力ファイルを開けません", ExportMessage(ExportStatus::OpenFailed));
}

TEST(FileFaults, AProfileWriteOnAFullDiskKeepsTheOldSettings) {
    TempDir dir;
    ASSERT_TRUE(profile::WriteString(profile::Key::WindowPos, "0,1,-1,-1,-1,-1,10,20,800,600"));
    const std::string before = testutil::ReadFile(profile::Path());
    pid_t pid = fork();
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit lim{static_cast<rlim_t>(before.size()), static_cast<rlim_t>(before.size())};
        setrlimit(RLIMIT_FSIZE, &lim);
        _exit(profile::WriteString(profile::Key::DefaultFile, std::string(300, 'x')) ? 1 : 0);
    }
    const int status = testutil::WaitChild(pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(0, WEXITSTATUS(status)) << "the profile write passed for done";
    EXPECT_EQ(before, testutil::ReadFile(profile::Path()));
    EXPECT_EQ("0,1,-1,-1,-1,-1,10,20,800,600", profile::GetString(profile::Key::WindowPos));
}

}  // namespace
