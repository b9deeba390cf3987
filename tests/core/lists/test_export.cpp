// The five exports and the list line, byte for byte as the desk's files hold
// them, and what the desk is told when the output cannot be written.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/doc/kivodoc.h"
#include "core/lists/export.h"
#include "support/testutil.h"

using testutil::MakeFacility;
using testutil::MakeReserve;
using testutil::ReadFile;
using testutil::Sj;

namespace {

// The fixed marks, spelled as bytes so the expectations do not lean on iconv.
const std::string kWave = "\x81\x60";
const std::string kOpen = "\x81\x69";
const std::string kClose = "\x81\x6a";
const std::string kColon = "\x81\x46";

std::string ReserveCsvHeader() {
    return Sj("\"施設名\",\"開始年月日\",\"開始時刻\",\"終了時刻\",\"予約者名\",\"料金\",\"入金有無\",\"使用目的\",\"連絡先\"") +
           "\r\n";
}

class Exports : public ::testing::Test {
protected:
    void SetUp() override {
        doc.m_arFacility.push_back(std::make_unique<CKivo>(MakeFacility(1, "第1会議室", 20, "プロジェクタあり")));
        doc.m_arFacility.push_back(std::make_unique<CKivo>(MakeFacility(4, "和室", 10, "座卓\r\n土足厳禁")));
        CReserve a = MakeReserve("山田商事", 1, 2000, 5, 1, 9, 0, 12, 0);
        a.m_strPurpose = Sj("定例会議");
        a.m_strContact = Sj("内線123");
        a.m_nFee = 3000;
        a.m_bPaid = 1;
        CReserve midnight = MakeReserve("山田商事", 1, 2000, 5, 1, 18, 0, 24, 0);
        midnight.m_strPurpose = "a\r\nb";
        midnight.m_strContact = "c\r\nd\re";
        CReserve unknown = MakeReserve("say \"hi\", ok", 9, 2000, 5, 1, 9, 0, 12, 0);
        CReserve unset = MakeReserve("x", 4, 2000, 5, 1, 9, 0, 12, 0);
        unset.m_timeStart = unset.m_timeEnd = kTimeUnset;
        for (const CReserve& r : {a, midnight, unknown, unset}) doc.m_arReserve.push_back(std::make_unique<CReserve>(r));
        auto u = std::make_unique<CKivoUser>();
        u->m_strName = Sj("山田商事");
        u->m_strCharge = Sj("山田");
        u->m_strTel = "03-0000-0000";
        u->m_strZip = "100-0000";
        u->m_strAddress = Sj("東京都");
        u->m_strMemo = "not exported";
        doc.m_arUser.push_back(std::move(u));
        auto v = std::make_unique<CKivoUser>();
        v->m_strName = "a,\"b\"";
        v->m_strAddress = "1\r\n2";
        doc.m_arUser.push_back(std::move(v));
    }

    std::string Written(ExportKind kind) {
        const std::string out = dir.File("out.txt");
        EXPECT_EQ(WriteExport(kind, doc, out), ExportStatus::Ok);
        return ReadFile(out);
    }

    testutil::TempDir dir;
    CKivoDoc doc;
};

}  // namespace

TEST_F(Exports, ReservationTextShowsMidnightAsZeroAndLeavesThePurposeOut) {
    const std::string day = "00-05-01 ";
    const std::string want = day + "09:00 " + kWave + " 12:00 " + Sj("第1会議室") + kOpen + Sj("山田商事") + kClose + "\r\n" +
                             day + "18:00 " + kWave + " 00:00 " + Sj("第1会議室") + kOpen + Sj("山田商事") + kClose + "\r\n" +
                             day + "09:00 " + kWave + " 12:00 " + kOpen + "say \"hi\", ok" + kClose + "\r\n" +
                             Sj("和室") + kOpen + "x" + kClose + "\r\n";
    EXPECT_EQ(Written(ExportKind::ReserveText), want);
}

TEST_F(Exports, FacilityTextWritesCommentsAsStored) {
    const std::string want = Sj("施設名") + kColon + Sj("第1会議室") + "\r\n" + Sj("最大人数") + kColon + "20\r\n" +
                             Sj("コメント") + kColon + Sj("プロジェクタあり") + "\r\n" + Sj("施設名") + kColon + Sj("和室") +
                             "\r\n" + Sj("最大人数") + kColon + "10\r\n" + Sj("コメント") + kColon + Sj("座卓") + "\r\r\n" +
                             Sj("土足厳禁") + "\r\n";
    EXPECT_EQ(Written(ExportKind::FacilityText), want);
}

TEST_F(Exports, ReservationCsvQuotesEveryFieldAndDropsCrLfPairs) {
    const std::string want =
        ReserveCsvHeader() +
        Sj("\"第1会議室\",\"2000/05/01\",\"09:00\",\"12:00 \",\"山田商事\",\"3000\",\"1\",\"定例会議\",\"内線123\"") + "\r\n" +
        Sj("\"第1会議室\",\"2000/05/01\",\"18:00\",\"00:00 \",\"山田商事\",\"0\",\"0\",\"ab\",\"cd") + "\re\"\r\n" +
        "\"\",\"2000/05/01\",\"09:00\",\"12:00 \",\"say \"hi\", ok\",\"0\",\"0\",\"\",\"\"\r\n" +
        Sj("\"和室\",\"\",\"\",\"\",\"x\",\"0\",\"0\",\"\",\"\"") + "\r\n";
    EXPECT_EQ(Written(ExportKind::ReserveCsv), want);
}

TEST_F(Exports, FacilityCsvHasNameAndPeopleOnly) {
    EXPECT_EQ(Written(ExportKind::FacilityCsv),
              Sj("\"施設名\",\"最大人数\"\r\n\"第1会議室\",\"20\"\r\n\"和室\",\"10\"\r\n"));
}

TEST_F(Exports, UsersAreSixQuotedFieldsWithoutTheMemo) {
    EXPECT_EQ(Written(ExportKind::Users),
              Sj("\"山田商事\",\"山田\",\"03-0000-0000\",\"100-0000\",\"東京都\",\"\"\r\n") +
                  "\"a,\"b\"\",\"\",\"\",\"\",\"1\r\r\n2\",\"\"\r\n");
}

TEST_F(Exports, EmptyCollectionsGiveEmptyFilesOrTheHeaderAlone) {
    doc.DeleteContents();
    EXPECT_EQ(Written(ExportKind::ReserveText), "");
    EXPECT_EQ(Written(ExportKind::FacilityText), "");
    EXPECT_EQ(Written(ExportKind::Users), "");
    EXPECT_EQ(Written(ExportKind::FacilityCsv), Sj("\"施設名\",\"最大人数\"\r\n"));
    EXPECT_EQ(Written(ExportKind::ReserveCsv), ReserveCsvHeader());
}

TEST_F(Exports, AnExistingFileIsEmptiedAndRewritten) {
    const std::string out = dir.File("out.txt");
    testutil::WriteFile(out, std::string(10000, 'z'));
    ASSERT_EQ(WriteExport(ExportKind::FacilityCsv, doc, out), ExportStatus::Ok);
    EXPECT_EQ(ReadFile(out), ExportBytes(ExportKind::FacilityCsv, doc));
}

TEST_F(Exports, AnOutputThatCannotBeOpenedIsReported) {
    const std::string blocker = dir.File("plain");
    testutil::WriteFile(blocker, "x");
    EXPECT_EQ(WriteExport(ExportKind::Users, doc, blocker + "/out.txt"), ExportStatus::OpenFailed);
    EXPECT_EQ(WriteExport(ExportKind::Users, doc, dir.path()), ExportStatus::OpenFailed);
    EXPECT_STREQ(ExportMessage(ExportStatus::OpenFailed), "出力ファイルを開けません");
    EXPECT_EQ(ReadFile(blocker), "x");
}

// A disk that fills half way: the file-size limit stands in for it, in a
// child so that the limit stays there.
TEST_F(Exports, AWriteThatFailsHalfWayLeavesNoPartialFile) {
    for (int i = 0; i < 200; ++i)
        doc.m_arReserve.push_back(std::make_unique<CReserve>(MakeReserve("山田商事", 1, 2000, 5, 1, 9, 0, 12, 0)));
    const std::string out = dir.File("out.csv");
    pid_t pid = fork();
    if (pid == 0) {
        signal(SIGXFSZ, SIG_IGN);
        struct rlimit lim = {4096, 4096};
        setrlimit(RLIMIT_FSIZE, &lim);
        _exit(static_cast<int>(WriteExport(ExportKind::ReserveCsv, doc, out)));
    }
    const int status = testutil::WaitChild(pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(ExportStatus::WriteFailed));
    EXPECT_FALSE(testutil::Exists(out));
    EXPECT_STREQ(ExportMessage(ExportStatus::WriteFailed), "出力ファイルへの書き込みに失敗しました。");
}

TEST_F(Exports, ListLineShowsMidnightAs24AndThePurposeWithoutCrLf) {
    const std::string day = "00-05-01 ";
    EXPECT_EQ(ReserveListLine(*doc.m_arReserve[0], doc),
              day + "09:00 " + kWave + " 12:00 " + Sj("第1会議室") + kOpen + Sj("山田商事 定例会議") + kClose);
    EXPECT_EQ(ReserveListLine(*doc.m_arReserve[1], doc),
              day + "18:00 " + kWave + " 24:00 " + Sj("第1会議室") + kOpen + Sj("山田商事 ") + "ab" + kClose);
    EXPECT_EQ(ReserveListLine(*doc.m_arReserve[2], doc),
              day + "09:00 " + kWave + " 12:00 " + kOpen + "say \"hi\", ok " + kClose);
    // Only midnight itself reads 24:00; later on the next day is its own time.
    EXPECT_EQ(ReserveListLine(MakeReserve("x", 1, 2000, 5, 1, 23, 0, 24, 30), doc),
              day + "23:00 " + kWave + " 00:30 " + Sj("第1会議室") + kOpen + "x " + kClose);
}
