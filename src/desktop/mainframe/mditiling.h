#pragma once
// Arranging the document windows in the MDI area: cascading, tiling, the row
// of minimised windows along the bottom, and where a new window goes.
#include <QRect>

class QMdiArea;

enum class TileMode {
    Horizontal,  // one above the other, each the full width
    Vertical,    // side by side, each the full height
};

// The place of the index-th window of a cascade in an area.
QRect CascadeRect(const QMdiArea& mdi, int index, const QRect& area);
// Where a new document window goes while it is not maximised.
QRect DefaultChildRect(const QMdiArea& mdi);
void Cascade(QMdiArea& mdi);
void Tile(QMdiArea& mdi, TileMode mode);
// Lines the minimised windows up along the bottom; returns the top of their rows.
int ArrangeIcons(QMdiArea& mdi);
