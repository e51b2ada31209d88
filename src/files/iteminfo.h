// What `morvik --info` prints of a video: its detailed-list line, or a JSON object
// of the item's fields. Pure over a built item; any thread.
#pragma once

#include <QJsonObject>
#include <QString>

class TaviFichier;

// No readable AVI, or neither video nor sound in it.
bool IsUnreadable(const TaviFichier &item);

// path, datecode (local "2004-07-14T10:32:05" or null), datecodeText, timecode
// ("00:00:02:17" or null), codec, dvType (1, 2 or null), system ("PAL", "NTSC" or
// null), wide, width, height, fps, frames, duration, audio, hasScn, hasSrt.
QJsonObject ItemInfoJson(const TaviFichier &item);
