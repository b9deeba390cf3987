#include "core/store/file/fileio.h"
#include "core/store/file/fileio_detail.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "core/doc/recordblock.h"

namespace fileio {

namespace {

int g_lockWaitMs = 2000;
FaultHook g_faultHook = nullptr;

}  // namespace

namespace detail {

int Fault(const char* step) { return g_faultHook ? g_faultHook(step) : 0; }

Status Fail(int e) { return {CauseFromErrno(e)}; }

void Split(const std::string& path, std::string* dir, std::string* base) {
    const size_t slash = path.rfind('/');
    *dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    *base = slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Join(const std::string& dir, const std::string& name) {
    return dir == "/" ? "/" + name : dir + "/" + name;
}

// The register's name as it appears in the names of its helper files, short
// enough that every such name fits NAME_MAX; a cut name carries a hash of the
// whole one, so that two long names sharing a beginning stay apart.
std::string Stem(const std::string& base) {
    constexpr size_t kRoom = NAME_MAX - 20;  // "." + stem + ".orvalis-tmp-XXXXXX"
    if (base.size() <= kRoom) return base;
    uint32_t h = 2166136261u;
    for (unsigned char c : base) h = (h ^ c) * 16777619u;
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", h);
    return base.substr(0, kRoom - 9) + "~" + hex;
}

// Names no person would choose, so that the clean-up only ever meets our own.
// Built by appending: GCC 12 at -O3 misreads "." + std::string as an overlap.
std::string HiddenName(const std::string& base, const char* suffix) {
    std::string name(1, '.');
    name += Stem(base);
    name += suffix;
    return name;
}
std::string TempPrefix(const std::string& base) { return HiddenName(base, ".orvalis-tmp-"); }

std::string CopyName(unsigned long long ino) {
    std::string name = ".orvalis-old-";
    name += std::to_string(ino);
    return name;
}
std::string LegacyCopyName(const std::string& base) { return HiddenName(base, ".orvalis-old"); }

namespace {

// A copy ends in a trailer: this mark, then the file's number, the old
// bytes' length and their checksum, each 8 bytes little-endian.
constexpr char kCopyMark[] = "ORVALIS OLD COPY";
constexpr size_t kCopyMarkSize = sizeof kCopyMark - 1, kTrailer = kCopyMarkSize + 24;

void Put64(std::string* s, uint64_t v) {
    for (int i = 0; i < 8; ++i) s->push_back(static_cast<char>(v >> (8 * i)));
}

uint64_t Get64(const char* p) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(p[i]);
    return v;
}

// FNV-1a over 8-byte words: enough to tell a whole copy from a cut or foreign one.
uint64_t Checksum(const char* p, size_t n) {
    uint64_t h = 14695981039346656037ull ^ n;
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        h = (h ^ w) * 1099511628211ull;
        h ^= h >> 29;
    }
    for (; i < n; ++i) h = (h ^ static_cast<unsigned char>(p[i])) * 1099511628211ull;
    return h;
}

long long Ns(const struct timespec& t) { return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec; }

}  // namespace

std::string CopyOf(const std::string& old, unsigned long long ino) {
    std::string copy;
    copy.reserve(old.size() + kTrailer);
    copy = old;
    copy.append(kCopyMark, kCopyMarkSize);
    Put64(&copy, ino);
    Put64(&copy, old.size());
    Put64(&copy, Checksum(old.data(), old.size()));
    return copy;
}

bool FromCopy(std::string* copy, unsigned long long ino) {
    if (copy->size() < kTrailer) return false;
    const size_t n = copy->size() - kTrailer;
    const char* t = copy->data() + n;
    if (std::memcmp(t, kCopyMark, kCopyMarkSize) != 0 || Get64(t + kCopyMarkSize) != ino ||
        Get64(t + kCopyMarkSize + 8) != n || Get64(t + kCopyMarkSize + 16) != Checksum(copy->data(), n))
        return false;
    copy->resize(n);
    return true;
}

void MakeLater(int fd, const struct stat& before) {
    const long long was = Ns(before.st_mtim);
    struct stat now;
    if (fstat(fd, &now) != 0 || Ns(now.st_mtim) > was) return;
    // Just past the old time, by the least step the file system keeps; set
    // by the file's owner only.
    for (long long step : {1LL, 1000LL, 1000000LL, 1000000000LL, 2000000000LL}) {
        const struct timespec t[2] = {{0, UTIME_OMIT}, {(was + step) / 1000000000LL, (was + step) % 1000000000LL}};
        if (futimens(fd, t) != 0) break;
        if (fstat(fd, &now) != 0 || Ns(now.st_mtim) > was) return;
    }
    // Anyone who may write it may set "now": wait, briefly, for the file
    // system's own clock to pass the old time.
    for (int i = 0; i < 300; ++i) {
        const struct timespec t[2] = {{0, UTIME_OMIT}, {0, UTIME_NOW}};
        if (futimens(fd, t) != 0 || fstat(fd, &now) != 0 || Ns(now.st_mtim) > was) return;
        struct timespec pause{0, 10 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
}

// Lock layout. Every lock is an OFD lock. A reader holds the data range
// [0, kIntent) shared, a writer holds it exclusive. The one byte at kIntent is
// a writer's intent: the writer takes it exclusive before the data range and
// keeps it, a reader takes it shared for a moment before its data lock and
// then drops it. So a waiting writer holds back the readers that come after it
// and only waits for those already reading. Earlier builds lock the whole
// file, which covers both ranges: old and new desks still exclude each other.
constexpr off_t kIntent = static_cast<off_t>(1) << 62;

bool TryLock(int fd, short type, off_t start, off_t len) {
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = start;
    fl.l_len = len;
    return fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

long long NowMs() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// Waits for a lock until deadline (monotonic ms); false with errno set when
// it cannot be had.
bool WaitLock(int fd, short type, off_t start, off_t len, long long deadline) {
    for (;;) {
        if (TryLock(fd, type, start, len)) return true;
        if (errno != EAGAIN && errno != EACCES && errno != EINTR) return false;
        if (NowMs() >= deadline) {
            errno = EAGAIN;
            return false;
        }
        struct timespec ts{0, 2 * 1000 * 1000};
        nanosleep(&ts, nullptr);
    }
}

bool LockForWriting(int fd, long long deadline) {
    return WaitLock(fd, F_WRLCK, kIntent, 1, deadline) && WaitLock(fd, F_WRLCK, 0, kIntent, deadline);
}

bool LockForReading(int fd, long long deadline) {
    if (!WaitLock(fd, F_RDLCK, kIntent, 1, deadline)) return false;
    const bool ok = WaitLock(fd, F_RDLCK, 0, kIntent, deadline);
    const int e = errno;
    TryLock(fd, F_UNLCK, kIntent, 1);
    errno = e;
    return ok;
}

// Opens a register file without ever blocking (a FIFO would), and refuses
// what is no register: not a regular file, or larger than any register.
Status OpenRegular(const std::string& path, int flags, int* outFd) {
    int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return Fail(errno);
    struct stat st;
    Status s;
    if (fstat(fd, &st) != 0) s = Fail(errno);
    else if (!S_ISREG(st.st_mode)) s = {Cause::AccessDenied};
    else if (st.st_size > kMaxRegisterBytes) s = {Cause::Generic};
    else fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!s.ok()) {
        ::close(fd);
        return s;
    }
    *outFd = fd;
    return {};
}

// Opens and locks the file that is at path now. A file renamed over it while
// we waited is noticed by its inode and the lock is taken again on the new one.
Status OpenLocked(const std::string& path, int flags, bool writer, int* outFd, bool* exists) {
    for (int attempt = 0; attempt < 10000; ++attempt) {
        // Each file waited for gets the whole wait: a replaced one means
        // another desk got on meanwhile.
        const long long deadline = NowMs() + g_lockWaitMs;
        int fd = -1;
        Status s = OpenRegular(path, flags, &fd);
        if (!s.ok()) {
            if (s.cause == Cause::FileNotFound && exists) {
                *exists = false;
                return {};
            }
            return s;
        }
        if (!(writer ? LockForWriting(fd, deadline) : LockForReading(fd, deadline))) {
            int e = errno;
            ::close(fd);
            return {e == EAGAIN || e == EACCES ? Cause::SharingViolation : CauseFromErrno(e)};
        }
        struct stat st, now;
        if (fstat(fd, &st) == 0 && ::stat(path.c_str(), &now) == 0 && now.st_ino == st.st_ino &&
            now.st_dev == st.st_dev) {
            // Still at the path yet removed: a file mounted there whose
            // register was replaced meanwhile. Its bytes are no register's.
            if (st.st_nlink == 0) {
                ::close(fd);
                return {Cause::FileNotFound};
            }
            if (exists) *exists = true;
            *outFd = fd;
            return {};
        }
        ::close(fd);  // replaced meanwhile: lock the file that is there now
    }
    return {Cause::SharingViolation};
}

Status ReadFd(int fd, std::string* bytes) {
    bytes->clear();
    struct stat st;
    if (fstat(fd, &st) != 0) return Fail(errno);
    if (st.st_size > kMaxRegisterBytes) return {Cause::Generic};
    // With room for a change's few more bytes, so that the save that puts
    // them among the bytes read needs no fresh buffer.
    if (st.st_size > 0) Reserve(bytes, static_cast<size_t>(st.st_size) + 65536);
    if (lseek(fd, 0, SEEK_SET) < 0) return Fail(errno);
    char buf[1 << 16];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fail(errno);
        }
        if (n == 0) break;
        bytes->append(buf, static_cast<size_t>(n));
        if (bytes->size() > static_cast<size_t>(kMaxRegisterBytes)) return {Cause::Generic};
    }
    return {};
}

void Reserve(std::string* s, size_t n) {
    if (s->capacity() >= n) return;
    s->reserve(n);
    constexpr uintptr_t kHuge = uintptr_t{2} << 20;
    const uintptr_t at = reinterpret_cast<uintptr_t>(s->data());
    const uintptr_t begin = (at + kHuge - 1) & ~(kHuge - 1), end = (at + s->capacity()) & ~(kHuge - 1);
    if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

Status WritePieces(int fd, const Pieces& bytes, off_t* at) {
    for (const std::string_view piece : bytes.parts) {
        const char* p = piece.data();
        size_t left = piece.size();
        while (left > 0) {
            if (int e = Fault("write")) return Fail(e);
            const ssize_t n = at ? ::pwrite(fd, p, left, *at) : ::write(fd, p, left);
            if (n < 0) {
                if (errno == EINTR) continue;
                return Fail(errno);
            }
            p += n;
            if (at) *at += n;
            left -= static_cast<size_t>(n);
        }
    }
    return {};
}

// Writes all of bytes at offset 0 and cuts the file there, then syncs it.
Status WriteAt0(int fd, const Pieces& bytes) {
    off_t at = 0;
    int e;
    if (Status s = WritePieces(fd, bytes, &at); !s.ok()) return s;
    if (ftruncate(fd, at) != 0) return Fail(errno);
    if ((e = Fault("fsync")) != 0) return Fail(e);
    if (fsync(fd) != 0) return Fail(errno);
    return {};
}

// A rename or an unlink counts only once the folder that holds it is on disk.
Status SyncDir(const std::string& dir) {
    if (int e = Fault("dirsync")) return Fail(e);
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0) return Fail(errno);
    Status s;
    // Some network file systems cannot sync a folder and say so.
    if (fsync(dfd) != 0 && errno != EINVAL && errno != ENOTSUP) s = Fail(errno);
    ::close(dfd);
    return s;
}

enum class Copy { None, Ours, Stray };

// What lies at the copy's name of the file numbered ino in dir: nothing, a
// copy of ours (its old bytes into *old), or something else, left alone.
// A copy that cannot be read is a fault: it may be ours.
Copy FindCopy(const std::string& dir, unsigned long long ino, std::string* old, Status* status) {
    const std::string name = Join(dir, CopyName(ino));
    struct stat st;
    if (::lstat(name.c_str(), &st) != 0) return Copy::None;
    if (!S_ISREG(st.st_mode)) return Copy::Stray;
    int fd = -1;
    *status = OpenRegular(name, O_RDONLY | O_NOFOLLOW, &fd);
    if (!status->ok()) return Copy::None;
    *status = ReadFd(fd, old);
    ::close(fd);
    if (!status->ok()) return Copy::None;
    return FromCopy(old, ino) ? Copy::Ours : Copy::Stray;
}

// Puts back the old bytes of an in-place save that was cut short (its copy
// still exists), under the exclusive lock on fd.
Status RestoreCut(const std::string& path, int fd) {
    struct stat st;
    if (fstat(fd, &st) != 0) return Fail(errno);
    std::string dir, base, old;
    Split(path, &dir, &base);
    Status s;
    if (FindCopy(dir, st.st_ino, &old, &s) != Copy::Ours) return s;
    s = WriteAt0(fd, old);
    if (s.ok()) MakeLater(fd, st);
    if (s.ok() && ::unlink(Join(dir, CopyName(st.st_ino)).c_str()) != 0) s = Fail(errno);
    if (s.ok()) s = SyncDir(dir);
    return s;
}

FileStamp StampFromStat(const struct stat& st) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    FileStamp s;
    s.valid = true;
    s.dev = static_cast<unsigned long long>(st.st_dev);
    s.ino = static_cast<unsigned long long>(st.st_ino);
    s.size = static_cast<long long>(st.st_size);
    s.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    s.seenNs = static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
    return s;
}

}  // namespace detail

using namespace detail;

int LockWaitMs() { return g_lockWaitMs; }
void SetLockWaitMs(int ms) { g_lockWaitMs = ms < 0 ? 0 : ms; }
void SetFaultHook(FaultHook hook) { g_faultHook = hook; }

std::string Resolve(const std::string& path) {
    if (path.empty()) return path;
    if (char* r = ::realpath(path.c_str(), nullptr)) {
        std::string s = r;
        std::free(r);
        return s;
    }
    if (errno != ENOENT) return path;
    // Not there yet: follow a dangling link by hand, then resolve the folder.
    std::string p = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        char buf[PATH_MAX];
        ssize_t n = ::readlink(p.c_str(), buf, sizeof buf);
        if (n <= 0 || static_cast<size_t>(n) >= sizeof buf) return path;
        std::string target(buf, static_cast<size_t>(n));
        const size_t slash = p.rfind('/');
        if (target[0] != '/' && slash != std::string::npos) target = p.substr(0, slash + 1) + target;
        p = target;
    }
    std::string dir, base;
    Split(p, &dir, &base);
    if (base.empty() || base == "." || base == "..") return path;
    char* r = ::realpath(dir.c_str(), nullptr);
    if (!r) return path;
    std::string s = Join(r, base);
    std::free(r);
    return s;
}

FileStamp StampOf(const std::string& path) {
    struct stat st;
    if (::stat(Resolve(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    return StampFromStat(st);
}

namespace {

Status TakeCopy(std::string* bytes, std::string* old) {
    bytes->swap(*old);
    return {};
}
Status TakeCopy(FreshBytes* bytes, std::string* old) { return bytes->Assign(*old); }
Status ReadWhole(int fd, std::string* bytes) { return ReadFd(fd, bytes); }
Status ReadWhole(int fd, FreshBytes* bytes) { return ReadFreshFd(fd, bytes); }

template <class Bytes>
Status ReadSharedInto(const std::string& path, Bytes* bytes, FileStamp* stamp, std::string* stray) {
    const std::string resolved = Resolve(path);
    int fd = -1;
    Status st = OpenLocked(resolved, O_RDONLY, false, &fd, nullptr);
    if (!st.ok()) return st;
    if (stamp) *stamp = FileStamp{};
    // Under our lock no save is running: a copy of old bytes still there was
    // left by one cut short, and holds the register as it last stood whole.
    std::string dir, base, old;
    Split(resolved, &dir, &base);
    struct stat sb;
    Copy copy = Copy::None;
    if (fstat(fd, &sb) != 0) st = Fail(errno);
    else copy = FindCopy(dir, sb.st_ino, &old, &st);
    if (st.ok() && copy == Copy::Ours) {
        st = TakeCopy(bytes, &old);
    } else if (st.ok()) {
        // Taken before the read: a change that lands meanwhile is never
        // mistaken for what was read.
        if (stamp) *stamp = StampFromStat(sb);
        st = ReadWhole(fd, bytes);
    }
    if (stray) {
        struct stat ls;
        const std::string legacy = Join(dir, LegacyCopyName(base));
        *stray = copy == Copy::Stray ? Join(dir, CopyName(sb.st_ino))
                 : ::lstat(legacy.c_str(), &ls) == 0 ? legacy
                                                     : std::string();
    }
    ::close(fd);  // closing the descriptor drops its OFD lock
    return st;
}

}  // namespace

Status ReadShared(const std::string& path, std::string* bytes, FileStamp* stamp, std::string* stray) {
    return ReadSharedInto(path, bytes, stamp, stray);
}

Status ReadShared(const std::string& path, FreshBytes* bytes) { return ReadSharedInto(path, bytes, nullptr, nullptr); }

Status SafeWrite(const std::string& path, const std::string& bytes, FileStamp* stamp) {
    ExclusiveLock lock;
    bool exists = false;
    Status st = lock.Acquire(path, &exists);
    if (!st.ok()) return st;
    st = lock.Write(bytes);
    // Still under the lock: no other desk's save can be taken for ours.
    if (stamp) *stamp = st.ok() ? lock.Stamp() : FileStamp{};
    return st;
}

ExclusiveLock::~ExclusiveLock() { Release(); }

Status ExclusiveLock::Acquire(const std::string& path, bool* exists) {
    Release();
    path_ = Resolve(path);
    Status st = OpenLocked(path_, O_RDWR, true, &fd_, exists);
    if (st.ok() && fd_ >= 0) st = RestoreCut(path_, fd_);
    if (!st.ok()) Release();
    return st;
}

Status ExclusiveLock::ReadAll(std::string* bytes) { return ReadFd(fd_, bytes); }

void FreshBytes::Clear() {
    std::free(map_);
    map_ = nullptr;
    mapped_ = size_ = 0;
}

bool FreshBytes::Allocate(size_t want) {
    Clear();
    // A small file's one page would bring in a huge page to clear.
    mapped_ = want;
    map_ = want >= kHugePage / 2 ? AllocHuge(want, &mapped_) : std::malloc(want);
    return map_ != nullptr;
}

Status FreshBytes::Assign(std::string_view bytes) {
    if (!Allocate(bytes.size() + 1)) return {Cause::NoMemory};
    std::memcpy(map_, bytes.data(), bytes.size());
    size_ = bytes.size();
    return {};
}

Status ReadFreshFd(int fd, FreshBytes* bytes) {
    bytes->Clear();
    struct stat st;
    if (fstat(fd, &st) != 0) return Fail(errno);
    if (st.st_size > kMaxRegisterBytes) return {Cause::Generic};
    // One byte more than the file, so that a file grown meanwhile shows.
    if (!bytes->Allocate(static_cast<size_t>(st.st_size) + 1)) return {Cause::NoMemory};
    if (lseek(fd, 0, SEEK_SET) < 0) return Fail(errno);
    char* p = static_cast<char*>(bytes->map_);
    for (;;) {
        if (bytes->size_ == bytes->mapped_) {
            // Grown under a lock that other writers do not know of: read whole all the same.
            const size_t more = bytes->mapped_ * 2;
            if (more > static_cast<size_t>(kMaxRegisterBytes) * 2) return {Cause::Generic};
            void* moved = std::realloc(bytes->map_, more);
            if (!moved) return {Cause::NoMemory};
            bytes->map_ = moved;
            bytes->mapped_ = more;
            p = static_cast<char*>(moved);
        }
        ssize_t n = ::read(fd, p + bytes->size_, bytes->mapped_ - bytes->size_);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fail(errno);
        }
        if (n == 0) break;
        bytes->size_ += static_cast<size_t>(n);
    }
    return {};
}

Status ExclusiveLock::ReadAll(FreshBytes* bytes) { return ReadFreshFd(fd_, bytes); }

Status ExclusiveLock::Matches(const std::string& bytes, bool* same) {
    *same = false;
    struct stat st;
    if (fstat(fd_, &st) != 0) return Fail(errno);
    if (st.st_size != static_cast<off_t>(bytes.size())) return {};
    char buf[1 << 16];
    size_t at = 0;
    while (at < bytes.size()) {
        ssize_t n = ::pread(fd_, buf, std::min(sizeof buf, bytes.size() - at), static_cast<off_t>(at));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Fail(errno);
        if (n == 0 || std::memcmp(buf, bytes.data() + at, static_cast<size_t>(n)) != 0) return {};
        at += static_cast<size_t>(n);
    }
    char extra;
    *same = ::pread(fd_, &extra, 1, static_cast<off_t>(at)) == 0;
    return {};
}

FileStamp ExclusiveLock::Stamp() const {
    struct stat st;
    if (fd_ < 0 || fstat(fd_, &st) != 0) return {};
    return StampFromStat(st);
}

void ExclusiveLock::Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

}  // namespace fileio
