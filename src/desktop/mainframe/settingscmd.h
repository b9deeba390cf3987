#pragma once
// The fee colours as the profile keeps them, and the settings command's round
// trip: the profile's values into the settings dialog and its answers back.
struct ScheduleColors;
class QWidget;

// The colours that View/RevColor1 (paid) and RevColor2 (unpaid) give.
ScheduleColors FeeColorsFromProfile();
// Runs the settings dialog; on OK writes its answers to the profile and the
// colours to *colors. False when it was cancelled: nothing changed then.
bool RunSettings(ScheduleColors* colors, QWidget* parent);
