#include "actions/script.h"

#include "base/textfile.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QThread>

namespace {

std::optional<TActionMode> PrefixMode(QChar first)
{
    if (first == u'+')
        return TActionMode::On;
    if (first == u'-')
        return TActionMode::Off;
    if (first == u'/')
        return TActionMode::Switch;
    return std::nullopt;
}

// Spaces and control characters at both ends.
QString TrimLine(const QString &line)
{
    qsizetype begin = 0;
    qsizetype end = line.size();
    while (begin < end && line[begin] <= u' ')
        ++begin;
    while (end > begin && line[end - 1] <= u' ')
        --end;
    return line.mid(begin, end - begin);
}

}  // namespace

QString ExtractScriptValue(const QString &rest)
{
    const QString text = rest.trimmed();
    QString value;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == u'"') {
            if (quoted)
                break;
            quoted = true;
            continue;
        }
        if (c == u' ' && !quoted)
            break;
        value += c;
    }
    return value;
}

TCustomScript::TCustomScript(const TActionList &actions, TActionParams &params) : params_(params), actions_(actions)
{
}

TCustomSuperAction *TCustomScript::FindAction(const QString &name)
{
    const QString key = name.toLower();
    if (key.isEmpty())
        return DefaultAction;
    if (key == QStringLiteral("quit")) {
        quitAfterRun_ = true;
        return nullptr;
    }
    return actions_.FindBySwitchOrToken(key);
}

void TCustomScript::ParseArgument(const QString &arg)
{
    TActionEx entry;
    QString name;
    const std::optional<TActionMode> mode = arg.isEmpty() ? std::nullopt : PrefixMode(arg[0]);
    if (!mode) {
        entry.Value = arg;
    } else {
        entry.Mode = *mode;
        const qsizetype equals = arg.indexOf(u'=');
        if (equals > 0) {
            name = arg.mid(1, equals - 1);
            entry.Value = arg.mid(equals + 1);
        } else {
            name = arg.mid(1);
        }
    }
    entry.Action = FindAction(name);
    // Paths here begin with "/" too: one that names no action is a bare value.
    if (!entry.Action && mode == TActionMode::Switch && arg.indexOf(u'/', 1) > 0) {
        entry.Mode = TActionMode::None;
        entry.Value = arg;
        entry.Action = FindAction(QString());
    }
    if (entry.Action)
        entries_.push_back(entry);
}

void TCustomScript::ParseCommandLine(const QStringList &arguments)
{
    entries_.clear();
    for (const QString &arg : arguments)
        ParseArgument(arg);
}

void TCustomScript::LoadScript(const QString &file)
{
    entries_.clear();
    if (!QFileInfo(file).isFile())
        return;
    const TextFileRead read = ReadTextFile(file);
    if (!read.text)
        return;
    for (const QString &line : SplitLines(*read.text))
        ParseScriptLine(line);
}

void TCustomScript::ParseScriptLine(const QString &rawLine)
{
    const QString line = TrimLine(rawLine);
    if (line.isEmpty())
        return;
    TActionEx entry;
    qsizetype nameStart = 0;
    if (const std::optional<TActionMode> mode = PrefixMode(line[0])) {
        entry.Mode = *mode;
        nameStart = 1;
    }
    qsizetype nameEnd = nameStart;
    while (nameEnd < line.size() && line[nameEnd] != u'=' && line[nameEnd] != u' ')
        ++nameEnd;
    const QString name = line.mid(nameStart, nameEnd - nameStart);
    const QString rest = nameEnd < line.size() ? line.mid(nameEnd + 1) : QString();
    entry.Action = FindAction(name);
    if (!entry.Action)
        return;
    entry.Value = ExtractScriptValue(rest);
    if (entry.Action->IsToggle() && entry.Mode == TActionMode::None) {
        const QString word = entry.Value.toLower();
        if (word == QStringLiteral("true"))
            entry.Mode = TActionMode::On;
        else if (word == QStringLiteral("false"))
            entry.Mode = TActionMode::Off;
        else if (word == QStringLiteral("toggle"))
            entry.Mode = TActionMode::Switch;
    }
    entries_.push_back(entry);
}

void TCustomScript::ProcessMessages() const
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void TCustomScript::RunEntry(const TActionEx &entry)
{
    TCustomSuperAction &action = *entry.Action;
    params_.ParamList = QStringList{entry.Value};
    switch (entry.Mode) {
    case TActionMode::On:
        action.SetChecked(false);
        break;
    case TActionMode::Off:
        action.SetChecked(true);
        break;
    case TActionMode::Switch:
        action.SetChecked(action.Checked());
        break;
    case TActionMode::None:
        break;
    }
    if (action.ExecutionHandler())
        action.ExecutionHandler()();
    if (action.AutoCheck)
        action.SetChecked(!action.Checked());
}

void TCustomScript::Run()
{
    params_.CommandRunning = false;
    stopRequested_ = false;
    if (entries_.empty())
        return;
    executing_ = true;
    index_ = -1;
    try {
        while (index_ < static_cast<int>(entries_.size()) - 1) {
            ++index_;
            if (stopRequested_)
                break;
            ProcessMessages();
            const TActionEx &entry = entries_[static_cast<size_t>(index_)];
            if (!entry.Action->Enabled)
                continue;
            RunEntry(entry);
            while (params_.CommandRunning && !stopRequested_) {
                ProcessMessages();
                if (params_.CommandRunning)
                    QThread::msleep(2);
            }
            if (stopRequested_)
                break;
        }
    } catch (...) {
        // A failing handler ends the run; the program still closes when asked to.
    }
    if (quitAfterRun_ && OnQuit)
        OnQuit();
    executing_ = false;
}

void TCustomScript::RunScriptFile(const QString &file)
{
    LoadScript(file);
    Run();
    entries_.clear();
}

void TSwitch::RunCommandLine(const QStringList &arguments)
{
    ParseCommandLine(arguments);
    if (!Entries().empty())
        Run();
    else if (OnNoCommandLine)
        OnNoCommandLine();
    ClearEntries();
}
