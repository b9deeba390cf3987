#pragma once
// The main window's placement as the profile keeps it in Settings/WindowPos:
// "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d" - flags, show command, minimised x, y,
// maximised x, y, normal left, top, right, bottom; and restoring and taking
// a window's placement in that form.
#include <string>

#include "desktop/framework/showcmd.h"

class QWidget;

struct WindowPlacement {
    unsigned flags = 0;
    ShowCmd showCmd = ShowCmd::Normal;
    int minX = -1, minY = -1;
    int maxX = -1, maxY = -1;
    int left = 0, top = 0, right = 0, bottom = 0;
};

// The placement flag of a window that comes back maximised.
constexpr unsigned kRestoreToMaximized = 2;

// False unless the text yields exactly ten numbers, read as the C library's
// sscanf reads them.
bool ParseWindowPos(const std::string& text, WindowPlacement* out);
std::string FormatWindowPos(const WindowPlacement& p);

// The window's placement now, in its text form: a minimised window is kept
// as a normal one.
std::string PlacementText(const QWidget& window);
// Places the window as Settings/WindowPos says and shows it; a requested show
// command other than normal takes the place of the stored one.
void RestorePlacementAndShow(QWidget& window, ShowCmd requested);
