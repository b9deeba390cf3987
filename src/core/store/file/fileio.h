#pragma once
// The register file on disk: reading under a shared lock, the exclusive lock
// of a change, and the save that never leaves a cut-off file.
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/store/status.h"

namespace fileio {

using store::Cause;
using store::CauseFromErrno;
using store::FileMessage;
using store::Status;

// How long a lock is waited for before the sharing message (milliseconds).
int LockWaitMs();
void SetLockWaitMs(int ms);

// No register is this large; a larger file is refused before it is read
// (Cause::Generic), as is anything that is not a regular file (AccessDenied).
constexpr long long kMaxRegisterBytes = 1LL << 30;

// The file a path names: links followed, in the folders too. A file that
// does not exist yet resolves through its folder (and a dangling link to its
// target). A path that cannot be resolved comes back as given.
std::string Resolve(const std::string& path);

// What a file looked like when it was read or written: enough to tell, without
// reading it, that it has not been replaced or rewritten since.
struct FileStamp {
    bool valid = false;
    unsigned long long dev = 0, ino = 0;
    long long size = 0;
    long long mtimeNs = 0;
    long long seenNs = 0;  // the wall clock when the stamp was taken
    // The same file, size and modification time.
    bool SameAs(const FileStamp& o) const {
        return valid && o.valid && dev == o.dev && ino == o.ino && size == o.size && mtimeNs == o.mtimeNs;
    }
    // A later write cannot leave the same time stamp: every save of ours
    // moves it on by itself, and for any other writer the time had already
    // moved on by more than the coarsest granularity (2 s) when it was taken.
    bool Settled() const { return valid && seenNs - mtimeNs >= 2000000000LL; }
};

// The stamp of the file at path now (not valid when it cannot be had).
FileStamp StampOf(const std::string& path);

// Bytes to write, as the pieces they lie in, one after another: a change
// that adds after the records writes them from where a read put them.
struct Pieces {
    Pieces(const std::string& whole) : parts{whole} {}  // NOLINT(google-explicit-constructor)
    Pieces(const char* whole) : parts{whole} {}         // NOLINT(google-explicit-constructor)
    Pieces(std::initializer_list<std::string_view> p) : parts(p) {}
    std::vector<std::string_view> parts;
};

// A file's bytes read once, for a change that writes them out again: memory
// of their own, mapped fresh in whole huge pages where the system gives
// them. A fresh register-sized string takes a fault per 4 KB, and on a
// virtual machine those faults were a third of a booking from a new process.
class FreshBytes {
public:
    FreshBytes() = default;
    ~FreshBytes() { Clear(); }
    FreshBytes(const FreshBytes&) = delete;
    FreshBytes& operator=(const FreshBytes&) = delete;
    const char* data() const { return static_cast<const char*>(map_); }
    size_t size() const { return size_; }
    std::string_view view() const { return {data(), size_}; }
    void Clear();
    Status Assign(std::string_view bytes);

private:
    friend Status ReadFreshFd(int fd, FreshBytes* bytes);
    bool Allocate(size_t want);
    void* map_ = nullptr;  // from AllocHuge or malloc
    size_t mapped_ = 0, size_ = 0;
};

// Reads the whole register at path under a shared lock. When an in-place save
// was cut short, the copy of the old bytes it left is what is read (and the
// stamp, when asked for, is not valid). A file at a copy's name that does not
// prove to be one of ours is left alone; its name goes to *stray.
Status ReadShared(const std::string& path, std::string* bytes, FileStamp* stamp = nullptr,
                  std::string* stray = nullptr);
// The same into memory of its own, for a read that keeps nothing after it.
Status ReadShared(const std::string& path, FreshBytes* bytes);

// Saves bytes as the register at path, under its exclusive lock (waiting like
// any desk): see ExclusiveLock::Write.
Status SafeWrite(const std::string& path, const std::string& bytes, FileStamp* stamp = nullptr);

// The one way a file is replaced whole, for the register and the profile: a
// temporary file of ours beside target (locked while it lives, so that the
// clean-up of killed writers' leftovers never takes it), given its owner and
// mode by prepare, filled, synced and renamed over target; done once the
// folder is synced. On any fault target stays as it was and the temporary
// file goes. When prepare returns false nothing is written: *declined is set,
// or without declined the cause is AccessDenied. With keptFd the new file
// stays open there, its lock held (set as soon as the rename is done).
Status ReplaceWhole(const std::string& target, const Pieces& bytes, const std::function<bool(int fd)>& prepare,
                    int* keptFd = nullptr, bool* declined = nullptr);

// The exclusive lock of one change: held from the re-read to the save, on the
// file the path resolves to (a file renamed into place meanwhile is followed).
class ExclusiveLock {
public:
    ExclusiveLock() = default;
    ~ExclusiveLock();
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

    // A missing file is not locked and not an error: *exists is set false.
    // The old bytes of an in-place save cut short are put back first.
    Status Acquire(const std::string& path, bool* exists);
    Status ReadAll(std::string* bytes);
    Status ReadAll(FreshBytes* bytes);
    // Whether the locked file holds exactly bytes; read in small pieces, and
    // only as far as the first difference.
    Status Matches(const std::string& bytes, bool* same);
    // The locked file's stamp (after Write: the new file's).
    FileStamp Stamp() const;
    // Replaces the locked file's content with bytes; the old content stays
    // whole on any fault and after a crash. Through a temporary file renamed
    // over it when that file can carry the same owner, group, mode and ACL,
    // there is no other hard link and it is no mount point; otherwise in
    // place, after a synced copy of the old bytes that every desk finds by
    // the file's number (refused, LinkedElsewhere, when a link lies in
    // another folder, where no desk would look). Without a file (Acquire
    // found none) it creates one. The file's modification time always moves
    // on, whatever the clocks, so that a stamp never hides it. Done only once
    // the folder is synced; the lock stays held, on the new file.
    Status Write(const Pieces& bytes);
    void Release();
    bool held() const { return fd_ >= 0; }
    // The resolved path the lock was taken on.
    const std::string& path() const { return path_; }

private:
    int fd_ = -1;
    std::string path_;
};

// Test seam: when set, called before each step of a save and may return an
// errno to fail that step with. Through a temporary file: "open", "write",
// "fsync", "rename", "dirsync"; in place: "open", "write", "fsync" of the
// copy of the old bytes, "backup" (its rename), "dirsync", then "write",
// "fsync" of the register and "dirsync" once the copy is removed.
using FaultHook = int (*)(const char* step);
void SetFaultHook(FaultHook hook);

}  // namespace fileio
