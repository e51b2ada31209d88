#include "dvfiles.h"

#include "base/datetime.h"
#include "media/buildlist.h"
#include "support/testsupport.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <cmath>

namespace {

int64_t FramesTime(bool ntsc, int64_t frames)
{
    return ntsc ? frames * 10'010'000 / 30 : frames * kFrameTime625;
}

// What `mediainfo` reads in a file: the track of this type as JSON.
QJsonObject MediaInfoTrack(const QString &path, const QString &type)
{
    const auto run = testsupport::Run(QStringLiteral("mediainfo"), {QStringLiteral("--Output=JSON"), path});
    const QJsonArray tracks = QJsonDocument::fromJson(run.out)[QStringLiteral("media")][QStringLiteral("track")].toArray();
    for (const QJsonValue &track : tracks)
        if (track[QStringLiteral("@type")].toString() == type)
            return track.toObject();
    return {};
}

QByteArray Digest(const QString &path)
{
    return QCryptographicHash::hash(testsupport::ReadWholeFile(path), QCryptographicHash::Sha256);
}

}  // namespace

TEST(ReadMediaInfo, ReadsEveryKindOfDvFileTheGeneratorMakes)
{
    QTemporaryDir dir;
    constexpr int kFrames = 20;
    for (int type : {1, 2})
        for (bool ntsc : {false, true})
            for (bool wide : {false, true})
                for (const char *audio : {"48k16", "32k12"}) {
                    SCOPED_TRACE(testing::Message() << "type " << type << (ntsc ? " ntsc" : " pal")
                                                    << (wide ? " 16:9 " : " 4:3 ") << audio);
                    dvfiles::Options options;
                    options.type = type;
                    options.ntsc = ntsc;
                    options.wide = wide;
                    options.audio = QLatin1String(audio);
                    options.plan = {"--recording", QStringLiteral("2026-03-01 23:59:58,01:02:03:04,%1").arg(kFrames)};
                    const QString path = dvfiles::Make(
                        dir, QStringLiteral("%1%2%3%4.avi").arg(type).arg(ntsc).arg(wide).arg(QLatin1String(audio)),
                        options);
                    ASSERT_FALSE(path.isEmpty());

                    std::lock_guard lock(MediaInfoLock());
                    ASSERT_TRUE(DmList().ReadMediaInfo(path));
                    const TMediaInfo &info = DmList().MediaInfo();
                    EXPECT_EQ(info.outputCount, type == 1 ? 1 : 2);
                    EXPECT_EQ(info.interleavedFound, type == 1);
                    ASSERT_TRUE(info.videoFound);
                    ASSERT_TRUE(info.audioFound);
                    EXPECT_EQ(info.videoFormat.bmiHeader.width, 720);
                    EXPECT_EQ(info.videoFormat.bmiHeader.height, ntsc ? 480 : 576);
                    EXPECT_EQ(info.videoFormat.bmiHeader.compression, kSubtypeDvsd);
                    EXPECT_EQ(info.videoFormat.avgTimePerFrame, ntsc ? kFrameTime525 : kFrameTime625);
                    EXPECT_EQ(info.audioFormat.samplesPerSec, QLatin1String(audio) == "48k16" ? 48000u : 32000u);
                    EXPECT_EQ(info.audioFormat.channels, 2);
                    EXPECT_EQ(info.videoDuration, FramesTime(ntsc, kFrames));
                    if (type == 1)
                        EXPECT_EQ(info.audioDuration, info.videoDuration);
                    else
                        EXPECT_NEAR(double(info.audioDuration), double(info.videoDuration), kUnitsPerMillisecond);

                    EXPECT_TRUE(info.dvSeen);
                    EXPECT_TRUE(info.datecodeValid);
                    EXPECT_EQ(info.datecode, *EncodeDateTime(2026, 3, 1, 23, 59, 58));
                    EXPECT_TRUE(info.timecodeValid);
                    EXPECT_EQ(info.timecode, (TTimecodeRec{1, 2, 3, 4}));
                    EXPECT_EQ(info.wide, wide);
                }
}

// The real recordings, against what MediaInfo and FFmpeg read in them.
TEST(ReadMediaInfo, ReadsTheRealRecordingsAsThePeersDo)
{
    REQUIRE_TOOL("mediainfo");
    for (const char *name : {"sony_ntsc_type1.avi", "sony_ntsc_type2.avi"}) {
        SCOPED_TRACE(name);
        REQUIRE_SAMPLE(path, QLatin1String(name));
        const QJsonObject general = MediaInfoTrack(path, QStringLiteral("General"));
        const QJsonObject video = MediaInfoTrack(path, QStringLiteral("Video"));
        const QJsonObject audio = MediaInfoTrack(path, QStringLiteral("Audio"));

        std::lock_guard lock(MediaInfoLock());
        ASSERT_TRUE(DmList().ReadMediaInfo(path));
        const TMediaInfo &info = DmList().MediaInfo();
        ASSERT_TRUE(info.videoFound && info.audioFound);
        EXPECT_EQ(info.videoFormat.bmiHeader.width, video["Width"].toString().toInt());
        EXPECT_EQ(info.videoFormat.bmiHeader.height, video["Height"].toString().toInt());
        EXPECT_EQ(info.audioFormat.samplesPerSec, audio["SamplingRate"].toString().toUInt());
        EXPECT_EQ(info.videoDuration, 5 * 10'010'000 / 30);
        EXPECT_NEAR(info.videoDuration / 1e7, video["Duration"].toString().toDouble(), 0.001);

        // "2024-07-08 19:55:58.000" and "00:00:02;17".
        const QDateTime recorded = QDateTime::fromString(general["Recorded_Date"].toString(), Qt::ISODateWithMs);
        ASSERT_TRUE(recorded.isValid());
        const QDate day = recorded.date();
        const QTime time = recorded.time();
        ASSERT_TRUE(info.dvSeen && info.datecodeValid);
        EXPECT_EQ(info.datecode, *EncodeDateTime(day.year(), day.month(), day.day(), time.hour(), time.minute(),
                                                 time.second()));
        const QStringList timecode = video["TimeCode_FirstFrame"].toString().split(QRegularExpression("[:;]"));
        ASSERT_EQ(timecode.size(), 4);
        ASSERT_TRUE(info.timecodeValid);
        EXPECT_EQ(info.timecode, (TTimecodeRec{uint8_t(timecode[0].toInt()), uint8_t(timecode[1].toInt()),
                                               uint8_t(timecode[2].toInt()), uint8_t(timecode[3].toInt())}));
        EXPECT_FALSE(info.wide);
    }
}

// Frames that FFmpeg's DV muxer wrote, put into AVI by FFmpeg: 16:9 picture, no sound.
TEST(ReadMediaInfo, ReadsAFileThatFfmpegWrote)
{
    REQUIRE_SAMPLE(raw, "ffmpeg_pal_16x9_2frames.dv");
    REQUIRE_TOOL("ffmpeg");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ffmpeg.avi"));
    const auto made = testsupport::Run("ffmpeg", {"-v", "error", "-i", raw, "-c", "copy", path});
    ASSERT_EQ(made.exitCode, 0) << made.err.constData();

    std::lock_guard lock(MediaInfoLock());
    ASSERT_TRUE(DmList().ReadMediaInfo(path));
    const TMediaInfo &info = DmList().MediaInfo();
    EXPECT_EQ(info.outputCount, 1);
    EXPECT_TRUE(info.videoFound);
    EXPECT_FALSE(info.audioFound);
    EXPECT_FALSE(info.interleavedFound);
    EXPECT_EQ(info.videoDuration, 2 * kFrameTime625);
    ASSERT_TRUE(info.dvSeen);
    EXPECT_TRUE(info.wide);
    EXPECT_TRUE(info.datecodeValid);
    EXPECT_EQ(info.datecode, *EncodeDateTime(1970, 1, 1));
    EXPECT_EQ(info.timecode, TTimecodeRec{});
}

// Files that are no AVI, or lost their headers, are refused; a file cut in its
// media data is read up to its last whole frame. None of them is ever written to.
TEST(ReadMediaInfo, RefusesDamagedFilesAndWritesIntoNone)
{
    QTemporaryDir dir;
    const QString good = dvfiles::Make(dir, QStringLiteral("good.avi"), {});
    ASSERT_FALSE(good.isEmpty());
    const QByteArray bytes = testsupport::ReadWholeFile(good);

    struct Case {
        const char *name;
        QByteArray bytes;
        bool readable;
    };
    const Case cases[] = {
        {"cut.avi", bytes.left(bytes.size() / 2), true},
        {"headers.avi", bytes.left(300), false},
        {"text.avi", QByteArray("not a video\n"), false},
        {"empty.avi", QByteArray(), false},
        {"wave.avi", QByteArray("RIFF\x04\0\0\0WAVE", 12), false},
    };
    std::lock_guard lock(MediaInfoLock());
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QLatin1String(c.name));
        ASSERT_TRUE(testsupport::WriteWholeFile(path, c.bytes));
        EXPECT_EQ(DmList().ReadMediaInfo(path), c.readable);
        EXPECT_EQ(testsupport::ReadWholeFile(path), c.bytes);
        if (c.readable) {
            const TMediaInfo &info = DmList().MediaInfo();
            EXPECT_TRUE(info.videoFound);
            EXPECT_GT(info.videoDuration, 0);
            EXPECT_LT(info.videoDuration, 20 * kFrameTime625);
        }
    }
    EXPECT_FALSE(DmList().ReadMediaInfo(dir.filePath(QStringLiteral("absent.avi"))));

    // The reader is left ready for the next file.
    const QByteArray before = Digest(good);
    ASSERT_TRUE(DmList().ReadMediaInfo(good));
    EXPECT_EQ(DmList().MediaInfo().videoDuration, 20 * kFrameTime625);
    EXPECT_EQ(Digest(good), before);
}

// A file whose stream has no frame tells no datecode, not the one of the file read before.
TEST(ReadMediaInfo, AStreamWithoutFramesKeepsNoValuesOfTheFileBefore)
{
    QTemporaryDir dir;
    const QString dated = dvfiles::Make(dir, QStringLiteral("dated.avi"), {});
    ASSERT_FALSE(dated.isEmpty());
    // The same headers, cut just after the list type of the movi list.
    const QByteArray bytes = testsupport::ReadWholeFile(dated);
    const qsizetype movi = bytes.indexOf("movi");
    ASSERT_GT(movi, 0);
    const QString empty = dir.filePath(QStringLiteral("empty.avi"));
    ASSERT_TRUE(testsupport::WriteWholeFile(empty, bytes.left(movi + 4)));

    std::lock_guard lock(MediaInfoLock());
    ASSERT_TRUE(DmList().ReadMediaInfo(dated));
    EXPECT_TRUE(DmList().MediaInfo().datecodeValid);
    ASSERT_TRUE(DmList().ReadMediaInfo(empty));
    EXPECT_TRUE(DmList().MediaInfo().dvSeen);
    EXPECT_EQ(DmList().MediaInfo().videoDuration, 0);
    EXPECT_FALSE(DmList().MediaInfo().datecodeValid);
    EXPECT_FALSE(DmList().MediaInfo().timecodeValid);
}
