#include "desktop/schedule/profilefont.h"

#include <QFontMetrics>
#include <QStringList>
#include <algorithm>
#include <cmath>

#include "core/profile/profile.h"

namespace {

const QString kJapaneseFace = QStringLiteral("IPAGothic");

}  // namespace

ProfileFont ReadScheduleFont() {
    using profile::Key;
    ProfileFont f;
    f.face = profile::GetString(Key::FontFaceName);
    f.height = profile::GetInt(Key::FontSize);
    f.weight = profile::GetInt(Key::FontWeight);
    f.italic = profile::GetInt(Key::FontItalic);
    f.underline = profile::GetInt(Key::FontUnderline);
    f.charSet = profile::GetInt(Key::FontCharSet);
    return f;
}

void WriteScheduleFont(const ProfileFont& f) {
    using profile::Key;
    profile::WriteString(Key::FontFaceName, f.face);
    profile::WriteInt(Key::FontSize, f.height);
    profile::WriteInt(Key::FontWeight, f.weight);
    profile::WriteInt(Key::FontItalic, f.italic ? 1 : 0);
    profile::WriteInt(Key::FontUnderline, f.underline ? 1 : 0);
    profile::WriteInt(Key::FontCharSet, f.charSet);
}

QFont ToQFont(const ProfileFont& f) {
    QFont font;
    const QString face = QString::fromUtf8(f.face.c_str());
    // Japanese text must come out whatever face is named, so IPA Gothic
    // stands behind it; FIXEDSYS exists only on the old desks.
    if (face.isEmpty() || face.compare(QStringLiteral("FIXEDSYS"), Qt::CaseInsensitive) == 0)
        font.setFamilies({kJapaneseFace});
    else
        font.setFamilies({face, kJapaneseFace});
    int px = f.height < 0 ? -f.height : f.height;
    if (px == 0) px = 13;
    font.setPixelSize(std::min(px, 1000));
    int weight = f.weight <= 0 ? 400 : std::clamp(f.weight, 1, 1000);
    font.setWeight(static_cast<QFont::Weight>(weight));
    font.setItalic((f.italic & 0xFF) != 0);
    font.setUnderline((f.underline & 0xFF) != 0);
    font.setStyleHint(QFont::Monospace);
    return font;
}

ProfileFont FromQFont(const QFont& font, int charSet) {
    ProfileFont f;
    QString family = font.family();
    f.face = family.toStdString();
    if (font.pixelSize() > 0) f.height = -font.pixelSize();
    else f.height = -static_cast<int>(std::lround(font.pointSizeF() * 96.0 / 72.0));
    if (f.height == 0) f.height = -13;
    f.weight = font.weight();
    f.italic = font.italic() ? 1 : 0;
    f.underline = font.underline() ? 1 : 0;
    f.charSet = charSet;
    return f;
}

FontMetricsPair MeasureFont(const QFont& font) {
    QFontMetrics fm(font);
    return {fm.averageCharWidth(), fm.height()};
}
