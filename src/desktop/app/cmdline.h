#pragma once
// The start-up command line: empty, a switch that opens nothing, or one path.
#include <QString>
#include <QStringList>

enum class StartKind {
    DefaultOrNew,  // empty: the last file, or a new document
    Nothing,       // "-e", "/E", "-Eanything" and the like
    Path,          // anything else, taken whole as a path
};

struct StartRequest {
    StartKind kind = StartKind::DefaultOrNew;
    QString path;
};

// The text after the program name, taken whole: the arguments as the shell
// split them, joined again by single blanks.
QString CommandLineText(const QStringList& argsAfterProgram);
// Here "/" begins a path, so only a first argument of exactly "/e" or "/E",
// or one beginning with "-e" or "-E", is the switch that opens nothing.
StartRequest ParseCommandLine(const QStringList& argsAfterProgram);
// What a second start hands to the running program: the path made absolute
// (the running program has another working folder), else empty.
QString HandedPath(const StartRequest& request);
