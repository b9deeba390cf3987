#pragma once
// What every dialog shares: centring over the parent, the controls and
// button columns the dialogs build alike, the tab order, and the exchange of
// text and number fields with the register's CP932 bytes.
#include <QRect>
#include <QString>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

class QDialog;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QVBoxLayout;
class QWidget;

// The position CenterOverParent gives a dialog of the given size over a
// parent client area (global coordinates): half the difference, rounded
// toward zero, added to the client's left and top.
QPoint CenteredPosition(const QRect& client, const QSize& size);
// Places dlg centred over its parent's client area, or the desktop without a
// parent; the size does not change.
void CenterOverParent(QWidget* dlg);
// Names the dialog for tests, sets its caption (UTF-8) and drops the title
// bar's help button.
// The dialog's size is fixed to its layout's.
void SetUpDialog(QDialog* dlg, const char* name, const char* utf8Title);
// A dialog of fixed size, as every dialog of the program: it cannot be
// resized or maximised.
void FixDialogSize(QDialog* dlg);

// A push button (UTF-8 text) named for tests. Only the default button takes
// Enter from the fields; the others take it only when they have the focus.
QPushButton* Button(QWidget* parent, const char* utf8, const char* name, bool isDefault = false);
// The dialog's default button1 (OK unless utf8 says otherwise) wired to accept,
// and its button2 ｷｬﾝｾﾙ wired to reject.
QPushButton* OkButton(QDialog* dlg, const char* utf8 = "OK");
QPushButton* CancelButton(QDialog* dlg);
// Buttons stacked at the side, or lined up at the bottom right; null ones are left out.
QVBoxLayout* ButtonColumn(std::initializer_list<QPushButton*> buttons);
QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons);
// Tab moves through the widgets in this order; null ones are left out.
void ChainTabs(const std::vector<QWidget*>& chain);

// A list dialog: the list (one line selectable, wide and high enough for
// chars x lines) with the buttons beside it, tabbing from the list down the buttons.
QListWidget* ListWithButtons(QDialog* dlg, const char* name, int chars, int lines,
                             std::initializer_list<QPushButton*> buttons);
// The selected line of a list, -1 for none.
int SelectedRow(const QListWidget* list);

// A number field wide enough for chars digits, named for tests and the tab chain.
QLineEdit* NumberEdit(QWidget* parent, const char* name, int chars);
// A text field of several lines where Enter breaks the line and Tab moves on.
QPlainTextEdit* MultiLineEdit(QWidget* parent, const char* name, int lines);
// A label (UTF-8 text) whose mnemonic focuses buddy.
QLabel* BuddyLabel(QWidget* parent, const char* utf8, QWidget* buddy = nullptr);
// Fields in a row, each followed by its unit ("年", "時" ...), then a stretch.
QHBoxLayout* UnitRow(QWidget* parent, std::initializer_list<QWidget*> fields, std::initializer_list<const char*> units);

// A text control bound to stored bytes. What the user did not touch reads back
// as the bytes it was shown from: some CP932 characters have two byte forms.
class TextField {
public:
    explicit TextField(QLineEdit* edit) : line_(edit) {}
    explicit TextField(QPlainTextEdit* edit) : plain_(edit) {}
    QWidget* Widget() const;
    void Show(const std::string& bytes);
    // False after telling the user which character CP932 cannot hold (the
    // control then has the focus).
    bool Read(std::string* bytes) const;

private:
    QString Current() const;
    QLineEdit* line_ = nullptr;
    QPlainTextEdit* plain_ = nullptr;
    QString shown_;
    std::string bytes_;
};

// An unsigned number field; bits16 for values the file keeps in 16 bits.
class NumberField {
public:
    NumberField(QLineEdit* edit, bool bits16) : edit_(edit), bits16_(bits16) {}
    QLineEdit* Widget() const { return edit_; }
    void Show(uint32_t value);
    // False after the refusal message (the control then has the focus).
    bool Read(uint32_t* value) const;

private:
    QLineEdit* edit_;
    bool bits16_;
};
