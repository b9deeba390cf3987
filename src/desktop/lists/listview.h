#pragma once
// What the reservation list and the user list windows share: a list that
// fills the window, built from a snapshot of the document's collection at the
// last fill, keeping the selected line number and the top line across fills.
#include <QAbstractListModel>
#include <QWidget>
#include <functional>

#include "core/doc/kivodoc.h"
#include "core/lists/export.h"
#include "desktop/framework/commands.h"
#include "desktop/framework/docwindow.h"

class QListView;

// The lines of a list as a model: only the lines on screen are ever formatted,
// so a fill of 100,000 records costs one copy and no widget per line.
class CListLines : public QAbstractListModel {
public:
    using Formatter = std::function<QString(int row)>;
    explicit CListLines(QObject* parent) : QAbstractListModel(parent) {}
    void Reset(int count, Formatter format);
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    int count_ = 0;
    Formatter format_;
};

class CListViewBase : public QWidget, public IKivoView, public ICommandTarget, public IDocWindow {
    Q_OBJECT
public:
    CListViewBase(CKivoDoc* doc, const char* fontSection, QWidget* parent);
    ~CListViewBase() override;

    CKivoDoc* GetDocument() const { return doc_; }

    // The window as the main frame and the document manager see it.
    CKivoDoc* Document() const override { return doc_; }
    IKivoView* View() const override { return const_cast<CListViewBase*>(this); }
    ICommandTarget* Target() override { return this; }
    void DetachFromDocument() override;
    QListView* List() const { return list_; }
    // The selected line, -1 when none.
    int Selection() const;
    void SelectLine(int line);
    int TopLine() const;
    int LineCount() const;
    // The text of a line as shown (tests, accessibility).
    QString LineText(int line) const;

    virtual void OnInitialUpdate() = 0;
    // select: a line, -1 the line selected now, -2 the last line, -3 the
    // record selected now wherever it went (none when it is gone).
    void FillList(int select);
    void OnUpdate(IKivoView* sender, int hint) override;

protected:
    // Copies what the lines show from the document; returns the line count.
    virtual int TakeSnapshot() = 0;
    virtual QString FormatLine(int row) const = 0;
    // Remembers the record shown on line (-1: none); after the next snapshot,
    // the line it is on now, -1 when it is gone.
    virtual void RememberLine(int line) { remembered_ = line; }
    virtual int RememberedLine() const { return remembered_; }
    // The edit command (also Enter and a double click).
    virtual void OnEdit() = 0;
    void Export(ExportKind kind);
    // The state of the commands every list window handles alike: add, edit,
    // delete, export, and the view-switch marks (its own kind checked).
    bool UpdateSharedCommand(int id, int ownKindCommand, CmdState* state) const;
    void focusInEvent(QFocusEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    int remembered_ = -1;
    CKivoDoc* doc_;
    QListView* list_;
    CListLines* lines_;
};

// The font of a list from its profile section ("RFont" or "UFont").
QFont ListFont(bool reserveList);
