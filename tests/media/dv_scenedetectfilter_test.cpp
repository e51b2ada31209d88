#include "dvfiles.h"
#include "testfilters.h"

#include "base/datetime.h"
#include "media/dv_scenedetectfilter.h"
#include "media/dvsplitter.h"
#include "media/mediaformats.h"
#include "media/nullrenderer.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using Scenes = std::vector<std::pair<int32_t, int32_t>>;

// Two recordings hours apart, a stretch without datecode, a third recording:
// scenes [0, 30) at the jump, [30, 55) at the loss, [55, 75) when the datecode comes
// back 20 frames later, and [75, 105) at the end.
const QStringList kPlan = {"--recording", "2020-05-01 10:00:00,00:00:00:00,30",
                           "--recording", "2020-05-01 14:30:00,00:01:00:00,25",
                           "--gap",       "20",
                           "--recording", "2020-05-01 15:00:00,00:02:00:00,30"};
const Scenes kPlanScenes = {{0, 30}, {30, 55}, {55, 75}, {75, 105}};

enum class Route { Interleaved, Type2Video, DvSplitterVideo };

// File source → AVI splitter [→ DV splitter] → detector → null renderer.
struct DetectGraph : dvfiles::SplitGraph {
    DetectGraph(const QString &path, Route route) : SplitGraph(path)
    {
        graph.AddFilter(dvsplitter, QStringLiteral("dvsplitter"));
        graph.AddFilter(detector, QStringLiteral("scenedetect"));
        graph.AddFilter(renderer, QStringLiteral("nullrender"));
        OutputPin *dv = opened ? splitter.OutputPins().front() : nullptr;
        if (dv && route == Route::DvSplitterVideo)
            dv = graph.Connect(*dv, dvsplitter.Input()) ? dvsplitter.OutputPins().front() : nullptr;
        connected = dv && graph.Connect(*dv, detector.Input()) && graph.Connect(detector.Output(), renderer.Input());
        detector.SetSceneCallback([this](const TFrameInfo &start, const TFrameInfo &current) {
            scenes.emplace_back(start.Frame, current.Frame);
            sceneStarts.push_back(start.Datecode);
        });
        detector.SetEndCallback([this] { ++ends; });
    }
    ~DetectGraph() { graph.RemoveAllFilters(); }

    DvSplitter dvsplitter;
    Tdv_sceneDetect detector;
    NullRenderer renderer;
    bool connected = false;
    Scenes scenes;
    std::vector<TDateTime> sceneStarts;
    int ends = 0;
};

TDateTime At(int hour, int minute)
{
    return *EncodeDateTime(2020, 5, 1, hour, minute, 0);
}

}  // namespace

TEST(SceneDetectFilter, FindsTheBreaksOfARecordingPlanOnEveryRoute)
{
    struct Case {
        int type;
        bool ntsc;
        Route route;
        int displayFrames;  // of 4 seconds, from the format's frame duration or the frame size
    };
    QTemporaryDir dir;
    for (const Case &c : {Case{1, false, Route::Interleaved, 100}, Case{1, true, Route::Interleaved, 120},
                          Case{2, false, Route::Type2Video, 100}, Case{2, true, Route::Type2Video, 120},
                          Case{1, false, Route::DvSplitterVideo, 100}}) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << (c.ntsc ? " ntsc" : " pal") << " route "
                                        << static_cast<int>(c.route));
        dvfiles::Options options;
        options.type = c.type;
        options.ntsc = c.ntsc;
        options.plan = kPlan;
        const QString path = dvfiles::Make(dir, QStringLiteral("plan%1%2.avi").arg(c.type).arg(c.ntsc), options);
        ASSERT_FALSE(path.isEmpty());
        DetectGraph detect(path, c.route);
        ASSERT_TRUE(detect.connected);
        TincrustRec settings;
        settings.Duration = 4;
        detect.detector.SetOverlaySettings(settings);
        ASSERT_TRUE(detect.RunToEnd());

        EXPECT_EQ(detect.scenes, kPlanScenes);
        ASSERT_EQ(detect.sceneStarts.size(), 4u);
        EXPECT_EQ(detect.sceneStarts[0], At(10, 0));
        EXPECT_EQ(detect.sceneStarts[1], At(14, 30));
        EXPECT_EQ(detect.sceneStarts[3], At(15, 0));
        EXPECT_EQ(detect.ends, 1);
        EXPECT_EQ(detect.detector.Core().DisplayFrames(), c.displayFrames);
        EXPECT_EQ(detect.renderer.SampleCount(), 105);
    }
}

// A run stopped in the middle reports no scene it did not see end; the next run
// starts its first scene at its own frame 0.
TEST(SceneDetectFilter, ARunStoppedEarlyInventsNoLastScene)
{
    QTemporaryDir dir;
    dvfiles::Options options;
    options.plan = kPlan;
    const QString path = dvfiles::Make(dir, QStringLiteral("plan.avi"), options);
    ASSERT_FALSE(path.isEmpty());
    DetectGraph detect(path, Route::Type2Video);
    ASSERT_TRUE(detect.connected);

    ASSERT_TRUE(detect.graph.Pause());
    ASSERT_TRUE(detect.graph.WaitForState(10000));
    EXPECT_EQ(detect.detector.Published().Datecode, At(10, 0));
    detect.graph.Stop();
    EXPECT_TRUE(detect.scenes.empty());
    EXPECT_EQ(detect.ends, 0);

    ASSERT_TRUE(detect.graph.SetTimeFormat(TimeFormat::Frame));
    ASSERT_TRUE(detect.graph.SetPositions(40, std::nullopt));
    ASSERT_TRUE(detect.RunToEnd());
    EXPECT_EQ(detect.scenes, (Scenes{{0, 15}, {15, 35}, {35, 65}}));
    ASSERT_FALSE(detect.sceneStarts.empty());
    EXPECT_EQ(detect.sceneStarts.front(), At(14, 30));
}

TEST(SceneDetectFilter, AcceptsOnlyDvStreams)
{
    struct Case {
        MediaType type;
        bool accepted;
    };
    MediaType interleaved = MakeInterleavedDvType(DvInfo{});
    MediaType audio = MakeAudioType(WaveFormatEx{1, 2, 48000, 192000, 4, 16, 0});
    for (const Case &c : {Case{interleaved, true}, Case{TestVideoType(kSubtypeDvsd), true},
                          Case{TestVideoType(MakeFourCC("MJPG")), false}, Case{audio, false}}) {
        FilterGraph graph;
        TestSource source(1, c.type);
        Tdv_sceneDetect detector;
        graph.AddFilter(source);
        graph.AddFilter(detector);
        EXPECT_EQ(graph.Connect(source.Output(), detector.Input()), c.accepted);
        graph.RemoveAllFilters();
    }
}
