#pragma once
// What can go wrong with a register wherever it lives, and the file message
// each cause shows.
#include <string>

namespace store {

// The causes an operation on a register can fail with; each has its message.
enum class Cause {
    None, Generic, FileNotFound, BadPath, TooManyOpenFiles, AccessDenied, InvalidFile,
    RemoveCurrentDir, DirectoryFull, BadSeek, HardIO, SharingViolation, LockViolation,
    DiskFull, EndOfFile,
    // Not of a file: the bytes are no register, or there was no memory for it.
    BadFormat, NoMemory,
    // Of a register on a server: none answered, the connection went, it asks
    // for a password, or it refused an overlap itself.
    ServerUnreachable, ConnectionLost, PasswordNeeded, Overlap,
    // A file that must be written in place and has a hard link in another
    // folder, where no desk would find what a cut save left to mend it.
    LinkedElsewhere,
};

Cause CauseFromErrno(int e);
// The file message of the cause with the register's name in place of %1.
std::string FileMessage(Cause c, const std::string& name);

struct Status {
    Cause cause = Cause::None;
    // The fault came after the new contents may already stand in the register
    // (renamed into place, or written in place): whether the change is saved
    // is not known, so it must never be made again on its own.
    bool unknown = false;
    bool ok() const { return cause == Cause::None; }
};

}  // namespace store
