// The detailed list: one comma-separated line of properties per video of the
// list, in UTF-16 with a byte-order mark; and the text of the total duration of
// the listed and the selected videos. The list's thread.
#pragma once

#include "base/textfile.h"

#include <QString>

class TCustomFichierListBox;
class TaviFichier;

// path, datecode, scn, srt, timecode, codec and type, image, duration, fps, audio,
// audio codec, size, modification date, each followed by ",".
QString DetailedListLine(const TaviFichier &item);

// Writes a line for each video row, replacing file only once all is written; a
// failure leaves the file as it was and says why.
TextFileWrite SaveDetailedList(const TCustomFichierListBox &list, const QString &file);

// The message of "Total duration of videos": the selected rows' and all rows'
// summed durations, in milliseconds format.
QString TotalDurationText(const TCustomFichierListBox &list);
