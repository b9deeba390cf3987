// kvtool dump and build: a register as JSON and back, refusing what the
// file cannot hold.
#include <fstream>
#include <limits>

#include <nlohmann/json.hpp>

#include "core/doc/archive.h"
#include "core/store/status.h"
#include "core/doc/kvformat.h"
#include "core/doc/text.h"
#include "kvtool.h"

using json = nlohmann::ordered_json;

namespace kvtool {

namespace {

std::string U8(const std::string& cp932) { return text::ToUtf8(cp932); }

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

}  // namespace

int Dump(const Options& o) {
    RegisterData d;
    int rc = LoadFile(o.args[0], &d);
    if (rc != kOk) return rc;
    Print(ToJson(d.facilities, d.reserves, d.users).dump(1) + "\n");
    return kOk;
}

int Build(const Options& o) {
    const std::string& in = o.args[0];
    std::ifstream file(in, std::ios::binary);
    if (!file) {
        Error(store::FileMessage(store::Cause::FileNotFound, in));
        return kFileError;
    }
    RegisterData d;
    try {
        json root = json::parse(file);
        FromJson(root, &d);
    } catch (const json::exception& e) {
        Error(std::string("kvtool build: ") + in + ": " + e.what());
        return kBadArgs;
    } catch (const BuildError& e) {
        Error("kvtool build: " + e.what);
        return kBadArgs;
    }
    return WriteRegister(o.args[1], d);
}

}  // namespace kvtool
