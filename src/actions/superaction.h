// The actions of the main window, in core: caption, hint, shortcuts, category and
// state, with the command-line switch and the script token that start them too.
// The window binds each to a QAction; the headless runner uses them as they are.
// UI thread only.
#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The state the main window's actions share: the parameters of the action being
// started, whether its preparation succeeded, and whether a command run or a
// folder scan is in progress (the script runner waits on it).
struct TActionParams {
    QStringList ParamList;
    bool Prepared = true;
    bool CommandRunning = false;
};

class TCustomSuperAction {
public:
    using Handler = std::function<void()>;

    TCustomSuperAction(QString name, QString category, TActionParams &params);
    TCustomSuperAction(const TCustomSuperAction &) = delete;
    TCustomSuperAction &operator=(const TCustomSuperAction &) = delete;
    virtual ~TCustomSuperAction() = default;

    const QString &Name() const { return name_; }
    const QString &Category() const { return category_; }

    // Stored in lower case.
    const QString &Switch() const { return switch_; }
    void SetSwitch(const QString &value) { switch_ = value.toLower(); }
    const QString &Token() const { return token_; }
    void SetToken(const QString &value) { token_ = value.toLower(); }

    QString Caption;
    QString Hint;
    QList<QKeySequence> Shortcuts;  // the main one first
    bool Enabled = true;
    bool Visible = true;
    bool AutoCheck = false;
    int ImageIndex = -1;
    Handler OnPrepare;

    bool Checked() const { return checked_; }
    virtual void SetChecked(bool value) { checked_ = value; }
    virtual bool IsToggle() const { return false; }

    // The handler that running the action calls now.
    virtual const Handler &ExecutionHandler() const = 0;

    // As from a menu: nothing when disabled; the preparation may ask the user and
    // fill the parameters; the execution runs when it succeeded.
    void Execute();

protected:
    TActionParams &params_;

private:
    QString name_;
    QString category_;
    QString switch_;
    QString token_;
    bool checked_ = false;
};

// An action with one handler.
class TSuperAction final : public TCustomSuperAction {
public:
    using TCustomSuperAction::TCustomSuperAction;

    Handler OnExecute;
    const Handler &ExecutionHandler() const override { return OnExecute; }
};

// An action over a two-state thing (sound muted, list shown ...): its caption, hint,
// image and handler are those of its present state, and running it runs the handler
// of that state, which switches the thing and sets the opposite state.
class TtoggleAction final : public TCustomSuperAction {
public:
    using TCustomSuperAction::TCustomSuperAction;

    QString TrueCaption;
    QString FalseCaption;
    QString TrueHint;
    QString FalseHint;
    int TrueImageIndex = -1;
    int FalseImageIndex = -1;
    Handler OnTrueExecute;
    Handler OnFalseExecute;

    void SetChecked(bool value) override;
    bool IsToggle() const override { return true; }
    const Handler &ExecutionHandler() const override { return Checked() ? OnTrueExecute : OnFalseExecute; }
};
