// The command table: every batch command that works without a media graph, as a
// command description with its settings and the handlers that give it its own
// behaviour (which files qualify, where it writes, what it asks, the work), and
// the link from a main-window action ("cc" + command name) to its command.
//
// The table owns its descriptions for its whole life and is built on the
// user-interface thread; the engine calls the handlers on the threads its
// descriptions say. The context outlives the table.
#pragma once

#include "commands/actioncontext.h"
#include "commands/commanddescriptions.h"
#include "scenes/scenelist.h"

#include <QString>

#include <memory>
#include <utility>
#include <vector>

using TcmdList = std::vector<std::unique_ptr<tCustomCmd>>;

class TdmAction {
public:
    explicit TdmAction(TActionContext context);
    TdmAction(const TdmAction &) = delete;
    TdmAction &operator=(const TdmAction &) = delete;

    // The command of that name (any letter case), null when there is none.
    tCustomCmd *FindCommand(const QString &name) const;
    // The command an action starts: its name less "cc", looked up in the index;
    // null for an action without command.
    tCustomCmd *CommandOfAction(const QString &actionName) const;

    const TcmdList &Commands() const { return cl; }
    // The window completes it once its parts exist (the player fills scene texts);
    // not while a command runs.
    TActionContext &Context() { return context_; }

private:
    template <class Kind>
    Kind &Add(const char *name, const char *caption, const char *category, TcmdNombre nombre)
    {
        auto cmd = std::make_unique<Kind>();
        cmd->Name = QString::fromLatin1(name);
        cmd->Caption = QString::fromUtf8(caption);
        cmd->Category = QString::fromUtf8(category);
        cmd->Nombre = nombre;
        Kind &added = *cmd;
        index_.emplace_back(cmd->Name.toLower(), cmd.get());
        cl.push_back(std::move(cmd));
        return added;
    }

    void AddFileCommands();
    // The graph rows; AddGraphRow adds the conversion of that name.
    void AddGraphCommands();
    void AddGraphRow(const char *name);
    void AddScnByDate();
    void AddCutScenes();
    void AddScnByContenu();
    void AddSrt();
    void AddCompanionDeletions();
    void AddProgramCommands();
    void AddHeaderPatches();
    void AddRenameCommands();
    void AddSceneCommands();
    void AddListCommands();

    TPreferences Preferences() const;
    // Worker thread: lets the player go of the file before it is changed.
    void ReleaseFile(TCommandEngine &ce, const QString &path) const;

    TActionContext context_;
    // The scenes that CutScenes cuts, one per pass, read at its first pass.
    TSceneList cutScenes_;
    TcmdList cl;
    // Lower-cased name and command, in list order.
    std::vector<std::pair<QString, tCustomCmd *>> index_;
};
