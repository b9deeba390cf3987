#include "desktop/schedule/kivoframe.h"

#include <QMdiSubWindow>
#include <QResizeEvent>

#include "desktop/framework/showcmd.h"
#include "desktop/schedule/headerbars.h"
#include "desktop/schedule/kivoview.h"

CKivoFrame::CKivoFrame(CKivoDoc& doc, const ScheduleColors* colors, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CKivoFrame"));
    top_ = new CTopHeaderBar(this);
    top_->setObjectName(QStringLiteral("bar505"));
    left_ = new CLeftHeaderBar(this);
    left_->setObjectName(QStringLiteral("bar506"));
    view_ = new CKivoView(doc, SchedulePanes{top_, left_}, colors, this);
    // The keys belong to the schedule the moment its window is active.
    setFocusProxy(view_);
    resize(640, 480);
}

CKivoFrame::~CKivoFrame() = default;

CKivoDoc* CKivoFrame::Document() const { return view_->GetDocument(); }
IKivoView* CKivoFrame::View() const { return view_; }
ICommandTarget* CKivoFrame::Target() { return view_; }
void CKivoFrame::DetachFromDocument() { view_->Detach(); }

void CKivoFrame::resizeEvent(QResizeEvent* e) {
    QWidget::resizeEvent(e);
    const int th = sched::TopPaneHeight(), lw = sched::LeftPaneWidth();
    top_->setGeometry(0, 0, width(), th);
    // The view draws its grid 3 pixels down; the row headings start as low.
    left_->setGeometry(0, th + 3, lw, std::max(0, height() - th - 3));
    view_->setGeometry(lw, th, std::max(0, width() - lw), std::max(0, height() - th));
}

void CKivoFrame::ActivateFrame(QMdiSubWindow* sub, ShowCmd* childShow) {
    QObject::connect(sub, &QMdiSubWindow::windowStateChanged, sub,
                     [sub, childShow](Qt::WindowStates, Qt::WindowStates now) {
                         // A state met while the window is still hidden (its creation) does not count.
                         if (!sub->isVisible() || (now & Qt::WindowMinimized)) return;
                         *childShow = (now & Qt::WindowMaximized) ? ShowCmd::Maximized : ShowCmd::Normal;
                     });
    if (*childShow == ShowCmd::Maximized) sub->showMaximized();
    else sub->showNormal();
}
