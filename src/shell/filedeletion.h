// Deleting files: for good, or to the freedesktop trash from which the user can take
// them back. Any thread (the command engine's worker sends videos to the trash).
#pragma once

#include <QString>

// Makes the file writable by its owner, then deletes it; true when it was deleted.
// A symbolic link is removed without touching its target; when the deletion fails the
// file keeps the permissions it had.
bool DeleteFileForced(const QString &path);

// Moves the file to the user's trash, where the desktop's trash can shows it; true only
// when the file is no longer in its folder. Refuses (false, file untouched) when the home
// trash under $XDG_DATA_HOME cannot be made.
bool SendToRecycleBin(const QString &path);
