// The imported holiday table: reading the Cabinet Office's CSV, the text the
// program keeps beside the profile, and that file as every desk reads it.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "core/calendar/holidays.h"
#include "core/doc/text.h"
#include "core/profile/profile.h"

namespace holidays {

namespace {

constexpr const char* kHeader = "国民の祝日・休日月日,国民の祝日・休日名称";
constexpr std::string_view kBom = "\xEF\xBB\xBF";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Whole and well-formed UTF-8 (no overlong forms, no surrogates).
bool IsUtf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        uint32_t cp = n == 1 ? c : n == 2 ? c & 0x1F : n == 3 ? c & 0x0F : c & 0x07;
        for (size_t k = 1; k < n; ++k) {
            const auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        static const uint32_t kMin[5] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMin[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += n;
    }
    return true;
}

// A field, without the quotes a spreadsheet may have put around it.
std::string_view Unquote(std::string_view f) {
    if (f.size() >= 2 && f.front() == '"' && f.back() == '"') f = f.substr(1, f.size() - 2);
    return f;
}

// "Y/M/D" of 1..4, 1..2 and 1..2 digits naming a real day.
bool ReadDate(std::string_view s, Date* out) {
    int parts[3] = {0, 0, 0};
    int n = 0, digits = 0;
    for (char c : s) {
        if (c == '/') {
            if (digits == 0 || ++n > 2) return false;
            digits = 0;
        } else if (c >= '0' && c <= '9') {
            if (++digits > (n == 0 ? 4 : 2)) return false;
            parts[n] = parts[n] * 10 + (c - '0');
        } else {
            return false;
        }
    }
    if (n != 2 || digits == 0) return false;
    *out = {parts[0], parts[1], parts[2]};
    return IsRealDay(*out);
}

bool IsBlankLine(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c == ' ' || c == '\t'; });
}

}  // namespace

const char* TableErrorText(TableError e) {
    switch (e) {
        case TableError::None: return "";
        case TableError::BadDate: return "日付が正しくありません（年/月/日,名称 の形で書きます）";
        case TableError::NoName: return "名称がありません";
        case TableError::BadText: return "Shift_JIS の文字として読めません";
        case TableError::SameDate: return "同じ日付が前の行にもあります";
        case TableError::Empty: return "祝日の行が 1 行もありません";
    }
    return "";
}

bool ParseTable(std::string_view bytes, std::vector<Holiday>* out, TableProblem* problem) {
    out->clear();
    *problem = {};
    // The Cabinet Office publishes Shift_JIS; the kept table, or a table saved
    // again by an editor, is UTF-8. Japanese text in Shift_JIS is never valid UTF-8.
    if (bytes.substr(0, kBom.size()) == kBom) bytes.remove_prefix(kBom.size());
    const bool utf8 = IsUtf8(bytes);
    std::set<Date> seen;
    auto fail = [&](TableError e, int line, const std::string& text) {
        out->clear();
        *problem = {e, line, text};
        return false;
    };
    int lineNo = 0;
    for (size_t at = 0; at < bytes.size();) {
        size_t end = bytes.find('\n', at);
        if (end == std::string_view::npos) end = bytes.size();
        std::string_view raw = bytes.substr(at, end - at);
        at = end + 1;
        ++lineNo;
        if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
        if (IsBlankLine(raw)) continue;
        const std::string line = utf8 ? std::string(raw) : text::ToUtf8(raw);
        // The first line is the header, unless it is a row already.
        if (lineNo == 1 && !(line[0] >= '0' && line[0] <= '9') && line[0] != '"') continue;
        if (line.find(kReplacement) != std::string::npos) return fail(TableError::BadText, lineNo, line);
        const size_t comma = line.find(',');
        Holiday h;
        if (comma == std::string::npos || !ReadDate(Unquote(std::string_view(line).substr(0, comma)), &h.date))
            return fail(TableError::BadDate, lineNo, line);
        h.name = std::string(Unquote(std::string_view(line).substr(comma + 1)));
        if (h.name.empty() || IsBlankLine(h.name) || h.name.find(',') != std::string::npos)
            return fail(TableError::NoName, lineNo, line);
        if (!seen.insert(h.date).second) return fail(TableError::SameDate, lineNo, line);
        out->push_back(std::move(h));
    }
    if (out->empty()) return fail(TableError::Empty, 0, "");
    std::sort(out->begin(), out->end(), [](const Holiday& a, const Holiday& b) { return a.date < b.date; });
    return true;
}

std::string TableText(const std::vector<Holiday>& rows) {
    std::string s = std::string(kHeader) + "\n";
    char date[32];
    for (const Holiday& h : rows) {
        std::snprintf(date, sizeof date, "%d/%d/%d,", h.date.year, h.date.month, h.date.day);
        s += date;
        s += h.name;
        s += '\n';
    }
    return s;
}

std::string TablePath() {
    const std::string& profilePath = profile::Path();
    const size_t slash = profilePath.rfind('/');
    return slash == std::string::npos ? "holidays.csv" : profilePath.substr(0, slash + 1) + "holidays.csv";
}

std::shared_ptr<const Calendar> Calendar::Current() {
    // Every desk reads the table on each use, but parses it again only when
    // the file is another one or has changed since.
    struct Seen {
        std::string path;
        struct timespec mtime {};
        off_t size = -1;
        std::shared_ptr<const Calendar> calendar;
    };
    static Seen seen;
    const std::string path = TablePath();
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        if (!seen.calendar || seen.size != -1 || seen.path != path) seen = {path, {}, -1, std::make_shared<Calendar>()};
        return seen.calendar;
    }
    if (seen.calendar && seen.path == path && seen.size == st.st_size && seen.mtime.tv_sec == st.st_mtim.tv_sec &&
        seen.mtime.tv_nsec == st.st_mtim.tv_nsec)
        return seen.calendar;
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    std::vector<Holiday> rows;
    TableProblem problem;
    // A table spoiled by hand counts as none: the law still knows the days.
    if (!in || !ParseTable(bytes.str(), &rows, &problem)) rows.clear();
    seen = {path, st.st_mtim, st.st_size, std::make_shared<Calendar>(rows)};
    return seen.calendar;
}

}  // namespace holidays
