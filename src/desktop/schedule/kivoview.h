#pragma once
// The day schedule of one document: facilities against the half hours of
// the displayed day, in one of two orientations.
#include <QAbstractScrollArea>
#include <QFont>

#include "core/doc/kivodoc.h"
#include "core/schedule/geometry.h"
#include "desktop/framework/commands.h"
#include "desktop/schedule/headerbars.h"
#include "desktop/schedule/schedulepaint.h"

class QPagedPaintDevice;
enum class ExportKind;

class CKivoView : public QAbstractScrollArea, public IKivoView, public ICommandTarget {
    Q_OBJECT
public:
    // panes may be empty (a view without panes); colors belong to the main frame.
    CKivoView(CKivoDoc& doc, SchedulePanes panes, const ScheduleColors* colors, QWidget* parent = nullptr);
    ~CKivoView() override;

    CKivoDoc* GetDocument() const { return doc_; }
    void Detach();

    void OnInitialUpdate();
    void RecalcLayout();
    void OnUpdate(IKivoView* sender, ViewHint hint) override;
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CmdState* state) override;

    int m_nMode;
    QFont m_font;
    int m_nStartHour = 8;
    int m_nEndHour = 23;
    int m_nSlots = 32;

    sched::Layout CurrentLayout() const;
    QPoint ScrollPos() const;
    void ScrollTo(int x, int y);
    const sched::ScrollSizes& Sizes() const { return sizes_; }

    // The double-click at a point of the view's client area.
    void DoubleClickAt(const QPoint& client);
    // One page, as the print command sends it to the printer.
    void PrintTo(QPagedPaintDevice* device);

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void MoveDay(int days);
    void GotoDate();
    void ChooseFont();
    void ToggleMode();
    void Export(ExportKind kind);
    void Print();
    void PrintPreview();
    void UpdateScrollBars();
    void TellPanes();
    ScheduleColors Colors() const;

    CKivoDoc* doc_;
    SchedulePanes panes_;
    QStringList paneNames_;  // the facility names the panes show, from the last layout
    const ScheduleColors* colors_;
    sched::ScrollSizes sizes_;
    bool initialised_ = false;
};
