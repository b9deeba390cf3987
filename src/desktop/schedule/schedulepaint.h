#pragma once
// The one painting routine of the day schedule, for the screen, print
// preview, the printer and image files, and the two header panes' headings.
#include <QColor>
#include <QFont>
#include <QRect>
#include <QStringList>
#include <cstdint>

#include "core/schedule/geometry.h"

class CKivoDoc;
class QPainter;

// The two fee colours; the profile keeps them as 0x00BBGGRR decimals.
struct ScheduleColors {
    QColor paid = QColor(0, 255, 0);
    QColor unpaid = QColor(0, 255, 0);
};
QColor ColorFromRef(uint32_t ref);
uint32_t RefFromColor(const QColor& c);
// Both colours as the profile holds them (View/RevColor1, RevColor2).
ScheduleColors ScheduleColorsFromProfile();

enum class Surface { Screen, Paper };

// The layout of a document's day for a font: cw and rh from its metrics.
sched::Layout MakeLayout(const CKivoDoc& doc, sched::Orientation orientation, int startHour, int endHour, const QFont& font);

// What a reservation box says (the settings' 表示内容, View/Object).
enum class BoxContent { UserPurpose, PurposeUser, UserOnly, PurposeOnly, Nothing };
// The profile's number: its position in the settings' list; any other shows nothing.
BoxContent BoxContentFromProfile(int object);
QString BoxText(const CReserve& r, BoxContent content);

// The national holiday of the day shown (UTF-8 name as a QString), empty on
// any other day.
QString HolidayOf(KvTime day);
// Holidays are drawn red, the caption and the printed date alike.
QColor HolidayColor();

// Screen: the painter's origin is the layout origin (scrolling and the
// 3-pixel shift already applied). Paper: the painter's origin is the
// printer's origin moved 3 device units down, one unit is 0.01 inch, and the
// page's upward logical y is drawn downwards so text stays upright. On
// paper a holiday's caption goes in red above the headings, the date red too.
void PaintSchedule(QPainter& p, const CKivoDoc& doc, const sched::Layout& lay, const QFont& font,
                   const ScheduleColors& colors, BoxContent content, Surface surface,
                   const QString& holiday = QString());

// What the view hands the header panes at every drawing.
struct PaneData {
    QString caption;
    QString holiday;  // the day's holiday: after the caption, both in red
    QStringList names;
    int wl = 0;
    int scrollX = 0;
    int scrollY = 0;
    sched::Orientation orientation = sched::Orientation::FacilitiesAcross;
    int startHour = 0;
    int slotCount = 0;
};
// The top pane; a holiday's caption is laid on the painter's background brush.
void PaintTopPane(QPainter& p, const PaneData& d, const QFont& font, const QRect& client);
void PaintLeftPane(QPainter& p, const PaneData& d, const QFont& font, const QRect& client);
