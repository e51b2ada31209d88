// The scene commands without a media graph: the scene file cut at fixed intervals,
// read back with ReadScnFile, and the text export of a video's scenes.
#include "commands/scenecommands.h"
#include "scenes/scnfile.h"
#include "tablefixture.h"

#include "support/testsupport.h"

#include <QFileInfo>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using Ranges = std::vector<std::pair<int32_t, int32_t>>;

const DvOptions kHundredFrames = {
    .plan = {QStringLiteral("--recording"), QStringLiteral("2021-06-05 14:30:00,00:10:00:00,100")}};

Ranges ScenesOf(const QString &scnPath)
{
    TSceneList list;
    EXPECT_TRUE(ReadScnFile(scnPath, list));
    Ranges ranges;
    for (const TSceneEntry &entry : list)
        ranges.emplace_back(entry.Scene->BeginFrame, entry.Scene->EndFrame);
    return ranges;
}

QStringList LinesOf(const QString &path)
{
    QStringList lines = QString::fromUtf8(testsupport::ReadWholeFile(path)).split(QStringLiteral("\r\n"));
    EXPECT_EQ(lines.takeLast(), QString()) << "every line ends with CR LF";
    return lines;
}

// The scene lines of an export: after the 11 header lines, before the empty line and the 4 footer lines.
QStringList SceneLines(const QString &path)
{
    const QStringList lines = LinesOf(path);
    if (lines.size() < 16) {
        ADD_FAILURE() << "too short: " << lines.size() << " lines";
        return {};
    }
    EXPECT_EQ(lines[10], QString());
    EXPECT_EQ(lines[lines.size() - 5], QString());
    EXPECT_TRUE(lines[lines.size() - 4].startsWith(QStringLiteral("//---")));
    EXPECT_TRUE(lines[lines.size() - 3].startsWith(QStringLiteral("// Terminated at ")));
    return lines.mid(11, lines.size() - 16);
}

void WriteTwoScenes(const QString &videoPath)
{
    TwriteScene writer(videoPath);
    TSceneClass first(0, 50);
    first.Title = QStringLiteral("Arrival");
    first.Subtitle = QStringLiteral("at the beach, at last");
    writer.WriteScene(first);
    writer.WriteScene(TSceneClass(50, 100));
}

}  // namespace

TEST(IntervalScenes, FixedDurationsFromTheFramesAndTheRate)
{
    struct Case {
        const char *seconds;
        Ranges expected;
    };
    const Case cases[] = {
        {"1", {{0, 25}, {25, 50}, {50, 75}, {75, 100}}},
        {" 3 ", {{0, 75}, {75, 100}}},
        {"10", {{0, 100}}},
        {"0", {}},
        {"-2", {}},
        {"two", {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.seconds);
        TableFixture f;
        ASSERT_FALSE(f.MakeDv(QStringLiteral("clip.avi"), kHundredFrames).isEmpty());
        ASSERT_FALSE(f.MakeDv(QStringLiteral("other.avi")).isEmpty());
        f.Open({"clip.avi", "other.avi"});
        f.Select({"clip.avi"});
        const auto before = f.Snapshot();
        f.Run(QStringLiteral("CreerScnByIntervalle"), {QString::fromLatin1(c.seconds)});
        EXPECT_TRUE(f.user.questions.isEmpty());
        EXPECT_EQ(f.user.statuses, QStringList("Creating a scn file for clip.avi with fixed durations"));
        if (c.expected.empty()) {
            EXPECT_TRUE(TableFixture::Changed(before, f.Snapshot()).isEmpty());
            continue;
        }
        EXPECT_EQ(Names(TableFixture::Changed(before, f.Snapshot())), "clip.scn");
        EXPECT_EQ(ScenesOf(f.Path("clip.scn")), c.expected);
        EXPECT_EQ(f.user.progressMax, 100);
        EXPECT_TRUE(f.Item("clip.avi")->hasScn) << "the item was read again";
    }
}

TEST(IntervalScenes, AnExistingSceneFileIsAskedAboutFirst)
{
    TableFixture f;
    f.preferences.saveInSameFolder = false;
    f.preferences.folderWhereToSave = f.dataHome.path() + QStringLiteral("/");
    ASSERT_FALSE(f.MakeDv(QStringLiteral("clip.avi"), kHundredFrames).isEmpty());
    WriteTwoScenes(f.Path("clip.avi"));
    f.Open({"clip.avi"});
    const QString question = QStringLiteral("Do you really want to delete the existing file ") + f.Path("clip.scn");

    f.Select({"clip.avi"});
    f.user.answers = {kAnswerNo};
    const auto before = f.Snapshot();
    f.Run(QStringLiteral("CreerScnByIntervalle"), {"1"});
    EXPECT_EQ(f.user.questions, QStringList(question));
    EXPECT_TRUE(TableFixture::Changed(before, f.Snapshot()).isEmpty());

    f.Select({"clip.avi"});
    f.user.answers = {kAnswerYes};
    f.Run(QStringLiteral("CreerScnByIntervalle"), {"2"});
    EXPECT_EQ(f.user.questions.size(), 2);
    EXPECT_EQ(ScenesOf(f.Path("clip.scn")), Ranges({{0, 50}, {50, 100}}));
}

TEST(SceneTextExport, LinesFromTheSceneFileWithoutAPlayer)
{
    TableFixture f;
    ASSERT_FALSE(f.MakeDv(QStringLiteral("Clip.avi"), kHundredFrames).isEmpty());
    WriteTwoScenes(f.Path("Clip.avi"));
    ASSERT_FALSE(f.MakeDv(QStringLiteral("other.avi")).isEmpty());
    f.Open({"Clip.avi", "other.avi"});
    f.Select({"Clip.avi", "other.avi"});
    const auto before = f.Snapshot();
    f.Run(QStringLiteral("ExporterScenesTexte"));

    EXPECT_TRUE(f.user.questions.isEmpty());
    EXPECT_EQ(Names(TableFixture::Changed(before, f.Snapshot())), "Clip_scn.txt") << "other.avi has no scene file";
    const QStringList lines = LinesOf(f.Path("Clip_scn.txt"));
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines[3], QStringLiteral("// ***   ") + f.Path("Clip.avi").toLower() + QStringLiteral("   ***"));
    EXPECT_EQ(SceneLines(f.Path("Clip_scn.txt")),
              QStringList({"  1, 0:00:00:00, 0:00:01:24, 02.00, , , Arrival, at the beach, at last",
                           "  2, 0:00:02:00, 0:00:03:24, 02.00, , , , "}));
    EXPECT_EQ(f.user.statuses, QStringList("Exporting the scenes of Clip.avi  to a  text file"));
    EXPECT_EQ(f.user.progressMax, 2);
    EXPECT_EQ(f.user.progress, std::vector<int>({0, 1}));
}

TEST(SceneTextExport, ThePlayerFillsTheTextsAndTheEditorGivesItsScenes)
{
    TableFixture f;
    ASSERT_FALSE(f.MakeDv(QStringLiteral("clip.avi"), kHundredFrames).isEmpty());
    WriteTwoScenes(f.Path("clip.avi"));
    f.Open({"clip.avi"});
    int loaded = 0;
    f.context.loadSceneInfo = [&](TSceneClass &scene) {
        ++loaded;
        scene.DatecodeText = QStringLiteral("05/06/2021 14:30:00");
        scene.TimecodeText = QStringLiteral("00.10.00.00");
        scene.StartText = QStringLiteral("start");
        scene.EndText = QStringLiteral("end");
        scene.InfoLoaded = true;
    };
    TSceneList editor;
    editor.push_back({QStringLiteral("Scene 1: "), std::make_unique<TSceneClass>(0, 30)});
    editor.push_back({QStringLiteral("Scene 2: "), std::make_unique<TSceneClass>(30, 100)});
    editor[1].Scene->InfoLoaded = true;  // already shown in the editor: its texts are used as they are
    editor[1].Scene->StartText = QStringLiteral("0:00:01:05");
    QStringList editorCalls;
    f.context.sceneEditorList = [&](const QString &path) -> TSceneList * {
        editorCalls << QStringLiteral("open ") + QFileInfo(path).fileName();
        return &editor;
    };
    f.context.restoreSceneEditor = [&] { editorCalls << QStringLiteral("restore"); };
    f.Select({"clip.avi"});
    f.Run(QStringLiteral("ExporterScenesTexte"));

    EXPECT_EQ(loaded, 1);
    EXPECT_EQ(editorCalls, QStringList({"open clip.avi", "restore"}));
    const QStringList scenes = SceneLines(f.Path("clip_scn.txt"));
    ASSERT_EQ(scenes.size(), 2) << "the editor's scenes, not the file's";
    EXPECT_EQ(scenes[0], QStringLiteral("  1, start, end, , 05/06/2021 14:30:00, 00.10.00.00, , "));
    EXPECT_TRUE(scenes[1].startsWith(QStringLiteral("  2, 0:00:01:05, ")));
}

TEST(SceneTextExport, AnExistingExportBesideTheVideoIsAskedAbout)
{
    TableFixture f;
    f.preferences.saveInSameFolder = false;
    f.preferences.folderWhereToSave = f.dataHome.path() + QStringLiteral("/");
    ASSERT_FALSE(f.MakeDv(QStringLiteral("clip.avi"), kHundredFrames).isEmpty());
    WriteTwoScenes(f.Path("clip.avi"));
    ASSERT_TRUE(testsupport::WriteWholeFile(f.Path("clip_scn.txt"), "an earlier export"));
    f.Open({"clip.avi"});
    f.Select({"clip.avi"});
    f.user.answers = {kAnswerNo};
    const auto before = f.Snapshot();
    f.Run(QStringLiteral("ExporterScenesTexte"));
    EXPECT_EQ(f.user.questions,
              QStringList(QStringLiteral("Do you really want to delete the existing file ") + f.Path("clip_scn.txt")));
    EXPECT_TRUE(TableFixture::Changed(before, f.Snapshot()).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(f.dataHome.filePath("clip_scn.txt")));
}

TEST(SceneTexts, PositionsAtTheVideoRate)
{
    EXPECT_EQ(ScenePositionText(250, 25), QStringLiteral("0:00:10:00"));
    EXPECT_EQ(ScenePositionText(499, 25), QStringLiteral("0:00:19:24"));
    EXPECT_EQ(ScenePositionText(90000, 25), QStringLiteral("1:00:00:00"));
    EXPECT_EQ(ScenePositionText(1799, 29.97), QStringLiteral("0:01:00:00"));
    EXPECT_EQ(ScenePositionText(10, 0), QStringLiteral("??"));
    TSceneClass scene(250, 500);
    FillSceneTexts(scene, 25, 2);
    EXPECT_EQ(scene.StartText, QStringLiteral("0:00:10:00"));
    EXPECT_EQ(scene.EndText, QStringLiteral("0:00:19:24"));
    EXPECT_EQ(scene.DurationText, QStringLiteral("10s 00fr"));
}
