#pragma once
// Every modal dialog and message box a command runs goes through Prompt(), so
// a test can answer them in place of a person and drive the command end to end.
#include <QString>
#include <functional>
#include <vector>

class QWidget;
class QDialog;
class QFont;
class QFontDialog;
class QColor;

enum class MsgIcon { None, Information, Exclamation, Question, Stop };
enum class MsgButtons { Ok, OkCancel };
enum class MsgAnswer { Ok, Cancel };

class IPrompt {
public:
    virtual ~IPrompt() = default;
    // A message box with the program's name as caption.
    virtual MsgAnswer Message(QWidget* parent, const QString& text, MsgIcon icon, MsgButtons buttons) = 0;
    // Runs a modal dialog; returns QDialog::Accepted or QDialog::Rejected.
    virtual int Exec(QDialog* dialog) = 0;
    // Common dialogs; an empty result / false means cancelled.
    virtual QString SaveFileName(QWidget* parent, const QString& title, const QString& defaultName,
                                 const QString& filter, const QString& defaultSuffix) = 0;
    virtual QString OpenFileName(QWidget* parent, const QString& title, const QString& filter) = 0;
    virtual bool ChooseFont(QWidget* parent, QFont* font) = 0;
    virtual bool ChooseColor(QWidget* parent, QColor* color) = 0;
};

// The folder the file dialogs start in: the active register's, set by the
// main frame as windows change; empty means the user's home.
void SetFileDialogFolder(const QString& folder);
// Where a file dialog starts for a suggested name: the name itself when it
// is absolute, otherwise that name in the start folder.
QString FileDialogStart(const QString& name = QString());

// The schedule's font dialog: face, style and size only (the caller owns it).
QFontDialog* NewFontDialog(QWidget* parent, const QFont& font);

IPrompt& Prompt();
// Replaces the prompt (tests); nullptr restores the real one.
void SetPrompt(IPrompt* prompt);

// Shorthands for the two kinds of message the program shows.
void ShowMessage(QWidget* parent, const QString& text, MsgIcon icon = MsgIcon::Exclamation);
bool AskOkCancel(QWidget* parent, const QString& text);  // "削除しますか？" and the like
