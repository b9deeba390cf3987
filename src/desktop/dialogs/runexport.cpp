#include "desktop/dialogs/runexport.h"

#include <QApplication>
#include <QFile>

#include "desktop/dialogs/modalprompt.h"

void RunExportCommand(QWidget* parent, const CKivoDoc& doc, ExportKind kind) {
    const bool csv = kind == ExportKind::ReserveCsv || kind == ExportKind::FacilityCsv;
    const QString path = Prompt().SaveFileName(
        parent, QString::fromUtf8("出力ファイル名"), csv ? QStringLiteral("LIST1.CSV") : QStringLiteral("LIST1.TXT"),
        csv ? QString::fromUtf8("csvﾌｧｲﾙ(*.csv);;TXTﾌｧｲﾙ(*.TXT)") : QString::fromUtf8("TXTﾌｧｲﾙ(*.TXT)"),
        csv ? QStringLiteral("CSV") : QStringLiteral("TXT"));
    if (path.isEmpty()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const ExportStatus st = WriteExport(kind, doc, QFile::encodeName(path).toStdString());
    QApplication::restoreOverrideCursor();
    if (st != ExportStatus::Ok) ShowMessage(parent, QString::fromUtf8(ExportMessage(st)));
}
