#include "scenes/scenelist.h"
#include "scenes/scnfile.h"

#include "scnbytes.h"
#include "support/testsupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(SceneList, CaptionNamesNumberAndTitle)
{
    TSceneClass scene(0, 10);
    scene.Number = 3;
    scene.Title = QStringLiteral("Arrival");
    EXPECT_EQ(SceneCaption(scene), QStringLiteral("Scene 3: Arrival"));
}

TEST(SceneList, VideoWithoutSceneFileIsOneScene)
{
    QTemporaryDir dir;
    TSceneList list;
    list.push_back({QStringLiteral("stale"), std::make_unique<TSceneClass>(1, 2)});
    LoadScenes(dir.filePath(QStringLiteral("v.avi")), 1234, list, SceneContext{true, 25, 720, 576, 2});
    ASSERT_EQ(list.size(), 1u);
    const TSceneClass &scene = *list[0].Scene;
    EXPECT_EQ(list[0].Caption, QStringLiteral("1: Unique Scene"));
    EXPECT_EQ(scene.Number, 1);
    EXPECT_EQ(scene.BeginFrame, 0);
    EXPECT_EQ(scene.EndFrame, 1234);
    EXPECT_EQ(scene.Title, QStringLiteral("Unique Scene"));
    EXPECT_EQ(scene.Subtitle, QStringLiteral("representing a video not yet analyzed"));
    EXPECT_EQ(scene.DurationText, QStringLiteral("49s 09fr"));
}

TEST(SceneList, DamagedSceneFileEndsWithTheErrorEntry)
{
    QTemporaryDir dir;
    const QString video = dir.filePath(QStringLiteral("v.avi"));
    std::vector<qsizetype> recordEnds;
    const QByteArray golden = GoldenScn(&recordEnds);
    ASSERT_TRUE(testsupport::WriteWholeFile(ScnFilePath(video), golden.left(recordEnds[1] + 20)));

    TSceneList list;
    LoadScenes(video, 1234, list);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].Caption, QStringLiteral("Scene 1: "));
    EXPECT_EQ(list[1].Caption, QStringLiteral("Scene 2: T"));
    EXPECT_EQ(list[2].Caption, QStringLiteral("1: Error in the scn file"));
    EXPECT_EQ(list[2].Scene->BeginFrame, 0);
    EXPECT_EQ(list[2].Scene->EndFrame, 0);

    ASSERT_TRUE(testsupport::WriteWholeFile(ScnFilePath(video), golden));
    LoadScenes(video, 1234, list);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[2].Caption, QStringLiteral("Scene 3: "));
}

TEST(SceneList, SaveThenLoadGivesTheList)
{
    QTemporaryDir dir;
    const QString video = dir.filePath(QStringLiteral("v.avi"));
    TSceneList list;
    for (int i = 0; i < 3; ++i) {
        auto scene = std::make_unique<TSceneClass>(i * 100, i * 100 + 100);
        scene->Number = i + 1;
        scene->Title = QStringLiteral("Title %1").arg(i + 1);
        scene->Subtitle = QStringLiteral("Sub %1").arg(i + 1);
        list.push_back({SceneCaption(*scene), std::move(scene)});
    }
    ASSERT_TRUE(SaveScenes(video, list));
    TSceneList loaded;
    LoadScenes(video, 0, loaded);
    ASSERT_EQ(loaded.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(loaded[i].Caption, list[i].Caption);
        EXPECT_EQ(loaded[i].Scene->Subtitle, list[i].Scene->Subtitle);
        EXPECT_EQ(loaded[i].Scene->EndFrame, list[i].Scene->EndFrame);
    }
    EXPECT_FALSE(SaveScenes(dir.filePath(QStringLiteral("missing/v.avi")), list));
}
