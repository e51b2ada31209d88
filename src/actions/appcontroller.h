// The core of the main window: the program-wide objects that outlive any window
// (preferences, the file list, the command engine, the actions and the two
// interpreters) and the state the window shows (the active file, the pending time
// difference, the command and scan messages). It answers the engine's events and
// the list's scan events, and carries out every action whose effect is not only
// visual. The main window and the headless batch runner each give it their user
// interface. UI thread only.
#pragma once

#include "actions/actionlist.h"
#include "actions/script.h"
#include "commands/commandengine.h"
#include "commands/commandtable.h"
#include "commands/listboxfiles.h"
#include "files/fichierlistbox.h"
#include "media/cdm.h"
#include "prefs/preferences.h"
#include "prefs/settings.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <mutex>

class tCustomCmd;
class TUserInterface;

class TAppController : public QObject {
public:
    explicit TAppController(TUserInterface &user, QObject *parent = nullptr);
    ~TAppController() override;

    TPreferences Preferences;
    TActionParams &Params() { return params_; }
    TActionList &Actions() { return actions_; }
    TCustomFichierListBox &List() { return list_; }
    TListBoxFiles &ListFiles() { return listFiles_; }
    TCommandEngine &Engine() { return engine_; }
    TdmAction &Table() { return *table_; }
    TScript &Script() { return script_; }
    TSwitch &Switch() { return switch_; }
    TUserInterface &User() { return user_; }

    // The video the window shows: the list's active item.
    const TFichierRef &ActiveFile() const { return list_.ActiveItem(); }

    // The difference "Add a time difference" gives each file (days), with its label.
    double PendingTimeDifference = 0;
    QString PendingTimeDifferenceText;
    const QString &CommandMessage() const { return commandMessage_; }
    const QString &ScanMessage() const { return scanMessage_; }

    // Starts the command; CommandRunning is set as soon as the run is accepted, so
    // an action that started it returns with the flag already up.
    TCommandEngine::RunResult RunCommand(tCustomCmd &cmd, const QStringList *params = nullptr);
    // The action runs the command with the action's parameters (or none).
    void BindCommand(TSuperAction &action, tCustomCmd &cmd, bool withParams);

    // What the preferences set on the list: the default playlist, the preferred
    // folder, the sort order, selecting opened files, the datecode display format.
    void ApplyPreferences();
    // Start: the preferences read from their store and applied.
    void LoadAndApplyPreferences();
    // Once the window (or the batch runner) is ready: the command line, or without
    // one the list of the last session when "Save list when quit" is on.
    void RunCommandLine(const QStringList &arguments);
    // At exit: the run in progress is aborted, the preferences saved in their store
    // (unless told not to, as in a batch run) and the list saved as the default
    // playlist when "Save list when quit" is on.
    void Shutdown(bool savePreferences);
    TStorageMode StorageMode = TStorageMode::kNone;

    // Closes the main window or ends the batch run ("Quit", the end of a script
    // that read "quit").
    std::function<void()> OnQuit;
    // The window shows the active file afresh after a command.
    std::function<void()> OnRefreshActiveView;
    // What the window's parts do for the commands; empty without a window.
    std::function<void(const QString &path)> OnReleaseFile;
    std::function<TSceneList *(const QString &videoPath)> OnSceneEditorList;
    std::function<void()> OnRestoreSceneEditor;
    std::function<void(const QString &path)> OnOpenRiffReport;

private:
    void BindEngineEvents();
    void BindScanEvents();
    void BindListActions();
    void BindCommandActions();
    TActionContext CommandContext();
    void ShowStatusLine();
    void StartScan(const std::function<void()> &open);
    void Bind(const char *name, std::function<void()> handler);
    QString FirstParam() const;

    TUserInterface &user_;
    TActionParams params_;
    TActionList actions_{params_};
    TCustomFichierListBox list_;
    TListBoxFiles listFiles_{list_};
    TCommandEngine engine_;
    // The conversion graph of the graph commands; it outlives the table.
    TCdm cdm_;
    std::unique_ptr<TdmAction> table_;
    // The preferences as the commands of a run read them, taken when the run starts.
    mutable std::mutex preferencesLock_;
    TPreferences runPreferences_;
    TScript script_{actions_, params_};
    TSwitch switch_{actions_, params_};
    QString commandMessage_;
    QString scanMessage_;
};
