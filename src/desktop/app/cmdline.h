#pragma once
// The start-up command line: empty, a switch that opens nothing, or one path.
#include <QString>
#include <QStringList>

enum class StartKind {
    DefaultOrNew,  // empty: the last file, or a new document
    Nothing,       // "-e", "/E" and the like
    Path,          // anything else, taken whole as a path
};

struct StartRequest {
    StartKind kind = StartKind::DefaultOrNew;
    QString path;
};

// The text after the program name, taken whole: the arguments as the shell
// split them, joined again by single blanks.
QString CommandLineText(const QStringList& argsAfterProgram);
StartRequest ParseCommandLine(const QString& text);
