#include "core/lists/export.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <ctime>
#include <string_view>
#include <unordered_map>

#include "core/doc/kivodoc.h"
#include "core/doc/kvtime.h"
#include "core/doc/messages.h"
#include "core/doc/text.h"

namespace {

// Fixed texts of the exports, in CP932.
const std::string& Cp(const char* utf8) {
    static std::unordered_map<const char*, std::string> cache;
    auto it = cache.find(utf8);
    if (it == cache.end()) it = cache.emplace(utf8, text::Cp932(utf8)).first;
    return it->second;
}

// Appends s as a text-mode stream writes it: each LF as CR LF.
void Text(std::string* out, std::string_view s) {
    size_t from = 0, lf;
    while ((lf = s.find('\n', from)) != std::string_view::npos) {
        out->append(s.substr(from, lf - from)).append("\r\n");
        from = lf + 1;
    }
    out->append(s.substr(from));
}

void Line(std::string* out, const std::string& s) {
    Text(out, s);
    out->append("\r\n");
}

// A field with its CR LF pairs removed, in text mode. Only a field holding
// an LF has anything to remove or convert.
void TextWithoutCrLf(std::string* out, const std::string& s) {
    if (s.find('\n') == std::string::npos) out->append(s);
    else Text(out, text::StripCrLf(s));
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

void Number(std::string* out, long long v) {
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out->append(buf, r.ptr);
}

// Two digits, as strftime writes %y %m %d %H %M.
void Two(std::string* out, int v) {
    out->push_back(static_cast<char>('0' + v / 10 % 10));
    out->push_back(static_cast<char>('0' + v % 10));
}

// The local time of each instant of one export, converted once: a busy
// register repeats the same hours thousands of times, and the C library's
// conversion was the slowest step of a line.
class LocalTimes {
public:
    // Null when the time has no local calendar value (its texts are empty).
    const std::tm* Of(KvTime t) {
        auto [it, fresh] = memo_.try_emplace(t);
        if (fresh) it->second.ok = kvtime::ToLocal(t, &it->second.tm);
        return it->second.ok ? &it->second.tm : nullptr;
    }

private:
    struct Entry {
        std::tm tm{};
        bool ok = false;
    };
    std::unordered_map<KvTime, Entry> memo_;
};

// "%H:%M"
void HourMinute(std::string* out, const std::tm& tm) {
    Two(out, tm.tm_hour);
    out->push_back(':');
    Two(out, tm.tm_min);
}

// A line of the reservation text export; textMode: the record's texts with
// each LF as CR LF, as the export writes them.
void AppendReserveText(std::string* out, const CReserve& r, const std::string& facilityName, LocalTimes& times,
                       bool textMode) {
    static const std::string kTilde = text::Cp932("～") + " ";
    static const std::string kOpen = text::Cp932("（"), kClose = text::Cp932("）");
    if (const std::tm* s = times.Of(r.m_timeStart)) {  // "%y-%m-%d %H:%M "
        Two(out, (s->tm_year + 1900) % 100);
        out->push_back('-');
        Two(out, s->tm_mon + 1);
        out->push_back('-');
        Two(out, s->tm_mday);
        out->push_back(' ');
        HourMinute(out, *s);
        out->push_back(' ');
        out->append(kTilde);
    }
    if (const std::tm* e = times.Of(r.m_timeEnd)) {  // "%H:%M "
        HourMinute(out, *e);
        out->push_back(' ');
    }
    auto field = [&](const std::string& t) { textMode ? Text(out, t) : void(out->append(t)); };
    field(facilityName);
    out->append(kOpen);
    field(r.m_strUser);
    out->append(kClose);
}

// A line of the reservation CSV, in text mode.
void AppendReserveCsv(std::string* out, const CReserve& r, const std::string& facilityName, LocalTimes& times) {
    out->push_back('"');
    Text(out, facilityName);
    out->append("\",\"");
    const std::tm* s = times.Of(r.m_timeStart);
    if (s) {  // "%Y/%m/%d"
        Number(out, s->tm_year + 1900);
        out->push_back('/');
        Two(out, s->tm_mon + 1);
        out->push_back('/');
        Two(out, s->tm_mday);
    }
    out->append("\",\"");
    if (s) HourMinute(out, *s);
    out->append("\",\"");
    if (const std::tm* e = times.Of(r.m_timeEnd)) {  // "%H:%M "
        HourMinute(out, *e);
        out->push_back(' ');
    }
    out->append("\",\"");
    Text(out, r.m_strUser);
    out->append("\",\"");
    Number(out, r.m_nFee);
    out->append("\",\"");
    Number(out, r.m_bPaid);
    out->append("\",\"");
    TextWithoutCrLf(out, r.m_strPurpose);
    out->append("\",\"");
    TextWithoutCrLf(out, r.m_strContact);
    out->append("\"\r\n");
}

}  // namespace

FacilityNames::FacilityNames(const FacilityArray& facilities) : index_(facilities) {
    names_.reserve(facilities.size());
    for (const auto& f : facilities) names_.push_back(f->m_strName);
}

const std::string& FacilityNames::Of(int id) const {
    static const std::string none;
    const int pos = index_.Of(id);
    return pos < 0 ? none : names_[static_cast<size_t>(pos)];
}

std::string ReserveTextLine(const CReserve& r, const std::string& facilityName) {
    std::string s;
    LocalTimes times;
    AppendReserveText(&s, r, facilityName, times, false);
    return s;
}

std::string ReserveListLine(const CReserve& r, const std::string& facilityName) {
    std::string s = kvtime::Format(r.m_timeStart, "%y-%m-%d %H:%M ");
    if (!s.empty()) s += Cp("～") + " ";
    std::tm end;
    if (kvtime::ToLocal(r.m_timeEnd, &end)) s += (end.tm_hour == 0 && end.tm_min == 0) ? std::string("24:00 ") : kvtime::Format(r.m_timeEnd, "%H:%M ");
    s += facilityName;
    s += Cp("（");
    s += r.m_strUser;
    s += ' ';
    s += text::StripCrLf(r.m_strPurpose);
    s += Cp("）");
    return s;
}

std::string ReserveListLine(const CReserve& r, const CKivoDoc& doc) {
    return ReserveListLine(r, FacilityNames(doc.m_arFacility).Of(r.m_nFacilityID));
}

std::string ExportBytes(ExportKind kind, const CKivoDoc& doc) {
    std::string out;
    switch (kind) {
        case ExportKind::ReserveText: {
            FacilityNames names(doc.m_arFacility);
            LocalTimes times;
            out.reserve(doc.m_arReserve.size() * 48);
            for (const auto& r : doc.m_arReserve) {
                AppendReserveText(&out, *r, names.Of(r->m_nFacilityID), times, true);
                out.append("\r\n");
            }
            break;
        }
        case ExportKind::FacilityText:
            for (const auto& f : doc.m_arFacility) {
                Line(&out, Cp("施設名：") + f->m_strName);
                Line(&out, Cp("最大人数：") + std::to_string(f->m_nMaxPeople));
                Line(&out, Cp("コメント：") + f->m_strComment);
            }
            break;
        case ExportKind::ReserveCsv: {
            FacilityNames names(doc.m_arFacility);
            Line(&out, Cp("\"施設名\",\"開始年月日\",\"開始時刻\",\"終了時刻\",\"予約者名\",\"料金\",\"入金有無\",\"使用目的\",\"連絡先\""));
            LocalTimes times;
            out.reserve(doc.m_arReserve.size() * 96);
            for (const auto& r : doc.m_arReserve) AppendReserveCsv(&out, *r, names.Of(r->m_nFacilityID), times);
            break;
        }
        case ExportKind::FacilityCsv:
            Line(&out, Cp("\"施設名\",\"最大人数\""));
            for (const auto& f : doc.m_arFacility)
                Line(&out, Quoted(f->m_strName) + ',' + Quoted(std::to_string(f->m_nMaxPeople)));
            break;
        case ExportKind::Users:
            for (const auto& u : doc.m_arUser) {
                std::string s;
                for (int i = 0; i < 6; ++i) {
                    if (i) s += ',';
                    s += Quoted(*u->Field(i));
                }
                Line(&out, s);
            }
            break;
    }
    return out;
}

ExportStatus WriteExport(ExportKind kind, const CKivoDoc& doc, const std::string& path) {
    return WriteExportBytes(ExportBytes(kind, doc), path);
}

ExportStatus WriteExportBytes(const std::string& bytes, const std::string& path) {
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0) return ExportStatus::OpenFailed;
    const char* p = bytes.data();
    size_t left = bytes.size();
    bool ok = true;
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
    if (::close(fd) != 0) ok = false;
    if (!ok) {
        // A cut-off export would pass for a whole one; leave none.
        ::unlink(path.c_str());
        return ExportStatus::WriteFailed;
    }
    return ExportStatus::Ok;
}

const char* ExportMessage(ExportStatus s) {
    switch (s) {
        case ExportStatus::Ok: return "";
        case ExportStatus::OpenFailed: return msg::kExportOpenFailed;
        case ExportStatus::WriteFailed: return msg::kExportWriteFailed;
    }
    return "";
}

bool ExportKindFromName(const std::string& name, ExportKind* kind) {
    static const std::pair<const char*, ExportKind> kNames[] = {
        {"reserve-text", ExportKind::ReserveText}, {"facility-text", ExportKind::FacilityText},
        {"reserve-csv", ExportKind::ReserveCsv},   {"facility-csv", ExportKind::FacilityCsv},
        {"users", ExportKind::Users},
    };
    for (const auto& [n, k] : kNames) {
        if (name == n) {
            *kind = k;
            return true;
        }
    }
    return false;
}
