#include "base/paths.h"

namespace {

// Index of the first character of the name, after the last delimiter.
qsizetype NameStart(const QString &path)
{
    return path.lastIndexOf(kPathDelimiter) + 1;
}

// Index of the extension's dot, or the path's length when the name has no extension.
qsizetype ExtensionStart(const QString &path)
{
    const qsizetype name = NameStart(path);
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    if (dot < name)
        return path.size();
    for (qsizetype i = name; i < dot; ++i)
        if (path.at(i) != QLatin1Char('.'))
            return dot;
    return path.size();  // only dots before it: a hidden file's leading dot
}

}  // namespace

QString ExtractFilePath(const QString &path)
{
    return path.left(NameStart(path));
}

QString ExtractFileName(const QString &path)
{
    return path.mid(NameStart(path));
}

QString ExtractFileExt(const QString &path)
{
    return path.mid(ExtensionStart(path));
}

QString ExtractFileBaseName(const QString &path)
{
    const qsizetype name = NameStart(path);
    return path.mid(name, ExtensionStart(path) - name);
}

QString IncludeTrailingPathDelimiter(const QString &path)
{
    if (path.isEmpty() || path.endsWith(kPathDelimiter))
        return path;
    return path + kPathDelimiter;
}

QString ChangeFileExt(const QString &path, const QString &extension)
{
    return path.left(ExtensionStart(path)) + extension;
}

QString FileNameKey(const QString &path)
{
    return path.toLower();
}

bool SameFileName(const QString &a, const QString &b)
{
    return a.toLower() == b.toLower();
}
