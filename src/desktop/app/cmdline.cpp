#include "desktop/app/cmdline.h"

QString CommandLineText(const QStringList& argsAfterProgram) { return argsAfterProgram.join(QLatin1Char(' ')); }

StartRequest ParseCommandLine(const QString& text) {
    StartRequest r;
    if (text.isEmpty()) return r;
    if (text.size() >= 2 && (text[0] == QLatin1Char('-') || text[0] == QLatin1Char('/')) &&
        (text[1] == QLatin1Char('e') || text[1] == QLatin1Char('E'))) {
        r.kind = StartKind::Nothing;
        return r;
    }
    r.kind = StartKind::Path;
    r.path = text;
    return r;
}
