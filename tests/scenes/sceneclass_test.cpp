#include "scenes/sceneclass.h"
#include "scenes/scenetitles.h"

#include <gtest/gtest.h>

TEST(SceneClass, ThumbnailTakesTheVideoProportions)
{
    const struct { int width, height; QSize thumbnail; } cases[] = {
        {720, 576, {300, 240}},
        {720, 480, {320, 213}},
        {1024, 576, {320, 180}},
        {320, 240, {320, 240}},
        {0, 576, {0, 0}},
        {720, -1, {0, 0}},
    };
    for (const auto &c : cases) {
        const TSceneClass scene(0, 10, SceneContext{true, 25, c.width, c.height, 0});
        EXPECT_EQ(scene.Thumbnail.size(), c.thumbnail) << c.width << 'x' << c.height;
        if (!c.thumbnail.isEmpty()) {
            EXPECT_EQ(scene.Thumbnail.format(), QImage::Format_RGB888);
        }
    }
}

TEST(SceneClass, ConstructionWithAndWithoutAVideo)
{
    const TSceneClass none(100, 130);
    EXPECT_FALSE(none.InfoLoaded);
    EXPECT_EQ(none.BeginFrame, 100);
    EXPECT_EQ(none.EndFrame, 130);
    EXPECT_EQ(none.Datecode, 0);
    EXPECT_EQ(none.ThumbOffset, 0);
    EXPECT_TRUE(none.Thumbnail.isNull());
    EXPECT_TRUE(none.DurationText.isEmpty()) << "no video: the duration is left alone";
    EXPECT_TRUE(none.Title.isEmpty() && none.Subtitle.isEmpty() && none.DatecodeText.isEmpty());

    EXPECT_EQ(TSceneClass(100, 130, SceneContext{true, 25, 720, 576, 2}).DurationText, QStringLiteral("1s 05fr"));
    EXPECT_EQ(TSceneClass(100, 130, SceneContext{true, 0, 720, 576, 2}).DurationText, QStringLiteral("??"));
    EXPECT_TRUE(TSceneClass(100, 130, SceneContext{true, 25, 720, 576, 9}).DurationText.isEmpty());

    // Ends read from a damaged file may lie anywhere: the length does not overflow.
    const TSceneClass wide(INT32_MIN, INT32_MAX, SceneContext{true, 25, 720, 576, 2});
    EXPECT_EQ(wide.FrameCount(), int64_t{UINT32_MAX});
    EXPECT_EQ(wide.DurationText, QStringLiteral("47721h 51mn 31s 20fr"));
}

TEST(SceneTitles, SplitAtEveryKindOfLineBreak)
{
    const struct { const char *text, *title, *subtitle; } cases[] = {
        {"", "", ""},
        {"Arrival", "Arrival", ""},
        {"Arrival\r\n", "Arrival", ""},
        {"Arrival\r\nat the lake", "Arrival", "at the lake"},
        {"Arrival\nat the lake", "Arrival", "at the lake"},
        {"Arrival\rat the lake", "Arrival", "at the lake"},
        {"Arrival\r\nat the lake\r\nthird line", "Arrival", "at the lake"},
        {"Arrival\n\rat the lake", "Arrival", ""},
        {"\r\n\r\n", "", ""},
    };
    for (const auto &c : cases) {
        const TSceneTitles titles = SplitTitles(QString::fromLatin1(c.text));
        EXPECT_EQ(titles.Title, QString::fromLatin1(c.title)) << QByteArray(c.text).toHex().constData();
        EXPECT_EQ(titles.Subtitle, QString::fromLatin1(c.subtitle)) << QByteArray(c.text).toHex().constData();
    }
    const TSceneTitles back = SplitTitles(JoinTitles(QStringLiteral("A"), QStringLiteral("B")));
    EXPECT_EQ(back.Title, QStringLiteral("A"));
    EXPECT_EQ(back.Subtitle, QStringLiteral("B"));
}
