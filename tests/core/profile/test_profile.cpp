#include "core/profile/profile.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "core/store/file/fileio.h"
#include "support/testutil.h"

namespace fs = std::filesystem;
using profile::Key;

namespace {

// Sets or clears one environment variable for the life of a test.
class EnvVar {
public:
    EnvVar(const char* name, const char* value) : name_(name) {
        if (const char* old = getenv(name)) old_ = old;
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~EnvVar() {
        if (old_) setenv(name_, old_->c_str(), 1);
        else unsetenv(name_);
    }
    EnvVar(const EnvVar&) = delete;
    EnvVar& operator=(const EnvVar&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

class Profile : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "orvalis-profile-XXXXXX").string();
        ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
        dir_ = tmpl;
        ini_ = (dir_ / "orvalis.ini").string();
        profile::SetPath(ini_);
    }
    void TearDown() override {
        profile::SetPath("");
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    void Put(const std::string& bytes) const { std::ofstream(ini_, std::ios::binary) << bytes; }
    std::string Bytes() const {
        std::ifstream in(ini_, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        return names;
    }

    fs::path dir_;
    std::string ini_;
};

const std::vector<std::string> kOnlyIni = {"orvalis.ini"};

// Runs body in a child process and returns its exit status.
template <class F>
int InChild(F body) {
    pid_t pid = fork();
    if (pid == 0) _exit(body());
    const int status = testutil::WaitChild(pid);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// --- Where the file lives ---

TEST(ProfilePath, OwnVariableNamesTheFile) {
    EnvVar own("ORVALIS_PROFILE", "/srv/desk2/orvalis.ini");
    EXPECT_EQ(profile::DefaultPath(), "/srv/desk2/orvalis.ini");
}

TEST(ProfilePath, XdgConfigHomeThenHomeConfig) {
    EnvVar own("ORVALIS_PROFILE", nullptr);
    EnvVar home("HOME", "/home/desk");
    {
        EnvVar xdg("XDG_CONFIG_HOME", "/etc/xdg-desk");
        EXPECT_EQ(profile::DefaultPath(), "/etc/xdg-desk/orvalis/orvalis.ini");
    }
    EnvVar xdg("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(profile::DefaultPath(), "/home/desk/.config/orvalis/orvalis.ini");
}

TEST(ProfilePath, EmptySetPathFollowsTheEnvironment) {
    EnvVar own("ORVALIS_PROFILE", "/srv/a.ini");
    profile::SetPath("/srv/b.ini");
    EXPECT_EQ(profile::Path(), "/srv/b.ini");
    profile::SetPath("");
    EXPECT_EQ(profile::Path(), "/srv/a.ini");
}

TEST_F(Profile, WritingCreatesTheFolders) {
    EnvVar own("ORVALIS_PROFILE", nullptr);
    EnvVar xdg("XDG_CONFIG_HOME", (dir_ / "cfg").c_str());
    profile::SetPath("");
    ASSERT_TRUE(profile::WriteInt(Key::Dup, 0));
    EXPECT_EQ(profile::GetInt(Key::Dup), 0);
    EXPECT_TRUE(fs::is_regular_file(dir_ / "cfg/orvalis/orvalis.ini"));
}

// --- The program's defaults ---

TEST_F(Profile, MissingFileGivesEveryDefault) {
    EXPECT_EQ(profile::GetString(Key::DefaultFile), "");
    EXPECT_EQ(profile::GetInt(Key::Dup), 1);
    EXPECT_EQ(profile::GetInt(Key::StartTime), 8);
    EXPECT_EQ(profile::GetInt(Key::EndTime), 23);
    EXPECT_EQ(profile::GetInt(Key::ViewMode), 0);
    EXPECT_EQ(profile::GetInt(Key::ViewObject), 0);
    EXPECT_EQ(profile::GetString(Key::RevColor1), "65280");
    EXPECT_EQ(profile::GetString(Key::RevColor2), "65280");
    EXPECT_EQ(profile::GetString(Key::WindowPos), "");
    EXPECT_EQ(profile::GetInt(Key::ShowCmd), 3);
    EXPECT_EQ(profile::GetInt(Key::PreviewPages), 0);
    EXPECT_EQ(profile::GetInt(Key::RViewSort), 0);
    EXPECT_EQ(profile::GetInt(Key::UserViewSort), 0);
    for (Key face : {Key::FontFaceName, Key::RFontFaceName, Key::UFontFaceName}) {
        auto at = [face](int offset) { return static_cast<Key>(static_cast<int>(face) + offset); };
        EXPECT_EQ(profile::GetString(face), "FIXEDSYS");
        EXPECT_EQ(profile::GetInt(at(1)), -13);
        EXPECT_EQ(profile::GetInt(at(2)), 400);
        EXPECT_EQ(profile::GetInt(at(3)), 0);
        EXPECT_EQ(profile::GetInt(at(4)), 0);
        EXPECT_EQ(profile::GetInt(at(5)), 128);
    }
    EXPECT_EQ(profile::RecentFile(1), "");
    EXPECT_FALSE(fs::exists(ini_));
}

TEST_F(Profile, UnusableFilesGiveTheDefaults) {
    std::string junk("\x00\xff\xfe[\x01=\x02\n=\n[\n\x93\xfa", 13);
    const std::string cases[] = {
        "",
        junk,
        "Dup=0\nStartTime=2\n",                             // no section at all
        "[System]\nDup 0\nStartTime\n",                      // lines without '='
        "[System]\n" + std::string(1 << 20, 'x') + "\n",     // a 1 MiB line
        "[System\nEndTime=\n",                               // a half header
    };
    for (const std::string& bytes : cases) {
        Put(bytes);
        EXPECT_EQ(profile::GetInt(Key::Dup), 1);
        EXPECT_EQ(profile::GetInt(Key::StartTime), 8);
        EXPECT_EQ(profile::GetString(Key::FontFaceName), "FIXEDSYS");
    }
}

TEST_F(Profile, FolderOrPipeInPlaceOfTheFileGivesTheDefaults) {
    fs::create_directory(ini_);
    EXPECT_EQ(profile::GetInt(Key::EndTime), 23);
    fs::remove(ini_);
    ASSERT_EQ(mkfifo(ini_.c_str(), 0600), 0);
    EXPECT_EQ(profile::GetInt(Key::EndTime), 23);  // and does not wait for a writer
}

// --- Names ---

TEST_F(Profile, SectionsAndKeysIgnoreCase) {
    Put("[sYSTEM]\nstarttime=10\n[FONT]\nfacename=Gothic\n");
    EXPECT_EQ(profile::GetInt(Key::StartTime), 10);
    EXPECT_EQ(profile::GetProfileInt("system", "STARTTIME", 0), 10);
    EXPECT_EQ(profile::GetString(Key::FontFaceName), "Gothic");
}

TEST_F(Profile, RewriteKeepsTheFirstWritersCase) {
    Put("[sYSTEM]\nstarttime=10\n");
    ASSERT_TRUE(profile::WriteInt(Key::StartTime, 9));
    ASSERT_TRUE(profile::WriteProfileInt("SYSTEM", "Dup", 0));
    EXPECT_EQ(Bytes(), "[sYSTEM]\nstarttime=9\nDup=0\n");
}

TEST_F(Profile, BlanksAroundNamesAreIgnored) {
    Put("  [ View ]  \n\t Mode \t=1\n");
    EXPECT_EQ(profile::GetInt(Key::ViewMode), 1);
}

TEST_F(Profile, DoubleByteNamesAreNotCaseFolded) {
    // 0x83 0x41 and 0x83 0x61 are two different katakana, not "A" and "a".
    ASSERT_TRUE(profile::WriteProfileString("\x83\x41", "k", "one"));
    EXPECT_EQ(profile::GetProfileString("\x83\x61", "k", "none"), "none");
    EXPECT_EQ(profile::GetProfileString("\x83\x41", "K", "none"), "one");
}

TEST_F(Profile, FirstOfTwoSameSectionsCounts) {
    Put("[System]\nDup=0\n[View]\nMode=1\n[system]\nDup=5\nEndTime=20\n");
    EXPECT_EQ(profile::GetInt(Key::Dup), 0);
    EXPECT_EQ(profile::GetInt(Key::EndTime), 23);
}

// --- Integers ---

TEST_F(Profile, IntegersAreReadTheCWay) {
    const std::pair<const char*, int> cases[] = {
        {" 42abc", 42}, {"-7", -7}, {"abc", 0}, {"+5", 5}, {"", 0}, {"\t 12 3", 12},
        {"- 5", 0}, {"0x1F", 0}, {"007", 7},
        {"2147483647", INT_MAX}, {"-2147483648", INT_MIN},
        {"2147483648", INT_MAX}, {"-99999999999999999999", INT_MIN},  // saturates
    };
    for (const auto& [text, want] : cases) {
        Put(std::string("[RView]\nSort=") + text + "\n");
        EXPECT_EQ(profile::GetInt(Key::RViewSort), want) << '"' << text << '"';
    }
}

TEST_F(Profile, MissingKeyGivesTheCallersDefault) {
    Put("[X]\nA=\n");
    EXPECT_EQ(profile::GetProfileInt("X", "B", 77), 77);
    EXPECT_EQ(profile::GetProfileInt("Y", "A", -4), -4);
    EXPECT_EQ(profile::GetProfileInt("X", "A", 77), 0);  // present but empty
}

TEST_F(Profile, IntegersAreStoredAsSignedDecimalText) {
    ASSERT_TRUE(profile::WriteInt(Key::FontSize, -13));
    ASSERT_TRUE(profile::WriteInt(Key::FontWeight, 700));
    EXPECT_EQ(Bytes(), "[Font]\nSize=-13\nWeight=700\n");
}

// --- Strings ---

TEST_F(Profile, WindowPosKeepsItsText) {
    const std::string pos = "0,1,-1,-1,-1,-1,10,20,800,600";
    ASSERT_TRUE(profile::WriteString(Key::WindowPos, pos));
    EXPECT_EQ(profile::GetString(Key::WindowPos), pos);
    EXPECT_EQ(Bytes(), "[Settings]\nWindowPos=" + pos + "\n");
}

TEST_F(Profile, ValuesAreKeptExactly) {
    const std::string value = "  C:\\予約\\a=b.kv  ";
    ASSERT_TRUE(profile::WriteString(Key::DefaultFile, value));
    EXPECT_EQ(profile::GetString(Key::DefaultFile), value);
    EXPECT_EQ(Bytes(), "[System]\nDefaultFile=" + value + "\n");
}

TEST_F(Profile, CarriageReturnsAreToleratedOnReading) {
    Put("[View]\r\nRevColor1=255\r\nRevColor2=16711680\r\n");
    EXPECT_EQ(profile::GetString(Key::RevColor1), "255");
    EXPECT_EQ(profile::GetInt(Key::RevColor2), 16711680);
    ASSERT_TRUE(profile::WriteString(Key::RevColor1, "0"));
    EXPECT_EQ(Bytes(), "[View]\r\nRevColor1=0\r\nRevColor2=16711680\r\n");
}

TEST_F(Profile, LineBreaksInNamesOrValuesAreRefused) {
    Put("[System]\nDup=0\n");
    EXPECT_FALSE(profile::WriteString(Key::DefaultFile, "a\nb"));
    EXPECT_FALSE(profile::WriteString(Key::DefaultFile, "a\r"));
    EXPECT_FALSE(profile::WriteProfileString("System", "Du\np", "1"));
    EXPECT_FALSE(profile::WriteProfileString("Sys\ntem", "Dup", "1"));
    EXPECT_FALSE(profile::WriteProfileString("System", "a=b", "1"));
    EXPECT_FALSE(profile::WriteProfileString("Sys]", "Dup", "1"));
    EXPECT_FALSE(profile::WriteProfileString("System", "[Dup", "1"));
    EXPECT_FALSE(profile::WriteProfileString("System", " ", "1"));
    EXPECT_EQ(Bytes(), "[System]\nDup=0\n");
}

TEST_F(Profile, RecentFilesAreFourSlots) {
    ASSERT_TRUE(profile::WriteRecentFile(1, "/d/a.kv"));
    ASSERT_TRUE(profile::WriteRecentFile(4, "/d/b.kv"));
    EXPECT_FALSE(profile::WriteRecentFile(0, "/d/c.kv"));
    EXPECT_FALSE(profile::WriteRecentFile(5, "/d/c.kv"));
    EXPECT_EQ(profile::RecentFile(1), "/d/a.kv");
    EXPECT_EQ(profile::RecentFile(4), "/d/b.kv");
    EXPECT_EQ(profile::RecentFile(5), "");
    EXPECT_EQ(Bytes(), "[Recent File List]\nFile1=/d/a.kv\nFile4=/d/b.kv\n");
}

// --- Writing through ---

TEST_F(Profile, WriteKeepsEveryOtherLine) {
    Put("; desk 2\n[System]\nDup=0\n\nStartTime=9\n\n[Other]\nx=1\n[View]\nMode=1");
    ASSERT_TRUE(profile::WriteInt(Key::StartTime, 7));
    ASSERT_TRUE(profile::WriteInt(Key::EndTime, 21));
    ASSERT_TRUE(profile::WriteInt(Key::RViewSort, 3));
    EXPECT_EQ(Bytes(),
              "; desk 2\n[System]\nDup=0\n\nStartTime=7\nEndTime=21\n\n[Other]\nx=1\n[View]\nMode=1\n"
              "[RView]\nSort=3\n");
}

TEST_F(Profile, ChangesByOthersAreSeenAtOnce) {
    EXPECT_EQ(profile::GetInt(Key::ViewMode), 0);
    Put("[View]\nMode=1\n");  // another program edits the file
    EXPECT_EQ(profile::GetInt(Key::ViewMode), 1);
    int status = InChild([] { return profile::WriteInt(Key::ViewMode, 0) ? 0 : 1; });
    ASSERT_EQ(status, 0);
    EXPECT_EQ(profile::GetInt(Key::ViewMode), 0);
}

TEST_F(Profile, FileModeSurvivesARewrite) {
    Put("[System]\nDup=1\n");
    fs::permissions(ini_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    ASSERT_TRUE(profile::WriteInt(Key::Dup, 0));
    EXPECT_EQ(fs::status(ini_).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(Profile, LinkedProfileStaysALink) {
    fs::path real = dir_ / "real.ini";
    std::ofstream(real) << "[System]\nDup=1\n";
    fs::create_symlink(real, ini_);
    ASSERT_TRUE(profile::WriteInt(Key::Dup, 0));
    EXPECT_TRUE(fs::is_symlink(ini_));
    EXPECT_EQ(Bytes(), "[System]\nDup=0\n");
}

// --- Faults leave the old file whole ---

TEST_F(Profile, FailedWriteLeavesOldFileAndNoTemporary) {
    const std::string old = "[System]\nDup=0\nStartTime=9\n";
    Put(old);
    int status = InChild([] {
        // The file size limit makes the write of the long value fail half way.
        signal(SIGXFSZ, SIG_IGN);
        rlimit lim{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &lim);
        return profile::WriteString(Key::DefaultFile, std::string(20000, 'p')) ? 1 : 0;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Bytes(), old);
    EXPECT_EQ(Files(), kOnlyIni);
}

// The profile is written as the register is: a step that fails is reported,
// the folder's sync included (the rename has then been made).
TEST_F(Profile, EachFailedStepOfTheWriteIsReported) {
    static std::string failing;
    fileio::SetFaultHook([](const char* step) { return failing == step ? EIO : 0; });
    for (const char* step : {"open", "write", "fsync", "rename", "dirsync"}) {
        Put("[System]\nDup=1\n");
        failing = step;
        EXPECT_FALSE(profile::WriteInt(Key::Dup, 0)) << step;
        EXPECT_EQ(Bytes(), failing == "dirsync" ? "[System]\nDup=0\n" : "[System]\nDup=1\n") << step;
        EXPECT_EQ(Files(), kOnlyIni) << step;
    }
    fileio::SetFaultHook(nullptr);
}

TEST_F(Profile, FolderInPlaceOfTheFileIsNotWritten) {
    fs::create_directory(ini_);
    EXPECT_FALSE(profile::WriteInt(Key::Dup, 0));
    EXPECT_TRUE(fs::is_directory(ini_));
    EXPECT_EQ(Files(), kOnlyIni);
}

TEST_F(Profile, UnreadableFileIsNotReplaced) {
    ASSERT_EQ(mkfifo(ini_.c_str(), 0600), 0);
    EXPECT_FALSE(profile::WriteInt(Key::Dup, 0));
    EXPECT_TRUE(fs::is_fifo(ini_));
    EXPECT_EQ(Files(), kOnlyIni);
}

TEST_F(Profile, FileInPlaceOfTheFolderIsNotWritten) {
    Put("not a folder");
    profile::SetPath(ini_ + "/orvalis.ini");
    EXPECT_FALSE(profile::WriteInt(Key::Dup, 0));
    EXPECT_EQ(Bytes(), "not a folder");
}

// Each writer adds its own key and rewrites it: a read-modify-write that is
// not exclusive drops keys of the others.
TEST_F(Profile, SeveralWritingProcessesNeverLeaveAHalfFileNorLoseAKey) {
    Put("[Desk]\n");
    constexpr int kWriters = 6, kWrites = 60;
    std::vector<pid_t> writers;
    for (int w = 0; w < kWriters; ++w) {
        pid_t pid = fork();
        if (pid == 0) {
            bool ok = true;
            for (int i = 0; i < kWrites; ++i) ok = profile::WriteProfileInt("Desk", "W" + std::to_string(w), i) && ok;
            _exit(ok ? 0 : 1);
        }
        writers.push_back(pid);
    }
    // Every read while they run sees one whole file: a header and key=number lines.
    auto whole = [this] {
        std::istringstream in(Bytes());
        std::string line;
        if (!std::getline(in, line) || line != "[Desk]") return false;
        while (std::getline(in, line))
            if (line.size() < 4 || line[0] != 'W' || line[2] != '=' || line.back() < '0' || line.back() > '9') return false;
        return true;
    };
    int halfFiles = 0, failedWriters = 0;
    testutil::WaitUntil(
        [&] {
            if (!whole()) ++halfFiles;
            std::erase_if(writers, [&failedWriters](pid_t pid) {
                int status = 0;
                if (waitpid(pid, &status, WNOHANG) != pid) return false;
                if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ++failedWriters;
                return true;
            });
            return writers.empty();
        },
        "the writers to finish");
    for (pid_t pid : writers) testutil::WaitChild(pid, testutil::WaitLimit(std::chrono::milliseconds(0)));
    EXPECT_EQ(halfFiles, 0);
    EXPECT_EQ(failedWriters, 0);
    EXPECT_TRUE(whole());
    for (int w = 0; w < kWriters; ++w)
        EXPECT_EQ(profile::GetProfileInt("Desk", "W" + std::to_string(w), -1), kWrites - 1) << "W" << w;
    EXPECT_EQ(Files(), kOnlyIni);
}

TEST_F(Profile, AKilledWritersTemporaryFileGoesWithTheNextWrite) {
    Put("[System]\nDup=1\n");
    const std::vector<std::string> kept = {".orvalis.ini.orvalis-tmp-ab!def", ".other.ini.orvalis-tmp-abcdef",
                                           "orvalis.ini.backup"};
    for (const std::string& name : kept) std::ofstream(dir_ / name) << "x";
    std::ofstream(dir_ / ".orvalis.ini.orvalis-tmp-abcdef") << "[System]\n";
    ASSERT_TRUE(profile::WriteInt(Key::Dup, 0));
    std::vector<std::string> files = Files();
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{".orvalis.ini.orvalis-tmp-ab!def", ".other.ini.orvalis-tmp-abcdef",
                                               "orvalis.ini", "orvalis.ini.backup"}));
}

}  // namespace
