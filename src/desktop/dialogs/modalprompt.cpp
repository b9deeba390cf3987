#include "desktop/dialogs/modalprompt.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDir>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <memory>

#include "core/doc/messages.h"
#include "desktop/dialogs/filedialog.h"
#include "desktop/dialogs/utf8.h"

namespace {

// The extension of a filter such as "csvﾌｧｲﾙ(*.csv)": its first pattern's,
// or otherwise when that is no single extension.
QString FilterExtension(const QString& nameFilter, const QString& otherwise) {
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([^\\s;()*?\\[]+)(?=[\\s;)]|$)"));
    const QRegularExpressionMatch m = pattern.match(nameFilter);
    return m.hasMatch() ? m.captured(1) : otherwise;
}

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
        const QString start = FileDialogStart(defaultName);
        std::unique_ptr<QFileDialog> dlg(NewFileDialog(parent, title, start, filter));
        dlg->setAcceptMode(QFileDialog::AcceptSave);
        dlg->setFileMode(QFileDialog::AnyFile);
        // A name typed without an extension takes the chosen filter's, as
        // the filter writes it; a typed one is kept as typed.
        auto follow = [d = dlg.get(), defaultSuffix](const QString& nameFilter) {
            d->setDefaultSuffix(FilterExtension(nameFilter, defaultSuffix));
        };
        follow(dlg->selectedNameFilter());
        QObject::connect(dlg.get(), &QFileDialog::filterSelected, dlg.get(), follow);
        dlg->selectFile(start);
        if (dlg->exec() != QDialog::Accepted || dlg->selectedFiles().isEmpty()) return {};
        return dlg->selectedFiles().first();
    }
    QString OpenFileName(QWidget* parent, const QString& title, const QString& filter) override {
        std::unique_ptr<QFileDialog> dlg(NewFileDialog(parent, title, FileDialogStart(), filter));
        dlg->setAcceptMode(QFileDialog::AcceptOpen);
        dlg->setFileMode(QFileDialog::ExistingFile);
        if (dlg->exec() != QDialog::Accepted || dlg->selectedFiles().isEmpty()) return {};
        return dlg->selectedFiles().first();
    }
    bool ChooseFont(QWidget* parent, QFont* font) override {
        std::unique_ptr<QFontDialog> dlg(NewFontDialog(parent, *font));
        if (dlg->exec() != QDialog::Accepted) return false;
        *font = dlg->selectedFont();
        return true;
    }
    bool ChooseColor(QWidget* parent, QColor* color) override {
        QColor c = QColorDialog::getColor(*color, parent);
        if (!c.isValid()) return false;
        *color = c;
        return true;
    }
};

RealPrompt g_real;
QString g_fileFolder;
IPrompt* g_prompt = &g_real;

}  // namespace

void SetFileDialogFolder(const QString& folder) { g_fileFolder = folder; }

QString FileDialogStart(const QString& name) {
    // Never the working directory: under a launcher that is anywhere at all.
    const QString folder = g_fileFolder.isEmpty() ? QDir::homePath() : g_fileFolder;
    if (name.isEmpty()) return folder;
    return QDir::isAbsolutePath(name) ? name : QDir(folder).filePath(name);
}

QFontDialog* NewFontDialog(QWidget* parent, const QFont& font) {
    auto* dlg = new QFontDialog(font, parent);
    dlg->setObjectName(QStringLiteral("QFontDialog"));
    // Qt's own dialog, so that its parts can be left out.
    dlg->setOption(QFontDialog::DontUseNativeDialog);
    // The schedule keeps face, style and size; the effects and the writing
    // system would be offered and then ignored.
    for (QGroupBox* box : dlg->findChildren<QGroupBox*>())
        if (!box->findChildren<QCheckBox*>().isEmpty()) box->hide();
    // The sample follows the writing system, whose list is left out: without
    // a text of its own the box stays empty.
    for (QGroupBox* box : dlg->findChildren<QGroupBox*>())
        if (box->findChildren<QCheckBox*>().isEmpty())
            for (QLineEdit* sample : box->findChildren<QLineEdit*>()) sample->setText(U("Aaあぁアァ亜宇"));
    for (QComboBox* combo : dlg->findChildren<QComboBox*>()) {
        combo->hide();
        for (QLabel* label : dlg->findChildren<QLabel*>())
            if (label->buddy() == combo) label->hide();
    }
    return dlg;
}

IPrompt& Prompt() { return *g_prompt; }
void SetPrompt(IPrompt* prompt) { g_prompt = prompt ? prompt : &g_real; }

void ShowMessage(QWidget* parent, const QString& text, MsgIcon icon) {
    Prompt().Message(parent, text, icon, MsgButtons::Ok);
}

bool AskOkCancel(QWidget* parent, const QString& text) {
    return Prompt().Message(parent, text, MsgIcon::Question, MsgButtons::OkCancel) == MsgAnswer::Ok;
}
