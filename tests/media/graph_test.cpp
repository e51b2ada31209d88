#include "testfilters.h"

#include "media/filtergraph.h"
#include "media/frameratechanger.h"
#include "media/infinitepintee.h"
#include "media/nullrenderer.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

constexpr int kWaitMs = 10000;  // a bail-out for a hung graph, never a time being measured

QStringList PinNames(const Filter &filter)
{
    QStringList names;
    for (const Pin *pin : filter.Pins())
        names << pin->Name();
    return names;
}

// Processes the test thread's events until `done` holds, or the bail-out passes.
template <typename Predicate>
bool ProcessEventsUntil(Predicate done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < kWaitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

std::vector<int64_t> Range(int64_t first, int64_t end)
{
    std::vector<int64_t> values;
    for (int64_t v = first; v < end; ++v)
        values.push_back(v);
    return values;
}

// source → probe → renderer, unclocked.
struct SimpleGraph {
    explicit SimpleGraph(int64_t frames) : source(frames)
    {
        graph.SetSyncSource(nullptr);
        graph.AddFilter(source, QStringLiteral("source"));
        graph.AddFilter(probe, QStringLiteral("probe"));
        graph.AddFilter(renderer, QStringLiteral("nullrender"));
        connected = graph.Connect(source.Output(), probe.Input()) && graph.Connect(probe.Output(), renderer.Input());
    }

    FilterGraph graph;
    TestSource source;
    Probe probe{QStringLiteral("probe")};
    NullRenderer renderer;
    bool connected = false;
};

}  // namespace

TEST(FilterGraph, ConnectionFollowsTheInputsTypeCheck)
{
    FilterGraph graph;
    TestSource source(10);
    Probe audioOnly(QStringLiteral("audio only"), MediaType::Partial(MajorType::Audio));
    Probe videoOnly(QStringLiteral("video only"), MediaType::Partial(MajorType::Video));
    ASSERT_TRUE(graph.AddFilter(source));
    ASSERT_TRUE(graph.AddFilter(audioOnly));
    ASSERT_TRUE(graph.AddFilter(videoOnly));

    EXPECT_FALSE(graph.Connect(source.Output(), audioOnly.Input()));
    EXPECT_FALSE(source.Output().IsConnected());
    EXPECT_FALSE(audioOnly.Input().IsConnected());
    // A partial type that the output's type does not match refuses too.
    EXPECT_FALSE(graph.Connect(source.Output(), videoOnly.Input(), MediaType::Partial(MajorType::Audio)));

    ASSERT_TRUE(graph.Connect(source.Output(), videoOnly.Input(), MediaType::Partial(MajorType::Video)));
    EXPECT_EQ(source.Output().Peer(), &videoOnly.Input());
    EXPECT_EQ(videoOnly.Input().ConnectionMediaType(), TestVideoType());
    // An in-place filter offers its input's type; a connected pin takes no second link.
    EXPECT_FALSE(graph.Connect(source.Output(), audioOnly.Input()));
    EXPECT_FALSE(graph.Connect(videoOnly.Output(), audioOnly.Input()));

    EXPECT_TRUE(graph.Disconnect(videoOnly.Input()));
    EXPECT_FALSE(source.Output().IsConnected());
    EXPECT_FALSE(graph.Disconnect(videoOnly.Input()));
}

TEST(FilterGraph, NamesFiltersAndFindsThem)
{
    FilterGraph graph;
    NullRenderer first, second, third;
    ASSERT_TRUE(graph.AddFilter(first));
    ASSERT_TRUE(graph.AddFilter(second));
    ASSERT_TRUE(graph.AddFilter(third, QStringLiteral("nullrender")));
    EXPECT_EQ(first.GraphName(), QStringLiteral("Null Renderer"));
    EXPECT_EQ(second.GraphName(), QStringLiteral("Null Renderer 0001"));
    EXPECT_EQ(graph.FindFilter(QStringLiteral("nullrender")), &third);
    EXPECT_FALSE(graph.AddFilter(third));  // already in a graph

    FilterGraph other;
    EXPECT_FALSE(other.AddFilter(first));
    ASSERT_TRUE(graph.RemoveFilter(first));
    EXPECT_EQ(graph.FindFilter(QStringLiteral("Null Renderer")), nullptr);
    EXPECT_TRUE(other.AddFilter(first));
}

TEST(FilterGraph, TeeListsAFreeOutputLastAfterEveryConnection)
{
    FilterGraph graph;
    TestSource source(3);
    InfinitePinTee tee;
    NullRenderer a, b;
    graph.AddFilter(source);
    graph.AddFilter(tee);
    graph.AddFilter(a);
    graph.AddFilter(b);
    EXPECT_EQ(PinNames(tee), QStringList({"Input", "Output1"}));
    // Nothing to offer before the input is connected.
    EXPECT_FALSE(graph.Connect(*tee.OutputPins()[0], a.Input()));

    ASSERT_TRUE(graph.Connect(source.Output(), tee.Input()));
    ASSERT_TRUE(graph.Connect(*tee.OutputPins()[0], a.Input()));
    EXPECT_EQ(PinNames(tee), QStringList({"Input", "Output1", "Output2"}));
    ASSERT_TRUE(graph.Connect(*tee.OutputPins()[1], b.Input()));
    EXPECT_EQ(PinNames(tee), QStringList({"Input", "Output1", "Output2", "Output3"}));
    EXPECT_EQ(tee.OutputPins()[1]->ConnectionMediaType(), TestVideoType());

    // Freeing the first output keeps the list; freeing the last connected one drops the spare.
    ASSERT_TRUE(graph.Disconnect(a.Input()));
    EXPECT_EQ(PinNames(tee), QStringList({"Input", "Output1", "Output2", "Output3"}));
    ASSERT_TRUE(graph.Disconnect(b.Input()));
    EXPECT_EQ(PinNames(tee), QStringList({"Input", "Output1", "Output2"}));
}

TEST(FilterGraph, TeeGivesEachBranchItsOwnCopy)
{
    FilterGraph graph;
    graph.SetSyncSource(nullptr);
    TestSource source(5);
    InfinitePinTee tee;
    Probe stamping(QStringLiteral("stamping")), watching(QStringLiteral("watching"));
    NullRenderer a, b;
    stamping.SetStamp(0xEE);
    for (Filter *filter : std::initializer_list<Filter *>{&source, &tee, &stamping, &watching, &a, &b})
        graph.AddFilter(*filter);
    ASSERT_TRUE(graph.Connect(source.Output(), tee.Input()));
    ASSERT_TRUE(graph.Connect(*tee.OutputPins()[0], stamping.Input()));
    ASSERT_TRUE(graph.Connect(stamping.Output(), a.Input()));
    ASSERT_TRUE(graph.Connect(*tee.OutputPins()[1], watching.Input()));
    ASSERT_TRUE(graph.Connect(watching.Output(), b.Input()));

    ASSERT_TRUE(graph.Run());
    auto completion = graph.WaitForCompletion(kWaitMs);
    ASSERT_TRUE(completion);
    EXPECT_EQ(completion->result, GraphCompletion::Result::Complete);
    EXPECT_EQ(a.SampleCount(), 5);
    EXPECT_EQ(b.SampleCount(), 5);
    // The first branch changed its copy in place; the second saw the data untouched.
    EXPECT_EQ(watching.MediaStarts(), Range(0, 5));
    EXPECT_EQ(watching.PatternMismatches(), 0);
    EXPECT_EQ(stamping.EndOfStreams(), 1);
    EXPECT_EQ(watching.EndOfStreams(), 1);
}

TEST(FilterGraph, RunsUnclockedToCompletionThroughBothKindsOfTransform)
{
    QStringList log;
    FilterGraph graph;
    ASSERT_TRUE(graph.SetSyncSource(nullptr));
    TestSource source(50);
    Probe before(QStringLiteral("before"), MediaType::Partial(MajorType::Any), &log);
    Inverter inverter;
    Probe after(QStringLiteral("after"), MediaType::Partial(MajorType::Any), &log);
    NullRenderer renderer;
    for (Filter *filter : std::initializer_list<Filter *>{&renderer, &after, &inverter, &before, &source})
        graph.AddFilter(*filter);
    ASSERT_TRUE(graph.Connect(source.Output(), before.Input()));
    ASSERT_TRUE(graph.Connect(before.Output(), inverter.Input()));
    ASSERT_TRUE(graph.Connect(inverter.Output(), after.Input()));
    ASSERT_TRUE(graph.Connect(after.Output(), renderer.Input()));

    ASSERT_TRUE(graph.Run());
    auto completion = graph.WaitForCompletion(kWaitMs);
    ASSERT_TRUE(completion);
    EXPECT_EQ(completion->result, GraphCompletion::Result::Complete);
    EXPECT_TRUE(completion->message.isEmpty());

    EXPECT_EQ(before.MediaStarts(), Range(0, 50));
    EXPECT_EQ(before.PatternMismatches(), 0);
    // The copying transform kept the times and inverted every byte.
    EXPECT_EQ(after.MediaStarts(), Range(0, 50));
    const std::vector<int> firstBytes = after.FirstBytes();
    ASSERT_EQ(firstBytes.size(), 50u);
    for (int64_t frame = 0; frame < 50; ++frame)
        EXPECT_EQ(firstBytes[frame], static_cast<uint8_t>(~PatternByte(frame, 0))) << frame;
    EXPECT_EQ(renderer.SampleCount(), 50);
    EXPECT_EQ(renderer.LastSampleTime(), 49 * kFrameTime625);

    for (const Probe *probe : {&before, &after}) {
        EXPECT_EQ(probe->Starts(), 1);
        EXPECT_EQ(probe->EndOfStreams(), 1);
        EXPECT_EQ(probe->StopsEarly(), std::vector<bool>({false}));
    }
    // Started downstream first, stopped upstream first, whatever the order of adding.
    EXPECT_EQ(log, QStringList({"start after", "start before", "stop before", "stop after"}));

    // The run has ended but the graph stays running until it is stopped.
    EXPECT_EQ(graph.GetState(), GraphState::Running);
    graph.Stop();
    EXPECT_EQ(graph.GetState(), GraphState::Stopped);
    EXPECT_EQ(before.StopsEarly().size(), 1u);
}

TEST(FilterGraph, PauseHoldsTheFirstSampleAtTheRendererUntilRun)
{
    SimpleGraph g(10);
    ASSERT_TRUE(g.connected);
    int pausedSignals = 0;
    QObject::connect(&g.graph, &FilterGraph::Paused, [&] { ++pausedSignals; });

    ASSERT_TRUE(g.graph.Pause());
    EXPECT_EQ(g.graph.GetState(), GraphState::Paused);
    ASSERT_TRUE(g.graph.WaitForState(kWaitMs));
    EXPECT_EQ(g.renderer.SampleCount(), 1);
    EXPECT_EQ(g.probe.Received(), 1);
    EXPECT_EQ(g.renderer.LastSampleTime(), 0);
    EXPECT_FALSE(g.graph.WaitForCompletion(0));
    EXPECT_TRUE(ProcessEventsUntil([&] { return pausedSignals == 1; }));

    ASSERT_TRUE(g.graph.Run());
    auto completion = g.graph.WaitForCompletion(kWaitMs);
    ASSERT_TRUE(completion);
    EXPECT_EQ(completion->result, GraphCompletion::Result::Complete);
    EXPECT_EQ(g.renderer.SampleCount(), 10);
    EXPECT_EQ(g.probe.MediaStarts(), Range(0, 10));
    g.graph.Stop();
}

TEST(FilterGraph, StopWhilePausedJoinsAndTellsFiltersTheyStoppedEarly)
{
    SimpleGraph g(10);
    ASSERT_TRUE(g.connected);
    ASSERT_TRUE(g.graph.Pause());
    ASSERT_TRUE(g.graph.WaitForState(kWaitMs));

    g.graph.Stop();
    EXPECT_EQ(g.graph.GetState(), GraphState::Stopped);
    EXPECT_EQ(g.probe.Received(), 1);
    EXPECT_EQ(g.probe.EndOfStreams(), 0);
    EXPECT_EQ(g.probe.StopsEarly(), std::vector<bool>({true}));
    auto completion = g.graph.WaitForCompletion(0);
    ASSERT_TRUE(completion);
    EXPECT_EQ(completion->result, GraphCompletion::Result::StoppedEarly);
}

TEST(FilterGraph, StopFromAnotherThreadWhileRunningEndsWithoutEndOfStream)
{
    SimpleGraph g(1'000'000'000);
    ASSERT_TRUE(g.connected);
    ASSERT_TRUE(g.graph.Run());
    while (g.probe.Received() < 10)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));

    std::thread controller([&] { g.graph.Stop(); });
    controller.join();
    EXPECT_EQ(g.graph.GetState(), GraphState::Stopped);
    EXPECT_EQ(g.probe.EndOfStreams(), 0);
    EXPECT_EQ(g.probe.StopsEarly(), std::vector<bool>({true}));
    EXPECT_EQ(g.graph.WaitForCompletion(0)->result, GraphCompletion::Result::StoppedEarly);
    // Every sample that went through came in order.
    EXPECT_EQ(g.probe.MediaStarts(), Range(0, g.probe.Received()));
}

TEST(FilterGraph, PositionsSelectTheFramesOfTheRun)
{
    struct Case {
        TimeFormat format;
        int64_t start, stop;
        int64_t firstFrame, endFrame;
    } cases[] = {
        {TimeFormat::MediaTime, 10 * kFrameTime625, 20 * kFrameTime625, 10, 20},
        {TimeFormat::Frame, 30, 35, 30, 35},
        {TimeFormat::MediaTime, 0, 100 * kFrameTime625, 0, 100},
        {TimeFormat::Frame, 99, 100, 99, 100},
    };
    for (const Case &c : cases) {
        SimpleGraph g(100);
        ASSERT_TRUE(g.connected);
        ASSERT_TRUE(g.graph.SetTimeFormat(c.format));
        EXPECT_EQ(g.graph.GetDuration(), c.format == TimeFormat::Frame ? 100 : 100 * kFrameTime625);
        ASSERT_TRUE(g.graph.SetPositions(c.start, c.stop));
        ASSERT_TRUE(g.graph.Run());
        auto completion = g.graph.WaitForCompletion(kWaitMs);
        ASSERT_TRUE(completion);
        EXPECT_EQ(completion->result, GraphCompletion::Result::Complete);
        EXPECT_EQ(g.probe.MediaStarts(), Range(c.firstFrame, c.endFrame)) << c.start << ".." << c.stop;

        // The renderer's position interface reports its last sample, in media time.
        MediaSeeking *position = g.graph.PositionOf(g.renderer);
        ASSERT_NE(position, nullptr);
        EXPECT_FALSE(position->SetTimeFormat(TimeFormat::Frame));
        EXPECT_EQ(position->GetCurrentPosition(), (c.endFrame - 1) * kFrameTime625);
        EXPECT_EQ(position->GetDuration(), 100 * kFrameTime625);
        g.graph.Stop();
    }
}

TEST(FilterGraph, SeekWhilePausedFlushesAndHoldsTheNewFrame)
{
    SimpleGraph g(100);
    ASSERT_TRUE(g.connected);
    ASSERT_TRUE(g.graph.SetTimeFormat(TimeFormat::Frame));
    ASSERT_TRUE(g.graph.Pause());
    ASSERT_TRUE(g.graph.WaitForState(kWaitMs));
    EXPECT_EQ(g.graph.GetCurrentPosition(), 0);

    ASSERT_TRUE(g.graph.SetPositions(50, std::nullopt));
    ASSERT_TRUE(g.graph.WaitForState(kWaitMs));
    EXPECT_EQ(g.graph.GetCurrentPosition(), 50);
    EXPECT_EQ(g.renderer.LastSampleTime(), 50 * kFrameTime625);
    EXPECT_EQ(g.probe.Flushes(), 1);
    EXPECT_EQ(g.probe.MediaStarts(), std::vector<int64_t>({0, 50}));

    ASSERT_TRUE(g.graph.Run());
    auto completion = g.graph.WaitForCompletion(kWaitMs);
    ASSERT_TRUE(completion);
    EXPECT_EQ(completion->result, GraphCompletion::Result::Complete);
    std::vector<int64_t> expected = {0};
    for (int64_t frame : Range(50, 100))
        expected.push_back(frame);
    EXPECT_EQ(g.probe.MediaStarts(), expected);
    EXPECT_EQ(g.probe.Starts(), 1);

    // After the end, a pause and a seek start streaming again, as a player's loop does.
    ASSERT_TRUE(g.graph.Pause());
    ASSERT_TRUE(g.graph.WaitForState(kWaitMs));
    ASSERT_TRUE(g.graph.SetPositions(0, std::nullopt));
    ASSERT_TRUE(g.graph.WaitForState(kWaitMs));
    EXPECT_EQ(g.renderer.LastSampleTime(), 0);
    EXPECT_EQ(g.probe.Starts(), 2);
    g.graph.Stop();
}

TEST(FilterGraph, FilterErrorEndsTheRunWithItsMessage)
{
    FilterGraph graph;
    graph.SetSyncSource(nullptr);
    TestSource source(20);
    Probe before(QStringLiteral("before"));
    Inverter inverter;
    Probe after(QStringLiteral("after"));
    NullRenderer renderer;
    inverter.FailAt(5);
    for (Filter *filter : std::initializer_list<Filter *>{&source, &before, &inverter, &after, &renderer})
        graph.AddFilter(*filter);
    ASSERT_TRUE(graph.Connect(source.Output(), before.Input()));
    ASSERT_TRUE(graph.Connect(before.Output(), inverter.Input()));
    ASSERT_TRUE(graph.Connect(inverter.Output(), after.Input()));
    ASSERT_TRUE(graph.Connect(after.Output(), renderer.Input()));
    GraphCompletion signalled;
    bool gotSignal = false;
    QObject::connect(&graph, &FilterGraph::Completed, [&](const GraphCompletion &c) {
        signalled = c;
        gotSignal = true;
    });

    ASSERT_TRUE(graph.Run());
    auto completion = graph.WaitForCompletion(kWaitMs);
    ASSERT_TRUE(completion);
    EXPECT_EQ(completion->result, GraphCompletion::Result::Error);
    EXPECT_EQ(completion->message, QStringLiteral("The frame 5 cannot be inverted."));
    EXPECT_EQ(after.MediaStarts(), Range(0, 5));
    EXPECT_EQ(before.Received(), 6);
    for (const Probe *probe : {&before, &after}) {
        EXPECT_EQ(probe->EndOfStreams(), 0);
        EXPECT_EQ(probe->StopsEarly(), std::vector<bool>({true}));
    }
    ASSERT_TRUE(ProcessEventsUntil([&] { return gotSignal; }));
    EXPECT_EQ(signalled.result, GraphCompletion::Result::Error);
    EXPECT_EQ(signalled.message, completion->message);
    graph.Stop();
}

TEST(FilterGraph, CompletionReachesBothTheWaitAndTheSignal)
{
    SimpleGraph g(5);
    ASSERT_TRUE(g.connected);
    std::vector<GraphCompletion::Result> signalled;
    QObject::connect(&g.graph, &FilterGraph::Completed,
                     [&](const GraphCompletion &c) { signalled.push_back(c.result); });

    ASSERT_TRUE(g.graph.Run());
    auto completion = g.graph.WaitForCompletion(kWaitMs);
    ASSERT_TRUE(completion);
    EXPECT_EQ(completion->result, GraphCompletion::Result::Complete);
    ASSERT_TRUE(ProcessEventsUntil([&] { return !signalled.empty(); }));
    g.graph.Stop();
    QCoreApplication::processEvents();
    // Stopping a run that had completed reports nothing more.
    EXPECT_EQ(signalled, std::vector<GraphCompletion::Result>({GraphCompletion::Result::Complete}));

    // A notification of an earlier run that arrives after a new start is dropped.
    ASSERT_TRUE(g.graph.Run());
    ASSERT_TRUE(g.graph.WaitForCompletion(kWaitMs));
    g.graph.Stop();
    ASSERT_TRUE(g.graph.Pause());
    g.graph.Stop();
    QCoreApplication::processEvents();
    ASSERT_TRUE(ProcessEventsUntil([&] { return signalled.size() == 2; }));
    EXPECT_EQ(signalled.back(), GraphCompletion::Result::StoppedEarly);
}

TEST(FilterGraph, ClockedRunTakesAtLeastTheStreamsDuration)
{
    SimpleGraph g(5);
    ASSERT_TRUE(g.connected);
    SystemClock clock;
    ASSERT_TRUE(g.graph.SetSyncSource(&clock));
    QElapsedTimer timer;
    timer.start();
    ASSERT_TRUE(g.graph.Run());
    ASSERT_TRUE(g.graph.WaitForCompletion(kWaitMs));
    EXPECT_GE(timer.elapsed(), 5 * kFrameTime625 / kUnitsPerMillisecond);
    EXPECT_EQ(g.renderer.SampleCount(), 5);
    g.graph.Stop();
}

TEST(FilterGraph, IntelligentConnectInsertsAConverterAndRenderCompletesAStream)
{
    static constexpr FourCC kCompressed = MakeFourCC("cmpr");
    FilterGraph graph;
    graph.SetSyncSource(nullptr);
    TestSource source(4, TestVideoType(kCompressed));
    Probe dvOnly(QStringLiteral("dv only"), TestVideoType(kSubtypeDvsd));
    NullRenderer renderer;
    graph.AddFilter(source);
    graph.AddFilter(dvOnly);
    graph.AddFilter(renderer);
    ASSERT_FALSE(graph.ConnectIntelligent(source.Output(), dvOnly.Input()));  // no factory yet

    graph.AddConverterFactory([](const MediaType &type) -> std::unique_ptr<Filter> {
        if (type.subtype != kCompressed)
            return nullptr;
        return std::make_unique<Inverter>(kCompressed, kSubtypeDvsd);
    });
    ASSERT_FALSE(graph.Connect(source.Output(), dvOnly.Input()));
    ASSERT_TRUE(graph.ConnectIntelligent(source.Output(), dvOnly.Input()));
    Filter *inserted = graph.FindFilter(QStringLiteral("Inverter"));
    ASSERT_NE(inserted, nullptr);
    EXPECT_EQ(source.Output().Peer()->Owner().GraphName(), QStringLiteral("Inverter"));
    EXPECT_EQ(dvOnly.Input().ConnectionMediaType().subtype, kSubtypeDvsd);

    // Render finds a sink through the factories for the probe's output.
    EXPECT_FALSE(graph.Render(dvOnly.Output()));
    graph.AddConverterFactory([](const MediaType &) { return std::make_unique<NullRenderer>(); });
    ASSERT_TRUE(graph.Render(dvOnly.Output()));
    EXPECT_EQ(graph.Filters().size(), 5u);

    ASSERT_TRUE(graph.Run());
    auto completion = graph.WaitForCompletion(kWaitMs);
    ASSERT_TRUE(completion);
    EXPECT_EQ(completion->result, GraphCompletion::Result::Complete);
    EXPECT_EQ(dvOnly.MediaStarts(), Range(0, 4));
    graph.Stop();

    // Removing an inserted converter destroys it; the graph owned it.
    ASSERT_TRUE(graph.RemoveFilter(*inserted));
    EXPECT_EQ(graph.FindFilter(QStringLiteral("Inverter")), nullptr);
    EXPECT_FALSE(source.Output().IsConnected());
}

TEST(FilterGraph, StartFailureEndsTheRunAtOnce)
{
    class Refusing final : public TBCTransInPlaceFilter {
    public:
        Refusing() : TBCTransInPlaceFilter(QStringLiteral("refusing")) {}

    protected:
        bool CheckInputType(const MediaType &) const override { return true; }
        StreamResult Transform(MediaSample &) override { return StreamResult::Ok(); }
        StreamResult StartStreaming() override { return StreamResult::Error(QStringLiteral("No format block.")); }
    };
    FilterGraph graph;
    graph.SetSyncSource(nullptr);
    TestSource source(5);
    Refusing refusing;
    Probe probe(QStringLiteral("probe"));
    NullRenderer renderer;
    for (Filter *filter : std::initializer_list<Filter *>{&source, &refusing, &probe, &renderer})
        graph.AddFilter(*filter);
    ASSERT_TRUE(graph.Connect(source.Output(), refusing.Input()));
    ASSERT_TRUE(graph.Connect(refusing.Output(), probe.Input()));
    ASSERT_TRUE(graph.Connect(probe.Output(), renderer.Input()));

    ASSERT_TRUE(graph.Pause());
    // A failed run holds nothing, so the pause is reached too.
    ASSERT_TRUE(graph.WaitForState(kWaitMs));
    auto completion = graph.WaitForCompletion(kWaitMs);
    ASSERT_TRUE(completion);
    EXPECT_EQ(completion->result, GraphCompletion::Result::Error);
    EXPECT_EQ(completion->message, QStringLiteral("No format block."));
    // The probe, downstream, had started and is told the run ended early.
    EXPECT_EQ(probe.StopsEarly(), std::vector<bool>({true}));
    EXPECT_EQ(probe.Received(), 0);
    graph.Stop();
}

// PAL to NTSC repeats every fifth frame. A filter after the changer that changes
// frames in place (as the DV header filter does) finds each repeat as it came, not
// as it left the filter the first time.
TEST(FrameRateChanger, RepeatsAreCopiesOfTheFrameAsItCame)
{
    FilterGraph graph;
    graph.SetSyncSource(nullptr);
    TestSource source(10);
    FrameRateChanger changer;
    changer.SetTargetRate(kFrameRate525);
    Probe stamping(QStringLiteral("stamping"));
    stamping.SetStamp(0xEE);
    NullRenderer renderer;
    for (Filter *filter : std::initializer_list<Filter *>{&source, &changer, &stamping, &renderer})
        graph.AddFilter(*filter);
    ASSERT_TRUE(graph.Connect(source.Output(), changer.Input()));
    ASSERT_TRUE(graph.Connect(changer.Output(), stamping.Input()));
    ASSERT_TRUE(graph.Connect(stamping.Output(), renderer.Input()));
    ASSERT_TRUE(graph.Run());
    const auto completion = graph.WaitForCompletion(kWaitMs);
    ASSERT_TRUE(completion);
    EXPECT_EQ(completion->result, GraphCompletion::Result::Complete);
    // Frames 0..11 of the new stream from frames 0..9: frame 4 and frame 9 are shown twice.
    std::vector<int> expected;
    for (int frame = 0; frame < 10; ++frame)
        for (int64_t n = FramesStartedBefore(frame, kFrameRate625, kFrameRate525);
             n < FramesStartedBefore(frame + 1, kFrameRate625, kFrameRate525); ++n)
            expected.push_back(PatternByte(frame, 0));
    EXPECT_EQ(expected.size(), size_t{12});
    EXPECT_EQ(stamping.FirstBytes(), expected);
    EXPECT_EQ(stamping.MediaStarts(), Range(0, 12));
}
