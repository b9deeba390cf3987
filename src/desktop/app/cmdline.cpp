#include "desktop/app/cmdline.h"

#include <QDir>
#include <QFileInfo>

#include "core/store/location.h"

QString CommandLineText(const QStringList& argsAfterProgram) { return argsAfterProgram.join(QLatin1Char(' ')); }

StartRequest ParseCommandLine(const QStringList& argsAfterProgram) {
    StartRequest r;
    const QString text = CommandLineText(argsAfterProgram);
    if (text.isEmpty()) return r;
    const QString& first = argsAfterProgram.first();
    if (first.compare(QLatin1String("/e"), Qt::CaseInsensitive) == 0 ||
        first.startsWith(QLatin1String("-e"), Qt::CaseInsensitive)) {
        r.kind = StartKind::Nothing;
        return r;
    }
    r.kind = StartKind::Path;
    r.path = text;
    return r;
}

QString HandedPath(const StartRequest& request) {
    if (request.kind != StartKind::Path) return QString();
    // A server's location names no folder; it is handed on without a password.
    const std::string text = request.path.toStdString();
    if (store::IsServerText(text)) return QString::fromStdString(store::Location::Parse(text).Text());
    // Not cleaned: "a/link/../r.kv" must name what the kernel finds.
    if (QFileInfo(request.path).isAbsolute()) return request.path;
    return QDir::currentPath() + QLatin1Char('/') + request.path;
}
