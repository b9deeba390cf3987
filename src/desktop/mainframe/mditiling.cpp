#include "desktop/mainframe/mditiling.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <algorithm>

namespace {

// The area above the row of minimised windows, which arranging keeps free.
QRect AreaAboveIcons(QMdiArea& mdi) {
    const int iconTop = ArrangeIcons(mdi);
    QRect area = mdi.viewport()->rect();
    area.setBottom(std::max(area.top(), iconTop - 1));
    return area;
}

}  // namespace

QRect CascadeRect(const QMdiArea& mdi, int index, const QRect& area) {
    // Windows cascade down from the top left, each a title bar lower than
    // the last, three quarters of the area large but never so small that
    // the grid is lost.
    QSize size(std::max(area.width() * 3 / 4, 480), std::max(area.height() * 3 / 4, 360));
    // An area not laid out yet (a hidden frame) says nothing about the room.
    if (area.width() >= 160 && area.height() >= 120) size = size.boundedTo(area.size());
    const int step = mdi.style()->pixelMetric(QStyle::PM_TitleBarHeight) + 4;
    const int fit = std::max(1, std::min(area.width() - size.width(), area.height() - size.height()) / step + 1);
    const int offset = (index % fit) * step;
    return QRect(area.topLeft() + QPoint(offset, offset), size);
}

QRect DefaultChildRect(const QMdiArea& mdi) {
    int n = 0;
    for (QMdiSubWindow* sub : mdi.subWindowList())
        if (!sub->isMinimized()) ++n;
    return CascadeRect(mdi, n, mdi.viewport()->rect());
}

void Cascade(QMdiArea& mdi) {
    // Every window the same usable size, the active one in front.
    const QRect area = AreaAboveIcons(mdi);
    int i = 0;
    for (QMdiSubWindow* sub : mdi.subWindowList(QMdiArea::StackingOrder)) {
        if (sub->isMinimized() || !sub->isVisible()) continue;
        if (sub->isMaximized()) sub->showNormal();
        sub->setGeometry(CascadeRect(mdi, i++, area));
        sub->raise();
    }
}

void Tile(QMdiArea& mdi, TileMode mode) {
    const QRect area = AreaAboveIcons(mdi);
    QList<QMdiSubWindow*> subs;
    for (QMdiSubWindow* sub : mdi.subWindowList(QMdiArea::StackingOrder))
        if (!sub->isMinimized() && sub->isVisible()) subs.prepend(sub);
    const int n = static_cast<int>(subs.size());
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* sub = subs[i];
        if (sub->isMaximized()) sub->showNormal();
        if (mode == TileMode::Horizontal) {
            const int h = area.height() / n;
            sub->setGeometry(0, i * h, area.width(), i == n - 1 ? area.height() - i * h : h);
        } else {
            const int w = area.width() / n;
            sub->setGeometry(i * w, 0, i == n - 1 ? area.width() - i * w : w, area.height());
        }
    }
}

int ArrangeIcons(QMdiArea& mdi) {
    const QRect area = mdi.viewport()->rect();
    int x = 0, y = area.bottom() + 1, top = area.bottom() + 1;
    for (QMdiSubWindow* sub : mdi.subWindowList(QMdiArea::CreationOrder)) {
        if (!sub->isMinimized()) continue;
        const QSize s = sub->size();
        if (x > 0 && x + s.width() > area.width()) {
            x = 0;
            y = top;
        }
        sub->move(x, y - s.height());
        // An icon is never left under a window.
        sub->raise();
        top = std::min(top, y - s.height());
        x += s.width();
    }
    return top;
}
