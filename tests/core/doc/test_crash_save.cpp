// A desk's program killed at any moment of a save never leaves a cut-off
// register: the file at the path is the old one or the new one, whole, and
// the temporary file of the killed save is cleared by the next save.
#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <random>

#include "core/doc/archive.h"
#include "core/doc/fileio.h"
#include "core/doc/kvformat.h"
#include "support/testutil.h"

namespace {

using testutil::TempDir;

size_t ReserveCount(const std::string& path) {
    std::string bytes = testutil::ReadFile(path);
    RegisterData d;
    LoadRegister(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &d);  // throws if cut off
    return d.reserves.size();
}

std::vector<std::string> TempFiles(const std::string& dir) {
    std::vector<std::string> out;
    DIR* d = opendir(dir.c_str());
    while (struct dirent* e = readdir(d)) {
        std::string n = e->d_name;
        if (n.rfind(".desk.kv.", 0) == 0) out.push_back(n);
    }
    closedir(d);
    return out;
}

// The child saves a growing register again and again, telling the parent
// through the pipe as it passes each step, until it is killed.
[[noreturn]] void SaveForever(const std::string& path, int progressFd) {
    fileio::SetFaultHook(nullptr);
    RegisterData d;
    std::string bytes = testutil::ReadFile(path);
    LoadRegister(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &d);
    static int progress = -1;
    progress = progressFd;
    fileio::SetFaultHook([](const char*) {
        char c = 's';
        (void)!write(progress, &c, 1);
        return 0;
    });
    for (;;) {
        auto r = std::make_unique<CReserve>();
        r->m_strUser = std::string(200, 'x');  // big enough that a write takes a while
        r->m_timeStart = 954723600;
        r->m_timeEnd = 954730800;
        d.reserves.push_back(std::move(r));
        fileio::SafeWrite(path, StoreRegister(d.facilities, d.reserves, d.users));
    }
}

TEST(CrashDuringSave, KilledWritersLeaveAWholeRegisterAndNoLastingTemporaryFile) {
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

    std::mt19937 rng(20261208);
    const int kKills = 250;
    size_t last = ReserveCount(path);
    for (int k = 0; k < kKills; ++k) {
        int fds[2];
        ASSERT_EQ(0, pipe(fds));
        pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(fds[0]);
            SaveForever(path, fds[1]);
        }
        close(fds[1]);
        // Let the child pass a random number of save steps, then kill it.
        const int steps = std::uniform_int_distribution<int>(1, 24)(rng);
        char buf[1];
        const testutil::Deadline by = testutil::WaitLimit();
        for (int s = 0; s < steps; ++s)
            if (testutil::ReadWithin(fds[0], buf, 1, by) != 1) break;
        kill(pid, SIGKILL);
        const int status = testutil::WaitChild(pid);
        close(fds[0]);
        ASSERT_FALSE(HasFailure()) << "a writer stopped passing its save steps before kill " << k;
        ASSERT_TRUE(WIFSIGNALED(status));

        size_t now = 0;
        ASSERT_NO_THROW(now = ReserveCount(path)) << "register cut off after kill " << k;
        // Each child starts from the file and only ever adds.
        ASSERT_GE(now, last) << "after kill " << k;
        last = now;
        ASSERT_LE(TempFiles(dir.path()).size(), 1u) << "temporary files pile up after kill " << k;
    }
    // A save by a living desk clears what the last killed one left.
    RegisterData d;
    std::string bytes = testutil::ReadFile(path);
    LoadRegister(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &d);
    ASSERT_TRUE(fileio::SafeWrite(path, StoreRegister(d.facilities, d.reserves, d.users)).ok());
    EXPECT_TRUE(TempFiles(dir.path()).empty());
    EXPECT_EQ(last, ReserveCount(path));
    std::printf("kills: %d, reservations at the end: %zu\n", kKills, last);
}

}  // namespace
