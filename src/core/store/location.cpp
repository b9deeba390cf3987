#include "core/store/location.h"

#include <cstdlib>
#include <map>
#include <mutex>

#include "core/store/file/fileio.h"

namespace store {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// %XX as in any URI; a '%' not followed by two digits stays as it is.
std::string Decode(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && HexDigit(s[i + 1]) >= 0 && HexDigit(s[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(s[i + 1]) * 16 + HexDigit(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

const std::string* Find(const Location::Params& params, const char* key) {
    for (const auto& [k, v] : params)
        if (k == key) return &v;
    return nullptr;
}

// The passwords given this session, by register key; memory only.
std::map<std::string, std::string>& Passwords(std::unique_lock<std::mutex>* lock) {
    static std::mutex m;
    static std::map<std::string, std::string> passwords;
    *lock = std::unique_lock<std::mutex>(m);
    return passwords;
}

std::string ValueOr(const Location::Params& params, const char* key, const char* env, const char* def) {
    const std::string* v = Find(params, key);
    if (v && !v->empty()) return *v;
    const char* e = std::getenv(env);
    return e && *e ? e : def;
}

}  // namespace

bool IsServerText(const std::string& text) {
    return text.rfind("postgresql://", 0) == 0 || text.rfind("postgres://", 0) == 0;
}

Location Location::Parse(const std::string& text) {
    Location l;
    l.text_ = text;
    if (!IsServerText(text)) return l;
    l.kind_ = Kind::Server;
    const size_t start = text.find("://") + 3;
    const size_t query = text.find('?', start);
    const std::string front = text.substr(start, query == std::string::npos ? std::string::npos : query - start);
    const size_t slash = front.find('/');
    std::string authority = front.substr(0, slash);
    const std::string db = slash == std::string::npos ? std::string() : front.substr(slash + 1);
    // The text kept and shown is rebuilt from the parts, less the password.
    std::string shown = text.substr(0, start);
    const size_t at = authority.rfind('@');
    if (at != std::string::npos) {
        std::string user = authority.substr(0, at);
        const size_t colon = user.find(':');
        if (colon != std::string::npos) {
            l.params_.emplace_back("password", Decode(user.substr(colon + 1)));
            user.resize(colon);
        }
        if (!user.empty()) l.params_.emplace_back("user", Decode(user));
        shown += user + "@";
        authority.erase(0, at + 1);
    }
    shown += authority;
    std::string host = authority, port;
    const size_t bracket = host.find(']');
    const size_t colon = host.find(':', bracket == std::string::npos ? 0 : bracket);
    if (colon != std::string::npos) {
        port = host.substr(colon + 1);
        host.resize(colon);
    }
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    if (!host.empty()) l.params_.emplace_back("host", Decode(host));
    if (!port.empty()) l.params_.emplace_back("port", Decode(port));
    if (!db.empty()) l.params_.emplace_back("dbname", Decode(db));
    if (slash != std::string::npos) shown += "/" + db;
    char sep = '?';
    size_t pos = query == std::string::npos ? text.size() : query + 1;
    while (pos < text.size()) {
        size_t amp = text.find('&', pos);
        if (amp == std::string::npos) amp = text.size();
        const std::string pair = text.substr(pos, amp - pos);
        pos = amp + 1;
        if (pair.empty()) continue;
        const size_t eq = pair.find('=');
        const std::string key = Decode(pair.substr(0, eq));
        const std::string value = eq == std::string::npos ? std::string() : Decode(pair.substr(eq + 1));
        if (key != "password") {
            shown += sep + pair;
            sep = '&';
        }
        if (key == "register") l.register_ = value;
        else l.params_.emplace_back(key, value);
    }
    l.text_ = shown;
    return l;
}

void Location::SetPassword(const std::string& password) const {
    const std::string key = Key();
    std::unique_lock<std::mutex> lock;
    Passwords(&lock)[key] = password;
}

Location::Params Location::Connection() const {
    Params params = params_;
    if (Find(params, "password")) return params;
    const std::string key = Key();
    std::unique_lock<std::mutex> lock;
    auto& passwords = Passwords(&lock);
    const auto it = passwords.find(key);
    if (it != passwords.end()) params.emplace_back("password", it->second);
    return params;
}

std::string Location::Key() const {
    if (kind_ == Kind::File) return fileio::Resolve(text_);
    const std::string host = ValueOr(params_, "host", "PGHOST", "/var/run/postgresql");
    const std::string port = ValueOr(params_, "port", "PGPORT", "5432");
    const std::string* db = Find(params_, "dbname");
    return "postgresql://" + host + ":" + port + "/" + (db ? *db : std::string()) + "?register=" + register_;
}

std::string Location::Title() const {
    if (kind_ == Kind::Server) {
        const std::string* host = Find(params_, "host");
        // A socket folder names no machine: the server is this one.
        return register_ + "@" + (host && !host->empty() && host->front() != '/' ? *host : std::string("localhost"));
    }
    const size_t slash = text_.rfind('/');
    return slash == std::string::npos ? text_ : text_.substr(slash + 1);
}

}  // namespace store
