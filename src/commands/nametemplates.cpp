#include "commands/nametemplates.h"

#include "base/datetimeformat.h"
#include "base/localtime.h"
#include "base/paths.h"

#include <QFile>
#include <QFileInfo>

#include <array>

namespace {

constexpr std::array kRemovableSuffixes = {"type2", "type1", "in", "ntsc", "pal", "16x9", "4x3", "am", "pm", "dvtype2"};

QString WithCounter(const QString &path, int counter)
{
    const QString ext = ExtractFileExt(path);
    return path.left(path.size() - ext.size()) + QStringLiteral("_%1").arg(counter) + ext;
}

bool FileExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

// The text after the last "_", or none.
std::optional<QString> LastSuffix(const QString &base)
{
    const qsizetype underscore = base.lastIndexOf(u'_');
    if (underscore < 0)
        return std::nullopt;
    return base.mid(underscore + 1);
}

}  // namespace

QString DatecodeTemplate(bool before)
{
    return before ? QStringLiteral("%D_%F%E") : QStringLiteral("%F_%D%E");
}

QString TimecodeTemplate(bool before)
{
    return before ? QStringLiteral("%T_%F%E") : QStringLiteral("%F_%T%E");
}

TNameValues NameValuesOfPath(const QString &path)
{
    TNameValues values;
    values.folder = ExtractFilePath(path);
    values.ext = ExtractFileExt(path);
    const QString name = ExtractFileName(path);
    values.bare = name.left(name.size() - values.ext.size());
    return values;
}

QString ExpandTemplateName(const QString &nameTemplate, const QString &dateFormat, const TNameValues &values)
{
    QString result = nameTemplate;
    const std::pair<const char *, QString> replacements[] = {
        {"%F", values.bare},
        {"%E", values.ext},
        {"%D", FormatDateTime(dateFormat, values.datecode)},
        {"%T", values.timecode},
        {"%C", values.codec},
        {"%I", values.image},
        {"%A", values.audio},
        {"%U", values.duration},
    };
    for (const auto &[placeholder, text] : replacements)
        result.replace(QLatin1String(placeholder), text, Qt::CaseInsensitive);
    for (QChar &c : result) {
        if (c == u'<' || c == u'>' || c == u'"' || c == u'/' || c == u'\\' || c == u'|')
            c = u'_';
        else if (c == u':')
            c = u'.';
    }
    return result;
}

QString ExpandTemplate(const QString &nameTemplate, const QString &dateFormat, const TNameValues &values)
{
    return values.folder + ExpandTemplateName(nameTemplate, dateFormat, values);
}

TNameValues PreviewNameValues(TDateTime now)
{
    TNameValues values;
    values.bare = QStringLiteral("Video");
    values.ext = QStringLiteral(".avi");
    values.datecode = now;
    values.timecode = QStringLiteral("0.54.32.10");
    values.codec = QStringLiteral("dvsd");
    values.image = QStringLiteral("640x480");
    values.audio = QStringLiteral("48000Hz 16bits stereo");
    values.duration = QStringLiteral("30s 12fr");
    return values;
}

QString FreeName(const QString &path)
{
    QString candidate = path;
    for (int counter = 1; FileExists(candidate); ++counter)
        candidate = WithCounter(path, counter);
    return candidate;
}

bool IsRemovableSuffix(const QString &suffix)
{
    const QString s = suffix.toLower().trimmed();
    for (const char *removable : kRemovableSuffixes)
        if (s == QLatin1String(removable))
            return true;
    if (s.startsWith(u'(') && s.endsWith(u')'))
        return true;
    for (qsizetype i = 0; i + 1 < s.size(); ++i)
        if (s[i] >= u'a' && s[i] <= u'z')
            return false;
    return true;
}

bool CanShortenName(const QString &path)
{
    const std::optional<QString> suffix = LastSuffix(path.left(path.size() - 4));
    return suffix && IsRemovableSuffix(*suffix);
}

QString ShortenedName(const QString &path)
{
    QString base = path.left(path.size() - 4);
    for (std::optional<QString> suffix = LastSuffix(base); suffix && IsRemovableSuffix(*suffix);
         suffix = LastSuffix(base))
        base.chop(suffix->size() + 1);
    const QString extension = QStringLiteral(".avi");
    QString candidate = base;
    for (int counter = 1; QFile::exists(candidate + extension); ++counter)
        candidate = base + QStringLiteral("_%1").arg(counter);
    return candidate + extension;
}

bool RenameWithCompanions(const QString &source, const QString &destination)
{
    if (!QFile::rename(source, destination))
        return false;
    for (const QString &companion : {QStringLiteral(".scn"), QStringLiteral(".srt")}) {
        const QString from = ChangeFileExt(source, companion);
        if (QFile::exists(from))
            QFile::rename(from, ChangeFileExt(destination, companion));
    }
    return true;
}

QString FileDatesQuestion(const QString &fileName, TDateTime created, TDateTime modified, TDateTime newDate)
{
    const QString pattern = QStringLiteral("ddddd tt");
    const QString dates = QStringLiteral("\r\n\r\nOld creation date: ") + FormatDateTime(pattern, created) +
                          QStringLiteral("\r\nOld modified date:  ") + FormatDateTime(pattern, modified) +
                          QStringLiteral("\r\nNew date : ") + FormatDateTime(pattern, newDate);
    const QString question =
        QStringLiteral("Do you really want to modify the dates of the file '") + fileName + QStringLiteral("'") + dates;
    if (question.size() <= 254)
        return question;
    return QStringLiteral("Do you really want to change the dates of this file?") + dates;
}

bool SetFileDates(const QString &path, TDateTime localTime)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly))
        return false;
    const QDateTime time = QDateTimeFromDateTime(localTime);
    // Most file systems here keep the birth time to themselves; the modification time is what counts.
    file.setFileTime(time, QFileDevice::FileBirthTime);
    return file.setFileTime(time, QFileDevice::FileModificationTime);
}
