#pragma once
// "空き検索": which facilities are free for a whole span on a date or a run
// of dates (up to 31), for at least so many people, by the entry dialog's own
// overlap rule. Where this desk allows overlaps, a taken facility is listed
// as "重複あり" rather than hidden. Enter or a double-click on a line opens
// the entry dialog for that facility, date and times; after a booking the
// list is searched again.
//
// Object names: the dialog "CFreeDlg"; editYear/editMonth/editDay the first
// date, editUntilYear/editUntilMonth/editUntilDay the last (all empty: one
// date), editStartHour/editStartMinute/editEndHour/editEndMinute,
// editPeople, listFacilities (checked ones only; none: all), listFree the
// answer, buttonSearch, buttonBook, button2 閉じる.
#include <QDialog>
#include <vector>

#include "core/doc/reserveentry.h"
#include "desktop/dialogs/dlgfields.h"

class CKivoDoc;
class QLineEdit;
namespace booking {
struct FreeQuestion;
}
class QListWidget;

class CFreeDlg : public QDialog {
    Q_OBJECT
public:
    CFreeDlg(CKivoDoc& doc, QWidget* parent = nullptr);

    // Reads the question, re-reads the file and lists the answer; false
    // after a refusal message (nothing listed then changes).
    bool Search();
    // The entry dialog for the selected line; true when a booking was stored.
    bool BookSelected();
    QListWidget* Answer() const { return answer_; }

    // Enter: a booking from the answer's line when it has the focus, else a search.
    void accept() override;

private:
    struct Line {
        ReserveEntry entry;
        int facilityId = 0;
    };
    QLineEdit* Edit(const char* name, int chars);
    // The question from the fields; false after the refusal message.
    bool ReadQuestion(booking::FreeQuestion* q);

    CKivoDoc& doc_;
    std::vector<QLineEdit*> from_, until_, times_;
    QLineEdit* people_ = nullptr;
    QListWidget* facilities_ = nullptr;
    QListWidget* answer_ = nullptr;
    std::vector<Line> lines_;
};

// The free-room search on a document, as the menus run it.
void RunFreeSearch(CKivoDoc& doc, QWidget* parent);
