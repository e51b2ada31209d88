// Desktop entries, this platform's shortcuts. The "send to" shortcut is an entry in the
// user's applications folder that offers the program for AVI files, so file managers
// list it under "Open with". Any thread; each call writes or removes one file.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

struct DesktopEntry {
    QString name;           // Name=
    QString target;         // the program, quoted into Exec= and followed by %F
    QString workingFolder;  // Path=, left out when empty
    QString description;    // Comment=
    QStringList mimeTypes;  // MimeType=, left out when empty
};

// The text of the entry's file, values escaped as the Desktop Entry format requires.
QByteArray DesktopEntryText(const DesktopEntry &entry);

// Writes the entry to linkPath atomically, creating its folder; true on success.
bool CreateShellLink(const QString &linkPath, const DesktopEntry &entry);

// Where the shortcut of that name lives: the lower-cased name + ".desktop" in the
// user's applications folder; empty when there is none or the name is no file name.
QString SendToShortcutPath(const QString &name);

// The shortcut "name" to the running executable for AVI files, described as
// "Shortcut to " + name; true when it was written.
bool CreateSendToShortcut(const QString &name);

// Removes that shortcut; true when it was there and is gone.
bool DeleteSendToShortcut(const QString &name);
