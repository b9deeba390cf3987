// Several desks on one register at the same moment: each is its own process
// running the change transaction with the entry dialog's overlap check.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>

#include "core/booking/rules.h"
#include "core/store/file/fileio.h"
#include "core/doc/kivodoc.h"
#include "core/doc/kvformat.h"
#include "support/testutil.h"

using testutil::MakeFacility;

namespace {

constexpr int kDesks = 8;

// One desk's booking of facility 1 on 2000-05-01; exit 0 booked, 3 refused, 1 file error.
[[noreturn]] void BookAndExit(const std::string& path, int startHour, int endHour, const std::string& user,
                              int lockWaitMs) {
    fileio::SetLockWaitMs(lockWaitMs);
    CKivoDoc doc;
    doc.SetPathName(path);
    ReserveEntry e;
    e.user = user;
    e.year = 2000, e.month = 5, e.day = 1;
    e.startHour = static_cast<uint32_t>(startHour), e.endHour = static_cast<uint32_t>(endHour);
    CheckResult refusal = CheckResult::Ok;
    TxResult tx = doc.Transact([&](CKivoDoc& d) {
        e.facility = d.GetFacilityIndex(1);
        refusal = CheckAfterReload(e, d.m_arReserve, d.m_arFacility, nullptr, true);
        if (refusal != CheckResult::Ok) return false;
        auto r = std::make_unique<CReserve>();
        ApplyEntry(e, d.m_arFacility, r.get());
        d.m_arReserve.push_back(std::move(r));
        return true;
    });
    _exit(tx == TxResult::Done ? 0 : tx == TxResult::Abandoned && refusal == CheckResult::Overlap ? 3 : 1);
}

// Starts every desk, lets them go at once, and returns their exit codes.
// The default wait is bounded, but far above eight saves.
std::vector<int> RunDesks(const std::string& path, const std::vector<std::pair<int, int>>& slots,
                          int lockWaitMs = 60000) {
    int gate[2];
    if (pipe(gate) != 0) std::abort();
    std::vector<pid_t> pids;
    for (size_t i = 0; i < slots.size(); ++i) {
        pid_t pid = fork();
        if (pid == 0) {
            close(gate[1]);
            char c;
            while (read(gate[0], &c, 1) > 0) {
            }
            BookAndExit(path, slots[i].first, slots[i].second, "desk" + std::to_string(i), lockWaitMs);
        }
        pids.push_back(pid);
    }
    close(gate[0]);
    close(gate[1]);  // every desk starts now
    std::vector<int> codes;
    const testutil::Deadline by = testutil::WaitLimit();
    for (pid_t pid : pids) {
        const int status = testutil::WaitChild(pid, by);
        codes.push_back(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    }
    return codes;
}

RegisterData LoadPath(const std::string& path) { return testutil::ReadRegister(path); }

}  // namespace

TEST(ManyDesks, DistinctSlotsAreAllKeptExactlyOnce) {
    testutil::TempDir dir;
    const std::string path = dir.File("reg.kv");
    testutil::WriteRegister(path, {MakeFacility(1, "A")}, {});
    std::vector<std::pair<int, int>> slots;
    for (int i = 0; i < kDesks; ++i) slots.push_back({8 + i, 9 + i});
    EXPECT_EQ(RunDesks(path, slots), std::vector<int>(kDesks, 0));
    RegisterData d = LoadPath(path);
    ASSERT_EQ(d.reserves.size(), static_cast<size_t>(kDesks));
    std::set<std::string> users;
    for (const auto& r : d.reserves) users.insert(r->m_strUser);
    EXPECT_EQ(users.size(), static_cast<size_t>(kDesks));
}

TEST(ManyDesks, OneSlotIsBookedOnceAndTheOthersAreRefused) {
    testutil::TempDir dir;
    const std::string path = dir.File("reg.kv");
    testutil::WriteRegister(path, {MakeFacility(1, "A")}, {});
    const std::vector<int> codes = RunDesks(path, std::vector<std::pair<int, int>>(kDesks, {10, 11}));
    int booked = 0, refused = 0;
    for (int c : codes) (c == 0 ? booked : c == 3 ? refused : c) += 1;
    EXPECT_EQ(booked, 1);
    EXPECT_EQ(refused, kDesks - 1);
    EXPECT_EQ(LoadPath(path).reserves.size(), 1u);
}

// Readers that keep re-reading never hold a waiting writer off past its time
// limit: every desk's booking gets in while eight readers read without pause.
TEST(ManyDesks, WritersGetInWhileReadersKeepComing) {
    testutil::TempDir dir;
    const std::string path = dir.File("reg.kv");
    std::vector<CReserve> many;
    for (int i = 0; i < 20000; ++i) many.push_back(testutil::MakeReserve("山田商事", 1, 2001, 1, 1, 9, 0, 10, 0));
    testutil::WriteRegister(path, {MakeFacility(1, "A")}, many);
    int stop[2], started[2];
    ASSERT_EQ(pipe(stop), 0);
    ASSERT_EQ(pipe(started), 0);
    std::vector<pid_t> readers;
    for (int i = 0; i < 8; ++i) {
        pid_t pid = fork();
        if (pid == 0) {
            close(stop[1]);
            struct pollfd p{stop[0], POLLIN, 0};
            std::string bytes;
            for (bool first = true; poll(&p, 1, 0) == 0; first = false) {
                fileio::ReadShared(path, &bytes);
                if (first) (void)!write(started[1], "r", 1);
            }
            _exit(0);
        }
        readers.push_back(pid);
    }
    char c;
    for (size_t i = 0; i < readers.size(); ++i) ASSERT_EQ(read(started[0], &c, 1), 1);
    std::vector<std::pair<int, int>> slots;
    for (int i = 0; i < 4; ++i) slots.push_back({8 + i, 9 + i});
    std::vector<int> codes = RunDesks(path, slots, 2000);
    close(stop[1]);  // the readers stop
    for (pid_t pid : readers) waitpid(pid, nullptr, 0);
    EXPECT_EQ(codes, std::vector<int>(slots.size(), 0)) << "a writer got the sharing message";
    EXPECT_EQ(LoadPath(path).reserves.size(), 20000u + slots.size());
}
