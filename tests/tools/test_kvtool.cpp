// kvtool as a desk's script sees it: exit status, the message on standard
// error, and what reaches the files.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/doc/kvformat.h"
#include "support/testutil.h"

using testutil::MakeFacility;
using testutil::MakeReserve;
using testutil::ReadFile;
using testutil::RunKvtool;
using testutil::WriteFile;

namespace {

class Kvtool : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.File("reg.kv");
        testutil::WriteRegister(path, {MakeFacility(1, "大会議室"), MakeFacility(2, "和室")},
                                {MakeReserve("山田商事", 1, 2000, 5, 1, 11, 0, 12, 0)});
    }
    int Book(const std::vector<std::string>& extra, std::string* out = nullptr, std::string* err = nullptr) {
        std::vector<std::string> args = {"book", path};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunKvtool(args, out, err);
    }
    std::vector<std::string> Slot(const char* facility, const char* date, const char* start, const char* end) {
        return {"--facility", facility, "--date", date, "--start", start, "--end", end, "--user", "青葉"};
    }
    testutil::TempDir dir;
    std::string path;
};

std::vector<std::string> Plus(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST_F(Kvtool, BadArgumentsExitTwo) {
    std::string err;
    EXPECT_EQ(RunKvtool({}, nullptr, &err), 2);
    EXPECT_EQ(RunKvtool({"frobnicate"}, nullptr, &err), 2);
    EXPECT_EQ(RunKvtool({"dump"}, nullptr, &err), 2);
    EXPECT_EQ(RunKvtool({"export", "pdf", path, dir.File("o")}, nullptr, &err), 2);
    EXPECT_EQ(RunKvtool({"list", path, "--sort", "6"}, nullptr, &err), 2);
    EXPECT_EQ(Book({"--facility", "1"}, nullptr, &err), 2);
    EXPECT_EQ(Book(Plus(Slot("1", "2000-05-01", "9", "10:00"), {})), 2);
}

TEST_F(Kvtool, FileErrorsExitOneWithTheFileMessage) {
    std::string err;
    const std::string missing = dir.File("none.kv");
    EXPECT_EQ(RunKvtool({"dump", missing}, nullptr, &err), 1);
    EXPECT_EQ(err, missing + " が見つかりませんでした。\n");
    WriteFile(dir.File("bad.kv"), std::string("\x01\x00\xff\xff", 4));
    EXPECT_EQ(RunKvtool({"dump", dir.File("bad.kv")}, nullptr, &err), 1);
    EXPECT_EQ(err, "予期しないﾌｧｲﾙ形式です。\n");
    EXPECT_EQ(Book(Slot("1", "2000-05-02", "9:00", "10:00")), 0);
    EXPECT_EQ(RunKvtool(Plus({"book", missing}, Slot("1", "2000-05-02", "9:00", "10:00")), nullptr, &err), 1);
    EXPECT_EQ(err, missing + " が見つかりませんでした。\n");
    EXPECT_FALSE(testutil::Exists(missing));
}

TEST_F(Kvtool, BookPrintsTheListLineAndStoresTheBooking) {
    std::string out, err;
    EXPECT_EQ(Book(Plus(Slot("2", "2000-05-01", "18:00", "24:00"), {"--purpose", "定例会議", "--fee", "5000", "--paid"}),
                   &out, &err),
              0)
        << err;
    EXPECT_EQ(out, "00-05-01 18:00 ～ 24:00 和室（青葉 定例会議）\n");
    RegisterData d;
    const std::string bytes = ReadFile(path);
    LoadRegister(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &d);
    ASSERT_EQ(d.reserves.size(), 2u);
    EXPECT_EQ(d.reserves[1]->m_nFacilityID, 2);
    EXPECT_EQ(d.reserves[1]->m_nFee, 5000);
    EXPECT_EQ(d.reserves[1]->m_bPaid, 1);
}

TEST_F(Kvtool, RefusalsExitThreeWithTheDialogsMessageAndWriteNothing) {
    const std::string before = ReadFile(path);
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {Slot("1", "2000-05-01", "10:30", "11:30"), "既に予約されています"},
        {Slot("1", "1999-02-29", "10:00", "11:00"), "日付が不正です"},
        {Slot("1", "2038-01-01", "10:00", "11:00"), "日付が不正です"},
        {Slot("1", "2000-04-31", "10:00", "11:00"), "日付が不正です"},
        {Slot("1", "2000-05-01", "25:00", "11:00"), "開始時刻が不正です"},
        {Slot("1", "2000-05-01", "9:00", "9:61"), "終了時刻が不正です"},
        {Slot("9", "2000-05-01", "9:00", "10:00"), "施設を選択してください。"},
        {Plus(Slot("1", "2000-05-02", "9:00", "10:00"), {"--fee", "65536"}), "0 から 65535 までの整数を入力してください。"},
        {Plus(Slot("1", "2000-05-02", "9:00", "10:00"), {"--fee", "-1"}), "正の整数を入力してください。"},
        {Plus(Slot("1", "2000-05-02", "9:00", "10:00"), {"--purpose", "😀"}), "「😀」はこのファイルに保存できない文字です。"},
    };
    for (const auto& c : cases) {
        std::string err;
        EXPECT_EQ(Book(c.args, nullptr, &err), 3) << c.message;
        EXPECT_EQ(err, std::string(c.message) + "\n");
    }
    EXPECT_EQ(ReadFile(path), before);
}

TEST_F(Kvtool, DupZeroInTheProfileAllowsOverlaps) {
    WriteFile(dir.File("orvalis.ini"), "[System]\nDup=0\n");
    EXPECT_EQ(Book(Slot("1", "2000-05-01", "11:00", "12:00")), 0);
}

TEST_F(Kvtool, BuildRefusalsWriteNothing) {
    const std::string json = dir.File("in.json");
    const std::string out = dir.File("out.kv");
    for (const char* body : {
             R"({"facilities":[{"id":65536,"name":"A"}]})",
             R"({"reservations":[{"start":2147483648}]})",
             R"({"reservations":[{"fee":-1}]})",
             R"({"users":[{"name":"😀"}]})",
             R"({"facilities":[)",
         }) {
        WriteFile(json, body);
        std::string err;
        EXPECT_EQ(RunKvtool({"build", json, out}, nullptr, &err), 2) << body;
        EXPECT_FALSE(err.empty());
        EXPECT_FALSE(testutil::Exists(out)) << body;
    }
}

TEST_F(Kvtool, ExportWritesTheBytesAndReportsAnOutputItCannotOpen) {
    const std::string out = dir.File("list.csv");
    ASSERT_EQ(RunKvtool({"export", "facility-csv", path, out}), 0);
    EXPECT_EQ(ReadFile(out), testutil::Sj("\"施設名\",\"最大人数\"\r\n\"大会議室\",\"0\"\r\n\"和室\",\"0\"\r\n"));
    std::string err;
    EXPECT_EQ(RunKvtool({"export", "users", path, dir.path()}, nullptr, &err), 1);
    EXPECT_EQ(err, "出力ファイルを開けません\n");
}

TEST_F(Kvtool, CheckListsWhatTheRepairPassWouldOffer) {
    CReserve broken = MakeReserve("壊れ", 1, 2000, 5, 1, 9, 0, 10, 0);
    broken.m_timeEnd = kTimeUnset;
    testutil::WriteRegister(path, {MakeFacility(1, "A")}, {MakeReserve("ok", 1, 2000, 5, 1, 9, 0, 10, 0), broken});
    std::string out;
    EXPECT_EQ(RunKvtool({"check", path}, &out), 0);
    EXPECT_EQ(out, "1\t壊れ\t" + std::to_string(broken.m_timeStart) + "\t-1\n");
}

TEST_F(Kvtool, EightBookingsAtOnceAreAllKeptAndOneSlotIsBookedOnce) {
    std::vector<testutil::KvtoolRun> runs;
    for (int i = 0; i < 8; ++i)
        runs.push_back(testutil::StartKvtool(Plus({"book", path}, Slot("2", "2000-05-03", std::to_string(8 + i).append(":00").c_str(),
                                                                        std::to_string(9 + i).append(":00").c_str()))));
    for (auto& r : runs) EXPECT_EQ(testutil::WaitKvtool(r), 0);
    runs.clear();
    for (int i = 0; i < 8; ++i) runs.push_back(testutil::StartKvtool(Plus({"book", path}, Slot("1", "2000-05-04", "10:00", "11:00"))));
    int booked = 0, refused = 0;
    for (auto& r : runs) {
        std::string err;
        const int rc = testutil::WaitKvtool(r, nullptr, &err);
        if (rc == 0) ++booked;
        if (rc == 3 && err == "既に予約されています\n") ++refused;
    }
    EXPECT_EQ(booked, 1);
    EXPECT_EQ(refused, 7);
    RegisterData d;
    const std::string bytes = ReadFile(path);
    LoadRegister(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &d);
    EXPECT_EQ(d.reserves.size(), 1u + 8u + 1u);
}

// A disk that fills during an export: the file-size limit, set in a child
// that runs kvtool, stands in for it.
TEST_F(Kvtool, ExportThatCannotBeWrittenWholeLeavesNoFile) {
    std::vector<CReserve> many;
    for (int i = 0; i < 300; ++i) many.push_back(MakeReserve("山田商事", 1, 2000, 5, 1, 9, 0, 10, 0));
    testutil::WriteRegister(path, {MakeFacility(1, "A")}, many);
    const std::string out = dir.File("list.txt");
    const std::string errFile = dir.File("err.txt");
    pid_t pid = fork();
    if (pid == 0) {
        struct rlimit lim = {8192, 8192};
        setrlimit(RLIMIT_FSIZE, &lim);
        std::string err;
        const int rc = RunKvtool({"export", "reserve-text", path, out}, nullptr, &err);
        lim = {RLIM_INFINITY, RLIM_INFINITY};
        setrlimit(RLIMIT_FSIZE, &lim);
        WriteFile(errFile, err);
        _exit(rc);
    }
    const int status = testutil::WaitChild(pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ReadFile(errFile), "出力ファイルへの書き込みに失敗しました。\n");
    EXPECT_FALSE(testutil::Exists(out));
}
