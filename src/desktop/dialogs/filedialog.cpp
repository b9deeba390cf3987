#include "desktop/dialogs/filedialog.h"

#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QMimeDatabase>

#include "desktop/dialogs/utf8.h"

namespace {

// The type column as the desk's own file manager words it; Qt's table has no
// Japanese for a folder or an unknown file.
class JapaneseTypes : public QFileIconProvider {
public:
    QString type(const QFileInfo& info) const override {
        if (info.isDir()) return U("ファイル フォルダー");
        const QMimeType mime = QMimeDatabase().mimeTypeForFile(info);
        if (!mime.isDefault() && !mime.comment().isEmpty()) return mime.comment();
        return info.suffix().isEmpty() ? U("ファイル") : U("%1 ファイル").arg(info.suffix().toUpper());
    }
};

// Sizes and dates in the program's locale: the file system model takes the
// system's, English in a C session.
class JapaneseColumns : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override {
        auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || (index.column() != 1 && index.column() != 3))
            return QIdentityProxyModel::data(index, role);
        const QModelIndex source = mapToSource(index);
        const QLocale here;
        if (index.column() == 3) return here.toString(files->lastModified(source), QLocale::ShortFormat);
        if (files->isDir(source)) return QString();
        // Whole kilobytes rounded up, as the desk's file manager counts them.
        return U("%1 KB").arg(here.toString((files->size(source) + 1023) / 1024));
    }
};

// Holds the types for the dialog. Made after the dialog's own file system
// model, it goes after it too: the model's reading thread asks it to the end.
class TypesHolder : public QObject {
public:
    using QObject::QObject;
    JapaneseTypes types;
};

}  // namespace

QFileDialog* NewFileDialog(QWidget* parent, const QString& title, const QString& start, const QString& filter) {
    auto* dlg = new QFileDialog(parent, title, start, filter);
    dlg->setObjectName(QStringLiteral("QFileDialog"));
    // Qt's own dialog: a desktop's native one would speak the session's language.
    dlg->setOption(QFileDialog::DontUseNativeDialog);
    dlg->setIconProvider(&(new TypesHolder(dlg))->types);
    dlg->setProxyModel(new JapaneseColumns(dlg));
    return dlg;
}
