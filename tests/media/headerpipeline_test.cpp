// A DV file read, rewritten and written again as the header commands do it: file
// source → AVI splitter → Tdv_sceneDetect → Tdv_DVheader → AVI mux → file writer,
// the sound of a type 2 file through a sound converter beside it.
#include "dvfiles.h"
#include "syntheticdv.h"

#include "media/avimux.h"
#include "media/dv_dvheaderfilter.h"
#include "media/dv_scenedetectfilter.h"
#include "media/filewriter.h"
#include "media/mediaformats.h"
#include "media/soundconverter.h"
#include "support/testsupport.h"

#include <QDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr int kFrames = 50;

QByteArray Ffmpeg(const QString &path, const QStringList &output)
{
    return testsupport::Run(QStringLiteral("ffmpeg"), QStringList{"-v", "error", "-i", path} + output).out;
}

std::string MediaInfo(const QString &path, const QString &inform)
{
    return QString::fromUtf8(testsupport::Run(QStringLiteral("mediainfo"), {QStringLiteral("--Inform=") + inform, path}).out)
        .trimmed()
        .toStdString();
}

struct PipelineCase {
    const char *name;
    int type;
    std::function<void(Tdv_DVheader &)> configure;
    std::function<void(MutableByteSpan)> expected;  // what the pack writers make of a source frame
    const char *recordedDate;
    const char *aspect;
};

class HeaderPipeline : public testing::TestWithParam<PipelineCase> {};

TEST_P(HeaderPipeline, RewritesTheFileAndLeavesTheSourceAlone)
{
    REQUIRE_TOOL("ffmpeg");
    REQUIRE_TOOL("mediainfo");
    const PipelineCase &c = GetParam();
    QTemporaryDir dir;
    dvfiles::Options options;
    options.type = c.type;
    options.plan = {QStringLiteral("--recording"), QStringLiteral("2021-06-05 14:30:00,00:10:00:00,%1").arg(kFrames)};
    const QString sourcePath = dvfiles::Make(dir, QStringLiteral("source.avi"), options);
    ASSERT_FALSE(sourcePath.isEmpty());
    const QByteArray sourceBytes = testsupport::ReadWholeFile(sourcePath);
    const QString path = QDir(dir.path()).filePath(QStringLiteral("rewritten.avi"));

    dvfiles::SplitGraph split(sourcePath);
    ASSERT_TRUE(split.opened) << qPrintable(split.splitter.LastError());
    FilterGraph &graph = split.graph;
    Tdv_sceneDetect detector;
    Tdv_DVheader header(detector.Core());
    header.Reset();
    c.configure(header);
    SoundConverter acm1;
    AviMux mux;
    FileWriter writer;
    writer.SetFileName(path);
    writer.SetMode(true);
    graph.AddFilter(detector, QStringLiteral("dv_SceneDetect"));
    graph.AddFilter(header, QString::fromLatin1(Tdv_DVheader::kGraphName));
    graph.AddFilter(acm1, QStringLiteral("acm1"));
    graph.AddFilter(mux, QStringLiteral("avimux"));
    graph.AddFilter(writer, QStringLiteral("destination"));

    const std::vector<OutputPin *> outputs = split.splitter.OutputPins();
    const auto video = std::find_if(outputs.begin(), outputs.end(), [&](OutputPin *o) { return graph.Connect(*o, detector.Input()); });
    ASSERT_NE(video, outputs.end());
    ASSERT_TRUE(graph.Connect(detector.Output(), header.Input()));
    ASSERT_TRUE(graph.Connect(header.Output(), mux.FreeInput()));
    for (OutputPin *output : outputs) {
        if (output->IsConnected() || !graph.Connect(*output, acm1.Input()))
            continue;
        // The converter keeps the file's rate, as the command's handler sets it.
        WaveFormatEx rate = *ParseWaveFormatEx(acm1.Input().ConnectionMediaType().FormatBytes());
        ASSERT_TRUE(acm1.SetFormat(rate));
        ASSERT_TRUE(graph.Connect(acm1.Output(), mux.FreeInput()));
        break;
    }
    ASSERT_EQ(acm1.Output().IsConnected(), c.type == 2);
    ASSERT_TRUE(graph.Connect(mux.Output(), writer.Input()));
    MediaSeeking *position = graph.PositionOf(mux);
    ASSERT_TRUE(position);
    ASSERT_TRUE(graph.Run());
    const auto completion = graph.WaitForCompletion(20000);
    graph.Stop();
    ASSERT_TRUE(completion) << "the run did not end";
    ASSERT_EQ(completion->result, GraphCompletion::Result::Complete) << completion->message.toStdString();
    EXPECT_EQ(position->GetCurrentPosition(), (kFrames - 1) * kFrameTime625);
    EXPECT_EQ(position->GetDuration(), kFrames * kFrameTime625);

    EXPECT_EQ(testsupport::ReadWholeFile(sourcePath), sourceBytes) << "the source file changed";
    EXPECT_EQ(MediaInfo(path, QStringLiteral("General;%Recorded_Date%")), c.recordedDate);
    EXPECT_EQ(MediaInfo(path, QStringLiteral("Video;%FrameCount% %Duration% %DisplayAspectRatio/String%")),
              QStringLiteral("%1 2000 %2").arg(kFrames).arg(QString::fromLatin1(c.aspect)).toStdString());
    // Only the packs changed: the frames are the source's with the pack writers applied.
    QByteArray expected = Ffmpeg(sourcePath, {"-map", "0:v:0", "-c", "copy", "-f", "rawvideo", "-"});
    ASSERT_EQ(expected.size(), qsizetype(kFrames * dvlayout::kFrameSize625));
    for (int i = 0; i < kFrames; ++i)
        c.expected(MutableByteSpan(reinterpret_cast<uint8_t *>(expected.data()) + i * dvlayout::kFrameSize625,
                                   dvlayout::kFrameSize625));
    EXPECT_TRUE(Ffmpeg(path, {"-map", "0:v:0", "-c", "copy", "-f", "rawvideo", "-"}) == expected);
    const QByteArray sound = Ffmpeg(sourcePath, {"-map", "0:a:0", "-f", "s16le", "-"});
    EXPECT_EQ(sound.size(), kFrames * 1920 * 4);
    EXPECT_TRUE(Ffmpeg(path, {"-map", "0:a:0", "-f", "s16le", "-"}) == sound) << "the sound changed";
}

void Shift(MutableByteSpan frame)
{
    const TDateTime value = *DatecodeToDateTime(*DvGetDatecode(frame, 12));
    DvSetDatecode(frame, 12, DateTimeToDatecode(value + 1.0 / 24));
}

INSTANTIATE_TEST_SUITE_P(
    Commands, HeaderPipeline,
    testing::Values(
        PipelineCase{"FixTimeDifferenceType2", 2,
                     [](Tdv_DVheader &h) {
                         h.SetRestoreHeaders(false);
                         h.SetTimeDifference(1.0 / 24);
                     },
                     Shift, "2021-06-05 15:30:00.000", "4:3"},
        PipelineCase{"Convert16x9Type1", 1,
                     [](Tdv_DVheader &h) {
                         h.SetRestoreHeaders(false);
                         h.SetAspect(true, true);
                     },
                     [](MutableByteSpan frame) { DvSetWide(frame, 12, true); }, "2021-06-05 14:30:00.000", "16:9"}),
    [](const testing::TestParamInfo<PipelineCase> &info) { return std::string(info.param.name); });

TEST(HeaderPipelineDestination, TheFileBeingReadIsNeverItsOwnDestination)
{
    QTemporaryDir dir;
    const QString sourcePath = dvfiles::Make(dir, QStringLiteral("source.avi"), dvfiles::Options{});
    ASSERT_FALSE(sourcePath.isEmpty());
    const QByteArray sourceBytes = testsupport::ReadWholeFile(sourcePath);
    dvfiles::SplitGraph split(sourcePath);
    ASSERT_TRUE(split.opened);
    AviMux mux;
    FileWriter writer;
    // The same file under another spelling of its path.
    writer.SetFileName(QDir(dir.path()).filePath(QStringLiteral("./source.avi")));
    writer.SetMode(true);
    split.graph.AddFilter(mux);
    split.graph.AddFilter(writer);
    for (OutputPin *output : split.splitter.OutputPins())
        split.graph.Connect(*output, mux.FreeInput());
    ASSERT_TRUE(split.graph.Connect(mux.Output(), writer.Input()));
    ASSERT_TRUE(split.graph.Run());
    const auto completion = split.graph.WaitForCompletion(20000);
    split.graph.Stop();
    ASSERT_TRUE(completion);
    EXPECT_EQ(completion->result, GraphCompletion::Result::Error);
    EXPECT_TRUE(completion->message.contains(QStringLiteral("file being read"))) << completion->message.toStdString();
    EXPECT_EQ(testsupport::ReadWholeFile(sourcePath), sourceBytes);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"source.avi"});
}

}  // namespace
