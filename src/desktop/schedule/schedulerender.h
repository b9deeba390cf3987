#pragma once
// A day of the schedule outside any window: as the screen shows it (headings
// and grid, unscrolled) and as the printed page. Both go through the one
// painting routine, so an image or a PDF shows exactly what the desk sees.
#include <QFont>
#include <QImage>

#include "desktop/schedule/schedulepaint.h"

class CKivoDoc;
class QPagedPaintDevice;

struct ScheduleSettings {
    sched::Orientation orientation = sched::Orientation::FacilitiesAcross;
    int startHour = 8;
    int endHour = 23;
    BoxContent content = BoxContent::UserPurpose;
    QFont font;
    ScheduleColors colors;
    bool holidays = true;  // the day's holiday named, in red
};

// Everything from the profile: Mode, hours, Object, the fee colours, Font,
// Holidays.
ScheduleSettings ScheduleSettingsFromProfile();

// The schedule window's picture: the top pane, the left pane and the grid,
// sized to hold the whole grid.
QImage RenderScreen(const CKivoDoc& doc, const ScheduleSettings& s);

// One page: 0.01 inch per unit from the device's origin moved 3 device units
// down, headings and grid, y of the page upwards drawn downwards.
void PaintPage(QPagedPaintDevice* device, const CKivoDoc& doc, const ScheduleSettings& s);
