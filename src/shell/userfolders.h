// The user's default folders for the preferences: the XDG user folders. Any thread.
// The results carry no trailing '/' (the preferences add it where they need one), and
// are always existing folders, falling back when the XDG folder is missing.
#pragma once

#include <QString>

// The XDG documents folder, or the home folder.
QString GetDocumentsFolder();

// The XDG videos folder, or the documents folder.
QString GetVideoFolder();
