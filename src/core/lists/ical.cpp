#include "core/lists/ical.h"

#include <libical/ical.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <numeric>
#include <tuple>
#include <vector>

#include "core/doc/kivodoc.h"
#include "core/doc/kvtime.h"
#include "core/doc/text.h"
#include "core/lists/export.h"

namespace {

struct ComponentFree {
    void operator()(icalcomponent* c) const { icalcomponent_free(c); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

// A record's text as RFC 5545 text may carry it: UTF-8, each stored line
// break one LF (a blank on a one-line field), every other control a blank.
std::string CalendarText(const std::string& cp932, bool oneLine) {
    const std::string u = text::ToUtf8(cp932);
    std::string out;
    out.reserve(u.size());
    for (size_t i = 0; i < u.size(); ++i) {
        const auto c = static_cast<unsigned char>(u[i]);
        if (c == '\r' && i + 1 < u.size() && u[i + 1] == '\n') continue;
        if (c == '\n') out.push_back(oneLine ? ' ' : '\n');
        else out.push_back(c < 0x20 || c == 0x7F ? ' ' : u[i]);
    }
    return out;
}

// The desk's zone as the C library's local time finds it: TZ, else the link
// /etc/localtime. Empty for UTC and for a zone without a name.
std::string DeskZoneName() {
    std::string where;
    const char* tz = std::getenv("TZ");
    if (tz && *tz) {
        where = tz[0] == ':' ? tz + 1 : tz;
    } else {
        char buf[512];
        const ssize_t n = ::readlink("/etc/localtime", buf, sizeof buf - 1);
        if (n > 0) where.assign(buf, static_cast<size_t>(n));
    }
    const size_t dir = where.find("zoneinfo/");
    if (dir != std::string::npos) where.erase(0, dir + 9);
    if (where == "UTC" || where == "Etc/UTC" || where == "UTC0") return {};
    return where;
}

// Where event times are written: in a named zone with its VTIMEZONE, or in
// UTC when the desk's zone is one libical does not know (a POSIX TZ text).
struct Zone {
    std::string name;
    icaltimezone* zone = nullptr;
};

Zone DeskZone() {
    Zone z;
    z.name = DeskZoneName();
    if (!z.name.empty()) z.zone = icaltimezone_get_builtin_timezone(z.name.c_str());
    if (!z.zone) z.name.clear();
    return z;
}

icalproperty* TimeProperty(icalproperty* (*make)(icaltimetype), KvTime t, const Zone& z) {
    std::tm tm;
    if (!z.zone || !kvtime::ToLocal(t, &tm))
        return make(icaltime_from_timet_with_zone(t, 0, icaltimezone_get_utc_timezone()));
    icaltimetype local = icaltime_null_time();
    local.year = tm.tm_year + 1900;
    local.month = tm.tm_mon + 1;
    local.day = tm.tm_mday;
    local.hour = tm.tm_hour;
    local.minute = tm.tm_min;
    local.second = tm.tm_sec;
    icalproperty* p = make(local);
    icalproperty_add_parameter(p, icalparameter_new_tzid(z.name.c_str()));
    return p;
}

uint64_t Fnv1a(const std::string& s) {
    uint64_t h = 14695981039346656037ull;
    for (const unsigned char c : s) h = (h ^ c) * 1099511628211ull;
    return h;
}

std::string Hex(uint64_t v) {
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
    return buf;
}

// What makes two reservations the same booking for a calendar, and the
// order that tells apart bookings equal in it: the rest of their values,
// then their place (where they are equal in every value, either order
// gives the same events).
auto SameBooking(const CReserve& r) { return std::tie(r.m_nFacilityID, r.m_timeStart, r.m_timeEnd, r.m_strUser); }
auto RestOf(const CReserve& r) { return std::tie(r.m_strPurpose, r.m_strContact, r.m_nFee, r.m_bPaid, r.m_nSpare); }

// Each reservation's number among those that are the same booking: 1 for
// the first. It never depends on the collection's order or on a filter.
std::vector<int> OrdinalsAmongEquals(const ReserveArray& rs) {
    std::vector<size_t> order(rs.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [&rs](size_t a, size_t b) {
        const CReserve &ra = *rs[a], &rb = *rs[b];
        if (SameBooking(ra) != SameBooking(rb)) return SameBooking(ra) < SameBooking(rb);
        if (RestOf(ra) != RestOf(rb)) return RestOf(ra) < RestOf(rb);
        return a < b;
    });
    std::vector<int> ordinal(rs.size(), 1);
    for (size_t k = 1; k < order.size(); ++k)
        if (SameBooking(*rs[order[k]]) == SameBooking(*rs[order[k - 1]])) ordinal[order[k]] = ordinal[order[k - 1]] + 1;
    return ordinal;
}

std::string Uid(const CReserve& r, const std::string& registerHash, int ordinal) {
    // Appended piece by piece: GCC 12 warns falsely of a literal prepended to a string.
    std::string uid("orvalis-");
    for (const std::string& part : {registerHash, std::to_string(r.m_nFacilityID), std::to_string(r.m_timeStart),
                                    std::to_string(r.m_timeEnd), Hex(Fnv1a(r.m_strUser))})
        uid.append(part).push_back('-');
    uid.pop_back();
    if (ordinal > 1) uid.append("-").append(std::to_string(ordinal));
    return uid;
}

// The user and the purpose, as a booking's box in the schedule shows them,
// on one line.
std::string Summary(const CReserve& r) {
    const std::string user = CalendarText(r.m_strUser, true), purpose = CalendarText(r.m_strPurpose, true);
    if (user.empty()) return purpose;
    return purpose.empty() ? user : user + " " + purpose;
}

std::string Description(const CReserve& r) {
    std::string s("連絡先：");
    s.append(CalendarText(r.m_strContact, false)).append("\n料金：").append(std::to_string(r.m_nFee));
    return s.append("円\n入金：").append(r.m_bPaid ? "済" : "未");
}

bool Takes(const IcalFilter& f, const CReserve& r) {
    return (f.facility < 0 || r.m_nFacilityID == f.facility) && (!f.byUser || r.m_strUser == f.user);
}

bool InRange(const IcalFilter& f, const CReserve& r) {
    return (f.from == kTimeUnset || r.m_timeStart >= f.from) && (f.until == kTimeUnset || r.m_timeStart < f.until);
}

Component Event(const CReserve& r, const std::string& uid, const std::string& facilityName, const Zone& z,
                KvTime stamp) {
    Component ev(icalcomponent_new_vevent());
    icalcomponent_add_property(ev.get(), icalproperty_new_uid(uid.c_str()));
    icalcomponent_add_property(
        ev.get(), icalproperty_new_dtstamp(icaltime_from_timet_with_zone(stamp, 0, icaltimezone_get_utc_timezone())));
    icalcomponent_add_property(ev.get(), TimeProperty(icalproperty_new_dtstart, r.m_timeStart, z));
    icalcomponent_add_property(ev.get(), TimeProperty(icalproperty_new_dtend, r.m_timeEnd, z));
    icalcomponent_add_property(ev.get(), icalproperty_new_summary(Summary(r).c_str()));
    const std::string location = CalendarText(facilityName, true);
    if (!location.empty()) icalcomponent_add_property(ev.get(), icalproperty_new_location(location.c_str()));
    icalcomponent_add_property(ev.get(), icalproperty_new_description(Description(r).c_str()));
    return ev;
}

}  // namespace

bool HasValidTimes(const CReserve& r) { return r.m_timeStart >= 0 && r.m_timeEnd > r.m_timeStart; }

IcalExport IcalBytes(const CKivoDoc& doc, const std::string& registerName, const IcalFilter& filter, KvTime stamp) {
    IcalExport result;
    Component cal(icalcomponent_new_vcalendar());
    icalcomponent_add_property(cal.get(), icalproperty_new_version("2.0"));
    icalcomponent_add_property(cal.get(), icalproperty_new_prodid("-//Orvalis//Orvalis " ORVALIS_VERSION "//JA"));
    icalcomponent_add_property(cal.get(), icalproperty_new_calscale("GREGORIAN"));
    icalcomponent_add_property(cal.get(), icalproperty_new_method(ICAL_METHOD_PUBLISH));
    const Zone zone = DeskZone();
    if (zone.zone) {
        // libical names its zones with a prefix of its own; calendars know the plain name.
        icalcomponent* vtz = icalcomponent_new_clone(icaltimezone_get_component(zone.zone));
        icalproperty_set_tzid(icalcomponent_get_first_property(vtz, ICAL_TZID_PROPERTY), zone.name.c_str());
        icalcomponent_add_component(cal.get(), vtz);
    }
    const FacilityNames names(doc.m_arFacility);
    const std::vector<int> ordinal = OrdinalsAmongEquals(doc.m_arReserve);
    const std::string registerHash = Hex(Fnv1a(registerName));
    for (size_t i = 0; i < doc.m_arReserve.size(); ++i) {
        const CReserve& r = *doc.m_arReserve[i];
        if (!Takes(filter, r)) continue;
        if (!HasValidTimes(r)) {
            ++result.leftOut;
            continue;
        }
        if (!InRange(filter, r)) continue;
        Component ev = Event(r, Uid(r, registerHash, ordinal[i]), names.Of(r.m_nFacilityID), zone, stamp);
        icalcomponent_add_component(cal.get(), ev.release());
        ++result.events;
    }
    char* s = icalcomponent_as_ical_string_r(cal.get());
    result.bytes = s;
    icalmemory_free_buffer(s);
    return result;
}
