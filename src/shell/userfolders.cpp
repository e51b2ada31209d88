#include "shell/userfolders.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// Qt names the XDG folder even when it was never created; a default folder that does not
// exist would only turn into an error later.
QString ExistingFolderOr(QStandardPaths::StandardLocation location, const QString &fallback)
{
    const QString folder = QStandardPaths::writableLocation(location);
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : fallback;
}

}  // namespace

QString GetDocumentsFolder()
{
    return ExistingFolderOr(QStandardPaths::DocumentsLocation, QDir::homePath());
}

QString GetVideoFolder()
{
    return ExistingFolderOr(QStandardPaths::MoviesLocation, GetDocumentsFolder());
}
