#pragma once
// The register file on disk: reading under a shared lock, the exclusive lock
// of a change, and the save that never leaves a cut-off file.
#include <string>

namespace fileio {

// The causes a file operation can fail with; each has its message.
enum class Cause {
    None, Generic, FileNotFound, BadPath, TooManyOpenFiles, AccessDenied, InvalidFile,
    RemoveCurrentDir, DirectoryFull, BadSeek, HardIO, SharingViolation, LockViolation,
    DiskFull, EndOfFile,
};

Cause CauseFromErrno(int e);
// The file message of the cause with the path in place of %1.
std::string FileMessage(Cause c, const std::string& path);

struct Status {
    Cause cause = Cause::None;
    bool ok() const { return cause == Cause::None; }
};

// How long a lock is waited for before the sharing message (milliseconds).
int LockWaitMs();
void SetLockWaitMs(int ms);

// Reads the whole file at path under a shared lock.
Status ReadShared(const std::string& path, std::string* bytes);

// Writes bytes to path through a temporary file in the same folder: flushed,
// fsync'd, renamed over the old file, keeping its permission bits. On any
// fault the old file stays whole and the temporary file is gone.
Status SafeWrite(const std::string& path, const std::string& bytes);

// The exclusive lock of one change: held from the re-read to the save, on the
// file that is at the path (a file renamed into place meanwhile is followed).
class ExclusiveLock {
public:
    ExclusiveLock() = default;
    ~ExclusiveLock();
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

    // A missing file is not locked and not an error: *exists is set false.
    Status Acquire(const std::string& path, bool* exists);
    Status ReadAll(std::string* bytes);
    void Release();
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Test seam: when set, called before each step of SafeWrite ("open", "write",
// "fsync", "rename") and may return an errno to fail that step with.
using FaultHook = int (*)(const char* step);
void SetFaultHook(FaultHook hook);

}  // namespace fileio
