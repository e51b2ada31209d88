#include "shell/pathnames.h"

namespace {

constexpr QChar kSeparator = u'/';

qsizetype NameStart(QStringView path)
{
    return path.lastIndexOf(kSeparator) + 1;
}

// From the name's last '.', or empty; a '.' in the folder part is no extension.
QStringView Extension(QStringView path)
{
    const qsizetype dot = path.lastIndexOf(u'.');
    return dot >= NameStart(path) ? path.mid(dot) : QStringView();
}

}  // namespace

QString RebasePath(const QString &value, const QString &oldPrefix, const QString &newPrefix)
{
    if (value.isEmpty() || oldPrefix.isEmpty() || newPrefix.isEmpty())
        return value;
    const QStringView folder = QStringView(value).left(NameStart(value));
    if (!folder.startsWith(oldPrefix, Qt::CaseInsensitive))
        return value;
    return newPrefix + value.mid(oldPrefix.size());
}

QString FileNameWithoutExt(const QString &path)
{
    const QStringView name = QStringView(path).mid(NameStart(path));
    return name.chopped(Extension(name).size()).toString();
}

bool IsAviFile(const QString &path)
{
    return Extension(path).toString().toLower() == QLatin1String(".avi");
}
