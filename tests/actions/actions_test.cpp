// The action list, the command-line and script interpreter, and the shortcut table.
#include "actions/actionlist.h"
#include "actions/script.h"
#include "actions/shortcuttable.h"

#include "support/testsupport.h"

#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

// The action list with handlers that log what ran and with which parameter.
struct Actions {
    TActionParams params;
    TActionList list{params};
    QStringList log;

    Actions()
    {
        for (const auto &action : list.Actions()) {
            const QString name = action->Name();
            if (auto *one = dynamic_cast<TSuperAction *>(action.get())) {
                one->OnExecute = [this, name] { log << name + QStringLiteral("(") + params.ParamList.join(u'|') + ")"; };
            } else if (auto *toggle = dynamic_cast<TtoggleAction *>(action.get())) {
                toggle->OnFalseExecute = [this, name, toggle] {
                    log << name + QStringLiteral(" on");
                    toggle->SetChecked(true);
                };
                toggle->OnTrueExecute = [this, name, toggle] {
                    log << name + QStringLiteral(" off");
                    toggle->SetChecked(false);
                };
            }
        }
    }
};

QString WriteScript(const QTemporaryDir &dir, const QByteArray &text)
{
    const QString path = dir.filePath(QStringLiteral("script.txt"));
    testsupport::WriteWholeFile(path, text);
    return path;
}

}  // namespace

TEST(ActionList, SharedSwitchesAndShortcutsGoToTheFirstInListOrder)
{
    Actions a;
    EXPECT_EQ(a.list.FindBySwitchOrToken(QStringLiteral("di"))->Name(), QStringLiteral("taAfficherIncrustation"));
    EXPECT_EQ(a.list.FindBySwitchOrToken(QStringLiteral("DEINTERLACE"))->Name(), QStringLiteral("taDeinterlace"));
    EXPECT_EQ(a.list.FindByShortcut(QKeySequence(QStringLiteral("Ctrl+Q")))->Name(), QStringLiteral("saQuitter"));
    EXPECT_EQ(a.list.FindByShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+2")))->Name(),
              QStringLiteral("ccConvertirDV2"));
    EXPECT_EQ(a.list.FindByShortcut(QKeySequence(QKeyCombination(Qt::ControlModifier | Qt::KeypadModifier, Qt::Key_1)))->Name(), QStringLiteral("ccConvertirDV1"));
    EXPECT_EQ(a.list.FindByShortcut(QKeySequence(QKeyCombination(Qt::KeypadModifier, Qt::Key_Plus)))->Name(), QStringLiteral("saIncVolume"));
    EXPECT_EQ(a.list.FindBySwitchOrToken(QStringLiteral("$"))->Name(), QStringLiteral("ccCreerScnByContenu"));
    EXPECT_EQ(a.list.FindBySwitchOrToken(QString()), nullptr);
}

TEST(ActionList, InitialStatesAndTwoStateCaptions)
{
    Actions a;
    EXPECT_TRUE(a.list.Find(QStringLiteral("taBasculerListe"))->Checked());
    EXPECT_EQ(a.list.Find(QStringLiteral("taBasculerListe"))->Caption, QStringLiteral("Hide the list"));
    EXPECT_TRUE(a.list.Find(QStringLiteral("saBarreInterface"))->Checked());
    EXPECT_FALSE(a.list.Find(QStringLiteral("saBarreScenes"))->Visible);
    TtoggleAction *mute = a.list.FindToggle(QStringLiteral("taMute"));
    ASSERT_NE(mute, nullptr);
    EXPECT_EQ(mute->Caption, QStringLiteral("Turn sound off"));
    mute->Execute();
    EXPECT_TRUE(mute->Checked());
    EXPECT_EQ(mute->Caption, QStringLiteral("Turn sound on"));
    mute->Execute();
    EXPECT_EQ(a.log, (QStringList{"taMute on", "taMute off"}));
}

TEST(ActionList, ExecuteRunsOnlyWhenEnabledAndPrepared)
{
    Actions a;
    TCustomSuperAction *open = a.list.Find(QStringLiteral("saOuvrirFichiers"));
    bool confirm = false;
    open->OnPrepare = [&] {
        a.params.Prepared = false;
        if (confirm) {
            a.params.ParamList = QStringList{"/v/a.avi", "/v/b.avi"};
            a.params.Prepared = true;
        }
    };
    open->Execute();
    confirm = true;
    open->Execute();
    open->Enabled = false;
    open->Execute();
    EXPECT_EQ(a.log, QStringList{"saOuvrirFichiers(/v/a.avi|/v/b.avi)"});
}

TEST(Script, CommandLineArguments)
{
    Actions a;
    TSwitch line(a.list, a.params);
    line.DefaultAction = a.list.Find(QStringLiteral("saOuvrirPlayList"));
    line.ParseCommandLine({"/fs", "/u=C:\\lists\\holiday.txt", "/home/me/list.txt", "+mute=1", "-MUTE", "/nothing",
                           "/di", "/tD=+01:00"});
    struct Expected {
        const char *action;
        TActionMode mode;
        const char *value;
    } const expected[] = {
        {"taFullscreen", TActionMode::Switch, ""},
        {"saOuvrirPlayList", TActionMode::Switch, "C:\\lists\\holiday.txt"},
        {"saOuvrirPlayList", TActionMode::None, "/home/me/list.txt"},
        {"taMute", TActionMode::On, "1"},
        {"taMute", TActionMode::Off, ""},
        {"taAfficherIncrustation", TActionMode::Switch, ""},
        {"ccDecalageHoraire", TActionMode::Switch, "+01:00"},
    };
    ASSERT_EQ(line.Entries().size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(line.Entries()[i].Action->Name(), QLatin1String(expected[i].action)) << i;
        EXPECT_EQ(line.Entries()[i].Mode, expected[i].mode) << i;
        EXPECT_EQ(line.Entries()[i].Value, QLatin1String(expected[i].value)) << i;
    }
    line.Run();
    EXPECT_EQ(a.log, (QStringList{"taFullscreen on", "saOuvrirPlayList(C:\\lists\\holiday.txt)",
                                  "saOuvrirPlayList(/home/me/list.txt)", "taMute on", "taMute off",
                                  "taAfficherIncrustation on", "ccDecalageHoraire(+01:00)"}));
}

TEST(Script, ValueExtraction)
{
    struct Case {
        const char *rest;
        const char *value;
    } const cases[] = {
        {"  /v/a.avi", "/v/a.avi"},
        {"/v/a.avi and more", "/v/a.avi"},
        {"\"/v/my films/a.avi\" dropped", "/v/my films/a.avi"},
        {"/v/\"my films\"/a.avi", "/v/my films"},
        {"", ""},
    };
    for (const Case &c : cases)
        EXPECT_EQ(ExtractScriptValue(QString::fromUtf8(c.rest)), QString::fromUtf8(c.value)) << c.rest;
}

TEST(Script, FilesRunTheirLinesAndQuitAtTheEnd)
{
    Actions a;
    QTemporaryDir dir;
    TScript script(a.list, a.params);
    int quits = 0;
    script.OnQuit = [&] { ++quits; };

    script.RunScriptFile(WriteScript(dir, "\r\n   \n\tjust words here\nnotanaction 12\n"));
    EXPECT_TRUE(a.log.isEmpty());
    EXPECT_FALSE(script.Executing());
    EXPECT_EQ(quits, 0);

    script.RunScriptFile(WriteScript(dir, "quit\r\nOPENFILES  /v/a.avi\r\nopenfiles \"/v/my films/b.avi\" x\r\n"
                                          "mute=true\r\n+mute\r\nmute\r\n-fullscreen\r\nmute toggle\r\n"));
    EXPECT_EQ(a.log, (QStringList{"saOuvrirFichiers(/v/a.avi)", "saOuvrirFichiers(/v/my films/b.avi)", "taMute on",
                                  "taMute on", "taMute off", "taFullscreen off", "taMute on"}));
    EXPECT_EQ(quits, 1);
    EXPECT_TRUE(script.Entries().empty());

    // A missing file does nothing; the earlier "quit" still closes at the next end of a run.
    a.log.clear();
    script.RunScriptFile(dir.filePath(QStringLiteral("missing.txt")));
    EXPECT_TRUE(a.log.isEmpty());
}

TEST(Script, SkipsDisabledActionsAndWaitsForEachCommand)
{
    Actions a;
    QTemporaryDir dir;
    TScript script(a.list, a.params);
    a.list.Find(QStringLiteral("ccConvertirDV1"))->Enabled = false;
    // "Convert in type 2" starts a command that ends a little later, as a run on the worker does.
    a.list.FindSuper(QStringLiteral("ccConvertirDV2"))->OnExecute = [&] {
        a.log << QStringLiteral("type 2 started");
        a.params.CommandRunning = true;
        QTimer::singleShot(50, [&] {
            a.log << QStringLiteral("type 2 ended");
            a.params.CommandRunning = false;
        });
    };
    script.RunScriptFile(WriteScript(dir, "converttype1\nconverttype2\nselectall\n"));
    EXPECT_EQ(a.log, (QStringList{"type 2 started", "type 2 ended", "saSelectionnerTout()"}));
}

TEST(Script, StopEndsTheRunWhileWaiting)
{
    Actions a;
    QTemporaryDir dir;
    TScript script(a.list, a.params);
    a.list.FindSuper(QStringLiteral("ccConvertirDV2"))->OnExecute = [&] {
        a.params.CommandRunning = true;
        QTimer::singleShot(20, [&] { script.Stop(); });
    };
    script.RunScriptFile(WriteScript(dir, "converttype2\nselectall\n"));
    EXPECT_FALSE(a.log.contains(QStringLiteral("saSelectionnerTout()")));
    EXPECT_FALSE(script.Executing());
}

TEST(ShortcutTable, OrderedByEachColumn)
{
    Actions a;
    const auto positionOf = [](const std::vector<TShortcutRow> &rows, const QString &name) {
        for (size_t i = 0; i < rows.size(); ++i)
            if (rows[i].Action->Name() == name)
                return static_cast<int>(i);
        return -1;
    };
    const std::vector<TShortcutRow> byCaption = BuildShortcutRows(a.list, 0);
    EXPECT_EQ(byCaption.size(), a.list.Actions().size()) << "every action has a caption";
    EXPECT_LT(positionOf(byCaption, "ccOpenFichierF3"), positionOf(byCaption, "ccOpenFichierF4"))
        << "equal captions ordered by name";
    EXPECT_EQ(byCaption.front().Caption, QStringLiteral("Abort all"));

    const std::vector<TShortcutRow> byKeys = BuildShortcutRows(a.list, 1);
    EXPECT_TRUE(byKeys.front().Keys.isEmpty()) << "actions without a shortcut come first";
    EXPECT_LT(positionOf(byKeys, "saEnregistrerScn"), positionOf(byKeys, "saQuitter"));

    const std::vector<TShortcutRow> byToken = BuildShortcutRows(a.list, 3);
    EXPECT_TRUE(byToken.front().Token.isEmpty());
    EXPECT_LT(positionOf(byToken, "saInterrompre"), positionOf(byToken, "taApropos"));
    EXPECT_LT(positionOf(byToken, "taApropos"), positionOf(byToken, "ccAjouterDatecode"));
    const TShortcutRow &quit = byToken[static_cast<size_t>(positionOf(byToken, "saQuitter"))];
    EXPECT_EQ(quit.Keys, QKeySequence(QStringLiteral("Alt+F4")).toString(QKeySequence::NativeText));
    EXPECT_EQ(quit.Switch, QStringLiteral("qt"));
}
