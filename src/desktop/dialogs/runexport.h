#pragma once
// The export commands of every window: the "出力ファイル名" file dialog with
// the default name and filter of the kind, the writer under a wait cursor,
// and the message when the file cannot be opened or written.
#include "core/lists/export.h"

class QWidget;

void RunExportCommand(QWidget* parent, const CKivoDoc& doc, ExportKind kind);

// The iCalendar export: first a dialog "iCalendar形式でエクスポート" that
// offers every reservation or one facility's (or all facilities') within a
// range of days, first the displayed day; then the file dialog. Object names:
// the dialog "CIcalExportDlg", radio_all, radio_range, combo_facility,
// edit_from_year/month/day, edit_until_year/month/day, button1 OK, button2.
void RunIcalExportCommand(QWidget* parent, const CKivoDoc& doc);
