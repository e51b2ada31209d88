#include "testfilters.h"

#include "media/dv_mediastamper.h"
#include "media/filtergraph.h"
#include "media/mediaformats.h"
#include "media/nullrenderer.h"

#include <gtest/gtest.h>

namespace {

constexpr int kWaitMs = 10000;

struct StamperGraph {
    StamperGraph(int64_t frames, const MediaType &type, size_t sampleSize) : source(frames, type, sampleSize)
    {
        graph.SetSyncSource(nullptr);
        graph.AddFilter(source, QStringLiteral("avisplitter"));
        graph.AddFilter(stamper, QString::fromLatin1(Tdv_MediaStamper::kGraphName));
        graph.AddFilter(probe);
        graph.AddFilter(renderer);
        connected = graph.Connect(source.Output(), stamper.Input()) && graph.Connect(stamper.Output(), probe.Input())
                 && graph.Connect(probe.Output(), renderer.Input());
    }

    bool RunToEnd()
    {
        if (!graph.Run())
            return false;
        auto completion = graph.WaitForCompletion(kWaitMs);
        graph.Stop();
        return completion && completion->result == GraphCompletion::Result::Complete;
    }

    FilterGraph graph;
    TestSource source;
    Tdv_MediaStamper stamper;
    Probe probe{QStringLiteral("probe")};
    NullRenderer renderer;
    bool connected = false;
};

}  // namespace

TEST(MediaStamper, KeepsTheMediaTimesOfTheLastSample)
{
    StamperGraph g(101, TestVideoType(), 144000);
    ASSERT_TRUE(g.connected);
    EXPECT_EQ(g.stamper.FriendlyName(), QStringLiteral("Quenlor dv_Mediastamper"));
    EXPECT_EQ(g.graph.FindFilter(QStringLiteral("MediaStamper")), &g.stamper);
    ASSERT_TRUE(g.RunToEnd());
    EXPECT_EQ(g.stamper.MediaStart(), 100);
    EXPECT_EQ(g.stamper.MediaStop(), 101);
}

TEST(MediaStamper, AcceptsEveryTypeAndPassesTheDataUntouched)
{
    WaveFormatEx pcm{1, 2, 48000, 192000, 4, 16, 0};
    MediaType interleaved = MakeInterleavedDvType(DvInfo{});
    interleaved.temporalCompression = true;
    const MediaType types[] = {interleaved, TestVideoType(kSubtypeDvsd), TestVideoType(kSubtypeRgb24),
                               MakeAudioType(pcm), MediaType::Partial(MajorType::Stream)};
    for (const MediaType &type : types) {
        StamperGraph g(12, type, 4096);
        ASSERT_TRUE(g.connected) << static_cast<int>(type.majorType);
        EXPECT_EQ(g.probe.Input().ConnectionMediaType(), type);
        ASSERT_TRUE(g.RunToEnd());
        EXPECT_EQ(g.probe.Received(), 12);
        EXPECT_EQ(g.probe.PatternMismatches(), 0);
        EXPECT_EQ(g.stamper.MediaStop(), 12);
    }
}

TEST(MediaStamper, SamplesWithoutMediaTimesLeaveTheFieldsAndRunsCarryOver)
{
    StamperGraph g(30, TestVideoType(), 16);
    ASSERT_TRUE(g.connected);
    g.source.SetMediaTimesUntil(20);
    ASSERT_TRUE(g.RunToEnd());
    EXPECT_EQ(g.stamper.MediaStart(), 19);
    EXPECT_EQ(g.stamper.MediaStop(), 20);

    // A run whose samples carry none keeps the values of the run before.
    ASSERT_TRUE(g.graph.SetPositions(25 * kFrameTime625, std::nullopt));
    ASSERT_TRUE(g.RunToEnd());
    EXPECT_EQ(g.stamper.MediaStart(), 19);
    EXPECT_EQ(g.stamper.MediaStop(), 20);
}
