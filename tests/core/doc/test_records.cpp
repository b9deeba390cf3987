// Record equality: the value comparison that finds a record again after a
// re-read, and the old-version load of a reservation.
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "core/doc/archive.h"
#include "core/doc/records.h"
#include "support/testutil.h"

using testutil::Hex;

TEST(ReserveEquality, EveryFieldCountsAndCaseMatters) {
    CReserve a = testutil::MakeReserve("Yamada", 1, 2000, 5, 1, 9, 0, 12, 0);
    CReserve b = a;
    EXPECT_TRUE(a.IsEqual(b));
    b.m_strUser = "yamada";
    EXPECT_FALSE(a.IsEqual(b));
    b = a;
    b.m_nSpare = 1;
    EXPECT_FALSE(a.IsEqual(b));
    b = a;
    b.m_timeEnd += 1;
    EXPECT_FALSE(a.IsEqual(b));
}

TEST(UserEquality, MemoCountsAndNeitherRecordChanges) {
    CKivoUser a, b;
    a.m_strName = b.m_strName = "Abc";
    a.m_strMemo = "x";
    EXPECT_FALSE(a.IsEqual(b));
    b.m_strMemo = "x";
    EXPECT_TRUE(a.IsEqual(b));
    EXPECT_EQ(a.m_strName, "Abc");
    EXPECT_EQ(b.m_strName, "Abc");
}

TEST(ReserveLoad, UnsetTimesSurviveAndOldVersionsGetZeros) {
    CReserve r;
    r.m_nFee = 70000;  // only the low 16 bits reach the file
    r.m_bPaid = 1;
    std::string bytes;
    CArchive out(&bytes);
    r.Serialize(out);
    out.Finish();
    EXPECT_EQ(bytes, Hex("c8 00 00 00 00 ff ff ff ff ff ff ff ff 00 00 01 00 00 00 70 11"));
    CArchive in(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    CReserve back;
    back.Serialize(in);
    EXPECT_EQ(back.m_timeStart, kTimeUnset);
    EXPECT_EQ(back.m_timeEnd, kTimeUnset);
    EXPECT_EQ(back.m_nFee, 70000 - 65536);

    const std::string old = Hex("c7 00 00 00 00 01 00 00 00 02 00 00 00 05 00");
    CArchive oldIn(reinterpret_cast<const unsigned char*>(old.data()), old.size());
    CReserve o;
    o.Serialize(oldIn);
    EXPECT_EQ(oldIn.Remaining(), 0u);
    EXPECT_EQ(o.m_nFacilityID, 5);
    EXPECT_EQ(o.m_bPaid + o.m_nSpare + o.m_nFee, 0);
}

// Records freed on another thread than made them never make a pool hand out
// the memory of a record that is still alive.
TEST(RecordMemory, FreeingAcrossThreadsNeverHandsOutALiveRecord) {
    auto made = std::make_unique<CReserve>();
    std::thread([&made] {
        auto alive = std::make_unique<CReserve>();
        made.reset();
        auto next = std::make_unique<CReserve>();
        EXPECT_NE(next.get(), alive.get());
    }).join();
}
