// The texts of the file information panel for one item, the panel's captions, and
// the texts its copy commands put on the clipboard. The panel itself is a widget
// that shows these. Pure functions of the item and the display format; any thread.
#pragma once

#include "files/avifichier.h"

#include <QString>
#include <QStringList>

#include <array>

struct TFileInfoTexts {
    QString name;
    QString datecode;
    QString timecode;
    QString codec;
    QString image;
    QString duration;
    QString fps;
    QString audio;
    QString audioCodec;
    QString hint;
    bool scnVisible = false;
    bool srtVisible = false;
};

TFileInfoTexts FileInfoTexts(const TaviFichier &item);
// The panel with no item: "---" everywhere, companions hidden, no hint.
TFileInfoTexts ClearedFileInfoTexts();

// The captions of the label pairs, in panel order, and their font.
QStringList FileInfoCaptions();
inline const QString kFileInfoFontName = QStringLiteral("Arial");

// The name label's font height (negative, in pixels): -13, made smaller when the
// name is wider than the bevel less 10 pixels, but never below 8 points at dpi.
int NameFontHeight(int textWidth, int bevelWidth, int dpi = 96);

// A number as general text with up to 15 significant digits and the locale's
// decimal separator: 25 → "25", 29.97 → "29.97".
QString GeneralNumberText(double value);
// The size of a file with thousands separators.
QString FileSizeText(const TSRFichier &item);

enum class TCopyCommand {
    Datecode,
    Timecode,
    Codec,
    ImageSize,
    Duration,
    Framerate,
    Audio,
    FullName,
    ShortName,
    FileDate,
    FileSize,
};

struct TCopyCommandRow {
    TCopyCommand command;
    QString caption;
};

// The panel's pop-up menu, in menu order.
const std::array<TCopyCommandRow, 11> &CopyCommands();

// The text a copy command puts on the clipboard; texts are the panel's labels,
// shown the item, which may be none (commands that read it then copy nothing).
QString CopyText(TCopyCommand command, const TFileInfoTexts &texts, const TaviFichier *shown);
