// The conversion graphs built by TCdm on generated DV files, run to their end and
// judged by FFmpeg and MediaInfo.
#include "dvfiles.h"

#include "media/cdm.h"
#include "media/dv_dvheaderfilter.h"
#include "media/dv_scenedetectfilter.h"
#include "media/frameratechanger.h"
#include "media/scenedetectcontenu.h"
#include "media/soundconverter.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr int kFrames = 30;

QString Probe(const QString &path, const QString &entries)
{
    return QString::fromUtf8(testsupport::Run(QStringLiteral("ffprobe"), {"-v", "error", "-count_frames", "-show_entries",
                                                                         entries, "-of", "csv=p=0", path})
                                 .out)
        .trimmed();
}

std::string MediaInfo(const QString &path, const QString &inform)
{
    return QString::fromUtf8(testsupport::Run(QStringLiteral("mediainfo"), {QStringLiteral("--Inform=") + inform, path}).out)
        .trimmed()
        .toStdString();
}

// Runs the built graph to its end; false when it did not complete.
bool RunToEnd(TCdm &cdm)
{
    if (!cdm.Graph().Run())
        return false;
    const auto completion = cdm.Graph().WaitForCompletion(60000);
    cdm.Graph().Stop();
    return completion && completion->result == GraphCompletion::Result::Complete;
}

// What ffprobe reports of 30 frames in a type 1 file (one interleaved stream, read as
// video and sound) and in a type 2 file (a 'dvsd' video stream beside a PCM stream).
constexpr const char *kType1Pal = "video,[0][0][0][0],720,576,30\naudio,[0][0][0][0],30";
constexpr const char *kType1Ntsc = "video,[0][0][0][0],720,480,30\naudio,[0][0][0][0],30";
constexpr const char *kType2Pal = "video,dvsd,720,576,30\naudio,[1][0][0][0],60";
constexpr const char *kType2Ntsc = "video,dvsd,720,480,30\naudio,[1][0][0][0],60";

using Builder = std::function<MediaSeeking *(TCdm &, const QString &source, const QString &destination)>;

struct GraphCase {
    const char *name;
    int sourceType;
    bool ntsc;
    Builder build;
    std::function<void(TCdm &)> configure;  // what the command's handler sets after the build
    const char *streams;                    // ffprobe: codec_type,codec_tag_string,width,height,nb_read_frames per stream; the video tag is dvsd in a type 2 file
    const char *recordedDate;               // MediaInfo
    const char *aspect;
    bool iavs = false;  // a type 2 source whose DV is an 'iavs' stream
};

class ConversionGraph : public testing::TestWithParam<GraphCase> {};

TEST_P(ConversionGraph, WritesTheNewFileAndLeavesTheSource)
{
    REQUIRE_TOOL("ffprobe");
    REQUIRE_TOOL("mediainfo");
    const GraphCase &c = GetParam();
    QTemporaryDir dir;
    dvfiles::Options options;
    options.type = c.sourceType;
    options.iavs = c.iavs;
    options.ntsc = c.ntsc;
    options.plan = {QStringLiteral("--recording"), QStringLiteral("2021-06-05 14:30:00,00:10:00:00,%1").arg(kFrames)};
    const QString source = dvfiles::Make(dir, QStringLiteral("source.avi"), options);
    ASSERT_FALSE(source.isEmpty());
    const QByteArray sourceBytes = testsupport::ReadWholeFile(source);
    const QString destination = dir.filePath(QStringLiteral("new.avi"));

    TCdm cdm;
    MediaSeeking *position = c.build(cdm, source, destination);
    ASSERT_TRUE(position);
    EXPECT_EQ(cdm.CurrentDestination(), destination);
    if (c.configure)
        c.configure(cdm);
    ASSERT_TRUE(RunToEnd(cdm));

    EXPECT_EQ(testsupport::ReadWholeFile(source), sourceBytes) << "the source file changed";
    EXPECT_EQ(Probe(destination, QStringLiteral("stream=codec_type,codec_tag_string,width,height,nb_read_frames")).toStdString(),
              c.streams);
    EXPECT_EQ(MediaInfo(destination, QStringLiteral("General;%Recorded_Date%")), c.recordedDate);
    EXPECT_EQ(MediaInfo(destination, QStringLiteral("Video;%DisplayAspectRatio/String%")), c.aspect);
}

MediaSeeking *Dv1(TCdm &cdm, const QString &s, const QString &d) { return cdm.GraphConvertirDV1(s, d); }
MediaSeeking *Dv2(TCdm &cdm, const QString &s, const QString &d) { return cdm.GraphConvertirDV2(s, d); }
MediaSeeking *Header(TCdm &cdm, const QString &s, const QString &d) { return cdm.GraphHeader(s, d); }
MediaSeeking *Fix(TCdm &cdm, const QString &s, const QString &d) { return cdm.GraphCorrigerType2(s, d); }

void Shift(TCdm &cdm)
{
    cdm.DvHeader().SetRestoreHeaders(false);
    cdm.DvHeader().SetTimeDifference(1.0 / 24);
    cdm.SetSoundRate(QStringLiteral("48000 Hz 16 bits"));
}

void Overwrite(TCdm &cdm)
{
    cdm.DvHeader().SetRestoreHeaders(false);
    cdm.DvHeader().SetOverwriteDatecode(true);
    cdm.DvHeader().SetStartDatecode(44000.5);  // 2020-06-18 12:00
}

void Wide(TCdm &cdm)
{
    cdm.DvHeader().SetRestoreHeaders(false);
    cdm.DvHeader().SetAspect(true, true);
}

INSTANTIATE_TEST_SUITE_P(
    Graphs, ConversionGraph,
    testing::Values(
        GraphCase{"Type2ToType1", 2, false, Dv1, {}, kType1Pal, "2021-06-05 14:30:00.000", "4:3"},
        GraphCase{"Type1ToType2", 1, false, Dv2, {}, kType2Pal, "2021-06-05 14:30:00.000", "4:3"},
        GraphCase{"TimeShiftType2", 2, false, Header, Shift, kType2Pal, "2021-06-05 15:30:00.000",
                  "4:3"},
        GraphCase{"OverwriteType1", 1, true, Header, Overwrite, kType1Ntsc,
                  "2020-06-18 12:00:00.000", "4:3"},
        GraphCase{"Aspect16x9Type2", 2, false, Header, Wide, kType2Pal, "2021-06-05 14:30:00.000",
                  "16:9"},
        GraphCase{"FixType2", 1, false, Fix, {}, "video,dvsd,720,576,30", "2021-06-05 14:30:00.000", "4:3"},
        GraphCase{"FixType2Iavs", 2, false, Fix, {}, kType2Pal, "2021-06-05 14:30:00.000", "4:3", true},
        GraphCase{"RecompressToNtsc", 2, false,
                  [](TCdm &cdm, const QString &s, const QString &d) { return cdm.GraphRecompresserDV2(s, d, 1, true, 2); },
                  {}, kType2Ntsc, "", "16:9"},
        GraphCase{"InlayType2", 2, false,
                  [](TCdm &cdm, const QString &s, const QString &d) { return cdm.GraphIncruster(s, d, 2, 0); }, {},
                  kType2Pal, "2021-06-05 14:30:00.000", "4:3"},
        GraphCase{"InlayType1", 1, true,
                  [](TCdm &cdm, const QString &s, const QString &d) { return cdm.GraphIncruster(s, d, 1, 1); }, {},
                  kType1Ntsc, "2021-06-05 14:30:00.000", "4:3"}),
    [](const testing::TestParamInfo<GraphCase> &info) { return std::string(info.param.name); });

struct DvSource {
    QTemporaryDir dir;
    QString path;
    QString Destination(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }
};

std::unique_ptr<DvSource> MakeSource(int type, const QStringList &plan = {QStringLiteral("--recording"),
                                                                          QStringLiteral("2021-06-05 14:30:00,00:10:00:00,30")})
{
    auto source = std::make_unique<DvSource>();
    dvfiles::Options options;
    options.type = type;
    options.plan = plan;
    source->path = dvfiles::Make(source->dir, QStringLiteral("source.avi"), options);
    return source;
}

TEST(TCdmExtraireAudio, WritesTheFirstSoundStreamAsWav)
{
    REQUIRE_TOOL("ffprobe");
    for (int type : {1, 2}) {
        SCOPED_TRACE(type);
        const auto source = MakeSource(type);
        ASSERT_FALSE(source->path.isEmpty());
        const QString wav = source->Destination("sound.wav");
        TCdm cdm;
        ASSERT_TRUE(cdm.GraphExtraireAudio(source->path, wav));
        cdm.SetSoundRate(QStringLiteral("48000 Hz"), true);
        ASSERT_TRUE(RunToEnd(cdm));
        EXPECT_EQ(Probe(wav, QStringLiteral("stream=codec_name,sample_rate,channels,duration_ts")).toStdString(),
                  "pcm_s16le,48000,2," + std::to_string(kFrames * 1920));
    }
}

TEST(TCdmCutScenes, CutsExactlyTheFramesOfTheScene)
{
    REQUIRE_TOOL("ffprobe");
    for (int type : {1, 2}) {
        SCOPED_TRACE(type);
        const auto source = MakeSource(type);
        ASSERT_FALSE(source->path.isEmpty());
        const QString cut = source->Destination("scene.avi");
        TCdm cdm;
        ASSERT_TRUE(cdm.GraphCutScenes(source->path, cut, type));
        // Frames [10, 25) at 25 frames per second, as the handler sets them.
        ASSERT_TRUE(cdm.Graph().SetPositions(10 * 400000, 25 * 400000));
        ASSERT_TRUE(RunToEnd(cdm));
        EXPECT_EQ(Probe(cut, QStringLiteral("stream=codec_type,nb_read_frames")).toStdString(),
                  type == 1 ? "video,15\naudio,15" : "video,15\naudio,30");
        // The first frame of the cut is frame 10: timecode 00:10:00:10.
        EXPECT_EQ(MediaInfo(cut, QStringLiteral("Video;%TimeCode_FirstFrame%")), "00:10:00:10");
    }
}

TEST(TCdmScanGraphs, DeliverScenesCutsAndSubtitles)
{
    const auto source = MakeSource(2, {"--recording", "2021-06-05 14:30:00,00:10:00:00,20", "--recording",
                                       "2021-06-06 09:00:00,00:20:00:00,20"});
    ASSERT_FALSE(source->path.isEmpty());
    TCdm cdm;
    int scenes = 0;
    bool ended = false;
    ASSERT_TRUE(cdm.GraphScnByDate(source->path));
    cdm.SceneDetect().SetSceneCallback([&](const TFrameInfo &, const TFrameInfo &) { ++scenes; });
    cdm.SceneDetect().SetEndCallback([&] { ended = true; });
    ASSERT_TRUE(RunToEnd(cdm));
    EXPECT_EQ(scenes, 2);
    EXPECT_TRUE(ended);

    int subtitles = 0;
    ASSERT_TRUE(cdm.GraphSrt(source->path));
    cdm.SceneDetect().SetSubtitleCallback([&](const TFrameInfo &, const QString &, const QString &) { ++subtitles; });
    ASSERT_TRUE(RunToEnd(cdm));
    EXPECT_GT(subtitles, 0);

    std::vector<int64_t> cuts;
    bool contentEnded = false;
    ASSERT_TRUE(cdm.GraphScnByContenu(source->path));
    cdm.SceneDetectContenu().SetCutCallback([&](int64_t frame) { cuts.push_back(frame); });
    cdm.SceneDetectContenu().SetEndCallback([&] { contentEnded = true; });
    ASSERT_TRUE(RunToEnd(cdm));
    EXPECT_FALSE(cuts.empty());
    EXPECT_TRUE(contentEnded);
}

// A video that is not DV goes through the decoder its codec needs, converted whole:
// a red second then a blue one cut once, where the colour changes.
TEST(TCdmScanGraphs, ScanTheContentOfAVideoThatIsNoDv)
{
    REQUIRE_TOOL("ffmpeg");
    QTemporaryDir dir;
    const QString video = dir.filePath(QStringLiteral("m.avi"));
    const auto made = testsupport::Run(QStringLiteral("ffmpeg"),
                                       {"-v", "error", "-f", "lavfi", "-i", "color=c=red:s=320x240:r=25:d=1", "-f",
                                        "lavfi", "-i", "color=c=blue:s=320x240:r=25:d=1", "-filter_complex",
                                        "concat=n=2:v=1:a=0", "-c:v", "mjpeg", video});
    ASSERT_EQ(made.exitCode, 0) << made.err.constData();
    TCdm cdm;
    std::vector<int64_t> cuts;
    ASSERT_TRUE(cdm.GraphScnByContenu(video));
    cdm.SceneDetectContenu().SetCutCallback([&](int64_t frame) { cuts.push_back(frame); });
    ASSERT_TRUE(RunToEnd(cdm));
    // The first picture against the blank samples of a fresh detector, the change of
    // colour, then the frame after the last.
    EXPECT_EQ(cuts, (std::vector<int64_t>{0, 25, 50}));
}

TEST(TCdmFailures, ABuildOnAMissingOrNonDvFileFailsAndLeavesNoFile)
{
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("notes.avi"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a video file at all");
    file.close();
    const QString destination = dir.filePath(QStringLiteral("new.avi"));
    const std::vector<std::pair<const char *, Builder>> builders = {
        {"DV1", Dv1},
        {"DV2", Dv2},
        {"Header", Header},
        {"Fix", Fix},
        {"Recompress", [](TCdm &c, const QString &s, const QString &d) { return c.GraphRecompresserDV2(s, d, 0, false, 2); }},
        {"Standard", [](TCdm &c, const QString &s, const QString &d) { return c.GraphStandard(s, d, 2, true); }},
        {"Inlay", [](TCdm &c, const QString &s, const QString &d) { return c.GraphIncruster(s, d, 1, 0); }},
        {"Audio", [](TCdm &c, const QString &s, const QString &d) { return c.GraphExtraireAudio(s, d); }},
        {"Cut", [](TCdm &c, const QString &s, const QString &d) { return c.GraphCutScenes(s, d, 2); }},
        {"ScnByDate", [](TCdm &c, const QString &s, const QString &) { return c.GraphScnByDate(s); }},
        {"Srt", [](TCdm &c, const QString &s, const QString &) { return c.GraphSrt(s); }},
        {"ScnByContenu", [](TCdm &c, const QString &s, const QString &) { return c.GraphScnByContenu(s); }},
    };
    TCdm cdm;
    for (const auto &[name, build] : builders) {
        for (const QString &source : {dir.filePath(QStringLiteral("missing.avi")), text}) {
            SCOPED_TRACE(std::string(name) + " " + source.toStdString());
            EXPECT_EQ(build(cdm, source, destination), nullptr);
        }
    }
    cdm.ResetGraph();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"notes.avi"});
    // A failed build does not keep the next one from working.
    const auto good = MakeSource(2);
    ASSERT_FALSE(good->path.isEmpty());
    ASSERT_TRUE(cdm.GraphConvertirDV1(good->path, destination));
    EXPECT_TRUE(RunToEnd(cdm));
    EXPECT_TRUE(QFile::exists(destination));
}

TEST(TCdmSoundRate, TakesTheRateFromTheAudioText)
{
    const auto source = MakeSource(2);
    ASSERT_FALSE(source->path.isEmpty());
    TCdm cdm;
    ASSERT_TRUE(cdm.GraphHeader(source->path, source->Destination("new.avi")));
    ASSERT_TRUE(cdm.Acm1());
    EXPECT_FALSE(cdm.SetSoundRate(QStringLiteral("Hz 48000")));
    EXPECT_FALSE(cdm.Acm1()->Format().has_value());
    ASSERT_TRUE(cdm.SetSoundRate(QStringLiteral("32000 Hz stereo")));
    const std::optional<WaveFormatEx> format = cdm.Acm1()->Format();
    ASSERT_TRUE(format);
    EXPECT_EQ(format->samplesPerSec, 32000u);
    EXPECT_EQ(format->avgBytesPerSec, 32000u * 4);
    ASSERT_TRUE(RunToEnd(cdm));
    EXPECT_EQ(Probe(source->Destination("new.avi"), QStringLiteral("stream=sample_rate")).toStdString(), "32000");
}

TEST(FrameRateChanger, RepeatsOrDropsFramesEvenly)
{
    struct Case {
        int64_t frame;
        FrameRate from;
        FrameRate to;
        int64_t started;
    };
    for (const Case &c : {Case{0, kFrameRate625, kFrameRate525, 0}, Case{5, kFrameRate625, kFrameRate525, 6},
                          Case{30, kFrameRate625, kFrameRate525, 36}, Case{6, kFrameRate525, kFrameRate625, 6},
                          Case{30, kFrameRate525, kFrameRate625, 26}, Case{7, kFrameRate625, kFrameRate625, 7}})
        EXPECT_EQ(FramesStartedBefore(c.frame, c.from, c.to), c.started) << c.frame;
    EXPECT_EQ(FrameRateOfFrameTime(333667).num, 30000);
    EXPECT_EQ(FrameRateOfFrameTime(400000).num, 25);
}

// A change of TV system: decoded, deinterlaced, at the new size and frame rate,
// with the source's recording date and timecode.
TEST(TCdmStandard, ConvertsBetweenPalAndNtsc)
{
    REQUIRE_TOOL("ffprobe");
    REQUIRE_TOOL("mediainfo");
    struct Case {
        int type;
        bool sourceNtsc;
        const char *video;  // codec_tag_string,width,height,r_frame_rate,nb_read_frames
    };
    for (const Case &c : {Case{2, false, "dvsd,720,480,30000/1001,36"}, Case{1, true, "[0][0][0][0],720,576,25/1,26"},
                          Case{2, true, "dvsd,720,576,25/1,26"}}) {
        SCOPED_TRACE(c.video);
        QTemporaryDir dir;
        dvfiles::Options options;
        options.type = c.type;
        options.ntsc = c.sourceNtsc;
        options.plan = {QStringLiteral("--recording"), QStringLiteral("2021-06-05 14:30:00,00:10:00:00,30")};
        const QString source = dvfiles::Make(dir, QStringLiteral("source.avi"), options);
        ASSERT_FALSE(source.isEmpty());
        const QString destination = dir.filePath(QStringLiteral("new.avi"));
        TCdm cdm;
        ASSERT_TRUE(cdm.GraphStandard(source, destination, c.type, !c.sourceNtsc));
        cdm.DvHeader().SetRestoreHeaders(true);
        cdm.SetSoundRate(QStringLiteral("48000 Hz"));
        ASSERT_TRUE(RunToEnd(cdm));
        EXPECT_EQ(Probe(destination, QStringLiteral("stream=codec_tag_string,width,height,r_frame_rate,nb_read_frames"))
                      .section(QLatin1Char('\n'), 0, 0)
                      .toStdString(),
                  c.video);
        // The whole picture decodes, and the sound lasts as long as before.
        const auto decoded = testsupport::Run(QStringLiteral("ffmpeg"), {"-v", "error", "-i", destination, "-f", "null", "-"});
        EXPECT_TRUE(decoded.err.isEmpty()) << decoded.err.toStdString();
        EXPECT_EQ(Probe(destination, QStringLiteral("stream=sample_rate")).toStdString(), "48000");
        EXPECT_EQ(MediaInfo(destination, QStringLiteral("General;%Recorded_Date%")), "2021-06-05 14:30:00.000");
        EXPECT_EQ(MediaInfo(destination, QStringLiteral("Video;%TimeCode_FirstFrame%")), "00:10:00:00");
    }
}

}  // namespace
