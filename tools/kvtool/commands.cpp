#include <cstdio>
#include <fstream>
#include <iostream>
#include <limits>
#include <sstream>

#include <nlohmann/json.hpp>

#include "core/booking/rules.h"
#include "core/booking/series.h"
#include "core/doc/archive.h"
#include "core/doc/fileio.h"
#include "core/doc/kivodoc.h"
#include "core/doc/kvformat.h"
#include "core/doc/kvtime.h"
#include "core/doc/messages.h"
#include "core/doc/text.h"
#include "core/lists/export.h"
#include "core/profile/profile.h"
#include "kvtool.h"

using json = nlohmann::ordered_json;

namespace kvtool {

namespace {

// Messages of the document go to standard error; kvtool repairs nothing.
class StderrHost : public IDocHost {
public:
    void ShowMessage(const std::string& utf8, Icon) override { Error(utf8); }
    bool RunRepairDialog(CKivoDoc&, int, ReserveEntry*) override { return false; }
};

// Reads a register as it is in the file: no repair, no profile write.
int LoadFile(const std::string& path, RegisterData* data) {
    std::string bytes;
    fileio::Status st = fileio::ReadShared(path, &bytes);
    if (!st.ok()) {
        Error(fileio::FileMessage(st.cause, path));
        return kFileError;
    }
    try {
        LoadRegister(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), data);
    } catch (const CArchiveException&) {
        Error(msg::kUnexpectedFormat);
        return kFileError;
    } catch (const std::bad_alloc&) {
        Error(msg::kOpenFailed);
        return kFileError;
    }
    return kOk;
}

}  // namespace

int LoadDoc(const std::string& path, CKivoDoc* doc) {
    RegisterData data;
    int rc = LoadFile(path, &data);
    if (rc != kOk) return rc;
    doc->m_arFacility = std::move(data.facilities);
    doc->m_arReserve = std::move(data.reserves);
    doc->m_arUser = std::move(data.users);
    doc->SetPathName(path);
    // As the program has it once open: every reservation's user is a user.
    doc->AddMissingUsers();
    return kOk;
}

namespace {

int WriteFile(const std::string& path, const std::string& bytes) {
    fileio::Status st = fileio::SafeWrite(path, bytes);
    if (!st.ok()) {
        Error(fileio::FileMessage(st.cause, path));
        return kFileError;
    }
    return kOk;
}

std::string U8(const std::string& cp932) { return text::ToUtf8(cp932); }

// --- JSON -> records, refusing what the file cannot hold -----------------

struct BuildError {
    std::string what;
};

std::string Where(const char* section, size_t i, const char* field) {
    return std::string(section) + "[" + std::to_string(i) + "]." + field;
}

std::string TextField(const json& o, const char* section, size_t i, const char* field) {
    if (!o.contains(field)) return {};
    const json& v = o.at(field);
    if (!v.is_string()) throw BuildError{Where(section, i, field) + ": text expected"};
    std::string out, bad;
    if (!text::FromUtf8(v.get<std::string>(), &out, &bad))
        throw BuildError{Where(section, i, field) + ": 「" + bad + "」はこのファイルに保存できない文字です。"};
    return out;
}

long long NumberField(const json& o, const char* section, size_t i, const char* field, long long lo, long long hi,
                      long long def) {
    if (!o.contains(field)) return def;
    const json& v = o.at(field);
    if (v.is_boolean()) return v.get<bool>() ? 1 : 0;
    if (!v.is_number_integer()) throw BuildError{Where(section, i, field) + ": integer expected"};
    long long n;
    if (v.is_number_unsigned()) {
        unsigned long long u = v.get<unsigned long long>();
        if (u > static_cast<unsigned long long>(hi)) throw BuildError{Where(section, i, field) + ": out of range"};
        n = static_cast<long long>(u);
    } else {
        n = v.get<long long>();
    }
    if (n < lo || n > hi)
        throw BuildError{Where(section, i, field) + ": " + std::to_string(n) + " is outside " + std::to_string(lo) +
                         ".." + std::to_string(hi)};
    return n;
}

const json& ArrayOf(const json& root, const char* key) {
    static const json empty = json::array();
    if (!root.contains(key)) return empty;
    const json& a = root.at(key);
    if (!a.is_array()) throw BuildError{std::string(key) + ": array expected"};
    return a;
}

void FromJson(const json& root, RegisterData* d) {
    if (!root.is_object()) throw BuildError{"a JSON object expected"};
    constexpr long long k16 = 65535, kMin32 = std::numeric_limits<int32_t>::min(),
                        kMax32 = std::numeric_limits<int32_t>::max();
    const json& fs = ArrayOf(root, "facilities");
    for (size_t i = 0; i < fs.size(); ++i) {
        const json& o = fs[i];
        if (!o.is_object()) throw BuildError{Where("facilities", i, "") + " object expected"};
        auto f = std::make_unique<CKivo>();
        f->m_nID = static_cast<int>(NumberField(o, "facilities", i, "id", 0, k16, 0));
        f->m_strName = TextField(o, "facilities", i, "name");
        f->m_nMaxPeople = static_cast<int>(NumberField(o, "facilities", i, "max_people", 0, k16, 0));
        f->m_strComment = TextField(o, "facilities", i, "comment");
        d->facilities.push_back(std::move(f));
    }
    const json& rs = ArrayOf(root, "reservations");
    for (size_t i = 0; i < rs.size(); ++i) {
        const json& o = rs[i];
        if (!o.is_object()) throw BuildError{Where("reservations", i, "") + " object expected"};
        auto r = std::make_unique<CReserve>();
        r->m_strUser = TextField(o, "reservations", i, "user");
        r->m_strPurpose = TextField(o, "reservations", i, "purpose");
        r->m_strContact = TextField(o, "reservations", i, "contact");
        r->m_timeStart = static_cast<KvTime>(NumberField(o, "reservations", i, "start", kMin32, kMax32, -1));
        r->m_timeEnd = static_cast<KvTime>(NumberField(o, "reservations", i, "end", kMin32, kMax32, -1));
        r->m_nFacilityID = static_cast<int>(NumberField(o, "reservations", i, "facility", 0, k16, 0));
        r->m_bPaid = static_cast<int>(NumberField(o, "reservations", i, "paid", 0, k16, 0));
        r->m_nSpare = static_cast<int>(NumberField(o, "reservations", i, "spare", 0, k16, 0));
        r->m_nFee = static_cast<int>(NumberField(o, "reservations", i, "fee", 0, k16, 0));
        d->reserves.push_back(std::move(r));
    }
    const json& us = ArrayOf(root, "users");
    static const char* const kUserFields[] = {"name", "charge", "tel", "zip", "address", "mail", "memo"};
    for (size_t i = 0; i < us.size(); ++i) {
        const json& o = us[i];
        if (!o.is_object()) throw BuildError{Where("users", i, "") + " object expected"};
        auto u = std::make_unique<CKivoUser>();
        for (int k = 0; k < 7; ++k) *u->Field(k) = TextField(o, "users", i, kUserFields[k]);
        d->users.push_back(std::move(u));
    }
}

json ToJson(const FacilityArray& fs, const ReserveArray& rs, const UserArray& us) {
    json root = json::object();
    json jf = json::array();
    for (const auto& f : fs)
        jf.push_back({{"id", f->m_nID}, {"name", U8(f->m_strName)}, {"max_people", f->m_nMaxPeople},
                      {"comment", U8(f->m_strComment)}});
    json jr = json::array();
    for (const auto& r : rs)
        jr.push_back({{"user", U8(r->m_strUser)}, {"purpose", U8(r->m_strPurpose)},
                      {"contact", U8(r->m_strContact)}, {"start", r->m_timeStart}, {"end", r->m_timeEnd},
                      {"facility", r->m_nFacilityID}, {"paid", r->m_bPaid}, {"spare", r->m_nSpare},
                      {"fee", r->m_nFee}});
    json ju = json::array();
    for (const auto& u : us)
        ju.push_back({{"name", U8(u->m_strName)}, {"charge", U8(u->m_strCharge)}, {"tel", U8(u->m_strTel)},
                      {"zip", U8(u->m_strZip)}, {"address", U8(u->m_strAddress)}, {"mail", U8(u->m_strMail)},
                      {"memo", U8(u->m_strMemo)}});
    root["facilities"] = std::move(jf);
    root["reservations"] = std::move(jr);
    root["users"] = std::move(ju);
    return root;
}

bool ParseNumbers(const std::string& s, char sep, int count, uint32_t* out) {
    std::string part;
    int n = 0;
    for (size_t i = 0; i <= s.size(); ++i) {
        if (i == s.size() || s[i] == sep) {
            if (n >= count || !ParseUnsigned(part, &out[n])) return false;
            ++n;
            part.clear();
        } else {
            part.push_back(s[i]);
        }
    }
    return n == count;
}

}  // namespace

int Dump(const Args& a) {
    if (a.size() != 1) {
        Error("usage: kvtool dump FILE.kv");
        return kBadArgs;
    }
    RegisterData d;
    int rc = LoadFile(a[0], &d);
    if (rc != kOk) return rc;
    Print(ToJson(d.facilities, d.reserves, d.users).dump(1) + "\n");
    return kOk;
}

int Build(const Args& a) {
    if (a.size() != 2) {
        Error("usage: kvtool build FILE.json OUT.kv");
        return kBadArgs;
    }
    std::ifstream in(a[0], std::ios::binary);
    if (!in) {
        Error(fileio::FileMessage(fileio::Cause::FileNotFound, a[0]));
        return kFileError;
    }
    RegisterData d;
    try {
        json root = json::parse(in);
        FromJson(root, &d);
    } catch (const json::exception& e) {
        Error(std::string("kvtool build: ") + a[0] + ": " + e.what());
        return kBadArgs;
    } catch (const BuildError& e) {
        Error("kvtool build: " + e.what);
        return kBadArgs;
    }
    return WriteFile(a[1], StoreRegister(d.facilities, d.reserves, d.users));
}

namespace {

// The process ends right after the command: freeing a busy register's records
// one by one would only hold the desk's script up. Kept reachable, not leaked.
void KeepUntilExit(RegisterData&& d) {
    static RegisterData* kept = nullptr;
    delete kept;
    kept = new RegisterData(std::move(d));
}

void KeepUntilExit(CKivoDoc& doc) {
    RegisterData d;
    d.facilities = std::move(doc.m_arFacility);
    d.reserves = std::move(doc.m_arReserve);
    d.users = std::move(doc.m_arUser);
    KeepUntilExit(std::move(d));
}

}  // namespace

int Check(const Args& a) {
    if (a.size() != 1) {
        Error("usage: kvtool check FILE.kv");
        return kBadArgs;
    }
    RegisterData d;
    int rc = LoadFile(a[0], &d);
    if (rc != kOk) return rc;
    // What the repair pass would offer: reservations with an unset time.
    for (size_t i = 0; i < d.reserves.size(); ++i) {
        const CReserve& r = *d.reserves[i];
        if (r.m_timeStart != kTimeUnset && r.m_timeEnd != kTimeUnset) continue;
        Print(std::to_string(i) + "\t" + U8(r.m_strUser) + "\t" + std::to_string(r.m_timeStart) + "\t" +
              std::to_string(r.m_timeEnd) + "\n");
    }
    KeepUntilExit(std::move(d));
    return kOk;
}

int Export(const Args& a) {
    ExportKind kind;
    if (a.size() != 3 || !ExportKindFromName(a[0], &kind)) {
        Error("usage: kvtool export reserve-text|facility-text|reserve-csv|facility-csv|users FILE.kv OUT");
        return kBadArgs;
    }
    CKivoDoc doc;
    int rc = LoadDoc(a[1], &doc);
    if (rc != kOk) return rc;
    ExportStatus st = WriteExport(kind, doc, a[2]);
    if (st != ExportStatus::Ok) {
        Error(ExportMessage(st));
        return kFileError;
    }
    return kOk;
}

int List(const Args& a) {
    if (a.empty()) {
        Error("usage: kvtool list FILE.kv [--sort KEY]");
        return kBadArgs;
    }
    int key = profile::GetInt(profile::Key::RViewSort);
    if (a.size() == 3 && a[1] == "--sort") {
        uint32_t k;
        if (!ParseUnsigned(a[2], &k) || k > 5) {
            Error("kvtool list: --sort takes 0..5");
            return kBadArgs;
        }
        key = static_cast<int>(k);
    } else if (a.size() != 1) {
        Error("usage: kvtool list FILE.kv [--sort KEY]");
        return kBadArgs;
    }
    CKivoDoc doc;
    int rc = LoadDoc(a[0], &doc);
    if (rc != kOk) return rc;
    // A list window sorts when it opens and again as it fills; ties land
    // where two passes put them, and so they do here.
    doc.SortReserves(key);
    doc.SortReserves(key);
    FacilityNames names(doc.m_arFacility);
    std::string out;
    for (const auto& r : doc.m_arReserve) {
        out += U8(ReserveListLine(*r, names.Of(r->m_nFacilityID)));
        out += '\n';
    }
    Print(out);
    return kOk;
}

namespace {

// The series options of book: pattern and end, refused as bad arguments.
bool ReadRepeat(const std::string& repeat, const std::string& until, const std::string& count,
                series::Pattern* pattern, series::End* end) {
    static const std::pair<const char*, series::Pattern> kPatterns[] = {{"daily", series::Pattern::Daily},
                                                                         {"weekly", series::Pattern::Weekly},
                                                                         {"biweekly", series::Pattern::Biweekly},
                                                                         {"monthly", series::Pattern::Monthly}};
    bool known = false;
    for (const auto& [name, p] : kPatterns)
        if (repeat == name) *pattern = p, known = true;
    if (!known || until.empty() == count.empty()) return false;
    end->byCount = !count.empty();
    uint32_t ymd[3];
    if (end->byCount) return ParseUnsigned(count, &end->count);
    if (!ParseNumbers(until, '-', 3, ymd)) return false;
    end->year = ymd[0], end->month = ymd[1], end->day = ymd[2];
    return true;
}

// A series: one line per date, "YYYY-MM-DD booked" or the date and why not;
// a month without the first date's day shows as "YYYY-MM skipped".
int BookSeries(const std::string& path, const ReserveEntry& e, uint32_t facilityId, series::Pattern pattern,
               const series::End& end) {
    std::vector<series::Item> items;
    const series::PlanResult plan = series::Plan(e, pattern, end, &items);
    if (plan != series::PlanResult::Ok) {
        Error(series::PlanMessage(plan));
        return kBadArgs;
    }
    StderrHost host;
    CKivoDoc doc;
    doc.SetHost(&host);
    doc.SetPathName(path);
    const bool dupForbidden = profile::GetInt(profile::Key::Dup) != 0;
    // Facility numbers are 16-bit: a larger one names no facility (and must
    // never turn negative, which would mean "the first in the list").
    const int facility = facilityId > 65535 ? 65536 : static_cast<int>(facilityId);
    const TxResult tx = series::Book(doc, e, dupForbidden, &items, facility);
    if (tx == TxResult::Failed) return kFileError;
    bool refused = false;
    std::string out;
    char date[16];
    for (const series::Item& it : items) {
        if (it.skipped) {
            std::snprintf(date, sizeof date, "%04d-%02d", it.year, it.month);
            out += std::string(date) + " skipped\n";
            continue;
        }
        std::snprintf(date, sizeof date, "%04d-%02d-%02d", it.year, it.month, it.day);
        refused |= !it.booked;
        out += std::string(date) + " " + (it.booked ? "booked" : CheckMessage(it.check)) + "\n";
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return refused ? kRefused : kOk;
}

}  // namespace

int Book(const Args& a) {
    if (a.empty()) {
        Error("usage: kvtool book FILE.kv --facility ID --date YYYY-MM-DD --start H:MM --end H:MM --user NAME ...");
        return kBadArgs;
    }
    const std::string path = a[0];
    std::string facility, date, start, end, user, purpose, contact, fee = "0", repeat, until, count;
    bool paid = false, haveUser = false;
    for (size_t i = 1; i < a.size(); ++i) {
        const std::string& k = a[i];
        if (k == "--paid") {
            paid = true;
            continue;
        }
        if (i + 1 >= a.size()) {
            Error("kvtool book: " + k + " needs a value");
            return kBadArgs;
        }
        const std::string& v = a[++i];
        if (k == "--facility") facility = v;
        else if (k == "--date") date = v;
        else if (k == "--start") start = v;
        else if (k == "--end") end = v;
        else if (k == "--user") user = v, haveUser = true;
        else if (k == "--purpose") purpose = v;
        else if (k == "--contact") contact = v;
        else if (k == "--fee") fee = v;
        else if (k == "--repeat") repeat = v;
        else if (k == "--until") until = v;
        else if (k == "--count") count = v;
        else {
            Error("kvtool book: unknown option " + k);
            return kBadArgs;
        }
    }
    uint32_t id = 0, ymd[3], hm1[2], hm2[2];
    if (!haveUser || !ParseUnsigned(facility, &id) || !ParseNumbers(date, '-', 3, ymd) ||
        !ParseNumbers(start, ':', 2, hm1) || !ParseNumbers(end, ':', 2, hm2)) {
        Error("kvtool book: --facility ID --date YYYY-MM-DD --start H:MM --end H:MM --user NAME are required");
        return kBadArgs;
    }
    series::Pattern pattern{};
    series::End seriesEnd;
    if ((!repeat.empty() || !until.empty() || !count.empty()) &&
        !ReadRepeat(repeat, until, count, &pattern, &seriesEnd)) {
        Error("kvtool book: --repeat daily|weekly|biweekly|monthly takes --until YYYY-MM-DD or --count N");
        return kBadArgs;
    }
    ReserveEntry e;
    e.year = ymd[0], e.month = ymd[1], e.day = ymd[2];
    e.startHour = hm1[0], e.startMinute = hm1[1];
    e.endHour = hm2[0], e.endMinute = hm2[1];
    e.paid = paid;
    // The dialog's field checks, in its order.
    for (auto [from, to] : {std::pair{&user, &e.user}, {&purpose, &e.purpose}, {&contact, &e.contact}}) {
        std::string bad;
        if (!text::FromUtf8(*from, to, &bad)) {
            std::string m = msg::kCannotEncode;
            m.replace(m.find("%1"), 2, bad);
            Error(m);
            return kRefused;
        }
    }
    if (!ParseUnsigned(fee, &e.fee)) {
        Error(msg::kNotUnsigned);
        return kRefused;
    }
    if (!Fits16(e.fee)) {
        Error(msg::kOutOf16Bits);
        return kRefused;
    }
    CheckResult r = CheckDateTimes(e);
    if (r != CheckResult::Ok) {
        Error(CheckMessage(r));
        return kRefused;
    }
    if (!repeat.empty()) return BookSeries(path, e, id, pattern, seriesEnd);

    StderrHost host;
    CKivoDoc doc;
    doc.SetHost(&host);
    doc.SetPathName(path);
    const bool dupForbidden = profile::GetInt(profile::Key::Dup) != 0;
    CheckResult refusal = CheckResult::Ok;
    std::string line;
    TxResult tx = doc.Transact([&](CKivoDoc& d) {
        e.facility = d.GetFacilityIndex(static_cast<int>(id));
        refusal = CheckAfterReload(e, d.m_arReserve, d.m_arFacility, nullptr, dupForbidden);
        if (refusal != CheckResult::Ok) return false;
        auto rec = std::make_unique<CReserve>();
        ApplyEntry(e, d.m_arFacility, rec.get());
        line = ReserveListLine(*rec, d);
        d.m_arReserve.push_back(std::move(rec));
        return true;
    });
    KeepUntilExit(doc);
    if (tx == TxResult::Failed) return kFileError;
    if (tx == TxResult::Abandoned) {
        Error(CheckMessage(refusal));
        return kRefused;
    }
    Print(U8(line) + "\n");
    return kOk;
}

#ifndef KVTOOL_RENDER
int Render(const Args&) {
    Error("kvtool render: this build has no drawing support");
    return kBadArgs;
}
#endif

}  // namespace kvtool
