#pragma once
// The controls of one reservation that the entry and the repeat dialog both
// hold: created and named alike, laid out row by row, exchanged with a
// ReserveEntry. Each dialog chooses its rows' order and its fields' read order.
#include <initializer_list>
#include <vector>

#include "desktop/dialogs/dlgfields.h"

class CKivoDoc;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;
struct ReserveEntry;

class EntryControls {
public:
    // The fields that can refuse what was typed.
    enum class Field { User, Year, Month, Day, StartHour, StartMinute, EndHour, EndMinute, Purpose, Contact, Fee };
    // A line of the dialog: its label and its controls.
    enum class Row { User, Date, Start, End, Facility, Purpose, Contact, Fee };

    // Children of parent; textLines is the height of purpose and contact,
    // dateLabel (UTF-8) the date row's label.
    EntryControls(QWidget* parent, int textLines, const char* dateLabel);

    // The facilities in collection order, so that a list position is a
    // collection position.
    void ListFacilities(const CKivoDoc& doc);
    // A facility position outside the list selects nothing.
    void Show(const ReserveEntry& e);
    // Reads the fields in the given order, then the facility position (-1 when
    // nothing is picked) and the paid mark. False at the first refusal, after
    // its message (e is then partly written).
    bool Read(std::initializer_list<Field> order, ReserveEntry* e) const;
    // Adds the rows to grid from line r on; returns the next free line.
    int AddRows(QGridLayout* grid, int r, std::initializer_list<Row> rows) const;
    // The rows' controls in tab order.
    std::vector<QWidget*> TabOrder(std::initializer_list<Row> rows) const;

    QLineEdit* const user;
    QPushButton* const browse;
    QLineEdit *const year, *const month, *const day;
    QLineEdit *const startHour, *const startMinute, *const endHour, *const endMinute;
    QComboBox* const facility;
    QPlainTextEdit *const purpose, *const contact;
    QCheckBox* const paid;
    QLineEdit* const fee;

private:
    bool ReadField(Field f, ReserveEntry* e) const;
    void AddRow(QGridLayout* grid, int r, Row row) const;

    QWidget* parent_;
    const char* dateLabel_;
    TextField userField_, purposeField_, contactField_;
    NumberField yearField_, monthField_, dayField_, startHourField_, startMinuteField_, endHourField_,
        endMinuteField_, feeField_;
};
