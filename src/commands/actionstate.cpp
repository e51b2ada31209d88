#include "commands/actionstate.h"

#include "commands/commanddescriptions.h"
#include "files/fichierlistbox.h"

namespace {

bool EnablesAny(tCustomCmd &cmd, const TCustomFichierListBox &list, bool selectedOnly)
{
    for (int row = 0; row < list.Count(); ++row) {
        if (selectedOnly && !list.Selected(row))
            continue;
        bool visible = true;
        bool enabled = true;
        cmd.FileCondition(list.Item(row).get(), visible, enabled);
        if (enabled)
            return true;
    }
    return false;
}

}  // namespace

TActionState CommandActionState(tCustomCmd &cmd, TCommandEngine &ce, const TCustomFichierListBox &list,
                                bool visible)
{
    TActionState state{visible, visible};
    if (cmd.OnCommandCondition)
        state.visible = state.visible && cmd.CommandCondition(ce);
    switch (cmd.Nombre) {
    case TcmdNombre::fnNone:
        break;
    case TcmdNombre::fnSingle:
        if (const TFichierRef &active = list.ActiveItem()) {
            bool fileVisible = true;
            bool fileEnabled = true;
            cmd.FileCondition(active.get(), fileVisible, fileEnabled);
            state.visible = state.visible && fileVisible;
            state.enabled = state.enabled && fileEnabled;
        } else {
            state.enabled = false;
        }
        break;
    case TcmdNombre::fnSelect:
        state.enabled = state.enabled && EnablesAny(cmd, list, true);
        break;
    case TcmdNombre::fnAll:
        state.enabled = state.enabled && EnablesAny(cmd, list, false);
        break;
    }
    return state;
}
