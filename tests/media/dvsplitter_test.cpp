#include "dvfiles.h"

#include "media/dvsplitter.h"
#include "media/mediaformats.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

namespace {

QStringList PinNames(const Filter &filter)
{
    QStringList names;
    for (const Pin *pin : filter.Pins())
        names << pin->Name();
    return names;
}

// File source → AVI splitter → DV splitter → one log per DV splitter output.
struct DvSplitGraph : dvfiles::SplitGraph {
    explicit DvSplitGraph(const QString &path) : SplitGraph(path)
    {
        graph.AddFilter(dvsplitter, QStringLiteral("dvsplitter"));
        split = opened && graph.Connect(*splitter.OutputPins().front(), dvsplitter.Input());
        if (split)
            LogEveryOutput(dvsplitter);
    }
    ~DvSplitGraph() { graph.RemoveAllFilters(); }

    DvSplitter dvsplitter;
    bool split = false;
};

}  // namespace

// The frames of a type 1 file come out unchanged, and their sound as the type 2
// file of the same recording carries it in its own stream.
TEST(DvSplitter, GivesTheFramesUnchangedAndTheirSoundAsATypeTwoFileHasIt)
{
    struct Case {
        bool ntsc;
        const char *audio;
    };
    QTemporaryDir dir;
    for (const Case &c : {Case{false, "48k16"}, Case{true, "48k16"}, Case{false, "32k12"}}) {
        SCOPED_TRACE(testing::Message() << (c.ntsc ? "ntsc " : "pal ") << c.audio);
        dvfiles::Options options;
        options.ntsc = c.ntsc;
        options.audio = QLatin1String(c.audio);
        options.type = 1;
        const QString type1 = dvfiles::Make(dir, QStringLiteral("t1%1%2.avi").arg(c.ntsc).arg(c.audio), options);
        options.type = 2;
        const QString type2 = dvfiles::Make(dir, QStringLiteral("t2%1%2.avi").arg(c.ntsc).arg(c.audio), options);
        ASSERT_FALSE(type1.isEmpty() || type2.isEmpty());

        DvSplitGraph split(type1);
        ASSERT_TRUE(split.split);
        EXPECT_EQ(PinNames(split.dvsplitter), QStringList({"Input", "DVVidOut0", "AudOut00"}));
        const MediaType &video = split.dvsplitter.OutputPins()[0]->ConnectionMediaType();
        EXPECT_EQ(video.majorType, MajorType::Video);
        EXPECT_EQ(video.subtype, kSubtypeDvsd);
        const auto header = ParseVideoInfoHeader(video.FormatBytes());
        ASSERT_TRUE(header);
        EXPECT_EQ(header->bmiHeader.height, c.ntsc ? 480 : 576);
        EXPECT_EQ(header->avgTimePerFrame, c.ntsc ? kFrameTime525 : kFrameTime625);
        const auto wave = ParseWaveFormatEx(split.dvsplitter.OutputPins()[1]->ConnectionMediaType().FormatBytes());
        ASSERT_TRUE(wave);
        EXPECT_EQ(wave->samplesPerSec, QLatin1String(c.audio) == "48k16" ? 48000u : 32000u);
        EXPECT_EQ(wave->channels, 2);
        ASSERT_TRUE(split.RunToEnd());

        dvfiles::SplitGraph reference(type2);
        ASSERT_TRUE(reference.opened);
        reference.LogEveryOutput();
        ASSERT_TRUE(reference.RunToEnd());

        const auto &frames = split.logs[0]->Entries();
        ASSERT_EQ(frames.size(), 20u);
        for (size_t i = 0; i < frames.size(); ++i) {
            EXPECT_EQ(frames[i].data, reference.logs[0]->Entries()[i].data);
            EXPECT_EQ(frames[i].mediaTimes, (MediaTimeRange{int64_t(i), int64_t(i) + 1}));
        }
        EXPECT_EQ(split.logs[1]->AllBytes(), reference.logs[1]->AllBytes());
        EXPECT_EQ(split.logs[1]->Entries()[3].time, frames[3].time);
    }
}

TEST(DvSplitter, OffersNoSoundOutputForAFileWithoutSound)
{
    QTemporaryDir dir;
    dvfiles::Options options;
    options.type = 1;
    options.audio = QStringLiteral("none");
    const QString path = dvfiles::Make(dir, QStringLiteral("mute.avi"), options);
    ASSERT_FALSE(path.isEmpty());
    DvSplitGraph split(path);
    ASSERT_TRUE(split.split);
    EXPECT_EQ(PinNames(split.dvsplitter), QStringList({"Input", "DVVidOut0"}));
    ASSERT_TRUE(split.graph.Disconnect(split.dvsplitter.Input()));
    EXPECT_EQ(PinNames(split.dvsplitter), QStringList({"Input"}));
}

// The camera records 12-bit sound at 32 kHz in four-channel mode, the second pair
// marked as carrying no sound: one sound output, whose samples FFmpeg decodes alike,
// though the stream format the writer put in the file names 48 kHz 16-bit sound.
TEST(DvSplitter, TakesTheSoundFormatOfARealRecordingFromItsFrames)
{
    REQUIRE_SAMPLE(path, "sony_ntsc_type1.avi");
    REQUIRE_TOOL("ffmpeg");
    DvSplitGraph split(path);
    ASSERT_TRUE(split.split);
    EXPECT_EQ(PinNames(split.dvsplitter), QStringList({"Input", "DVVidOut0", "AudOut00"}));
    const auto wave = ParseWaveFormatEx(split.dvsplitter.OutputPins()[1]->ConnectionMediaType().FormatBytes());
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->samplesPerSec, 32000u);
    ASSERT_TRUE(split.RunToEnd());
    EXPECT_EQ(split.logs[0]->Entries().size(), 5u);
    EXPECT_EQ(split.logs[1]->Entries().size(), 5u);

    const auto decoded = testsupport::Run("ffmpeg", {"-v", "error", "-i", path, "-map", "0:a:0", "-f", "s16le", "-"});
    ASSERT_EQ(decoded.exitCode, 0) << decoded.err.constData();
    EXPECT_EQ(split.logs[1]->AllBytes(), std::vector<uint8_t>(decoded.out.begin(), decoded.out.end()));
}
