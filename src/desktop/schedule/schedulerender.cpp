#include "desktop/schedule/schedulerender.h"

#include <QPagedPaintDevice>
#include <QPainter>

#include "core/doc/kivodoc.h"
#include "core/doc/text.h"
#include "core/profile/profile.h"
#include "core/schedule/geometry.h"
#include "desktop/schedule/profilefont.h"

ScheduleSettings ScheduleSettingsFromProfile() {
    ScheduleSettings s;
    s.orientation = sched::OrientationOf(profile::GetInt(profile::Key::ViewMode));
    s.startHour = profile::GetInt(profile::Key::StartTime);
    s.endHour = profile::GetInt(profile::Key::EndTime);
    s.content = BoxContentFromProfile(profile::GetInt(profile::Key::ViewObject));
    s.font = ToQFont(ReadScheduleFont());
    s.colors = ScheduleColorsFromProfile();
    s.holidays = profile::GetInt(profile::Key::Holidays) != 0;
    return s;
}

QImage RenderScreen(const CKivoDoc& doc, const ScheduleSettings& s) {
    const sched::Layout lay = MakeLayout(doc, s.orientation, s.startHour, s.endHour, s.font);
    const int th = sched::TopPaneHeight(), lw = sched::LeftPaneWidth();
    const int gridW = std::max(lay.GridWidth(), 0) + 1, gridH = std::max(lay.GridHeight(), 0) + 4;
    const int w = lw + 3 + gridW, h = th + gridH;
    QImage img(w, h, QImage::Format_RGB32);
    const QColor paneColor(192, 192, 192);
    img.fill(paneColor);
    QPainter p(&img);
    p.setBackground(paneColor);
    p.fillRect(QRect(lw + 3, th, gridW, gridH), Qt::white);

    PaneData pane;
    pane.caption = QString::fromUtf8(sched::DayCaption(doc.m_timeDay).c_str());
    if (s.holidays) pane.holiday = HolidayOf(doc.m_timeDay);
    for (const auto& f : doc.m_arFacility) pane.names << QString::fromUtf8(text::ToUtf8(f->m_strName));
    pane.wl = lw;
    pane.orientation = s.orientation;
    pane.startHour = s.startHour;
    pane.slotCount = sched::SlotCount(s.startHour, s.endHour);
    PaintTopPane(p, pane, s.font, QRect(0, 0, w, th));
    p.setPen(Qt::black);
    p.drawLine(0, th - 1, w, th - 1);
    p.save();
    p.translate(0, th + 3);
    p.setClipRect(QRect(0, 0, lw, h));
    PaintLeftPane(p, pane, s.font, QRect(0, 0, lw, h - th - 3));
    p.restore();
    p.drawLine(lw - 1, th, lw - 1, h);
    p.translate(lw + 3, th + 3);
    PaintSchedule(p, doc, lay, s.font, s.colors, s.content, Surface::Screen);
    p.end();
    return img;
}

void PaintPage(QPagedPaintDevice* device, const CKivoDoc& doc, const ScheduleSettings& s) {
    QPainter p(device);
    p.translate(0, 3);
    p.scale(device->logicalDpiX() / 100.0, device->logicalDpiY() / 100.0);
    PaintSchedule(p, doc, MakeLayout(doc, s.orientation, s.startHour, s.endHour, s.font), s.font, s.colors, s.content,
                  Surface::Paper, s.holidays ? HolidayOf(doc.m_timeDay) : QString());
}
