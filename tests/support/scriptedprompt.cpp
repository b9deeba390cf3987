#include "support/scriptedprompt.h"

#include <QDialog>
#include <QFont>
#include <QColor>

MsgAnswer ScriptedPrompt::Message(QWidget*, const QString& text, MsgIcon icon, MsgButtons buttons) {
    messages.push_back({text, icon, buttons});
    if (buttons == MsgButtons::Ok || answers.empty()) return MsgAnswer::Ok;
    MsgAnswer a = answers.front();
    answers.erase(answers.begin());
    return a;
}

int ScriptedPrompt::Exec(QDialog* dialog) {
    dialogsRun.push_back(dialog->objectName());
    dialog->setResult(QDialog::Rejected);
    if (onDialog) onDialog(dialog);
    return dialog->result();
}

QString ScriptedPrompt::SaveFileName(QWidget*, const QString&, const QString&, const QString&, const QString&) {
    if (fileNames.empty()) return {};
    QString f = fileNames.front();
    fileNames.erase(fileNames.begin());
    return f;
}

QString ScriptedPrompt::OpenFileName(QWidget* p, const QString& t, const QString& f) {
    return SaveFileName(p, t, QString(), f, QString());
}

bool ScriptedPrompt::ChooseFont(QWidget*, QFont* font) {
    if (fonts.empty()) return false;
    *font = fonts.front();
    fonts.erase(fonts.begin());
    return true;
}

bool ScriptedPrompt::ChooseColor(QWidget*, QColor* color) {
    if (colors.empty()) return false;
    *color = colors.front();
    colors.erase(colors.begin());
    return true;
}
