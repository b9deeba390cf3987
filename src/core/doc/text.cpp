#include "core/doc/text.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace text {

namespace {

// One iconv descriptor per direction, opened on first use and kept.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much as possible; returns false at the first sequence that
    // cannot be converted, leaving *consumed at its start.
    bool Run(std::string_view in, std::string* out, size_t* consumed) {
        *consumed = 0;
        if (cd_ == reinterpret_cast<iconv_t>(-1)) return false;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* inp = const_cast<char*>(in.data());
        size_t inLeft = in.size();
        char buf[4096];
        while (inLeft > 0) {
            char* outp = buf;
            size_t outLeft = sizeof buf;
            size_t r = iconv(cd_, &inp, &inLeft, &outp, &outLeft);
            out->append(buf, static_cast<size_t>(outp - buf));
            if (r == static_cast<size_t>(-1) && errno != E2BIG) {
                *consumed = in.size() - inLeft;
                return false;
            }
        }
        *consumed = in.size();
        return true;
    }

private:
    iconv_t cd_;
};

Converter& ToUtf8Conv() {
    static Converter c("UTF-8", "CP932");
    return c;
}
Converter& FromUtf8Conv() {
    static Converter c("CP932", "UTF-8");
    return c;
}

size_t Utf8SeqLen(unsigned char c) {
    if (c < 0x80) return 1;
    if ((c & 0xE0) == 0xC0) return 2;
    if ((c & 0xF0) == 0xE0) return 3;
    if ((c & 0xF8) == 0xF0) return 4;
    return 1;
}

void AppendUtf8(std::string* out, uint32_t cp) {
    if (cp < 0x80) {
        out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

int CompareNoCase(std::string_view a, std::string_view b) {
    const size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z') x += 0x20;
        if (y >= 'A' && y <= 'Z') y += 0x20;
        if (x != y) return static_cast<int>(x) - static_cast<int>(y);
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

size_t FindAtCharBoundary(std::string_view hay, std::string_view needle, size_t from) {
    size_t i = 0;
    while (i <= hay.size()) {
        if (i >= from && hay.size() - i >= needle.size() && hay.compare(i, needle.size(), needle) == 0) return i;
        if (i == hay.size()) break;
        i += IsLeadByte(static_cast<unsigned char>(hay[i])) ? 2 : 1;
    }
    return std::string_view::npos;
}

std::string ToUtf8(std::string_view cp932) {
    std::string out;
    out.reserve(cp932.size() * 3 / 2);
    while (!cp932.empty()) {
        size_t used = 0;
        if (ToUtf8Conv().Run(cp932, &out, &used)) break;
        // Skip one byte of a sequence CP932 does not define.
        AppendUtf8(&out, 0xFFFD);
        cp932.remove_prefix(used + 1 <= cp932.size() ? used + 1 : cp932.size());
    }
    return out;
}

bool FromUtf8(std::string_view utf8, std::string* out, std::string* badChar) {
    out->clear();
    size_t used = 0;
    if (FromUtf8Conv().Run(utf8, out, &used)) return true;
    if (badChar) {
        unsigned char c = static_cast<unsigned char>(utf8[used]);
        size_t n = Utf8SeqLen(c);
        if (used + n > utf8.size() || (n == 1 && c >= 0x80)) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            *badChar = hex;
        } else {
            *badChar = std::string(utf8.substr(used, n));
        }
    }
    return false;
}

std::string Cp932(std::string_view utf8) {
    std::string out;
    FromUtf8(utf8, &out);
    return out;
}

std::string FromUtf16(const uint16_t* units, size_t count) {
    std::string out;
    for (size_t i = 0; i < count; ++i) {
        uint32_t cp = units[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < count && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            out.push_back('?');
            continue;
        }
        std::string u8;
        AppendUtf8(&u8, cp);
        std::string one;
        if (FromUtf8(u8, &one)) out += one;
        else out.push_back('?');
    }
    return out;
}

std::string StripCrLf(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
            ++i;
            continue;
        }
        out.push_back(s[i]);
    }
    return out;
}

std::string Fill(std::string_view pattern, std::string_view value) {
    std::string s(pattern);
    const size_t at = s.find("%1");
    if (at != std::string::npos) s.replace(at, 2, value);
    return s;
}

}  // namespace text
