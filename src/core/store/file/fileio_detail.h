#pragma once
// The pieces of fileio.cpp that the writer in replacefile.cpp builds on.
#include <sys/stat.h>
#include <sys/types.h>

#include <string>

#include "core/store/file/fileio.h"

namespace fileio::detail {

int Fault(const char* step);  // the test seam's errno for step, or 0
Status Fail(int e);
void Split(const std::string& path, std::string* dir, std::string* base);
std::string Join(const std::string& dir, const std::string& name);
// The names of a file's helpers, no person's choice: the prefix of its
// temporary files, the name of an in-place save's copy of the old bytes (by the file's number, the
// same whichever link a desk uses), and the name earlier builds gave it.
std::string TempPrefix(const std::string& base);
std::string CopyName(unsigned long long ino);
std::string LegacyCopyName(const std::string& base);
// The copy of old bytes as it is kept: the bytes, then what proves it ours.
std::string CopyOf(const std::string& old, unsigned long long ino);
// The old bytes a copy holds when it proves to be ours for the file numbered
// ino: its number, length and checksum.
bool FromCopy(std::string* copy, unsigned long long ino);
// After a write of fd: moves its modification time on from before's when the
// file system left it there (a coarse time stamp, a clock behind).
void MakeLater(int fd, const struct stat& before);
bool TryLock(int fd, short type, off_t start, off_t len);
Status ReadFd(int fd, std::string* bytes);
// Room for n bytes in s, in huge pages where the system gives them: a fresh
// register-sized buffer then takes a fault per 2 MB instead of one per 4 KB.
void Reserve(std::string* s, size_t n);
// Writes the pieces in turn: at *at (moved on) when given, else where fd stands.
Status WritePieces(int fd, const Pieces& bytes, off_t* at);
Status WriteAt0(int fd, const Pieces& bytes);
Status SyncDir(const std::string& dir);

}  // namespace fileio::detail
