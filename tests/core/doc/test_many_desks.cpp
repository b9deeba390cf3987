// Several desks on one register at once: random bookings, changes and
// cancellations from separate processes. Every booking a desk was told is
// stored is in the file exactly once, with its last confirmed value, and no
// two bookings of one facility overlap.
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <cstring>
#include <sstream>

#include "core/booking/rules.h"
#include "core/store/file/fileio.h"
#include "core/doc/kvformat.h"
#include "core/doc/kvtime.h"
#include "core/doc/messages.h"
#include "core/doc/text.h"
#include "core/profile/profile.h"
#include "support/testutil.h"

namespace {

using testutil::TempDir;

std::string Key(const CReserve& r) {
    std::ostringstream s;
    s << r.m_strPurpose << '|' << r.m_nFacilityID << '|' << r.m_timeStart << '|' << r.m_timeEnd;
    return s.str();
}

ReserveEntry RandomSlot(std::mt19937& rng, const std::string& tag) {
    ReserveEntry e;
    e.user = "desk";
    e.purpose = tag;
    e.year = 2026;
    e.month = 12;
    e.day = 7 + std::uniform_int_distribution<uint32_t>(0, 2)(rng);
    e.startHour = std::uniform_int_distribution<uint32_t>(8, 20)(rng);
    e.startMinute = std::uniform_int_distribution<uint32_t>(0, 1)(rng) * 30;
    const uint32_t halfHours = std::uniform_int_distribution<uint32_t>(1, 4)(rng);
    const uint32_t end = e.startHour * 60 + e.startMinute + halfHours * 30;
    e.endHour = end / 60;
    e.endMinute = end % 60;
    e.facility = std::uniform_int_distribution<int>(0, 2)(rng);
    return e;
}

// One desk: 100 commands, each one change transaction. Writes the bookings it
// believes stored, one key per line, to resultFd.
[[noreturn]] void Desk(const std::string& path, int id, int resultFd) {
    std::mt19937 rng(1000 + id);
    testutil::RecordingHost host;
    CKivoDoc doc;
    doc.SetHost(&host);
    doc.SetPathName(path);
    std::map<std::string, CReserve> mine;  // by purpose tag
    for (int n = 0; n < 100; ++n) {
        const int op = std::uniform_int_distribution<int>(0, 9)(rng);
        if (op < 6 || mine.empty()) {
            ReserveEntry e = RandomSlot(rng, "d" + std::to_string(id) + "-" + std::to_string(n));
            CReserve stored;
            TxResult r = doc.Transact([&](CKivoDoc& d) {
                if (CheckAfterReload(e, d.m_arReserve, d.m_arFacility, nullptr, true) != CheckResult::Ok) return false;
                auto rec = std::make_unique<CReserve>();
                ApplyEntry(e, d.m_arFacility, rec.get());
                stored = *rec;
                d.m_arReserve.push_back(std::move(rec));
                return true;
            });
            if (r == TxResult::Done) mine[e.purpose] = stored;
            continue;
        }
        auto it = mine.begin();
        std::advance(it, std::uniform_int_distribution<size_t>(0, mine.size() - 1)(rng));
        const CReserve snapshot = it->second;
        if (op < 8) {
            // Move the booking to another slot, its own old slot not counting.
            ReserveEntry e = RandomSlot(rng, snapshot.m_strPurpose);
            CReserve stored;
            TxResult r = doc.Transact([&](CKivoDoc& d) {
                int at = d.FindReserve(0, snapshot);
                if (at < 0) return false;
                if (CheckAfterReload(e, d.m_arReserve, d.m_arFacility, &snapshot, true) != CheckResult::Ok) return false;
                ApplyEntry(e, d.m_arFacility, d.m_arReserve[static_cast<size_t>(at)].get());
                stored = *d.m_arReserve[static_cast<size_t>(at)];
                return true;
            });
            if (r == TxResult::Done) it->second = stored;
        } else {
            TxResult r = doc.Transact([&](CKivoDoc& d) {
                int at = d.FindReserve(0, snapshot);
                if (at < 0) return false;
                d.m_arReserve.erase(d.m_arReserve.begin() + at);
                return true;
            });
            if (r == TxResult::Done) mine.erase(it);
        }
    }
    std::string out;
    for (const auto& [tag, r] : mine) out += Key(r) + "\n";
    (void)!write(resultFd, out.data(), out.size());
    _exit(host.messages.empty() ? 0 : 3);
}

TEST(ManyDesks, RandomBookingsEditsAndCancellationsLoseNothingAndNeverOverlap) {
    TempDir dir;
    const std::string path = dir.File("hall.kv");
    RegisterData start;
    for (int id = 1; id <= 3; ++id) {
        auto f = std::make_unique<CKivo>();
        f->m_nID = id;
        f->m_strName = "room" + std::to_string(id);
        start.facilities.push_back(std::move(f));
    }
    ASSERT_TRUE(fileio::SafeWrite(path, StoreRegister(start.facilities, start.reserves, start.users)).ok());
    profile::WriteString(profile::Key::DefaultFile, path);  // no desk needs to write the profile

    const int kDesks = 8;
    std::vector<std::pair<pid_t, int>> desks;
    for (int id = 0; id < kDesks; ++id) {
        int fd = -1;
        const pid_t pid = testutil::ForkWithPipe([&](int w) { Desk(path, id, w); }, &fd);
        ASSERT_GE(pid, 0);
        desks.emplace_back(pid, fd);
    }
    std::multiset<std::string> promised;
    const testutil::Deadline by = testutil::WaitLimit();
    for (auto [pid, fd] : desks) {
        std::string text;
        char buf[4096];
        ssize_t n;
        while ((n = testutil::ReadWithin(fd, buf, sizeof buf, by)) > 0) text.append(buf, static_cast<size_t>(n));
        close(fd);
        const int status = testutil::WaitChild(pid, by);
        ASSERT_TRUE(WIFEXITED(status)) << "a desk crashed";
        EXPECT_EQ(0, WEXITSTATUS(status)) << "a desk was shown a message (a lock not had, a file error)";
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) promised.insert(line);
    }

    const RegisterData end = testutil::ReadRegister(path);
    std::multiset<std::string> inFile;
    for (const auto& r : end.reserves) inFile.insert(Key(*r));
    EXPECT_EQ(promised, inFile) << "the file differs from what the desks were told";
    ASSERT_EQ(3u, end.facilities.size());
    for (size_t i = 0; i < end.reserves.size(); ++i)
        for (size_t j = i + 1; j < end.reserves.size(); ++j) {
            const CReserve &a = *end.reserves[i], &b = *end.reserves[j];
            if (a.m_nFacilityID != b.m_nFacilityID) continue;
            EXPECT_FALSE(a.m_timeStart < b.m_timeEnd && b.m_timeStart < a.m_timeEnd)
                << Key(a) << " overlaps " << Key(b);
        }
    std::printf("desks: %d, bookings in the file: %zu\n", kDesks, end.reserves.size());
    EXPECT_GT(end.reserves.size(), 20u);
}

// Two desks with the register at path open.
struct TwoDesks {
    explicit TwoDesks(const std::string& path) {
        a.SetHost(&hostA);
        b.SetHost(&hostB);
        opened = a.OnOpenDocument(path) && b.OnOpenDocument(path);
    }
    testutil::RecordingHost hostA, hostB;
    CKivoDoc a, b;
    bool opened = false;
};

TEST(ManyDesks, TwoDesksEditingOneReservationOneWinsTheOtherIsToldAndWritesNothing) {
    TempDir dir;
    const std::string path = dir.File("hall.kv");
    RegisterData start;
    auto f = std::make_unique<CKivo>();
    f->m_nID = 1;
    start.facilities.push_back(std::move(f));
    auto r = std::make_unique<CReserve>(testutil::MakeReserve("山田", 1, 2026, 12, 8, 10, 0, 11, 0));
    start.reserves.push_back(std::move(r));
    ASSERT_TRUE(fileio::SafeWrite(path, StoreRegister(start.facilities, start.reserves, start.users)).ok());

    TwoDesks desks(path);
    ASSERT_TRUE(desks.opened);
    CKivoDoc &a = desks.a, &b = desks.b;
    // Both desks opened the edit on the same record.
    const CReserve snapA = *a.m_arReserve[0], snapB = *b.m_arReserve[0];
    auto edit = [](const CReserve& snap, const char* purpose, bool* conflict) {
        return [&snap, purpose, conflict](CKivoDoc& d) {
            int at = d.FindReserve(0, snap);
            if (at < 0) {
                *conflict = true;
                return false;
            }
            d.m_arReserve[static_cast<size_t>(at)]->m_strPurpose = purpose;
            return true;
        };
    };
    bool conflictA = false, conflictB = false;
    EXPECT_EQ(TxResult::Done, a.Transact(edit(snapA, "A", &conflictA)));
    const std::string afterA = testutil::ReadFile(path);
    EXPECT_EQ(TxResult::Abandoned, b.Transact(edit(snapB, "B", &conflictB)));
    EXPECT_FALSE(conflictA);
    EXPECT_TRUE(conflictB);
    EXPECT_EQ(afterA, testutil::ReadFile(path)) << "the losing desk wrote";
    ASSERT_EQ(1u, b.m_arReserve.size());
    EXPECT_EQ("A", b.m_arReserve[0]->m_strPurpose) << "the losing desk sees the winner's change";
}

// One booking by a desk running as another user: exit 0 when stored. A cut
// desk is killed once its in-place save has rewritten the register.
int BookAs(const std::string& path, uid_t uid, gid_t group, int hour, bool cut = false) {
    pid_t pid = fork();
    if (pid == 0) {
        if (uid != 0 && (setgroups(1, &group) != 0 || setgid(uid) != 0 || setuid(uid) != 0)) _exit(2);
        static int syncs = 0;
        if (cut) fileio::SetFaultHook([](const char* step) { return std::strcmp(step, "fsync") == 0 && ++syncs == 2 ? raise(SIGKILL) : 0; });
        CKivoDoc doc;
        doc.SetPathName(path);
        TxResult r = doc.Transact([&](CKivoDoc& d) {
            d.m_arReserve.push_back(
                std::make_unique<CReserve>(testutil::MakeReserve("desk", 1, 2026, 12, 8, hour, 0, hour + 1, 0)));
            return true;
        });
        _exit(r == TxResult::Done ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string Acl(const std::string& path) {
    char buf[256];
    ssize_t n = getxattr(path.c_str(), "system.posix_acl_access", buf, sizeof buf);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

// A register shared through its group (owner 1001, group 2000, 0660), also
// reached through a second hard link and with an ACL entry for user 1003:
// after each desk's save every other desk still reads and books it.
TEST(ManyDesks, AfterAnyDesksSaveEveryDeskThatCouldUseTheRegisterStillCan) {
    if (geteuid() != 0) GTEST_SKIP() << "running desks as other users needs root";
    const uid_t kOwner = 1001, kMember = 1002, kAclUser = 1003;
    const gid_t kGroup = 2000;
    for (bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "hard-linked" : "one name");
        TempDir dir;
        chmod(dir.path().c_str(), 0777);
        const std::string path = dir.File("hall.kv"), other = dir.File("other.kv");
        testutil::WriteRegister(path, {testutil::MakeFacility(1, "A")}, {});
        ASSERT_EQ(chown(path.c_str(), kOwner, kGroup), 0);
        ASSERT_EQ(chmod(path.c_str(), 0660), 0);
        if (linked) {
            ASSERT_EQ(link(path.c_str(), other.c_str()), 0);
            testutil::WriteFile(dir.File(".other.kv.orvalis-tmp-Ab12Cd"), "left by a writer killed on the other link");
        }
        // version 2; user::rw- user:1003:rw- group::rw- mask::rw- other::---
        const uint32_t acl[] = {2, 0x00060001, 0xffffffff, 0x00060002, kAclUser, 0x00060004, 0xffffffff,
                                0x00060010, 0xffffffff, 0x00000020, 0xffffffff};
        const bool withAcl = setxattr(path.c_str(), "system.posix_acl_access", acl, sizeof acl, 0) == 0;
        const std::string aclBefore = Acl(path);
        std::vector<uid_t> desks = {kOwner, kMember, 0, kMember, kOwner};
        if (withAcl) desks.push_back(kAclUser);
        int hour = 8;
        for (uid_t uid : desks) {
            SCOPED_TRACE("desk of uid " + std::to_string(uid));
            ASSERT_EQ(BookAs(path, uid, kGroup, hour++), 0);
            struct stat st;
            ASSERT_EQ(stat(path.c_str(), &st), 0);
            EXPECT_EQ(st.st_uid, kOwner);
            EXPECT_EQ(st.st_gid, kGroup);
            EXPECT_EQ(st.st_mode & 07777, 0660u);
            EXPECT_EQ(st.st_nlink, linked ? 2u : 1u);
            EXPECT_EQ(Acl(path), aclBefore);
            if (linked) {
                EXPECT_EQ(testutil::ReadFile(other), testutil::ReadFile(path));
            }
            const RegisterData d = testutil::ReadRegister(path);
            EXPECT_EQ(d.reserves.size(), static_cast<size_t>(hour - 8));
        }
        if (!withAcl) std::printf("no ACLs on this file system: checked owner, group, mode and links only\n");
        if (!linked) continue;
        EXPECT_FALSE(testutil::Exists(dir.File(".other.kv.orvalis-tmp-Ab12Cd")));
        // A desk killed once its in-place save rewrote the register leaves
        // the copy of the old bytes; the next desk puts it back, on the other
        // link and let in by the ACL alone, and no confirmed booking is lost.
        ASSERT_EQ(BookAs(path, kOwner, kGroup, hour, true), 128 + SIGKILL);
        const uid_t next = withAcl ? kAclUser : 0;
        EXPECT_EQ(BookAs(other, next, next, hour + 1), 0);
        EXPECT_EQ(BookAs(path, kMember, kGroup, hour + 2), 0);
        const RegisterData d = testutil::ReadRegister(path);
        ASSERT_EQ(d.reserves.size(), static_cast<size_t>(hour - 8 + 2)) << "a confirmed booking vanished";
        EXPECT_EQ(d.reserves.back()->m_timeEnd - d.reserves.end()[-2]->m_timeEnd, 3600);
    }
}

CReserve Booking(int hour) { return testutil::MakeReserve("A", 1, 2026, 12, 8, hour, 0, hour + 1, 0); }
std::function<bool(CKivoDoc&)> AddBooking(int hour) {
    return [hour](CKivoDoc& d) { return !!d.m_arReserve.emplace_back(std::make_unique<CReserve>(Booking(hour))); };
}

// Only a copy that proves to be ours (the file's number, the length and
// checksum of its bytes) is ever put back. Anything else at a copy's name,
// ours or an earlier build's, is left alone and named once.
TEST(ManyDesks, WhatLiesAtAHelpersNameIsPutBackOnlyWhenItProvesToBeOurs) {
    const struct {
        const char* what;
        char kind;  // an empty file, another program's file, a folder, a link
        bool oldName;
    } rows[] = {{"empty file", 'e', false}, {"another program's file", 'j', false}, {"folder", 'f', false}, {"link", 'l', false}, {"earlier build's", 'e', true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TempDir dir;
        const std::string path = dir.File("hall.kv");
        testutil::WriteRegister(path, {testutil::MakeFacility(1, "A")}, {Booking(9)});
        struct stat st;
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        const std::string at = dir.File(row.oldName ? ".hall.kv.orvalis-old" : ".orvalis-old-" + std::to_string(st.st_ino));
        ASSERT_EQ(row.kind == 'f' ? mkdir(at.c_str(), 0755)
                  : row.kind == 'l' ? symlink(path.c_str(), at.c_str())
                  : row.kind == 'j' ? (testutil::WriteFile(at, std::string(100, 'x')), 0)
                                    : close(creat(at.c_str(), 0644)),
                  0);
        testutil::RecordingHost host;
        CKivoDoc doc;
        doc.SetHost(&host);
        ASSERT_TRUE(doc.OnOpenDocument(path));
        EXPECT_EQ(TxResult::Done, doc.Transact(AddBooking(10)));
        EXPECT_EQ(host.messages, std::vector<std::string>{text::Fill(msg::kStrayHelper, at)});
        EXPECT_EQ(testutil::ReadRegister(path).reserves.size(), 2u);
        EXPECT_EQ(lstat(at.c_str(), &st), 0) << "not left alone";
    }
}

// Another desk's change of the same size, on a file system that keeps one
// time stamp a second and while this desk's clock runs well ahead: the
// stamp looks settled and unchanged, yet the change is read and kept.
TEST(ManyDesks, AnotherDesksSameSizeChangeUnderTheSameTimeStampIsReadAndKept) {
    TempDir dir;
    static std::string path;
    path = dir.File("hall.kv");
    CKivoUser user;
    user.m_strName = "A";
    testutil::WriteRegister(path, {testutil::MakeFacility(1, "A")}, {Booking(9)}, {user});
    ASSERT_EQ(link(path.c_str(), dir.File("twin.kv").c_str()), 0);  // saved in place: the same file
    static struct timespec stamp[2];
    stamp[0].tv_nsec = UTIME_OMIT;
    stamp[1].tv_sec = time(nullptr) - 10;
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), stamp, 0), 0);
    TwoDesks desks(path);
    ASSERT_TRUE(desks.opened);
    CKivoDoc &a = desks.a, &b = desks.b;
    // Each write of the other desk lands on the stamp the file had.
    fileio::SetFaultHook([](const char* step) {
        return std::strcmp(step, "fsync") == 0 ? utimensat(AT_FDCWD, path.c_str(), stamp, 0) : 0;
    });
    EXPECT_EQ(TxResult::Done, b.Transact([](CKivoDoc& d) { return d.m_arReserve[0]->m_bPaid = 1; }));
    fileio::SetFaultHook(nullptr);
    EXPECT_EQ(CKivoDoc::Refresh::Read, a.RefreshFromFile());
    EXPECT_EQ(1, a.m_arReserve[0]->m_bPaid);
    EXPECT_EQ(TxResult::Done, a.Transact(AddBooking(10)));
    const RegisterData d = testutil::ReadRegister(path);
    ASSERT_EQ(2u, d.reserves.size());
    EXPECT_EQ(1, d.reserves[0]->m_bPaid) << "the other desk's change was overwritten";
}

}  // namespace
