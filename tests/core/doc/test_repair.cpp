// The repair pass after every open and re-read: each reservation without a
// valid time is offered, and what the desk decides is saved at once.
#include <gtest/gtest.h>

#include "core/booking/rules.h"
#include "core/store/file/fileio.h"
#include "core/doc/kivodoc.h"
#include "core/doc/kvformat.h"
#include "core/doc/kvtime.h"
#include "core/doc/messages.h"
#include "support/testutil.h"

using testutil::MakeFacility;
using testutil::MakeReserve;
using testutil::ReadFile;
using testutil::Sj;

namespace {

CReserve Broken(const char* user, int facility, KvTime start, KvTime end) {
    CReserve r = MakeReserve(user, facility, 2000, 5, 1, 9, 0, 10, 0);
    r.m_timeStart = start;
    r.m_timeEnd = end;
    return r;
}

RegisterData Load(const std::string& bytes) { return testutil::ParseRegister(bytes); }

ReserveEntry Fix(int y, int mo, int d, int h1, int h2, int facility = 0) {
    ReserveEntry e = ReserveEntry::ForRepair();
    e.year = y, e.month = mo, e.day = d;
    e.startHour = h1, e.endHour = h2;
    e.facility = facility;
    return e;
}

ReserveEntry Delete() {
    ReserveEntry e = ReserveEntry::ForRepair();
    e.deleteFlag = true;
    return e;
}

class Repair : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.File("reg.kv");
        host.watchFile = path;
        doc.SetHost(&host);
    }
    void Write(const std::vector<CReserve>& reserves) {
        testutil::WriteRegister(path, {MakeFacility(1, "A"), MakeFacility(2, "B")}, reserves);
    }
    testutil::TempDir dir;
    std::string path;
    testutil::RecordingHost host;
    CKivoDoc doc;
};

}  // namespace

TEST_F(Repair, TwoBrokenRecordsAreOfferedAndEachOutcomeIsSavedAtOnce) {
    Write({Broken("first", 1, -1, -1), MakeReserve("ok", 1, 2000, 5, 1, 9, 0, 10, 0), Broken("second", 2, -1, 0)});
    const std::string original = ReadFile(path);
    host.repairAnswers = {Delete(), Fix(2000, 5, 2, 13, 15, 1)};
    ASSERT_TRUE(doc.OnOpenDocument(path));
    ASSERT_EQ(host.repairCalls, 2);
    EXPECT_EQ(host.fileAtRepair[0], original);
    // The deletion reached the file before the second dialog showed.
    RegisterData between = Load(host.fileAtRepair[1]);
    ASSERT_EQ(between.reserves.size(), 2u);
    EXPECT_EQ(between.reserves[0]->m_strUser, "ok");
    EXPECT_EQ(between.reserves[1]->m_strUser, "second");

    RegisterData after = Load(ReadFile(path));
    ASSERT_EQ(after.reserves.size(), 2u);
    const CReserve& fixed = *after.reserves[1];
    EXPECT_EQ(fixed.m_strUser, "second");
    EXPECT_EQ(fixed.m_timeStart, kvtime::MakeTime(2000, 5, 2, 13, 0));
    EXPECT_EQ(fixed.m_timeEnd, kvtime::MakeTime(2000, 5, 2, 15, 0));
    EXPECT_EQ(fixed.m_nFacilityID, 2);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_EQ(doc.m_arReserve.size(), 2u);
    EXPECT_TRUE(host.messages.empty());
}

TEST_F(Repair, TheDialogStartsFromTheRecordWithZeroDateAndTimes) {
    CReserve r = Broken("u", 2, 954723600, -1);
    r.m_strPurpose = "p";
    r.m_strContact = "c";
    r.m_bPaid = 1;
    r.m_nFee = 700;
    CReserve unknown = Broken("v", 9, -1, -1);
    Write({r, unknown});
    ASSERT_TRUE(doc.OnOpenDocument(path));
    ASSERT_EQ(host.repairOffered.size(), 2u);
    const ReserveEntry& e = host.repairOffered[0];
    EXPECT_EQ(e.user, "u");
    EXPECT_EQ(e.purpose, "p");
    EXPECT_EQ(e.contact, "c");
    EXPECT_TRUE(e.paid);
    EXPECT_EQ(e.fee, 700u);
    EXPECT_EQ(e.facility, 1);
    EXPECT_EQ(e.year + e.month + e.day + e.startHour + e.startMinute + e.endHour + e.endMinute, 0u);
    EXPECT_EQ(host.repairOffered[1].facility, 0);
}

TEST_F(Repair, DeclinedRepairsWriteNothingAndAreOfferedAgain) {
    Write({Broken("a", 1, -1, -1), Broken("b", 1, -1, -1)});
    const std::string original = ReadFile(path);
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_EQ(host.repairCalls, 2);
    EXPECT_EQ(ReadFile(path), original);
    ASSERT_TRUE(doc.ReloadFromFile());
    EXPECT_EQ(host.repairCalls, 4);
}

TEST_F(Repair, ARecordWithValidTimesIsNeverOffered) {
    Write({MakeReserve("a", 1, 2000, 5, 1, 9, 0, 10, 0)});
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_EQ(host.repairCalls, 0);
}

TEST_F(Repair, ARepairLeftAtZeroIsStoredUnsetAndOfferedAtTheNextOpen) {
    Write({Broken("a", 1, -1, -1)});
    host.repairAnswers = {ReserveEntry::ForRepair()};
    ASSERT_TRUE(doc.OnOpenDocument(path));
    RegisterData after = Load(ReadFile(path));
    ASSERT_EQ(after.reserves.size(), 1u);
    EXPECT_EQ(after.reserves[0]->m_timeStart, kTimeUnset);
    ASSERT_TRUE(doc.ReloadFromFile());
    EXPECT_EQ(host.repairCalls, 2);
}

namespace {

// While its dialog shows, another desk changes the offered record.
class MeddlingHost : public testutil::RecordingHost {
public:
    std::string path;
    bool RunRepairDialog(CKivoDoc& doc, int pos, ReserveEntry* entry) override {
        CKivoDoc other;
        other.OnOpenDocument(path);  // its own repair pass declines
        other.Transact([](CKivoDoc& d) {
            d.m_arReserve[0]->m_strContact = "changed";
            return true;
        });
        return RecordingHost::RunRepairDialog(doc, pos, entry);
    }
};

// Checks that nobody holds the file's lock while the dialog shows.
class LockProbeHost : public testutil::RecordingHost {
public:
    std::string path;
    bool lockFree = false;
    bool RunRepairDialog(CKivoDoc& doc, int pos, ReserveEntry* entry) override {
        fileio::SetLockWaitMs(0);
        fileio::ExclusiveLock probe;
        bool exists = false;
        lockFree = probe.Acquire(path, &exists).ok() && exists;
        probe.Release();
        fileio::SetLockWaitMs(2000);
        return RecordingHost::RunRepairDialog(doc, pos, entry);
    }
};

struct HintView : IKivoView {
    std::vector<ViewHint> hints;
    void OnUpdate(IKivoView*, ViewHint hint) override { hints.push_back(hint); }
};

}  // namespace

TEST_F(Repair, ARecordChangedMeanwhileEndsInTheConflictMessage) {
    Write({Broken("a", 1, -1, -1)});
    MeddlingHost meddler;
    meddler.path = path;
    meddler.repairAnswers = {Fix(2000, 5, 2, 9, 10)};
    doc.SetHost(&meddler);
    HintView view;
    doc.AddView(&view);
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_EQ(meddler.messages, std::vector<std::string>{msg::kEditConflict});
    EXPECT_FALSE(view.hints.empty());
    EXPECT_EQ(view.hints.back(), ViewHint::Changed);
    RegisterData after = Load(ReadFile(path));
    ASSERT_EQ(after.reserves.size(), 1u);
    EXPECT_EQ(after.reserves[0]->m_strContact, "changed");
    EXPECT_EQ(after.reserves[0]->m_timeStart, kTimeUnset);
}

TEST_F(Repair, ARepairFoundByATransactionsReReadWaitsTillTheLockIsGone) {
    Write({MakeReserve("ok", 1, 2000, 5, 1, 9, 0, 10, 0)});
    LockProbeHost probe;
    probe.path = path;
    probe.watchFile = path;
    probe.repairAnswers = {Delete()};
    doc.SetHost(&probe);
    ASSERT_TRUE(doc.OnOpenDocument(path));
    // Another desk stores a record without times.
    testutil::WriteRegister(path, {MakeFacility(1, "A")},
                            {MakeReserve("ok", 1, 2000, 5, 1, 9, 0, 10, 0), Broken("bad", 1, -1, -1)});
    ASSERT_EQ(doc.Transact([](CKivoDoc& d) {
        d.m_arReserve.push_back(std::make_unique<CReserve>(MakeReserve("new", 1, 2000, 5, 3, 9, 0, 10, 0)));
        return true;
    }),
              TxResult::Done);
    ASSERT_EQ(probe.repairCalls, 1);
    EXPECT_TRUE(probe.lockFree);
    // The change was saved before the dialog; the deletion after it.
    EXPECT_EQ(Load(probe.fileAtRepair[0]).reserves.size(), 3u);
    RegisterData after = Load(ReadFile(path));
    ASSERT_EQ(after.reserves.size(), 2u);
    EXPECT_EQ(after.reserves[1]->m_strUser, "new");
}

namespace {

// While the first dialog shows, another desk books the slot it will be given.
class RivalHost : public testutil::RecordingHost {
public:
    std::string path;
    bool RunRepairDialog(CKivoDoc& doc, int pos, ReserveEntry* entry) override {
        if (repairCalls == 0) {
            CKivoDoc other;
            other.SetPathName(path);
            other.Transact([](CKivoDoc& d) {
                d.m_arReserve.push_back(std::make_unique<CReserve>(MakeReserve("rival", 1, 2000, 5, 2, 13, 0, 14, 0)));
                return true;
            });
        }
        return RecordingHost::RunRepairDialog(doc, pos, entry);
    }
};

}  // namespace

TEST_F(Repair, ARepairOntoASlotBookedMeanwhileIsRefusedAndOfferedAgain) {
    Write({Broken("a", 1, -1, -1)});
    RivalHost rival;
    rival.path = path;
    rival.repairAnswers = {Fix(2000, 5, 2, 13, 15), Fix(2000, 5, 2, 15, 16)};
    doc.SetHost(&rival);
    ASSERT_TRUE(doc.OnOpenDocument(path));
    EXPECT_EQ(rival.messages, std::vector<std::string>{msg::kOverlap});
    EXPECT_EQ(rival.repairCalls, 2);
    RegisterData after = Load(ReadFile(path));
    ASSERT_EQ(after.reserves.size(), 2u);
    EXPECT_EQ(after.reserves[0]->m_timeStart, kvtime::MakeTime(2000, 5, 2, 15, 0));
    EXPECT_EQ(after.reserves[1]->m_strUser, "rival");
}
