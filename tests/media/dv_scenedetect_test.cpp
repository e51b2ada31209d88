#include "media/dv_scenedetect.h"

#include "base/datetimeformat.h"
#include "syntheticdv.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

using namespace syntheticdv;

namespace {

using Scene = std::pair<int, int>;  // first frame, end frame (exclusive)

struct Subtitle {
    int frame;
    QString line1;
    QString line2;
    bool operator==(const Subtitle &) const = default;
};

struct Recorder {
    std::vector<Scene> scenes;
    std::vector<Subtitle> subtitles;
    int ends = 0;

    void Attach(SceneDetectCore &detector)
    {
        detector.SetSceneCallback([this](const TFrameInfo &start, const TFrameInfo &current) {
            scenes.emplace_back(start.Frame, current.Frame);
        });
        detector.SetSubtitleCallback([this](const TFrameInfo &current, const QString &l1, const QString &l2) {
            subtitles.push_back({current.Frame, l1, l2});
        });
        detector.SetEndCallback([this] { ++ends; });
    }
};

const TDateTime kTen = At(2003, 7, 14, 10, 0, 0);

// Frames of a continuous recording from 10:00:00, 25 frames a second.
TDateTime Running(int frame) { return kTen + Seconds(frame / 25); }

void Feed(SceneDetectCore &detector, int frames, const std::function<FrameSpec(int)> &frameSpec)
{
    for (int i = 0; i < frames; ++i)
        detector.ProcessSample(MakeFrame(frameSpec(i)));
}

std::vector<Scene> ScenesOfFrames(int frames, const std::function<Frame(int)> &frame)
{
    SceneDetectCore detector;
    Recorder recorder;
    recorder.Attach(detector);
    detector.StartStreaming(SceneDetectCore::kFrameDuration625);
    for (int i = 0; i < frames; ++i)
        detector.ProcessSample(frame(i));
    detector.EndOfStream();
    EXPECT_EQ(recorder.ends, 1);
    return recorder.scenes;
}

std::vector<Scene> ScenesOf(int frames, const std::function<FrameSpec(int)> &frameSpec)
{
    return ScenesOfFrames(frames, [&](int i) { return MakeFrame(frameSpec(i)); });
}

bool SameTime(TDateTime a, TDateTime b) { return DateTimeToMilliseconds(a) == DateTimeToMilliseconds(b); }

FrameSpec Dated(TDateTime datecode)
{
    FrameSpec frameSpec;
    frameSpec.datecode = datecode;
    return frameSpec;
}

}  // namespace

TEST(SceneDetect, DatecodeJumpsOfMoreThanFiveSecondsEndAScene)
{
    struct Case {
        const char *what;
        TDateTime after;  // datecode of frame 100 on, continuing from there
        std::vector<Scene> scenes;
    } cases[] = {
        {"forward to another recording", At(2003, 7, 14, 14, 30, 0), {{0, 100}, {100, 160}}},
        {"backwards by a minute", kTen - Seconds(60), {{0, 100}, {100, 160}}},
        {"forward by 6 seconds", Running(99) + Seconds(6), {{0, 100}, {100, 160}}},
        {"forward by exactly 5 seconds", Running(99) + Seconds(5), {{0, 160}}},
        {"forward by 3 seconds", Running(99) + Seconds(3), {{0, 160}}},
        {"backwards by 3 seconds", Running(99) - Seconds(3), {{0, 160}}},
    };
    for (const Case &c : cases) {
        const auto scenes = ScenesOf(160, [&](int i) {
            return Dated(i < 100 ? Running(i) : c.after + Seconds((i - 100) / 25));
        });
        EXPECT_EQ(scenes, c.scenes) << c.what;
    }
}

TEST(SceneDetect, LossesAndReappearancesOfTheDatecode)
{
    struct Case {
        const char *what;
        int gapFrom, gapTo;  // frames without datecode, gapTo exclusive
        std::vector<Scene> scenes;
    } cases[] = {
        {"short gap: the datecode comes back within 12 frames", 500, 510, {{0, 500}, {500, 600}}},
        {"gap of exactly 12 frames", 500, 512, {{0, 500}, {500, 600}}},
        {"gap of 13 frames", 500, 513, {{0, 500}, {500, 513}, {513, 600}}},
        {"long gap", 500, 520, {{0, 500}, {500, 520}, {520, 600}}},
        {"no datecode at the start", 0, 30, {{0, 30}, {30, 600}}},
        {"no datecode at the end", 550, 600, {{0, 550}, {550, 600}}},
    };
    for (const Case &c : cases) {
        const auto scenes = ScenesOf(600, [&](int i) {
            return i >= c.gapFrom && i < c.gapTo ? FrameSpec() : Dated(Running(i));
        });
        EXPECT_EQ(scenes, c.scenes) << c.what;
    }
}

TEST(SceneDetect, InvalidDatecodeCountsAsAbsent)
{
    // 31 February: the packs are there but name no day.
    const auto february31 = [](int i) {
        Frame frame = MakeFrame(Dated(Running(i)));
        DvSetDatecode(frame, Sequences(frame), TDatecodeRec{2003, 2, 31, 10, 0, 0});
        return frame;
    };
    const auto scenes = ScenesOfFrames(100, [&](int i) {
        return i >= 40 && i < 70 ? february31(i) : MakeFrame(Dated(Running(i)));
    });
    EXPECT_EQ(scenes, (std::vector<Scene>{{0, 40}, {40, 70}, {70, 100}}));

    SceneDetectCore detector;
    detector.StartStreaming(SceneDetectCore::kFrameDuration625);
    detector.ProcessSample(february31(0));
    EXPECT_FALSE(detector.Published().DatecodeValid);
    EXPECT_EQ(detector.Published().Datecode, 0);
}

TEST(SceneDetect, FormatChangesEndASceneButNotTheSampleSize)
{
    struct Case {
        const char *what;
        std::function<void(FrameSpec &)> change;
        std::vector<Scene> scenes;
    } cases[] = {
        {"4:3 to 16:9", [](FrameSpec &s) { s.wide = true; }, {{0, 50}, {50, 80}}},
        {"48000 Hz to 32000 Hz", [](FrameSpec &s) { s.rateCode = 2; }, {{0, 50}, {50, 80}}},
        {"two to four channels", [](FrameSpec &s) { s.audioMode = 0x20; }, {{0, 50}, {50, 80}}},
        {"625/50 to 525/60", [](FrameSpec &s) { s.is525 = true; }, {{0, 50}, {50, 80}}},
        {"16 to 12 bits", [](FrameSpec &s) { s.bitsCode = 1; }, {{0, 80}}},
        {"format packs lost", [](FrameSpec &s) { s.withFormat = false; }, {{0, 80}}},
        {"format change and datecode loss at once: a scene of no frame",
         [](FrameSpec &s) { s.wide = true; s.datecode.reset(); }, {{0, 50}, {50, 50}, {50, 80}}},
    };
    for (const Case &c : cases) {
        const auto scenes = ScenesOf(80, [&](int i) {
            FrameSpec frameSpec = Dated(Running(i));  // continuous datecodes throughout
            if (i >= 50)
                c.change(frameSpec);
            return frameSpec;
        });
        EXPECT_EQ(scenes, c.scenes) << c.what;
    }
}

TEST(SceneDetect, AFormatBreakDisarmsTheJumpTestOfItsFrame)
{
    // The aspect changes and the datecode jumps at frame 50: one break, not a second
    // scene of no frame.
    const auto scenes = ScenesOf(80, [](int i) {
        FrameSpec frameSpec = Dated(i < 50 ? Running(i) : At(2004, 1, 1, 8, 0, 0));
        frameSpec.wide = i >= 50;
        return frameSpec;
    });
    EXPECT_EQ(scenes, (std::vector<Scene>{{0, 50}, {50, 80}}));
}

TEST(SceneDetect, StreamsWithoutBreaksGiveOneSceneAtTheEnd)
{
    EXPECT_EQ(ScenesOf(300, [](int) { return FrameSpec(); }), (std::vector<Scene>{{0, 300}}));
    EXPECT_EQ(ScenesOf(0, [](int) { return FrameSpec(); }), (std::vector<Scene>{{0, 0}}));
}

TEST(SceneDetect, OtherSamplesOnlyCount)
{
    SceneDetectCore detector;
    Recorder recorder;
    recorder.Attach(detector);
    detector.StartStreaming(SceneDetectCore::kFrameDuration625);
    const std::vector<uint8_t> other(1000, 0x62);
    detector.ProcessSample(other);
    detector.ProcessSample(MakeFrame(Dated(Running(0))));
    detector.ProcessSample(other);
    detector.ProcessSample(MakeFrame(Dated(Running(1))));
    EXPECT_EQ(detector.Current().Frame, 2);
    EXPECT_EQ(detector.Published().Frame, 1);
    EXPECT_EQ(detector.SavedHeads().Entries[0].Sample, 3);
    detector.EndOfStream();
    EXPECT_EQ(recorder.scenes, (std::vector<Scene>{{0, 2}}));
}

TEST(SceneDetect, StoppedEarlyReportsNoSceneAndTheNextRunStartsAfresh)
{
    SceneDetectCore detector;
    Recorder recorder;
    recorder.Attach(detector);
    detector.StartStreaming(SceneDetectCore::kFrameDuration625);
    Feed(detector, 300, [](int i) { return Dated(i < 200 ? Running(i) : At(2004, 1, 1, 8, 0, i / 25)); });
    detector.StoppedEarly();
    EXPECT_EQ(recorder.scenes, (std::vector<Scene>{{0, 200}}));
    EXPECT_EQ(recorder.ends, 0);

    // Another recording in the next run: no scene may reach back into the stopped one.
    recorder.scenes.clear();
    detector.StartStreaming(SceneDetectCore::kFrameDuration625);
    Feed(detector, 40, [](int i) { return Dated(At(2005, 3, 3, 9, 0, i / 25)); });
    detector.EndOfStream();
    EXPECT_EQ(recorder.scenes, (std::vector<Scene>{{0, 40}}));
    EXPECT_EQ(recorder.ends, 1);
}

TEST(SceneDetect, EndOfStreamResetsForTheNextStreamAndDropsTheSubtitleCallback)
{
    SceneDetectCore detector;
    Recorder recorder;
    recorder.Attach(detector);
    detector.StartStreaming(SceneDetectCore::kFrameDuration625);
    Feed(detector, 30, [](int i) { return Dated(Running(i)); });
    detector.EndOfStream();
    ASSERT_FALSE(recorder.subtitles.empty());
    EXPECT_EQ(recorder.subtitles.back(), (Subtitle{30, QString(), QString()}));
    const size_t subtitles = recorder.subtitles.size();

    detector.StartStreaming(SceneDetectCore::kFrameDuration625);
    Feed(detector, 20, [](int i) { return Dated(At(2010, 1, 1, 0, 0, i / 25)); });
    detector.EndOfStream();
    EXPECT_EQ(recorder.scenes, (std::vector<Scene>{{0, 30}, {0, 20}}));
    EXPECT_EQ(recorder.ends, 2);
    EXPECT_EQ(recorder.subtitles.size(), subtitles);
}

TEST(SceneDetect, PublishesTheFrameAndTheFirst480BytesOfEachSequence)
{
    for (const bool is525 : {false, true}) {
        SceneDetectCore detector;
        EXPECT_FALSE(detector.SavedHeads().Present());
        detector.StartStreaming(std::nullopt);
        FrameSpec frameSpec = Dated(At(2003, 12, 31, 23, 59, 50));
        frameSpec.is525 = is525;
        frameSpec.wide = true;
        frameSpec.rateCode = 2;
        frameSpec.timecode = TTimecodeRec{1, 2, 3, 4};
        detector.ProcessSample(MakeFrame(frameSpec));
        Frame frame = MakeFrame(frameSpec);
        for (int s = 0; s < Sequences(frame); ++s)
            frame[dvlayout::kSequenceSize * s + 100] = static_cast<uint8_t>(s);  // a mark in each subcode area
        detector.ProcessSample(frame);

        const TFrameInfo info = detector.Published();
        EXPECT_EQ(info.Frame, 1);
        EXPECT_TRUE(info.DatecodeValid && info.TimecodeValid && info.FormatValid);
        EXPECT_TRUE(SameTime(info.Datecode, At(2003, 12, 31, 23, 59, 50)));
        EXPECT_EQ(info.Timecode, (TTimecodeRec{1, 2, 3, 4}));
        EXPECT_TRUE(info.Wide);
        EXPECT_EQ(info.Is525, is525);
        EXPECT_EQ(info.AudioRate, 32000);
        EXPECT_EQ(info.AudioChannels, 2);
        EXPECT_EQ(info.AudioBits, 16);

        const TSavedHeads heads = detector.SavedHeads();
        ASSERT_TRUE(heads.Present());
        ASSERT_EQ(heads.Sequences, Sequences(frame));
        for (int s = 0; s < heads.Sequences; ++s) {
            const auto &entry = heads.Entries[static_cast<size_t>(s)];
            EXPECT_EQ(entry.Sample, 1);
            EXPECT_TRUE(std::equal(entry.Bytes.begin(), entry.Bytes.end(), frame.begin() + dvlayout::kSequenceSize * s))
                << "sequence " << s;
        }
        detector.StartStreaming(std::nullopt);
        EXPECT_FALSE(detector.SavedHeads().Present());
    }
}

TEST(SceneDetect, QueriesThatFindNothingKeepTheirFields)
{
    SceneDetectCore detector;
    detector.StartStreaming(std::nullopt);
    FrameSpec frameSpec = Dated(Running(0));
    frameSpec.wide = true;
    frameSpec.timecode = TTimecodeRec{0, 0, 1, 2};
    detector.ProcessSample(MakeFrame(frameSpec));
    detector.ProcessSample(BlankFrame(false));
    const TFrameInfo info = detector.Published();
    EXPECT_FALSE(info.DatecodeValid || info.TimecodeValid || info.FormatValid);
    EXPECT_TRUE(info.Wide);
    EXPECT_EQ(info.Timecode, (TTimecodeRec{0, 0, 1, 2}));
    EXPECT_EQ(info.AudioRate, 48000);
}

TEST(SceneDetect, ThePublishedCopyIsNeverTorn)
{
    // Each frame's datecode is its frame number in seconds: a reader on another
    // thread must always see the two agree.
    SceneDetectCore detector;
    detector.StartStreaming(SceneDetectCore::kFrameDuration625);
    std::atomic<bool> done = false;
    std::atomic<int> torn = 0;
    std::thread reader([&] {
        while (!done) {
            const TFrameInfo info = detector.Published();
            if (info.DatecodeValid && !SameTime(info.Datecode, kTen + Seconds(info.Frame)))
                ++torn;
            const TSavedHeads heads = detector.SavedHeads();
            if (heads.Present() && heads.Entries[0].Sample != heads.Entries[heads.Sequences - 1].Sample)
                ++torn;
        }
    });
    std::vector<Frame> frames;
    for (int i = 0; i < 8; ++i)
        frames.push_back(MakeFrame(Dated(kTen + Seconds(i))));
    for (int i = 0; i < 4000; ++i) {
        Frame &frame = frames[static_cast<size_t>(i % 8)];
        DvSetDatecode(frame, Sequences(frame), DateTimeToDatecode(kTen + Seconds(i)));
        detector.ProcessSample(frame);
    }
    done = true;
    reader.join();
    EXPECT_EQ(torn, 0);
}
