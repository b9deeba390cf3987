// kvtool free: the facilities free for the whole span on each date, by the
// entry dialog's overlap rule, read from the file without keeping its
// reservations.
#include <cstdio>
#include <memory>

#include "core/booking/free.h"
#include "core/doc/messages.h"
#include "core/doc/text.h"
#include "core/store/store.h"
#include "kvtool.h"

namespace kvtool {

namespace {

// The question from the options; kOk, or kBadArgs after the reason.
int ReadQuestion(const Options& o, booking::FreeQuestion* q) {
    Ymd first;
    ReserveEntry& e = q->first;
    if (!ParseDate(o.Get("--date"), &first) || !ParseClock(o.Get("--start"), &e.startHour, &e.startMinute) ||
        !ParseClock(o.Get("--end"), &e.endHour, &e.endMinute) ||
        (o.Has("--people") && !ParseUnsigned(o.Get("--people"), &q->minPeople))) {
        Error("kvtool free: --date YYYY-MM-DD --start H:MM --end H:MM are required; --people is a number");
        return kBadArgs;
    }
    e.year = first.year, e.month = first.month, e.day = first.day;
    if (o.Has("--until")) {
        Ymd last;
        q->days = ParseDate(o.Get("--until"), &last) ? booking::DaysThrough(e, last.year, last.month, last.day) : 0;
    }
    switch (booking::CheckQuestion(*q)) {
        case booking::FreeCheck::Ok: return kOk;
        case booking::FreeCheck::BadDate: Error(msg::kBadDate); break;
        case booking::FreeCheck::BadStart: Error(msg::kBadStart); break;
        case booking::FreeCheck::BadEnd: Error(msg::kBadEnd); break;
        case booking::FreeCheck::BadDays: Error("kvtool free: --until is a day from --date on, at most 31 days"); break;
    }
    return kBadArgs;
}

}  // namespace

int Free(const Options& o) {
    booking::FreeQuestion q;
    if (const int rc = ReadQuestion(o, &q); rc != kOk) return rc;
    FacilityArray facilities;
    std::unique_ptr<booking::FreeSearch> search;
    // The facilities come before the reservations, so the search is ready
    // when the first reservation is handed over.
    const store::Location where = store::Location::Parse(o.args[0]);
    const store::Status st = store::OpenStore(where)->Scan(
        [&](size_t, const CReserve& r) {
            if (!search) search = std::make_unique<booking::FreeSearch>(facilities, q);
            search->Note(r);
        },
        &facilities);
    if (!st.ok()) {
        Error(store::Message(st, where, false));
        return kFileError;
    }
    if (!search) search = std::make_unique<booking::FreeSearch>(facilities, q);
    std::string out;
    char date[16];
    for (int d = 0; d < search->DateCount(); ++d) {
        const ReserveEntry& e = search->Date(d);
        std::snprintf(date, sizeof date, "%04u-%02u-%02u", e.year, e.month, e.day);
        for (size_t c = 0; c < search->Candidates().size(); ++c) {
            if (search->Taken(d, static_cast<int>(c))) continue;
            const CKivo& f = *facilities[static_cast<size_t>(search->Candidates()[c])];
            out += std::string(date) + "\t" + std::to_string(f.m_nID) + "\t" + text::ToUtf8(f.m_strName) + "\t" +
                   std::to_string(f.m_nMaxPeople) + "\n";
        }
    }
    Print(out);
    return kOk;
}

}  // namespace kvtool
