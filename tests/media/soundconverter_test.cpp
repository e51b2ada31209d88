#include "writersources.h"

#include "media/dv_wavedest.h"
#include "media/filewriter.h"
#include "media/rendererfilter.h"
#include "media/soundconverter.h"
#include "support/testsupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// Keeps the times and bytes of every sample it is given.
class Recorder final : public RendererFilter {
public:
    Recorder() : RendererFilter(QStringLiteral("Recorder")) {}

    std::vector<MediaTimeRange> times;
    Buffer bytes;

protected:
    bool CheckInputType(const MediaType &type) const override { return type.majorType == MajorType::Audio; }
    StreamResult Render(const MediaSample &sample) override
    {
        if (sample.Time())
            times.push_back(*sample.Time());
        bytes.insert(bytes.end(), sample.Data().begin(), sample.Data().end());
        return StreamResult::Ok();
    }
};

WaveFormatEx Pcm(int rate, int channels, int bits)
{
    return {1, static_cast<uint16_t>(channels), static_cast<uint32_t>(rate), 0, 0, static_cast<uint16_t>(bits), 0};
}

struct ConverterGraph {
    ConverterGraph(int inRate, int64_t samples, int64_t chunk, int inChannels = 2)
        : source(PcmType(inRate, inChannels), PcmList(inRate, samples, chunk, inChannels))
    {
        graph.AddFilter(source);
        graph.AddFilter(converter, QStringLiteral("acm1"));
        graph.AddFilter(recorder);
    }
    bool Connect() { return graph.Connect(source.Output(), converter.Input()) && graph.Connect(converter.Output(), recorder.Input()); }

    FilterGraph graph;
    ListSource source;
    SoundConverter converter;
    Recorder recorder;
};

struct RateCase {
    int inRate;
    int outRate;
    int64_t inSamples;
    int64_t outSamples;
};

class SoundConverterRates : public testing::TestWithParam<RateCase> {};

TEST_P(SoundConverterRates, GivesTheSamplesOfTheDurationWithContinuousTimes)
{
    const RateCase c = GetParam();
    ConverterGraph g(c.inRate, c.inSamples, 1920);
    ASSERT_TRUE(g.converter.SetFormat(Pcm(c.outRate, 2, 16)));
    ASSERT_TRUE(g.Connect());
    const auto completion = RunToCompletion(g.graph);
    ASSERT_TRUE(completion);
    ASSERT_EQ(completion->result, GraphCompletion::Result::Complete) << completion->message.toStdString();
    EXPECT_EQ(static_cast<int64_t>(g.recorder.bytes.size()) / 4, c.outSamples);
    ASSERT_FALSE(g.recorder.times.empty());
    EXPECT_EQ(g.recorder.times.front().start, 0);
    for (size_t i = 1; i < g.recorder.times.size(); ++i)
        ASSERT_EQ(g.recorder.times[i].start, g.recorder.times[i - 1].stop) << "sample " << i;
    EXPECT_EQ(g.recorder.times.back().stop, c.outSamples * kUnitsPerSecond / c.outRate);
}

INSTANTIATE_TEST_SUITE_P(Rates, SoundConverterRates,
                         testing::Values(RateCase{48000, 32000, 48000 * 3, 32000 * 3},
                                         RateCase{32000, 48000, 32000 * 3, 48000 * 3},
                                         RateCase{44100, 48000, 44100, 48000},
                                         RateCase{48000, 48000, 10000, 10000}));

TEST(SoundConverter, ChangesSampleSizeAndChannels)
{
    // Same rate: 16-bit stereo to 8-bit mono is a plain mapping FFmpeg's resampler makes exactly.
    ConverterGraph g(48000, 4800, 1000);
    ASSERT_TRUE(g.converter.SetFormat(Pcm(48000, 1, 8)));
    ASSERT_TRUE(g.Connect());
    const auto out = ParseWaveFormatEx(g.converter.Output().ConnectionMediaType().FormatBytes());
    ASSERT_TRUE(out);
    EXPECT_EQ(*out, (WaveFormatEx{1, 1, 48000, 48000, 1, 8, 0}));
    const auto completion = RunToCompletion(g.graph);
    ASSERT_TRUE(completion);
    ASSERT_EQ(g.recorder.bytes.size(), 4800u);
    int far = 0;
    for (int64_t s = 0; s < 4800; ++s) {
        const int mixed = (Tone(s, 0) + Tone(s, 1)) / 2;
        far += std::abs((static_cast<int>(g.recorder.bytes[static_cast<size_t>(s)]) - 128) * 256 - mixed) > 512;
    }
    EXPECT_EQ(far, 0);
}

TEST(SoundConverter, ANewFormatOnAConnectedOutputReconnectsIt)
{
    ConverterGraph g(48000, 0, 1000);
    ASSERT_TRUE(g.Connect());
    EXPECT_EQ(ParseWaveFormatEx(g.converter.Output().ConnectionMediaType().FormatBytes())->samplesPerSec, 48000u);
    ASSERT_TRUE(g.converter.SetFormat(Pcm(32000, 2, 16)));
    ASSERT_TRUE(g.recorder.Input().IsConnected());
    EXPECT_EQ(ParseWaveFormatEx(g.recorder.Input().ConnectionMediaType().FormatBytes())->samplesPerSec, 32000u);
    // Formats a DV or WAV file cannot take are refused and change nothing.
    EXPECT_FALSE(g.converter.SetFormat(Pcm(32000, 6, 16)));
    EXPECT_FALSE(g.converter.SetFormat(Pcm(32000, 2, 24)));
    EXPECT_EQ(g.converter.Format()->samplesPerSec, 32000u);
}

// The extraction path: the converter before the WAV writer, judged by FFmpeg.
TEST(SoundConverter, FeedsTheWavWriter)
{
    REQUIRE_TOOL("ffprobe");
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("converted.wav"));
    FilterGraph graph;
    ListSource source(PcmType(32000, 2), PcmList(32000, 32000 * 2, 1280));
    SoundConverter converter;
    Tdv_WaveDest wave;
    FileWriter writer;
    writer.SetFileName(path);
    writer.SetMode(true);
    for (Filter *f : std::initializer_list<Filter *>{&source, &converter, &wave, &writer})
        graph.AddFilter(*f);
    ASSERT_TRUE(converter.SetFormat(Pcm(48000, 2, 16)));
    ASSERT_TRUE(graph.Connect(source.Output(), converter.Input()) && graph.Connect(converter.Output(), wave.Input())
                && graph.Connect(wave.Output(), writer.Input()));
    const auto completion = RunToCompletion(graph);
    ASSERT_TRUE(completion);
    ASSERT_EQ(completion->result, GraphCompletion::Result::Complete) << completion->message.toStdString();
    const auto probe = testsupport::Run(QStringLiteral("ffprobe"), {"-v", "error", "-show_entries",
                                                                    "stream=sample_rate,channels,duration_ts", "-of",
                                                                    "default=nw=1:nk=1", path});
    EXPECT_EQ(QString::fromUtf8(probe.out).simplified(), QStringLiteral("48000 2 96000"));
}

}  // namespace
