#include "desktop/dialogs/dialogdochost.h"

#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include "core/booking/rules.h"
#include "core/profile/profile.h"
#include "desktop/dialogs/modalprompt.h"
#include "desktop/dialogs/reservedlg.h"

void CDialogDocHost::ShowMessage(const std::string& utf8Text, Icon icon) {
    MsgIcon i = MsgIcon::Exclamation;
    switch (icon) {
        case Icon::Exclamation: i = MsgIcon::Exclamation; break;
        case Icon::Information: i = MsgIcon::Information; break;
        case Icon::Question: i = MsgIcon::Question; break;
        case Icon::Stop: i = MsgIcon::Stop; break;
    }
    ::ShowMessage(parent_, QString::fromUtf8(utf8Text), i);
}

void CDialogDocHost::PathRecorded(const std::string& path) {
    // The next start opens this file, whatever folder it is started from.
    const QString abs = QFileInfo(QFile::decodeName(QByteArray::fromStdString(path))).absoluteFilePath();
    const std::string stored = QFile::encodeName(abs).toStdString();
    if (profile::GetString(profile::Key::DefaultFile) != stored) profile::WriteString(profile::Key::DefaultFile, stored);
}

bool CDialogDocHost::RunRepairDialog(CKivoDoc& doc, int pos, ReserveEntry* entry) {
    if (pos < 0 || pos >= static_cast<int>(doc.m_arReserve.size())) return false;
    const CReserve edited = *doc.m_arReserve[static_cast<size_t>(pos)];
    CReserveErrDlg dlg(doc, *entry, parent_);
    // No re-read here: the check runs on the records the document has just
    // read and is still going through.
    dlg.SetCommit([&doc, &edited, &dlg](const ReserveEntry& e) {
        const CheckResult r = CheckAfterReload(e, doc.m_arReserve, doc.m_arFacility, &edited,
                                               profile::GetInt(profile::Key::Dup) != 0);
        if (r == CheckResult::Ok) return true;
        ::ShowMessage(&dlg, QString::fromUtf8(CheckMessage(r)));
        return false;
    });
    if (Prompt().Exec(&dlg) != QDialog::Accepted) return false;
    *entry = dlg.Entry();
    return true;
}
