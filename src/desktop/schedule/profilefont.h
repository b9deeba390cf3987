#pragma once
// A font as the profile keeps it (face, height, weight, italic, underline,
// character set) and its QFont. Negative heights are pixel sizes; the old
// bitmap face FIXEDSYS is taken by a monospace face that has Japanese glyphs.
#include <QFont>
#include <string>

struct ProfileFont {
    std::string face = "FIXEDSYS";  // UTF-8
    int height = -13;
    int weight = 400;
    int italic = 0;
    int underline = 0;
    int charSet = 128;
};

// The six keys of section "Font" (the schedule's font).
ProfileFont ReadScheduleFont();
void WriteScheduleFont(const ProfileFont& f);

QFont ToQFont(const ProfileFont& f);
// The description of a font the user chose; point sizes become pixel heights
// of a 96-dpi screen, as the font dialog of a desk always gave them.
ProfileFont FromQFont(const QFont& font, int charSet);

// cw and tmHeight of a font, the two numbers the schedule is measured in.
struct FontMetricsPair {
    int cw = 0;
    int tmHeight = 0;
};
FontMetricsPair MeasureFont(const QFont& font);
