// Where the commands write: the destination rules of the command table and the
// questions of its recycle-bin commands. Pure functions; any thread.
#pragma once

#include <QString>

#include <optional>

// With "Save in the same folder", the path with its extension replaced by the
// suffix; otherwise the folder (which carries its own trailing "/") followed by
// the file's name with its extension replaced.
QString MakeDestination(const QString &path, const QString &suffix, bool sameFolder, const QString &folderWhereToSave);

// "_(+1days12h).avi" for a shift of 1.5 days, "_(-30mn).avi" for minus 30 minutes.
QString TimeShiftSuffix(double days);
// The suffix for the parameter text (a decimal number in the locale's or the C
// form); none when it is no number.
std::optional<QString> TimeShiftSuffixOf(const QString &parameter);

// "Do you really want to delete the file NAME ?" and the recycle-bin line; the
// short form when that is longer than 254 characters.
QString DeleteFileQuestion(const QString &fileName);
