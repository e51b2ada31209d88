#include "shell/filedeletion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// A dangling link still occupies its name, though QFileInfo::exists() follows it.
bool EntryExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool MakePrivateFolder(const QString &path)
{
    constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    return QFileInfo(path).isDir() || QDir().mkdir(path, kOwnerOnly);
}

// Qt falls back on the home trash, and when that cannot be made it moves the file into
// "files" under the current folder instead; so the home trash is made first, and when
// that fails nothing is trashed.
bool EnsureHomeTrash()
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty() || !QDir().mkpath(dataHome))
        return false;
    const QString trash = dataHome + QStringLiteral("/Trash");
    return MakePrivateFolder(trash) && MakePrivateFolder(trash + QStringLiteral("/files"))
        && MakePrivateFolder(trash + QStringLiteral("/info"));
}

}  // namespace

bool DeleteFileForced(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return QFile::remove(path);
    if (!info.exists())
        return false;
    const QFile::Permissions before = info.permissions();
    const bool madeWritable = !before.testFlag(QFile::WriteOwner)
                           && QFile::setPermissions(path, before | QFile::ReadOwner | QFile::WriteOwner);
    if (QFile::remove(path))
        return true;
    if (madeWritable)
        QFile::setPermissions(path, before);
    return false;
}

bool SendToRecycleBin(const QString &path)
{
    if (path.isEmpty() || !EntryExists(path) || !EnsureHomeTrash())
        return false;
    return QFile::moveToTrash(path) && !EntryExists(path);
}
