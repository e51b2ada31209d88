#include "shell/systeminfo.h"

#include <QFile>
#include <QHash>
#include <QStringList>
#include <QSysInfo>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/avutil.h>
}

namespace {

// os-release is a few hundred bytes; anything much larger is not one.
constexpr qint64 kMaxOsReleaseBytes = 64 * 1024;

const char *const kOsReleasePaths[] = {"/etc/os-release", "/usr/lib/os-release"};

constexpr char kAboutSystemLine[] =
    "<i>  My operating system is: </i><br><b>  %s.</b><br><br><i>  I use: </i><br><b>  media libraries version %s.</b>";

// Shell-style value: "double quotes" with \" \\ \$ \` escapes, 'single quotes' taken
// literally, a backslash outside quotes escaping the next character.
QString UnquoteValue(QStringView raw)
{
    QString out;
    QChar quote;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (quote.isNull() && (c == u'"' || c == u'\'')) {
            quote = c;
        } else if (!quote.isNull() && c == quote) {
            quote = QChar();
        } else if (c == u'\\' && quote != u'\'' && i + 1 < raw.size()
                   && (quote.isNull() || QStringView(u"\"\\$`").contains(raw[i + 1]))) {
            out += raw[++i];
        } else {
            out += c;
        }
    }
    return out;
}

QHash<QString, QString> ParseOsRelease(const QString &text)
{
    QHash<QString, QString> values;
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        const qsizetype equals = line.indexOf(u'=');
        if (line.startsWith(u'#') || equals <= 0)
            continue;
        values.insert(line.left(equals).trimmed().toString(), UnquoteValue(line.mid(equals + 1).trimmed()));
    }
    return values;
}

QString ReadOsRelease()
{
    for (const char *path : kOsReleasePaths) {
        QFile file(QString::fromLatin1(path));
        if (file.open(QIODevice::ReadOnly))
            return QString::fromUtf8(file.read(kMaxOsReleaseBytes));
    }
    return {};
}

}  // namespace

QString SystemNameFromOsRelease(const QString &osRelease, const QString &kernelRelease)
{
    const QHash<QString, QString> values = ParseOsRelease(osRelease);
    QString name = values.value(QStringLiteral("PRETTY_NAME")).trimmed();
    if (name.isEmpty())
        name = (values.value(QStringLiteral("NAME")).trimmed() + u' '
                + values.value(QStringLiteral("VERSION")).trimmed()).trimmed();
    if (name.isEmpty())
        name = QStringLiteral("Linux");
    const QString kernel = kernelRelease.trimmed();
    return kernel.isEmpty() ? name : name + QStringLiteral(" - kernel ") + kernel;
}

QString GetWindowsName()
{
    return SystemNameFromOsRelease(ReadOsRelease(), QSysInfo::kernelVersion());
}

QString MediaLibrariesVersionText(unsigned avcodecVersion, const QString &ffmpegVersion)
{
    const QString libavcodec = QStringLiteral("libavcodec %1.%2.%3")
                                   .arg(avcodecVersion >> 16)
                                   .arg((avcodecVersion >> 8) & 0xFF)
                                   .arg(avcodecVersion & 0xFF);
    return ffmpegVersion.isEmpty() ? libavcodec : libavcodec + QStringLiteral(" (FFmpeg ") + ffmpegVersion + u')';
}

QString GetDirectXVersion()
{
    const char *ffmpegVersion = av_version_info();
    return MediaLibrariesVersionText(avcodec_version(), QString::fromUtf8(ffmpegVersion ? ffmpegVersion : ""));
}

QString AboutSystemLine(const QString &systemName, const QString &mediaVersion)
{
    return QString::asprintf(kAboutSystemLine, systemName.toUtf8().constData(), mediaVersion.toUtf8().constData());
}
