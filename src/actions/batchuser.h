// The user of a headless batch run: questions are answered by the command line's
// choice ("No to all" unless --yes), and messages, errors and progress go to the
// error stream, a one-line progress bar on a terminal, plain lines otherwise.
// Called on the thread that runs the batch (the UI thread of the program).
#pragma once

#include "commands/userinterface.h"

#include <QString>

#include <cstdio>

class TBatchUser final : public TUserInterface {
public:
    // yes: answer every question Yes to all; else No to all. out: where to write
    // (stderr in the program); terminal: draw the progress bar in place.
    TBatchUser(bool yes, std::FILE *out, bool terminal);

    TMsgAnswer Ask(const QString &question, bool several) override;
    void ShowError(const QString &message) override;
    void ShowInformation(const QString &message) override;
    void ShowStatus(const QString &message, TStatusRole role) override;
    void StartProgress(int maximum) override;
    void SetProgress(int position) override;
    void EndProgress() override;

    int ErrorCount() const { return errors_; }

private:
    void EndBar();
    void WriteLine(const QString &line);

    const bool yes_;
    std::FILE *const out_;
    const bool terminal_;
    QString subject_;  // the last status message, named beside the progress
    int maximum_ = 0;
    int lastPercent_ = -1;
    bool barShown_ = false;
    int errors_ = 0;
};
