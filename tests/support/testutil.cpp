#include "support/testutil.h"

#ifdef ORVALIS_HAVE_PG
#include <libpq-fe.h>
#endif

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/booking/rules.h"
#include "core/doc/kvformat.h"
#include "core/doc/kvtime.h"
#include "core/doc/text.h"
#include "core/profile/profile.h"

namespace testutil {

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string tmpl = std::string(base && *base ? base : "/tmp") + "/orvalis-test-XXXXXX";
    char* p = mkdtemp(tmpl.data());
    if (!p) std::abort();
    path_ = p;
    profile::SetPath(path_ + "/orvalis.ini");
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
    profile::SetPath("");
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool Exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

std::string Hex(const std::string& spaced) {
    std::string out;
    std::istringstream in(spaced);
    std::string tok;
    while (in >> tok) out.push_back(static_cast<char>(std::stoi(tok, nullptr, 16)));
    return out;
}

std::string Sj(const char* utf8) { return text::Cp932(utf8); }

bool RecordingHost::RunRepairDialog(CKivoDoc&, int, ReserveEntry* entry) {
    repairOffered.push_back(*entry);
    if (!watchFile.empty()) fileAtRepair.push_back(ReadFile(watchFile));
    if (static_cast<size_t>(repairCalls) >= repairAnswers.size()) {
        ++repairCalls;
        return false;
    }
    ReserveEntry answer = repairAnswers[static_cast<size_t>(repairCalls++)];
    // The dialog keeps the record's texts unless the script changes them.
    if (answer.user.empty()) answer.user = entry->user;
    *entry = answer;
    return true;
}

CReserve MakeReserve(const char* userUtf8, int facilityId, int y, int mo, int d, int h1, int m1, int h2, int m2) {
    CReserve r;
    r.m_strUser = Sj(userUtf8);
    r.m_nFacilityID = facilityId;
    r.m_timeStart = kvtime::MakeTime(y, mo, d, h1, m1);
    r.m_timeEnd = kvtime::MakeTime(y, mo, d, h2, m2);
    return r;
}

bool WaitUntil(const std::function<bool()>& done, const char* what, Deadline by) {
    while (!done()) {
        if (std::chrono::steady_clock::now() >= by) {
            ADD_FAILURE() << "gave up waiting for " << what;
            return false;
        }
        std::this_thread::yield();
    }
    return true;
}

int WaitChild(pid_t pid, Deadline by) {
    int status = 0;
    for (;;) {
        const pid_t got = waitpid(pid, &status, WNOHANG);
        if (got == pid || (got < 0 && errno != EINTR)) return status;
        if (std::chrono::steady_clock::now() >= by) break;
        // Polled, as there is no waitpid() with a time-out.
        struct timespec ts{0, 1000 * 1000};
        nanosleep(&ts, nullptr);
    }
    ADD_FAILURE() << "child " << pid << " still running at the deadline; killed";
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    return status;
}

pid_t ForkWithPipe(const std::function<void(int writeFd)>& child, int* readFd) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        child(fds[1]);
        _exit(127);  // the child must not run the parent's tests
    }
    close(fds[1]);
    if (pid < 0) close(fds[0]);
    else *readFd = fds[0];
    return pid;
}

ssize_t ReadWithin(int fd, void* buf, size_t n, Deadline by) {
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(by - std::chrono::steady_clock::now());
        struct pollfd p{fd, POLLIN, 0};
        const int r = left.count() > 0 ? poll(&p, 1, static_cast<int>(left.count())) : 0;
        if (r > 0) return read(fd, buf, n);
        if (r < 0 && errno == EINTR) continue;
        if (r == 0) {
            ADD_FAILURE() << "nothing to read from descriptor " << fd << " by the deadline";
            errno = ETIMEDOUT;
        }
        return -1;
    }
}

KvtoolRun StartKvtool(const std::vector<std::string>& args) {
    KvtoolRun run;
    const char* exe = std::getenv("KVTOOL");
    if (!exe) return run;
    char outName[] = "/tmp/kvtool-out-XXXXXX";
    char errName[] = "/tmp/kvtool-err-XXXXXX";
    int ofd = mkstemp(outName), efd = mkstemp(errName);
    run.outName = outName;
    run.errName = errName;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(ofd, 1);
        dup2(efd, 2);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(exe));
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        if (!profile::Path().empty()) setenv("ORVALIS_PROFILE", profile::Path().c_str(), 1);
        execv(exe, argv.data());
        _exit(127);
    }
    close(ofd);
    close(efd);
    run.pid = pid;
    return run;
}

int WaitKvtool(KvtoolRun& run, std::string* out, std::string* err) {
    if (run.pid < 0) return -1;
    const int status = WaitChild(run.pid);
    run.pid = -1;
    if (out) *out = ReadFile(run.outName);
    if (err) *err = ReadFile(run.errName);
    unlink(run.outName.c_str());
    unlink(run.errName.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int RunKvtool(const std::vector<std::string>& args, std::string* out, std::string* err) {
    KvtoolRun run = StartKvtool(args);
    return WaitKvtool(run, out, err);
}

RegisterData ParseRegister(const std::string& bytes) {
    RegisterData d;
    LoadRegister(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), &d);
    return d;
}

RegisterData ReadRegister(const std::string& path) { return ParseRegister(ReadFile(path)); }

void WriteRegister(const std::string& path, const std::vector<CKivo>& facilities,
                   const std::vector<CReserve>& reserves, const std::vector<CKivoUser>& users) {
    FacilityArray fs;
    ReserveArray rs;
    UserArray us;
    for (const auto& f : facilities) fs.push_back(std::make_unique<CKivo>(f));
    for (const auto& r : reserves) rs.push_back(std::make_unique<CReserve>(r));
    for (const auto& u : users) us.push_back(std::make_unique<CKivoUser>(u));
    WriteFile(path, StoreRegister(fs, rs, us));
}

CKivo MakeFacility(int id, const char* nameUtf8, int maxPeople, const char* commentUtf8) {
    CKivo f;
    f.m_nID = id;
    f.m_strName = Sj(nameUtf8);
    f.m_nMaxPeople = maxPeople;
    f.m_strComment = Sj(commentUtf8);
    return f;
}

std::string ServerRegister(const std::string& name, const std::string& user) {
    const char* socket = std::getenv("ORVALIS_PG_SOCKET");
    if (!socket || !*socket) return "";
    std::string encoded;
    for (const char c : name) {
        if (c == '%' || c == '&' || c == '=' || c == '#') {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned char>(c));
            encoded += hex;
        } else {
            encoded += c;
        }
    }
    return "postgresql:///orvalis_test?host=" + std::string(socket) + "&user=" + user + "&register=" + encoded;
}

std::string ServerSql(const std::string& text) {
#ifdef ORVALIS_HAVE_PG
    const char* socket = std::getenv("ORVALIS_PG_SOCKET");
    const std::string conninfo = "host=" + std::string(socket ? socket : "") + " user=orvalis dbname=orvalis_test";
    PGconn* c = PQconnectdb(conninfo.c_str());
    PGresult* r = PQexec(c, text.c_str());
    const ExecStatusType s = PQresultStatus(r);
    const char* state = PQresultErrorField(r, PG_DIAG_SQLSTATE);
    std::string out = s == PGRES_COMMAND_OK || s == PGRES_TUPLES_OK ? "" : state ? state : "?";
    PQclear(r);
    PQfinish(c);
    return out;
#else
    (void)text;
    return "?";
#endif
}

}  // namespace testutil
