#pragma once
// The export commands of every window: the "出力ファイル名" file dialog with
// the default name and filter of the kind, the writer under a wait cursor,
// and the message when the file cannot be opened or written.
#include "core/lists/export.h"

class QWidget;

void RunExportCommand(QWidget* parent, const CKivoDoc& doc, ExportKind kind);
