// kvtool export ical: the register's bookings as an iCalendar file, all of
// them or those of one facility, one user, a range of days.
#include <cstdint>
#include <string>
#include <tuple>

#include "core/booking/rules.h"
#include "core/doc/kivodoc.h"
#include "core/doc/kvtime.h"
#include "core/doc/messages.h"
#include "core/doc/text.h"
#include "core/lists/export.h"
#include "core/lists/ical.h"
#include "kvtool.h"

namespace kvtool {

namespace {

// A day of the --from or --until option: midnight of it, or of the day after
// when past is set. False for a text that is no day a register can hold.
bool ReadDay(const std::string& value, bool past, KvTime* out) {
    Ymd d;
    if (!ParseDate(value, &d) || !kvtime::IsValidDate(d.year, d.month, d.day)) return false;
    *out = kvtime::MidnightOf(d.year, d.month, d.day + (past ? 1 : 0));
    return *out != kTimeUnset;
}

// The options as a filter; kBadArgs after the message.
int ReadFilter(const Options& o, IcalFilter* f) {
    if (o.Has("--facility")) {
        uint32_t id;
        if (!ParseUnsigned(o.Get("--facility"), &id) || !Fits16(id)) {
            Error("kvtool export ical: --facility takes 0..65535");
            return kBadArgs;
        }
        f->facility = static_cast<int>(id);
    }
    if (o.Has("--user")) {
        std::string bad;
        if (!text::FromUtf8(o.Get("--user"), &f->user, &bad)) {
            Error(text::Fill(msg::kCannotEncode, bad));
            return kBadArgs;
        }
        f->byUser = true;
    }
    for (auto [name, past, to] : {std::tuple{"--from", false, &f->from}, {"--until", true, &f->until}}) {
        if (o.Has(name) && !ReadDay(o.Get(name), past, to)) {
            Error(std::string("kvtool export ical: ") + name + " takes a day YYYY-MM-DD (1972-01-01..2037-12-31)");
            return kBadArgs;
        }
    }
    if (f->from != kTimeUnset && f->until != kTimeUnset && f->until <= f->from) {
        Error("kvtool export ical: --until is before --from");
        return kBadArgs;
    }
    return kOk;
}

// The register's name in every UID: its file name, the same from every desk
// whatever the shared drive is mounted as.
std::string RegisterName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int ExportIcal(const Options& o) {
    IcalFilter filter;
    int rc = ReadFilter(o, &filter);
    if (rc != kOk) return rc;
    CKivoDoc doc;
    rc = LoadDoc(o.args[1], &doc);
    if (rc != kOk) return rc;
    const IcalExport cal = IcalBytes(doc, RegisterName(o.args[1]), filter, kvtime::Now());
    if (cal.leftOut > 0) {
        Error("kvtool export ical: " + text::Fill(kIcalLeftOut, std::to_string(cal.leftOut)));
    }
    const ExportStatus st = WriteExportBytes(cal.bytes, o.args[2]);
    if (st != ExportStatus::Ok) {
        Error(ExportMessage(st));
        return kFileError;
    }
    return kOk;
}

}  // namespace kvtool
