// Loaded into a process with LD_PRELOAD: every fsync of a folder fails with
// EIO, as on a failing disk or a network share, so the fault comes after a
// save's rename, when the new bytes already stand in the folder.
#include <dlfcn.h>
#include <errno.h>
#include <sys/stat.h>

extern "C" int fsync(int fd) {
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        errno = EIO;
        return -1;
    }
    using Fsync = int (*)(int);
    static const Fsync real = reinterpret_cast<Fsync>(dlsym(RTLD_NEXT, "fsync"));
    return real(fd);
}
