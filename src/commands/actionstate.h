// The state of a main-window action that starts a command, derived from the
// command's conditions over the files it would take. UI thread, like the list.
#pragma once

class tCustomCmd;
class TCommandEngine;
class TCustomFichierListBox;

struct TActionState {
    bool visible = true;
    bool enabled = true;
};

// From the visibility the window's own rules gave the action (its enabled state
// starting equal): the command's condition may hide it; a single-file command
// follows its file condition on the active file (disabled without one), a
// selection or all-files command is enabled while its condition enables at least
// one of those files.
TActionState CommandActionState(tCustomCmd &cmd, TCommandEngine &ce, const TCustomFichierListBox &list,
                                bool visible);
