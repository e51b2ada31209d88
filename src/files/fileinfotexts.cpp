#include "files/fileinfotexts.h"

#include "base/datetimeformat.h"
#include "base/formatsettings.h"
#include "base/textformat.h"
#include "files/itemsettings.h"

#include <algorithm>

namespace {

constexpr int kNameFontHeight = -13;
constexpr int kBevelMargin = 10;
constexpr int kSmallestNamePoints = 8;
constexpr int kPointsPerInch = 72;

const QString kCleared = QStringLiteral("---");

const std::array<TCopyCommandRow, 11> kCopyCommands = {{
    {TCopyCommand::Datecode, QStringLiteral("Copy the datecode")},
    {TCopyCommand::Timecode, QStringLiteral("Copy the timecode")},
    {TCopyCommand::Codec, QStringLiteral("Copy the codec")},
    {TCopyCommand::ImageSize, QStringLiteral("Copy the size of image")},
    {TCopyCommand::Duration, QStringLiteral("Copy the duration")},
    {TCopyCommand::Framerate, QStringLiteral("Copy the framerate")},
    {TCopyCommand::Audio, QStringLiteral("Copy audio")},
    {TCopyCommand::FullName, QStringLiteral("Copy the full name")},
    {TCopyCommand::ShortName, QStringLiteral("Copy the short name")},
    {TCopyCommand::FileDate, QStringLiteral("Copy the file date")},
    {TCopyCommand::FileSize, QStringLiteral("Copy the size of file")},
}};

}  // namespace

QString GeneralNumberText(double value)
{
    QString text = QString::number(value, 'g', 15);
    text.replace(QLatin1Char('.'), CurrentFormatSettings().decimalSeparator);
    return text;
}

QString FileSizeText(const TSRFichier &item)
{
    return FormatText(QStringLiteral("%.0n"), {static_cast<double>(item.Size())});
}

TFileInfoTexts FileInfoTexts(const TaviFichier &item)
{
    TFileInfoTexts texts;
    texts.name = item.name;
    texts.datecode = ShownDatecode(item);
    texts.scnVisible = item.hasScn;
    texts.srtVisible = item.hasSrt;
    texts.timecode = item.timecodeText;
    texts.codec = CodecWithType(item);
    texts.image = item.imageText + item.aspectText;
    texts.duration = DurationWithAudio(item);
    texts.fps = item.fps > 0 ? GeneralNumberText(item.fps) : QString();
    texts.audio = item.audioText;
    texts.audioCodec = item.audioCodecText;
    texts.hint = QStringLiteral("File     : ") + item.path + QStringLiteral("Size     : ") + FileSizeText(item)
                 + QStringLiteral("Modified : ") + FormatDateTime(DatecodeDisplayFormat(), item.modified);
    return texts;
}

TFileInfoTexts ClearedFileInfoTexts()
{
    TFileInfoTexts texts;
    for (QString *label : {&texts.name, &texts.datecode, &texts.timecode, &texts.codec, &texts.image,
                           &texts.duration, &texts.fps, &texts.audio, &texts.audioCodec})
        *label = kCleared;
    return texts;
}

QStringList FileInfoCaptions()
{
    return {QStringLiteral("Datecode"), QStringLiteral("Timecode"), QStringLiteral("codec"),
            QStringLiteral("Image"),    QStringLiteral("Duration"), QStringLiteral("Fps"),
            QStringLiteral("Audio"),    QStringLiteral("scn")};
}

int NameFontHeight(int textWidth, int bevelWidth, int dpi)
{
    const int room = bevelWidth - kBevelMargin;
    if (textWidth <= room || textWidth <= 0)
        return kNameFontHeight;
    const int smallest = -((kSmallestNamePoints * dpi + kPointsPerInch / 2) / kPointsPerInch);
    return std::min(room * kNameFontHeight / textWidth, smallest);
}

const std::array<TCopyCommandRow, 11> &CopyCommands()
{
    return kCopyCommands;
}

QString CopyText(TCopyCommand command, const TFileInfoTexts &texts, const TaviFichier *shown)
{
    switch (command) {
    case TCopyCommand::Datecode:
        return texts.datecode;
    case TCopyCommand::Timecode:
        return texts.timecode;
    case TCopyCommand::Codec:
        return texts.codec;
    case TCopyCommand::ImageSize:
        return texts.image;
    case TCopyCommand::Duration:
        return texts.duration;
    case TCopyCommand::Framerate:
        return texts.fps;
    case TCopyCommand::Audio:
        return texts.audio + QChar(13) + texts.audioCodec;
    case TCopyCommand::FullName:
        return shown ? shown->path.toLower() : QString();
    case TCopyCommand::ShortName:
        return shown ? shown->name.toLower() : QString();
    case TCopyCommand::FileDate:
        return shown ? FormatDateTime(DatecodeDisplayFormat(), shown->modified) : QString();
    case TCopyCommand::FileSize:
        return shown ? FileSizeText(*shown) : QString();
    }
    return {};
}
