#include "files/detailedlist.h"

#include "base/datetimeformat.h"
#include "files/avifichier.h"
#include "files/durationformat.h"
#include "files/fichierlistbox.h"
#include "files/fileinfotexts.h"
#include "files/itemsettings.h"

#include <QStringList>

namespace {

const TaviFichier *Video(const TFichierRef &item)
{
    return dynamic_cast<const TaviFichier *>(item.get());
}

}  // namespace

QString DetailedListLine(const TaviFichier &item)
{
    const QString comma = QStringLiteral(",");
    return item.path + comma + ShownDatecode(item) + comma
           + (item.hasScn ? QStringLiteral("scn,") : QStringLiteral("no scn,"))
           + (item.hasSrt ? QStringLiteral("srt,") : QStringLiteral("no srt,")) + item.timecodeText + comma
           + CodecWithType(item) + comma + item.imageText + item.aspectText + comma + DurationWithAudio(item)
           + comma + (item.fps > 0 ? GeneralNumberText(item.fps) : QString()) + comma + item.audioText + comma
           + item.audioCodecText + comma + FileSizeText(item) + comma
           + FormatDateTime(DatecodeDisplayFormat(), item.modified) + comma;
}

TextFileWrite SaveDetailedList(const TCustomFichierListBox &list, const QString &file)
{
    QStringList lines;
    for (int row = 0; row < list.Count(); ++row)
        if (const TaviFichier *video = Video(list.Item(row)))
            lines << DetailedListLine(*video);
    return WriteTextFileUtf16(file, lines);
}

QString TotalDurationText(const TCustomFichierListBox &list)
{
    int64_t selected = 0;
    int64_t total = 0;
    for (int row = 0; row < list.Count(); ++row) {
        const TaviFichier *video = Video(list.Item(row));
        if (!video)
            continue;
        total += video->duration;
        if (list.Selected(row))
            selected += video->duration;
    }
    return QStringLiteral("Duration of selected videos  = ") + MillisecondDurationText(selected)
           + QStringLiteral("\r\n\r\nTotal duration of all videos listed = ") + MillisecondDurationText(total);
}
