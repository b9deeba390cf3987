// kvtool book: one booking, or a series of them, through the entry dialog's
// checks and the same change transaction as the desktop program.
#include <cstdio>

#include "core/booking/commit.h"
#include "core/booking/series.h"
#include "core/doc/kivodoc.h"
#include "core/doc/messages.h"
#include "core/doc/text.h"
#include "core/lists/export.h"
#include "core/profile/profile.h"
#include "kvtool.h"

namespace kvtool {

namespace {

// The series options: pattern and end, refused as bad arguments.
bool ReadRepeat(const Options& o, series::Pattern* pattern, series::End* end) {
    static const std::pair<const char*, series::Pattern> kPatterns[] = {{"daily", series::Pattern::Daily},
                                                                         {"weekly", series::Pattern::Weekly},
                                                                         {"biweekly", series::Pattern::Biweekly},
                                                                         {"monthly", series::Pattern::Monthly}};
    const std::string repeat = o.Get("--repeat"), until = o.Get("--until"), count = o.Get("--count");
    bool known = false;
    for (const auto& [name, p] : kPatterns)
        if (repeat == name) *pattern = p, known = true;
    if (!known || until.empty() == count.empty()) return false;
    end->byCount = !count.empty();
    if (end->byCount) return ParseUnsigned(count, &end->count);
    Ymd last;
    if (!ParseDate(until, &last)) return false;
    end->year = last.year, end->month = last.month, end->day = last.day;
    return true;
}

// The entry dialog's field checks, in its order: texts, fee, date and times.
// kOk, or kRefused after the dialog's message.
int CheckFields(const Options& o, ReserveEntry* e) {
    for (auto [name, to] : {std::pair{"--user", &e->user}, {"--purpose", &e->purpose}, {"--contact", &e->contact}}) {
        std::string bad;
        if (!text::FromUtf8(o.Get(name), to, &bad)) {
            Error(text::Fill(msg::kCannotEncode, bad));
            return kRefused;
        }
    }
    const char* refusal = nullptr;
    if (!ParseUnsigned(o.Get("--fee", "0"), &e->fee)) refusal = msg::kNotUnsigned;
    else if (!Fits16(e->fee)) refusal = msg::kOutOf16Bits;
    else if (const CheckResult r = CheckDateTimes(*e); r != CheckResult::Ok) refusal = CheckMessage(r);
    if (!refusal) return kOk;
    Error(refusal);
    return kRefused;
}

// The register, read by the transaction itself under its lock: one read.
struct Register {
    explicit Register(const std::string& location) {
        doc.SetHost(&StderrDocHost());
        doc.SetPathName(location);
    }
    CKivoDoc doc;
};

int BookOne(const std::string& location, const ReserveEntry& e, int facilityId) {
    booking::Request request;
    request.entry = e;
    request.dupForbidden = profile::GetInt(profile::Key::Dup) != 0;
    request.facilityId = facilityId;
    Register reg(location);
    const booking::Outcome out = booking::Commit(reg.doc, request);
    // The server's own refusal of an overlap is a refusal, its message already said.
    if (out.tx == TxResult::Failed) return reg.doc.LastSaveCause() == store::Cause::Overlap ? kRefused : kFileError;
    if (out.tx == TxResult::Abandoned) {
        Error(CheckMessage(out.check));
        return kRefused;
    }
    Print(text::ToUtf8(ReserveListLine(out.stored, reg.doc)) + "\n");
    return kOk;
}

// A series: one line per date, "YYYY-MM-DD booked" or the date and why not;
// a month without the first date's day shows as "YYYY-MM skipped", a holiday
// left out as "YYYY-MM-DD holiday 名称".
int BookSeries(const std::string& path, const ReserveEntry& e, int facilityId, series::Pattern pattern,
               const series::End& end) {
    std::vector<series::Item> items;
    const series::PlanResult plan = series::Plan(e, pattern, end, &items);
    if (plan != series::PlanResult::Ok) {
        Error(series::PlanMessage(plan));
        return kBadArgs;
    }
    Register reg(path);
    const bool dupForbidden = profile::GetInt(profile::Key::Dup) != 0;
    if (series::Book(reg.doc, e, dupForbidden, &items, facilityId) == TxResult::Failed) return kFileError;
    bool refused = false;
    std::string out;
    char date[16];
    for (const series::Item& it : items) {
        if (!it.holiday.empty()) {
            std::snprintf(date, sizeof date, "%04d-%02d-%02d", it.year, it.month, it.day);
            out += std::string(date) + " holiday " + it.holiday + "\n";
            continue;
        }
        if (it.skipped) {
            std::snprintf(date, sizeof date, "%04d-%02d", it.year, it.month);
            out += std::string(date) + " skipped\n";
            continue;
        }
        std::snprintf(date, sizeof date, "%04d-%02d-%02d", it.year, it.month, it.day);
        refused |= !it.booked;
        out += std::string(date) + " " + (it.booked ? "booked" : CheckMessage(it.check)) + "\n";
    }
    Print(out);
    return refused ? kRefused : kOk;
}

}  // namespace

int Book(const Options& o) {
    uint32_t id = 0;
    Ymd day;
    ReserveEntry e;
    if (!o.Has("--user") || !ParseUnsigned(o.Get("--facility"), &id) || !ParseDate(o.Get("--date"), &day) ||
        !ParseClock(o.Get("--start"), &e.startHour, &e.startMinute) ||
        !ParseClock(o.Get("--end"), &e.endHour, &e.endMinute)) {
        Error("kvtool book: --facility ID --date YYYY-MM-DD --start H:MM --end H:MM --user NAME are required");
        return kBadArgs;
    }
    e.year = day.year, e.month = day.month, e.day = day.day;
    e.paid = o.Has("--paid");
    const bool isSeries = !o.Get("--repeat").empty();
    series::Pattern pattern{};
    series::End end;
    if ((isSeries || !o.Get("--until").empty() || !o.Get("--count").empty() || o.Has("--skip-holidays")) &&
        !ReadRepeat(o, &pattern, &end)) {
        Error("kvtool book: --repeat daily|weekly|biweekly|monthly takes --until YYYY-MM-DD or --count N"
              " [--skip-holidays]");
        return kBadArgs;
    }
    end.skipHolidays = o.Has("--skip-holidays");
    if (const int rc = CheckFields(o, &e); rc != kOk) return rc;
    // Facility numbers are 16-bit: a larger one names no facility (and must
    // never turn negative, which would mean the entry's own position).
    const int facilityId = id > 65535 ? 65536 : static_cast<int>(id);
    return isSeries ? BookSeries(o.args[0], e, facilityId, pattern, end) : BookOne(o.args[0], e, facilityId);
}

}  // namespace kvtool
