#pragma once
// The settings command's round trip: the profile's values into the settings
// dialog and its answers back.
struct ScheduleColors;
class QWidget;

// Runs the settings dialog; on OK writes its answers to the profile and the
// colours to *colors. False when it was cancelled: nothing changed then.
// serverForbids: the active register's server refuses overlaps itself.
bool RunSettings(ScheduleColors* colors, QWidget* parent, bool serverForbids = false);
