#include "dvfiles.h"

#include "formats/dvaudio.h"
#include "media/avisplitter.h"
#include "media/filesource.h"
#include "media/filtergraph.h"
#include "media/mediaformats.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

namespace {

QStringList PinNames(const Filter &filter)
{
    QStringList names;
    for (const Pin *pin : filter.Pins())
        names << pin->Name();
    return names;
}

std::vector<int64_t> Range(int64_t first, int64_t end)
{
    std::vector<int64_t> values(static_cast<size_t>(std::max<int64_t>(end - first, 0)));
    std::iota(values.begin(), values.end(), first);
    return values;
}

int64_t FrameTime(bool ntsc, int64_t frame)
{
    return ntsc ? frame * 10'010'000 / 30 : frame * kFrameTime625;
}

}  // namespace

TEST(AviSplitter, OffersEveryStreamBeforeItsInputWithTheFormatsOfTheFile)
{
    struct Case {
        int type;
        bool ntsc;
        const char *audio;
    };
    QTemporaryDir dir;
    for (const Case &c : {Case{1, false, "48k16"}, Case{2, false, "48k16"}, Case{2, true, "32k12"}}) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << (c.ntsc ? " ntsc " : " pal ") << c.audio);
        dvfiles::Options options;
        options.type = c.type;
        options.ntsc = c.ntsc;
        options.audio = QLatin1String(c.audio);
        const QString path = dvfiles::Make(dir, QStringLiteral("f%1%2.avi").arg(c.type).arg(c.ntsc), options);
        ASSERT_FALSE(path.isEmpty());
        dvfiles::SplitGraph split(path);
        ASSERT_TRUE(split.opened) << qPrintable(split.splitter.LastError());
        split.LogEveryOutput();

        const std::vector<OutputPin *> outputs = split.splitter.OutputPins();
        if (c.type == 1) {
            EXPECT_EQ(PinNames(split.splitter), QStringList({"Stream 00", "input pin"}));
            const MediaType &type = outputs[0]->ConnectionMediaType();
            EXPECT_EQ(type.majorType, MajorType::Interleaved);
            const auto info = ParseDvInfo(type.FormatBytes());
            ASSERT_TRUE(info);
            EXPECT_NE(info->vauxSrc, DvInfo::kNoPack);
            EXPECT_NE(info->aauxSrc, DvInfo::kNoPack);
        } else {
            EXPECT_EQ(PinNames(split.splitter), QStringList({"Stream 00", "Stream 01", "input pin"}));
            const MediaType &video = outputs[0]->ConnectionMediaType();
            EXPECT_EQ(video.majorType, MajorType::Video);
            EXPECT_EQ(video.subtype, kSubtypeDvsd);
            const auto header = ParseVideoInfoHeader(video.FormatBytes());
            ASSERT_TRUE(header);
            EXPECT_EQ(header->bmiHeader.width, 720);
            EXPECT_EQ(header->bmiHeader.height, c.ntsc ? 480 : 576);
            EXPECT_EQ(header->source, (MediaRect{0, 0, 720, c.ntsc ? 480 : 576}));
            EXPECT_EQ(header->avgTimePerFrame, c.ntsc ? kFrameTime525 : kFrameTime625);
            EXPECT_EQ(header->bitRate, c.ntsc ? 120000ull * 8 * 30000 / 1001 : 144000ull * 8 * 25);
            const MediaType &audio = outputs[1]->ConnectionMediaType();
            EXPECT_EQ(audio.majorType, MajorType::Audio);
            const auto wave = ParseWaveFormatEx(audio.FormatBytes());
            ASSERT_TRUE(wave);
            EXPECT_EQ(wave->samplesPerSec, QLatin1String(c.audio) == "48k16" ? 48000u : 32000u);
            EXPECT_EQ(wave->channels, 2);
            EXPECT_EQ(wave->bitsPerSample, 16);
        }
        ASSERT_TRUE(split.graph.SetTimeFormat(TimeFormat::Frame));
        EXPECT_EQ(split.graph.GetDuration(), 20);
        // In time, the longest stream: sound may run a little past the last frame.
        ASSERT_TRUE(split.graph.SetTimeFormat(TimeFormat::MediaTime));
        EXPECT_NEAR(static_cast<double>(*split.graph.GetDuration()), FrameTime(c.ntsc, 20), kUnitsPerMillisecond);

        // Taking the input away takes the outputs, and their connections, with it.
        ASSERT_TRUE(split.graph.Disconnect(split.splitter.Input()));
        EXPECT_FALSE(split.logs[0]->Input().IsConnected());
        EXPECT_EQ(PinNames(split.splitter), QStringList({"input pin"}));
    }
}

// A range [start, stop) gives exactly those frames, and the sound from the sample
// at the range's start to the sample at its end, as a full run has them there.
TEST(AviSplitter, ARangeDeliversExactlyItsFramesAndTheirSound)
{
    struct Case {
        int type;
        bool ntsc;
    };
    struct Cut {
        int64_t start;
        int64_t stop;
    };
    constexpr int kFrames = 24;
    QTemporaryDir dir;
    for (const Case &c : {Case{1, false}, Case{2, false}, Case{2, true}}) {
        dvfiles::Options options;
        options.type = c.type;
        options.ntsc = c.ntsc;
        options.plan = {"--recording", QStringLiteral("2019-01-02 03:04:05,00:00:00:00,%1").arg(kFrames)};
        const QString path = dvfiles::Make(dir, QStringLiteral("r%1%2.avi").arg(c.type).arg(c.ntsc), options);
        ASSERT_FALSE(path.isEmpty());

        dvfiles::SplitGraph whole(path);
        ASSERT_TRUE(whole.opened);
        whole.LogEveryOutput();
        ASSERT_TRUE(whole.RunToEnd());
        const std::vector<uint8_t> allSound = c.type == 2 ? whole.logs[1]->AllBytes() : std::vector<uint8_t>();

        for (const Cut cut : {Cut{0, kFrames}, Cut{7, 13}, Cut{kFrames - 1, kFrames}, Cut{5, 6}}) {
            SCOPED_TRACE(testing::Message() << "type " << c.type << (c.ntsc ? " ntsc [" : " pal [") << cut.start
                                            << ", " << cut.stop << ")");
            dvfiles::SplitGraph split(path);
            ASSERT_TRUE(split.opened);
            split.LogEveryOutput();
            ASSERT_TRUE(split.graph.SetTimeFormat(TimeFormat::Frame));
            ASSERT_TRUE(split.graph.SetPositions(cut.start, cut.stop));
            ASSERT_TRUE(split.RunToEnd());

            const auto &frames = split.logs[0]->Entries();
            EXPECT_EQ(split.logs[0]->MediaStarts(), Range(cut.start, cut.stop));
            ASSERT_FALSE(frames.empty());
            EXPECT_EQ(frames.front().time->start, FrameTime(c.ntsc, cut.start));
            EXPECT_TRUE(frames.front().discontinuity);
            for (size_t i = 0; i < frames.size(); ++i)
                EXPECT_EQ(frames[i].data, whole.logs[0]->Entries()[static_cast<size_t>(cut.start) + i].data);
            if (c.type != 2)
                continue;

            // 48 kHz, 4 bytes a sample: the sound of [start, stop) in the whole stream.
            const auto sampleAt = [&](int64_t frame) { return std::llround(FrameTime(c.ntsc, frame) * 48000.0 / 1e7); };
            const size_t from = static_cast<size_t>(sampleAt(cut.start)) * 4;
            const size_t to = std::min(static_cast<size_t>(sampleAt(cut.stop)) * 4, allSound.size());
            EXPECT_EQ(split.logs[1]->AllBytes(), std::vector<uint8_t>(allSound.begin() + from, allSound.begin() + to));
            const auto &sound = split.logs[1]->Entries();
            ASSERT_FALSE(sound.empty());
            EXPECT_NEAR(static_cast<double>(sound.front().time->start), FrameTime(c.ntsc, cut.start), 1e7 / 48000);
        }
    }
}

// Sound and picture come in time order, so that two branches advance together.
TEST(AviSplitter, InterleavesTheStreamsOfATypeTwoFileInTimeOrder)
{
    QTemporaryDir dir;
    const QString path = dvfiles::Make(dir, QStringLiteral("t2.avi"), {});
    ASSERT_FALSE(path.isEmpty());
    dvfiles::SplitGraph split(path);
    ASSERT_TRUE(split.opened);

    split.LogEveryOutput();
    std::vector<int> arrivals;
    split.logs[0]->SetArrivalLog(&arrivals, 0);
    split.logs[1]->SetArrivalLog(&arrivals, 1);
    ASSERT_TRUE(split.RunToEnd());
    // Frame n, then its sound: both start at the same time, and the picture stream comes first.
    std::vector<int> expected;
    for (int n = 0; n < 20; ++n)
        expected.insert(expected.end(), {0, 1});
    EXPECT_EQ(arrivals, expected);
    const auto &video = split.logs[0]->Entries();
    const auto &sound = split.logs[1]->Entries();
    ASSERT_EQ(video.size(), 20u);
    ASSERT_EQ(sound.size(), 20u);
    for (size_t i = 0; i < sound.size(); ++i) {
        EXPECT_EQ(sound[i].time->start, video[i].time->start);
        EXPECT_EQ(sound[i].data.size(), 1920u * 4);
    }
}

TEST(AviSplitter, ReadsEveryRiffChunkOfAnOpenDmlFile)
{
    QTemporaryDir dir;
    dvfiles::Options options;
    options.plan = {"--recording", "2019-01-02 03:04:05,00:00:00:00,40"};
    options.riffLimit = 1024 * 1024;
    const QString path = dvfiles::Make(dir, QStringLiteral("odml.avi"), options);
    ASSERT_FALSE(path.isEmpty());
    const auto probe = testsupport::Run("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v",
                                                    "-show_entries", "stream=nb_read_frames", "-of", "csv=p=0", path});
    ASSERT_EQ(probe.out.trimmed(), "40");
    dvfiles::SplitGraph split(path);
    ASSERT_TRUE(split.opened);
    split.LogEveryOutput();
    ASSERT_TRUE(split.RunToEnd());
    EXPECT_EQ(split.logs[0]->MediaStarts(), Range(0, 40));
}

TEST(AviSplitter, DamagedFilesGiveTheirWholeFramesOrAClearRefusal)
{
    QTemporaryDir dir;
    const QString good = dvfiles::Make(dir, QStringLiteral("good.avi"), {});
    ASSERT_FALSE(good.isEmpty());
    const QByteArray bytes = testsupport::ReadWholeFile(good);

    // Cut inside the movi list: the frames before the cut, each whole.
    const QString cut = dir.filePath(QStringLiteral("cut.avi"));
    ASSERT_TRUE(testsupport::WriteWholeFile(cut, bytes.left(bytes.size() / 2)));
    dvfiles::SplitGraph split(cut);
    ASSERT_TRUE(split.opened) << qPrintable(split.splitter.LastError());
    split.LogEveryOutput();
    ASSERT_TRUE(split.RunToEnd());
    const auto &frames = split.logs[0]->Entries();
    EXPECT_GE(frames.size(), 5u);
    EXPECT_LT(frames.size(), 20u);
    for (const auto &frame : frames)
        EXPECT_EQ(frame.data.size(), 144000u);

    struct Refused {
        const char *name;
        QByteArray bytes;
    };
    for (const Refused &r : {Refused{"header.avi", bytes.left(200)}, Refused{"text.avi", QByteArray("no video here\n")},
                             Refused{"empty.avi", QByteArray()}, Refused{"wave.avi", QByteArray("RIFF\x04\0\0\0WAVE", 12)}}) {
        SCOPED_TRACE(r.name);
        const QString path = dir.filePath(QLatin1String(r.name));
        ASSERT_TRUE(testsupport::WriteWholeFile(path, r.bytes));
        dvfiles::SplitGraph refused(path);
        ASSERT_TRUE(refused.loaded);
        EXPECT_FALSE(refused.opened);
        EXPECT_FALSE(refused.splitter.LastError().isEmpty());
        EXPECT_EQ(PinNames(refused.splitter), QStringList({"input pin"}));
    }

    FileSourceFilter source;
    const FileLoadResult missing = source.Load(dir.filePath(QStringLiteral("absent.avi")));
    EXPECT_FALSE(missing.ok);
    EXPECT_TRUE(missing.error.contains(QStringLiteral("does not exist"))) << qPrintable(missing.error);
    EXPECT_FALSE(source.Load(dir.path()).ok);
}
