#pragma once
// The two heading panes of a schedule window. They take no input and read no
// setting; the view hands them all they draw every time it draws.
#include <QWidget>

#include "desktop/schedule/schedulepaint.h"

class CHeaderBarBase : public QWidget {
public:
    explicit CHeaderBarBase(QWidget* parent);

    // What the pane shows, and the view's font (not owned; nullptr: the
    // pane's own). The pane repaints.
    void SetData(const PaneData& data, const QFont* font);
    const PaneData& Data() const { return data_; }
    const QFont& PaneFont() const { return font_ ? *font_ : font(); }

private:
    PaneData data_;
    const QFont* font_ = nullptr;
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
