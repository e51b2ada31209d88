#include "actions/batchrunner.h"

#include "files/avifichier.h"
#include "files/iteminfo.h"

TBatchRunner::TBatchRunner(bool yes, std::FILE *messages, bool terminal)
    : user_(yes, messages, terminal), app_(user_)
{
}

std::optional<QString> TBatchRunner::UnknownArgument(const QStringList &args)
{
    // A throwaway interpreter over the same actions: parsing must not touch the run's state.
    TSwitch probe(app_.Actions(), app_.Params());
    probe.DefaultAction = app_.Switch().DefaultAction;
    for (const QString &arg : args) {
        probe.ClearEntries();
        probe.ParseArgument(arg);
        const QString name = arg.mid(1).section(u'=', 0, 0).toLower();
        if (probe.Entries().empty() && name != QStringLiteral("quit"))
            return arg;
    }
    return std::nullopt;
}

int TBatchRunner::Run(const QStringList &args)
{
    app_.LoadAndApplyPreferences();
    app_.RunCommandLine(args);
    app_.List().WaitForScans();
    app_.Engine().WaitForIdle(-1);
    if (interrupted_)
        return kInterrupted;
    bool unreadable = false;
    for (int i = 0; i < app_.List().Count(); ++i) {
        const auto *item = dynamic_cast<const TaviFichier *>(app_.List().Item(i).get());
        if (item && IsUnreadable(*item)) {
            user_.ShowError(item->path + QStringLiteral(": not a readable AVI file"));
            unreadable = true;
        }
    }
    return unreadable || user_.ErrorCount() > 0 ? kFailed : kOk;
}

void TBatchRunner::Interrupt()
{
    interrupted_ = true;
    app_.Actions().Find(QStringLiteral("saInterrompreTous"))->Execute();
}
