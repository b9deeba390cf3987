#include "desktop/schedule/headerbars.h"

#include <QPainter>

#include "core/profile/profile.h"

CHeaderBarBase::CHeaderBarBase(QWidget* parent) : QWidget(parent) {
    // The panes read the hours once, when they are made.
    m_data.startHour = profile::GetInt(profile::Key::StartTime);
    m_data.slotCount = sched::SlotCount(m_data.startHour, profile::GetInt(profile::Key::EndTime));
    setAutoFillBackground(true);
}

void CTopHeaderBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    PaintTopPane(p, m_data, PaneFont(), rect());
    // The bottom border closes the grid, which has no line of its own at y = 0.
    p.setPen(Qt::black);
    p.drawLine(0, height() - 1, width(), height() - 1);
}

void CLeftHeaderBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    PaintLeftPane(p, m_data, PaneFont(), rect());
    p.setPen(Qt::black);
    p.drawLine(width() - 1, 0, width() - 1, height());
}
