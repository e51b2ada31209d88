// The command engine's run loop: which files it takes, the answers, aborts, the
// events and the list updates, driven through the command kinds.
#include "commands/commanddescriptions.h"
#include "enginetestsupport.h"

#include "support/testsupport.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

namespace {

const QStringList kFive = {"/v/a.avi", "/v/b.avi", "/v/c.avi", "/v/d.avi", "/v/e.avi"};

QString NameOf(TAbstractListFichier *f) { return QFileInfo(f->path).fileName(); }

// A fast command that records the files it ran on.
struct Recorded {
    TFastcmd cmd;
    QStringList ran;
    std::atomic<int> executing{0};

    explicit Recorded(TcmdNombre nombre)
    {
        cmd.Nombre = nombre;
        cmd.OnExecution = [this](TAbstractListFichier *f, const QStringList &, TCommandEngine &, int passe) {
            ran << (f ? NameOf(f) : QStringLiteral("-")) + QStringLiteral(".%1").arg(passe);
        };
    }
};

}  // namespace

TEST(CommandEngine, RefusedStartsDoNothingAtAll)
{
    EngineFixture fixture({"/v/a.avi", "/v/b.avi"});
    Recorded selected(TcmdNombre::fnSelect);
    EXPECT_EQ(fixture.Run(selected.cmd), TCommandEngine::RunResult::Refused) << "nothing selected";

    Recorded single(TcmdNombre::fnSingle);
    fixture.list.SetFocusedIndex(-1);
    EXPECT_EQ(fixture.Run(single.cmd), TCommandEngine::RunResult::Refused) << "no focused file";

    Recorded conditioned(TcmdNombre::fnAll);
    conditioned.cmd.OnCommandCondition = [](TCommandEngine &) { return false; };
    EXPECT_EQ(fixture.Run(conditioned.cmd), TCommandEngine::RunResult::Refused);

    EngineFixture empty({});
    Recorded all(TcmdNombre::fnAll);
    EXPECT_EQ(empty.Run(all.cmd), TCommandEngine::RunResult::Refused);

    EXPECT_TRUE(fixture.events.isEmpty());
    EXPECT_TRUE(fixture.list.enabledHistory.empty());
    EXPECT_TRUE(selected.ran.isEmpty() && single.ran.isEmpty() && conditioned.ran.isEmpty() && all.ran.isEmpty());
}

TEST(CommandEngine, CommandWithoutFilesRunsOnceWithoutFileEvents)
{
    EngineFixture fixture({"/v/a.avi"});
    Recorded none(TcmdNombre::fnNone);
    none.cmd.StartMessage = QStringLiteral("Working");
    EXPECT_EQ(fixture.Run(none.cmd), TCommandEngine::RunResult::Started);
    EXPECT_EQ(none.ran, QStringList{"-.1"});
    EXPECT_EQ(fixture.events, (QStringList{"start", "msg Working", "end"}));

    none.cmd.NbPasses = 3;
    none.ran.clear();
    fixture.Run(none.cmd);
    EXPECT_EQ(none.ran, (QStringList{"-.1", "-.2", "-.3"}));
}

TEST(CommandEngine, SelectedFilesAreTakenInOrderAndSelectedAgainAsTheyRun)
{
    EngineFixture fixture(kFive);
    fixture.list.Select({3, 1, 4});
    Recorded selected(TcmdNombre::fnSelect);
    selected.cmd.UpdateDisplay = TUpdateDisplay::udEach;
    std::vector<std::vector<int>> selectionAtEachFile;
    selected.cmd.OnExecution = [&](TAbstractListFichier *f, const QStringList &, TCommandEngine &, int) {
        selected.ran << NameOf(f);
        fixture.engine.Synchronize([&] { selectionAtEachFile.push_back(fixture.list.SelectedRows()); });
    };
    ASSERT_EQ(fixture.Run(selected.cmd), TCommandEngine::RunResult::Started);
    EXPECT_EQ(fixture.engine.FileCount, 3);
    EXPECT_EQ(selected.ran, (QStringList{"b.avi", "d.avi", "e.avi"}));
    EXPECT_EQ(selectionAtEachFile, (std::vector<std::vector<int>>{{1}, {1, 3}, {1, 3, 4}}));
    EXPECT_EQ(fixture.list.enabledHistory, (std::vector<bool>{false, true}));
    EXPECT_EQ(fixture.list.activeRefreshes, 3);
    EXPECT_EQ(fixture.events, (QStringList{"start", "file b.avi.1", "done b.avi.1", "file d.avi.1", "done d.avi.1",
                                           "file e.avi.1", "done e.avi.1", "end"}));
}

TEST(CommandEngine, AllFilesAndFileConditions)
{
    EngineFixture fixture(kFive);
    fixture.list.Select({0});
    Recorded all(TcmdNombre::fnAll);
    all.cmd.UpdateDisplay = TUpdateDisplay::udFinal;
    all.cmd.OnFileCondition = [](TAbstractListFichier *f, bool &, bool &enabled) {
        enabled = NameOf(f) != QStringLiteral("c.avi");
    };
    fixture.Run(all.cmd);
    EXPECT_EQ(all.ran, (QStringList{"a.avi.1", "b.avi.1", "d.avi.1", "e.avi.1"}));
    EXPECT_EQ(fixture.list.SelectedRows(), (std::vector<int>{0, 1, 3, 4}));
    EXPECT_EQ(fixture.list.activeRefreshes, 1);
    EXPECT_EQ(fixture.list.countRefreshes, 1);
    EXPECT_TRUE(fixture.list.enabled);
}

// Verification fails for every file but d; the answers come from the script.
TEST(CommandEngine, AnswersDecideWhichFailingPassesRun)
{
    struct Case {
        const char *name;
        std::vector<TMsgAnswer> answers;
        QStringList ran;
        int questions;
    } const cases[] = {
        {"yes, no, yes", {kAnswerYes, kAnswerNo, kAnswerYes, kAnswerYes}, {"a", "c", "d", "e"}, 4},
        {"cancel first", {kAnswerCancel}, {}, 1},
        {"no to all", {kAnswerYes, kAnswerNoToAll}, {"a", "d"}, 2},
        {"yes to all", {kAnswerNo, kAnswerYesToAll}, {"b", "c", "d", "e"}, 2},
    };
    for (const Case &c : cases) {
        EngineFixture fixture(kFive);
        Recorded all(TcmdNombre::fnAll);
        all.cmd.OnExecution = [&](TAbstractListFichier *f, const QStringList &, TCommandEngine &, int) {
            all.ran << QFileInfo(f->path).baseName();
        };
        all.cmd.OnFileVerification = [](TAbstractListFichier *f, const QStringList &, TCommandEngine &, int) {
            return NameOf(f) == QStringLiteral("d.avi");
        };
        all.cmd.OnFileConFirmation = [](TAbstractListFichier *f, const QStringList &, TCommandEngine &, int) {
            return QStringLiteral("Process ") + NameOf(f) + QStringLiteral("?");
        };
        fixture.user.answers.assign(c.answers.begin(), c.answers.end());
        fixture.Run(all.cmd);
        EXPECT_EQ(all.ran, c.ran) << c.name;
        EXPECT_EQ(fixture.user.questions.size(), c.questions) << c.name;
        EXPECT_EQ(fixture.events.last(), QStringLiteral("end")) << c.name;
        EXPECT_TRUE(fixture.list.enabled) << c.name;
    }
}

TEST(CommandEngine, QuestionTextsForOneAndSeveralFiles)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.avi"));
    const QString b = dir.filePath(QStringLiteral("b.avi"));
    testsupport::WriteWholeFile(a + QStringLiteral(".out"), "x");
    testsupport::WriteWholeFile(b + QStringLiteral(".out"), "x");

    Tcmd overwrite;
    overwrite.Nombre = TcmdNombre::fnSelect;
    overwrite.OnDestination = [](TAbstractListFichier *f, const QStringList &, int) {
        return f->path + QStringLiteral(".out");
    };
    tCustomCmd custom;
    custom.Nombre = TcmdNombre::fnSelect;
    custom.OnFileVerification = [](TAbstractListFichier *, const QStringList &, TCommandEngine &, int) { return false; };
    custom.OnFileConFirmation = [](TAbstractListFichier *, const QStringList &, TCommandEngine &, int) {
        return QStringLiteral("Continue?");
    };

    EngineFixture one({a, b});
    one.list.Select({0});
    one.Run(overwrite);
    one.list.SetSelected(0, false);
    one.list.Select({1});
    one.Run(custom);
    EXPECT_EQ(one.user.questions,
              (QStringList{QStringLiteral("Do you really want to delete the existing file ") + a + ".out",
                           QStringLiteral("Continue?")}));
    EXPECT_EQ(one.user.severalFlags, (std::vector<bool>{false, false}));

    EngineFixture several({a, b});
    several.user.answers = {kAnswerNo, kAnswerNo, kAnswerNo, kAnswerNo};
    several.list.Select({0, 1});
    several.Run(overwrite);
    several.list.Select({0, 1});
    several.Run(custom);
    ASSERT_EQ(several.user.questions.size(), 4);
    EXPECT_EQ(several.user.questions[0], QStringLiteral("Do you really want to delete the existing file ") + a +
                                             ".out?\r\nIf you answer \"All\", then no more confirmation will be requested");
    EXPECT_EQ(several.user.questions[2],
              QStringLiteral("Continue?\r\nSi vous répondez \"Oui à Tous\" ou \"Non à Tous\", alors plus aucune "
                             "confirmation ne sera demandée."));
    EXPECT_EQ(several.user.severalFlags, (std::vector<bool>{true, true, true, true}));
}

TEST(CommandEngine, WithoutAQuestionAFailingVerificationRunsAsAfterYesToAll)
{
    EngineFixture fixture(kFive);
    Recorded all(TcmdNombre::fnAll);
    all.cmd.OnFileVerification = [](TAbstractListFichier *, const QStringList &, TCommandEngine &, int) {
        return false;
    };
    fixture.Run(all.cmd);
    EXPECT_EQ(all.ran.size(), 5);
    EXPECT_TRUE(fixture.user.questions.isEmpty());
    EXPECT_EQ(fixture.engine.Answer, kAnswerYesToAll);
}

// The second file's pass polls for an abort (as a graph does); the user aborts it.
TEST(CommandEngine, AbortStopsThePollingPassAndSkipsTheNextFile)
{
    for (const bool polling : {true, false}) {
        EngineFixture fixture(kFive);
        Recorded all(TcmdNombre::fnAll);
        QStringList stopped;
        all.cmd.OnExecution = [&](TAbstractListFichier *f, const QStringList &, TCommandEngine &ce, int) {
            all.ran << NameOf(f);
            if (NameOf(f) != QStringLiteral("b.avi"))
                return;
            ce.Synchronize([&] { ce.Abort(); });
            if (polling && ce.IsAborted())
                stopped << NameOf(f);
        };
        fixture.Run(all.cmd);
        EXPECT_EQ(all.ran, (QStringList{"a.avi", "b.avi", "d.avi", "e.avi"})) << "polling " << polling;
        EXPECT_EQ(stopped.size(), polling ? 1 : 0);
        EXPECT_TRUE(fixture.events.contains(QStringLiteral("done b.avi.1")));
    }
}

TEST(CommandEngine, AbortAllEndsTheRunAfterTheFileInProgress)
{
    EngineFixture fixture(kFive);
    Recorded all(TcmdNombre::fnAll);
    all.cmd.OnExecution = [&](TAbstractListFichier *f, const QStringList &, TCommandEngine &ce, int) {
        all.ran << NameOf(f);
        if (NameOf(f) == QStringLiteral("b.avi"))
            ce.Synchronize([&] { ce.AbortAll(); });
    };
    fixture.Run(all.cmd);
    EXPECT_EQ(all.ran, (QStringList{"a.avi", "b.avi"}));
    EXPECT_EQ(fixture.events.last(), QStringLiteral("end"));
}

TEST(CommandEngine, AbortDuringScenePassesBeginsEachAndStopsIt)
{
    EngineFixture fixture({"/v/a.avi", "/v/b.avi", "/v/c.avi"});
    tCustomCmd scenes;
    scenes.Nombre = TcmdNombre::fnAll;
    QStringList passes;
    scenes.OnExecution = [&](TAbstractListFichier *f, const QStringList &, TCommandEngine &ce, int passe) {
        if (passe == 1)
            scenes.NbPasses = 5;
        const bool stoppedAtOnce = ce.IsAborted();
        passes << QStringLiteral("%1.%2%3").arg(QFileInfo(f->path).baseName()).arg(passe).arg(stoppedAtOnce ? "x" : "");
        if (NameOf(f) == QStringLiteral("a.avi") && passe == 2)
            ce.Synchronize([&] { ce.Abort(); });
    };
    fixture.Run(scenes);
    EXPECT_EQ(passes, (QStringList{"a.1", "a.2", "a.3x", "a.4x", "a.5x", "c.1", "c.2", "c.3", "c.4", "c.5"}));
}

TEST(CommandEngine, ErrorsOfTheKinds)
{
    EngineFixture fixture({"/v/a.avi", "/v/b.avi", "/v/c.avi"});

    // A fast command reports the failure with its message and goes on.
    TFastcmd fast;
    fast.Nombre = TcmdNombre::fnAll;
    fast.StartMessage = QStringLiteral("Doing %s");
    fast.ErrorMessage = QStringLiteral("Could not do %s");
    QStringList ran;
    fast.OnExecution = [&](TAbstractListFichier *f, const QStringList &, TCommandEngine &, int) {
        ran << NameOf(f);
        if (NameOf(f) == QStringLiteral("b.avi"))
            throw std::runtime_error("disk full");
    };
    fixture.Run(fast);
    EXPECT_EQ(ran, (QStringList{"a.avi", "b.avi", "c.avi"}));
    EXPECT_TRUE(fixture.events.contains(QStringLiteral("error Could not do /v/b.avi\ndisk full")));
    EXPECT_TRUE(fixture.events.contains(QStringLiteral("msg Doing c.avi")));

    // A custom command's failure ends the loop without a message; the end still comes.
    fixture.events.clear();
    tCustomCmd custom;
    custom.Nombre = TcmdNombre::fnAll;
    ran.clear();
    custom.OnExecution = fast.OnExecution;
    fixture.Run(custom);
    EXPECT_EQ(ran, (QStringList{"a.avi", "b.avi"}));
    EXPECT_EQ(fixture.events, (QStringList{"start", "file a.avi.1", "done a.avi.1", "file b.avi.1", "end"}));
    EXPECT_TRUE(fixture.list.enabled);

    // A pass that reports a fatal error gets no end-of-file event; the next file runs.
    fixture.events.clear();
    tCustomCmd fatal;
    fatal.Nombre = TcmdNombre::fnAll;
    fatal.OnExecution = [](TAbstractListFichier *f, const QStringList &, TCommandEngine &ce, int) {
        if (NameOf(f) == QStringLiteral("a.avi"))
            ce.CommandError(QStringLiteral("fatal"), TErrorType::etAllError);
    };
    fixture.Run(fatal);
    EXPECT_FALSE(fixture.events.contains(QStringLiteral("done a.avi.1")));
    EXPECT_TRUE(fixture.events.contains(QStringLiteral("done b.avi.1")));
}

TEST(CommandEngine, ASecondRunDuringARunIsRefused)
{
    EngineFixture fixture({"/v/a.avi"});
    std::atomic<bool> release{false};
    Recorded slow(TcmdNombre::fnAll);
    slow.cmd.OnExecution = [&](TAbstractListFichier *, const QStringList &, TCommandEngine &, int) {
        while (!release)
            QThread::msleep(1);
    };
    Recorded other(TcmdNombre::fnAll);
    ASSERT_EQ(fixture.engine.RunCommand(slow.cmd), TCommandEngine::RunResult::Started);
    EXPECT_TRUE(fixture.engine.IsRunning());
    EXPECT_EQ(fixture.engine.RunCommand(other.cmd), TCommandEngine::RunResult::Busy);
    EXPECT_EQ(fixture.engine.Cmd(), &slow.cmd);
    release = true;
    EXPECT_TRUE(fixture.engine.WaitForIdle(10000));
    EXPECT_TRUE(other.ran.isEmpty());
    EXPECT_EQ(fixture.Run(other.cmd), TCommandEngine::RunResult::Started);
}

TEST(CommandEngine, ListUpdates)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("a.avi"));
    const QString c = dir.filePath(QStringLiteral("c.avi"));
    testsupport::WriteWholeFile(a, "a");
    testsupport::WriteWholeFile(c, "c");
    EngineFixture fixture({a, c});
    fixture.engine.SetFichierClass(ItemClassOf<TAbstractListFichier>());

    // Add: the destination joins the list in its place; a missing one does not.
    Tcmd add;
    add.Nombre = TcmdNombre::fnSingle;
    add.UpdateFile = TUpdateFile::ufAdd;
    add.OnDestination = [&](TAbstractListFichier *f, const QStringList &, int) {
        return QString(f->path).replace(QStringLiteral("a.avi"), QStringLiteral("b.avi"));
    };
    add.OnDestExecution = [](TAbstractListFichier *, const QString &destination, const QStringList &,
                             TCommandEngine &, int) { testsupport::WriteWholeFile(destination, "b"); };
    fixture.list.SetFocusedIndex(0);
    fixture.Run(add);
    EXPECT_EQ(fixture.list.Paths(), (QStringList{a, dir.filePath("b.avi"), c}));

    // Reload: the row holds a new item for the same file; the end event sees it.
    TFastcmd reload;
    reload.Nombre = TcmdNombre::fnSingle;
    reload.UpdateFile = TUpdateFile::ufReload;
    TAbstractListFichier *const before = fixture.list.EntryItem(0).get();
    TAbstractListFichier *seenAtEnd = nullptr;
    fixture.engine.OnEndFichier = [&](TAbstractListFichier *f, const QStringList &, int) { seenAtEnd = f; };
    fixture.Run(reload);
    EXPECT_NE(fixture.list.EntryItem(0).get(), before);
    EXPECT_EQ(seenAtEnd, fixture.list.EntryItem(0).get());
    EXPECT_EQ(fixture.list.EntryItem(0)->path, a);

    // Rename: the file and its item move to the new name and place.
    TRenameCmd rename;
    rename.Nombre = TcmdNombre::fnSingle;
    rename.OnDestination = [&](TAbstractListFichier *, const QStringList &, int) { return dir.filePath("z.avi"); };
    TAbstractListFichier *const renamed = fixture.list.EntryItem(0).get();
    fixture.Run(rename);
    EXPECT_TRUE(QFile::exists(dir.filePath("z.avi")));
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_EQ(fixture.list.Paths(), (QStringList{dir.filePath("b.avi"), c, dir.filePath("z.avi")}));
    EXPECT_EQ(fixture.list.EntryItem(2).get(), renamed) << "the item is kept";
    EXPECT_EQ(fixture.list.SelectedRows(), (std::vector<int>{2}));

    // Remove: the row goes.
    TFastcmd remove;
    remove.Nombre = TcmdNombre::fnSingle;
    remove.UpdateFile = TUpdateFile::ufRemove;
    fixture.list.SetFocusedIndex(1);
    fixture.Run(remove);
    EXPECT_EQ(fixture.list.Paths(), (QStringList{dir.filePath("b.avi"), dir.filePath("z.avi")}));
}
