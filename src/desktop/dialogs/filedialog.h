#pragma once
// The file dialogs of the program: Qt's own, so that every column reads
// Japanese whatever the desk's locale (sizes, types and dates included).
#include <QString>

class QFileDialog;
class QWidget;

// A dialog opened at start (a folder, or a file in one) with the filter; the
// caller owns it.
QFileDialog* NewFileDialog(QWidget* parent, const QString& title, const QString& start, const QString& filter);
