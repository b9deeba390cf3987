// The register file on disk: the safe save, the lock that follows the file
// renamed into place, and the file messages by cause.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "core/doc/fileio.h"
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
        EXPECT_TRUE(fileio::SafeWrite(path, "new").ok());
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
