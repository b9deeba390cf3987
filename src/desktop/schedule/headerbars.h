#pragma once
// The two heading panes of a schedule window. They take no input; the view
// hands them caption, scroll position and orientation every time it draws.
#include <QWidget>

#include "desktop/schedule/schedulepaint.h"

class CHeaderBarBase : public QWidget {
public:
    explicit CHeaderBarBase(QWidget* parent);
    PaneData m_data;
    const QFont* m_pFont = nullptr;  // the view's font, not owned

protected:
    const QFont& PaneFont() const { return m_pFont ? *m_pFont : font(); }
};

class CTopHeaderBar : public CHeaderBarBase {
public:
    explicit CTopHeaderBar(QWidget* parent) : CHeaderBarBase(parent) {}

protected:
    void paintEvent(QPaintEvent*) override;
};

class CLeftHeaderBar : public CHeaderBarBase {
public:
    explicit CLeftHeaderBar(QWidget* parent) : CHeaderBarBase(parent) {}

protected:
    void paintEvent(QPaintEvent*) override;
};

// The two panes a view tells; both null for a view without panes.
struct SchedulePanes {
    CTopHeaderBar* top = nullptr;
    CLeftHeaderBar* left = nullptr;
    explicit operator bool() const { return top && left; }
};
