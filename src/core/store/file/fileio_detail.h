#pragma once
// The pieces of fileio.cpp that the writer in replacefile.cpp builds on.
#include <sys/types.h>

#include <string>

#include "core/store/file/fileio.h"

namespace fileio::detail {

int Fault(const char* step);  // the test seam's errno for step, or 0
Status Fail(int e);
void Split(const std::string& path, std::string* dir, std::string* base);
std::string Join(const std::string& dir, const std::string& name);
// The names of a file's helpers, no person's choice: the prefix of its
// temporary files and the name of its in-place save's copy of the old bytes.
std::string TempPrefix(const std::string& base);
std::string BackupName(const std::string& base);
bool TryLock(int fd, short type, off_t start, off_t len);
Status ReadFd(int fd, std::string* bytes);
// Room for n bytes in s, in huge pages where the system gives them: a fresh
// register-sized buffer then takes a fault per 2 MB instead of one per 4 KB.
void Reserve(std::string* s, size_t n);
Status WriteAt0(int fd, const std::string& bytes);
Status SyncDir(const std::string& dir);

}  // namespace fileio::detail
