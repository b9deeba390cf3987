#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

#include "core/store/file/fileio.h"
#include "core/store/file/fileio_detail.h"

// Writing a file whole: through a temporary file renamed over it, or, for a
// register no such file can stand in for, in place behind a copy of the old
// bytes.

namespace fileio {

using namespace detail;

namespace {

// The names in dir of the file st describes: its hard links there.
std::vector<std::string> LinkNames(const std::string& dir, const struct stat& st) {
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.c_str());
    if (!d) return names;
    while (struct dirent* e = ::readdir(d)) {
        struct stat ls;
        if ((e->d_ino == st.st_ino || e->d_type == DT_UNKNOWN) &&
            fstatat(dirfd(d), e->d_name, &ls, AT_SYMLINK_NOFOLLOW) == 0 && ls.st_ino == st.st_ino &&
            ls.st_dev == st.st_dev)
            names.emplace_back(e->d_name);
    }
    ::closedir(d);
    return names;
}

// Whether every hard link of the file st describes lies in dir: only there
// does a desk that opens it by any of them look for its copy of old bytes.
bool AllLinksIn(const std::string& dir, const struct stat& st) {
    return st.st_nlink <= 1 || LinkNames(dir, st).size() >= st.st_nlink;
}

// A writer killed half way leaves its temporary file behind. Every writer
// holds a lock on its own temporary file until it is renamed into place, so
// one of our names whose lock can be had has no living owner and goes: made
// for the target's name or for any of its other links in the folder.
void RemoveStaleTemps(const std::string& dir, const std::string& target, const std::string& base) {
    std::vector<std::string> prefixes{TempPrefix(base)};
    struct stat st;
    if (::stat(target.c_str(), &st) == 0 && st.st_nlink > 1)
        for (const std::string& name : LinkNames(dir, st)) prefixes.push_back(TempPrefix(name));
    DIR* d = ::opendir(dir.c_str());
    if (!d) return;
    while (struct dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        bool ours = false;
        for (const std::string& p : prefixes) ours = ours || (name.size() == p.size() + 6 && name.compare(0, p.size(), p) == 0);
        for (size_t i = name.size() - 6; ours && i < name.size(); ++i)  // mkostemp's XXXXXX
            ours = (name[i] >= 'A' && name[i] <= 'Z') || (name[i] >= 'a' && name[i] <= 'z') || (name[i] >= '0' && name[i] <= '9');
        if (!ours) continue;
        const std::string full = Join(dir, name);
        int fd = ::open(full.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
        if (fd < 0) continue;
        struct stat now;
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && TryLock(fd, F_WRLCK, 0, 0) &&
            ::lstat(full.c_str(), &now) == 0 && now.st_ino == st.st_ino && now.st_dev == st.st_dev)
            ::unlink(full.c_str());
        ::close(fd);
    }
    ::closedir(d);
}

// Whether fd's file is mounted where it stands: no rename can replace it.
bool MountPoint(int fd) {
#ifdef STATX_ATTR_MOUNT_ROOT
    struct statx sx;
    return statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS, &sx) == 0 &&
           (sx.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (sx.stx_attributes & STATX_ATTR_MOUNT_ROOT);
#else
    (void)fd;
    return false;
#endif
}

// A temporary file of ours in dir, locked (see RemoveStaleTemps) until it is
// renamed into place or abandoned.
struct Temp {
    int fd = -1;
    std::string name;
    ~Temp() { Abandon(); }
    void Abandon() {
        if (fd < 0) return;
        ::unlink(name.c_str());
        ::close(fd);
        fd = -1;
    }
};

Status MakeTemp(const std::string& dir, const std::string& base, Temp* t) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        std::string name = Join(dir, TempPrefix(base) + "XXXXXX");
        if (int e = Fault("open")) return Fail(e);
        int fd = mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0) return Fail(errno);
        // A clean-up that locked it before us has removed it: make another.
        struct stat st;
        if (TryLock(fd, F_WRLCK, 0, 0) && fstat(fd, &st) == 0 && st.st_nlink > 0) {
            t->fd = fd;
            t->name = name;
            return {};
        }
        ::close(fd);
    }
    return {Cause::SharingViolation};
}

Status WriteAll(int fd, const Pieces& bytes) {
    if (Status s = WritePieces(fd, bytes, nullptr); !s.ok()) return s;
    int e;
    if ((e = Fault("fsync")) != 0) return Fail(e);
    if (fsync(fd) != 0) return Fail(errno);
    return {};
}

// The register's ACL onto to; true when it has none or it was carried.
bool CarryAcl(int from, int to) {
    static const char kAcl[] = "system.posix_acl_access";
    ssize_t n = fgetxattr(from, kAcl, nullptr, 0);
    if (n < 0) return errno == ENODATA || errno == ENOTSUP;
    std::string acl(static_cast<size_t>(n), '\0');
    n = fgetxattr(from, kAcl, acl.data(), acl.size());
    return n >= 0 && fsetxattr(to, kAcl, acl.data(), static_cast<size_t>(n), 0) == 0;
}

// Gives the temporary file everything the register has that decides who may
// use it; false when it cannot (then the register is written in place).
bool CarryOver(int from, const struct stat& st, int to) {
    if (fchown(to, st.st_uid, st.st_gid) != 0) return false;
    if (fchmod(to, st.st_mode & 07777) != 0) return false;
    return CarryAcl(from, to);
}

// The register in place, for when a renamed file could not stand in for it:
// a synced copy of the old bytes first, which the next lock puts back if
// this is cut short. The copy is named by the file's number, so that a desk
// on any of its links finds it, and whoever may write the register may
// read it.
Status WriteInPlace(int fd, const struct stat& st, const std::string& path, const Pieces& bytes) {
    std::string dir, base;
    Split(path, &dir, &base);
    if (!AllLinksIn(dir, st)) return {Cause::LinkedElsewhere};
    Temp tmp;
    Status s = MakeTemp(dir, base, &tmp);
    if (!s.ok()) return s;
    // The copy of the old bytes is made through the same kind of file.
    std::string old;
    s = ReadFd(fd, &old);
    if (s.ok()) s = WriteAll(tmp.fd, CopyOf(old, st.st_ino));
    if (!s.ok()) return s;
    if (fchown(tmp.fd, st.st_uid, st.st_gid) != 0) (void)!fchown(tmp.fd, static_cast<uid_t>(-1), st.st_gid);
    fchmod(tmp.fd, st.st_mode & 0666);
    if (!CarryAcl(fd, tmp.fd)) return Fail(errno);
    const std::string backup = Join(dir, CopyName(st.st_ino));
    int e = Fault("backup");
    if (e != 0 || ::rename(tmp.name.c_str(), backup.c_str()) != 0) return Fail(e ? e : errno);
    ::close(tmp.fd);
    tmp.fd = -1;
    if (!(s = SyncDir(dir)).ok()) return s;
    // From here a crash leaves the copy, and the next lock puts it back.
    s = WriteAt0(fd, bytes);
    if (!s.ok()) {
        if (WriteAt0(fd, old).ok() && ::unlink(backup.c_str()) == 0) SyncDir(dir);
        MakeLater(fd, st);
        return s;
    }
    MakeLater(fd, st);
    // The new bytes stand in the register now: a fault from here on leaves
    // the outcome unknown.
    if (::unlink(backup.c_str()) != 0) s = Fail(errno);
    else s = SyncDir(dir);
    s.unknown = !s.ok();
    return s;
}

}  // namespace

Status ReplaceWhole(const std::string& target, const Pieces& bytes, const std::function<bool(int fd)>& prepare,
                    int* keptFd, bool* declined) {
    std::string dir, base;
    Split(target, &dir, &base);
    if (base.empty()) return {Cause::BadPath};
    RemoveStaleTemps(dir, target, base);
    Temp tmp;
    Status s = MakeTemp(dir, base, &tmp);
    if (!s.ok()) return s;
    if (!prepare(tmp.fd)) {
        if (!declined) return {Cause::AccessDenied};
        *declined = true;
        return {};
    }
    if (!(s = WriteAll(tmp.fd, bytes)).ok()) return s;
    int e = Fault("rename");
    if (e != 0 || ::rename(tmp.name.c_str(), target.c_str()) != 0) return Fail(e ? e : errno);
    // The temporary file is the file now, and its lock goes on with it.
    if (keptFd) *keptFd = tmp.fd;
    else ::close(tmp.fd);
    tmp.fd = -1;
    // Renamed: the new bytes are the file, whether or not the folder syncs.
    s = SyncDir(dir);
    s.unknown = !s.ok();
    return s;
}

Status ExclusiveLock::Write(const Pieces& bytes) {
    struct stat st;
    if (fd_ >= 0 && fstat(fd_, &st) != 0) return Fail(errno);
    // No rename can stand in for a file with other links (it would split
    // them) or one mounted where it stands: in place, with no new file tried.
    if (fd_ >= 0 && (st.st_nlink > 1 || MountPoint(fd_))) {
        std::string dir, base;
        Split(path_, &dir, &base);
        RemoveStaleTemps(dir, path_, base);
        return WriteInPlace(fd_, st, path_, bytes);
    }
    const auto prepare = [&](int tmp) {
        if (fd_ >= 0) return CarryOver(fd_, st, tmp);
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(tmp, 0666 & ~mask);
        return true;
    };
    int kept = -1;
    bool declined = false;
    const bool existed = fd_ >= 0;
    Status s = ReplaceWhole(path_, bytes, prepare, &kept, &declined);
    if (kept >= 0) {
        Release();
        fd_ = kept;
        if (existed) MakeLater(fd_, st);
    }
    if (!s.ok() || !declined) return s;
    return WriteInPlace(fd_, st, path_, bytes);
}

}  // namespace fileio
