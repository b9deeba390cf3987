#pragma once
// The week window: every facility down the side, seven days across from the
// schedule's day when it opened, each booking a bar within its day's hours.
// It moves by days and weeks on its own; a double-click on a booking shows
// that day in the schedule, on a free part of a cell books there.
#include <QAbstractScrollArea>
#include <functional>

#include "core/doc/kivodoc.h"
#include "core/schedule/week.h"
#include "desktop/framework/commands.h"
#include "desktop/framework/docwindow.h"
#include "desktop/schedule/schedulerender.h"

class QPagedPaintDevice;

class CWeekView : public QAbstractScrollArea, public IKivoView, public ICommandTarget, public IDocWindow {
    Q_OBJECT
public:
    // colors belong to the main frame; run carries out a command as the
    // frame's menu would (showing the schedule, the free-room search).
    CWeekView(CKivoDoc& doc, const ScheduleColors* colors, std::function<void(int id)> run, QWidget* parent = nullptr);
    ~CWeekView() override;

    void OnInitialUpdate();
    // The first day's midnight.
    KvTime FirstDay() const { return first_; }
    sched::WeekLayout Layout() const;
    QPoint ScrollPos() const;
    // The double-click at a point of the view's client area.
    void DoubleClickAt(const QPoint& client);
    // One landscape page, as the print command sends it to the printer.
    void PrintTo(QPagedPaintDevice* device);

    CKivoDoc* Document() const override { return doc_; }
    IKivoView* View() const override { return const_cast<CWeekView*>(this); }
    ICommandTarget* Target() override { return this; }
    void DetachFromDocument() override;

    void OnUpdate(IKivoView* sender, ViewHint hint) override;
    bool OnCommand(int id) override;
    bool OnUpdateCommand(int id, CmdState* state) override;

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void SetFirstDay(KvTime day);
    void MoveDays(int days);
    void GotoDate();
    void Print();
    void PrintPreview();
    void UpdateScrollBars();
    ScheduleSettings Settings() const;

    CKivoDoc* doc_;
    const ScheduleColors* colors_;
    std::function<void(int)> run_;
    ScheduleSettings settings_;  // hours and font, read once when the window opens
    KvTime first_ = 0;
};
