#include "tablefixture.h"

#include "files/afficherfichier.h"
#include "support/testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>

#include <gtest/gtest.h>

TableFixture::TableFixture()
    : savedDataHome_(qgetenv("XDG_DATA_HOME")), hadDataHome_(qEnvironmentVariableIsSet("XDG_DATA_HOME"))
{
    qputenv("XDG_DATA_HOME", dataHome.path().toUtf8());
    list.SetItemClass(ItemClassOf<TaviFichier>());
    // The list keeps its active item only for an owner that listens.
    list.OnActiveChange = [](const TFichierRef &) {};
    engine.SetFichierClass(ItemClassOf<TAfficherFichier>());
    engine.SetSourceFichierListbox(&files);
    engine.SetDestFichierListbox(&files);
    engine.SetUserInterface(&user);
    engine.OnMessageCommand = [this](const QString &msg) { user.ShowStatus(msg, TStatusRole::Command); };
    engine.OnErrorCommand = [this](const QString &msg, TErrorType) { user.ShowError(msg); };
    engine.OnStartProgress = [this](int max) { user.StartProgress(max); };
    engine.OnSetProgress = [this](int pos) { user.SetProgress(pos); };
    engine.OnEndProgress = [this] { user.EndProgress(); };
    // As the main window: the item's time difference is pending while its pass runs.
    engine.OnStartFichier = [this](TAbstractListFichier *f, const QStringList &, int) {
        if (auto *video = dynamic_cast<TaviFichier *>(f))
            pendingTimeDifference = video->displayTimeDifference;
    };
    engine.OnEndFichier = [this](TAbstractListFichier *f, const QStringList &, int) {
        if (auto *video = dynamic_cast<TaviFichier *>(f))
            video->displayTimeDifference = pendingTimeDifference;
    };
    QObject::connect(&cdm, &TCdm::GraphEnded, &engine, [this] { engine.SignalGraphEnd(); });
    context.cdm = &cdm;
    context.preferences = [this] { return preferences; };
    context.setPendingTimeDifference = [this](double days) { pendingTimeDifference = days; };
    context.releaseFile = [this](const QString &path) { released << path; };
    context.openRiffReport = [this](const QString &path) { riffReports << path; };
    context.emptyList = [this] { list.Empty(); };
}

TableFixture::~TableFixture()
{
    if (hadDataHome_)
        qputenv("XDG_DATA_HOME", savedDataHome_);
    else
        qunsetenv("XDG_DATA_HOME");
}

QString TableFixture::MakeDv(const QString &name, const DvOptions &options)
{
    const QString path = Path(name);
    const QString type = options.iavs ? QStringLiteral("2iavs") : QString::number(options.type);
    QStringList args = {QStringLiteral("--type"),   type,
                        QStringLiteral("--system"), options.ntsc ? QStringLiteral("ntsc") : QStringLiteral("pal"),
                        QStringLiteral("--audio"),  options.audio,
                        QStringLiteral("--out"),    path};
    args << options.plan;
    const auto made = testsupport::Run(testsupport::OurProgram(QStringLiteral("morvik-mkdv")), args);
    EXPECT_EQ(made.exitCode, 0) << made.err.constData();
    return made.exitCode == 0 ? path : QString();
}

void TableFixture::Open(const QStringList &names)
{
    QStringList paths;
    for (const QString &name : names)
        paths << Path(name);
    list.OpenFiles(paths);
    list.WaitForScans();
}

TaviFichier *TableFixture::Item(const QString &name) const
{
    const int row = list.IndexOfPath(Path(name));
    return row < 0 ? nullptr : dynamic_cast<TaviFichier *>(list.Item(row).get());
}

QStringList TableFixture::ListNames() const
{
    QStringList names;
    for (int row = 0; row < list.Count(); ++row)
        names << list.Item(row)->name;
    return names;
}

void TableFixture::Select(const QStringList &names)
{
    for (int row = 0; row < list.Count(); ++row)
        list.SetSelected(row, names.contains(list.Item(row)->name));
}

void TableFixture::Focus(const QString &name)
{
    list.SetFocusedRow(list.IndexOfPath(Path(name)));
    list.RefreshActive();
}

TdmAction &TableFixture::Table()
{
    if (!table_)
        table_ = std::make_unique<TdmAction>(context);
    return *table_;
}

tCustomCmd &TableFixture::Command(const QString &name)
{
    tCustomCmd *cmd = Table().FindCommand(name);
    EXPECT_NE(cmd, nullptr) << qPrintable(name);
    return *cmd;
}

TCommandEngine::RunResult TableFixture::Run(const QString &name, const QStringList &params)
{
    const TCommandEngine::RunResult result = engine.RunCommand(Command(name), &params);
    engine.WaitForIdle(-1);
    return result;
}

std::map<QString, FileState> TableFixture::Snapshot() const
{
    std::map<QString, FileState> states;
    QDirIterator it(dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        states[QDir(dir.path()).relativeFilePath(path)] = {testsupport::ReadWholeFile(path),
                                                           info.lastModified().toMSecsSinceEpoch(),
                                                           static_cast<int>(info.permissions())};
    }
    return states;
}

QStringList TableFixture::Changed(const std::map<QString, FileState> &before,
                                  const std::map<QString, FileState> &after)
{
    QStringList changed;
    for (const auto &[name, state] : before) {
        const auto found = after.find(name);
        if (found == after.end() || !(found->second == state))
            changed << name;
    }
    for (const auto &[name, state] : after)
        if (!before.contains(name))
            changed << name;
    changed.sort();
    return changed;
}
