// Text operations on '/'-separated file paths, for the preferences, the exports and
// the file list's extension test. Pure functions; any thread.
#pragma once

#include <QString>

// The value with its first oldPrefix.size() characters replaced by newPrefix when its
// folder (up to and including the last '/') begins with oldPrefix, ignoring letter case.
// Unchanged when that is not so or when any of the three texts is empty.
QString RebasePath(const QString &value, const QString &oldPrefix, const QString &newPrefix);

// The name after the last '/' without its extension, which begins at the name's last '.'.
QString FileNameWithoutExt(const QString &path);

// Whether the name's extension, lower-cased, is ".avi".
bool IsAviFile(const QString &path);
