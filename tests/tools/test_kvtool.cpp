// kvtool as a desk's script sees it: exit status, the message on standard
// error, and what reaches the files.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "core/doc/kivodoc.h"
#include "core/doc/kvformat.h"
#include "core/doc/kvtime.h"
#include "core/profile/profile.h"
#include "core/store/status.h"
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
    // One shell line run in the test's folder, with $KVTOOL and the test's profile.
    int Sh(const std::string& line) const {
        pid_t pid = fork();
        if (pid == 0) {
            if (chdir(dir.path().c_str()) != 0) _exit(126);
            setenv("ORVALIS_PROFILE", profile::Path().c_str(), 1);
            execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
    testutil::TempDir dir;
    std::string path;
};

// The message kvtool ends with; Qt may warn of its own before it.
std::string LastLine(const std::string& s) {
    const size_t at = s.size() < 2 ? std::string::npos : s.rfind('\n', s.size() - 2);
    return at == std::string::npos ? s : s.substr(at + 1);
}

// kvtool under a file-size limit, the stand-in for a disk that fills.
int RunOnAFullDisk(const std::vector<std::string>& args, rlim_t limit, std::string* err) {
    char errName[] = "/tmp/kvtool-full-XXXXXX";
    close(mkstemp(errName));
    pid_t pid = fork();
    if (pid == 0) {
        struct rlimit lim = {limit, limit};
        setrlimit(RLIMIT_FSIZE, &lim);
        std::string e;
        const int rc = RunKvtool(args, nullptr, &e);
        lim = {RLIM_INFINITY, RLIM_INFINITY};
        setrlimit(RLIMIT_FSIZE, &lim);
        WriteFile(errName, e);
        _exit(rc);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    *err = ReadFile(errName);
    unlink(errName);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

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
    // The choice of bookings is the calendar's alone; its days and names are checked.
    EXPECT_EQ(RunKvtool({"export", "reserve-text", path, dir.File("o"), "--facility", "1"}, nullptr, &err), 2);
    for (const std::vector<std::string>& pick : std::vector<std::vector<std::string>>{
             {"--from", "2000-05-02", "--until", "2000-05-01"}, {"--from", "1971-12-31"}, {"--facility", "65536"},
             {"--user", "\xF0\x9F\x98\x80"}})
        EXPECT_EQ(RunKvtool(Plus({"export", "ical", path, dir.File("o.ics")}, pick), nullptr, &err), 2) << pick[1];
    EXPECT_FALSE(testutil::Exists(dir.File("o.ics")));
    EXPECT_EQ(RunKvtool({"check", path, "--sort", "1"}, nullptr, &err), 2);
    EXPECT_EQ(err, "kvtool check: unknown option --sort\n");
    EXPECT_EQ(Book({"--facility", "1"}, nullptr, &err), 2);
    EXPECT_EQ(Book(Plus(Slot("1", "2000-05-01", "9", "10:00"), {})), 2);
    const std::string before = ReadFile(path);
    for (const std::vector<std::string>& series : std::vector<std::vector<std::string>>{
             {"--repeat", "weekly", "--count", "400"},
             {"--repeat", "weekly", "--count", "0"},
             {"--repeat", "weekly", "--count", "3", "--until", "2000-06-01"},
             {"--repeat", "weekly"},
             {"--repeat", "yearly", "--count", "3"},
             {"--count", "3"},
             {"--skip-holidays", "--count", "3"},
             {"--repeat", "daily", "--until", "2000-04-30"},
             {"--repeat", "daily", "--until", "2001-05-03"},
         })
        EXPECT_EQ(Book(Plus(Slot("1", "2000-05-02", "9:00", "10:00"), series), nullptr, &err), 2) << series[1];
    EXPECT_EQ(ReadFile(path), before);
}

TEST_F(Kvtool, VersionIsTheProjectsOne) {
    std::string out;
    EXPECT_EQ(RunKvtool({"--version"}, &out), 0);
    EXPECT_EQ(out, "kvtool (Orvalis) " ORVALIS_VERSION "\n");
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
    const RegisterData d = testutil::ReadRegister(path);
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

namespace {

RegisterData Read(const std::string& path) { return testutil::ReadRegister(path); }

}  // namespace

TEST_F(Kvtool, AWeeklySeriesBooksTheFreeDatesAndNamesTheTakenOne) {
    testutil::WriteRegister(path, {MakeFacility(1, "大会議室"), MakeFacility(2, "和室")},
                            {MakeReserve("山田商事", 2, 2027, 1, 5, 19, 0, 21, 0)});
    std::string out, err;
    const auto weekly = Plus(Slot("2", "2026-11-17", "18:00", "20:00"), {"--repeat", "weekly", "--count", "10"});
    EXPECT_EQ(Book(weekly, &out, &err), 3) << err;
    EXPECT_EQ(out,
              "2026-11-17 booked\n2026-11-24 booked\n2026-12-01 booked\n2026-12-08 booked\n2026-12-15 booked\n"
              "2026-12-22 booked\n2026-12-29 booked\n2027-01-05 既に予約されています\n2027-01-12 booked\n"
              "2027-01-19 booked\n");
    const RegisterData d = Read(path);
    ASSERT_EQ(d.reserves.size(), 10u);
    const int days[][3] = {{2026, 11, 17}, {2026, 11, 24}, {2026, 12, 1}, {2026, 12, 8}, {2026, 12, 15},
                           {2026, 12, 22}, {2026, 12, 29}, {2027, 1, 12}, {2027, 1, 19}};
    for (size_t i = 0; i < 9; ++i) {
        const CReserve& r = *d.reserves[i + 1];
        EXPECT_EQ(r.m_timeStart, kvtime::MakeTime(days[i][0], days[i][1], days[i][2], 18, 0)) << i;
        EXPECT_EQ(r.m_timeEnd, kvtime::MakeTime(days[i][0], days[i][1], days[i][2], 20, 0)) << i;
        EXPECT_EQ(r.m_nFacilityID, 2);
        EXPECT_EQ(r.m_strUser, testutil::Sj("青葉"));
    }
    // 2026-12-29 18:00 in Tokyo is 09:00 UTC.
    EXPECT_EQ(d.reserves[7]->m_timeStart, 1798534800);
    // Again: every date is taken, so the register is not even written anew.
    struct stat before {}, after {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    const std::string bytes = testutil::ReadFile(path);
    EXPECT_EQ(Book(weekly, &out, &err), 3);
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(testutil::ReadFile(path), bytes);
}

TEST_F(Kvtool, AMonthlySeriesFromThe31stSkipsTheShortMonths) {
    std::string out;
    const auto monthly = Plus(Slot("1", "2027-01-31", "9:00", "10:00"), {"--repeat", "monthly", "--until", "2027-06-30"});
    EXPECT_EQ(Book(monthly, &out), 0);
    EXPECT_EQ(out, "2027-01-31 booked\n2027-02 skipped\n2027-03-31 booked\n2027-04 skipped\n2027-05-31 booked\n"
                   "2027-06 skipped\n");
    const RegisterData d = Read(path);
    ASSERT_EQ(d.reserves.size(), 4u);
    EXPECT_EQ(d.reserves[3]->m_timeStart, kvtime::MakeTime(2027, 5, 31, 9, 0));
}

TEST_F(Kvtool, AWeeklySeriesSkipsTheHolidaysOfTheImportedTableOrOfTheLaw) {
    std::string out, err;
    const auto mondays = Plus(Slot("1", "2027-01-04", "9:00", "10:00"),
                              {"--repeat", "weekly", "--until", "2027-12-27", "--skip-holidays"});
    EXPECT_EQ(Book(mondays, &out, &err), 0) << err;
    std::istringstream lines(out);
    std::string line, skipped;
    int booked = 0;
    while (std::getline(lines, line)) {
        if (line.find(" holiday ") != std::string::npos) skipped += line + "\n";
        else booked += line.ends_with(" booked");
    }
    EXPECT_EQ(skipped, "2027-01-11 holiday 成人の日\n2027-03-22 holiday 休日\n2027-05-03 holiday 憲法記念日\n"
                       "2027-07-19 holiday 海の日\n2027-09-20 holiday 敬老の日\n2027-10-11 holiday スポーツの日\n");
    EXPECT_EQ(booked, 46);
    EXPECT_EQ(Read(path).reserves.size(), 47u);

    // An imported table is what every later run sees for its years; a bad one changes nothing.
    const std::string head = testutil::Sj("国民の祝日・休日月日,国民の祝日・休日名称") + "\r\n";
    WriteFile(dir.File("good.csv"), head + "2027/1/18," + testutil::Sj("臨時の休日") + "\r\n2027/1/1," +
                                        testutil::Sj("元日") + "\r\n");
    WriteFile(dir.File("bad.csv"), head + "2027/1/1,A\r\n2027/13/1,B\r\n");
    EXPECT_EQ(RunKvtool({"holidays", "import", dir.File("good.csv")}, nullptr, &err), 0) << err;
    EXPECT_EQ(RunKvtool({"holidays", "import", dir.File("bad.csv")}, nullptr, &err), 2);
    EXPECT_NE(err.find(" 3 行目: "), std::string::npos) << err;
    EXPECT_EQ(RunKvtool({"holidays", "--from", "2026-11-23", "--until", "2027-01-31"}, &out), 0);
    EXPECT_EQ(out, "2026-11-23\t勤労感謝の日\n2027-01-01\t元日\n2027-01-18\t臨時の休日\n");
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--year", "0"}, {"--year", "2027", "--from", "2027-01-01", "--until", "2027-01-02"},
             {"--from", "2027-02-01", "--until", "2027-01-01"}, {"--from", "2027-02-30", "--until", "2027-03-01"},
             {"import"}})
        EXPECT_EQ(RunKvtool(Plus({"holidays"}, bad), nullptr, &err), 2) << bad[0];
}

TEST_F(Kvtool, TwoOverlappingSeriesAtOnceNeverBookADateTwice) {
    auto a = testutil::StartKvtool(Plus({"book", path}, Plus(Slot("2", "2030-01-01", "10:00", "12:00"),
                                                             {"--repeat", "weekly", "--count", "10"})));
    auto b = testutil::StartKvtool(Plus({"book", path}, Plus(Slot("2", "2030-01-01", "11:00", "13:00"),
                                                             {"--repeat", "daily", "--count", "30"})));
    std::string outA, outB;
    const int rcA = testutil::WaitKvtool(a, &outA), rcB = testutil::WaitKvtool(b, &outB);
    // Whichever came second found five of its dates taken by the first.
    EXPECT_EQ(rcA + rcB, 3);
    auto count = [](const std::string& s, const char* what) {
        size_t n = 0;
        for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count(outA + outB, "booked"), 35u);
    EXPECT_EQ(count(outA + outB, "既に予約されています"), 5u);
    const RegisterData d = Read(path);
    ASSERT_EQ(d.reserves.size(), 1u + 35u);
    for (const auto& x : d.reserves)
        for (const auto& y : d.reserves)
            if (x != y && x->m_nFacilityID == y->m_nFacilityID) {
                EXPECT_FALSE(x->m_timeStart < y->m_timeEnd && y->m_timeStart < x->m_timeEnd) << x->m_timeStart;
            }
}

TEST_F(Kvtool, OneSlotBookedFromFourDesksAtOnceIsBookedOnce) {
    const char* starts[] = {"09:00", "09:30", "10:00", "10:30"};
    std::vector<testutil::KvtoolRun> desks;
    for (const char* start : starts)
        desks.push_back(testutil::StartKvtool(Plus({"book", path}, Slot("2", "2030-02-01", start, "11:30"))));
    int booked = 0;
    for (auto& desk : desks) {
        std::string out, err;
        const int rc = testutil::WaitKvtool(desk, &out, &err);
        if (rc == 0) ++booked;
        else EXPECT_EQ(std::make_pair(rc, err), std::make_pair(3, std::string("既に予約されています\n")));
    }
    EXPECT_EQ(booked, 1);
    EXPECT_EQ(Read(path).reserves.size(), 2u);
}

// The folder's sync fails after the rename, when the booking already stands in
// the file: the desk is told with the file message and nothing is booked
// twice; trying again is the desk's own choice, refused as any booking is.
TEST_F(Kvtool, AFolderSyncFailingAfterTheRenameIsReportedAndNothingIsBookedTwice) {
    const std::string book =
        "LD_PRELOAD=\"$DIRSYNC_EIO\" ASAN_OPTIONS=verify_asan_link_order=0 \"$KVTOOL\" book reg.kv "
        "--facility 1 --user A --start 10:00 --end 11:00 --date ";
    for (const char* dup : {"0", "1"}) {
        WriteFile(dir.File("orvalis.ini"), std::string("[System]\nDup=") + dup + "\n");
        testutil::WriteRegister(path, {MakeFacility(1, "大会議室")}, {});
        EXPECT_EQ(Sh(book + "2030-03-01 >out 2>err"), 1) << dup;
        EXPECT_EQ(ReadFile(dir.File("out")), "") << dup;
        EXPECT_NE(ReadFile(dir.File("err")).find("ﾊｰﾄﾞｳｪｱ I/O ｴﾗｰ"), std::string::npos) << dup;
        EXPECT_EQ(Read(path).reserves.size(), 1u) << dup;
        EXPECT_EQ(Sh(book + "2030-04-01 --repeat weekly --count 3 >out 2>err"), 1) << dup;
        EXPECT_EQ(ReadFile(dir.File("out")), "") << dup;
        EXPECT_EQ(Read(path).reserves.size(), 4u) << dup;
        EXPECT_EQ(Book(Slot("1", "2030-03-01", "10:00", "11:00")), dup[0] == '1' ? 3 : 0) << dup;
    }
}

// The order that makes a booking durable, seen from outside: the new file
// synced before it is renamed into place and the folder after; in place, the
// copy of the old bytes synced, renamed and the folder synced before the
// register is rewritten, and the folder again once the copy is gone.
TEST_F(Kvtool, ABookingReachesTheDiskInTheOrderThatSurvivesACrash) {
    if (Sh("command -v strace >/dev/null") != 0) GTEST_SKIP() << "no strace";
    for (const bool linked : {false, true}) {
        if (linked) {
            ASSERT_EQ(link(path.c_str(), dir.File("twin.kv").c_str()), 0);
        }
        ASSERT_EQ(Sh("ASAN_OPTIONS=detect_leaks=0 strace -f -y -qq -e trace=fsync,rename,renameat,renameat2 -o trace "
                     "\"$KVTOOL\" book reg.kv "
                     "--facility 1 --user A --start 9:00 --end 10:00 --date 2030-03-0" + std::string(linked ? "2" : "1") +
                     " >/dev/null"),
                  0);
        std::istringstream lines(ReadFile(dir.File("trace")));
        std::string order, line;
        while (std::getline(lines, line)) {
            if (line.find(dir.path()) == std::string::npos) continue;
            const bool sync = line.find("fsync(") != std::string::npos;
            const bool temp = line.find("orvalis-tmp") != std::string::npos;
            order += temp ? (sync ? 'T' : line.find("orvalis-old") != std::string::npos ? 'C' : 'N')
                     : sync ? (line.find(dir.path() + ">") != std::string::npos ? 'D' : 'R')
                            : '?';
        }
        EXPECT_EQ(order, linked ? "TCDRD" : "TND") << ReadFile(dir.File("trace"));
    }
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
    // Damage after the broken record: the message alone, no line of it.
    const std::string bytes = ReadFile(path);
    testutil::WriteFile(path, bytes.substr(0, bytes.size() - 3));
    out.clear();
    std::string err;
    EXPECT_EQ(RunKvtool({"check", path}, &out, &err), 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "予期しないﾌｧｲﾙ形式です。\n");
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
    const RegisterData d = testutil::ReadRegister(path);
    EXPECT_EQ(d.reserves.size(), 1u + 8u + 1u);
}

// A disk that fills during an export: the file-size limit, set in a child
// that runs kvtool, stands in for it.
TEST_F(Kvtool, ExportThatCannotBeWrittenWholeLeavesNoFile) {
    std::vector<CReserve> many;
    for (int i = 0; i < 300; ++i) many.push_back(MakeReserve("山田商事", 1, 2000, 5, 1, 9, 0, 10, 0));
    testutil::WriteRegister(path, {MakeFacility(1, "A")}, many);
    const std::string out = dir.File("list.txt");
    std::string err;
    EXPECT_EQ(RunOnAFullDisk({"export", "reserve-text", path, out}, 8192, &err), 1);
    EXPECT_EQ(err, "出力ファイルへの書き込みに失敗しました。\n");
    EXPECT_FALSE(testutil::Exists(out));
}

namespace {

// Waits at most 30 s for a kvtool run; a run still going then is killed.
int WaitBounded(testutil::KvtoolRun& run, std::string* err) {
    for (int i = 0; i < 3000; ++i) {
        int status = 0;
        if (waitpid(run.pid, &status, WNOHANG) == run.pid) {
            run.pid = -1;
            *err = ReadFile(run.errName);
            unlink(run.outName.c_str());
            unlink(run.errName.c_str());
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        struct timespec ts{0, 10 * 1000 * 1000};
        nanosleep(&ts, nullptr);
    }
    kill(run.pid, SIGKILL);
    testutil::WaitKvtool(run);
    return -1;  // still blocked after 30 s
}

// Whether the process has the file open (it has begun its wait for the lock).
bool HasOpen(int pid, const std::string& path) {
    struct stat want;
    if (stat(path.c_str(), &want) != 0) return false;
    const std::string fds = "/proc/" + std::to_string(pid) + "/fd";
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(fds, ec)) {
        struct stat st;
        if (stat(e.path().c_str(), &st) == 0 && st.st_ino == want.st_ino && st.st_dev == want.st_dev) return true;
    }
    return false;
}

}  // namespace

TEST_F(Kvtool, ARegisterReachedThroughALinkStaysOneRegister) {
    ASSERT_EQ(mkdir(dir.File("real").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(dir.File("desk").c_str(), 0755), 0);
    const std::string real = dir.File("real/reg.kv"), link = dir.File("desk/reg.kv");
    ASSERT_EQ(rename(path.c_str(), real.c_str()), 0);
    ASSERT_EQ(symlink("../real/reg.kv", link.c_str()), 0);
    EXPECT_EQ(RunKvtool(Plus({"book", link}, Slot("1", "2000-05-02", "10:00", "11:00"))), 0);
    std::string err;
    EXPECT_EQ(RunKvtool(Plus({"book", real}, Slot("1", "2000-05-02", "10:00", "11:00")), nullptr, &err), 3);
    EXPECT_EQ(err, "既に予約されています\n");
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the save replaced the link with a file of its own";
    EXPECT_EQ(ReadFile(link), ReadFile(real));
    // A link to a register not made yet: made where the link points, the link kept.
    ASSERT_EQ(symlink("../real/new.kv", dir.File("desk/new.kv").c_str()), 0);
    EXPECT_EQ(RunKvtool({"demo", dir.File("desk/new.kv")}), 0);
    EXPECT_TRUE(testutil::Exists(dir.File("real/new.kv")));
    ASSERT_EQ(lstat(dir.File("desk/new.kv").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    // A hard link in another folder: no desk there would find what a cut
    // in-place save leaves, so nothing is written in place.
    ASSERT_EQ(::link(real.c_str(), dir.File("desk/hard.kv").c_str()), 0);
    EXPECT_EQ(RunKvtool(Plus({"book", real}, Slot("1", "2000-05-04", "10:00", "11:00")), nullptr, &err), 1);
    EXPECT_EQ(err, store::FileMessage(store::Cause::LinkedElsewhere, real) + "\n");
    ASSERT_EQ(unlink(dir.File("desk/hard.kv").c_str()), 0);
    // Bound over a file of the desk's folder: no rename replaces a mount
    // point, so the booking is saved in place. Once the real file is
    // replaced, the mount holds a removed file, which is never read.
    if (geteuid() != 0 || Sh("unshare -m true 2>/dev/null") != 0) return;
    WriteFile(dir.File("desk/bound.kv"), "");
    EXPECT_EQ(Sh("unshare -m sh -c 'mount --bind real/reg.kv desk/bound.kv || exit 1; \"$KVTOOL\" book desk/bound.kv "
                 "--facility 2 --date 2000-05-03 --start 9:00 --end 10:00 --user A >out 2>err; echo $? >rc1; "
                 "cp real/reg.kv real/new && mv real/new real/reg.kv && \"$KVTOOL\" list desk/bound.kv 2>err; echo $? >rc2'"),
              0);
    EXPECT_EQ(ReadFile(dir.File("rc1")), "0\n");
    EXPECT_EQ(Read(real).reserves.size(), 3u);
    EXPECT_EQ(ReadFile(dir.File("rc2")), "1\n");
    EXPECT_EQ(LastLine(ReadFile(dir.File("err"))), "desk/bound.kv が見つかりませんでした。\n");
}

TEST_F(Kvtool, WhatIsNoRegisterIsRefusedBeforeAnythingIsReadAndNothingBlocks) {
    const std::string huge = dir.File("huge.kv"), fifo = dir.File("pipe.kv");
    WriteFile(huge, "");
    ASSERT_EQ(truncate(huge.c_str(), 200LL << 30), 0);  // sparse: no disk used
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const struct {
        std::string file;
        std::string message;
    } cases[] = {
        {huge, huge + " へのｱｸｾｽ中に不明なｴﾗｰが発生しました。\n"},
        {fifo, fifo + " へのｱｸｾｽは拒否されました。\n"},
        {"/dev/zero", "/dev/zero へのｱｸｾｽは拒否されました。\n"},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> book = Plus({"book", c.file}, Slot("1", "2000-05-02", "9:00", "10:00"));
        for (const std::vector<std::string>& args : {std::vector<std::string>{"dump", c.file}, book}) {
            SCOPED_TRACE(args[0] + " " + c.file);
            testutil::KvtoolRun run = testutil::StartKvtool(args);
            std::string err;
            EXPECT_EQ(WaitBounded(run, &err), 1);
            EXPECT_EQ(err, c.message);
        }
    }
}

// A desk inside its change holds the register; build and demo wait for it,
// and what they wrote is what stays.
TEST_F(Kvtool, BuildAndDemoWaitForTheDeskThatIsChangingTheRegister) {
    const std::string json = dir.File("in.json");
    WriteFile(json, R"({"facilities":[{"id":7,"name":"新館"}]})");
    for (const char* command : {"build", "demo"}) {
        SCOPED_TRACE(command);
        testutil::WriteRegister(path, {MakeFacility(1, "A")}, {MakeReserve("desk", 1, 2000, 5, 1, 9, 0, 10, 0)});
        int up[2], down[2];
        ASSERT_EQ(pipe(up), 0);
        ASSERT_EQ(pipe(down), 0);
        pid_t desk = fork();
        if (desk == 0) {
            CKivoDoc doc;
            doc.SetPathName(path);
            TxResult r = doc.Transact([&](CKivoDoc& d) {
                char c = 'l';
                (void)!write(up[1], &c, 1);
                (void)!read(down[0], &c, 1);
                d.m_arReserve.push_back(std::make_unique<CReserve>(MakeReserve("desk", 1, 2000, 5, 2, 9, 0, 10, 0)));
                return true;
            });
            _exit(r == TxResult::Done ? 0 : 1);
        }
        char c;
        ASSERT_EQ(read(up[0], &c, 1), 1);
        testutil::KvtoolRun run = testutil::StartKvtool(std::string(command) == "build"
                                                            ? std::vector<std::string>{"build", json, path}
                                                            : std::vector<std::string>{"demo", path});
        const int kvtoolPid = run.pid;
        auto exited = [kvtoolPid] {
            siginfo_t info{};
            return waitid(P_PID, static_cast<id_t>(kvtoolPid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
                   info.si_pid != 0;
        };
        for (int i = 0; i < 3000 && !HasOpen(kvtoolPid, path) && !exited(); ++i) {
            struct timespec ts{0, 10 * 1000 * 1000};
            nanosleep(&ts, nullptr);
        }
        ASSERT_EQ(write(down[1], "g", 1), 1);
        int status = 0;
        waitpid(desk, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        std::string err;
        EXPECT_EQ(WaitBounded(run, &err), 0) << err;
        const RegisterData d = testutil::ReadRegister(path);
        for (const auto& r : d.reserves)
            EXPECT_NE(r->m_strUser, "desk") << "the desk's older copy replaced the new register";
        for (int fd : {up[0], up[1], down[0], down[1]}) close(fd);
    }
}

TEST_F(Kvtool, OutputThatCannotBeWrittenIsAFileError) {
    CReserve broken = MakeReserve("壊れ", 1, 2000, 5, 1, 9, 0, 10, 0);
    broken.m_timeEnd = kTimeUnset;
    testutil::WriteRegister(path, {MakeFacility(1, "A")}, {broken});
    for (const char* command : {"dump reg.kv", "list reg.kv", "check reg.kv",
                                "book reg.kv --facility 1 --date 2000-05-02 --start 9:00 --end 10:00 --user X"}) {
        EXPECT_EQ(Sh(std::string("\"$KVTOOL\" ") + command + " >/dev/full 2>err.txt"), 1) << command;
        EXPECT_EQ(ReadFile(dir.File("err.txt")), "標準出力 へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。\n") << command;
    }
}

TEST_F(Kvtool, BookWithARelativePathLeavesTheProfileAlone) {
    const std::string ini = dir.File("orvalis.ini");
    EXPECT_EQ(Sh("\"$KVTOOL\" book reg.kv --facility 1 --date 2000-05-02 --start 9:00 --end 10:00 --user X >/dev/null"), 0);
    EXPECT_FALSE(testutil::Exists(ini));
    WriteFile(ini, "[System]\r\nDefaultFile=/srv/main.kv\r\n");
    EXPECT_EQ(Sh("\"$KVTOOL\" book reg.kv --facility 1 --date 2000-05-03 --start 9:00 --end 10:00 --user X >/dev/null"), 0);
    EXPECT_EQ(ReadFile(ini), "[System]\r\nDefaultFile=/srv/main.kv\r\n");
}

TEST_F(Kvtool, RenderReportsTheCauseOfAFailedWriteAndLeavesNoFile) {
    const std::vector<std::string> before = Files();
    auto render = [&](const std::string& out) {
        return std::vector<std::string>{"render", path, "--day", "2000-05-01", "--out", out};
    };
    std::string err;
    const std::string lost = dir.File("none/day.png");
    EXPECT_EQ(RunKvtool(render(lost), nullptr, &err), 1);
    EXPECT_EQ(LastLine(err), lost + " が見つかりませんでした。\n");
    for (const char* name : {"day.pdf", "day.png"}) {
        EXPECT_EQ(RunOnAFullDisk(render(dir.File(name)), 2048, &err), 1) << name;
        EXPECT_EQ(LastLine(err), dir.File(name) + " へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。\n");
    }
    EXPECT_EQ(Files(), before);
    ASSERT_EQ(RunKvtool(render(dir.File("day.pdf"))), 0);
    EXPECT_EQ(ReadFile(dir.File("day.pdf")).substr(0, 5), "%PDF-");
    // The week: one landscape A4 page, the sheet a hall pins to its door.
    ASSERT_EQ(RunKvtool(Plus(render(dir.File("week.pdf")), {"--week"})), 0);
    const std::string week = ReadFile(dir.File("week.pdf"));
    size_t pages = 0;
    for (size_t at = week.find("/Type /Page"); at != std::string::npos; at = week.find("/Type /Page", at + 1)) ++pages;
    EXPECT_EQ(pages, 2u);  // the page and the page tree
    EXPECT_NE(week.find("/MediaBox [0 0 842"), std::string::npos);
}

TEST_F(Kvtool, FreeListsWhatBookAcceptsAndRefusesBadQuestions) {
    const std::vector<std::string> ask = {"free", path, "--date", "2000-05-01", "--until", "2000-05-02",
                                          "--start", "10:30", "--end", "11:30"};
    std::string out, err;
    ASSERT_EQ(RunKvtool(ask, &out, &err), 0) << err;
    EXPECT_EQ(out, "2000-05-01\t2\t和室\t0\n2000-05-02\t1\t大会議室\t0\n2000-05-02\t2\t和室\t0\n");
    EXPECT_EQ(Book(Slot("1", "2000-05-01", "10:30", "11:30")), 3);  // not listed: taken
    EXPECT_EQ(Book(Slot("1", "2000-05-02", "10:30", "11:30")), 0);
    ASSERT_EQ(RunKvtool(Plus(ask, {"--people", "5"}), &out), 0);
    EXPECT_EQ(out, "2000-05-01\t2\t和室\t0\n2000-05-02\t2\t和室\t0\n");  // 0 people: unknown, kept
    const std::string before = ReadFile(path);
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--date", "2000-05-02", "--until", "2000-05-01", "--start", "9:00", "--end", "10:00"},
             {"--date", "2000-05-01", "--until", "2000-06-01", "--start", "9:00", "--end", "10:00"},
             {"--date", "2000-04-31", "--start", "9:00", "--end", "10:00"},
             {"--date", "2000-05-01", "--start", "10:00", "--end", "10:00"},
             {"--date", "2000-05-01", "--start", "10:00"},
             {"--date", "2000-05-01", "--start", "9:00", "--end", "10:00", "--people", "-1"},
         })
        EXPECT_EQ(RunKvtool(Plus({"free", path}, bad), nullptr, &err), 2) << bad[1] << " " << bad.back();
    EXPECT_EQ(ReadFile(path), before);
}
