#include "syntheticdv.h"
#include "writersources.h"

#include "media/avimux.h"
#include "media/dv_wavedest.h"
#include "media/dvmuxer.h"
#include "media/filewriter.h"
#include "media/mediaformats.h"
#include "media/nullrenderer.h"
#include "media/soundconverter.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
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

std::vector<Buffer> RecordedFrames(int count, bool is525 = false)
{
    std::vector<Buffer> frames;
    for (int i = 0; i < count; ++i) {
        FrameSpec frameSpec;
        frameSpec.is525 = is525;
        frameSpec.datecode = At(2003, 12, 31, 23, 59, 50) + Seconds(i / 25);
        frameSpec.timecode = TTimecodeRec{0, 0, static_cast<uint8_t>(i / 25), static_cast<uint8_t>(i % 25)};
        Buffer frame = MakeFrame(frameSpec);
        // Picture bytes of their own, so that a reordered or damaged frame shows.
        for (size_t b = 0; b < 80; ++b)
            frame[dvlayout::VideoBlockOffset(0) + b] = static_cast<uint8_t>(i + b);
        frames.push_back(std::move(frame));
    }
    return frames;
}

QByteArray Joined(const std::vector<Buffer> &buffers)
{
    QByteArray joined;
    for (const Buffer &b : buffers)
        joined.append(reinterpret_cast<const char *>(b.data()), static_cast<qsizetype>(b.size()));
    return joined;
}

testsupport::ProcessResult Ffmpeg(const QString &path, const QStringList &output)
{
    return testsupport::Run(QStringLiteral("ffmpeg"),
                            QStringList{QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path} + output);
}

// ffprobe's "codec_name,codec_type" per stream and, for the video, its frames counted
// by reading the whole file.
std::string ProbeStreams(const QString &path)
{
    const auto result = testsupport::Run(
        QStringLiteral("ffprobe"), {"-v", "error", "-show_entries", "stream=codec_name,codec_type", "-of", "csv=p=0", path});
    const auto frames = testsupport::Run(QStringLiteral("ffprobe"), {"-v", "error", "-select_streams", "v:0",
                                                                     "-count_packets", "-show_entries",
                                                                     "stream=nb_read_packets", "-of", "csv=p=0", path});
    if (result.exitCode != 0 || frames.exitCode != 0)
        return "ffprobe failed: " + result.err.toStdString();
    if (result.exitCode != 0)
        return "ffprobe failed: " + result.err.toStdString();
    return (QString::fromUtf8(result.out).trimmed().replace(QLatin1Char('\n'), QStringLiteral(" | ")) + QStringLiteral(" | frames ")
            + QString::fromUtf8(frames.out).trimmed())
        .toStdString();
}

// video (and sound) sources → AVI mux → file writer.
struct MuxGraph {
    explicit MuxGraph(const QString &path, MediaType videoType, std::vector<TimedBuffer> frames,
                      std::vector<std::vector<TimedBuffer>> sounds = {}, int rate = 48000)
        : video(std::move(videoType), std::move(frames))
    {
        writer.SetFileName(path);
        writer.SetMode(true);
        graph.AddFilter(video, QStringLiteral("video"));
        graph.AddFilter(mux, QStringLiteral("avimux"));
        graph.AddFilter(writer, QStringLiteral("destination"));
        connected = graph.Connect(video.Output(), mux.FreeInput());
        for (auto &chunks : sounds) {
            auto &sound = audio.emplace_back(std::make_unique<ListSource>(PcmType(rate, 2), std::move(chunks)));
            graph.AddFilter(*sound);
            connected = graph.Connect(sound->Output(), mux.FreeInput()) && connected;
        }
        connected = graph.Connect(mux.Output(), writer.Input()) && connected;
    }

    FilterGraph graph;
    ListSource video;
    std::vector<std::unique_ptr<ListSource>> audio;
    AviMux mux;
    FileWriter writer;
    bool connected = false;
};

MediaType InterleavedType() { return MakeInterleavedDvType(DvInfo{}); }

TEST(AviMux, ListsItsOutputFirstAndKeepsTheLastInputFree)
{
    FilterGraph graph;
    ListSource video(DvVideoType(), {});
    ListSource sound1(PcmType(48000, 2), {});
    ListSource sound2(PcmType(32000, 2), {});
    ListSource sound3(PcmType(32000, 2), {});
    ListSource eightBit(PcmType(48000, 2, 8), {});
    ListSource interleaved(InterleavedType(), {});
    AviMux mux;
    for (Filter *f : std::initializer_list<Filter *>{&video, &sound1, &sound2, &sound3, &eightBit, &interleaved, &mux})
        graph.AddFilter(*f);
    EXPECT_EQ(PinNames(mux), QStringList({"AVI Out", "Input 01"}));
    ASSERT_TRUE(graph.Connect(video.Output(), mux.FreeInput()));
    EXPECT_EQ(PinNames(mux), QStringList({"AVI Out", "Input 01", "Input 02"}));
    // A type 2 file takes one video stream and 16-bit sound, no interleaved stream beside them.
    EXPECT_FALSE(graph.Connect(interleaved.Output(), mux.FreeInput()));
    EXPECT_FALSE(graph.Connect(eightBit.Output(), mux.FreeInput()));
    ASSERT_TRUE(graph.Connect(sound1.Output(), mux.FreeInput()));
    ASSERT_TRUE(graph.Connect(sound2.Output(), mux.FreeInput()));
    EXPECT_EQ(PinNames(mux), QStringList({"AVI Out", "Input 01", "Input 02", "Input 03", "Input 04"}));
    EXPECT_FALSE(graph.Connect(sound3.Output(), mux.FreeInput()));

    // Taken apart, the spare free inputs go; an interleaved stream then stands alone.
    graph.Disconnect(sound2.Output());
    graph.Disconnect(sound1.Output());
    graph.Disconnect(video.Output());
    EXPECT_EQ(PinNames(mux), QStringList({"AVI Out", "Input 01"}));
    ASSERT_TRUE(graph.Connect(interleaved.Output(), mux.FreeInput()));
    EXPECT_EQ(PinNames(mux), QStringList({"AVI Out", "Input 01", "Input 02"}));
    EXPECT_FALSE(graph.Connect(sound1.Output(), mux.FreeInput()));
    EXPECT_FALSE(graph.Connect(video.Output(), mux.FreeInput()));
}

TEST(AviMux, WritesType2FromDvVideoAndSound)
{
    REQUIRE_TOOL("ffprobe");
    REQUIRE_TOOL("ffmpeg");
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("type2.avi"));
    const std::vector<Buffer> frames = RecordedFrames(50);
    // Sound in chunks that do not match the frames, so the mux must cut it.
    MuxGraph g(path, DvVideoType(), FrameList(frames), {PcmList(48000, 96000, 1500)});
    ASSERT_TRUE(g.connected);
    const auto completion = RunToCompletion(g.graph);
    ASSERT_TRUE(completion);
    ASSERT_EQ(completion->result, GraphCompletion::Result::Complete) << completion->message.toStdString();
    EXPECT_EQ(g.mux.FramesWritten(), 50u);
    EXPECT_EQ(g.mux.LastSampleTime(), 49 * kFrameTime625);

    EXPECT_EQ(ProbeStreams(path), "dvvideo,video | pcm_s16le,audio | frames 50");
    const auto video = Ffmpeg(path, {"-map", "0:v:0", "-c", "copy", "-f", "rawvideo", "-"});
    EXPECT_TRUE(video.out == Joined(frames)) << "the frames are not the frames given";
    const auto sound = Ffmpeg(path, {"-map", "0:a:0", "-f", "s16le", "-"});
    const Buffer expected = TonePcm(0, 96000);
    EXPECT_TRUE(sound.out == QByteArray(reinterpret_cast<const char *>(expected.data()), qsizetype(expected.size())));
}

TEST(AviMux, WritesType1FromAnInterleavedStreamWithItsInfoText)
{
    REQUIRE_TOOL("ffprobe");
    REQUIRE_TOOL("ffmpeg");
    QTemporaryDir dir;
    for (const bool is525 : {false, true}) {
        const QString path = QDir(dir.path()).filePath(QStringLiteral("type1-%1.avi").arg(is525));
        const std::vector<Buffer> frames = RecordedFrames(30, is525);
        MuxGraph g(path, InterleavedType(), FrameList(frames, is525));
        g.mux.SetInfo(MakeFourCC("IQNR"), QStringLiteral("Datecode overwritten"));
        ASSERT_TRUE(g.connected);
        const auto completion = RunToCompletion(g.graph);
        ASSERT_TRUE(completion);
        ASSERT_EQ(completion->result, GraphCompletion::Result::Complete) << completion->message.toStdString();
        // FFmpeg reads an interleaved stream as DV video with the sound it carries.
        EXPECT_EQ(ProbeStreams(path), "dvvideo,video | pcm_s16le,audio | frames 30") << is525;
        const auto video = Ffmpeg(path, {"-map", "0:v:0", "-c", "copy", "-f", "rawvideo", "-"});
        EXPECT_TRUE(video.out == Joined(frames)) << is525;
        const auto tags = testsupport::Run(QStringLiteral("ffprobe"), {"-v", "error", "-show_entries", "format_tags",
                                                                       "-of", "default=nw=1", path});
        EXPECT_TRUE(tags.out.contains("IQNR=Datecode overwritten")) << tags.out.toStdString();
    }
}

TEST(AviMux, AStoppedRunLeavesAValidShorterFile)
{
    REQUIRE_TOOL("ffprobe");
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("stopped.avi"));
    MuxGraph g(path, DvVideoType(), FrameList(RecordedFrames(40)), {PcmList(48000, 40 * 1920, 1920)});
    ASSERT_TRUE(g.connected);
    g.video.HoldAfter(12);
    const auto completion = RunAndStopAt(g.graph, g.video, 12);
    ASSERT_TRUE(completion);
    EXPECT_EQ(completion->result, GraphCompletion::Result::StoppedEarly);
    EXPECT_EQ(g.mux.FramesWritten(), 12u);
    EXPECT_EQ(ProbeStreams(path), "dvvideo,video | pcm_s16le,audio | frames 12");
    const auto sound = Ffmpeg(path, {"-map", "0:a:0", "-f", "s16le", "-"});
    EXPECT_EQ(sound.out.size(), 12 * 1920 * 4);
}

TEST(AviMux, AFileThatCannotBeWrittenEndsTheRunWithItsReason)
{
    QTemporaryDir dir;
    const QString existing = QDir(dir.path()).filePath(QStringLiteral("existing.avi"));
    ASSERT_TRUE(testsupport::WriteWholeFile(existing, "the user's file"));
    std::vector<Buffer> broken = RecordedFrames(8);
    broken[5].resize(1000);
    struct Case {
        QString path;
        bool overwrite;
        std::vector<Buffer> frames;
    };
    for (const Case &c : {Case{QDir(dir.path()).filePath(QStringLiteral("no such folder/out.avi")), true, RecordedFrames(5)},
                          Case{existing, false, RecordedFrames(5)},
                          // Failing halfway, a run that may replace the file leaves it as it was.
                          Case{existing, true, broken}}) {
        MuxGraph g(c.path, DvVideoType(), FrameList(c.frames));
        g.writer.SetMode(c.overwrite);
        ASSERT_TRUE(g.connected);
        const auto completion = RunToCompletion(g.graph);
        ASSERT_TRUE(completion) << "the run did not end";
        EXPECT_EQ(completion->result, GraphCompletion::Result::Error) << c.path.toStdString();
        EXPECT_FALSE(completion->message.isEmpty());
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"existing.avi"});
    EXPECT_EQ(testsupport::ReadWholeFile(existing), "the user's file");
}

// A build attaches every stock filter it might use; those it leaves unconnected must
// not fail the run.
TEST(WritingFilters, UnconnectedOnesTakeNoPartInARun)
{
    FilterGraph graph;
    ListSource video(DvVideoType(), FrameList(RecordedFrames(3)));
    NullRenderer sink;
    AviMux mux;
    DvMuxer dvmuxer;
    SoundConverter acm1;
    Tdv_WaveDest wave;
    FileWriter writer;
    for (Filter *f : std::initializer_list<Filter *>{&video, &sink, &mux, &dvmuxer, &acm1, &wave, &writer})
        graph.AddFilter(*f);
    ASSERT_TRUE(graph.Connect(video.Output(), sink.Input()));
    const auto completion = RunToCompletion(graph);
    ASSERT_TRUE(completion);
    EXPECT_EQ(completion->result, GraphCompletion::Result::Complete) << completion->message.toStdString();
    EXPECT_EQ(sink.SampleCount(), 3);
}

}  // namespace
