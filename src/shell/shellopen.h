// Handing files, folders and addresses to other programs: the file manager, the
// desktop's default handlers and programs started by path. Any thread: whatever has to
// happen on the application's thread is queued to it, and nothing here waits for the
// program it starts.
#pragma once

#include <QDBusConnection>
#include <QString>
#include <QStringList>

// Asks the file manager on the bus (org.freedesktop.FileManager1) to show the file
// selected in its folder; true when one answered without an error.
bool ShowInFileManager(const QDBusConnection &bus, const QString &path);

// Shows the file selected in a file-manager window; where no file manager answers on
// the session bus, opens the file's folder with the desktop's default handler.
void ShowInExplorer(const QString &path);

// Opens a local path, or an address with a scheme (https:, mailto: ...), with the
// desktop's default handler. Errors are ignored.
void OpenDocument(const QString &pathOrAddress);

// Starts the program detached with these arguments, never through a shell, so a file
// name can never run as a command; true when it started.
bool StartProgram(const QString &program, const QStringList &arguments);
