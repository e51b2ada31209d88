#include "picturetestsupport.h"
#include "testfilters.h"

#include "media/dv_mediastamper.h"
#include "media/picturescaler.h"
#include "media/scenedetectcontenu.h"

#include <gtest/gtest.h>

namespace {

constexpr int kW = 64;
constexpr int kH = 48;  // 9216 bytes: 23 samples

Bytes Flat(uint8_t level)
{
    return Bytes(Rgb24ImageSize(kW, kH), level);
}

// Every byte moves by 40 levels from one picture to the next, like a steady pan.
Bytes Moving(int n)
{
    Bytes picture(Rgb24ImageSize(kW, kH));
    for (size_t i = 0; i < picture.size(); ++i)
        picture[i] = static_cast<uint8_t>(static_cast<size_t>(n) * 40 + i);
    return picture;
}

struct ContentRun {
    std::vector<int64_t> cuts;  // the end-of-stream call included, last
    int ends = 0;
    QString error;
};

ContentRun RunDetector(TSceneDetectContenu &detector, Tdv_MediaStamper &stamper, std::vector<Bytes> pictures,
               Filter *after = nullptr)
{
    ContentRun run;
    detector.SetCutCallback([&run](int64_t frame) { run.cuts.push_back(frame); });
    detector.SetEndCallback([&run] { ++run.ends; });
    SampleListSource source(MakeRgb24VideoType(kW, kH, kFrameTime625), std::move(pictures));
    KeepingSink sink;
    std::vector<Filter *> chain{&stamper, &detector};
    if (after)
        chain.push_back(after);
    run.error = RunChain(source, chain, sink);
    detector.SetCutCallback({});
    detector.SetEndCallback({});
    return run;
}

}  // namespace

TEST(TSceneDetectContenu, CutsWhereThePictureChangesAbruptly)
{
    const struct {
        const char *name;
        std::vector<Bytes> pictures;
        std::vector<int64_t> cuts;
    } cases[] = {
        {"black then white", {Flat(0), Flat(0), Flat(0), Flat(0), Flat(255), Flat(255)}, {4, 6}},
        {"first picture against the zero samples", {Flat(200), Flat(200)}, {0, 2}},
        {"a steady pan cuts only against the zero samples",
         {Moving(0), Moving(1), Moving(2), Moving(3), Moving(4), Moving(5)},
         {0, 6}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Tdv_MediaStamper stamper;
        TSceneDetectContenu detector(stamper);
        const ContentRun run = RunDetector(detector, stamper, c.pictures);
        ASSERT_EQ(run.error, QString());
        EXPECT_EQ(run.cuts, c.cuts);
        EXPECT_EQ(run.ends, 1);
    }
}

// The samples and the history carry over to the next stream; frame numbers and the
// end restart with it.
TEST(TSceneDetectContenu, CarriesItsSamplesIntoTheNextStream)
{
    Tdv_MediaStamper stamper;
    TSceneDetectContenu detector(stamper);
    ASSERT_EQ(RunDetector(detector, stamper, {Flat(0), Flat(255)}).cuts, (std::vector<int64_t>{1, 2}));
    const ContentRun second = RunDetector(detector, stamper, {Flat(255), Flat(255), Flat(255), Flat(0)});
    ASSERT_EQ(second.error, QString());
    EXPECT_EQ(second.cuts, (std::vector<int64_t>{3, 4}));
    const ContentRun empty = RunDetector(detector, stamper, {});
    EXPECT_EQ(empty.cuts, (std::vector<int64_t>{0}));
    EXPECT_EQ(empty.ends, 1);
}

TEST(TSceneDetectContenu, TellsTheEndOfARunThatFailedWithoutAFinalCut)
{
    Tdv_MediaStamper stamper;
    TSceneDetectContenu detector(stamper);
    Inverter failing(kSubtypeRgb24, kSubtypeRgb24);
    failing.FailAt(2);
    const ContentRun run = RunDetector(detector, stamper, {Flat(0), Flat(0), Flat(255), Flat(255)}, &failing);
    EXPECT_FALSE(run.error.isEmpty());
    EXPECT_EQ(run.cuts, (std::vector<int64_t>{2}));
    EXPECT_EQ(run.ends, 1);
}

TEST(ContentMeasure, CountsSampledBytesAndComparesWithTheHistory)
{
    const struct {
        const char *name;
        uint32_t changes;
        ContentHistory history;
        bool cut;
    } cases[] = {
        {"30 % is not enough", 30, {0, 0, 0}, false},
        {"31 %", 31, {0, 0, 0}, true},
        {"35 % after 20 %", 35, {20, 0, 0}, false},
        {"41 % after 20 %", 41, {20, 0, 0}, true},
        {"not twice the oldest", 60, {0, 0, 30}, false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(IsContentCut(c.changes, 100 * kContentSampleStep, c.history), c.cut) << c.name;

    // A length that is a multiple of 397: the last sample is at L - 397.
    const size_t length = 5 * kContentSampleStep;
    const struct {
        size_t changedByte;
        int level;
        uint32_t changes;
    } positions[] = {{length - kContentSampleStep, 17, 1}, {length - kContentSampleStep, 16, 0}, {length - 1, 200, 0}, {0, 200, 1}};
    for (const auto &p : positions) {
        ContentSamples previous{};
        Bytes picture(length, 0);
        picture[p.changedByte] = static_cast<uint8_t>(p.level);
        EXPECT_EQ(ContentChangeCount(picture, previous), p.changes) << p.changedByte << " " << p.level;
        EXPECT_EQ(previous[p.changedByte / kContentSampleStep], p.changedByte % kContentSampleStep == 0 ? p.level : 0);
        EXPECT_EQ(ContentChangeCount(picture, previous), 0u);
    }
    // At most 10000 samples, whatever the size.
    ContentSamples previous{};
    EXPECT_EQ(ContentChangeCount(Bytes(kContentSampleStep * (kContentSamples + 50), 255), previous), kContentSamples);
}
