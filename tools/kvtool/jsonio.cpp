// kvtool dump and build: a register as JSON and back, refusing what the
// file cannot hold.
#include <charconv>
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <limits>
#include <string_view>

#include <nlohmann/json.hpp>

#include "core/doc/archive.h"
#include "core/store/status.h"
#include "core/store/store.h"
#include "core/doc/kvformat.h"
#include "core/doc/text.h"
#include "kvtool.h"

using json = nlohmann::ordered_json;

namespace kvtool {

namespace {

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

// The register's JSON laid out as nlohmann's dump(1) lays out a whole tree
// (one space of indent a level, its escapes and number forms), written as
// the records come so that no text of the whole register is ever held.
class DumpWriter {
public:
    // One field of a record: a number, or a text as the register holds it.
    struct Field {
        Field(const char* k, long long n) : key(k), number(n) {}
        Field(const char* k, const std::string& t) : key(k), cp932(&t) {}
        const char* key;
        long long number = 0;
        const std::string* cp932 = nullptr;
    };

    void Section(const char* name) {
        out_ += sections_++ ? ",\n \"" : "{\n \"";
        out_ += name;
        out_ += "\": [";
        records_ = 0;
    }
    void Record(std::initializer_list<Field> fields) {
        out_ += records_++ ? ",\n  {" : "\n  {";
        const char* before = "\n   \"";
        for (const Field& f : fields) {
            out_ += before;
            before = ",\n   \"";
            out_ += f.key;
            out_ += "\": ";
            if (f.cp932) {
                out_ += '"';
                Escaped(text::ToUtf8(*f.cp932));
                out_ += '"';
            } else {
                char digits[24];
                out_.append(digits, std::to_chars(digits, digits + sizeof digits, f.number).ptr);
            }
        }
        out_ += "\n  }";
        if (out_.size() >= kChunk) Flush();
    }
    void EndSection() { out_ += records_ ? "\n ]" : "]"; }
    void Finish() {
        out_ += "\n}\n";
        Flush();
    }

private:
    static constexpr size_t kChunk = 64 * 1024;

    // ToUtf8 gives valid UTF-8: only quotes, backslashes and control
    // characters are escaped, as nlohmann does without ensure_ascii.
    void Escaped(std::string_view s) {
        size_t run = 0;
        for (size_t i = 0; i < s.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(s[i]);
            if (c >= 0x20 && c != '"' && c != '\\') continue;
            out_.append(s, run, i - run);
            run = i + 1;
            switch (c) {
                case '"': out_ += "\\\""; break;
                case '\\': out_ += "\\\\"; break;
                case '\b': out_ += "\\b"; break;
                case '\f': out_ += "\\f"; break;
                case '\n': out_ += "\\n"; break;
                case '\r': out_ += "\\r"; break;
                case '\t': out_ += "\\t"; break;
                default: {
                    char u[8];
                    std::snprintf(u, sizeof u, "\\u%04x", static_cast<unsigned>(c));
                    out_ += u;
                }
            }
        }
        out_.append(s, run, s.size() - run);
    }
    void Flush() {
        Print(out_);
        out_.clear();
    }

    std::string out_;
    int sections_ = 0;
    size_t records_ = 0;
};

void Put(DumpWriter& out, const CKivo& f) {
    out.Record({{"id", f.m_nID}, {"name", f.m_strName}, {"max_people", f.m_nMaxPeople}, {"comment", f.m_strComment}});
}

void Put(DumpWriter& out, const CReserve& r) {
    out.Record({{"user", r.m_strUser}, {"purpose", r.m_strPurpose}, {"contact", r.m_strContact},
                {"start", r.m_timeStart}, {"end", r.m_timeEnd}, {"facility", r.m_nFacilityID}, {"paid", r.m_bPaid},
                {"spare", r.m_nSpare}, {"fee", r.m_nFee}});
}

void Put(DumpWriter& out, const CKivoUser& u) {
    out.Record({{"name", u.m_strName}, {"charge", u.m_strCharge}, {"tel", u.m_strTel}, {"zip", u.m_strZip},
                {"address", u.m_strAddress}, {"mail", u.m_strMail}, {"memo", u.m_strMemo}});
}

}  // namespace

int Dump(const Options& o) {
    // The reservations pass by one at a time; the facilities come before
    // the first of them and the users after the last, as the JSON has them.
    DumpWriter out;
    FacilityArray facilities;
    UserArray users;
    bool begun = false;
    auto begin = [&] {
        if (begun) return;
        begun = true;
        out.Section("facilities");
        for (const auto& f : facilities) Put(out, *f);
        out.EndSection();
        out.Section("reservations");
    };
    const store::Location where = store::Location::Parse(o.args[0]);
    const store::Status st = store::OpenStore(where)->Scan(
        [&](size_t, const CReserve& r) {
            begin();
            // Once standard output failed nothing more is written; the read
            // still ends as it would, with its own status.
            if (!OutputFailed()) Put(out, r);
        },
        &facilities, &users);
    if (!st.ok()) {
        Error(store::Message(st, where, false));
        return kFileError;
    }
    begin();
    out.EndSection();
    out.Section("users");
    for (const auto& u : users) Put(out, *u);
    out.EndSection();
    out.Finish();
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
