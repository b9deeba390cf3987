// kvtool holidays: Japan's national holidays as every desk sees them, and the
// import of the Cabinet Office's table that then wins for its years.
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <system_error>

#include "core/booking/rules.h"
#include "core/calendar/holidays.h"
#include "core/store/store.h"
#include "kvtool.h"

namespace kvtool {

namespace {

constexpr int kLastYear = 9999;

bool ReadDay(const std::string& text, holidays::Date* out) {
    Ymd d;
    if (!ParseDate(text, &d) || d.year > kLastYear || d.month > 12 || d.day > 31) return false;
    *out = {static_cast<int>(d.year), static_cast<int>(d.month), static_cast<int>(d.day)};
    return holidays::IsRealDay(*out);
}

// The days asked for: one year (today's by default) or a span of days.
bool ReadSpan(const Options& o, holidays::Date* from, holidays::Date* until) {
    const bool byYear = o.Has("--year"), bySpan = o.Has("--from") || o.Has("--until");
    if (byYear && bySpan) return false;
    if (bySpan) return ReadDay(o.Get("--from"), from) && ReadDay(o.Get("--until"), until) && !(*until < *from);
    uint32_t year = 0;
    if (byYear) {
        if (!ParseUnsigned(o.Get("--year"), &year) || year < 1 || year > kLastYear) return false;
    } else {
        const std::time_t now = std::time(nullptr);
        std::tm tm{};
        localtime_r(&now, &tm);
        year = static_cast<uint32_t>(tm.tm_year + 1900);
    }
    *from = {static_cast<int>(year), 1, 1};
    *until = {static_cast<int>(year), 12, 31};
    return true;
}

std::string Problem(const std::string& file, const holidays::TableProblem& p) {
    if (p.error == holidays::TableError::Empty) return file + ": " + holidays::TableErrorText(p.error);
    return file + " " + std::to_string(p.line) + " 行目: " + holidays::TableErrorText(p.error) + ": " + p.lineText;
}

int ListHolidays(const Options& o) {
    holidays::Date from, until;
    if (!ReadSpan(o, &from, &until)) {
        Error("kvtool holidays: --year YYYY (1..9999) or --from YYYY-MM-DD --until YYYY-MM-DD, not both");
        return kBadArgs;
    }
    // A kept table spoiled by hand is passed over; say so, as the desks cannot.
    const std::string kept = holidays::TablePath();
    std::string bytes;
    std::vector<holidays::Holiday> rows;
    holidays::TableProblem problem;
    if (std::filesystem::exists(kept) && store::ReadWholeFile(kept, &bytes).ok() &&
        !holidays::ParseTable(bytes, &rows, &problem))
        Error(Problem(kept, problem) + "（この表は使わず、法律の定めで数えます）");
    std::string out;
    char date[32];
    for (const holidays::Holiday& h : holidays::Calendar::Current()->Between(from, until)) {
        std::snprintf(date, sizeof date, "%04d-%02d-%02d\t", h.date.year, h.date.month, h.date.day);
        out += date;
        out += h.name;
        out += '\n';
    }
    Print(out);
    return kOk;
}

int ImportTable(const std::string& file) {
    std::string bytes;
    if (const store::Status st = store::ReadWholeFile(file, &bytes); !st.ok()) {
        Error(store::FileMessage(st.cause, file));
        return kFileError;
    }
    std::vector<holidays::Holiday> rows;
    holidays::TableProblem problem;
    if (!holidays::ParseTable(bytes, &rows, &problem)) {
        Error(Problem(file, problem));
        Error("祝日の表は取り込みませんでした。");
        return kBadArgs;
    }
    const std::string kept = holidays::TablePath();
    std::error_code ec;
    if (const auto dir = std::filesystem::path(kept).parent_path(); !dir.empty())
        std::filesystem::create_directories(dir, ec);
    if (const int rc = WriteFile(kept, holidays::TableText(rows)); rc != kOk) return rc;
    Print(std::to_string(rows.front().date.year) + " 年から " + std::to_string(rows.back().date.year) + " 年までの祝日 " +
          std::to_string(rows.size()) + " 日を取り込みました。\n");
    return kOk;
}

}  // namespace

int Holidays(const Options& o) {
    if (o.args.empty()) return ListHolidays(o);
    if (o.args.size() == 2 && o.args[0] == "import" && o.values.empty()) return ImportTable(o.args[1]);
    Error(o.usage);
    return kBadArgs;
}

}  // namespace kvtool
