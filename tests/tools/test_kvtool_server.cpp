// kvtool on registers kept by the tests' private PostgreSQL server: copies
// there and back, many desks booking at once, the server's own refusal of
// overlaps, and a role that may only read.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <set>

#include "support/testutil.h"

using testutil::MakeFacility;
using testutil::MakeReserve;
using testutil::ReadFile;
using testutil::RunKvtool;
using testutil::ServerSql;

namespace {

class KvtoolServer : public ::testing::Test {
protected:
    void SetUp() override {
        if (testutil::ServerRegister("x").empty()) GTEST_SKIP() << "no test server (tests/pg/with-server.sh)";
        file = dir.File("r.kv");
        testutil::WriteRegister(file, {MakeFacility(1, "大会議室"), MakeFacility(2, "和室")},
                                {MakeReserve("山田商事", 1, 2030, 5, 1, 11, 0, 12, 0)});
        // Unique to the test: every test shares the one database.
        name = ::testing::UnitTest::GetInstance()->current_test_info()->name() + std::to_string(getpid());
        where = testutil::ServerRegister(name);
    }
    // n desks booking at once, each its own hour of one day or all one hour
    // of the next; the exit statuses counted and the messages seen.
    std::map<int, int> BookAtOnce(int n, bool sameSlot, std::set<std::string>* messages) {
        std::vector<testutil::KvtoolRun> runs;
        for (int i = 0; i < n; ++i) {
            const std::string start = std::to_string(sameSlot ? 9 : i) + ":00";
            const std::string end = std::to_string(sameSlot ? 10 : i + 1) + ":00";
            runs.push_back(testutil::StartKvtool({"book", where, "--facility", "2", "--date", sameSlot ? "2030-06-02" : "2030-06-01", "--start",
                                                  start, "--end", end, "--user", "desk" + std::to_string(i)}));
        }
        std::map<int, int> exits;
        for (auto& r : runs) {
            std::string err;
            ++exits[testutil::WaitKvtool(r, nullptr, &err)];
            if (!err.empty()) messages->insert(err);
        }
        return exits;
    }
    size_t Count(const std::string& location) {
        std::string out;
        EXPECT_EQ(RunKvtool({"list", location}, &out), 0);
        return static_cast<size_t>(std::count(out.begin(), out.end(), '\n'));
    }
    testutil::TempDir dir;
    std::string file, name, where;
};

TEST_F(KvtoolServer, ACopyThereAndBackIsTheSameRegisterByteForByte) {
    std::string demoErr;
    ASSERT_EQ(RunKvtool({"demo", file}, nullptr, &demoErr), 0) << demoErr;
    ASSERT_EQ(RunKvtool({"copy", file, where}), 0);
    std::string fromFile, fromServer, err;
    EXPECT_EQ(RunKvtool({"dump", file}, &fromFile), 0);
    EXPECT_EQ(RunKvtool({"dump", where}, &fromServer), 0);
    EXPECT_EQ(fromServer, fromFile);
    ASSERT_EQ(RunKvtool({"copy", where, dir.File("back.kv")}), 0);
    EXPECT_EQ(ReadFile(dir.File("back.kv")), ReadFile(file));
    // A register there is replaced only when asked.
    EXPECT_EQ(RunKvtool({"copy", file, where}, nullptr, &err), 3);
    EXPECT_EQ(err, where + " は既にあります。置き換えるときは --replace を付けてください。\n");
    // A file of the oldest form: the same records there, and back the bytes a save of it writes.
    const std::string old = testutil::Hex("01 00 ff ff 01 00 05 00") + "CKivo" + testutil::Hex("64 00 01 00 01") + "A" +
                            testutil::Hex("08 00 00 01 00 ff ff 02 00 08 00") + "CReserve" +
                            testutil::Hex("c7 00 01 42 00 00 10 f1 e8 38 20 0d e9 38 01 00");
    testutil::WriteFile(dir.File("old.kv"), old);
    ASSERT_EQ(RunKvtool({"copy", dir.File("old.kv"), where, "--replace"}), 0);
    EXPECT_EQ(RunKvtool({"dump", dir.File("old.kv")}, &fromFile), 0);
    EXPECT_EQ(RunKvtool({"dump", where}, &fromServer), 0);
    EXPECT_EQ(fromServer, fromFile);
    ASSERT_EQ(RunKvtool({"copy", dir.File("old.kv"), dir.File("saved.kv")}), 0);
    ASSERT_EQ(RunKvtool({"copy", where, dir.File("back.kv")}), 0);
    EXPECT_EQ(ReadFile(dir.File("back.kv")), ReadFile(dir.File("saved.kv")));
}

TEST_F(KvtoolServer, TwentyDesksAtOnceLoseNothingAndBookOneSlotOnce) {
    ASSERT_EQ(RunKvtool({"copy", file, where}), 0);
    std::set<std::string> messages;
    EXPECT_EQ(BookAtOnce(20, false, &messages), (std::map<int, int>{{0, 20}}));
    EXPECT_EQ(BookAtOnce(20, true, &messages), (std::map<int, int>{{0, 1}, {3, 19}}));
    EXPECT_EQ(messages, std::set<std::string>{"既に予約されています\n"});
    EXPECT_EQ(Count(where), 22u);
}

TEST_F(KvtoolServer, WithOverlapsForbiddenTheServerRefusesThemFromAnyClient) {
    ASSERT_EQ(RunKvtool({"copy", file, where, "--forbid-overlaps"}), 0);
    const std::string id = "(SELECT id FROM registers WHERE name = '" + name + "')";
    const std::string insert = "INSERT INTO reservations SELECT " + id +
                               ", 99, 0, '', '', '', time_start + 60, time_end + 60, facility, 0, 0, 0 "
                               "FROM reservations WHERE register_id = " + id;
    EXPECT_EQ(ServerSql(insert), "23P01");
    // Desks that allow overlaps themselves are refused by the server; others' bookings are kept.
    testutil::WriteFile(dir.File("orvalis.ini"), "[System]\nDup=0\n");
    std::set<std::string> messages;
    EXPECT_EQ(BookAtOnce(20, false, &messages), (std::map<int, int>{{0, 20}}));
    const auto exits = BookAtOnce(20, true, &messages);
    EXPECT_EQ(exits.at(0), 1);
    EXPECT_EQ(exits.at(3), 19);
    EXPECT_EQ(messages, std::set<std::string>{"既に予約されています\n"});
    EXPECT_EQ(Count(where), 22u);
    // A register copied in without the setting leaves overlaps to each desk.
    ASSERT_EQ(RunKvtool({"copy", file, where, "--replace"}), 0);
    EXPECT_EQ(ServerSql(insert), "");
}

TEST_F(KvtoolServer, ARoleThatMayOnlyReadChangesNothing) {
    ASSERT_EQ(RunKvtool({"copy", file, where}), 0);
    const std::string role = "reader" + std::to_string(getpid());
    ASSERT_EQ(ServerSql("DROP ROLE IF EXISTS " + role + "; CREATE ROLE " + role + " LOGIN; GRANT SELECT ON ALL TABLES IN "
                  "SCHEMA public TO " + role),
              "");
    const std::string reader = testutil::ServerRegister(name, role);
    std::string before, after, err;
    EXPECT_EQ(RunKvtool({"dump", reader}, &before), 0);
    EXPECT_EQ(RunKvtool({"book", reader, "--facility", "1", "--date", "2030-06-01", "--start", "9:00", "--end",
                         "10:00", "--user", "A"},
                        nullptr, &err),
              1);
    EXPECT_EQ(err, reader + " へのｱｸｾｽは拒否されました。\n");
    EXPECT_EQ(RunKvtool({"dump", where}, &after), 0);
    EXPECT_EQ(after, before);
    ServerSql("DROP OWNED BY " + role + "; DROP ROLE " + role);
    // Refused at the door: a role the server does not know, a database it
    // lacks; by a whole read (list) and by a scan (check).
    const std::string stranger = testutil::ServerRegister(name, role);
    std::string nowhere = where;
    nowhere.replace(nowhere.find("/orvalis_test?"), 13, "/no_such_db");
    for (const char* command : {"list", "check"}) {
        SCOPED_TRACE(command);
        EXPECT_EQ(RunKvtool({command, stranger}, nullptr, &err), 1);
        EXPECT_EQ(err, stranger + " へのｱｸｾｽは拒否されました。\n");
        EXPECT_EQ(RunKvtool({command, nowhere}, nullptr, &err), 1);
        EXPECT_EQ(err, nowhere + " が見つかりませんでした。\n");
    }
}

}  // namespace
