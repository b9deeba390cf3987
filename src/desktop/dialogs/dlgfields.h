#pragma once
// What every dialog shares: centring over the parent, the controls the
// entry dialogs build alike, and the exchange of text and number fields with
// the register's CP932 bytes.
#include <QRect>
#include <QString>
#include <cstdint>
#include <initializer_list>
#include <string>

class QHBoxLayout;
class QLabel;
class QWidget;
class QLineEdit;
class QPlainTextEdit;

// The position CenterOverParent gives a dialog of the given size over a
// parent client area (global coordinates): half the difference, rounded
// toward zero, added to the client's left and top.
QPoint CenteredPosition(const QRect& client, const QSize& size);
// Places dlg centred over its parent's client area, or the desktop without a
// parent; the size does not change.
void CenterOverParent(QWidget* dlg);

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
