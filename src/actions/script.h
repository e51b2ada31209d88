// The interpreter of command lines and script files: each argument or line becomes
// an entry (action, mode, value), and the entries run one after the other, each
// waiting until the command or scan it started has ended. TScript runs script
// files, TSwitch the program's command line. UI thread only.
#pragma once

#include "actions/actionlist.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

// How an entry sets a two-state action before running it.
enum class TActionMode : uint8_t {
    On = 0,      // "+" or the value "true"
    Off = 1,     // "-" or "false"
    Switch = 2,  // "/" or "toggle"
    None = 3,    // no prefix
};

struct TActionEx {
    TCustomSuperAction *Action = nullptr;
    QString Value;
    TActionMode Mode = TActionMode::None;
};

class TCustomScript {
public:
    TCustomScript(const TActionList &actions, TActionParams &params);
    virtual ~TCustomScript() = default;

    // The action of an argument or line without a name; none allowed.
    TCustomSuperAction *DefaultAction = nullptr;
    // Closes the main window (the program then ends normally); run after a run
    // that read "quit".
    std::function<void()> OnQuit;

    void ParseArgument(const QString &arg);
    // Empties the entries, then parses every argument, first to last.
    void ParseCommandLine(const QStringList &arguments);
    // Empties the entries and parses every line; nothing when the file does not exist.
    void LoadScript(const QString &file);
    // Lower-cased: the default action for an empty name, none for "quit" (which
    // closes the program after the run), else the first action with that switch or token.
    TCustomSuperAction *FindAction(const QString &name);
    void Run();
    void Stop() { stopRequested_ = true; }
    void RunScriptFile(const QString &file);

    bool Executing() const { return executing_; }
    bool QuitAfterRun() const { return quitAfterRun_; }
    const std::vector<TActionEx> &Entries() const { return entries_; }
    void ClearEntries() { entries_.clear(); }

protected:
    TActionParams &params_;

private:
    void ParseScriptLine(const QString &line);
    void RunEntry(const TActionEx &entry);
    // Serves the pending events of the program's event loop.
    void ProcessMessages() const;

    const TActionList &actions_;
    bool stopRequested_ = false;
    bool executing_ = false;
    bool quitAfterRun_ = false;
    std::vector<TActionEx> entries_;
    int index_ = -1;
};

class TScript final : public TCustomScript {
public:
    using TCustomScript::TCustomScript;
};

// Runs the command line once the window (or the headless runner) is ready.
class TSwitch final : public TCustomScript {
public:
    using TCustomScript::TCustomScript;

    std::function<void()> OnNoCommandLine;

    // Parses and runs the arguments, or reports that there are none; then drops them.
    void RunCommandLine(const QStringList &arguments);
};

// The value of a script line's rest: trimmed, up to the first space, a double
// quote keeping spaces up to the next one; the quotes are not part of it.
QString ExtractScriptValue(const QString &rest);
