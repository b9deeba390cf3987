#include "core/profile/profile.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/store/file/fileio.h"

namespace profile {

namespace {

struct Entry {
    Key key;
    const char* section;
    const char* name;
    // Defaults in their stored text form; integer keys read them the C way,
    // so the one key without a default ("") reads as 0.
    const char* def;
};

// Every setting of the program. The font sections mirror each other: the
// schedule's font is written by the font command, the two list fonts only read.
constexpr Entry kTable[] = {
    {Key::DefaultFile, "System", "DefaultFile", ""},
    {Key::Dup, "System", "Dup", "1"},
    {Key::StartTime, "System", "StartTime", "8"},
    {Key::EndTime, "System", "EndTime", "23"},
    {Key::AutoRefresh, "System", "AutoRefresh", "1"},
    // 1: the schedule and the date dialog name the day's national holiday.
    {Key::Holidays, "System", "Holidays", "1"},
    {Key::ViewMode, "View", "Mode", "0"},
    {Key::ViewObject, "View", "Object", "0"},
    {Key::RevColor1, "View", "RevColor1", "65280"},
    {Key::RevColor2, "View", "RevColor2", "65280"},
    {Key::WindowPos, "Settings", "WindowPos", ""},
    {Key::ShowCmd, "Settings", "ShowCmd", "3"},
    {Key::PreviewPages, "Settings", "PreviewPages", "0"},
    {Key::RViewSort, "RView", "Sort", "0"},
    {Key::UserViewSort, "UserView", "Sort", ""},
    {Key::FontFaceName, "Font", "FaceName", "FIXEDSYS"},
    {Key::FontSize, "Font", "Size", "-13"},
    {Key::FontWeight, "Font", "Weight", "400"},
    {Key::FontItalic, "Font", "Italic", "0"},
    {Key::FontUnderline, "Font", "Underline", "0"},
    {Key::FontCharSet, "Font", "CharSet", "128"},
    {Key::RFontFaceName, "RFont", "FaceName", "FIXEDSYS"},
    {Key::RFontSize, "RFont", "Size", "-13"},
    {Key::RFontWeight, "RFont", "Weight", "400"},
    {Key::RFontItalic, "RFont", "Italic", "0"},
    {Key::RFontUnderline, "RFont", "Underline", "0"},
    {Key::RFontCharSet, "RFont", "CharSet", "128"},
    {Key::UFontFaceName, "UFont", "FaceName", "FIXEDSYS"},
    {Key::UFontSize, "UFont", "Size", "-13"},
    {Key::UFontWeight, "UFont", "Weight", "400"},
    {Key::UFontItalic, "UFont", "Italic", "0"},
    {Key::UFontUnderline, "UFont", "Underline", "0"},
    {Key::UFontCharSet, "UFont", "CharSet", "128"},
};

constexpr bool TableInKeyOrder() {
    for (size_t i = 0; i < std::size(kTable); ++i)
        if (static_cast<size_t>(kTable[i].key) != i) return false;
    return static_cast<size_t>(Key::UFontCharSet) + 1 == std::size(kTable);
}
static_assert(TableInKeyOrder(), "one row per Key, in the enum's order");

constexpr const char* kRecentSection = "Recent File List";
constexpr int kRecentCount = 4;

const Entry* Find(Key k) {
    auto i = static_cast<size_t>(k);
    return i < std::size(kTable) ? &kTable[i] : nullptr;
}

std::string g_override;  // set by SetPath; empty follows the environment
std::string g_path;      // what Path() last handed out
AccessWatch g_watch = nullptr;

void Watch() {
    if (g_watch) g_watch();
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Case-insensitive for A..Z only; the second byte of a double-byte character
// is compared exactly, or two different Japanese names could match.
bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
        } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

// A line whose first non-blank is '[' opens a section, named up to ']'.
bool SectionLine(std::string_view line, std::string_view* name) {
    std::string_view s = Trim(line);
    if (s.empty() || s.front() != '[') return false;
    s.remove_prefix(1);
    *name = Trim(s.substr(0, s.find(']')));
    return true;
}

// "key=value": the key trimmed, the value verbatim after the first '='.
bool KeyLine(std::string_view line, std::string_view* key, std::string_view* value) {
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) return false;
    *key = Trim(line.substr(0, eq));
    *value = line.substr(eq + 1);
    return true;
}

std::string_view WithoutCr(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

// Lines as stored, without their '\n' (a trailing '\r' stays on the line).
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        size_t nl = text.find('\n');
        if (nl == std::string_view::npos) {
            lines.push_back(text);
            break;
        }
        lines.push_back(text.substr(0, nl));
        text.remove_prefix(nl + 1);
    }
    return lines;
}

std::optional<std::string> ReadFd(int fd) {
    std::string text;
    char buf[65536];
    for (;;) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) return text;
        text.append(buf, static_cast<size_t>(n));
    }
}

// The whole file, or nothing when it is missing, unreadable or not a plain
// file (a FIFO or a device must not block or flood the program).
std::optional<std::string> ReadWhole(const std::string& path) {
    if (path.empty()) return std::nullopt;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    std::optional<std::string> text;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) text = ReadFd(fd);
    close(fd);
    return text;
}

// Finds the key in the first section of that name; later sections of the
// same name are not consulted, as writes only ever touch the first.
std::optional<std::string> Lookup(const std::string& section, const std::string& key) {
    Watch();
    std::optional<std::string> text = ReadWhole(Path());
    if (!text) return std::nullopt;
    std::string_view wantSection = Trim(section), wantKey = Trim(key);
    bool inside = false;
    for (std::string_view raw : SplitLines(*text)) {
        std::string_view line = WithoutCr(raw), name, value;
        if (SectionLine(line, &name)) {
            if (inside) return std::nullopt;
            inside = SameName(name, wantSection);
        } else if (inside && KeyLine(line, &name, &value) && SameName(name, wantKey)) {
            return std::string(value);
        }
    }
    return std::nullopt;
}

// Whatever would not read back as the same section, key and value.
bool Storable(std::string_view section, std::string_view key, std::string_view value) {
    auto breaksLine = [](std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; };
    if (breaksLine(section) || breaksLine(key) || breaksLine(value)) return false;
    if (section.find(']') != std::string_view::npos) return false;
    std::string_view k = Trim(key);
    return !k.empty() && k.find('=') == std::string_view::npos && k.front() != '[';
}

// The file's text with section/key set to value: an existing line keeps its
// key as first written; a new key goes after the last line of its section; a
// new section goes at the end. Every other line stays byte for byte.
std::string Apply(const std::string& old, std::string_view section, std::string_view key, std::string_view value) {
    std::vector<std::string_view> lines = SplitLines(old);
    std::vector<std::string> out(lines.begin(), lines.end());
    section = Trim(section);
    key = Trim(key);

    std::optional<size_t> header, keyLine, lastInSection;
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string_view line = WithoutCr(lines[i]), name, v;
        if (SectionLine(line, &name)) {
            if (header) break;
            if (SameName(name, section)) header = lastInSection = i;
        } else if (header) {
            if (!Trim(line).empty()) lastInSection = i;
            if (KeyLine(line, &name, &v) && SameName(name, key)) {
                keyLine = i;
                break;
            }
        }
    }

    if (keyLine) {
        std::string& line = out[*keyLine];
        bool cr = !line.empty() && line.back() == '\r';
        line.erase(line.find('=') + 1);
        line.append(value);
        if (cr) line.push_back('\r');
    } else {
        std::string entry = std::string(key).append("=").append(value);
        if (header) {
            out.insert(out.begin() + static_cast<std::ptrdiff_t>(*lastInSection + 1), entry);
        } else {
            out.push_back(std::string("[").append(section).append("]"));
            out.push_back(entry);
        }
    }

    std::string text;
    for (const std::string& line : out) {
        text += line;
        text += '\n';
    }
    return text;
}

// A rename over the old file, so that a reader in another process sees the
// old text or the new, never a part; on any failure the old file is untouched.
// The caller holds the lock on the file at target.
bool ReplaceFile(const std::filesystem::path& target, const std::string& text, const struct stat& old) {
    return fileio::ReplaceWhole(target.string(), text, [&old](int fd) { return fchmod(fd, old.st_mode & 07777) == 0; })
        .ok();
}

// The profile file itself, locked against every other writer for one
// read-modify-write: without it two processes each add a key to the same old
// text and the later rename drops the other's key. The lock is taken on the
// file now at the path, as a rename by the previous holder replaces it.
class WriterLock {
public:
    ~WriterLock() {
        if (fd_ >= 0) close(fd_);
    }
    // False when the file cannot be opened, is not a plain file, or stays
    // locked for longer than any write takes.
    bool Acquire(const std::filesystem::path& target) {
        constexpr int kWaitMs = 10000, kReplacedAtMost = 1000;
        int waited = 0, step = 1, replaced = 0;
        for (;;) {
            // Never blocks: a FIFO in the profile's place is refused below.
            fd_ = open(target.c_str(), O_RDONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
            if (fd_ < 0 || fstat(fd_, &st_) != 0 || !S_ISREG(st_.st_mode)) return false;
            const bool locked = flock(fd_, LOCK_EX | LOCK_NB) == 0;
            if (!locked && errno != EWOULDBLOCK && errno != EINTR) return false;
            struct stat now {};
            if (locked && stat(target.c_str(), &now) == 0 && now.st_dev == st_.st_dev && now.st_ino == st_.st_ino)
                return true;
            close(fd_);
            fd_ = -1;
            // Replaced meanwhile: the new file is the one to lock, at once.
            if (locked && ++replaced < kReplacedAtMost) continue;
            if (locked || waited >= kWaitMs) return false;
            timespec pause{0, step * 1000000L};
            nanosleep(&pause, nullptr);
            waited += step;
            step = std::min(step * 2, 20);
        }
    }
    int fd() const { return fd_; }
    const struct stat& st() const { return st_; }

private:
    int fd_ = -1;
    struct stat st_ {};
};

// atoi's reading: blanks, a sign, the digits up to the first other character,
// none -> 0; an overflow saturates at INT_MIN / INT_MAX instead of wrapping.
int CInt(const char* p) {
    while (*p == ' ' || (*p >= '\t' && *p <= '\r')) ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    const long long limit = static_cast<long long>(INT_MAX) + 1;
    long long n = 0;
    for (; *p >= '0' && *p <= '9'; ++p)
        if (n < limit) n = n * 10 + (*p - '0');
    if (n > limit) n = limit;
    if (negative) return static_cast<int>(-n);
    return n > INT_MAX ? INT_MAX : static_cast<int>(n);
}

std::string HomeDir() {
    const char* home = getenv("HOME");
    if (home && *home) return home;
    if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return ".";
}

}  // namespace

std::string DefaultPath() {
    const char* own = getenv("ORVALIS_PROFILE");
    if (own && *own) return own;
    // Relative XDG_CONFIG_HOME values are invalid by the XDG rules and ignored.
    const char* xdg = getenv("XDG_CONFIG_HOME");
    std::string base = (xdg && *xdg == '/') ? std::string(xdg) : HomeDir() + "/.config";
    return base + "/orvalis/orvalis.ini";
}

void SetPath(const std::string& path) { g_override = path; }

void SetAccessWatch(AccessWatch watch) { g_watch = watch; }

// Without an override the environment is asked again each time, so a changed
// ORVALIS_PROFILE is followed at once.
const std::string& Path() {
    g_path = g_override.empty() ? DefaultPath() : g_override;
    return g_path;
}

int GetProfileInt(const std::string& section, const std::string& key, int def) {
    std::optional<std::string> text = Lookup(section, key);
    return text ? CInt(text->c_str()) : def;
}

std::string GetProfileString(const std::string& section, const std::string& key, const std::string& def) {
    std::optional<std::string> text = Lookup(section, key);
    return text ? *text : def;
}

bool WriteProfileInt(const std::string& section, const std::string& key, int value) {
    return WriteProfileString(section, key, std::to_string(value));
}

bool WriteProfileString(const std::string& section, const std::string& key, const std::string& value) {
    if (!Storable(section, key, value)) return false;
    const std::string& path = Path();
    if (path.empty()) return false;
    Watch();
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path target(path);
    if (fs::path dir = target.parent_path(); !dir.empty()) {
        fs::create_directories(dir, ec);
        if (ec) return false;
    }
    WriterLock lock;
    if (!lock.Acquire(target)) return false;
    // Follow a symbolic link so that the link stays and its target changes;
    // the lock above was taken through the link on that same file.
    fs::path real = fs::canonical(target, ec);
    if (!ec) target = real;
    // A file that is there but cannot be read is not replaced by one key.
    std::optional<std::string> old = ReadFd(lock.fd());
    if (!old) return false;
    std::string text = Apply(*old, section, key, value);
    if (*old == text) return true;
    return ReplaceFile(target, text, lock.st());
}

int GetInt(Key k) {
    const Entry* e = Find(k);
    return e ? GetProfileInt(e->section, e->name, CInt(e->def)) : 0;
}

uint32_t GetColor(Key k) { return static_cast<uint32_t>(GetInt(k)); }

std::string GetString(Key k) {
    const Entry* e = Find(k);
    return e ? GetProfileString(e->section, e->name, e->def) : std::string();
}

bool WriteInt(Key k, int value) {
    const Entry* e = Find(k);
    return e && WriteProfileInt(e->section, e->name, value);
}

bool WriteString(Key k, const std::string& value) {
    const Entry* e = Find(k);
    return e && WriteProfileString(e->section, e->name, value);
}

const char* SectionOf(Key k) {
    const Entry* e = Find(k);
    return e ? e->section : "";
}

const char* NameOf(Key k) {
    const Entry* e = Find(k);
    return e ? e->name : "";
}

std::string RecentFile(int n) {
    if (n < 1 || n > kRecentCount) return std::string();
    return GetProfileString(kRecentSection, "File" + std::to_string(n), std::string());
}

bool WriteRecentFile(int n, const std::string& path) {
    if (n < 1 || n > kRecentCount) return false;
    return WriteProfileString(kRecentSection, "File" + std::to_string(n), path);
}

}  // namespace profile
