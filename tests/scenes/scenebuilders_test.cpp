// Scene files made from fixed intervals and from picture-content cuts.
#include "scenes/contentcuts.h"
#include "scenes/intervalscenes.h"

#include "support/testsupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using Ranges = std::vector<std::pair<int32_t, int32_t>>;

Ranges ScenesIn(const QString &video)
{
    EXPECT_TRUE(QFile::exists(ScnFilePath(video)));
    TSceneList list;
    ReadScnFile(ScnFilePath(video), list);  // false for a file without scenes
    Ranges ranges;
    for (const auto &entry : list)
        ranges.emplace_back(entry.Scene->BeginFrame, entry.Scene->EndFrame);
    return ranges;
}

}  // namespace

TEST(IntervalScenes, FramesPerSceneFromTheSecondsText)
{
    struct Case {
        const char *text;
        double fps;
        int64_t frames;
    } const cases[] = {
        {"30", 25, 750},           {" 7 ", 25, 175},   {"1", 30000.0 / 1001, 30}, {"3", 30000.0 / 1001, 90},
        {"0", 25, 0},              {"-5", 25, 0},      {"abc", 25, 0},            {"", 25, 0},
        {"2.5", 25, 0},            {"10", 0, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(IntervalSceneFrames(QString::fromLatin1(c.text), c.fps), c.frames) << c.text << " at " << c.fps;
}

TEST(IntervalScenes, EqualScenesAndAShorterLastOne)
{
    QTemporaryDir dir;
    const QString video = dir.filePath(QStringLiteral("v.avi"));
    {
        TwriteScene writer(video);
        WriteIntervalScenes(writer, 15000, IntervalSceneFrames(QStringLiteral("7"), 25), {});
    }
    const Ranges scenes = ScenesIn(video);
    ASSERT_EQ(scenes.size(), 86u);
    EXPECT_EQ(scenes.front(), std::make_pair(0, 175));
    EXPECT_EQ(scenes[84], std::make_pair(84 * 175, 85 * 175));
    EXPECT_EQ(scenes.back(), std::make_pair(14875, 15000));
}

TEST(IntervalScenes, AbortKeepsTheScenesWrittenAndNoFramesWriteNone)
{
    QTemporaryDir dir;
    const QString video = dir.filePath(QStringLiteral("v.avi"));
    std::vector<int64_t> progress;
    {
        TwriteScene writer(video);
        WriteIntervalScenes(writer, 15000, 750, [&](int64_t begin) {
            progress.push_back(begin);
            return begin < 1500;
        });
    }
    EXPECT_EQ(progress, (std::vector<int64_t>{0, 750, 1500}));
    EXPECT_EQ(ScenesIn(video), (Ranges{{0, 750}, {750, 1500}}));

    const QString empty = dir.filePath(QStringLiteral("empty.avi"));
    {
        TwriteScene writer(empty);
        WriteIntervalScenes(writer, 0, 750, {});
    }
    EXPECT_TRUE(QFile::exists(ScnFilePath(empty)));
    EXPECT_TRUE(ScenesIn(empty).empty());
}

TEST(ContentCuts, ContiguousScenesCoveringTheVideo)
{
    QTemporaryDir dir;
    struct Case {
        std::vector<int64_t> cuts;  // the last one is the end of the stream
        Ranges scenes;
    } const cases[] = {
        {{0, 40, 90, 100}, {{0, 40}, {40, 90}, {90, 100}}},
        {{100}, {{0, 100}}},                 // no cut: one scene over the video
        {{0, 30, 30, 60}, {{0, 30}, {30, 60}}},  // a repeated cut makes no empty scene
        {{0}, {}},                           // a stream without frames
    };
    int n = 0;
    for (const Case &c : cases) {
        const QString video = dir.filePath(QStringLiteral("v%1.avi").arg(n++));
        {
            TwriteScene writer(video);
            TContentSceneCuts cuts(writer);
            for (int64_t cut : c.cuts)
                cuts.OnCut(cut);
        }
        EXPECT_EQ(ScenesIn(video), c.scenes) << "case " << n;
    }
}
