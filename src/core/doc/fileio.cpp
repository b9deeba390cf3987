#include "core/doc/fileio.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>

namespace fileio {

namespace {

int g_lockWaitMs = 2000;
FaultHook g_faultHook = nullptr;

int Fault(const char* step) { return g_faultHook ? g_faultHook(step) : 0; }

std::string Replace1(const char* pattern, const std::string& path) {
    std::string s = pattern;
    size_t at = s.find("%1");
    if (at != std::string::npos) s.replace(at, 2, path);
    return s;
}

// Waits for an OFD lock on fd; false with errno set when it cannot be had.
bool LockFd(int fd, short type) {
    struct flock fl;
    std::memset(&fl, 0, sizeof fl);
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    const int steps = g_lockWaitMs / 10;
    for (int i = 0;; ++i) {
        if (fcntl(fd, F_OFD_SETLK, &fl) == 0) return true;
        if (errno != EAGAIN && errno != EACCES && errno != EINTR) return false;
        if (i >= steps) {
            errno = EAGAIN;
            return false;
        }
        struct timespec ts{0, 10 * 1000 * 1000};
        nanosleep(&ts, nullptr);
    }
}

// Opens and locks the file that is at path now. A file renamed over it while
// we waited is noticed by its inode and the lock is taken again on the new one.
Status OpenLocked(const std::string& path, int flags, short type, int* outFd, bool* exists) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        int fd = ::open(path.c_str(), flags | O_CLOEXEC);
        if (fd < 0) {
            if (errno == ENOENT && exists) {
                *exists = false;
                return {};
            }
            return {CauseFromErrno(errno)};
        }
        struct stat st;
        if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
            int e = S_ISDIR(st.st_mode) ? EACCES : errno;
            ::close(fd);
            return {CauseFromErrno(e)};
        }
        if (!LockFd(fd, type)) {
            int e = errno;
            ::close(fd);
            return {e == EAGAIN || e == EACCES ? Cause::SharingViolation : CauseFromErrno(e)};
        }
        struct stat now;
        if (::stat(path.c_str(), &now) == 0 && now.st_ino == st.st_ino && now.st_dev == st.st_dev) {
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
    if (fstat(fd, &st) == 0 && st.st_size > 0) bytes->reserve(static_cast<size_t>(st.st_size));
    if (lseek(fd, 0, SEEK_SET) < 0) return {CauseFromErrno(errno)};
    char buf[1 << 16];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return {CauseFromErrno(errno)};
        }
        if (n == 0) break;
        bytes->append(buf, static_cast<size_t>(n));
    }
    return {};
}

// A writer killed half way leaves its temporary file behind. Every writer
// holds a lock on its own temporary file, so one whose lock can be had has no
// living owner and goes.
void RemoveStaleTemps(const std::string& dir, const std::string& base) {
    const std::string prefix = "." + base + ".";
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    while (struct dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string full = dir + "/" + name;
        int fd = ::open(full.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) continue;
        struct flock fl;
        std::memset(&fl, 0, sizeof fl);
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        struct stat st;
        if (fcntl(fd, F_OFD_SETLK, &fl) == 0 && fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) ::unlink(full.c_str());
        ::close(fd);
    }
    ::closedir(d);
}

}  // namespace

Cause CauseFromErrno(int e) {
    switch (e) {
        case 0: return Cause::None;
        case ENOENT: return Cause::FileNotFound;
        case ENOTDIR: case ENAMETOOLONG: case ELOOP: case EINVAL: return Cause::BadPath;
        case EMFILE: case ENFILE: return Cause::TooManyOpenFiles;
        case EACCES: case EPERM: case EROFS: case EISDIR: case ETXTBSY: return Cause::AccessDenied;
        case EBADF: return Cause::InvalidFile;
        case EBUSY: return Cause::RemoveCurrentDir;
        case EMLINK: return Cause::DirectoryFull;
        case ESPIPE: return Cause::BadSeek;
        case EIO: return Cause::HardIO;
        case EAGAIN: return Cause::SharingViolation;
        case EDEADLK: case ENOLCK: return Cause::LockViolation;
        case ENOSPC: case EDQUOT: case EFBIG: return Cause::DiskFull;
        default: return Cause::Generic;
    }
}

std::string FileMessage(Cause c, const std::string& path) {
    switch (c) {
        case Cause::None: return "ｴﾗｰはありませんでした。";
        case Cause::Generic: return Replace1("%1 へのｱｸｾｽ中に不明なｴﾗｰが発生しました。", path);
        case Cause::FileNotFound: return Replace1("%1 が見つかりませんでした。", path);
        case Cause::BadPath: return Replace1("%1 には無効なﾊﾟｽが含まれています。", path);
        case Cause::TooManyOpenFiles: return Replace1("開いているﾌｧｲﾙが多すぎるため、%1 を開けませんでした。", path);
        case Cause::AccessDenied: return Replace1("%1 へのｱｸｾｽは拒否されました。", path);
        case Cause::InvalidFile: return Replace1("%1 へ無効なﾌｧｲﾙ ﾊﾝﾄﾞﾙが関連付けられていました。", path);
        case Cause::RemoveCurrentDir: return Replace1("現在のﾃﾞｨﾚｸﾄﾘ %1 は削除できませんでした。", path);
        case Cause::DirectoryFull: return Replace1("%1 を作成できませんでした。そのﾃﾞｨﾚｸﾄﾘはいっぱいです。", path);
        case Cause::BadSeek: return Replace1("%1 のｼｰｸに失敗しました。", path);
        case Cause::HardIO: return Replace1("%1 へのｱｸｾｽ中にﾊｰﾄﾞｳｪｱ I/O ｴﾗｰが報告されました。", path);
        case Cause::SharingViolation: return Replace1("%1 へのｱｸｾｽ中に共有違反が発生しました。", path);
        case Cause::LockViolation: return Replace1("%1 へのｱｸｾｽ中にﾛｯｸ違反が発生しました。", path);
        case Cause::DiskFull: return Replace1("%1 へのｱｸｾｽ中にﾃﾞｨｽｸがいっぱいになりました。", path);
        case Cause::EndOfFile: return Replace1("%1 の末尾以降にｱｸｾｽしようとしました。", path);
    }
    return Replace1("%1 へのｱｸｾｽ中に不明なｴﾗｰが発生しました。", path);
}

int LockWaitMs() { return g_lockWaitMs; }
void SetLockWaitMs(int ms) { g_lockWaitMs = ms < 0 ? 0 : ms; }
void SetFaultHook(FaultHook hook) { g_faultHook = hook; }

Status ReadShared(const std::string& path, std::string* bytes) {
    int fd = -1;
    Status st = OpenLocked(path, O_RDONLY, F_RDLCK, &fd, nullptr);
    if (!st.ok()) return st;
    st = ReadFd(fd, bytes);
    ::close(fd);  // closing the descriptor drops its OFD lock
    return st;
}

Status SafeWrite(const std::string& path, const std::string& bytes) {
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    if (base.empty()) return {Cause::BadPath};

    mode_t mode = 0666;
    struct stat old;
    const bool hadOld = ::stat(path.c_str(), &old) == 0;
    if (hadOld) {
        if (S_ISDIR(old.st_mode)) return {Cause::AccessDenied};
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }

    RemoveStaleTemps(dir, base);
    std::string tmp = dir + "/." + base + ".XXXXXX";
    int e = Fault("open");
    int fd = e ? -1 : mkstemp(tmp.data());
    if (fd < 0) return {CauseFromErrno(e ? e : errno)};
    {
        // Marks the temporary file as ours while we live (see RemoveStaleTemps).
        struct flock fl;
        std::memset(&fl, 0, sizeof fl);
        fl.l_type = F_WRLCK;
        fl.l_whence = SEEK_SET;
        fcntl(fd, F_OFD_SETLK, &fl);
    }
    auto fail = [&](int err) {
        ::close(fd);
        ::unlink(tmp.c_str());
        return Status{CauseFromErrno(err)};
    };
    if (fchmod(fd, mode) != 0 && hadOld) return fail(errno);

    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        if ((e = Fault("write")) != 0) return fail(e);
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(errno);
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if ((e = Fault("fsync")) != 0) return fail(e);
    if (fsync(fd) != 0) return fail(errno);
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(tmp.c_str());
        return {CauseFromErrno(err)};
    }
    fd = -1;
    if ((e = Fault("rename")) != 0 || ::rename(tmp.c_str(), path.c_str()) != 0) {
        int err = e ? e : errno;
        ::unlink(tmp.c_str());
        return {CauseFromErrno(err)};
    }
    // The rename itself must reach the disk before the change counts as saved.
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        fsync(dfd);
        ::close(dfd);
    }
    return {};
}

ExclusiveLock::~ExclusiveLock() { Release(); }

Status ExclusiveLock::Acquire(const std::string& path, bool* exists) {
    Release();
    return OpenLocked(path, O_RDWR, F_WRLCK, &fd_, exists);
}

Status ExclusiveLock::ReadAll(std::string* bytes) { return ReadFd(fd_, bytes); }

void ExclusiveLock::Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

}  // namespace fileio
