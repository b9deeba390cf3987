#include <cstring>

#include "core/booking/rules.h"
#include "kvtool.h"

namespace kvtool {

std::string Options::Get(const char* name, const char* def) const {
    const auto it = values.find(name);
    return it == values.end() ? std::string(def) : it->second;
}

namespace {

// Whether the table's entry for name says "takes a value" (name=) or "flag".
enum class Kind { Unknown, Flag, Value };

Kind KindOf(const char* options, const std::string& name) {
    for (const char* p = options; *p;) {
        while (*p == ' ') ++p;
        const char* end = p;
        while (*end && *end != ' ') ++end;
        const bool value = end > p && end[-1] == '=';
        const size_t len = static_cast<size_t>(end - p) - (value ? 1 : 0);
        if (len > 0 && name.size() == len && std::strncmp(p, name.data(), len) == 0) return value ? Kind::Value : Kind::Flag;
        p = end;
    }
    return Kind::Unknown;
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

bool ReadOptions(const char* command, const Args& args, size_t positional, const char* options, const char* usage,
                 Options* out) {
    out->usage = usage;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.size() <= 2 || a.compare(0, 2, "--") != 0) {
            out->args.push_back(a);
            continue;
        }
        const Kind kind = KindOf(options, a);
        if (kind == Kind::Unknown) {
            Error(std::string("kvtool ") + command + ": unknown option " + a);
            return false;
        }
        if (kind == Kind::Flag) {
            out->values[a].clear();
            continue;
        }
        if (i + 1 >= args.size()) {
            Error(std::string("kvtool ") + command + ": " + a + " needs a value");
            return false;
        }
        out->values[a] = args[++i];
    }
    if (positional != kAnyCount && out->args.size() != positional) {
        Error(usage);
        return false;
    }
    return true;
}

bool ParseDate(const std::string& text, Ymd* out) {
    uint32_t ymd[3];
    if (!ParseNumbers(text, '-', 3, ymd)) return false;
    *out = {ymd[0], ymd[1], ymd[2]};
    return true;
}

bool ParseClock(const std::string& text, uint32_t* hour, uint32_t* minute) {
    uint32_t hm[2];
    if (!ParseNumbers(text, ':', 2, hm)) return false;
    *hour = hm[0], *minute = hm[1];
    return true;
}

}  // namespace kvtool
