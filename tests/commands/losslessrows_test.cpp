// The rows that copy DV frames into a new file, run through the engine and judged
// by FFmpeg and ExifTool: the conversions between type 1 and type 2 and the fix of
// a type 2 file whose DV is an 'iavs' stream keep every frame, and move the sound
// without changing one sample; the date rows rewrite only the recorded date.
#include "base/datetime.h"
#include "dvpeerviews.h"
#include "formats/avireader.h"
#include "tablefixture.h"

#include "support/avistreams.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const QString kRecording = QStringLiteral("--recording");

// Two recordings of 20 frames, the second from frame 20.
QStringList TwoRecordings(const char *first, const char *second)
{
    return {kRecording, QString::fromLatin1(first) + QStringLiteral(",00:10:00:00,20"), kRecording,
            QString::fromLatin1(second) + QStringLiteral(",00:20:00:00,20")};
}

const QStringList kSummerDay = TwoRecordings("2021-06-05 14:30:00", "2021-06-05 16:00:00");

// The first frame whose blocks differ, or -1 when every frame matches.
int FirstDifferentFrame(const std::vector<QByteArray> &a, const std::vector<QByteArray> &b,
                        QByteArray (*blocks)(const QByteArray &))
{
    for (size_t n = 0; n < std::min(a.size(), b.size()); ++n)
        if (blocks(a[n]) != blocks(b[n]))
            return static_cast<int>(n);
    return -1;
}

QByteArray WholeFrame(const QByteArray &frame)
{
    return frame;
}

std::string Streams(const QString &path)
{
    const auto probed = testsupport::Run(QStringLiteral("ffprobe"),
                                         {"-v", "error", "-count_frames", "-show_entries",
                                          "stream=codec_name,codec_type,codec_tag_string,nb_read_frames", "-of",
                                          "csv=p=0", path});
    return probed.exitCode == 0 ? probed.out.trimmed().toStdString() : "unreadable";
}

std::string MediaInfo(const QString &path, const QString &inform)
{
    return QString::fromUtf8(
               testsupport::Run(QStringLiteral("mediainfo"), {QStringLiteral("--Inform=") + inform, path}).out)
        .trimmed()
        .toStdString();
}

// Runs the row on a.avi alone; the new file's path, or empty (with a failure) when the
// row did not add it to the list.
QString RunOn(TableFixture &f, const char *command, const QString &destination, const QStringList &params = {})
{
    f.Open({QStringLiteral("a.avi")});
    f.Select({QStringLiteral("a.avi")});
    f.Run(QString::fromLatin1(command), params);
    f.list.WaitForScans();
    EXPECT_TRUE(f.user.errors.isEmpty()) << Names(f.user.errors);
    EXPECT_EQ(Names(f.ListNames()), Names({QStringLiteral("a.avi"), destination}));
    return f.Item(destination) ? f.Path(destination) : QString();
}

}  // namespace

TEST(LosslessRows, TheTypeConversionsKeepEveryFrameAndMoveTheSoundUnchanged)
{
    REQUIRE_TOOL("ffmpeg");
    REQUIRE_TOOL("exiftool");
    struct Case {
        const char *command;
        DvOptions source;
        const char *destination;
    };
    const Case cases[] = {
        {"ConvertirDV1", {.type = 2, .plan = kSummerDay}, "a_type1.avi"},
        {"ConvertirDV1", {.type = 2, .ntsc = true, .audio = QStringLiteral("32k12"), .plan = kSummerDay},
         "a_type1.avi"},
        {"ConvertirDV2", {.type = 1, .plan = kSummerDay}, "a_type2.avi"},
        {"ConvertirDV2", {.type = 1, .ntsc = true, .audio = QStringLiteral("32k12"), .plan = kSummerDay},
         "a_type2.avi"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.command) + (c.source.ntsc ? " ntsc " : " pal ") + c.source.audio.toStdString());
        TableFixture f;
        ASSERT_FALSE(f.MakeDv(QStringLiteral("a.avi"), c.source).isEmpty());
        const QString made = RunOn(f, c.command, QString::fromLatin1(c.destination));
        ASSERT_FALSE(made.isEmpty());
        EXPECT_EQ(f.Item(QString::fromLatin1(c.destination))->type, c.source.type == 1 ? 2 : 1);

        const std::vector<QByteArray> before = dvpeer::RawFrames(f.Path(QStringLiteral("a.avi")));
        const std::vector<QByteArray> after = dvpeer::RawFrames(made);
        ASSERT_EQ(before.size(), 40U);
        EXPECT_EQ(after.size(), before.size());
        EXPECT_EQ(FirstDifferentFrame(before, after, dvpeer::WithoutAudioBlocks), -1);
        EXPECT_EQ(dvpeer::RecordedDates(after, {0, 20}, f.dir.path()),
                  (QStringList{"2021:06:05 14:30:00", "2021:06:05 16:00:00"}));

        // Out of the frames into a stream of its own, or back into the frames.
        const QByteArray sound = dvpeer::Pcm(f.Path(QStringLiteral("a.avi")));
        ASSERT_FALSE(sound.isEmpty());
        const QByteArray moved = dvpeer::Pcm(made);
        EXPECT_EQ(moved.size(), sound.size());
        EXPECT_TRUE(moved == sound) << "the sound changed";
    }
}

TEST(LosslessRows, ARoundTripThroughType2GivesBackTheSoundOfType1)
{
    REQUIRE_TOOL("ffmpeg");
    struct Case {
        bool ntsc;
        const char *audio;
    };
    for (const Case &c : {Case{false, "48k16"}, Case{true, "48k16"}, Case{false, "32k12"}, Case{true, "32k12"}}) {
        SCOPED_TRACE(std::string(c.ntsc ? "ntsc " : "pal ") + c.audio);
        TableFixture f;
        ASSERT_FALSE(
            f.MakeDv(QStringLiteral("a.avi"),
                     {.type = 1, .ntsc = c.ntsc, .audio = QString::fromLatin1(c.audio), .plan = kSummerDay})
                .isEmpty());
        ASSERT_FALSE(RunOn(f, "ConvertirDV2", QStringLiteral("a_type2.avi")).isEmpty());
        f.Select({QStringLiteral("a_type2.avi")});
        f.Run(QStringLiteral("ConvertirDV1"));
        f.list.WaitForScans();
        EXPECT_TRUE(f.user.errors.isEmpty()) << Names(f.user.errors);
        const QString back = f.Path(QStringLiteral("a_type2_type1.avi"));
        ASSERT_NE(f.Item(QStringLiteral("a_type2_type1.avi")), nullptr);
        EXPECT_EQ(f.Item(QStringLiteral("a_type2_type1.avi"))->type, 1);

        const QByteArray original = dvpeer::Pcm(f.Path(QStringLiteral("a.avi")));
        ASSERT_FALSE(original.isEmpty());
        const QByteArray result = dvpeer::Pcm(back);
        EXPECT_EQ(result.size(), original.size());
        EXPECT_TRUE(result == original) << "the sound changed on the way";
        EXPECT_EQ(FirstDifferentFrame(dvpeer::RawFrames(f.Path(QStringLiteral("a.avi"))), dvpeer::RawFrames(back),
                                      dvpeer::WithoutAudioBlocks),
                  -1);
    }
}

TEST(LosslessRows, TheDateRowsRewriteOnlyTheRecordedDate)
{
    REQUIRE_TOOL("ffmpeg");
    REQUIRE_TOOL("exiftool");
    const auto days = [](double value) { return QString::number(value, 'g', 17); };
    const QString start = days(*EncodeDateTime(2005, 6, 1, 12, 0, 0));
    struct Case {
        const char *name;
        const char *command;
        DvOptions source;
        QStringList params;
        const char *destination;
        std::vector<int> frames;
        QStringList dates;  // of those frames, as ExifTool reads them
    };
    const Case cases[] = {
        // The calendar rolls over with the shift, in each recording on its own.
        {"shift forward", "DecalerHoraire",
         {.plan = TwoRecordings("2003-12-31 23:59:50", "2021-06-05 14:30:00")}, {days(15.0 / 86400)},
         "a_(+15s).avi", {0, 19, 20, 39},
         {"2004:01:01 00:00:05", "2004:01:01 00:00:05", "2021:06:05 14:30:15", "2021:06:05 14:30:15"}},
        {"shift back, type 1 NTSC", "DecalerHoraire",
         {.type = 1, .ntsc = true, .plan = TwoRecordings("2004-01-01 00:30:00", "2021-06-05 14:30:00")},
         {days(-1.0 / 24)}, "a_(-1h).avi", {0, 20}, {"2003:12:31 23:30:00", "2021:06:05 13:30:00"}},
        // A running date from the start, across the source's recording break: 25 frames a second.
        {"overwrite", "IntroduireDatecode", {.plan = kSummerDay}, {start}, "a_datecode.avi", {0, 24, 25, 39},
         {"2005:06:01 12:00:00", "2005:06:01 12:00:00", "2005:06:01 12:00:01", "2005:06:01 12:00:01"}},
        // 30 frames of 1001/30000 s last 1.001 s.
        {"overwrite, type 1 NTSC", "IntroduireDatecode", {.type = 1, .ntsc = true, .plan = kSummerDay}, {start},
         "a_datecode.avi", {0, 29, 30}, {"2005:06:01 12:00:00", "2005:06:01 12:00:00", "2005:06:01 12:00:01"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TableFixture f;
        ASSERT_FALSE(f.MakeDv(QStringLiteral("a.avi"), c.source).isEmpty());
        const QString made = RunOn(f, c.command, QString::fromLatin1(c.destination), c.params);
        ASSERT_FALSE(made.isEmpty());
        const std::vector<QByteArray> before = dvpeer::RawFrames(f.Path(QStringLiteral("a.avi")));
        const std::vector<QByteArray> after = dvpeer::RawFrames(made);
        ASSERT_EQ(before.size(), 40U);
        EXPECT_EQ(after.size(), before.size());
        EXPECT_EQ(dvpeer::RecordedDates(after, c.frames, f.dir.path()), c.dates);
        EXPECT_EQ(FirstDifferentFrame(before, after, dvpeer::VideoBlocks), -1) << "the picture changed";
        EXPECT_TRUE(dvpeer::Pcm(made) == dvpeer::Pcm(f.Path(QStringLiteral("a.avi")))) << "the sound changed";
    }
}

// A type 2 file whose DV is an interleaved 'iavs' stream beside its 'auds' stream
// becomes an ordinary type 2 file: the same frames as 'dvsd' video, the same sound.
TEST(LosslessRows, FixingType2MakesTheIavsStreamDvsdVideo)
{
    REQUIRE_TOOL("ffmpeg");
    REQUIRE_TOOL("ffprobe");
    REQUIRE_TOOL("mediainfo");
    for (const bool ntsc : {false, true}) {
        SCOPED_TRACE(ntsc ? "ntsc 32k12" : "pal 48k16");
        TableFixture f;
        ASSERT_FALSE(f.MakeDv(QStringLiteral("a.avi"), {.iavs = true,
                                                        .ntsc = ntsc,
                                                        .audio = ntsc ? QStringLiteral("32k12") : QStringLiteral("48k16"),
                                                        .plan = kSummerDay})
                         .isEmpty());
        f.Open({QStringLiteral("a.avi")});
        const TaviFichier *source = f.Item(QStringLiteral("a.avi"));
        ASSERT_NE(source, nullptr);
        EXPECT_EQ(source->type, 2);
        EXPECT_TRUE(source->type2Interleaved);
        const QString made = RunOn(f, "CorrigerType2", QStringLiteral("a_fixed.avi"));
        ASSERT_FALSE(made.isEmpty());
        const TaviFichier *fixed = f.Item(QStringLiteral("a_fixed.avi"));
        EXPECT_EQ(fixed->type, 2);
        EXPECT_FALSE(fixed->type2Interleaved);

        {
            AviOpenResult written = AviReader::Open(made);
            ASSERT_TRUE(written.reader);
            ASSERT_EQ(written.reader->Streams().size(), 2U);
            EXPECT_EQ(written.reader->Streams()[0].header.type, MakeFourCC("vids"));
            EXPECT_EQ(written.reader->Streams()[1].header.type, MakeFourCC("auds"));
        }
        EXPECT_EQ(Streams(made), "dvvideo,video,dvsd,40\npcm_s16le,audio,[1][0][0][0],80");
        EXPECT_EQ(MediaInfo(made, QStringLiteral("Video;%Format%,%CodecID%,%FrameCount%,%Standard%")),
                  ntsc ? "DV,dvsd,40,NTSC" : "DV,dvsd,40,PAL");
        EXPECT_EQ(MediaInfo(made, QStringLiteral("Audio;%Format%,%SamplingRate%")), ntsc ? "PCM,32000" : "PCM,48000");

        // The frames whole, their sound blocks too; the sound stream byte for byte.
        const std::vector<QByteArray> before = dvpeer::RawFrames(f.Path(QStringLiteral("a.avi")));
        const std::vector<QByteArray> after = dvpeer::RawFrames(made);
        ASSERT_EQ(before.size(), 40U);
        EXPECT_EQ(after.size(), before.size());
        EXPECT_EQ(FirstDifferentFrame(before, after, WholeFrame), -1);
        const QByteArray sound = testsupport::StreamContent(f.Path(QStringLiteral("a.avi")), MakeFourCC("auds"));
        ASSERT_FALSE(sound.isEmpty());
        EXPECT_TRUE(testsupport::StreamContent(made, MakeFourCC("auds")) == sound) << "the sound stream was not copied as it was";
        EXPECT_TRUE(dvpeer::Pcm(made) == sound);
    }
}
