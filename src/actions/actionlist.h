// The main window's action list: every action in its fixed order, which decides
// which action a shared switch or shortcut reaches. Built from a table of data;
// the handlers are bound afterwards by whoever carries them out (the window, the
// application controller, the headless runner). UI thread only.
#pragma once

#include "actions/superaction.h"

#include <QKeySequence>
#include <QString>

#include <memory>
#include <vector>

class TActionList {
public:
    // Every action of the table, in its order, with its initial state.
    explicit TActionList(TActionParams &params);

    const std::vector<std::unique_ptr<TCustomSuperAction>> &Actions() const { return actions_; }
    // By component name ("saQuitter"); nullptr when there is none.
    TCustomSuperAction *Find(const QString &name) const;
    TSuperAction *FindSuper(const QString &name) const;
    TtoggleAction *FindToggle(const QString &name) const;
    // The first action, in list order, whose switch or token is the lower-cased name.
    TCustomSuperAction *FindBySwitchOrToken(const QString &name) const;
    // The first action, in list order, that has the key among its shortcuts.
    TCustomSuperAction *FindByShortcut(const QKeySequence &key) const;

private:
    std::vector<std::unique_ptr<TCustomSuperAction>> actions_;
};
