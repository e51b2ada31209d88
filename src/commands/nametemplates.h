// Names made from what a video records: the template language of the rename
// commands ("%F_%D%E" ...), free names that never overwrite, the shortening of
// the suffixes the conversions append, and the dates set on a file. Pure functions
// but for those that look at or change the disk; any thread.
#pragma once

#include "base/datetime.h"

#include <QString>

// What the placeholders of a template stand for.
struct TNameValues {
    QString folder;    // ends with "/"
    QString bare;      // %F: the file name without folder and extension
    QString ext;       // %E: the extension with its dot
    TDateTime datecode = 0;  // %D: the datecode plus the time difference
    QString timecode;  // %T
    QString codec;     // %C
    QString image;     // %I: image text and aspect text
    QString audio;     // %A
    QString duration;  // %U
};

// The templates of "Add datecode" and "Add timecode", the value put after or before the name.
QString DatecodeTemplate(bool before);
QString TimecodeTemplate(bool before);

// The folder, bare name and extension of a path; the other values stay empty.
TNameValues NameValuesOfPath(const QString &path);

// The template with its placeholders replaced (any letter case, in the order F E D
// T C I A U, each over the text so far), then the characters a file name cannot
// hold made safe: < > " / \ | become "_", ":" becomes ".". No folder.
QString ExpandTemplateName(const QString &nameTemplate, const QString &dateFormat, const TNameValues &values);
// The same in the file's folder.
QString ExpandTemplate(const QString &nameTemplate, const QString &dateFormat, const TNameValues &values);

// The values of the options panel's preview: a sample video recorded now.
TNameValues PreviewNameValues(TDateTime now);

// The path itself when no file has it, else the first of x_1.ext, x_2.ext ...
// that no file has. A folder of that name does not count.
QString FreeName(const QString &path);

// A suffix the conversions or an earlier rename append ("type2", "ntsc",
// "(+1days)", "1", "12b" ...), compared lower-cased and trimmed.
bool IsRemovableSuffix(const QString &suffix);
// "Shorten the name" applies: the path without its last four characters ends in
// "_" and a removable suffix.
bool CanShortenName(const QString &path);
// The path with every removable suffix cut, then made free with "_1", "_2" ...
// before ".avi".
QString ShortenedName(const QString &path);

// Renames the video, then its ".scn" and ".srt" companions when it succeeded.
bool RenameWithCompanions(const QString &source, const QString &destination);

// The question of "Modify the date of file", dates written with "ddddd tt".
QString FileDatesQuestion(const QString &fileName, TDateTime created, TDateTime modified, TDateTime newDate);
// Sets the file's modification time (and birth time where the file system lets it
// be set) to the local date and time; its access time stays. False on failure.
bool SetFileDates(const QString &path, TDateTime localTime);
