#include "commands/commandengine.h"

#include "commands/commanddescriptions.h"
#include "commands/commandfilelist.h"
#include "commands/userinterface.h"
#include "files/listfichier.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QMetaObject>

#include <exception>

namespace {

// An exception that escapes a run's loop ends the loop without a message.
template <typename Steps>
void EndSilentlyOnError(Steps &&steps)
{
    try {
        steps();
    } catch (...) {
    }
}

}  // namespace

void TceThread::SignalGraphEnd()
{
    {
        const std::lock_guard lock(mutex_);
        graphEnded_ = true;
    }
    signalled_.notify_one();
}

bool TceThread::WaitGraphEnd(int milliseconds)
{
    std::unique_lock lock(mutex_);
    const bool ended = signalled_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return graphEnded_; });
    graphEnded_ = false;
    return !ended;
}

void TceThread::run()
{
    engine_.Execute();
}

TCommandEngine::TCommandEngine(QObject *parent) : QObject(parent) {}

TCommandEngine::~TCommandEngine()
{
    WaitForIdle(-1);
    if (thread_)
        thread_->wait();
}

TCommandEngine::RunResult TCommandEngine::RunCommand(tCustomCmd &cmd, const QStringList *params)
{
    if (IsRunning()) {
        // A run that has announced its end only has its worker to let go of.
        if (!finishing_.load(std::memory_order_acquire) || serving_)
            return RunResult::Busy;
        WaitForIdle(-1);
    }
    if (!source_ || !destination_)
        return RunResult::Refused;
    if (!cmd.CommandCondition(*this))
        return RunResult::Refused;
    Files.clear();
    if (!TakeFiles(cmd))
        return RunResult::Refused;
    Params = params ? *params : QStringList();
    cmd_ = &cmd;
    aborted_ = false;
    abortedAll_ = false;
    if (thread_)
        thread_->wait();
    thread_ = std::make_unique<TceThread>(*this);
    finishing_ = false;
    running_ = true;
    thread_->start(QThread::HighestPriority);
    return RunResult::Started;
}

bool TCommandEngine::TakeFiles(const tCustomCmd &cmd)
{
    TCommandFileList &list = *source_;
    switch (cmd.Nombre) {
    case TcmdNombre::fnNone:
        FileCount = 0;
        return true;
    case TcmdNombre::fnSingle: {
        const int focused = list.FocusedIndex();
        if (focused < 0 || focused >= list.Count())
            return false;
        FileCount = 1;
        Files.emplace_back(list.EntryString(focused), list.EntryItem(focused));
        return true;
    }
    case TcmdNombre::fnSelect:
        if (list.SelectedCount() == 0)
            return false;
        FileCount = list.SelectedCount();
        for (int i = 0; i < list.Count(); ++i) {
            if (list.IsSelected(i)) {
                Files.emplace_back(list.EntryString(i), list.EntryItem(i));
                list.SetSelected(i, false);
            }
        }
        return true;
    case TcmdNombre::fnAll:
        if (list.Count() == 0)
            return false;
        FileCount = list.Count();
        for (int i = 0; i < list.Count(); ++i)
            Files.emplace_back(list.EntryString(i), list.EntryItem(i));
        for (int i = 0; i < list.Count(); ++i)
            list.SetSelected(i, false);
        return true;
    }
    return false;
}

void TCommandEngine::Abort()
{
    aborted_ = true;
    if (cmd_)
        EndSilentlyOnError([&] { cmd_->DoAbort(*this); });
}

void TCommandEngine::AbortAll()
{
    aborted_ = true;
    abortedAll_ = true;
    if (cmd_)
        EndSilentlyOnError([&] { cmd_->DoAbort(*this); });
}

bool TCommandEngine::WaitForIdle(int milliseconds) const
{
    QDeadlineTimer deadline(milliseconds < 0 ? QDeadlineTimer::Forever : QDeadlineTimer(milliseconds));
    if (QThread::currentThread() == thread()) {
        // The worker's synchronised calls need this thread: serve them while waiting.
        while (IsRunning() && !deadline.hasExpired()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            std::unique_lock lock(idleMutex_);
            idle_.wait_for(lock, std::chrono::milliseconds(2), [this] { return !IsRunning(); });
        }
        return !IsRunning();
    }
    std::unique_lock lock(idleMutex_);
    const auto idle = [this] { return !IsRunning(); };
    if (deadline.isForever()) {
        idle_.wait(lock, idle);
        return true;
    }
    return idle_.wait_for(lock, std::chrono::milliseconds(deadline.remainingTime()), idle);
}

void TCommandEngine::Execute()
{
    Answer = kAnswerYes;
    tCustomCmd &cmd = *cmd_;
    EndSilentlyOnError([&] {
        StartOfCommand();
        if (Files.empty()) {
            Current = nullptr;
            Passe = 1;
            do {
                cmd.DoExecution(nullptr, Params, *this, Passe);
                ++Passe;
            } while (Passe <= cmd.NbPasses);
        } else {
            RunFiles();
        }
    });
    finishing_ = true;
    EndSilentlyOnError([&] { EndOfCommand(); });
    cmd_ = nullptr;
    Current = nullptr;
    currentRef_.reset();
    {
        const std::lock_guard lock(idleMutex_);
        running_ = false;
    }
    idle_.notify_all();
}

void TCommandEngine::RunFiles()
{
    tCustomCmd &cmd = *cmd_;
    const size_t count = Files.size();
    for (size_t i = 0; i < count; ++i) {
        if (abortedAll_)
            return;
        if (aborted_) {
            aborted_ = false;
            continue;
        }
        currentRef_ = Files[i].second;
        Current = currentRef_.get();
        bool visible = true;
        bool enabled = true;
        cmd.FileCondition(Current, visible, enabled);
        if (!enabled)
            continue;
        RunPasses();
        if (Answer == kAnswerCancel)
            return;
    }
}

void TCommandEngine::RunPasses()
{
    tCustomCmd &cmd = *cmd_;
    Passe = 1;
    while (true) {
        bool ok = true;
        Synchronize([&] {
            ok = cmd.FileVerification(Current, Params, Passe, *this);
            if (!ok && Answer != kAnswerNoToAll && Answer != kAnswerYesToAll)
                Answer = cmd.FileConfirmation(Current, Params, Passe, *this);
        });
        if (Answer == kAnswerCancel)
            return;
        const bool skipped = !ok && (Answer == kAnswerNo || Answer == kAnswerNoToAll);
        if (!skipped) {
            Synchronize([&] {
                SelectCurrent();
                if (OnStartFichier)
                    OnStartFichier(Current, Params, Passe);
            });
            ErrorType = TErrorType::etNoError;
            cmd.DoExecution(Current, Params, *this, Passe);
            if (ErrorType == TErrorType::etAllError)
                return;
            Synchronize([&] {
                if (OnEndFichier)
                    OnEndFichier(Current, Params, Passe);
            });
        }
        ++Passe;
        if (Passe > cmd.NbPasses)
            return;
    }
}

void TCommandEngine::SelectCurrent()
{
    const int index = source_->IndexOfItem(Current);
    if (index >= 0)
        source_->SetSelected(index, true);
    if (cmd_->UpdateDisplay == TUpdateDisplay::udEach)
        source_->RefreshActiveFile();
}

void TCommandEngine::StartOfCommand()
{
    Synchronize([&] {
        if (cmd_->Nombre == TcmdNombre::fnSelect || cmd_->Nombre == TcmdNombre::fnAll)
            source_->SetEnabled(false);
        if (OnStartCommand)
            OnStartCommand();
    });
}

void TCommandEngine::EndOfCommand()
{
    Synchronize([&] {
        if (cmd_->UpdateDisplay == TUpdateDisplay::udFinal) {
            source_->RefreshActiveFile();
            source_->RefreshCounts();
        }
        source_->SetEnabled(true);
        if (OnEndCommand)
            OnEndCommand();
    });
}

void TCommandEngine::CommandMessage(const QString &msg)
{
    MessageText = msg;
    Synchronize([&] {
        if (OnMessageCommand)
            OnMessageCommand(msg);
    });
}

void TCommandEngine::CommandError(const QString &msg, TErrorType errorType)
{
    ErrorText = msg;
    ErrorType = errorType;
    Synchronize([&] {
        if (OnErrorCommand)
            OnErrorCommand(msg, errorType);
    });
}

void TCommandEngine::StartProgress(int max)
{
    ProgressMax = max;
    ProgressPos = 0;
    Synchronize([&] {
        if (OnStartProgress)
            OnStartProgress(max);
    });
}

void TCommandEngine::SetProgress(int pos)
{
    ProgressPos = pos;
    Synchronize([&] {
        if (OnSetProgress)
            OnSetProgress(pos);
    });
}

void TCommandEngine::EndProgress()
{
    Synchronize([&] {
        if (OnEndProgress)
            OnEndProgress();
    });
}

bool TCommandEngine::WaitGraphEnd(int milliseconds)
{
    return thread_ ? thread_->WaitGraphEnd(milliseconds) : true;
}

void TCommandEngine::SignalGraphEnd()
{
    if (thread_)
        thread_->SignalGraphEnd();
}

void TCommandEngine::Synchronize(const std::function<void()> &procedure)
{
    if (QThread::currentThread() == thread()) {
        procedure();
        return;
    }
    std::exception_ptr failure;
    QMetaObject::invokeMethod(
        this,
        [&] {
            serving_ = true;
            try {
                procedure();
            } catch (...) {
                failure = std::current_exception();
            }
            serving_ = false;
        },
        Qt::BlockingQueuedConnection);
    if (failure)
        std::rethrow_exception(failure);
}

TMsgAnswer TCommandEngine::Ask(const QString &question)
{
    return user_ ? user_->Ask(question, FileCount >= 2) : kAnswerYesToAll;
}

TFichierRef TCommandEngine::MakeItem(const QString &path) const
{
    return fichierClass_ ? fichierClass_.fromPath(path) : std::make_shared<TAbstractListFichier>(path);
}

void TCommandEngine::UpdateAdd(const QString &dest)
{
    if (!QFile::exists(dest))
        return;
    const TFichierRef item = MakeItem(dest);
    Synchronize([&] {
        if (destination_)
            destination_->AddItem(item);
    });
}

void TCommandEngine::UpdateRemove()
{
    TAbstractListFichier *const item = Current;
    Current = nullptr;
    Synchronize([&] {
        const int index = source_->IndexOfItem(item);
        if (index >= 0)
            source_->RemoveItem(index);
    });
}

void TCommandEngine::UpdateReload()
{
    const TFichierRef item = MakeItem(Current->path);
    Synchronize([&] {
        const int index = source_->IndexOfItem(Current);
        if (index >= 0) {
            source_->ReplaceItem(index, item);
            currentRef_ = item;
            Current = item.get();
        }
    });
}

void TCommandEngine::UpdateReplace(const QString &dest)
{
    if (!QFile::exists(dest))
        return;
    QFile::remove(Current->path);
    const TFichierRef item = MakeItem(dest);
    TAbstractListFichier *const old = Current;
    Current = nullptr;
    Synchronize([&] {
        const int index = source_->IndexOfItem(old);
        if (index >= 0)
            source_->RemoveItem(index);
        const int added = source_->AddItem(item);
        if (!source_->HasActiveFile())
            source_->SetFocusedIndex(added);
        source_->SetSelected(added, true);
    });
}

void TCommandEngine::UpdateRename(const QString &dest)
{
    QFile::rename(Current->path, dest);
    Current->SetPath(dest);
    Synchronize([&] { RejoinList(Current); });
}

void TCommandEngine::RejoinList(TAbstractListFichier *item)
{
    const int index = source_->IndexOfItem(item);
    if (index < 0)
        return;
    const int added = source_->AddItem(source_->TakeItem(index));
    if (!source_->HasActiveFile())
        source_->SetFocusedIndex(added);
    source_->SetSelected(added, true);
}
