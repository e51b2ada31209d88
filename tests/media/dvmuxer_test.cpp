#include "dvfiles.h"
#include "syntheticdv.h"
#include "writersources.h"

#include "formats/dvaudio.h"
#include "formats/dvinfo.h"
#include "media/avimux.h"
#include "media/dvmuxer.h"
#include "media/dvsplitter.h"
#include "media/filewriter.h"
#include "media/mediaformats.h"
#include "support/testsupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace syntheticdv;

namespace {

QStringList PinNames(const Filter &filter)
{
    QStringList names;
    for (const Pin *pin : filter.Pins())
        names << pin->Name();
    return names;
}

// Frames with metadata and picture bytes of their own, their audio blocks blank.
std::vector<Buffer> Frames(int count, bool is525)
{
    std::vector<Buffer> frames;
    for (int i = 0; i < count; ++i) {
        FrameSpec frameSpec;
        frameSpec.is525 = is525;
        frameSpec.datecode = At(2007, 7, 14, 10, 0, 0) + Seconds(i);
        frameSpec.timecode = TTimecodeRec{1, 2, 3, static_cast<uint8_t>(i % 25)};
        frameSpec.wide = i % 2 == 1;
        Buffer frame = MakeFrame(frameSpec);
        for (int v = 0; v < 135; ++v)
            frame[dvlayout::VideoBlockOffset(v) + 3] = static_cast<uint8_t>(i * 3 + v);
        frames.push_back(std::move(frame));
    }
    return frames;
}

// Every byte but those of the audio blocks, which carry the sound.
bool SameOutsideAudio(const Buffer &a, const QByteArray &b, size_t offset)
{
    using namespace dvlayout;
    for (size_t i = 0; i < a.size(); ++i) {
        const size_t block = i % kSequenceSize / kBlockSize;
        const bool audio = block >= 6 && (block - 6) % 16 == 0;
        if (!audio && a[i] != static_cast<uint8_t>(b[static_cast<qsizetype>(offset + i)]))
            return false;
    }
    return true;
}

// DV video and sound sources → DV muxer → AVI mux (type 1) → file writer.
struct DvMuxGraph {
    DvMuxGraph(const QString &path, const std::vector<Buffer> &frames, bool is525, int rate,
               std::vector<int64_t> soundSamples)
        : video(DvVideoType(is525), FrameList(frames, is525))
    {
        writer.SetFileName(path);
        writer.SetMode(true);
        for (Filter *f : std::initializer_list<Filter *>{&video, &muxer, &avimux, &writer})
            graph.AddFilter(*f);
        connected = graph.Connect(video.Output(), muxer.FreeInput());
        for (const int64_t samples : soundSamples) {
            // Chunks of a size unrelated to the frames, so that either input runs ahead.
            auto &source = audio.emplace_back(std::make_unique<ListSource>(PcmType(rate, 2), PcmList(rate, samples, 1000)));
            graph.AddFilter(*source);
            connected = graph.Connect(source->Output(), muxer.FreeInput()) && connected;
        }
        connected = graph.Connect(muxer.Output(), avimux.FreeInput()) && graph.Connect(avimux.Output(), writer.Input())
                 && connected;
    }

    FilterGraph graph;
    ListSource video;
    std::vector<std::unique_ptr<ListSource>> audio;
    DvMuxer muxer;
    AviMux avimux;
    FileWriter writer;
    bool connected = false;
};

TEST(DvMuxer, KeepsTheInputBeforeTheOutputFree)
{
    FilterGraph graph;
    ListSource video(DvVideoType(), {});
    ListSource video2(DvVideoType(), {});
    ListSource sound48(PcmType(48000, 2), {});
    ListSource sound32(PcmType(32000, 2), {});
    ListSource second32(PcmType(32000, 2), {});
    ListSource third32(PcmType(32000, 2), {});
    ListSource sound22(PcmType(22050, 2), {});
    DvMuxer muxer;
    for (Filter *f : std::initializer_list<Filter *>{&video, &video2, &sound48, &sound32, &second32, &third32, &sound22, &muxer})
        graph.AddFilter(*f);
    const auto secondFromEnd = [&]() -> InputPin & { return static_cast<InputPin &>(*muxer.Pins().end()[-2]); };
    EXPECT_EQ(PinNames(muxer), QStringList({"Input 1", "Output"}));
    EXPECT_FALSE(graph.Connect(sound22.Output(), secondFromEnd())) << "DV has no place for 22050 Hz";
    ASSERT_TRUE(graph.Connect(video.Output(), secondFromEnd()));
    EXPECT_FALSE(graph.Connect(video2.Output(), secondFromEnd()));
    ASSERT_TRUE(graph.Connect(sound48.Output(), secondFromEnd()));
    EXPECT_EQ(PinNames(muxer), QStringList({"Input 1", "Input 2", "Input 3", "Output"}));
    // Two streams share a frame only as 32 kHz 12-bit sound.
    EXPECT_FALSE(graph.Connect(sound32.Output(), secondFromEnd()));
    graph.Disconnect(sound48.Output());
    EXPECT_EQ(PinNames(muxer), QStringList({"Input 1", "Input 2", "Output"}));
    ASSERT_TRUE(graph.Connect(sound32.Output(), secondFromEnd()));
    ASSERT_TRUE(graph.Connect(second32.Output(), secondFromEnd()));
    EXPECT_FALSE(graph.Connect(third32.Output(), secondFromEnd()));
    EXPECT_EQ(PinNames(muxer), QStringList({"Input 1", "Input 2", "Input 3", "Input 4", "Output"}));
}

struct SoundCase {
    bool is525;
    int rate;
    int64_t soundSamples;  // of the one sound stream given
};

class DvMuxerSound : public testing::TestWithParam<SoundCase> {};

// FFmpeg decodes the sound back from the frames; every other byte is the input's.
TEST_P(DvMuxerSound, FfmpegDecodesTheSoundAndTheMetadataStays)
{
    REQUIRE_TOOL("ffmpeg");
    const SoundCase c = GetParam();
    constexpr int kFrames = 30;
    int64_t carried = 0;
    for (int i = 0; i < kFrames; ++i)
        carried += DvAudioSamplesForFrame(c.is525, c.rate, i);
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("muxed.avi"));
    const std::vector<Buffer> frames = Frames(kFrames, c.is525);
    DvMuxGraph g(path, frames, c.is525, c.rate, {c.soundSamples});
    ASSERT_TRUE(g.connected);
    const auto completion = RunToCompletion(g.graph);
    ASSERT_TRUE(completion);
    ASSERT_EQ(completion->result, GraphCompletion::Result::Complete) << completion->message.toStdString();

    const auto run = [&](const QStringList &output) {
        return testsupport::Run(QStringLiteral("ffmpeg"), QStringList{"-v", "error", "-i", path} + output);
    };
    const QByteArray muxed = run({"-map", "0:v:0", "-c", "copy", "-f", "rawvideo", "-"}).out;
    ASSERT_EQ(muxed.size(), qsizetype(frames.size() * frames[0].size())) << "the stream ends with the video";
    for (size_t i = 0; i < frames.size(); ++i)
        EXPECT_TRUE(SameOutsideAudio(frames[i], muxed, i * frames[0].size())) << "frame " << i;

    const auto decoded = run({"-map", "0:a:0", "-f", "s16le", "-"});
    ASSERT_EQ(decoded.exitCode, 0) << decoded.err.toStdString();
    ASSERT_EQ(decoded.out.size(), carried * 4);
    const auto *pcm = reinterpret_cast<const uint8_t *>(decoded.out.constData());
    int64_t wrong = 0;
    for (int64_t s = 0; s < carried; ++s) {
        // Sound that ended before the video is followed by silence.
        const bool given = s < c.soundSamples;
        for (int ch = 0; ch < 2; ++ch)
            wrong += static_cast<int16_t>(ReadLE16(pcm + 4 * s + 2 * ch)) != (given ? Tone(s, ch) : 0);
    }
    EXPECT_EQ(wrong, 0);
}

INSTANTIATE_TEST_SUITE_P(Rates, DvMuxerSound,
                         testing::Values(SoundCase{false, 48000, 30 * 1920},  // sound and picture end together
                                         SoundCase{true, 48000, 80000},       // the 1600/1602 cycle, more sound than picture
                                         SoundCase{false, 44100, 20000},      // the sound ends early
                                         SoundCase{false, 32000, 30 * 1280}));

TEST(DvMuxer, TwoStreamsBecomeThe12BitPairs)
{
    REQUIRE_TOOL("ffmpeg");
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("pairs.avi"));
    const std::vector<Buffer> frames = Frames(10, false);
    DvMuxGraph g(path, frames, false, 32000, {12800, 12800});
    ASSERT_TRUE(g.connected);
    const auto completion = RunToCompletion(g.graph);
    ASSERT_TRUE(completion);
    ASSERT_EQ(completion->result, GraphCompletion::Result::Complete) << completion->message.toStdString();
    const auto muxed = testsupport::Run(QStringLiteral("ffmpeg"),
                                        {"-v", "error", "-i", path, "-map", "0:v:0", "-c", "copy", "-f", "rawvideo", "-"});
    ASSERT_EQ(muxed.out.size(), qsizetype(10 * frames[0].size()));
    std::vector<int16_t> pcm(kDvMaxAudioSamples * 4);
    for (int i = 0; i < 10; ++i) {
        const ByteSpan frame(reinterpret_cast<const uint8_t *>(muxed.out.constData()) + i * frames[0].size(), frames[0].size());
        const auto info = DvGetAudioInfo(frame);
        ASSERT_TRUE(info);
        EXPECT_EQ(info->bits, 12);
        EXPECT_EQ(info->pairs, 2);
        ASSERT_EQ(DvExtractAudio(frame, DvAudioPairs::Both, pcm), 1280);
        for (int s = 0; s < 1280; ++s)
            for (int ch = 0; ch < 4; ++ch)
                ASSERT_EQ(pcm[static_cast<size_t>(4 * s + ch)], DvExpand12(DvCompress12(Tone(i * 1280 + s, ch % 2))))
                    << "frame " << i << " sample " << s << " channel " << ch;
    }
}

// The information block the output's type carries is the one a reader takes from the
// first frame the muxer delivers: the file's video packs, the sound packs written.
TEST(DvMuxer, TheOutputTypeDescribesTheFramesItDelivers)
{
    const struct {
        const char *name;
        dvfiles::Options options;
    } cases[] = {
        {"type 2, 625/50, 48 kHz", {.type = 2, .ntsc = false, .wide = false, .audio = QStringLiteral("48k16")}},
        {"type 2, 525/60, 48 kHz", {.type = 2, .ntsc = true, .wide = true, .audio = QStringLiteral("48k16")}},
        {"type 1 through the DV splitter, 32 kHz 12-bit", {.type = 1, .ntsc = false, .wide = false, .audio = QStringLiteral("32k12")}},
        {"type 2 without sound", {.type = 2, .ntsc = false, .wide = false, .audio = QStringLiteral("none")}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dvfiles::Make(dir, QStringLiteral("source.avi"), c.options);
        ASSERT_FALSE(path.isEmpty());
        dvfiles::SplitGraph split(path);
        ASSERT_TRUE(split.opened);
        DvMuxer muxer;
        DvSplitter dvSplitter;
        split.graph.AddFilter(muxer);
        split.graph.AddFilter(dvSplitter);
        std::vector<OutputPin *> outputs = split.splitter.OutputPins();
        if (c.options.type == 1) {
            ASSERT_TRUE(split.graph.Connect(*outputs.front(), dvSplitter.Input()));
            outputs = dvSplitter.OutputPins();
        }
        for (OutputPin *output : outputs)
            ASSERT_TRUE(split.graph.Connect(*output, muxer.FreeInput()));
        split.LogEveryOutput(muxer);
        ASSERT_TRUE(split.RunToEnd());
        const MediaType &type = muxer.Output().ConnectionMediaType();
        EXPECT_EQ(type.majorType, MajorType::Interleaved);
        const std::optional<DvInfo> declared = ParseDvInfo(type.FormatBytes());
        ASSERT_TRUE(declared);
        const std::vector<uint8_t> &first = split.logs.at(0)->Entries().at(0).data;
        EXPECT_EQ(*declared, DvInfoFromFrame(first));
        EXPECT_NE(declared->vauxSrc, DvInfo::kNoPack);
        EXPECT_EQ(declared->aauxSrc == DvInfo::kNoPack, c.options.audio == QLatin1String("none"));
    }
}

// Frames from elsewhere than a file (an encoder) are not there to be read before the
// run: the block then says the system and the sound.
TEST(DvMuxer, WithoutAFileTheOutputTypeStillSaysTheSystemAndTheSound)
{
    for (const bool is525 : {false, true}) {
        SCOPED_TRACE(is525 ? "525/60" : "625/50");
        FilterGraph graph;
        ListSource video(DvVideoType(is525), {});
        ListSource left(PcmType(32000, 2), {});
        ListSource right(PcmType(32000, 2), {});
        DvMuxer muxer;
        dvfiles::SampleLog log;
        for (Filter *f : std::initializer_list<Filter *>{&video, &left, &right, &muxer, &log})
            graph.AddFilter(*f);
        ASSERT_TRUE(graph.Connect(video.Output(), muxer.FreeInput()));
        ASSERT_TRUE(graph.Connect(left.Output(), muxer.FreeInput()));
        ASSERT_TRUE(graph.Connect(right.Output(), muxer.FreeInput()));
        ASSERT_TRUE(graph.Connect(muxer.Output(), log.Input()));
        const std::optional<DvInfo> declared = ParseDvInfo(muxer.Output().ConnectionMediaType().FormatBytes());
        ASSERT_TRUE(declared);
        // PC3 of the source packs: bit 5 set for 625/50.
        EXPECT_EQ((declared->vauxSrc >> 16 & 0x20) == 0, is525);
        EXPECT_EQ((declared->aauxSrc >> 16 & 0x20) == 0, is525);
        const std::optional<DvAudioInfo> sound = DvAudioInfoFromDvInfo(*declared);
        ASSERT_TRUE(sound);
        EXPECT_EQ(sound->rate, 32000);
        EXPECT_EQ(sound->bits, 12);
        EXPECT_EQ(sound->pairs, 2);
    }
}

}  // namespace
