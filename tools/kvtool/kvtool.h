#pragma once
// kvtool: the command-line companion, on the same core and profile.
#include <string>
#include <vector>

class CKivoDoc;

namespace kvtool {

enum Exit { kOk = 0, kFileError = 1, kBadArgs = 2, kRefused = 3 };

using Args = std::vector<std::string>;

int Dump(const Args& a);
int Build(const Args& a);
int Check(const Args& a);
int Demo(const Args& a);
int Export(const Args& a);
int Book(const Args& a);
int List(const Args& a);
int Render(const Args& a);

// Reads a register into doc as the program has it once open (no repair, no
// profile write); prints the file message and returns 1 when it cannot.
int LoadDoc(const std::string& path, CKivoDoc* doc);

// Prints a UTF-8 message on standard error, one line.
void Error(const std::string& utf8);
// Writes to standard output; a failure there makes the exit status 1.
void Print(const std::string& utf8);

}  // namespace kvtool
