#include "desktop/week/weekview.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScrollBar>
#include <algorithm>
#include <ctime>

#include "core/doc/kvtime.h"
#include "desktop/dialogs/datedlg.h"
#include "desktop/dialogs/editcommands.h"
#include "desktop/dialogs/modalprompt.h"
#include "desktop/dialogs/utf8.h"
#include "desktop/framework/appprinter.h"
#include "desktop/week/weekpaint.h"

namespace {

bool DateOf(KvTime t, uint32_t* y, uint32_t* m, uint32_t* d) {
    std::tm tm;
    if (!kvtime::ToLocal(t, &tm)) return false;
    *y = static_cast<uint32_t>(tm.tm_year + 1900);
    *m = static_cast<uint32_t>(tm.tm_mon + 1);
    *d = static_cast<uint32_t>(tm.tm_mday);
    return true;
}

// The printer's orientation for one job: the week goes on a landscape page,
// and the schedule's next print finds the printer as the user set it up.
class LandscapeForAJob {
public:
    explicit LandscapeForAJob(QPrinter& printer) : printer_(printer), was_(printer.pageLayout().orientation()) {
        printer_.setPageOrientation(QPageLayout::Landscape);
    }
    ~LandscapeForAJob() { printer_.setPageOrientation(was_); }

private:
    QPrinter& printer_;
    QPageLayout::Orientation was_;
};

}  // namespace

CWeekView::CWeekView(CKivoDoc& doc, const ScheduleColors* colors, std::function<void(int)> run, QWidget* parent)
    : QAbstractScrollArea(parent), doc_(&doc), colors_(colors), run_(std::move(run)) {
    setObjectName(QStringLiteral("CWeekView"));
    setFrameShape(QFrame::NoFrame);
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Window, Qt::white);
    viewport()->setPalette(pal);
    viewport()->setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    doc.AddView(this);
}

CWeekView::~CWeekView() { DetachFromDocument(); }

void CWeekView::DetachFromDocument() {
    if (doc_) doc_->RemoveView(this);
    doc_ = nullptr;
}

void CWeekView::OnInitialUpdate() {
    // Hours and font are read once, as the schedule reads them.
    settings_ = ScheduleSettingsFromProfile();
    if (doc_) SetFirstDay(doc_->m_timeDay);
    UpdateScrollBars();
}

ScheduleSettings CWeekView::Settings() const {
    ScheduleSettings s = settings_;
    if (colors_) s.colors = *colors_;
    return s;
}

sched::WeekLayout CWeekView::Layout() const {
    return doc_ ? MakeWeekLayout(*doc_, settings_) : sched::WeekLayout{};
}

QPoint CWeekView::ScrollPos() const { return {horizontalScrollBar()->value(), verticalScrollBar()->value()}; }

void CWeekView::SetFirstDay(KvTime day) {
    const sched::DayRange d = sched::DayOf(day);
    if (d.end <= d.begin) return;
    first_ = static_cast<KvTime>(d.begin);
    viewport()->update();
}

void CWeekView::MoveDays(int days) {
    KvTime t = first_;
    if (sched::ShiftDays(&t, days)) SetFirstDay(t);
}

void CWeekView::UpdateScrollBars() {
    const sched::WeekLayout lay = Layout();
    const QSize vs = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, lay.Width() + 1 - vs.width()));
    horizontalScrollBar()->setSingleStep(std::max(1, 2 * lay.cw));
    horizontalScrollBar()->setPageStep(std::max(1, lay.DayWidth()));
    verticalScrollBar()->setRange(0, std::max(0, lay.Height() + 1 - vs.height()));
    verticalScrollBar()->setSingleStep(std::max(1, lay.rh));
    verticalScrollBar()->setPageStep(std::max(1, vs.height() - lay.HeadHeight() - lay.rh));
}

void CWeekView::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    UpdateScrollBars();
}

void CWeekView::scrollContentsBy(int, int) { viewport()->update(); }

void CWeekView::OnUpdate(IKivoView*, ViewHint) {
    // Facilities may have come or gone: the rows and the name column follow.
    UpdateScrollBars();
    viewport()->update();
}

void CWeekView::paintEvent(QPaintEvent*) {
    if (!doc_) return;
    QPainter p(viewport());
    PaintWeek(p, *doc_, first_, Layout(), Settings(), kvtime::Now(), ScrollPos(), viewport()->size());
}

void CWeekView::DoubleClickAt(const QPoint& client) {
    if (!doc_) return;
    const sched::WeekLayout lay = Layout();
    if (client.x() < lay.NameWidth()) return;
    const auto days = sched::WeekOf(first_);
    const QPoint at = client + QPoint(ScrollPos().x(), client.y() < lay.HeadHeight() ? 0 : ScrollPos().y());
    const sched::WeekHit hit = sched::WeekHitTest(lay, doc_->m_arReserve, doc_->m_arFacility, days, at.x(),
                                                  std::max(at.y(), lay.HeadHeight()));
    if (hit.day < 0) return;
    const KvTime day = static_cast<KvTime>(days[static_cast<size_t>(hit.day)].begin);
    if (hit.onBar || client.y() < lay.HeadHeight()) {
        // A booking, or the day's heading: that day in the schedule.
        doc_->m_timeDay = day;
        doc_->UpdateAllViews(nullptr, ViewHint::Repaint);
        if (run_) run_(cmd::ShowSchedule);
        return;
    }
    ReserveEntry e;
    if (!DateOf(day, &e.year, &e.month, &e.day)) return;
    e.startHour = static_cast<uint32_t>(hit.hour);
    e.endHour = static_cast<uint32_t>(hit.hour + 1);
    editcmd::AddReservationFor(*doc_, this, e, doc_->m_arFacility[static_cast<size_t>(hit.facility)]->m_nID);
}

void CWeekView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) DoubleClickAt(e->position().toPoint());
    QAbstractScrollArea::mouseDoubleClickEvent(e);
}

void CWeekView::contextMenuEvent(QContextMenuEvent* e) {
    if (!doc_ || !run_) return;
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("weekContextMenu"));
    const int ids[] = {cmd::FindFree, cmd::AddReserve, 0, cmd::GotoDate, cmd::Today};
    const char* const labels[] = {"空き検索(&F)...", "予約の追加(&A)...", nullptr, "指定日付へ移動(&D)...",
                                  "今日へ移動(&T)"};
    for (size_t i = 0; i < std::size(ids); ++i) {
        if (!ids[i]) {
            menu.addSeparator();
            continue;
        }
        const int id = ids[i];
        connect(menu.addAction(U(labels[i])), &QAction::triggered, this, [this, id] { run_(id); });
    }
    menu.exec(e->globalPos());
}

void CWeekView::keyPressEvent(QKeyEvent* e) {
    // Up and Down are the view's own, as in the schedule; the rest come
    // through the shared accelerators.
    if (e->key() == Qt::Key_Up) OnCommand(cmd::LineUp);
    else if (e->key() == Qt::Key_Down) OnCommand(cmd::LineDown);
    else QAbstractScrollArea::keyPressEvent(e);
}

void CWeekView::GotoDate() {
    uint32_t y = 0, m = 0, d = 0;
    DateOf(first_, &y, &m, &d);
    CDateDlg dlg(y, m, d, this);
    if (Prompt().Exec(&dlg) != QDialog::Accepted) return;
    const KvTime t = kvtime::MakeTime(static_cast<int>(dlg.m_nYear), static_cast<int>(dlg.m_nMonth),
                                      static_cast<int>(dlg.m_nDay), 0, 0, 0);
    if (t != kTimeUnset) SetFirstDay(t);
}

void CWeekView::PrintTo(QPagedPaintDevice* device) {
    if (doc_) PaintWeekPage(device, *doc_, first_, Settings(), kvtime::Now());
}

void CWeekView::Print() {
    QPrinter& printer = AppPrinter();
    LandscapeForAJob landscape(printer);
    QPrintDialog dlg(&printer, this);
    dlg.setObjectName(QStringLiteral("QPrintDialog"));
    if (Prompt().Exec(&dlg) != QDialog::Accepted) return;
    PrintTo(&printer);
}

void CWeekView::PrintPreview() {
    QPrinter& printer = AppPrinter();
    LandscapeForAJob landscape(printer);
    QPrintPreviewDialog dlg(&printer, this);
    dlg.setObjectName(QStringLiteral("QPrintPreviewDialog"));
    connect(&dlg, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { PrintTo(p); });
    Prompt().Exec(&dlg);
}

bool CWeekView::OnCommand(int id) {
    if (!doc_) return false;
    const sched::WeekLayout lay = Layout();
    const QPoint pos = ScrollPos();
    auto scrollTo = [this](int x, int y) {
        horizontalScrollBar()->setValue(x);
        verticalScrollBar()->setValue(y);
    };
    switch (id) {
        case cmd::AddReserve: {
            ReserveEntry e;
            DateOf(first_, &e.year, &e.month, &e.day);
            const int facilityId = doc_->m_arFacility.empty() ? -1 : doc_->m_arFacility.front()->m_nID;
            editcmd::AddReservationFor(*doc_, this, e, facilityId);
            return true;
        }
        case cmd::RepeatReserve: editcmd::RepeatReservation(*doc_, this, nullptr); return true;
        case cmd::NextDay: MoveDays(1); return true;
        case cmd::PrevDay: MoveDays(-1); return true;
        case cmd::NextWeek: MoveDays(sched::kWeekDays); return true;
        case cmd::PrevWeek: MoveDays(-sched::kWeekDays); return true;
        case cmd::GotoDate: GotoDate(); return true;
        case cmd::Today: SetFirstDay(kvtime::Now()); return true;
        case cmd::LineUp: scrollTo(pos.x(), pos.y() - lay.rh); return true;
        case cmd::LineDown: scrollTo(pos.x(), pos.y() + lay.rh); return true;
        case cmd::PageUp: scrollTo(pos.x(), pos.y() - verticalScrollBar()->pageStep()); return true;
        case cmd::PageDown: scrollTo(pos.x(), pos.y() + verticalScrollBar()->pageStep()); return true;
        case cmd::LineRight: scrollTo(pos.x() + lay.DayWidth(), pos.y()); return true;
        case cmd::LineLeft: scrollTo(pos.x() - lay.DayWidth(), pos.y()); return true;
        case cmd::Refresh:
            doc_->ReloadFromFile();
            doc_->UpdateAllViews(nullptr, ViewHint::Repaint);
            return true;
        case cmd::Print: Print(); return true;
        case cmd::PrintPreview: PrintPreview(); return true;
        default: return false;
    }
}

bool CWeekView::OnUpdateCommand(int id, CmdState* state) {
    switch (id) {
        case cmd::ShowSchedule: case cmd::ShowReserveList: case cmd::ShowUserList: case cmd::ShowWeek:
            state->checked = id == cmd::ShowWeek;
            return true;
        case cmd::AddReserve: case cmd::RepeatReserve: case cmd::NextDay: case cmd::PrevDay:
        case cmd::NextWeek: case cmd::PrevWeek: case cmd::GotoDate: case cmd::Today:
        case cmd::LineUp: case cmd::LineDown: case cmd::PageUp: case cmd::PageDown:
        case cmd::LineRight: case cmd::LineLeft: case cmd::Refresh: case cmd::Print: case cmd::PrintPreview:
            state->enabled = doc_ != nullptr;
            return true;
        default: return false;
    }
}
