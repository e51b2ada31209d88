#include "enginetestsupport.h"

#include <QFileInfo>

#include <algorithm>

TestFileList::TestFileList(const QStringList &paths)
{
    for (const QString &path : paths)
        rows_.push_back({std::make_shared<TAbstractListFichier>(path), false});
    if (!rows_.empty())
        focused_ = 0;
}

int TestFileList::SelectedCount() const
{
    return static_cast<int>(std::count_if(rows_.begin(), rows_.end(), [](const Row &row) { return row.selected; }));
}

int TestFileList::IndexOfItem(const TAbstractListFichier *item) const
{
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].item.get() == item)
            return static_cast<int>(i);
    return -1;
}

void TestFileList::SetEnabled(bool on)
{
    enabled = on;
    enabledHistory.push_back(on);
}

int TestFileList::AddItem(const TFichierRef &item)
{
    // Sorted by path, as the list sorts by name.
    const auto place = std::find_if(rows_.begin(), rows_.end(),
                                    [&](const Row &row) { return row.item->path > item->path; });
    const int index = static_cast<int>(place - rows_.begin());
    rows_.insert(place, {item, false});
    if (focused_ >= index)
        ++focused_;
    return index;
}

void TestFileList::RemoveItem(int index)
{
    rows_.erase(rows_.begin() + index);
    if (focused_ == index)
        focused_ = -1;
    else if (focused_ > index)
        --focused_;
}

void TestFileList::ReplaceItem(int index, const TFichierRef &item)
{
    rows_[index].item = item;
}

TFichierRef TestFileList::TakeItem(int index)
{
    TFichierRef item = rows_[index].item;
    RemoveItem(index);
    return item;
}

void TestFileList::Select(std::initializer_list<int> rows)
{
    for (int row : rows)
        rows_[row].selected = true;
}

QStringList TestFileList::Paths() const
{
    QStringList paths;
    for (const Row &row : rows_)
        paths << row.item->path;
    return paths;
}

std::vector<int> TestFileList::SelectedRows() const
{
    std::vector<int> selected;
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].selected)
            selected.push_back(static_cast<int>(i));
    return selected;
}

TMsgAnswer ScriptedUser::Ask(const QString &question, bool several)
{
    questions << question;
    severalFlags.push_back(several);
    if (answers.empty())
        return kAnswerYes;
    const TMsgAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

EngineFixture::EngineFixture(const QStringList &paths) : list(paths)
{
    engine.SetSourceFichierListbox(&list);
    engine.SetDestFichierListbox(&list);
    engine.SetUserInterface(&user);
    const auto name = [](TAbstractListFichier *f) { return f ? QFileInfo(f->path).fileName() : QStringLiteral("-"); };
    engine.OnStartCommand = [this] { events << QStringLiteral("start"); };
    engine.OnEndCommand = [this] { events << QStringLiteral("end"); };
    engine.OnStartFichier = [this, name](TAbstractListFichier *f, const QStringList &, int passe) {
        events << QStringLiteral("file %1.%2").arg(name(f)).arg(passe);
    };
    engine.OnEndFichier = [this, name](TAbstractListFichier *f, const QStringList &, int passe) {
        events << QStringLiteral("done %1.%2").arg(name(f)).arg(passe);
    };
    engine.OnMessageCommand = [this](const QString &msg) { events << QStringLiteral("msg ") + msg; };
    engine.OnErrorCommand = [this](const QString &msg, TErrorType) {
        events << QStringLiteral("error ") + msg;
        user.ShowError(msg);
    };
    engine.OnStartProgress = [this](int max) { user.StartProgress(max); };
    engine.OnSetProgress = [this](int pos) { user.SetProgress(pos); };
    engine.OnEndProgress = [this] { user.EndProgress(); };
}

TCommandEngine::RunResult EngineFixture::Run(tCustomCmd &cmd, const QStringList *params)
{
    const TCommandEngine::RunResult result = engine.RunCommand(cmd, params);
    engine.WaitForIdle(-1);
    return result;
}
