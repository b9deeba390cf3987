#include "desktop/week/weekpaint.h"

#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>
#include <algorithm>

#include "core/booking/facilityindex.h"
#include "core/doc/kivodoc.h"
#include "core/doc/text.h"
#include "desktop/schedule/profilefont.h"

namespace {

const QColor kToday(255, 250, 205);    // a light shade that leaves both fee colours readable
const QColor kHeading(236, 236, 236);

QRect Q(const sched::Rect& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }

QPen Pen(Qt::PenStyle style, const QColor& color = Qt::black) {
    QPen pen(color, 0, style);
    pen.setCosmetic(true);
    return pen;
}

// The cells: today's column shaded, hour marks, rows and days ruled.
void PaintCells(QPainter& p, const sched::WeekLayout& lay, const std::array<sched::DayRange, sched::kWeekDays>& days,
                KvTime now, int firstRow, int lastRow) {
    const int top = lay.HeadHeight(), bottom = lay.Height();
    for (int d = 0; d < sched::kWeekDays; ++d) {
        const QRect col = Q(lay.DayHeading(d));
        if (days[static_cast<size_t>(d)].Contains(now))
            p.fillRect(QRect(col.left(), top, col.width(), bottom - top), kToday);
        // An hour mark where hours are wide enough to tell apart.
        if (lay.DayWidth() / std::max(1, lay.Hours()) < 6) continue;
        p.setPen(Pen(Qt::DotLine, QColor(176, 176, 176)));
        for (int h = 1; h < lay.Hours(); ++h) {
            const int x = col.left() + h * lay.DayWidth() / lay.Hours();
            p.drawLine(x, top, x, bottom);
        }
    }
    p.setPen(Pen(Qt::SolidLine));
    for (int f = firstRow; f <= lastRow + 1 && f <= lay.n; ++f)
        p.drawLine(0, lay.HeadHeight() + f * lay.rh, lay.Width(), lay.HeadHeight() + f * lay.rh);
    for (int d = 0; d <= sched::kWeekDays; ++d) {
        const int x = lay.NameWidth() + d * lay.DayWidth();
        p.drawLine(x, 0, x, bottom);
    }
}

// One pass over the register; only the bars of the rows in sight are laid
// out, and a name is written where it fits.
void PaintBars(QPainter& p, const CKivoDoc& doc, const sched::WeekLayout& lay,
               const std::array<sched::DayRange, sched::kWeekDays>& days, const ScheduleColors& colors, int firstRow,
               int lastRow) {
    const FacilityIndex facilities(doc.m_arFacility);
    const int64_t from = days[0].begin, to = days[sched::kWeekDays - 1].end;
    const QFontMetrics fm = p.fontMetrics();
    for (const auto& rp : doc.m_arReserve) {
        const CReserve& r = *rp;
        if (r.m_timeEnd < from || r.m_timeStart >= to) continue;
        const int f = facilities.Of(r.m_nFacilityID);
        if (f < firstRow || f > lastRow) continue;
        QString name;
        for (int d = 0; d < sched::kWeekDays; ++d) {
            const QRect bar = Q(sched::WeekBar(lay, r, f, d, days[static_cast<size_t>(d)]));
            if (bar.isEmpty()) continue;
            p.fillRect(bar, r.m_bPaid ? colors.paid : colors.unpaid);
            p.setPen(Pen(Qt::SolidLine));
            p.drawRect(bar.adjusted(0, 0, -1, -1));
            const QRect room = bar.adjusted(2, 0, -2, 0);
            if (room.width() < fm.averageCharWidth()) continue;
            if (name.isNull()) name = QString::fromUtf8(text::ToUtf8(r.m_strUser));
            const QString shown = fm.elidedText(name, Qt::ElideRight, room.width());
            if (shown.isEmpty() || shown == QStringLiteral("…")) continue;
            p.drawText(room, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        }
    }
}

void PaintDayHeadings(QPainter& p, const sched::WeekLayout& lay,
                      const std::array<sched::DayRange, sched::kWeekDays>& days, KvTime now) {
    for (int d = 0; d < sched::kWeekDays; ++d) {
        const QRect r = Q(lay.DayHeading(d));
        const sched::DayRange& day = days[static_cast<size_t>(d)];
        p.fillRect(r, day.Contains(now) ? kToday : kHeading);
        p.setPen(Pen(Qt::SolidLine));
        p.drawRect(r.adjusted(0, 0, 0, -1));
        if (day.end <= day.begin) continue;
        const QString caption = QString::fromUtf8(sched::DayCaption(static_cast<KvTime>(day.begin)).c_str());
        p.drawText(r.adjusted(2, 0, -2, 0), Qt::AlignCenter | Qt::TextSingleLine, caption);
    }
}

void PaintNames(QPainter& p, const CKivoDoc& doc, const sched::WeekLayout& lay, int firstRow, int lastRow) {
    p.setPen(Pen(Qt::SolidLine));
    for (int f = std::max(0, firstRow); f <= lastRow && f < lay.n; ++f) {
        const QRect r = Q(lay.FacilityHeading(f));
        p.fillRect(r, kHeading);
        p.drawLine(r.left(), r.bottom() + 1, r.right(), r.bottom() + 1);
        const QString name = QString::fromUtf8(text::ToUtf8(doc.m_arFacility[static_cast<size_t>(f)]->m_strName));
        p.drawText(r.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, name);
    }
}

}  // namespace

sched::WeekLayout MakeWeekLayout(const CKivoDoc& doc, const ScheduleSettings& s) {
    sched::WeekLayout lay;
    lay.n = static_cast<int>(doc.m_arFacility.size());
    lay.startHour = s.startHour;
    lay.endHour = s.endHour;
    const FontMetricsPair m = MeasureFont(s.font);
    lay.cw = std::max(1, m.cw);
    lay.rh = sched::RowHeight(m.tmHeight);
    lay.nameChars = doc.GetMaxFacilityNameLength();
    return lay;
}

void PaintWeek(QPainter& p, const CKivoDoc& doc, KvTime first, const sched::WeekLayout& lay, const ScheduleSettings& s,
               KvTime now, QPoint scroll, QSize view) {
    const auto days = sched::WeekOf(first);
    const int nameW = lay.NameWidth(), headH = lay.HeadHeight();
    // The rows in sight, so that 200 facilities cost what a screenful costs.
    const int rh = std::max(1, lay.rh);
    const int firstRow = std::max(0, scroll.y() / rh - 1);
    const int lastRow = std::min(lay.n - 1, (scroll.y() + view.height()) / rh);
    p.save();
    p.setFont(s.font);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(QPoint(0, 0), view), Qt::white);

    p.save();
    p.setClipRect(QRect(nameW, headH, view.width() - nameW, view.height() - headH));
    p.translate(-scroll.x(), -scroll.y());
    PaintCells(p, lay, days, now, firstRow, lastRow);
    PaintBars(p, doc, lay, days, s.colors, firstRow, lastRow);
    p.restore();

    p.save();
    p.setClipRect(QRect(nameW, 0, view.width() - nameW, headH + 1));
    p.translate(-scroll.x(), 0);
    PaintDayHeadings(p, lay, days, now);
    p.restore();

    p.save();
    p.setClipRect(QRect(0, headH, nameW + 1, view.height() - headH));
    p.translate(0, -scroll.y());
    PaintNames(p, doc, lay, firstRow, lastRow);
    p.restore();

    p.fillRect(QRect(0, 0, nameW, headH), kHeading);
    p.setPen(Pen(Qt::SolidLine));
    p.drawRect(QRect(0, 0, nameW, headH - 1));
    p.drawLine(nameW, 0, nameW, std::min(view.height(), lay.Height() - scroll.y()));
    p.restore();
}

QImage RenderWeek(const CKivoDoc& doc, KvTime first, const ScheduleSettings& s, KvTime now) {
    const sched::WeekLayout lay = MakeWeekLayout(doc, s);
    QImage img(lay.Width() + 1, lay.Height() + 1, QImage::Format_RGB32);
    QPainter p(&img);
    PaintWeek(p, doc, first, lay, s, now, QPoint(0, 0), img.size());
    p.end();
    return img;
}

void PaintWeekPage(QPagedPaintDevice* device, const CKivoDoc& doc, KvTime first, const ScheduleSettings& s,
                   KvTime now) {
    const sched::WeekLayout lay = MakeWeekLayout(doc, s);
    QPainter p(device);
    const QRect page = p.viewport();
    const QSize whole(lay.Width() + 1, lay.Height() + 1);
    const double scale = std::min(page.width() / static_cast<double>(whole.width()),
                                  page.height() / static_cast<double>(whole.height()));
    p.scale(scale, scale);
    PaintWeek(p, doc, first, lay, s, now, QPoint(0, 0), whole);
}
