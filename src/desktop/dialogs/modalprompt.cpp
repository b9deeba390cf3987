#include "desktop/dialogs/modalprompt.h"

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QPushButton>

#include "core/doc/messages.h"

namespace {

class RealPrompt : public IPrompt {
public:
    MsgAnswer Message(QWidget* parent, const QString& text, MsgIcon icon, MsgButtons buttons) override {
        QMessageBox box(parent);
        box.setWindowTitle(QString::fromUtf8(msg::kAppName));
        box.setText(text);
        switch (icon) {
            case MsgIcon::None: box.setIcon(QMessageBox::NoIcon); break;
            case MsgIcon::Information: box.setIcon(QMessageBox::Information); break;
            case MsgIcon::Exclamation: box.setIcon(QMessageBox::Warning); break;
            case MsgIcon::Question: box.setIcon(QMessageBox::Question); break;
            case MsgIcon::Stop: box.setIcon(QMessageBox::Critical); break;
        }
        QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        QPushButton* cancel = nullptr;
        if (buttons == MsgButtons::OkCancel)
            cancel = box.addButton(QString::fromUtf8("ｷｬﾝｾﾙ"), QMessageBox::RejectRole);
        box.setDefaultButton(ok);
        if (cancel) box.setEscapeButton(cancel);
        box.exec();
        return box.clickedButton() == ok || !cancel ? MsgAnswer::Ok : MsgAnswer::Cancel;
    }
    int Exec(QDialog* dialog) override { return dialog->exec(); }
    QString SaveFileName(QWidget* parent, const QString& title, const QString& defaultName, const QString& filter,
                         const QString& defaultSuffix) override {
        QFileDialog dlg(parent, title, defaultName, filter);
        dlg.setAcceptMode(QFileDialog::AcceptSave);
        dlg.setFileMode(QFileDialog::AnyFile);
        dlg.setDefaultSuffix(defaultSuffix);
        dlg.selectFile(defaultName);
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return {};
        return dlg.selectedFiles().first();
    }
    QString OpenFileName(QWidget* parent, const QString& title, const QString& filter) override {
        return QFileDialog::getOpenFileName(parent, title, QString(), filter);
    }
    bool ChooseFont(QWidget* parent, QFont* font) override {
        bool ok = false;
        QFont f = QFontDialog::getFont(&ok, *font, parent);
        if (ok) *font = f;
        return ok;
    }
    bool ChooseColor(QWidget* parent, QColor* color) override {
        QColor c = QColorDialog::getColor(*color, parent);
        if (!c.isValid()) return false;
        *color = c;
        return true;
    }
};

RealPrompt g_real;
IPrompt* g_prompt = &g_real;

}  // namespace

IPrompt& Prompt() { return *g_prompt; }
void SetPrompt(IPrompt* prompt) { g_prompt = prompt ? prompt : &g_real; }

void ShowMessage(QWidget* parent, const QString& text, MsgIcon icon) {
    Prompt().Message(parent, text, icon, MsgButtons::Ok);
}

bool AskOkCancel(QWidget* parent, const QString& text) {
    return Prompt().Message(parent, text, MsgIcon::Question, MsgButtons::OkCancel) == MsgAnswer::Ok;
}
