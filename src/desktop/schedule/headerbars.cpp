#include "desktop/schedule/headerbars.h"

#include <QPainter>

CHeaderBarBase::CHeaderBarBase(QWidget* parent) : QWidget(parent) { setAutoFillBackground(true); }

void CHeaderBarBase::SetData(const PaneData& data, const QFont* font) {
    data_ = data;
    font_ = font;
    update();
}

void CTopHeaderBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setBackground(palette().window());
    PaintTopPane(p, Data(), PaneFont(), rect());
    // The bottom border closes the grid, which has no line of its own at y = 0.
    p.setPen(Qt::black);
    p.drawLine(0, height() - 1, width(), height() - 1);
}

void CLeftHeaderBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    PaintLeftPane(p, Data(), PaneFont(), rect());
    p.setPen(Qt::black);
    p.drawLine(width() - 1, 0, width() - 1, height());
}
