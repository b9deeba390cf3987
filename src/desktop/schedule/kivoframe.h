#pragma once
// A schedule window: the top heading pane, the left heading pane and the
// schedule view in the rest.
#include <QWidget>

#include "desktop/framework/docwindow.h"
#include "desktop/schedule/schedulepaint.h"

class CKivoDoc;
class CKivoView;
class CTopHeaderBar;
class CLeftHeaderBar;
class QMdiSubWindow;
enum class ShowCmd : int;

class CKivoFrame : public QWidget, public IDocWindow {
    Q_OBJECT
public:
    CKivoFrame(CKivoDoc& doc, const ScheduleColors* colors, QWidget* parent = nullptr);
    ~CKivoFrame() override;

    CTopHeaderBar* TopBar() const { return top_; }
    CLeftHeaderBar* LeftBar() const { return left_; }
    CKivoView* GetView() const { return view_; }

    CKivoDoc* Document() const override;
    IKivoView* View() const override;
    ICommandTarget* Target() override;
    void DetachFromDocument() override;

    // Shows the window in its MDI sub-window as *childShow says (maximised or
    // normal), and keeps *childShow following that sub-window's later states.
    // childShow outlives the sub-window.
    static void ActivateFrame(QMdiSubWindow* sub, ShowCmd* childShow);

protected:
    void resizeEvent(QResizeEvent*) override;

private:
    CTopHeaderBar* top_;
    CLeftHeaderBar* left_;
    CKivoView* view_;
};
