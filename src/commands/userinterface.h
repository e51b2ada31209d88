// What the core needs of whoever talks to the user: the main window, the headless
// batch runner, or a test with scripted answers. Called on the thread that owns
// the implementation (the UI thread); the command engine gets there through its
// synchronised calls.
#pragma once

#include "commands/commandtypes.h"

#include <QString>

// The colour the status message is shown in.
enum class TStatusRole {
    Ready,    // the standard button face
    Command,  // a command is working: RGB(192, 220, 192)
    Scan,     // the folder scan left a message: RGB(166, 202, 240)
};

class TUserInterface {
public:
    virtual ~TUserInterface() = default;

    // A confirmation question; several: also offer "No to all" and "Yes to all".
    // Returns the button pressed.
    virtual TMsgAnswer Ask(const QString &question, bool several) = 0;
    // A modal error with one OK button.
    virtual void ShowError(const QString &message) = 0;
    // A message for the user's information, with one OK button.
    virtual void ShowInformation(const QString &message) = 0;
    virtual void ShowStatus(const QString &message, TStatusRole role) = 0;
    virtual void StartProgress(int maximum) = 0;
    virtual void SetProgress(int position) = 0;
    virtual void EndProgress() = 0;
};
