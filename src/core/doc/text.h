#pragma once
// Text as the register holds it: CP932 bytes. UTF-8 only at the edges.
#include <cstdint>
#include <string>
#include <string_view>

namespace text {

// True for a CP932 lead byte (the first of a double-byte character).
inline bool IsLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Byte order ignoring the case of A..Z only, every byte unsigned (the second
// byte of a double-byte character included), a prefix first. <0, 0 or >0.
int CompareNoCase(std::string_view a, std::string_view b);

// Position of the first occurrence of needle in hay that starts on a
// character boundary (never inside a double-byte character), or npos.
size_t FindAtCharBoundary(std::string_view hay, std::string_view needle, size_t from = 0);
inline bool ContainsAtCharBoundary(std::string_view hay, std::string_view needle) {
    return FindAtCharBoundary(hay, needle) != std::string_view::npos;
}

// CP932 -> UTF-8. A byte sequence that is not CP932 becomes U+FFFD per byte.
std::string ToUtf8(std::string_view cp932);

// UTF-8 -> CP932. On failure returns false and names, in UTF-8, the first
// character CP932 cannot hold (or the first invalid UTF-8 byte as "\xNN").
bool FromUtf8(std::string_view utf8, std::string* out, std::string* badChar = nullptr);
// Convenience for fixed program texts known to be representable.
std::string Cp932(std::string_view utf8);

// UTF-16LE code units -> CP932; characters CP932 lacks become '?'.
std::string FromUtf16(const uint16_t* units, size_t count);

// Removes every CR LF pair (nothing put in its place).
std::string StripCrLf(std::string_view s);

// A message with its "%1" filled in by value (the first one; none, as it is).
std::string Fill(std::string_view pattern, std::string_view value);

}  // namespace text
