// A desk's program killed at any moment of a save never leaves a cut-off
// register: the file at the path is the old one or the new one, whole, and
// the temporary file of the killed save is cleared by the next save. A
// register with a second hard link is saved in place: a save cut short there
// is read as the old register and put back by the next lock.
#include <dirent.h>
#include <sys/stat.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "core/doc/archive.h"
#include "core/store/file/fileio.h"
#include "core/store/file/fileio_detail.h"
#include "core/doc/kivodoc.h"
#include "core/doc/kvformat.h"
#include "support/testutil.h"

namespace {

using testutil::TempDir;

// Read both ways a reader may (kept, and fresh for a scan): they must agree.
size_t ReserveCount(const std::string& path) {
    std::string bytes;
    fileio::FreshBytes fresh;
    if (!fileio::ReadShared(path, &bytes).ok() || !fileio::ReadShared(path, &fresh).ok()) throw std::runtime_error("unreadable");
    if (fresh.view() != bytes) throw std::runtime_error("the two reads differ");
    RegisterData d;
    LoadRegister(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &d);  // throws if cut off
    return d.reserves.size();
}

std::vector<std::string> TempFiles(const std::string& dir, const char* prefix = ".desk.kv.orvalis-tmp-") {
    std::vector<std::string> out;
    DIR* d = opendir(dir.c_str());
    while (struct dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n.rfind(prefix, 0) == 0) out.push_back(n);
    }
    closedir(d);
    return out;
}

// The child saves a growing register again and again, telling the parent
// through the pipe as it passes each step (the step's first letter) and when a
// save is done ('D'), until it is killed.
[[noreturn]] void SaveForever(const std::string& path, int progressFd) {
    fileio::SetFaultHook(nullptr);
    RegisterData d;
    std::string bytes;
    if (!fileio::ReadShared(path, &bytes).ok()) _exit(1);
    LoadRegister(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &d);
    static int progress = -1;
    progress = progressFd;
    fileio::SetFaultHook([](const char* step) {
        (void)!write(progress, step, 1);
        return 0;
    });
    for (;;) {
        auto r = std::make_unique<CReserve>();
        r->m_strUser = std::string(200, 'x');  // big enough that a write takes a while
        r->m_timeStart = 954723600;
        r->m_timeEnd = 954730800;
        d.reserves.push_back(std::move(r));
        if (fileio::SafeWrite(path, StoreRegister(d.facilities, d.reserves, d.users)).ok())
            (void)!write(progress, "D", 1);
    }
}

TEST(CrashDuringSave, KilledWritersLeaveAWholeRegisterAndNoLastingTemporaryFile) {
    for (const bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "in place (hard-linked)" : "through a temporary file");
        TempDir dir;
        const std::string path = dir.File("desk.kv");
        RegisterData start;
        for (int i = 0; i < 2000; ++i) {
            auto r = std::make_unique<CReserve>();
            r->m_strUser = "seed";
            r->m_timeStart = 954723600 + i * 3600;
            r->m_timeEnd = r->m_timeStart + 1800;
            start.reserves.push_back(std::move(r));
        }
        ASSERT_TRUE(fileio::SafeWrite(path, StoreRegister(start.facilities, start.reserves, start.users)).ok());
        if (linked) {
            ASSERT_EQ(0, link(path.c_str(), dir.File("twin.kv").c_str()));
        }

        std::mt19937 rng(20261208);
        const int kKills = linked ? 100 : 250;
        size_t last = ReserveCount(path);
        int done = 0;
        for (int k = 0; k < kKills; ++k) {
            int fd = -1;
            const pid_t pid = testutil::ForkWithPipe([&](int w) { SaveForever(path, w); }, &fd);
            ASSERT_GE(pid, 0);
            // Let the child pass a random number of save steps, then kill it.
            const int steps = std::uniform_int_distribution<int>(1, 24)(rng);
            std::string seen;
            char buf[256];
            const testutil::Deadline by = testutil::WaitLimit();
            for (int s = 0; s < steps; ++s) {
                if (testutil::ReadWithin(fd, buf, 1, by) != 1) break;
                seen += buf[0];
            }
            kill(pid, SIGKILL);
            const int status = testutil::WaitChild(pid);
            ASSERT_FALSE(HasFailure()) << "a writer stopped passing its save steps before kill " << k;
            for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) seen.append(buf, static_cast<size_t>(n));
            close(fd);
            ASSERT_TRUE(WIFSIGNALED(status));
            // A save is done only once the folder holding its rename or its
            // removed copy is synced.
            for (size_t i = 0; i < seen.size(); ++i)
                if (seen[i] == 'D') {
                    ++done;
                    ASSERT_TRUE(i > 0 && seen[i - 1] == 'd')
                        << "a save counted as done before the folder sync: " << seen;
                }

            size_t now = 0;
            ASSERT_NO_THROW(now = ReserveCount(path)) << "register cut off after kill " << k;
            // Each child starts from the file and only ever adds.
            ASSERT_GE(now, last) << "after kill " << k;
            last = now;
            ASSERT_LE(TempFiles(dir.path()).size(), 1u) << "temporary files pile up after kill " << k;
        }
        // A save by a living desk clears what the last killed one left.
        RegisterData d;
        std::string bytes;
        ASSERT_TRUE(fileio::ReadShared(path, &bytes).ok());
        LoadRegister(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &d);
        ASSERT_TRUE(fileio::SafeWrite(path, StoreRegister(d.facilities, d.reserves, d.users)).ok());
        EXPECT_TRUE(TempFiles(dir.path()).empty());
        EXPECT_EQ(last, ReserveCount(path));
        EXPECT_EQ(bytes, testutil::ReadFile(path));
        if (linked) {
            EXPECT_EQ(bytes, testutil::ReadFile(dir.File("twin.kv")));
        }
        EXPECT_TRUE(TempFiles(dir.path(), ".orvalis-old-").empty()) << "the copy of old bytes was left";
        EXPECT_GT(done, 0);
        std::printf("kills: %d, saves done: %d, reservations at the end: %zu\n", kKills, done, last);
    }
}

// A cut in-place save made by hand: the register half rewritten, the copy
// of its old bytes beside it. Readers see the old register; the next lock
// puts it back and removes the copy, and the booking after it is saved.
TEST(CrashDuringSave, ACutInPlaceSaveIsReadAsTheOldRegisterAndPutBackByTheNextLock) {
    TempDir dir;
    const std::string path = dir.File("desk.kv");
    testutil::WriteRegister(path, {testutil::MakeFacility(1, "A")},
                            {testutil::MakeReserve("A", 1, 2026, 12, 8, 9, 0, 10, 0)});
    const std::string old = testutil::ReadFile(path);
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    testutil::WriteFile(dir.File(".orvalis-old-" + std::to_string(st.st_ino)), fileio::detail::CopyOf(old, st.st_ino));
    testutil::WriteFile(path, old.substr(0, old.size() / 2));
    EXPECT_EQ(1u, ReserveCount(path));
    CKivoDoc doc;
    doc.SetPathName(path);
    EXPECT_EQ(TxResult::Done, doc.Transact([](CKivoDoc& d) {
        return !!d.m_arReserve.emplace_back(std::make_unique<CReserve>(testutil::MakeReserve("B", 1, 2026, 12, 8, 10, 0, 11, 0)));
    }));
    EXPECT_EQ(2u, ReserveCount(path));
    EXPECT_TRUE(TempFiles(dir.path(), ".orvalis-old-").empty());
}

}  // namespace
