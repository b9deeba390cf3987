// The register file on disk: the safe save, the lock that follows the file
// renamed into place, and the file messages by cause.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#include "core/store/file/fileio.h"
#include "support/testutil.h"

using testutil::ReadFile;
using testutil::WriteFile;

namespace {

// How many descriptors of this process are open on the inode.
int OpenCount(ino_t ino) {
    int n = 0;
    for (int fd = 0; fd < 1024; ++fd) {
        struct stat st;
        if (fstat(fd, &st) == 0 && st.st_ino == ino) ++n;
    }
    return n;
}

}  // namespace

TEST(SafeWrite, ANewFileGetsTheUmaskModeAndTheBytes) {
    testutil::TempDir dir;
    const mode_t old = umask(022);
    ASSERT_TRUE(fileio::SafeWrite(dir.File("a.kv"), "abc").ok());
    umask(old);
    struct stat st;
    ASSERT_EQ(stat(dir.File("a.kv").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    EXPECT_EQ(ReadFile(dir.File("a.kv")), "abc");
}

TEST(SafeWrite, ReplacesTheFileByRenameSoAnOldReaderKeepsTheOldBytes) {
    testutil::TempDir dir;
    const std::string path = dir.File("a.kv");
    WriteFile(path, "old");
    int fd = open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(fileio::SafeWrite(path, "new").ok());
    char buf[8] = {};
    EXPECT_EQ(read(fd, buf, sizeof buf), 3);
    EXPECT_STREQ(buf, "old");
    close(fd);
    EXPECT_EQ(ReadFile(path), "new");
}

// A desk waiting for the lock on the old file must, once it has it, see that
// a new file was renamed into place and lock and read that one instead.
TEST(ExclusiveLock, AWaiterOnTheOldFileFollowsTheRenamedNewFile) {
    testutil::TempDir dir;
    const std::string path = dir.File("a.kv");
    WriteFile(path, "old");
    struct stat oldSt;
    ASSERT_EQ(stat(path.c_str(), &oldSt), 0);

    fileio::ExclusiveLock mine;
    bool exists = false;
    ASSERT_TRUE(mine.Acquire(path, &exists).ok());
    ASSERT_TRUE(exists);
    ASSERT_EQ(OpenCount(oldSt.st_ino), 1);

    std::string seen;
    std::atomic<bool> ok{false}, done{false};
    std::thread waiter([&] {
        fileio::ExclusiveLock theirs;
        bool e = false;
        if (theirs.Acquire(path, &e).ok() && e && theirs.ReadAll(&seen).ok()) ok = true;
        done = true;
    });
    // The waiter has opened the old file once a second descriptor shows on
    // it; one that is through already never waited for the lock.
    const bool opened = testutil::WaitUntil([&] { return done || OpenCount(oldSt.st_ino) >= 2; },
                                            "a second desk opening the locked file",
                                            testutil::WaitLimit(std::chrono::seconds(10)));
    const bool waited = opened && !done;
    if (waited) {
        EXPECT_TRUE(mine.Write("new").ok());  // the locked file is replaced by rename
    }
    mine.Release();
    waiter.join();
    EXPECT_TRUE(waited) << "the second desk got the file while it was locked";
    EXPECT_TRUE(ok);
    EXPECT_EQ(seen, "new");
}

TEST(ExclusiveLock, AMissingFileIsNotAnError) {
    testutil::TempDir dir;
    fileio::ExclusiveLock lock;
    bool exists = true;
    EXPECT_TRUE(lock.Acquire(dir.File("none.kv"), &exists).ok());
    EXPECT_FALSE(exists);
    EXPECT_FALSE(lock.held());
}

TEST(FileMessage, CausesFromTheSystemMapToTheirMessages) {
    const std::string p = "/x/y.kv";
    EXPECT_EQ(fileio::FileMessage(fileio::CauseFromErrno(ENOENT), p), "/x/y.kv が見つかりませんでした。");
    EXPECT_EQ(fileio::FileMessage(fileio::CauseFromErrno(EACCES), p), "/x/y.kv へのｱｸｾｽは拒否されました。");
    EXPECT_EQ(fileio::FileMessage(fileio::CauseFromErrno(ENOSPC), p), "/x/y.kv へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。");
    EXPECT_EQ(fileio::FileMessage(fileio::CauseFromErrno(EAGAIN), p), "/x/y.kv へのｱｸｾｽ中に共有違反が発生しました。");
    EXPECT_EQ(fileio::FileMessage(fileio::CauseFromErrno(ENOTDIR), p), "/x/y.kv には無効なﾊﾟｽが含まれています。");
    EXPECT_EQ(fileio::FileMessage(fileio::Cause::None, p), "ｴﾗｰはありませんでした。");
}

namespace {

std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

// The clean-up of killed writers' temporary files removes only names of ours,
// and every register name that fits the folder can be saved.
TEST(SafeWrite, TemporaryNamesAreOursAndFitEveryRegisterName) {
    const std::string longName = std::string(252, 'r') + ".kv";  // 255 bytes, NAME_MAX
    for (const std::string& name : {std::string("reg.kv"), longName}) {
        SCOPED_TRACE(name.size());
        testutil::TempDir dir;
        const std::string path = dir.File(name);
        WriteFile(path, "old");
        std::vector<std::string> kept;
        if (name.size() < 200) {
            kept = {"." + name + ".backup", "." + name + ".old001", "." + name + ".orvalis-tmp-ab!def"};
            for (const auto& k : kept) WriteFile(dir.File(k), "a person's file");
            WriteFile(dir.File("." + name + ".orvalis-tmp-abcdef"), "left by a killed writer");
        }
        ASSERT_TRUE(fileio::SafeWrite(path, "new").ok());
        EXPECT_EQ(ReadFile(path), "new");
        kept.push_back(name);
        std::sort(kept.begin(), kept.end());
        EXPECT_EQ(Names(dir.path()), kept);
    }
}

// A desk saves all day in one process: no save, through a temporary file or
// in place beside a hard link, may keep a descriptor behind.
TEST(SafeWrite, SavesLeaveNoDescriptorOpen) {
    for (const bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "in place" : "through a temporary file");
        testutil::TempDir dir;
        const std::string path = dir.File("reg.kv");
        WriteFile(path, "old");
        if (linked) {
            ASSERT_EQ(0, link(path.c_str(), dir.File("twin.kv").c_str()));
        }
        const size_t before = Names("/proc/self/fd").size();
        for (const char* bytes : {"one", "two", "three"}) ASSERT_TRUE(fileio::SafeWrite(path, bytes).ok());
        EXPECT_EQ(Names("/proc/self/fd").size(), before);
        EXPECT_EQ(ReadFile(dir.File("twin.kv")), linked ? "three" : "");
    }
}

// Between writing its temporary file and renaming it into place a writer
// still holds the lock that tells every clean-up the file is alive.
TEST(SafeWrite, ATemporaryFileStaysLockedUntilItIsInPlace) {
    testutil::TempDir dir;
    const std::string path = dir.File("reg.kv");
    WriteFile(path, "old");
    int toParent[2], toChild[2];
    ASSERT_EQ(pipe(toParent), 0);
    ASSERT_EQ(pipe(toChild), 0);
    pid_t pid = fork();
    if (pid == 0) {
        static int up, down;
        up = toParent[1], down = toChild[0];
        fileio::SetFaultHook([](const char* step) {
            if (std::strcmp(step, "rename") == 0) {
                char c = 'r';
                (void)!write(up, &c, 1);
                (void)!read(down, &c, 1);
            }
            return 0;
        });
        _exit(fileio::SafeWrite(path, "new").ok() ? 0 : 1);
    }
    char c;
    ASSERT_EQ(read(toParent[0], &c, 1), 1);
    std::string temp;
    for (const auto& n : Names(dir.path()))
        if (n.rfind(".reg.kv.", 0) == 0) temp = n;
    ASSERT_FALSE(temp.empty());
    int fd = open(dir.File(temp).c_str(), O_RDWR);
    ASSERT_GE(fd, 0);
    struct flock fl{};
    fl.l_type = F_WRLCK;
    fl.l_whence = SEEK_SET;
    EXPECT_NE(fcntl(fd, F_OFD_SETLK, &fl), 0) << "another writer's clean-up could delete it now";
    close(fd);
    ASSERT_EQ(write(toChild[1], "g", 1), 1);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(ReadFile(path), "new");
}
