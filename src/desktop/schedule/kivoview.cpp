#include "desktop/schedule/kivoview.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScrollBar>
#include <algorithm>
#include <ctime>

#include "core/doc/kvtime.h"
#include "core/doc/text.h"
#include "core/lists/export.h"
#include "core/profile/profile.h"
#include "desktop/dialogs/datedlg.h"
#include "desktop/dialogs/editcommands.h"
#include "desktop/dialogs/modalprompt.h"
#include "desktop/dialogs/runexport.h"
#include "desktop/framework/appprinter.h"
#include "desktop/framework/liverefresh.h"
#include "desktop/schedule/headerbars.h"
#include "desktop/schedule/profilefont.h"
#include "desktop/schedule/schedulerender.h"

namespace {

// The 3-pixel shift of the grid below the top pane's border.
constexpr int kTopShift = 3;

}  // namespace

CKivoView::CKivoView(CKivoDoc& doc, SchedulePanes panes, const ScheduleColors* colors, QWidget* parent)
    : QAbstractScrollArea(parent), doc_(&doc), panes_(panes), colors_(colors) {
    setObjectName(QStringLiteral("CKivoView"));
    // Any mode other than 0 shows the facilities down; the toggle keeps to 0 and 1.
    m_nMode = profile::GetInt(profile::Key::ViewMode) != 0 ? 1 : 0;
    setFrameShape(QFrame::NoFrame);
    // The top pane's separator stands 3 pixels right of the left pane.
    setViewportMargins(panes ? 3 : 0, 0, 0, 0);
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Window, Qt::white);
    viewport()->setPalette(pal);
    viewport()->setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    doc.AddView(this);
}

CKivoView::~CKivoView() { Detach(); }

void CKivoView::Detach() {
    if (doc_) doc_->RemoveView(this);
    doc_ = nullptr;
}

void CKivoView::OnInitialUpdate() {
    // Font and hours are read once, here: new hours reach a window opened again.
    const ScheduleSettings s = ScheduleSettingsFromProfile();
    m_font = s.font;
    m_nStartHour = s.startHour;
    m_nEndHour = s.endHour;
    m_nSlots = sched::SlotCount(m_nStartHour, m_nEndHour);
    initialised_ = true;
    RecalcLayout();
}

sched::Layout CKivoView::CurrentLayout() const {
    sched::Layout lay;
    if (doc_) lay = MakeLayout(*doc_, sched::OrientationOf(m_nMode), m_nStartHour, m_nEndHour, m_font);
    return lay;
}

void CKivoView::RecalcLayout() {
    if (!doc_) return;
    int wl = 0;
    if (panes_) {
        paneNames_.clear();
        for (const auto& f : doc_->m_arFacility) paneNames_ << QString::fromUtf8(text::ToUtf8(f->m_strName));
        if (parentWidget()) parentWidget()->update();
        TellPanes();
        wl = panes_.left->width();
    }
    sizes_ = sched::ScrollSizesOf(CurrentLayout(), wl);
    UpdateScrollBars();
    viewport()->update();
}

void CKivoView::UpdateScrollBars() {
    const QSize vs = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, sizes_.totalW - vs.width()));
    horizontalScrollBar()->setSingleStep(std::max(1, sizes_.lineW));
    horizontalScrollBar()->setPageStep(std::max(1, sizes_.pageW));
    verticalScrollBar()->setRange(0, std::max(0, sizes_.totalH - vs.height()));
    verticalScrollBar()->setSingleStep(std::max(1, sizes_.lineH));
    verticalScrollBar()->setPageStep(std::max(1, sizes_.pageH));
}

QPoint CKivoView::ScrollPos() const { return {horizontalScrollBar()->value(), verticalScrollBar()->value()}; }

// The scroll bars clamp to 0 and to the largest position of the range.
void CKivoView::ScrollTo(int x, int y) {
    horizontalScrollBar()->setValue(x);
    verticalScrollBar()->setValue(y);
}

void CKivoView::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    UpdateScrollBars();
}

void CKivoView::scrollContentsBy(int, int) { viewport()->update(); }

void CKivoView::OnUpdate(IKivoView*, ViewHint) { viewport()->update(); }

ScheduleColors CKivoView::Colors() const { return colors_ ? *colors_ : ScheduleColors{}; }

void CKivoView::TellPanes() {
    if (!panes_ || !doc_) return;
    PaneData d;
    d.caption = QString::fromUtf8(sched::DayCaption(doc_->m_timeDay).c_str());
    if (profile::GetInt(profile::Key::Holidays) != 0) d.holiday = HolidayOf(doc_->m_timeDay);
    d.names = paneNames_;
    d.wl = panes_.left->width();
    d.scrollX = ScrollPos().x();
    d.scrollY = ScrollPos().y();
    d.orientation = sched::OrientationOf(m_nMode);
    d.startHour = m_nStartHour;
    d.slotCount = m_nSlots;
    panes_.top->SetData(d, &m_font);
    panes_.left->SetData(d, &m_font);
}

void CKivoView::paintEvent(QPaintEvent*) {
    if (!doc_ || !initialised_) return;
    QPainter p(viewport());
    const QPoint pos = ScrollPos();
    p.translate(-pos.x(), -pos.y() + kTopShift);
    PaintSchedule(p, *doc_, CurrentLayout(), m_font, Colors(),
                  BoxContentFromProfile(profile::GetInt(profile::Key::ViewObject)), Surface::Screen);
    TellPanes();
}

void CKivoView::DoubleClickAt(const QPoint& client) {
    if (!doc_) return;
    // The client point plus the scroll position; the 3-pixel shift stays in.
    const QPoint pos = ScrollPos();
    const sched::Hit hit = sched::HitTest(CurrentLayout(), *doc_, client.x() + pos.x(), client.y() + pos.y());
    if (hit.onBox) {
        const CReserve snapshot = *doc_->m_arReserve[static_cast<size_t>(hit.reservePos)];
        editcmd::EditReservation(*doc_, this, hit.reservePos, snapshot);
    } else {
        editcmd::AddReservation(*doc_, this, hit.facilityPos, hit.hour);
    }
}

void CKivoView::mouseDoubleClickEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) DoubleClickAt(e->position().toPoint());
    QAbstractScrollArea::mouseDoubleClickEvent(e);
}

void CKivoView::keyPressEvent(QKeyEvent* e) {
    // Only Up and Down are the view's own; Left, Right and the page keys come
    // through the shared accelerators.
    if (e->key() == Qt::Key_Up) OnCommand(cmd::LineUp);
    else if (e->key() == Qt::Key_Down) OnCommand(cmd::LineDown);
    else QWidget::keyPressEvent(e);
}

void CKivoView::MoveDay(int days) {
    if (!sched::ShiftDays(&doc_->m_timeDay, days)) return;
    doc_->UpdateAllViews(nullptr, ViewHint::Repaint);
}

void CKivoView::GotoDate() {
    std::tm tm{};
    uint32_t y = 0, m = 0, d = 0;
    if (kvtime::ToLocal(doc_->m_timeDay, &tm)) {
        y = static_cast<uint32_t>(tm.tm_year + 1900);
        m = static_cast<uint32_t>(tm.tm_mon + 1);
        d = static_cast<uint32_t>(tm.tm_mday);
    }
    CDateDlg dlg(y, m, d, this);
    if (Prompt().Exec(&dlg) != QDialog::Accepted) return;
    const KvTime t = kvtime::MakeTime(static_cast<int>(dlg.m_nYear), static_cast<int>(dlg.m_nMonth),
                                      static_cast<int>(dlg.m_nDay), 0, 0, 0);
    if (t == kTimeUnset) return;  // the dialog refuses such days already
    doc_->m_timeDay = t;
    doc_->UpdateAllViews(nullptr, ViewHint::Repaint);
}

void CKivoView::ToggleMode() {
    m_nMode ^= 1;
    profile::WriteInt(profile::Key::ViewMode, m_nMode);
    RecalcLayout();
    doc_->UpdateAllViews(nullptr, ViewHint::Repaint);
}

void CKivoView::ChooseFont() {
    QFont chosen = m_font;
    if (!Prompt().ChooseFont(this, &chosen)) return;
    const ProfileFont desc = FromQFont(chosen, ReadScheduleFont().charSet);
    m_font = ToQFont(desc);
    WriteScheduleFont(desc);
    // Rows and columns grow with the font: without new scroll sizes the
    // last hours could not be reached.
    RecalcLayout();
    doc_->UpdateAllViews(nullptr, ViewHint::Repaint);
}

void CKivoView::Export(ExportKind kind) {
    if (doc_) RunExportCommand(this, *doc_, kind);
}

void CKivoView::PrintTo(QPagedPaintDevice* device) {
    if (!doc_) return;
    ScheduleSettings s;
    s.orientation = sched::OrientationOf(m_nMode);
    s.startHour = m_nStartHour;
    s.endHour = m_nEndHour;
    s.content = BoxContentFromProfile(profile::GetInt(profile::Key::ViewObject));
    s.font = m_font;
    s.colors = Colors();
    s.holidays = profile::GetInt(profile::Key::Holidays) != 0;
    PaintPage(device, *doc_, s);
    TellPanes();
}

void CKivoView::Print() {
    QPrinter& printer = AppPrinter();
    QPrintDialog dlg(&printer, this);
    dlg.setObjectName(QStringLiteral("QPrintDialog"));
    if (Prompt().Exec(&dlg) != QDialog::Accepted) return;
    PrintTo(&printer);
}

void CKivoView::PrintPreview() {
    QPrintPreviewDialog dlg(&AppPrinter(), this);
    dlg.setObjectName(QStringLiteral("QPrintPreviewDialog"));
    connect(&dlg, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* printer) { PrintTo(printer); });
    Prompt().Exec(&dlg);
}

bool CKivoView::OnCommand(int id) {
    if (!doc_) return false;
    const QPoint pos = ScrollPos();
    switch (id) {
        case cmd::AddReserve: editcmd::AddReservation(*doc_, this, 0, -1); return true;
        case cmd::RepeatReserve: editcmd::RepeatReservation(*doc_, this, nullptr); return true;
        case cmd::AddFacility:
            if (editcmd::AddFacility(*doc_, this)) RecalcLayout();
            return true;
        case cmd::EditFacilities:
            if (editcmd::EditFacilities(*doc_, this)) RecalcLayout();
            return true;
        case cmd::NextDay: MoveDay(1); return true;
        case cmd::PrevDay: MoveDay(-1); return true;
        case cmd::NextWeek: MoveDay(7); return true;
        case cmd::PrevWeek: MoveDay(-7); return true;
        case cmd::GotoDate: GotoDate(); return true;
        case cmd::Today:
            doc_->m_timeDay = kvtime::Now();
            doc_->UpdateAllViews(nullptr, ViewHint::Repaint);
            return true;
        case cmd::ToggleMode: ToggleMode(); return true;
        case cmd::Font: ChooseFont(); return true;
        case cmd::ExportReserveText: Export(ExportKind::ReserveText); return true;
        case cmd::ExportFacilityText: Export(ExportKind::FacilityText); return true;
        case cmd::ExportReserveCsv: Export(ExportKind::ReserveCsv); return true;
        case cmd::ExportFacilityCsv: Export(ExportKind::FacilityCsv); return true;
        case cmd::ExportIcal: RunIcalExportCommand(this, *doc_); return true;
        case cmd::LineUp: ScrollTo(pos.x(), pos.y() - sizes_.lineH); return true;
        case cmd::LineDown: ScrollTo(pos.x(), pos.y() + sizes_.lineH); return true;
        case cmd::PageUp: ScrollTo(pos.x(), pos.y() - sizes_.pageH); return true;
        case cmd::PageDown: ScrollTo(pos.x(), pos.y() + sizes_.pageH); return true;
        case cmd::LineRight: ScrollTo(pos.x() + sizes_.lineW, pos.y()); return true;
        case cmd::LineLeft: ScrollTo(pos.x() - sizes_.lineW, pos.y()); return true;
        case cmd::Refresh: RefreshNow(*doc_); return true;
        case cmd::Print: Print(); return true;
        case cmd::PrintPreview: PrintPreview(); return true;
        default: return false;
    }
}

bool CKivoView::OnUpdateCommand(int id, CmdState* state) {
    switch (id) {
        case cmd::ShowSchedule:
        case cmd::ShowReserveList:
        case cmd::ShowUserList:
            state->checked = id == cmd::ShowSchedule;
            return true;
        case cmd::AddReserve: case cmd::RepeatReserve: case cmd::AddFacility: case cmd::EditFacilities:
        case cmd::NextDay: case cmd::PrevDay: case cmd::NextWeek: case cmd::PrevWeek:
        case cmd::GotoDate: case cmd::Today: case cmd::ToggleMode: case cmd::Font:
        case cmd::ExportReserveText: case cmd::ExportFacilityText:
        case cmd::ExportReserveCsv: case cmd::ExportFacilityCsv: case cmd::ExportIcal:
        case cmd::LineUp: case cmd::LineDown: case cmd::PageUp: case cmd::PageDown:
        case cmd::LineRight: case cmd::LineLeft: case cmd::Refresh:
        case cmd::Print: case cmd::PrintPreview:
            state->enabled = doc_ != nullptr;
            return true;
        default: return false;
    }
}
