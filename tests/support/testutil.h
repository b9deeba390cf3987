#pragma once
// Helpers shared by the tests: temporary folders, files, registers.
#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "core/booking/rules.h"
#include "core/doc/kivodoc.h"

namespace testutil {

// A fresh folder under $TMPDIR removed at destruction; also points the
// profile at a file inside it, so no test touches a real desk's settings.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
// "01 00 ff" -> bytes
std::string Hex(const std::string& spaced);
// CP932 from a UTF-8 literal.
std::string Sj(const char* utf8);

// A host that records every message and answers repair dialogs from a script.
class RecordingHost : public IDocHost {
public:
    std::vector<std::string> messages;
    std::vector<ReserveEntry> repairAnswers;  // consumed in order; none left -> declined
    int repairCalls = 0;
    // The entry each repair dialog was opened with, and, when watchFile is
    // set, that file's bytes at that moment (what is on disk while it shows).
    std::vector<ReserveEntry> repairOffered;
    std::string watchFile;
    std::vector<std::string> fileAtRepair;
    std::vector<std::string> pathsRecorded;
    void PathRecorded(const std::string& path) override { pathsRecorded.push_back(path); }
    void ShowMessage(const std::string& utf8Text, Icon) override { messages.push_back(utf8Text); }
    bool RunRepairDialog(CKivoDoc& doc, int pos, ReserveEntry* entry) override;
};

CReserve MakeReserve(const char* userUtf8, int facilityId, int y, int mo, int d, int h1, int m1, int h2, int m2);

// How long a test waits for another process or thread before it fails: far
// beyond an honest run under the sanitizers on a busy machine, far short of
// ctest's time-out, so a hang shows as a failure that says where.
inline constexpr std::chrono::seconds kWaitLimit{120};

// The moment a wait gives up; waits that follow one another share one.
using Deadline = std::chrono::steady_clock::time_point;
inline Deadline WaitLimit(std::chrono::milliseconds fromNow = kWaitLimit) {
    return std::chrono::steady_clock::now() + fromNow;
}

// True once done() holds; false, with a test failure naming what, when the
// deadline passes first.
bool WaitUntil(const std::function<bool()>& done, const char* what, Deadline by = WaitLimit());

// waitpid() for a child of the test, bounded: one still running at the
// deadline is killed and the test fails. Returns the status waitpid() left.
int WaitChild(pid_t pid, Deadline by = WaitLimit());

// read() that gives up at the deadline with a test failure: -1, ETIMEDOUT.
ssize_t ReadWithin(int fd, void* buf, size_t n, Deadline by = WaitLimit());

// Forks a child process that runs child with the write end of a new pipe and
// never returns; the parent gets the read end. -1 when the fork failed.
pid_t ForkWithPipe(const std::function<void(int writeFd)>& child, int* readFd);

// Runs kvtool (path from $KVTOOL) with arguments; returns the exit status and
// fills the outputs.
int RunKvtool(const std::vector<std::string>& args, std::string* out = nullptr, std::string* err = nullptr);

// A kvtool run started without waiting, so that several can run at once.
struct KvtoolRun {
    int pid = -1;
    std::string outName, errName;
};
KvtoolRun StartKvtool(const std::vector<std::string>& args);
int WaitKvtool(KvtoolRun& run, std::string* out = nullptr, std::string* err = nullptr);

// A register's records from its bytes, or from the file at path, read as a
// register is (a damaged one throws CArchiveException).
RegisterData ParseRegister(const std::string& bytes);
RegisterData ReadRegister(const std::string& path);

// A register file from records given in order (facility id/name pairs, reservations).
void WriteRegister(const std::string& path, const std::vector<CKivo>& facilities,
                   const std::vector<CReserve>& reserves, const std::vector<CKivoUser>& users = {});
CKivo MakeFacility(int id, const char* nameUtf8, int maxPeople = 0, const char* commentUtf8 = "");

// The location of register name on the tests' private server (its socket's
// folder in $ORVALIS_PG_SOCKET, tests/pg/with-server.sh) as role user; empty
// when there is no such server.
std::string ServerRegister(const std::string& name, const std::string& user = "orvalis");
// SQL text run on that server as its superuser: the SQLSTATE of a refusal, else "".
std::string ServerSql(const std::string& text);

}  // namespace testutil
