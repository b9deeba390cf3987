#pragma once
// What the reservation list and the user list windows share: a list that
// fills the window, built from a snapshot of the document's collection at the
// last fill, keeping the selected line number and the top line across fills.
#include <QAbstractListModel>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "core/doc/kivodoc.h"
#include "desktop/framework/commands.h"
#include "desktop/framework/docwindow.h"

class QListView;
enum class ExportKind;

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

// The line a fill selects.
enum class ListSelection {
    First,       // the first line
    Current,     // the line number selected now
    Last,        // the last line
    SameRecord,  // the record selected now wherever it went; none when it is gone
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
    // Puts the collection in the list's order and rebuilds every line.
    void FillList(ListSelection select);
    // Another desk's change refills the list in turns of the event loop of
    // their own after the one that read the file, ordering first and filling
    // next, so that none of them holds the window long.
    void OnUpdate(IKivoView* sender, ViewHint hint) override;

    // add, edit (also Enter and a double click) and delete
    virtual void OnAdd() = 0;
    virtual void OnEdit() = 0;
    virtual void OnDelete() = 0;

protected:
    // Puts the document's collection in the order the lines show.
    virtual void Arrange() {}
    // Copies what the lines show from the document as it stands; returns the
    // line count.
    virtual int TakeSnapshot() = 0;
    virtual QString FormatLine(int row) const = 0;
    // Remembers the record shown on line (-1: none); after the next snapshot,
    // the line it is on now, -1 when it is gone.
    virtual void RememberLine(int line) = 0;
    virtual int RememberedLine() const = 0;
    // The commands every list window handles alike: add, edit, delete and the
    // export of kind; their state, with the view-switch marks (its own kind
    // checked).
    bool OnSharedCommand(int id, ExportKind kind);
    bool UpdateSharedCommand(int id, int ownKindCommand, CmdState* state) const;
    void focusInEvent(QFocusEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // The lines from the collection as it stands.
    void Refill(ListSelection select);
    // Its window is the one the desk works in (or it stands alone).
    bool InFrontWindow() const;
    void PostRefillStep();
    void RefillStep();

    CKivoDoc* doc_;
    QListView* list_;
    CListLines* lines_;
    enum class Pending { None, Arrange, Fill } pending_ = Pending::None;
};

// A list whose line i stands for a copy of record i of one collection, taken
// at the last fill: a command acts on what its line showed, whatever the
// document did since.
template <class Record>
class CRecordListView : public CListViewBase {
public:
    using CListViewBase::CListViewBase;

protected:
    // The record a line shows; null beyond the lines.
    const Record* Shown(int line) const {
        return line >= 0 && line < static_cast<int>(shown_.size()) ? &shown_[static_cast<size_t>(line)] : nullptr;
    }
    // Copies the records; the copies of the last fill lend their storage.
    template <class Array>
    int Snapshot(const Array& records) {
        shown_.resize(records.size());
        for (size_t i = 0; i < records.size(); ++i) shown_[i] = *records[i];
        return static_cast<int>(shown_.size());
    }
    // Runs command(line, copy of its record) on the selected line, nothing
    // without one, and refills keeping the line when it did something.
    template <class Command>
    bool OnSelected(Command command) {
        const int p = Selection();
        const Record* shown = Shown(p);
        if (!shown) return false;
        const Record snapshot = *shown;
        if (!command(p, snapshot)) return false;
        FillList(ListSelection::Current);
        return true;
    }
    void RememberLine(int line) override {
        remembered_.reset();
        if (const Record* r = Shown(line)) remembered_ = *r;
    }
    int RememberedLine() const override {
        if (!remembered_) return -1;
        for (size_t i = 0; i < shown_.size(); ++i)
            if (shown_[i].IsEqual(*remembered_)) return static_cast<int>(i);
        return -1;
    }

private:
    std::vector<Record> shown_;
    std::optional<Record> remembered_;
};

// The font of a list from its profile section ("RFont" or "UFont").
QFont ListFont(bool reserveList);
