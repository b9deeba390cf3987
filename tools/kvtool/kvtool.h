#pragma once
// kvtool: the command-line companion, on the same core and profile.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class CKivoDoc;
class IDocHost;
struct RegisterData;

namespace kvtool {

enum Exit { kOk = 0, kFileError = 1, kBadArgs = 2, kRefused = 3 };

using Args = std::vector<std::string>;

// A command line as read against its command's row of the command table.
struct Options {
    Args args;                                  // the positional arguments, in order
    std::map<std::string, std::string> values;  // "--name" -> value ("" for a flag); the last one given wins
    const char* usage = "";                     // the command's usage line

    bool Has(const char* name) const { return values.count(name) != 0; }
    std::string Get(const char* name, const char* def = "") const;
};

// A command that checks the count of its arguments itself.
inline constexpr size_t kAnyCount = static_cast<size_t>(-1);

// Reads args for a command that takes `positional` arguments and the options
// named in `options` ("--day= --paid": a trailing '=' takes a value). False
// after the message on standard error: an unknown option, a value missing, or
// a wrong count of arguments (the usage line).
bool ReadOptions(const char* command, const Args& args, size_t positional, const char* options, const char* usage,
                 Options* out);

// The one reading of a date (YYYY-MM-DD) and a time of day (H:MM): numbers as
// the dialogs' number fields read them. Whether the date is a day the command
// can use is the command's own rule.
struct Ymd {
    uint32_t year = 0, month = 0, day = 0;
};
bool ParseDate(const std::string& text, Ymd* out);
bool ParseClock(const std::string& text, uint32_t* hour, uint32_t* minute);

int Dump(const Options& o);
int Build(const Options& o);
int Check(const Options& o);
int Demo(const Options& o);
int Export(const Options& o);
int ExportIcal(const Options& o);  // export ical
int Book(const Options& o);
int List(const Options& o);
int Render(const Options& o);
int Holidays(const Options& o);
int Free(const Options& o);
int Copy(const Options& o);

// Every location below is a register's, as the desk names it: a file's path,
// or postgresql://…?register=NAME for a register on a server.
// Reads a register as it is stored (no repair, no profile write); prints the
// message and returns 1 when it cannot.
int LoadFile(const std::string& location, RegisterData* data);
// The same into doc, as the program has it once open.
int LoadDoc(const std::string& location, CKivoDoc* doc);
// Writes data as the whole register at location; 1 with the message.
int WriteRegister(const std::string& location, const RegisterData& data);
// Writes a file that is no register (an image, a page) whole; 1 with the file message.
int WriteFile(const std::string& path, const std::string& bytes);
// A document's messages on standard error; it declines every repair.
IDocHost& StderrDocHost();

// Prints a UTF-8 message on standard error, one line.
void Error(const std::string& utf8);
// Writes to standard output; a failure there makes the exit status 1.
void Print(const std::string& utf8);
// Whether a write to standard output failed: what follows cannot reach it.
bool OutputFailed();

}  // namespace kvtool
