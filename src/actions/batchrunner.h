// The headless batch mode: the command line's arguments run as in the window, with
// no window. Questions get the answer chosen up front, messages and progress go to
// the error stream, and the exit status says how it went. The preferences are read
// as the window reads them and never written. The program's main thread.
#pragma once

#include "actions/appcontroller.h"
#include "actions/batchuser.h"

#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>

class TBatchRunner {
public:
    enum ExitStatus { kOk = 0, kFailed = 1, kUsage = 2, kInterrupted = 130 };

    // yes: every question is answered Yes to all, else No to all.
    TBatchRunner(bool yes, std::FILE *messages, bool terminal);

    // The argument that names no action, when one does ("quit" and bare values always do).
    std::optional<QString> UnknownArgument(const QStringList &args);
    // Runs the arguments to their end ("quit" implied).
    int Run(const QStringList &args);
    // "Abort all" from a signal's handler (via the event loop): the run ends at once.
    void Interrupt();

    TAppController &Controller() { return app_; }

private:
    TBatchUser user_;
    TAppController app_;
    bool interrupted_ = false;
};
