// A file list and a user with scripted answers for the command engine tests.
// Both are used on the test's main thread, which owns the engine.
#pragma once

#include "commands/commandengine.h"
#include "commands/commandfilelist.h"
#include "commands/userinterface.h"
#include "files/listfichier.h"

#include <QStringList>

#include <deque>
#include <memory>
#include <vector>

class TestFileList final : public TCommandFileList {
public:
    explicit TestFileList(const QStringList &paths);

    int Count() const override { return static_cast<int>(rows_.size()); }
    int FocusedIndex() const override { return focused_; }
    int SelectedCount() const override;
    bool IsSelected(int index) const override { return rows_[index].selected; }
    void SetSelected(int index, bool selected) override { rows_[index].selected = selected; }
    QString EntryString(int index) const override { return rows_[index].item->path; }
    TFichierRef EntryItem(int index) const override { return rows_[index].item; }
    int IndexOfItem(const TAbstractListFichier *item) const override;
    void SetEnabled(bool enabled) override;
    void RefreshActiveFile() override { ++activeRefreshes; }
    void RefreshCounts() override { ++countRefreshes; }
    bool HasActiveFile() const override { return focused_ >= 0; }
    void SetFocusedIndex(int index) override { focused_ = index; }
    int AddItem(const TFichierRef &item) override;
    void RemoveItem(int index) override;
    void ReplaceItem(int index, const TFichierRef &item) override;
    TFichierRef TakeItem(int index) override;

    void Select(std::initializer_list<int> rows);
    QStringList Paths() const;
    std::vector<int> SelectedRows() const;

    bool enabled = true;
    std::vector<bool> enabledHistory;
    int activeRefreshes = 0;
    int countRefreshes = 0;

private:
    struct Row {
        TFichierRef item;
        bool selected = false;
    };
    std::vector<Row> rows_;
    int focused_ = -1;
};

// Answers the questions from a script and records everything it is told.
class ScriptedUser final : public TUserInterface {
public:
    TMsgAnswer Ask(const QString &question, bool several) override;
    void ShowError(const QString &message) override { errors.push_back(message); }
    void ShowInformation(const QString &message) override { informations.push_back(message); }
    void ShowStatus(const QString &message, TStatusRole) override { statuses.push_back(message); }
    void StartProgress(int maximum) override { progressMax = maximum; }
    void SetProgress(int position) override { progress.push_back(position); }
    void EndProgress() override { ++progressEnds; }

    std::deque<TMsgAnswer> answers;  // Yes once they run out
    QStringList questions;
    std::vector<bool> severalFlags;
    QStringList errors;
    QStringList informations;
    QStringList statuses;
    int progressMax = -1;
    std::vector<int> progress;
    int progressEnds = 0;
};

// An engine over the list and the user, recording its events in order.
struct EngineFixture {
    explicit EngineFixture(const QStringList &paths);

    // Runs the command and waits for its end, serving the worker meanwhile.
    TCommandEngine::RunResult Run(tCustomCmd &cmd, const QStringList *params = nullptr);

    TestFileList list;
    ScriptedUser user;
    TCommandEngine engine;
    QStringList events;
};
