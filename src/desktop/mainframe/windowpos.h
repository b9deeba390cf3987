#pragma once
// The main window's placement as the profile keeps it in Settings/WindowPos:
// "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d" - flags, show command, minimised x, y,
// maximised x, y, normal left, top, right, bottom.
#include <string>

struct WindowPlacement {
    unsigned flags = 0;
    unsigned showCmd = 1;
    int minX = -1, minY = -1;
    int maxX = -1, maxY = -1;
    int left = 0, top = 0, right = 0, bottom = 0;
};

// False unless the text yields exactly ten numbers, read as the C library's
// sscanf reads them.
bool ParseWindowPos(const std::string& text, WindowPlacement* out);
std::string FormatWindowPos(const WindowPlacement& p);

enum : unsigned {
    kShowNormal = 1,
    kShowMinimized = 2,
    kShowMaximized = 3,
    kRestoreToMaximized = 2,  // flag
};
