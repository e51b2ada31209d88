// The application controller: actions, scripts and commands working together on
// the real file list, as the window or the batch runner drives them.
#include "actions/appcontroller.h"

#include "commands/commanddescriptions.h"
#include "commands/userinterface.h"
#include "files/avifichier.h"
#include "files/playlist.h"
#include "support/testsupport.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct RecordingUser final : TUserInterface {
    TMsgAnswer Ask(const QString &question, bool) override
    {
        log << QStringLiteral("ask ") + question;
        return kAnswerYes;
    }
    void ShowError(const QString &message) override { log << QStringLiteral("error ") + message; }
    void ShowInformation(const QString &message) override { log << QStringLiteral("info ") + message; }
    void ShowStatus(const QString &message, TStatusRole role) override
    {
        log << QStringLiteral("status %1 %2").arg(static_cast<int>(role)).arg(message);
    }
    void StartProgress(int) override {}
    void SetProgress(int) override {}
    void EndProgress() override {}
    QStringList log;
};

QString MakeDv(const QString &path)
{
    const auto made = testsupport::Run(testsupport::OurProgram(QStringLiteral("morvik-mkdv")),
                                       {"--out", path, "--recording", "2021-06-05 14:30:00,00:10:00:00,10"});
    EXPECT_EQ(made.exitCode, 0) << made.err.constData();
    return path;
}

QString WriteScript(const QTemporaryDir &dir, const QString &text)
{
    const QString path = dir.filePath(QStringLiteral("script.txt"));
    testsupport::WriteWholeFile(path, text.toUtf8());
    return path;
}

QStringList Names(TCustomFichierListBox &list)
{
    QStringList names;
    for (int i = 0; i < list.Count(); ++i)
        names << list.Item(i)->name;
    return names;
}

// A playlist of some of the list's files, written as "Save the list as..." writes it.
bool SavePlaylistOf(TAppController &app, const QString &file, const QStringList &paths)
{
    RecordingUser user;
    TAppController other(user);
    other.List().OpenFiles(paths);
    other.List().WaitForScans();
    return SavePlaylist(other.List(), file).ok && app.List().Count() > 0;
}

}  // namespace

TEST(AppController, ScriptOpensAFolderWaitsForTheScanAndSelects)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("videos/deeper")));
    MakeDv(dir.filePath(QStringLiteral("videos/b.avi")));
    MakeDv(dir.filePath(QStringLiteral("videos/deeper/a.avi")));
    testsupport::WriteWholeFile(dir.filePath(QStringLiteral("videos/notes.txt")), "not a video");
    RecordingUser user;
    TAppController app(user);
    app.Script().RunScriptFile(WriteScript(dir, QStringLiteral("openfolder \"%1\"\nselectall\n").arg(dir.filePath("videos"))));
    EXPECT_EQ(Names(app.List()), (QStringList{"a.avi", "b.avi"}));
    EXPECT_EQ(app.List().SelectedCount(), 2);
    EXPECT_FALSE(app.Params().CommandRunning);
    EXPECT_TRUE(user.log.contains(QStringLiteral("status 2 Analysing ") + dir.filePath("videos/deeper/")));
    EXPECT_EQ(user.log.last(), QStringLiteral("status 0 Ready"));
}

TEST(AppController, CommandsShowTheirMessagesAndCarryTheTimeDifference)
{
    QTemporaryDir dir;
    const QString a = MakeDv(dir.filePath(QStringLiteral("a.avi")));
    RecordingUser user;
    TAppController app(user);
    app.List().OpenFiles({a});
    app.List().WaitForScans();
    ASSERT_EQ(app.List().Count(), 1);
    app.List().SelectAll(true);

    TFastcmd shift;
    shift.Nombre = TcmdNombre::fnSelect;
    shift.StartMessage = QStringLiteral("Shifting %s");
    shift.ErrorMessage = QStringLiteral("Could not shift %s");
    shift.OnExecution = [&](TAbstractListFichier *, const QStringList &params, TCommandEngine &ce, int) {
        ce.Synchronize([&] { app.PendingTimeDifference = params.value(0).toDouble(); });
        throw std::runtime_error("and then it failed");
    };
    TSuperAction *action = app.Actions().FindSuper(QStringLiteral("ccDecalageHoraire"));
    app.BindCommand(*action, shift, true);
    app.Params().ParamList = QStringList{QStringLiteral("0.0625")};
    action->OnExecute();
    EXPECT_TRUE(app.Params().CommandRunning) << "set when the run is accepted";
    app.Engine().WaitForIdle(-1);
    EXPECT_FALSE(app.Params().CommandRunning);

    const auto *item = dynamic_cast<const TaviFichier *>(app.List().Item(0).get());
    ASSERT_NE(item, nullptr);
    EXPECT_DOUBLE_EQ(item->displayTimeDifference, 0.0625);
    EXPECT_EQ(item->displayTimeDifferenceText, QStringLiteral("0 days 01h 30m 00s"));
    EXPECT_TRUE(user.log.contains(QStringLiteral("status 1 Shifting a.avi")));
    EXPECT_TRUE(user.log.contains(QStringLiteral("error Could not shift ") + a +
                                  QStringLiteral("\nand then it failed\rThe current file has been aborted.")));
    EXPECT_EQ(user.log.last(), QStringLiteral("status 0 Ready"));
}

TEST(AppController, AbortAllClearsCommandRunningAtOnceAndQuitEndsTheRun)
{
    RecordingUser user;
    TAppController app(user);
    int quits = 0;
    app.OnQuit = [&] { ++quits; };
    app.Params().CommandRunning = true;
    app.Actions().Find(QStringLiteral("saInterrompreTous"))->Execute();
    EXPECT_FALSE(app.Params().CommandRunning);
    app.Switch().RunCommandLine({QStringLiteral("/sd"), QStringLiteral("/qt")});
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(app.List().SortIndex(), SortDatecode());
    EXPECT_EQ(app.Preferences.sortIndex, SortDatecode().name);
}

TEST(AppController, TheListOfTheLastSessionComesBackUnlessTheCommandLineNamesOne)
{
    QTemporaryDir dir;
    const QString a = MakeDv(dir.filePath(QStringLiteral("a.avi")));
    const QString b = MakeDv(dir.filePath(QStringLiteral("b.avi")));
    qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
    const QString other = dir.filePath(QStringLiteral("other.txt"));
    {
        RecordingUser user;
        TAppController app(user);
        app.LoadAndApplyPreferences();
        app.StorageMode = TStorageMode::kRegistry;
        app.Preferences.saveListWhenQuit = true;
        app.Preferences.folderForPlaylists = dir.path();
        app.ApplyPreferences();
        app.List().OpenFiles({a, b});
        app.List().WaitForScans();
        ASSERT_TRUE(SavePlaylistOf(app, other, {a}));
        app.Shutdown(true);
    }
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("playlist.txt"))));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("config/Quenlor/Morvik.ini"))));
    {
        RecordingUser user;
        TAppController app(user);
        app.LoadAndApplyPreferences();
        EXPECT_TRUE(app.Preferences.saveListWhenQuit) << "the preferences were saved";
        app.RunCommandLine({});
        app.List().WaitForScans();
        EXPECT_EQ(Names(app.List()), (QStringList{"a.avi", "b.avi"}));
        EXPECT_TRUE(user.log.contains(QStringLiteral("status 2 Restoring the files from the previous session")));
    }
    {
        RecordingUser user;
        TAppController app(user);
        app.LoadAndApplyPreferences();
        app.RunCommandLine({other});
        app.List().WaitForScans();
        EXPECT_EQ(Names(app.List()), QStringList{"a.avi"}) << "a playlist on the command line replaces the restore";
    }
    qunsetenv("XDG_CONFIG_HOME");
}
