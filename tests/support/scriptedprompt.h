#pragma once
#include <functional>
#include <vector>

#include "desktop/dialogs/modalprompt.h"

// A prompt for tests: records every message, answers file, font and colour
// dialogs from queues, and runs each modal dialog by calling the handler
// registered for its objectName (or the fallback) instead of a modal loop.
class ScriptedPrompt : public IPrompt {
public:
    struct Shown {
        QString text;
        MsgIcon icon;
        MsgButtons buttons;
    };
    std::vector<Shown> messages;
    std::vector<MsgAnswer> answers;          // for OkCancel boxes, in order; none left -> Ok
    std::vector<QString> fileNames;          // for file dialogs, in order; none left -> cancel
    std::vector<QString> dialogsRun;         // objectName of each dialog run
    std::function<void(QDialog*)> onDialog;  // drives the dialog: fill fields, click buttons

    MsgAnswer Message(QWidget* parent, const QString& text, MsgIcon icon, MsgButtons buttons) override;
    int Exec(QDialog* dialog) override;
    QString SaveFileName(QWidget*, const QString&, const QString&, const QString&, const QString&) override;
    QString OpenFileName(QWidget*, const QString&, const QString&) override;
    bool ChooseFont(QWidget*, QFont*) override;
    bool ChooseColor(QWidget*, QColor*) override;
    std::vector<QFont> fonts;
    std::vector<QColor> colors;
};
