#include "desktop/mainframe/windowpos.h"

#include <QWidget>
#include <cstdio>

#include "core/profile/profile.h"

bool ParseWindowPos(const std::string& text, WindowPlacement* out) {
    WindowPlacement p;
    unsigned show = 0;
    char tail = 0;
    // One character more is asked for only to see where the ten numbers end;
    // anything after them is ignored, as it always was.
    int n = std::sscanf(text.c_str(), "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d%c", &p.flags, &show, &p.minX, &p.minY, &p.maxX,
                        &p.maxY, &p.left, &p.top, &p.right, &p.bottom, &tail);
    if (n < 10) return false;
    p.showCmd = ShowCmdFromNumber(static_cast<int>(show));
    *out = p;
    return true;
}

std::string FormatWindowPos(const WindowPlacement& p) {
    char buf[160];
    std::snprintf(buf, sizeof buf, "%u,%u,%d,%d,%d,%d,%d,%d,%d,%d", p.flags, static_cast<unsigned>(NumberOf(p.showCmd)),
                  p.minX, p.minY, p.maxX, p.maxY, p.left, p.top, p.right, p.bottom);
    return buf;
}

std::string PlacementText(const QWidget& window) {
    WindowPlacement p;
    const bool maximized = window.isMaximized();
    p.showCmd = maximized ? ShowCmd::Maximized : ShowCmd::Normal;
    p.flags = maximized ? kRestoreToMaximized : 0u;
    QRect r = window.normalGeometry();
    if (!r.isValid()) r = window.geometry();
    p.left = r.x();
    p.top = r.y();
    p.right = r.x() + r.width();
    p.bottom = r.y() + r.height();
    return FormatWindowPos(p);
}

void RestorePlacementAndShow(QWidget& window, ShowCmd requested) {
    WindowPlacement p;
    ShowCmd show = requested;
    if (ParseWindowPos(profile::GetString(profile::Key::WindowPos), &p)) {
        if (requested != ShowCmd::Normal) p.showCmd = requested;
        show = p.showCmd;
        const QRect r(p.left, p.top, p.right - p.left, p.bottom - p.top);
        if (r.width() > 0 && r.height() > 0) window.setGeometry(r);
    }
    switch (show) {
        case ShowCmd::Maximized: window.showMaximized(); break;
        case ShowCmd::Minimized: case ShowCmd::Minimize: case ShowCmd::MinimizedNoActive: window.showMinimized(); break;
        default: window.showNormal(); break;  // a hidden main window could never be reached
    }
    window.repaint();
}
