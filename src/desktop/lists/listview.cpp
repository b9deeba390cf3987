#include "desktop/lists/listview.h"

#include <QKeyEvent>
#include <QListView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QVBoxLayout>

#include "core/profile/profile.h"
#include "desktop/dialogs/runexport.h"
#include "desktop/framework/liverefresh.h"
#include "desktop/schedule/profilefont.h"

void CListLines::Reset(int count, Formatter format) {
    beginResetModel();
    count_ = count;
    format_ = std::move(format);
    endResetModel();
}

int CListLines::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count_; }

QVariant CListLines::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= count_ || !format_) return {};
    return format_(index.row());
}

QFont ListFont(bool reserveList) {
    using profile::Key;
    ProfileFont f;
    f.face = profile::GetString(reserveList ? Key::RFontFaceName : Key::UFontFaceName);
    f.height = profile::GetInt(reserveList ? Key::RFontSize : Key::UFontSize);
    f.weight = profile::GetInt(reserveList ? Key::RFontWeight : Key::UFontWeight);
    f.italic = profile::GetInt(reserveList ? Key::RFontItalic : Key::UFontItalic);
    f.underline = profile::GetInt(reserveList ? Key::RFontUnderline : Key::UFontUnderline);
    f.charSet = profile::GetInt(reserveList ? Key::RFontCharSet : Key::UFontCharSet);
    return ToQFont(f);
}

CListViewBase::CListViewBase(CKivoDoc* doc, const char* fontSection, QWidget* parent)
    : QWidget(parent), doc_(doc), list_(new QListView(this)), lines_(new CListLines(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list_);
    list_->setObjectName(QStringLiteral("list300"));
    list_->setModel(lines_);
    // Equal line heights: the view never measures 100,000 lines to scroll.
    list_->setUniformItemSizes(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list_->setFont(ListFont(std::string(fontSection) == "RFont"));
    setFocusProxy(list_);
    list_->installEventFilter(this);
    connect(list_, &QListView::doubleClicked, this, [this](const QModelIndex&) { OnEdit(); });
    doc_->AddView(this);
}

CListViewBase::~CListViewBase() { DetachFromDocument(); }

void CListViewBase::DetachFromDocument() {
    // The document may be deleted right after its last window lets go.
    if (doc_) doc_->RemoveView(this);
    doc_ = nullptr;
}

int CListViewBase::Selection() const {
    const QModelIndex i = list_->currentIndex();
    return i.isValid() && list_->selectionModel()->isSelected(i) ? i.row() : -1;
}

void CListViewBase::SelectLine(int line) {
    if (line < 0 || line >= LineCount()) {
        list_->selectionModel()->clearSelection();
        list_->setCurrentIndex(QModelIndex());
        return;
    }
    const QModelIndex i = lines_->index(line);
    list_->setCurrentIndex(i);
    list_->selectionModel()->select(i, QItemSelectionModel::ClearAndSelect);
    list_->scrollTo(i);
}

int CListViewBase::TopLine() const {
    const QModelIndex i = list_->indexAt(QPoint(1, 1));
    return i.isValid() ? i.row() : 0;
}

int CListViewBase::LineCount() const { return lines_->rowCount(); }

QString CListViewBase::LineText(int line) const {
    return line >= 0 && line < LineCount() ? FormatLine(line) : QString();
}

void CListViewBase::FillList(ListSelection how) {
    if (!doc_) return;
    Arrange();
    Refill(how);
}

void CListViewBase::Refill(ListSelection how) {
    pending_ = Pending::None;
    int select = how == ListSelection::First ? 0 : Selection();
    if (how == ListSelection::SameRecord) RememberLine(select);
    int top = TopLine();
    list_->setUpdatesEnabled(false);
    const int count = TakeSnapshot();
    if (how == ListSelection::Last) select = count - 1;
    if (how == ListSelection::SameRecord) {
        select = RememberedLine();
        if (select < 0) {
            list_->selectionModel()->clearSelection();
            list_->setCurrentIndex(QModelIndex());
        }
    }
    lines_->Reset(count, [this](int row) { return FormatLine(row); });
    if (top >= count - 1) top = count - 1;
    if (top >= 0) list_->scrollTo(lines_->index(top), QAbstractItemView::PositionAtTop);
    if (select >= count - 1) select = count - 1;
    if (select >= 0) {
        const QModelIndex i = lines_->index(select);
        list_->setCurrentIndex(i);
        list_->selectionModel()->select(i, QItemSelectionModel::ClearAndSelect);
    }
    doc_->UpdateAllViews(nullptr, ViewHint::Repaint);
    if (InFrontWindow()) list_->setFocus();
    list_->setUpdatesEnabled(true);
}

bool CListViewBase::InFrontWindow() const {
    // The focus given to a list behind would bring its window to the front,
    // and the desk's next command would go to that window's register.
    for (QWidget* w = parentWidget(); w; w = w->parentWidget())
        if (auto* sub = qobject_cast<QMdiSubWindow*>(w))
            return sub->mdiArea() && sub->mdiArea()->currentSubWindow() == sub;
    return true;
}

void CListViewBase::OnUpdate(IKivoView*, ViewHint hint) {
    if (hint == ViewHint::Changed) {
        FillList(ListSelection::Current);
    } else if (hint == ViewHint::OtherDesks) {
        // Another desk's changes move lines about: the selection follows its
        // record. Until the refill the lines show their own copies; newer
        // data starts the steps over.
        const bool posted = pending_ != Pending::None;
        pending_ = Pending::Arrange;
        if (!posted) PostRefillStep();
    }
    list_->viewport()->update();
}

void CListViewBase::PostRefillStep() {
    QMetaObject::invokeMethod(this, &CListViewBase::RefillStep, Qt::QueuedConnection);
}

void CListViewBase::RefillStep() {
    if (!doc_ || pending_ == Pending::None) return;
    if (pending_ == Pending::Fill) {
        Refill(ListSelection::SameRecord);
        return;
    }
    Arrange();
    pending_ = Pending::Fill;
    PostRefillStep();
}

bool CListViewBase::eventFilter(QObject* watched, QEvent* e) {
    // Enter edits the selected line, as the shared accelerator says; the list
    // would otherwise take the key for itself.
    if (watched == list_ && e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) &&
            (k->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            if (doc_) OnEdit();
            return true;
        }
    }
    return QWidget::eventFilter(watched, e);
}

void CListViewBase::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    list_->setFocus();
}

bool CListViewBase::UpdateSharedCommand(int id, int ownKindCommand, CmdState* state) const {
    switch (id) {
        case cmd::AddReserve:
        case cmd::EditReserve:
        case cmd::DeleteReserve:
        case cmd::ExportText:
        case cmd::Refresh:
            state->enabled = true;
            return true;
        case cmd::ShowReserveList:
        case cmd::ShowSchedule:
        case cmd::ShowUserList:
            state->enabled = true;
            state->checked = id == ownKindCommand;
            return true;
        default: return false;
    }
}

bool CListViewBase::OnSharedCommand(int id, ExportKind kind) {
    switch (id) {
        case cmd::AddReserve: OnAdd(); return true;
        case cmd::EditReserve: OnEdit(); return true;
        case cmd::DeleteReserve: OnDelete(); return true;
        case cmd::ExportText: RunExportCommand(this, *doc_, kind); return true;
        case cmd::Refresh: RefreshNow(*doc_); return true;
        default: return false;
    }
}
