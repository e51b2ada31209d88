#include "media/dv_scenedetect.h"

#include "syntheticdv.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace syntheticdv;

namespace {

struct Subtitle {
    int frame;
    QString line1;
    QString line2;
    bool operator==(const Subtitle &) const = default;
};

void PrintTo(const Subtitle &s, std::ostream *os)
{
    *os << "{" << s.frame << ", \"" << s.line1.toStdString() << "\", \"" << s.line2.toStdString() << "\"}";
}

const TDateTime kTen = At(2003, 7, 14, 10, 0, 0);

TincrustRec Settings(IncrustWhen when, const QString &template1 = QStringLiteral("%D1"),
                     const QString &template2 = QString())
{
    TincrustRec rec;
    rec.When = when;
    rec.Template1 = template1;
    rec.Template2 = template2;
    rec.Format1 = QStringLiteral("dd/mm/yyyy");
    rec.Format2 = QStringLiteral("hh:nn:ss");
    rec.Duration = 5;
    return rec;
}

struct LinesRun {
    std::vector<Subtitle> subtitles;
    std::vector<bool> shown;  // per frame: line 1 not empty
};

LinesRun Lines(const TincrustRec &rec, int frames, const std::function<FrameSpec(int)> &frameSpec,
          std::optional<int64_t> frameDuration = SceneDetectCore::kFrameDuration625)
{
    SceneDetectCore detector;
    LinesRun run;
    detector.SetSubtitleCallback([&](const TFrameInfo &current, const QString &l1, const QString &l2) {
        run.subtitles.push_back({current.Frame, l1, l2});
    });
    detector.SetOverlaySettings(rec);
    detector.StartStreaming(frameDuration);
    for (int i = 0; i < frames; ++i) {
        detector.ProcessSample(MakeFrame(frameSpec(i)));
        run.shown.push_back(!detector.Line1().isEmpty());
    }
    return run;
}

FrameSpec Dated(TDateTime datecode)
{
    FrameSpec frameSpec;
    frameSpec.datecode = datecode;
    return frameSpec;
}

// The frames where the lines show, as [first, end) ranges.
std::vector<std::pair<int, int>> ShownRanges(const std::vector<bool> &shown)
{
    std::vector<std::pair<int, int>> ranges;
    for (int i = 0; i < static_cast<int>(shown.size()); ++i) {
        if (!shown[static_cast<size_t>(i)])
            continue;
        if (ranges.empty() || ranges.back().second != i)
            ranges.emplace_back(i, i + 1);
        else
            ranges.back().second = i + 1;
    }
    return ranges;
}

const QString kDay = QStringLiteral("14/07/2003");

}  // namespace

TEST(SceneDetectLines, OnceShowsTheLinesFromTheStartForTheDisplayTime)
{
    const LinesRun run = Lines(Settings(IncrustWhen::kOnce), 300, [](int i) { return Dated(kTen + Seconds(i / 25)); });
    EXPECT_EQ(run.subtitles, (std::vector<Subtitle>{{0, kDay, QString()}, {123, QString(), QString()}}));
    EXPECT_EQ(ShownRanges(run.shown), (std::vector<std::pair<int, int>>{{0, 123}}));
}

TEST(SceneDetectLines, EachNewSceneShowsAfterAStepOfMoreThanTwoSecondsOrBackwards)
{
    struct Case {
        const char *what;
        double step;  // seconds from frame 199 to frame 200
        bool shows;
    } cases[] = {
        {"one second on", 1, false},
        {"two seconds on", 2, false},
        {"three seconds on", 3, true},
        {"one second back", -1, true},
        {"another day", 86400 * 3, true},
    };
    for (const Case &c : cases) {
        const auto datecode = [&](int i) {
            const TDateTime before = kTen + Seconds(i / 25);
            return i < 200 ? before : kTen + Seconds(199 / 25) + Seconds(c.step) + Seconds((i - 199) / 25);
        };
        const LinesRun run = Lines(Settings(IncrustWhen::kEachNewScene, QStringLiteral("%D2")), 400,
                              [&](int i) { return Dated(datecode(i)); });
        std::vector<std::pair<int, int>> expected = {{0, 125}};
        if (c.shows)
            expected.emplace_back(200, 325);
        EXPECT_EQ(ShownRanges(run.shown), expected) << c.what;
        EXPECT_EQ(run.subtitles.back(), (Subtitle{c.shows ? 325 : 125, QString(), QString()})) << c.what;
    }
}

TEST(SceneDetectLines, EachNewDayShowsAtMidnightAndAfterMoreThanADay)
{
    struct Case {
        const char *what;
        TDateTime first;  // datecode of frames 0..249
        TDateTime then;   // datecode from frame 250 on
        bool shows;
    } cases[] = {
        {"past midnight", At(2003, 12, 31, 23, 59, 50), At(2004, 1, 1, 0, 0, 0), true},
        {"the same day of the next month", At(2003, 7, 14, 10, 0, 0), At(2003, 8, 14, 10, 0, 0), true},
        {"five hours later the same day", At(2003, 7, 14, 10, 0, 0), At(2003, 7, 14, 15, 0, 0), false},
        {"an hour back the same day", At(2003, 7, 14, 10, 0, 0), At(2003, 7, 14, 9, 0, 0), false},
    };
    for (const Case &c : cases) {
        const LinesRun run = Lines(Settings(IncrustWhen::kEachNewDay), 500, [&](int i) {
            return Dated(i < 250 ? c.first + Seconds(i / 25) : c.then + Seconds((i - 250) / 25));
        });
        std::vector<std::pair<int, int>> expected = {{0, 125}};
        if (c.shows)
            expected.emplace_back(250, 375);
        EXPECT_EQ(ShownRanges(run.shown), expected) << c.what;
    }
}

TEST(SceneDetectLines, PermanentLinesFollowEveryChange)
{
    TincrustRec rec = Settings(IncrustWhen::kPermanently, QStringLiteral("%D1 %d2"), QStringLiteral("%t"));
    const LinesRun run = Lines(rec, 60, [](int i) {
        FrameSpec frameSpec;
        if (i < 50)
            frameSpec.datecode = kTen + Seconds(i / 25);
        frameSpec.timecode = TTimecodeRec{1, 2, 3, static_cast<uint8_t>(i % 25)};
        return frameSpec;
    });
    ASSERT_EQ(run.subtitles.size(), 60u);
    EXPECT_EQ(run.subtitles[0], (Subtitle{0, QStringLiteral("14/07/2003 10:00:00"), QStringLiteral("1:02:03:00")}));
    EXPECT_EQ(run.subtitles[27], (Subtitle{27, QStringLiteral("14/07/2003 10:00:01"), QStringLiteral("1:02:03:02")}));
    // Without a datecode its placeholders are empty, the rest of the template stays.
    EXPECT_EQ(run.subtitles[55], (Subtitle{55, QStringLiteral(" "), QStringLiteral("1:02:03:05")}));
}

TEST(SceneDetectLines, TheTimeOffsetIsAddedBeforeFormatting)
{
    TincrustRec rec = Settings(IncrustWhen::kPermanently, QStringLiteral("%D1"), QStringLiteral("%D2"));
    rec.TimeDifference = 14.0 / 24;
    const LinesRun run = Lines(rec, 1, [](int) { return Dated(kTen); });
    EXPECT_EQ(run.subtitles, (std::vector<Subtitle>{{0, QStringLiteral("15/07/2003"), QStringLiteral("00:00:00")}}));
}

TEST(SceneDetectLines, DisplayFramesFollowTheFrameDuration)
{
    struct Case {
        const char *what;
        std::optional<int64_t> frameDuration;
        bool is525;
        int duration;
        int displayFrames;
    } cases[] = {
        {"625/50 format", SceneDetectCore::kFrameDuration625, false, 5, 125},
        {"525/60 format", SceneDetectCore::kFrameDuration525, true, 5, 150},
        {"interleaved 625/50, from the frame size", std::nullopt, false, 5, 125},
        {"interleaved 525/60, from the frame size", std::nullopt, true, 5, 150},
        {"two seconds", SceneDetectCore::kFrameDuration625, false, 2, 50},
        {"no display time", SceneDetectCore::kFrameDuration625, false, 0, 0},
    };
    for (const Case &c : cases) {
        TincrustRec rec = Settings(IncrustWhen::kOnce);
        rec.Duration = c.duration;
        const LinesRun run = Lines(rec, 400, [&](int) {
            FrameSpec frameSpec = Dated(kTen);
            frameSpec.is525 = c.is525;
            return frameSpec;
        }, c.frameDuration);
        // "Once" shows from the start for two frames less than the display time.
        const std::vector<std::pair<int, int>> expected =
            c.displayFrames > 2 ? std::vector<std::pair<int, int>>{{0, c.displayFrames - 2}}
                                : std::vector<std::pair<int, int>>{};
        EXPECT_EQ(ShownRanges(run.shown), expected) << c.what;
    }
}

TEST(SceneDetectLines, SettingsChangedWhileStreamingApplyFromTheNextFrame)
{
    SceneDetectCore detector;
    detector.SetOverlaySettings(Settings(IncrustWhen::kPermanently));
    detector.StartStreaming(SceneDetectCore::kFrameDuration625);
    detector.ProcessSample(MakeFrame(Dated(kTen)));
    EXPECT_EQ(detector.Line1(), kDay);
    TincrustRec rec = Settings(IncrustWhen::kPermanently, QStringLiteral("at %D2"));
    rec.Duration = 2;
    detector.SetOverlaySettings(rec);
    EXPECT_EQ(detector.Line1(), kDay);
    detector.ProcessSample(MakeFrame(Dated(kTen)));
    EXPECT_EQ(detector.Line1(), QStringLiteral("at 10:00:00"));
    EXPECT_EQ(detector.DisplayFrames(), 50);
}

TEST(SceneDetectLines, ByDefaultTheDateAndTimeShowPermanently)
{
    SceneDetectCore detector;
    detector.StartStreaming(std::nullopt);
    detector.ProcessSample(MakeFrame(Dated(kTen)));
    EXPECT_FALSE(detector.Line1().isEmpty());
    EXPECT_FALSE(detector.Line2().isEmpty());
    EXPECT_EQ(detector.DisplayFrames(), SceneDetectCore::kDefaultDisplayFrames);
}
