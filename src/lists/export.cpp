#include "lists/export.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <unordered_map>

#include "doc/kivodoc.h"
#include "doc/kvtime.h"
#include "doc/messages.h"
#include "doc/text.h"

namespace {

// Fixed texts of the exports, in CP932.
const std::string& Cp(const char* utf8) {
    static std::unordered_map<const char*, std::string> cache;
    auto it = cache.find(utf8);
    if (it == cache.end()) it = cache.emplace(utf8, text::Cp932(utf8)).first;
    return it->second;
}

void Line(std::string* out, const std::string& s) {
    // Text mode: each LF of the line, and its end, becomes CR LF.
    for (char c : s) {
        if (c == '\n') out->push_back('\r');
        out->push_back(c);
    }
    out->append("\r\n");
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

FacilityNames::FacilityNames(const FacilityArray& facilities) {
    // Numbers are 16-bit in the file but may be anything in memory.
    int maxId = -1;
    for (const auto& f : facilities)
        if (f->m_nID >= 0 && f->m_nID <= 0xFFFF && f->m_nID > maxId) maxId = f->m_nID;
    byId_.assign(static_cast<size_t>(maxId + 1), nullptr);
    for (const auto& f : facilities) {
        if (f->m_nID < 0 || f->m_nID > 0xFFFF) continue;
        const std::string*& slot = byId_[static_cast<size_t>(f->m_nID)];
        if (!slot) slot = &f->m_strName;
    }
}

const std::string& FacilityNames::Of(int id) const {
    static const std::string empty;
    if (id < 0 || static_cast<size_t>(id) >= byId_.size() || !byId_[static_cast<size_t>(id)]) return empty;
    return *byId_[static_cast<size_t>(id)];
}

std::string ReserveTextLine(const CReserve& r, const std::string& facilityName) {
    std::string s = kvtime::Format(r.m_timeStart, "%y-%m-%d %H:%M ");
    if (!s.empty()) s += Cp("～") + " ";
    s += kvtime::Format(r.m_timeEnd, "%H:%M ");
    s += facilityName;
    s += Cp("（");
    s += r.m_strUser;
    s += Cp("）");
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
            out.reserve(doc.m_arReserve.size() * 48);
            for (const auto& r : doc.m_arReserve) Line(&out, ReserveTextLine(*r, names.Of(r->m_nFacilityID)));
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
            out.reserve(doc.m_arReserve.size() * 96);
            for (const auto& r : doc.m_arReserve) {
                std::string s = Quoted(names.Of(r->m_nFacilityID));
                s += ',' + Quoted(kvtime::Format(r->m_timeStart, "%Y/%m/%d"));
                s += ',' + Quoted(kvtime::Format(r->m_timeStart, "%H:%M"));
                s += ',' + Quoted(kvtime::Format(r->m_timeEnd, "%H:%M "));
                s += ',' + Quoted(r->m_strUser);
                s += ',' + Quoted(std::to_string(r->m_nFee));
                s += ',' + Quoted(std::to_string(r->m_bPaid));
                s += ',' + Quoted(text::StripCrLf(r->m_strPurpose));
                s += ',' + Quoted(text::StripCrLf(r->m_strContact));
                Line(&out, s);
            }
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
    const std::string bytes = ExportBytes(kind, doc);
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
