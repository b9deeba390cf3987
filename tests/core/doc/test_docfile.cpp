// The document and its file: open, save, the change transaction, and what a
// desk sees when the file is damaged, missing, locked or cannot be written.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/store/file/fileio.h"
#include "core/doc/kivodoc.h"
#include "core/doc/kvformat.h"
#include "core/doc/messages.h"
#include "core/profile/profile.h"
#include "support/testutil.h"

using testutil::MakeFacility;
using testutil::MakeReserve;
using testutil::ReadFile;
using testutil::Sj;
using testutil::WriteFile;

namespace {

class DocFile : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.File("reg.kv");
        testutil::WriteRegister(path, {MakeFacility(1, "大会議室", 20), MakeFacility(2, "和室", 8)},
                                {MakeReserve("山田商事", 1, 2000, 5, 1, 9, 0, 12, 0),
                                 MakeReserve("青葉", 2, 2000, 5, 1, 13, 0, 14, 0)});
        doc.SetHost(&host);
    }
    void TearDown() override {
        fileio::SetFaultHook(nullptr);
        fileio::SetLockWaitMs(2000);
    }

    // Names in the folder other than the profile: a leftover temporary file shows here.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
            const std::string n = e.path().filename().string();
            if (n != "orvalis.ini") names.push_back(n);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    testutil::TempDir dir;
    std::string path;
    testutil::RecordingHost host;
    CKivoDoc doc;
};

// Another process holding a lock of the given type on the file until released.
class LockHolder {
public:
    LockHolder(const std::string& path, short type) {
        int ready[2];
        if (pipe(ready) != 0 || pipe(release_) != 0) std::abort();
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            close(release_[1]);
            int fd = open(path.c_str(), O_RDWR);
            struct flock fl;
            std::memset(&fl, 0, sizeof fl);
            fl.l_type = type;
            char ok = (fd >= 0 && fcntl(fd, F_OFD_SETLK, &fl) == 0) ? 'y' : 'n';
            if (write(ready[1], &ok, 1) != 1) _exit(2);
            char c;
            while (read(release_[0], &c, 1) > 0) {
            }
            _exit(0);
        }
        close(ready[1]);
        close(release_[0]);
        char ok = 'n';
        if (testutil::ReadWithin(ready[0], &ok, 1) != 1) ok = 'n';
        close(ready[0]);
        locked_ = ok == 'y';
    }
    ~LockHolder() { Release(); }
    bool locked() const { return locked_; }
    void Release() {
        if (pid_ <= 0) return;
        close(release_[1]);
        testutil::WaitChild(pid_);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int release_[2] = {-1, -1};
    bool locked_ = false;
};

std::string Sharing(const std::string& path) { return path + " へのｱｸｾｽ中に共有違反が発生しました。"; }

int g_faultErrno = 0;
const char* g_faultStep = "";
int FailStep(const char* step) { return std::strcmp(step, g_faultStep) == 0 ? g_faultErrno : 0; }

}  // namespace

// --- open ---------------------------------------------------------------------------------

TEST_F(DocFile, OpenReadsRecordsRemembersThePathAndAddsUsersUnmodified) {
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_TRUE(host.messages.empty());
    ASSERT_EQ(doc.m_arFacility.size(), 2u);
    ASSERT_EQ(doc.m_arReserve.size(), 2u);
    ASSERT_EQ(doc.m_arUser.size(), 2u);
    EXPECT_EQ(doc.m_arUser[0]->m_strName, Sj("山田商事"));
    EXPECT_EQ(doc.m_arUser[0]->m_strCharge, Sj("山田商事"));
    EXPECT_FALSE(doc.IsModified());
    // The host records the path; the document itself never writes the profile.
    EXPECT_EQ(host.pathsRecorded, std::vector<std::string>{path});
    EXPECT_EQ(profile::GetString(profile::Key::DefaultFile), "");
}

TEST_F(DocFile, OpenOfAMissingFileKeepsTheDocumentAsItWas) {
    ASSERT_TRUE(doc.OnOpenDocument(path));
    doc.SetModifiedFlag(true);
    const std::string missing = dir.File("none.kv");
    EXPECT_FALSE(doc.OnOpenDocument(missing));
    EXPECT_EQ(host.messages, std::vector<std::string>{missing + " が見つかりませんでした。"});
    EXPECT_EQ(doc.m_arReserve.size(), 2u);
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(doc.GetPathName(), path);
}

TEST_F(DocFile, OpenOfADamagedFileLeavesItEmptyAndModified) {
    ASSERT_TRUE(doc.OnOpenDocument(path));
    const std::string bytes = ReadFile(path);
    WriteFile(path, bytes.substr(0, bytes.size() - 3));
    EXPECT_FALSE(doc.ReloadFromFile());
    EXPECT_EQ(host.messages, std::vector<std::string>{msg::kUnexpectedFormat});
    EXPECT_TRUE(doc.m_arFacility.empty() && doc.m_arReserve.empty() && doc.m_arUser.empty());
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(DocFile, EmptyFileOpensAsAnEmptyDocument) {
    WriteFile(path, "");
    EXPECT_TRUE(doc.OnOpenDocument(path));
    EXPECT_TRUE(doc.m_arReserve.empty());
    EXPECT_FALSE(doc.IsModified());
}

TEST_F(DocFile, AFolderIsNotADocument) {
    EXPECT_FALSE(doc.OnOpenDocument(dir.path()));
    EXPECT_EQ(host.messages, std::vector<std::string>{dir.path() + " へのｱｸｾｽは拒否されました。"});
}

// --- save ------------------------------------------------------------------------------------

TEST_F(DocFile, SaveWritesTheRegisterAndClearsTheFlag) {
    ASSERT_TRUE(doc.OnOpenDocument(path));
    doc.m_arReserve.pop_back();
    doc.SetModifiedFlag(true);
    const std::string other = dir.File("copy.kv");
    ASSERT_TRUE(doc.OnSaveDocument(other));
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(ReadFile(other), StoreRegister(doc.m_arFacility, doc.m_arReserve, doc.m_arUser));
    ASSERT_FALSE(host.pathsRecorded.empty());
    EXPECT_EQ(host.pathsRecorded.back(), other);
    EXPECT_EQ(doc.GetPathName(), other);
}

TEST_F(DocFile, SaveKeepsThePermissionBitsOfTheOldFile) {
    for (mode_t mode : {0640, 0604, 0600}) {
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
        ASSERT_TRUE(doc.OnOpenDocument(path));
        ASSERT_TRUE(doc.OnSaveDocument(path));
        struct stat st;
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode);
    }
}

TEST_F(DocFile, AFailingStepLeavesTheOldFileWholeAndNoTemporaryFile) {
    ASSERT_TRUE(doc.OnOpenDocument(path));
    const std::string before = ReadFile(path);
    doc.m_arReserve.clear();
    const struct {
        const char* step;
        int err;
        std::string message;
    } cases[] = {
        {"write", ENOSPC, path + " へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。"},
        {"fsync", EIO, path + " へのｱｸｾｽ中にﾊｰﾄﾞｳｪｱ I/O ｴﾗｰが報告されました。"},
        {"rename", EACCES, path + " へのｱｸｾｽは拒否されました。"},
        {"open", EMFILE, "開いているﾌｧｲﾙが多すぎるため、" + path + " を開けませんでした。"},
        {"write", ENOEXEC, msg::kSaveFailed},
    };
    for (const auto& c : cases) {
        host.messages.clear();
        g_faultStep = c.step;
        g_faultErrno = c.err;
        fileio::SetFaultHook(FailStep);
        doc.SetModifiedFlag(true);
        EXPECT_FALSE(doc.OnSaveDocument(path)) << c.step;
        EXPECT_EQ(host.messages, std::vector<std::string>{c.message}) << c.step;
        EXPECT_EQ(ReadFile(path), before) << c.step;
        EXPECT_EQ(Entries(), std::vector<std::string>{"reg.kv"}) << c.step;
        EXPECT_TRUE(doc.IsModified());
    }
}

TEST_F(DocFile, SaveIntoAFolderThatIsAFileChangesNothing) {
    ASSERT_TRUE(doc.OnOpenDocument(path));
    const std::string bad = path + "/x.kv";
    EXPECT_FALSE(doc.OnSaveDocument(bad));
    EXPECT_EQ(host.messages, std::vector<std::string>{bad + " には無効なﾊﾟｽが含まれています。"});
    EXPECT_EQ(Entries(), std::vector<std::string>{"reg.kv"});
    EXPECT_EQ(doc.GetPathName(), path);
}

// --- locks ------------------------------------------------------------------------------------

TEST_F(DocFile, AnotherDesksWriteLockGivesTheSharingMessageAfterTheWait) {
    fileio::SetLockWaitMs(30);
    const std::string before = ReadFile(path);
    LockHolder other(path, F_WRLCK);
    ASSERT_TRUE(other.locked());
    EXPECT_FALSE(doc.OnOpenDocument(path));
    EXPECT_EQ(host.messages, std::vector<std::string>{Sharing(path)});
    EXPECT_TRUE(doc.m_arReserve.empty());

    doc.SetPathName(path);
    host.messages.clear();
    bool ran = false;
    EXPECT_EQ(doc.Transact([&](CKivoDoc&) { return ran = true; }), TxResult::Failed);
    EXPECT_FALSE(ran);
    EXPECT_EQ(host.messages, std::vector<std::string>{Sharing(path)});
    other.Release();
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_TRUE(doc.OnOpenDocument(path));
}

TEST_F(DocFile, ReadersShareButASaveWaitsForThem) {
    fileio::SetLockWaitMs(30);
    LockHolder reader(path, F_RDLCK);
    ASSERT_TRUE(reader.locked());
    ASSERT_TRUE(doc.OnOpenDocument(path));
    const std::string before = ReadFile(path);
    doc.m_arReserve.clear();
    EXPECT_FALSE(doc.OnSaveDocument(path));
    EXPECT_EQ(host.messages, std::vector<std::string>{Sharing(path)});
    EXPECT_EQ(ReadFile(path), before);
}

// --- the change transaction ------------------------------------------------------------

TEST_F(DocFile, TransactionWorksOnTheNewestFile) {
    CKivoDoc other;
    ASSERT_TRUE(doc.OnOpenDocument(path));
    ASSERT_TRUE(other.OnOpenDocument(path));
    ASSERT_EQ(other.Transact([](CKivoDoc& d) {
        d.m_arReserve.push_back(std::make_unique<CReserve>(MakeReserve("X", 1, 2000, 5, 2, 9, 0, 10, 0)));
        return true;
    }),
              TxResult::Done);
    ASSERT_EQ(doc.Transact([](CKivoDoc& d) {
        d.m_arReserve.push_back(std::make_unique<CReserve>(MakeReserve("Y", 1, 2000, 5, 3, 9, 0, 10, 0)));
        return true;
    }),
              TxResult::Done);
    EXPECT_FALSE(doc.IsModified());
    CKivoDoc check;
    ASSERT_TRUE(check.OnOpenDocument(path));
    ASSERT_EQ(check.m_arReserve.size(), 4u);
    EXPECT_EQ(check.m_arReserve[2]->m_strUser, "X");
    EXPECT_EQ(check.m_arReserve[3]->m_strUser, "Y");
}

TEST_F(DocFile, AFileAsLastReadOrWrittenIsNotParsedAgain) {
    auto add = [](const char* user) {
        return [user](CKivoDoc& d) {
            d.m_arReserve.push_back(std::make_unique<CReserve>(MakeReserve(user, 1, 2000, 5, 2, 9, 0, 10, 0)));
            return true;
        };
    };
    ASSERT_TRUE(doc.OnOpenDocument(path));
    ASSERT_EQ(doc.Transact(add("QQQQ")), TxResult::Done);
    ASSERT_EQ(doc.Transact(add("B")), TxResult::Done);
    EXPECT_EQ(doc.ParseCount(), 1);  // the open only
    {
        // The first booking's new user reaches the file with the next change, as after a re-read.
        const RegisterData data = testutil::ReadRegister(path);
        ASSERT_FALSE(data.users.empty());
        EXPECT_EQ(data.users.back()->m_strName, "QQQQ");
    }
    // An abandoned change may have touched the collections: the next one parses.
    EXPECT_EQ(doc.Transact([&add](CKivoDoc& d) { return add("ABANDONED")(d) && false; }), TxResult::Abandoned);
    ASSERT_EQ(doc.Transact([](CKivoDoc&) { return true; }), TxResult::Done);
    EXPECT_EQ(doc.ParseCount(), 2);
    EXPECT_EQ(ReadFile(path).find("ABANDONED"), std::string::npos);

    // Another desk rewrites the file in place, same size, same time stamp.
    std::string bytes = ReadFile(path);
    const size_t at = bytes.find("QQQQ");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at, 4, "ZZZZ");
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    int fd = open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(pwrite(fd, bytes.data(), bytes.size(), 0), static_cast<ssize_t>(bytes.size()));
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ASSERT_EQ(futimens(fd, times), 0);
    close(fd);
    ASSERT_EQ(doc.Transact([](CKivoDoc&) { return true; }), TxResult::Done);
    EXPECT_EQ(doc.ParseCount(), 3);
    EXPECT_EQ(doc.m_arReserve[2]->m_strUser, "ZZZZ");

    // A quiet refresh reads another desk's change once, and nothing when none came.
    EXPECT_EQ(doc.RefreshFromFile(), CKivoDoc::Refresh::Unchanged);
    CKivoDoc other;
    ASSERT_TRUE(other.OnOpenDocument(path));
    ASSERT_EQ(other.Transact(add("OTHER")), TxResult::Done);
    EXPECT_EQ(doc.RefreshFromFile(), CKivoDoc::Refresh::Read);
    EXPECT_EQ(doc.RefreshFromFile(), CKivoDoc::Refresh::Unchanged);
    EXPECT_EQ(doc.ParseCount(), 4);
    EXPECT_EQ(doc.m_arReserve.back()->m_strUser, "OTHER");
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(DocFile, AReReadThatFailsWritesNothing) {
    ASSERT_TRUE(doc.OnOpenDocument(path));
    const std::string good = ReadFile(path);
    const std::string damaged = good.substr(0, good.size() - 5) + "\x01\x02\x03\x04\x05";
    WriteFile(path, damaged);
    bool ran = false;
    EXPECT_EQ(doc.Transact([&](CKivoDoc& d) {
        ran = true;
        d.m_arReserve.push_back(std::make_unique<CReserve>());
        return true;
    }),
              TxResult::Failed);
    EXPECT_FALSE(ran);
    EXPECT_EQ(host.messages, std::vector<std::string>{msg::kUnexpectedFormat});
    EXPECT_EQ(ReadFile(path), damaged);
}

TEST_F(DocFile, AnAbandonedChangeWritesNothing) {
    ASSERT_TRUE(doc.OnOpenDocument(path));
    struct stat before;
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    EXPECT_EQ(doc.Transact([](CKivoDoc& d) {
        d.m_arReserve.clear();
        return false;
    }),
              TxResult::Abandoned);
    struct stat after;
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST_F(DocFile, TheEditedRecordVanishedMeanwhileSoTheEditFindsNothing) {
    ASSERT_TRUE(doc.OnOpenDocument(path));
    const CReserve snapshot = *doc.m_arReserve[1];
    CKivoDoc other;
    ASSERT_TRUE(other.OnOpenDocument(path));
    ASSERT_EQ(other.Transact([](CKivoDoc& d) {
        d.m_arReserve.erase(d.m_arReserve.begin() + 1);
        return true;
    }),
              TxResult::Done);
    const std::string afterOther = ReadFile(path);
    int found = 0;
    EXPECT_EQ(doc.Transact([&](CKivoDoc& d) { return (found = d.FindReserve(1, snapshot)) >= 0; }),
              TxResult::Abandoned);
    EXPECT_EQ(found, -1);
    EXPECT_EQ(ReadFile(path), afterOther);
}

TEST_F(DocFile, TransactionOnAMissingFileCreatesNothing) {
    doc.SetPathName(dir.File("gone.kv"));
    EXPECT_EQ(doc.Transact([](CKivoDoc&) { return true; }), TxResult::Failed);
    EXPECT_EQ(host.messages, std::vector<std::string>{dir.File("gone.kv") + " が見つかりませんでした。"});
    EXPECT_EQ(Entries(), std::vector<std::string>{"reg.kv"});
}

TEST_F(DocFile, TransactionWithoutAPathChangesMemoryOnly) {
    doc.m_arReserve.push_back(std::make_unique<CReserve>());
    EXPECT_EQ(doc.Transact([](CKivoDoc& d) {
        d.m_arReserve.clear();
        return true;
    }),
              TxResult::Done);
    EXPECT_TRUE(doc.m_arReserve.empty());
    EXPECT_TRUE(doc.IsModified());
}

namespace {
struct HintView : IKivoView {
    std::vector<ViewHint> hints;
    void OnUpdate(IKivoView*, ViewHint hint) override { hints.push_back(hint); }
};
}  // namespace

TEST_F(DocFile, ViewsHearTheHintOrARebuildAfterAFailure) {
    ASSERT_TRUE(doc.OnOpenDocument(path));
    HintView sender, other;
    doc.AddView(&sender);
    doc.AddView(&other);
    doc.Transact([](CKivoDoc&) { return true; }, &sender, ViewHint::Repaint);
    EXPECT_TRUE(sender.hints.empty());
    EXPECT_EQ(other.hints, std::vector<ViewHint>{ViewHint::Repaint});
    WriteFile(path, "\x01");
    doc.Transact([](CKivoDoc&) { return true; }, &sender, ViewHint::Repaint);
    EXPECT_EQ(other.hints, (std::vector<ViewHint>{ViewHint::Repaint, ViewHint::Changed}));
}
