#include "syntheticdv.h"
#include "writersources.h"

#include "media/avimux.h"
#include "media/dv_dvheaderfilter.h"
#include "media/filewriter.h"
#include "media/mediaformats.h"
#include "support/testsupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace syntheticdv;

namespace {

constexpr int kFrames = 50;  // two seconds of 625/50

// The frames of a camcorder-like recording made by our fixture generator, as FFmpeg
// reads them out of its file; empty when that fails.
std::vector<Buffer> Recording(const QString &folder)
{
    const QString avi = QDir(folder).filePath(QStringLiteral("source.avi"));
    const auto made = testsupport::Run(testsupport::OurProgram(QStringLiteral("morvik-mkdv")),
                                       {"--type", "1", "--recording", "2003-12-31 23:59:50,00:00:00:00,50", "--out", avi});
    const auto raw = testsupport::Run(QStringLiteral("ffmpeg"),
                                      {"-v", "error", "-i", avi, "-map", "0:v:0", "-c", "copy", "-f", "rawvideo", "-"});
    std::vector<Buffer> frames;
    if (made.exitCode != 0 || raw.exitCode != 0 || raw.out.size() != qsizetype(kFrames * dvlayout::kFrameSize625))
        return frames;
    for (int i = 0; i < kFrames; ++i) {
        const auto *at = reinterpret_cast<const uint8_t *>(raw.out.constData()) + i * dvlayout::kFrameSize625;
        frames.emplace_back(at, at + dvlayout::kFrameSize625);
    }
    return frames;
}

struct HeaderCase {
    const char *name;
    bool type1;
    std::function<void(Tdv_DVheader &)> configure;
    // What the pack writers alone make of source frame i.
    std::function<void(Buffer &, int)> expected;
    const char *recordedDate;  // MediaInfo's reading of the first frame
    const char *aspect;
};

// A DV source → Tdv_DVheader → AVI mux → file writer, as the header commands build it.
class DvHeaderGraph : public testing::TestWithParam<HeaderCase> {};

std::string MediaInfo(const QString &path, const QString &inform)
{
    const auto result = testsupport::Run(QStringLiteral("mediainfo"), {QStringLiteral("--Inform=") + inform, path});
    return QString::fromUtf8(result.out).trimmed().toStdString();
}

TEST_P(DvHeaderGraph, RewritesThePacksAndNothingElse)
{
    REQUIRE_TOOL("mediainfo");
    REQUIRE_TOOL("ffmpeg");
    const HeaderCase &c = GetParam();
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath(QStringLiteral("header.avi"));
    const std::vector<Buffer> frames = Recording(dir.path());
    ASSERT_EQ(frames.size(), size_t{kFrames}) << "no fixture";

    SceneDetectCore detector;
    Tdv_DVheader header(detector);
    header.SetRestoreHeaders(true);
    header.SetTimeDifference(1);
    header.Reset();
    c.configure(header);
    FilterGraph graph;
    ListSource video(c.type1 ? MakeInterleavedDvType(DvInfo{}) : DvVideoType(), FrameList(frames));
    ListSource sound(PcmType(48000, 2), PcmList(48000, kFrames * 1920, 1920));
    AviMux mux;
    FileWriter writer;
    writer.SetFileName(path);
    writer.SetMode(true);
    graph.AddFilter(video);
    graph.AddFilter(header, QString::fromLatin1(Tdv_DVheader::kGraphName));
    graph.AddFilter(mux, QStringLiteral("avimux"));
    graph.AddFilter(writer, QStringLiteral("destination"));
    ASSERT_TRUE(graph.Connect(video.Output(), header.Input()));
    ASSERT_TRUE(graph.Connect(header.Output(), mux.FreeInput()));
    if (!c.type1) {
        graph.AddFilter(sound);
        ASSERT_TRUE(graph.Connect(sound.Output(), mux.FreeInput()));
    }
    ASSERT_TRUE(graph.Connect(mux.Output(), writer.Input()));
    // The overwrite command names itself in the file, as its build handler does.
    if (header.Core().OverwriteDatecode())
        mux.SetInfo(kOverwriteInfoId, DatecodeOverwrittenText(At(2026, 1, 2, 3, 4, 5)));
    const auto completion = RunToCompletion(graph);
    ASSERT_TRUE(completion);
    ASSERT_EQ(completion->result, GraphCompletion::Result::Complete) << completion->message.toStdString();

    EXPECT_EQ(MediaInfo(path, QStringLiteral("General;%Recorded_Date%")), c.recordedDate);
    EXPECT_EQ(MediaInfo(path, QStringLiteral("Video;%FrameCount% %Duration% %DisplayAspectRatio/String%")),
              QStringLiteral("%1 2000 %2").arg(kFrames).arg(QString::fromLatin1(c.aspect)).toStdString());
    const auto tags = testsupport::Run(QStringLiteral("ffprobe"),
                                       {"-v", "error", "-show_entries", "format_tags=IQNR", "-of", "default=nw=1:nk=1", path});
    EXPECT_EQ(tags.out.startsWith("Datecode overwritten with Morvik by Quenlor at "), header.Core().OverwriteDatecode())
        << tags.out.toStdString();
    const auto written = testsupport::Run(QStringLiteral("ffmpeg"),
                                          {"-v", "error", "-i", path, "-map", "0:v:0", "-c", "copy", "-f", "rawvideo", "-"});
    ASSERT_EQ(written.out.size(), qsizetype(kFrames * frames[0].size()));
    for (int i = 0; i < kFrames; ++i) {
        Buffer expected = frames[static_cast<size_t>(i)];
        c.expected(expected, i);
        const auto *at = reinterpret_cast<const uint8_t *>(written.out.constData()) + i * expected.size();
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), at)) << "frame " << i;
    }
}

void Shift15s(Tdv_DVheader &h) { h.SetTimeDifference(Seconds(15)); }
void ShiftedDate(Buffer &f, int i) { DvSetDatecode(f, 12, DateTimeToDatecode(At(2003, 12, 31, 23, 59, 50) + Seconds(15 + i / 25))); }
void Wide(Tdv_DVheader &h) { h.SetAspect(true, true); }
void WideFlag(Buffer &f, int) { DvSetWide(f, 12, true); }
void Overwrite(Tdv_DVheader &h)
{
    h.SetOverwriteDatecode(true);
    h.SetStartDatecode(At(2005, 6, 1, 12, 0, 0));
}
void OverwrittenDate(Buffer &f, int i) { DvSetDatecode(f, 12, DateTimeToDatecode(At(2005, 6, 1, 12, 0, 0) + Seconds(i / 25))); }

INSTANTIATE_TEST_SUITE_P(
    Commands, DvHeaderGraph,
    testing::Values(HeaderCase{"FixTimeDifferenceType1", true, Shift15s, ShiftedDate, "2004-01-01 00:00:05.000", "4:3"},
                    HeaderCase{"FixTimeDifferenceType2", false, Shift15s, ShiftedDate, "2004-01-01 00:00:05.000", "4:3"},
                    HeaderCase{"Convert16x9", true, Wide, WideFlag, "2003-12-31 23:59:50.000", "16:9"},
                    HeaderCase{"OverwriteDatecode", false, Overwrite, OverwrittenDate, "2005-06-01 12:00:00.000", "4:3"}),
    [](const testing::TestParamInfo<HeaderCase> &info) { return std::string(info.param.name); });

TEST(DvHeaderFilter, TakesOnlyDv)
{
    SceneDetectCore detector;
    Tdv_DVheader header(detector);
    EXPECT_EQ(header.FriendlyName(), QStringLiteral("Quenlor cf_DVHeader"));
    struct Case {
        MediaType type;
        bool accepted;
    };
    MediaType otherInterleaved = MakeInterleavedDvType(DvInfo{});
    otherInterleaved.subtype = MakeFourCC("dv25");
    for (const Case &c : {Case{MakeInterleavedDvType(DvInfo{}), true}, Case{otherInterleaved, true},
                          Case{DvVideoType(), true}, Case{DvVideoType(true), true},
                          Case{MakeVideoType(kSubtypeRgb24, VideoInfoHeader{}), false}, Case{PcmType(48000, 2), false}}) {
        FilterGraph graph;
        ListSource source(c.type, {});
        graph.AddFilter(source);
        graph.AddFilter(header);
        EXPECT_EQ(graph.Connect(source.Output(), header.Input()), c.accepted);
        graph.RemoveAllFilters();
    }
}

}  // namespace
