#include "writersources.h"

#include "media/dv_wavedest.h"
#include "media/filewriter.h"
#include "media/mediaformats.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The header fields a reader checks, in file order.
struct HeaderCase {
    int formatBytes;
    uint32_t dataSize;
    int headerSize;
    uint32_t riffSize;
    int dataTagAt;
};

class WaveHeader : public testing::TestWithParam<HeaderCase> {};

TEST_P(WaveHeader, SizesFollowTheFormatBlock)
{
    const HeaderCase c = GetParam();
    const QByteArray format = BuildWaveFormatEx({1, 2, 48000, 192000, 4, 16, 0}).left(c.formatBytes);
    const QByteArray header = Tdv_WaveDest::BuildHeader(format, c.dataSize);
    ASSERT_EQ(header.size(), c.headerSize);
    const auto *p = reinterpret_cast<const uint8_t *>(header.constData());
    EXPECT_EQ(header.left(4), "RIFF");
    EXPECT_EQ(ReadLE32(p + 4), c.riffSize);
    EXPECT_EQ(header.mid(8, 8), "WAVEfmt ");
    EXPECT_EQ(ReadLE32(p + 16), static_cast<uint32_t>(c.formatBytes));
    EXPECT_EQ(header.mid(20, c.formatBytes), format);
    EXPECT_EQ(header.mid(c.dataTagAt, 4), "data");
    EXPECT_EQ(ReadLE32(p + c.dataTagAt + 4), c.dataSize);
}

INSTANTIATE_TEST_SUITE_P(Sizes, WaveHeader,
                         testing::Values(HeaderCase{18, 1920000, 46, 1920038, 38},  // 10 s of 48 kHz stereo
                                         HeaderCase{16, 1000, 44, 1036, 36},
                                         HeaderCase{18, 0, 46, 38, 38}));

// source → WAV writer → file writer.
struct WavGraph {
    WavGraph(const QString &path, std::vector<TimedBuffer> chunks, MediaType type = PcmType(48000, 2))
        : source(std::move(type), std::move(chunks))
    {
        writer.SetFileName(path);
        writer.SetMode(true);
        graph.AddFilter(source, QStringLiteral("source"));
        graph.AddFilter(wave, QString::fromLatin1(Tdv_WaveDest::kGraphName));
        graph.AddFilter(writer, QStringLiteral("destination"));
        connected = graph.Connect(source.Output(), wave.Input()) && graph.Connect(wave.Output(), writer.Input());
    }

    FilterGraph graph;
    ListSource source;
    Tdv_WaveDest wave;
    FileWriter writer;
    bool connected = false;
};

// What FFmpeg makes of the file: "rate channels samples", the samples counted by
// decoding the whole file.
std::string ProbeWave(const QString &path)
{
    const auto probe = testsupport::Run(
        QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                                    QStringLiteral("stream=sample_rate,channels"), QStringLiteral("-of"),
                                    QStringLiteral("default=nw=1:nk=1"), path});
    const auto decoded = testsupport::Run(QStringLiteral("ffmpeg"), {QStringLiteral("-v"), QStringLiteral("error"),
                                                                     QStringLiteral("-i"), path, QStringLiteral("-f"),
                                                                     QStringLiteral("s16le"), QStringLiteral("-")});
    if (probe.exitCode != 0 || decoded.exitCode != 0)
        return "ffprobe/ffmpeg failed: " + probe.err.toStdString() + decoded.err.toStdString();
    const QStringList fields = QString::fromUtf8(probe.out).simplified().split(QLatin1Char(' '));
    const int channels = fields.size() == 2 ? fields[1].toInt() : 0;
    const qsizetype samples = channels > 0 ? decoded.out.size() / 2 / channels : -1;
    return QStringLiteral("%1 %2").arg(fields.join(QLatin1Char(' '))).arg(samples).toStdString();
}

TEST(WaveDest, WritesAWavFileThatFfprobeReads)
{
    REQUIRE_TOOL("ffprobe");
    REQUIRE_TOOL("ffmpeg");
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("sound.wav"));
    WavGraph g(path, PcmList(48000, 48000, 1920));
    ASSERT_TRUE(g.connected);
    const auto completion = RunToCompletion(g.graph);
    ASSERT_TRUE(completion);
    EXPECT_EQ(completion->result, GraphCompletion::Result::Complete) << completion->message.toStdString();
    EXPECT_EQ(g.wave.DataSize(), 48000u * 4);
    EXPECT_EQ(ProbeWave(path), "48000 2 48000");
    const QByteArray bytes = testsupport::ReadWholeFile(path);
    ASSERT_EQ(bytes.size(), 46 + 48000 * 4);
    const Buffer expected = TonePcm(0, 48000);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), reinterpret_cast<const uint8_t *>(bytes.constData()) + 46));
}

TEST(WaveDest, AStopInTheMiddleLeavesAValidFile)
{
    REQUIRE_TOOL("ffprobe");
    REQUIRE_TOOL("ffmpeg");
    QTemporaryDir dir;
    for (const int chunks : {0, 7}) {
        const QString path = QDir(dir.path()).filePath(QStringLiteral("stopped%1.wav").arg(chunks));
        WavGraph g(path, PcmList(32000, 32000 * 10, 1280, 1), PcmType(32000, 1));
        ASSERT_TRUE(g.connected);
        g.source.HoldAfter(chunks);
        const auto completion = RunAndStopAt(g.graph, g.source, chunks);
        ASSERT_TRUE(completion);
        EXPECT_EQ(completion->result, GraphCompletion::Result::StoppedEarly);
        EXPECT_EQ(ProbeWave(path), QStringLiteral("32000 1 %1").arg(chunks * 1280).toStdString()) << chunks;
        EXPECT_EQ(QFile(path).size(), 46 + chunks * 1280 * 2);
    }
}

TEST(WaveDest, AFailedWriteIsReportedAndNotCounted)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("missing folder/sound.wav"));
    WavGraph g(path, PcmList(48000, 48000, 1920));
    ASSERT_TRUE(g.connected);
    const auto completion = RunToCompletion(g.graph);
    ASSERT_TRUE(completion);
    EXPECT_EQ(completion->result, GraphCompletion::Result::Error);
    EXPECT_FALSE(completion->message.isEmpty());
    EXPECT_EQ(g.wave.DataSize(), 0u);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
}

TEST(WaveDest, TakesOnlyWaveFormats)
{
    FilterGraph graph;
    ListSource video(DvVideoType(), {});
    ListSource sound(PcmType(44100, 2), {});
    Tdv_WaveDest wave;
    graph.AddFilter(video);
    graph.AddFilter(sound);
    graph.AddFilter(wave);
    EXPECT_FALSE(graph.Connect(video.Output(), wave.Input()));
    EXPECT_TRUE(graph.Connect(sound.Output(), wave.Input()));
    EXPECT_EQ(wave.Output().Name(), QStringLiteral("Out"));
    EXPECT_EQ(wave.Input().Name(), QStringLiteral("In"));
}

}  // namespace
