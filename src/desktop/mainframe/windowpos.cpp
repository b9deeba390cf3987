#include "desktop/mainframe/windowpos.h"

#include <cstdio>

bool ParseWindowPos(const std::string& text, WindowPlacement* out) {
    WindowPlacement p;
    char tail = 0;
    // One character more is asked for only to see where the ten numbers end;
    // anything after them is ignored, as it always was.
    int n = std::sscanf(text.c_str(), "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d%c", &p.flags, &p.showCmd, &p.minX, &p.minY,
                        &p.maxX, &p.maxY, &p.left, &p.top, &p.right, &p.bottom, &tail);
    if (n < 10) return false;
    *out = p;
    return true;
}

std::string FormatWindowPos(const WindowPlacement& p) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d", p.flags, p.showCmd, p.minX, p.minY, p.maxX, p.maxY,
                  p.left, p.top, p.right, p.bottom);
    return buf;
}
