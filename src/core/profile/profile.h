#pragma once
// The application profile: one INI file of sections and keys, read at the
// moment a value is needed and written through at once.
#include <cstdint>
#include <string>

namespace profile {

// Every key the program reads or writes. The table in profile.cpp holds the
// section, key and default of each; nothing else names them.
enum class Key {
    DefaultFile, Dup, StartTime, EndTime, AutoRefresh, Holidays,
    ViewMode, ViewObject, RevColor1, RevColor2,
    WindowPos, ShowCmd, PreviewPages,
    RViewSort, UserViewSort,
    FontFaceName, FontSize, FontWeight, FontItalic, FontUnderline, FontCharSet,
    RFontFaceName, RFontSize, RFontWeight, RFontItalic, RFontUnderline, RFontCharSet,
    UFontFaceName, UFontSize, UFontWeight, UFontItalic, UFontUnderline, UFontCharSet,
};

// $XDG_CONFIG_HOME/orvalis/orvalis.ini, else ~/.config/orvalis/orvalis.ini.
// ORVALIS_PROFILE, when set, names the file directly (tests, several desks on one machine).
std::string DefaultPath();
// Points the store at another file (tests); empty restores DefaultPath().
void SetPath(const std::string& path);
const std::string& Path();

// Test seam: when set, called before every read and every write of the file.
using AccessWatch = void (*)();
void SetAccessWatch(AccessWatch watch);

// Raw access, sections and keys case-insensitive. Integers are read the C way:
// leading blanks, optional sign, digits up to the first non-digit, none -> 0;
// a number beyond int saturates at INT_MIN / INT_MAX.
int GetProfileInt(const std::string& section, const std::string& key, int def);
std::string GetProfileString(const std::string& section, const std::string& key, const std::string& def);
// Written atomically to the file at once, one writer at a time across
// processes (a write never drops another's key); false when the file could not be
// written, and when a name or value holds a line break (it would not read back),
// a key is blank, holds '=' or starts with '[', or a section holds ']'.
bool WriteProfileInt(const std::string& section, const std::string& key, int value);
bool WriteProfileString(const std::string& section, const std::string& key, const std::string& value);

// Table-driven access with the program's own defaults.
int GetInt(Key k);
std::string GetString(Key k);
bool WriteInt(Key k, int value);
bool WriteString(Key k, const std::string& value);
// A colour key (RevColor1, RevColor2) as its 0x00BBGGRR value: the decimal
// text read as every integer here, so a number past int saturates. The one
// reading of the colours, for the window and for kvtool render alike.
uint32_t GetColor(Key k);
const char* SectionOf(Key k);
const char* NameOf(Key k);

// "Recent File List" / File1..File4.
std::string RecentFile(int n);
bool WriteRecentFile(int n, const std::string& path);

}  // namespace profile
