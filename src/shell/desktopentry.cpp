#include "shell/desktopentry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

const QString kAviMimeType = QStringLiteral("video/x-msvideo");

// The string escapes of the format: a value is one line, and leading spaces would be
// taken as part of the separator.
QString EscapeValue(const QString &value)
{
    QString out;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else if (c == u' ' && i == 0)
            out += QStringLiteral("\\s");
        else
            out += c;
    }
    return out;
}

// One argument of Exec=, always quoted: inside the quotes " ` $ \ take a backslash, and
// a literal % is doubled so that it is not read as a field code.
QString QuoteExecArgument(const QString &argument)
{
    QString out(u'"');
    for (QChar c : argument) {
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            out += u'\\';
        out += c;
        if (c == u'%')
            out += u'%';
    }
    return out + u'"';
}

QString JoinList(const QStringList &items)
{
    QString out;
    for (const QString &item : items)
        out += QString(item).replace(u';', QStringLiteral("\\;")) + u';';
    return out;
}

}  // namespace

QByteArray DesktopEntryText(const DesktopEntry &entry)
{
    QString text = QStringLiteral("[Desktop Entry]\nType=Application\n");
    text += QStringLiteral("Name=") + EscapeValue(entry.name) + u'\n';
    if (!entry.description.isEmpty())
        text += QStringLiteral("Comment=") + EscapeValue(entry.description) + u'\n';
    text += QStringLiteral("Exec=") + EscapeValue(QuoteExecArgument(entry.target)) + QStringLiteral(" %F\n");
    if (!entry.workingFolder.isEmpty())
        text += QStringLiteral("Path=") + EscapeValue(entry.workingFolder) + u'\n';
    if (!entry.mimeTypes.isEmpty())
        text += QStringLiteral("MimeType=") + EscapeValue(JoinList(entry.mimeTypes)) + u'\n';
    return text.toUtf8();
}

bool CreateShellLink(const QString &linkPath, const DesktopEntry &entry)
{
    if (linkPath.isEmpty() || entry.target.isEmpty() || !QDir().mkpath(QFileInfo(linkPath).absolutePath()))
        return false;
    QSaveFile file(linkPath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray text = DesktopEntryText(entry);
    return file.write(text) == text.size() && file.commit();
}

QString SendToShortcutPath(const QString &name)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    if (folder.isEmpty() || name.isEmpty() || name.contains(u'/'))
        return {};
    return folder + u'/' + name.toLower() + QStringLiteral(".desktop");
}

bool CreateSendToShortcut(const QString &name)
{
    const DesktopEntry entry{name, QCoreApplication::applicationFilePath(), QString(),
                             QStringLiteral("Shortcut to ") + name, QStringList{kAviMimeType}};
    return CreateShellLink(SendToShortcutPath(name), entry);
}

bool DeleteSendToShortcut(const QString &name)
{
    const QString path = SendToShortcutPath(name);
    return !path.isEmpty() && QFile::remove(path);
}
