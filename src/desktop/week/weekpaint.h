#pragma once
// The week window's one painting routine, for the screen, print preview, the
// printer and kvtool render: facilities down the side, seven days across,
// each booking a bar within its day's hours. Needs Qt Gui only.
#include <QImage>
#include <QPoint>
#include <QSize>

#include "core/schedule/week.h"
#include "desktop/schedule/schedulerender.h"

class CKivoDoc;
class QPagedPaintDevice;
class QPainter;

// The layout of a document's week for the settings' hours and font.
sched::WeekLayout MakeWeekLayout(const CKivoDoc& doc, const ScheduleSettings& s);

// Paints the week from first's date into the view rectangle at the painter's
// origin: the cells moved by scroll, the day headings and facility names
// held at the top and the left. now: the day whose column is shaded.
void PaintWeek(QPainter& p, const CKivoDoc& doc, KvTime first, const sched::WeekLayout& lay, const ScheduleSettings& s,
               KvTime now, QPoint scroll, QSize view);

// The whole week as the window shows it, unscrolled.
QImage RenderWeek(const CKivoDoc& doc, KvTime first, const ScheduleSettings& s, KvTime now);

// One landscape page, the whole week fitted to it (the device should be
// landscape; the picture keeps its proportions either way).
void PaintWeekPage(QPagedPaintDevice* device, const CKivoDoc& doc, KvTime first, const ScheduleSettings& s, KvTime now);
