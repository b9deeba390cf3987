#include "desktop/schedule/schedulepaint.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>

#include "core/booking/facilityindex.h"
#include "core/calendar/holidays.h"
#include "core/doc/kivodoc.h"
#include "core/doc/kvtime.h"
#include "core/doc/text.h"
#include "core/profile/profile.h"
#include "desktop/schedule/profilefont.h"

namespace {

QString U8(const std::string& cp932) { return QString::fromUtf8(text::ToUtf8(cp932)); }

// TextOut: the point is the text's top-left corner.
void TextAt(QPainter& p, int x, int y, const QString& s) {
    p.drawText(QPoint(x, y + p.fontMetrics().ascent()), s);
}

QPen SolidPen() {
    QPen pen(Qt::black, 0, Qt::SolidLine);
    pen.setCosmetic(true);
    return pen;
}

QPen DottedPen() {
    QPen pen(Qt::black, 0, Qt::DotLine);
    pen.setCosmetic(true);
    return pen;
}

void Line(QPainter& p, int x1, int y1, int x2, int y2) { p.drawLine(x1, y1, x2, y2); }

// FrameRect: a border one logical unit wide inside the rectangle.
void FrameBox(QPainter& p, const QRect& r) {
    p.fillRect(QRect(r.left(), r.top(), r.width(), 1), Qt::black);
    p.fillRect(QRect(r.left(), r.top() + r.height() - 1, r.width(), 1), Qt::black);
    p.fillRect(QRect(r.left(), r.top(), 1, r.height()), Qt::black);
    p.fillRect(QRect(r.left() + r.width() - 1, r.top(), 1, r.height()), Qt::black);
}

// The headings of the printed page, from the margin origin.
void PaintPageHeadings(QPainter& p, const CKivoDoc& doc, const sched::Layout& lay, int x0, const QString& holiday) {
    const int cw = lay.cw, rh = lay.rh, n = lay.n;
    // Column headings. The corner cell has no room for a holiday's name: the
    // screen's caption with it stands in the margin above, the date in red.
    if (!holiday.isEmpty()) {
        p.setPen(HolidayColor());
        TextAt(p, 0, -rh, QString::fromUtf8(sched::DayCaption(doc.m_timeDay).c_str()) + QLatin1Char(' ') + holiday);
    }
    TextAt(p, 0, 0, QString::fromStdString(kvtime::Format(doc.m_timeDay, "%m/%d")));
    p.setPen(SolidPen());
    Line(p, x0, 0, x0, rh);
    int x = x0;
    if (!lay.Across()) {
        Line(p, 0, rh, x + lay.slotCount * 2 * cw, rh);
        Line(p, 0, 0, x + lay.slotCount * 2 * cw, 0);
        p.setPen(DottedPen());
        int hours = lay.slotCount / 2;
        for (int i = 0; i < hours; ++i) {
            TextAt(p, x + 1, 2, QString::fromStdString(sched::HourLabel(lay.startHour, i)));
            x += 4 * cw;
            Line(p, x, 0, x, rh);
        }
        p.setPen(SolidPen());
        if (hours > 0) Line(p, x, 0, x, rh);
    } else {
        Line(p, 0, rh, x + n * 10 * cw, rh);
        Line(p, 0, 0, x + n * 10 * cw, 0);
        for (const auto& f : doc.m_arFacility) {
            TextAt(p, x + 1, 2, U8(f->m_strName));
            x += 10 * cw;
            Line(p, x, 0, x, rh);
        }
    }
    // Row headings.
    if (!lay.Across()) {
        const int nameWidth = doc.GetMaxFacilityNameLength() * cw;
        Line(p, 0, 0, 0, (n + 1) * rh);
        for (int i = 0; i < n; ++i) {
            TextAt(p, 2, (i + 1) * rh + 2, U8(doc.m_arFacility[static_cast<size_t>(i)]->m_strName));
            Line(p, 0, (i + 2) * rh, nameWidth, (i + 2) * rh);
        }
    } else {
        Line(p, 0, 0, 0, (lay.slotCount + 1) * rh);
        p.setPen(DottedPen());
        for (int k = 0; k < lay.slotCount; ++k) {
            TextAt(p, 2, (k + 1) * rh + 2, QString::fromStdString(sched::HalfHourLabel(lay.startHour, k)));
            if (k % 2 == 1) Line(p, 1, (k + 2) * rh, 8 * cw, (k + 2) * rh);
        }
        p.setPen(SolidPen());
        Line(p, 1, (lay.slotCount + 1) * rh, 8 * cw, (lay.slotCount + 1) * rh);
    }
}

// What of the layout the screen shows, with a pixel to spare; null when the
// painter's mapping cannot be undone. A busy day has thousands of boxes and
// laying out the texts of those out of sight cost more than all the rest.
QRect VisibleArea(const QPainter& p) {
    const QPaintDevice* dev = p.device();
    bool invertible = false;
    const QTransform back = p.combinedTransform().inverted(&invertible);
    if (!dev || !invertible) return {};
    return back.mapRect(QRectF(0, 0, dev->width(), dev->height())).toAlignedRect().adjusted(-1, -1, 1, 1);
}

}  // namespace

QColor ColorFromRef(uint32_t ref) {
    return QColor(static_cast<int>(ref & 0xFF), static_cast<int>((ref >> 8) & 0xFF), static_cast<int>((ref >> 16) & 0xFF));
}

ScheduleColors ScheduleColorsFromProfile() {
    return {ColorFromRef(profile::GetColor(profile::Key::RevColor1)),
            ColorFromRef(profile::GetColor(profile::Key::RevColor2))};
}

uint32_t RefFromColor(const QColor& c) {
    return static_cast<uint32_t>(c.red()) | (static_cast<uint32_t>(c.green()) << 8) |
           (static_cast<uint32_t>(c.blue()) << 16);
}

sched::Layout MakeLayout(const CKivoDoc& doc, sched::Orientation orientation, int startHour, int endHour, const QFont& font) {
    sched::Layout lay;
    lay.orientation = orientation;
    lay.startHour = startHour;
    lay.slotCount = sched::SlotCount(startHour, endHour);
    lay.n = static_cast<int>(doc.m_arFacility.size());
    FontMetricsPair m = MeasureFont(font);
    lay.cw = m.cw;
    lay.rh = sched::RowHeight(m.tmHeight);
    return lay;
}

BoxContent BoxContentFromProfile(int object) {
    return object >= 0 && object <= static_cast<int>(BoxContent::PurposeOnly) ? static_cast<BoxContent>(object)
                                                                             : BoxContent::Nothing;
}

QString BoxText(const CReserve& r, BoxContent content) {
    std::string s;
    switch (content) {
        case BoxContent::UserPurpose:
            s = r.m_strUser.empty() ? r.m_strPurpose : r.m_strUser + "\r\n" + r.m_strPurpose;
            break;
        case BoxContent::PurposeUser:
            s = r.m_strPurpose.empty() ? r.m_strUser : r.m_strPurpose + "\r\n" + r.m_strUser;
            break;
        case BoxContent::UserOnly: s = r.m_strUser; break;
        case BoxContent::PurposeOnly: s = r.m_strPurpose; break;
        case BoxContent::Nothing: break;
    }
    QString t = U8(s);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return t;
}

namespace {

// The grid: facility bands in solid lines, hours dotted, the last hour solid.
void PaintGrid(QPainter& p, const sched::Layout& lay) {
    const int cw = lay.cw, rh = lay.rh;
    const int W = lay.GridWidth(), H = lay.GridHeight();
    p.setPen(SolidPen());
    Line(p, 0, 0, 0, H);
    for (int f = 1; f <= lay.n; ++f) {
        if (lay.Across()) Line(p, 10 * cw * f, 0, 10 * cw * f, H);
        else Line(p, 0, rh * f, W, rh * f);
    }
    auto hourLine = [&](int j) {
        if (lay.Across()) Line(p, 0, 2 * rh * j, W, 2 * rh * j);
        else Line(p, 4 * cw * j, 0, 4 * cw * j, H);
    };
    const int hours = lay.slotCount / 2;
    p.setPen(DottedPen());
    for (int j = 1; j <= hours; ++j) hourLine(j);
    p.setPen(SolidPen());
    hourLine(hours > 0 ? hours : 0);
}

// One pass over the register with integer tests; only the day's boxes are
// converted and formatted. visible: what the screen shows (null: everything).
void PaintBoxes(QPainter& p, const CKivoDoc& doc, const sched::Layout& lay, const ScheduleColors& colors,
                BoxContent content, const QRect& visible) {
    const sched::DayRange day = sched::DayOf(doc.m_timeDay);
    const FacilityIndex facilities(doc.m_arFacility);
    // A booking before the first hour or past the last shows only its part
    // inside the grid: it never covers the headings or runs off the page.
    const QRect grid(0, 0, lay.GridWidth(), lay.GridHeight());
    if (grid.isEmpty()) return;
    p.save();
    p.setClipRect(grid, Qt::IntersectClip);
    for (const auto& rp : doc.m_arReserve) {
        const CReserve& r = *rp;
        if (!sched::ShownOnDay(r, day)) continue;
        const int fpos = facilities.Of(r.m_nFacilityID);
        if (!visible.isNull()) {
            // A box spans its facility's band across; that band out of sight
            // settles it before any time is converted.
            const sched::Rect band = lay.FacilityBand(fpos);
            const bool seen = lay.Across() ? band.left <= visible.right() && band.right > visible.left()
                                           : band.top <= visible.bottom() && band.bottom > visible.top();
            if (!seen) continue;
        }
        const sched::Rect b = sched::ReserveBox(lay, r, fpos, day);
        if (b.IsEmpty()) continue;
        const QRect box(b.left, b.top, b.right - b.left, b.bottom - b.top);
        const QRect shown = box.intersected(grid);
        if (shown.isEmpty() || (!visible.isNull() && !visible.intersects(shown))) continue;
        p.fillRect(shown, r.m_bPaid ? colors.paid : colors.unpaid);
        FrameBox(p, box);
        if (!lay.Across()) continue;
        // From the top of what is seen: a whole-day booking still names its booker.
        const QRect textRect = shown.adjusted(2, 2, -2, -2);
        if (textRect.isEmpty()) continue;
        const QString s = BoxText(r, content);
        if (s.isEmpty()) continue;
        p.save();
        p.setPen(Qt::black);
        p.setClipRect(textRect, Qt::IntersectClip);
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic, s);
        p.restore();
    }
    p.restore();
}

}  // namespace

QString HolidayOf(KvTime day) {
    std::tm tm;
    if (!kvtime::ToLocal(day, &tm)) return {};
    return QString::fromStdString(
        holidays::Calendar::Current()->NameOn({tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday}));
}

QColor HolidayColor() { return QColor(255, 0, 0); }

void PaintSchedule(QPainter& p, const CKivoDoc& doc, const sched::Layout& lay, const QFont& font,
                   const ScheduleColors& colors, BoxContent content, Surface surface, const QString& holiday) {
    p.save();
    p.setFont(font);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    p.setBackgroundMode(Qt::TransparentMode);
    p.setPen(SolidPen());
    if (surface == Surface::Paper) {
        // Logical y grows upwards on paper; every y below is that value negated.
        const sched::PageLayout page = sched::PageLayoutOf(lay, doc.GetMaxFacilityNameLength());
        p.translate(page.marginX, -page.marginY);
        PaintPageHeadings(p, doc, lay, page.x0, holiday);
        p.translate(page.gridX, -page.gridY);
    }
    PaintGrid(p, lay);
    // Paper shows the whole grid; the screen only what fits the window.
    PaintBoxes(p, doc, lay, colors, content, surface == Surface::Screen ? VisibleArea(p) : QRect());
    p.restore();
}

void PaintTopPane(QPainter& p, const PaneData& d, const QFont& font, const QRect& client) {
    p.save();
    p.setFont(font);
    p.setPen(SolidPen());
    const int cw = QFontMetrics(font).averageCharWidth();
    if (d.holiday.isEmpty()) TextAt(p, 0, 0, d.caption);
    int x = d.wl + 3;
    Line(p, x, 0, x, client.bottom());
    p.setClipRect(QRect(QPoint(x + 3, 0), QPoint(client.right(), client.bottom())));
    p.translate(-d.scrollX, 0);
    if (d.orientation == sched::Orientation::FacilitiesDown) {
        p.setPen(DottedPen());
        for (int i = 0; i < d.slotCount / 2; ++i) {
            TextAt(p, x + cw / 2, 0, QString::fromStdString(sched::HourLabel(d.startHour, i)));
            x += 4 * cw;
            Line(p, x, client.top(), x, client.bottom());
        }
    } else {
        for (const QString& name : d.names) {
            x += 10 * cw;
            TextAt(p, x - 10 * cw + 1, 0, name);
            Line(p, x, 0, x, client.bottom());
        }
    }
    p.restore();
    if (!d.holiday.isEmpty()) {
        // A holiday's caption is longer than the corner: it lies over the first
        // headings on the pane's own colour, whole cells of them, so that
        // neither it nor a heading shows cut.
        const QString caption = d.caption + QLatin1Char(' ') + d.holiday;
        const int step = (d.orientation == sched::Orientation::FacilitiesDown ? 4 : 10) * cw;
        int right = d.wl + 3 - d.scrollX;
        while (step > 0 && right < QFontMetrics(font).horizontalAdvance(caption) + 2) right += step;
        p.save();
        p.setFont(font);
        p.fillRect(QRect(0, 0, right, client.height() - 1), p.background());
        p.setPen(HolidayColor());
        TextAt(p, 0, 0, caption);
        p.restore();
    }
}

void PaintLeftPane(QPainter& p, const PaneData& d, const QFont& font, const QRect& client) {
    p.save();
    p.setFont(font);
    p.setPen(SolidPen());
    const int tmHeight = QFontMetrics(font).height();
    const int rh = sched::RowHeight(tmHeight);
    p.translate(0, -d.scrollY);
    if (d.orientation == sched::Orientation::FacilitiesDown) {
        for (int i = 0; i < d.names.size(); ++i) {
            TextAt(p, 1, i * rh + 1, d.names[i]);
            Line(p, client.left(), (i + 1) * rh, client.right(), (i + 1) * rh);
        }
    } else {
        p.setPen(DottedPen());
        for (int k = 0; k < d.slotCount; ++k) {
            TextAt(p, 0, k * rh + 2, QString::fromStdString(sched::HalfHourLabel(d.startHour, k)));
            if (k % 2 == 1) Line(p, 0, (k + 1) * rh, client.right(), (k + 1) * rh);
        }
    }
    p.restore();
}
