#include "files/iteminfo.h"

#include "base/datetimeformat.h"
#include "files/avifichier.h"

#include <QJsonValue>
#include <QRegularExpression>

bool IsUnreadable(const TaviFichier &item)
{
    return item.datecodeKey == QString(kDatecodeKeyUnreadable);
}

QJsonObject ItemInfoJson(const TaviFichier &item)
{
    const bool dated = item.dvInfo && item.datecode != 0;
    static const QRegularExpression timecodeForm(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d\\d\\.\\d\\d$"));
    const bool timed = item.dvInfo && timecodeForm.match(item.timecodeText).hasMatch();
    const QJsonValue null(QJsonValue::Null);
    QJsonObject object;
    object[QStringLiteral("path")] = item.path;
    object[QStringLiteral("datecode")] =
        dated ? QJsonValue(FormatDateTime(QStringLiteral("yyyy-mm-dd'T'hh:nn:ss"), item.datecode)) : null;
    object[QStringLiteral("datecodeText")] = item.datecodeText;
    object[QStringLiteral("timecode")] = timed ? QJsonValue(QString(item.timecodeText).replace(u'.', u':')) : null;
    object[QStringLiteral("codec")] = item.codec;
    object[QStringLiteral("dvType")] = item.dvInfo && item.type > 0 ? QJsonValue(item.type) : null;
    object[QStringLiteral("system")] = !item.dvInfo || item.system == kSystemUnknown ? null
                                       : item.system == kSystemPal              ? QJsonValue(QStringLiteral("PAL"))
                                                                                : QJsonValue(QStringLiteral("NTSC"));
    object[QStringLiteral("wide")] = item.wide;
    object[QStringLiteral("width")] = item.width;
    object[QStringLiteral("height")] = item.height;
    object[QStringLiteral("fps")] = item.fps;
    object[QStringLiteral("frames")] = item.frameCount;
    object[QStringLiteral("duration")] = item.durationText;
    object[QStringLiteral("audio")] = item.audioText;
    object[QStringLiteral("hasScn")] = item.hasScn;
    object[QStringLiteral("hasSrt")] = item.hasSrt;
    return object;
}
