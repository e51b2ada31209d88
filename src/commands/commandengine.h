// The command engine: runs one command description over files of the list, one
// file and one pass after the other, on a worker thread of its own (TceThread),
// asking the command's questions, reporting its messages, errors and progress,
// honouring "Abort" and "Abort all" and applying the command's changes to the list.
//
// The engine lives on the UI thread, which owns the file lists and the user
// interface. RunCommand, Abort and AbortAll are called there. Everything the
// worker reports or asks, and every change of the list, runs on the UI thread
// through Synchronize, while the worker waits; nothing is queued without waiting.
// One run at a time: a RunCommand during a run is refused, except once the run has
// announced its end (a script's next line), when it waits for the worker to finish.
#pragma once

#include "commands/commandtypes.h"
#include "files/itemclass.h"

#include <QObject>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

class TCommandFileList;
class TUserInterface;
class tCustomCmd;
class TCommandEngine;

// The worker of one run. It ends with the run.
class TceThread final : public QThread {
public:
    explicit TceThread(TCommandEngine &engine) : engine_(engine) {}

    // The graph-end event: auto-reset, so one signal releases one wait.
    void SignalGraphEnd();
    // True when the time ran out, false when the event was signalled.
    bool WaitGraphEnd(int milliseconds);

protected:
    void run() override;

private:
    TCommandEngine &engine_;
    std::mutex mutex_;
    std::condition_variable signalled_;
    bool graphEnded_ = false;
};

class TCommandEngine : public QObject {
    Q_OBJECT

public:
    using FileEvent = std::function<void(TAbstractListFichier *aFichier, const QStringList &aParams, int passe)>;

    explicit TCommandEngine(QObject *parent = nullptr);
    // Waits for a run in progress to end.
    ~TCommandEngine() override;

    // Set up on the UI thread before any run.
    // The class of the items made for new and reloaded files.
    void SetFichierClass(const TlfCLass &itemClass) { fichierClass_ = itemClass; }
    void SetSourceFichierListbox(TCommandFileList *list) { source_ = list; }
    void SetDestFichierListbox(TCommandFileList *list) { destination_ = list; }
    void SetUserInterface(TUserInterface *user) { user_ = user; }
    TUserInterface *UserInterface() const { return user_; }

    enum class RunResult {
        Started,
        Refused,  // no list, the command's condition, nothing to take: nothing happened
        Busy,     // a run is in progress; nothing happened
    };
    // UI thread. Returns at once; the run goes on on the worker.
    RunResult RunCommand(tCustomCmd &cmd, const QStringList *params = nullptr);
    void Abort();
    void AbortAll();
    bool IsRunning() const { return running_.load(std::memory_order_acquire); }
    // Waits for the run in progress to end; false after the time (negative: no limit).
    // On the engine's thread it serves the worker's synchronised calls meanwhile.
    bool WaitForIdle(int milliseconds) const;

    // Worker thread.
    bool IsAborted() const { return aborted_.load(std::memory_order_acquire); }
    void CommandMessage(const QString &msg);
    void CommandError(const QString &msg, TErrorType errorType);
    void StartProgress(int max);
    void SetProgress(int pos);
    void EndProgress();
    bool WaitGraphEnd(int milliseconds);
    // Any thread.
    void SignalGraphEnd();
    // Runs the procedure on the engine's thread and waits for it; an exception it
    // throws is thrown again here. Run directly when already on that thread.
    void Synchronize(const std::function<void()> &procedure);
    // A confirmation question through the user interface (Yes to all without one).
    TMsgAnswer Ask(const QString &question);

    // The list updates that carry out a command's UpdateFile value, on the worker.
    void UpdateAdd(const QString &dest);
    void UpdateRemove();
    void UpdateReload();
    void UpdateReplace(const QString &dest);
    void UpdateRename(const QString &dest);

    // The state of the run; written by the worker, read by the handlers it calls.
    TErrorType ErrorType = TErrorType::etNoError;
    QString ErrorText;
    TMsgAnswer Answer = kAnswerYes;
    QStringList Params;
    TAbstractListFichier *Current = nullptr;
    std::vector<std::pair<QString, TFichierRef>> Files;
    int Passe = 0;
    QString MessageText;
    int FileCount = 0;
    int ProgressMax = 0;
    int ProgressPos = 0;
    tCustomCmd *Cmd() const { return cmd_; }

    // Events, run on the UI thread while the worker waits.
    std::function<void()> OnStartCommand;
    std::function<void()> OnEndCommand;
    FileEvent OnStartFichier;
    FileEvent OnEndFichier;
    std::function<void(const QString &aMsg)> OnMessageCommand;
    std::function<void(const QString &aMsg, TErrorType aErrorType)> OnErrorCommand;
    std::function<void(int progress)> OnStartProgress;
    std::function<void(int progress)> OnSetProgress;
    std::function<void()> OnEndProgress;

private:
    friend class TceThread;

    bool TakeFiles(const tCustomCmd &cmd);
    void Execute();
    void RunFiles();
    void RunPasses();
    void StartOfCommand();
    void EndOfCommand();
    void SelectCurrent();
    TFichierRef MakeItem(const QString &path) const;
    void RejoinList(TAbstractListFichier *item);

    TlfCLass fichierClass_;
    TFichierRef currentRef_;  // keeps Current alive while the list lets go of it
    TCommandFileList *source_ = nullptr;
    TCommandFileList *destination_ = nullptr;
    TUserInterface *user_ = nullptr;
    tCustomCmd *cmd_ = nullptr;
    std::unique_ptr<TceThread> thread_;
    std::atomic<bool> aborted_{false};
    std::atomic<bool> abortedAll_{false};
    std::atomic<bool> running_{false};
    std::atomic<bool> finishing_{false};  // the end of the command is being announced
    bool serving_ = false;                // the engine's thread runs a call of the worker
    mutable std::mutex idleMutex_;
    mutable std::condition_variable idle_;
};
