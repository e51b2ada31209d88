#include "formats/aviwriter.h"

#include "formats/avireader.h"
#include "formats/avitestsupport.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace avitest;

namespace {

constexpr uint32_t kPalAudioBytes = 1920 * 4;  // 48 kHz stereo, one 25 frames/s frame

ByteSpan Bytes(const QByteArray &bytes) { return {reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size())}; }

QJsonArray ProbeStreams(const QString &path) { return Ffprobe(path).value(QStringLiteral("streams")).toArray(); }

QString Field(const QJsonValue &object, const char *key) { return object.toObject().value(QLatin1String(key)).toVariant().toString(); }

// Reads every chunk of a stream and compares it with what was written.
void ExpectChunks(const AviReader &reader, int stream, const std::vector<QByteArray> &expected)
{
    ASSERT_EQ(reader.ChunkCount(stream), expected.size()) << "stream " << stream;
    std::vector<uint8_t> buffer(reader.MaxChunkSize(stream));
    for (size_t n = 0; n < expected.size(); ++n) {
        const AviChunkResult read = reader.ReadChunk(stream, n, buffer);
        ASSERT_TRUE(read.ok) << qPrintable(read.error);
        ASSERT_EQ(QByteArray(reinterpret_cast<const char *>(buffer.data()), qsizetype(read.size)), expected[n])
            << "stream " << stream << " chunk " << n;
    }
}

std::vector<QByteArray> Stamped(const std::vector<QByteArray> &source, int count)
{
    std::vector<QByteArray> frames;
    for (int n = 0; n < count; ++n)
        frames.push_back(StampedFrame(source[size_t(n) % source.size()], uint32_t(n)));
    return frames;
}

std::vector<std::vector<QByteArray>> Sound(int frames, int streams, size_t bytes)
{
    std::vector<std::vector<QByteArray>> sound(static_cast<size_t>(frames));
    for (int n = 0; n < frames; ++n) {
        for (int s = 0; s < streams; ++s)
            sound[size_t(n)].push_back(SyntheticPcm(bytes, uint32_t(n), s));
    }
    return sound;
}

std::vector<QByteArray> Column(const std::vector<std::vector<QByteArray>> &sound, int stream)
{
    std::vector<QByteArray> column;
    for (const auto &frame : sound)
        column.push_back(frame[size_t(stream)]);
    return column;
}

class AviWriterTest : public ::testing::Test {
protected:
    QString PathOf(const QString &name) const { return dir.filePath(name); }
    QStringList Entries() const { return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden); }
    QTemporaryDir dir;
};

}  // namespace

TEST_F(AviWriterTest, Type1FileOfRealNtscFramesIsReadByEveryone)
{
    REQUIRE_SAMPLE(dv, "sony_ntsc_32k12_4ch.dv");
    REQUIRE_TOOL("ffprobe");
    REQUIRE_TOOL("mediainfo");
    const std::vector<QByteArray> frames = DvFrames(dv);
    ASSERT_EQ(frames.size(), 5u);
    AviWriterSettings settings;
    settings.type = AviDvType::Type1;
    settings.ntsc = true;
    const QString path = PathOf(QStringLiteral("type1.avi"));
    const AviWriteResult written = WriteAvi(path, settings, frames);
    ASSERT_TRUE(written.ok) << qPrintable(written.error);

    auto opened = AviReader::Open(path);
    ASSERT_TRUE(opened.reader) << qPrintable(opened.error);
    const AviReader &reader = *opened.reader;
    ASSERT_EQ(reader.Streams().size(), 1u);
    const AviStream &stream = reader.Streams()[0];
    EXPECT_EQ(stream.header.type, avi::kIavs);
    EXPECT_EQ(stream.header.handler, avi::kDvsd);
    EXPECT_EQ(stream.header.scale, 1001u);
    EXPECT_EQ(stream.header.rate, 30000u);
    EXPECT_EQ(stream.header.length, 5u);
    EXPECT_EQ(stream.formatSize, DvInfo::kSize);
    EXPECT_EQ(stream.dvInfo, DvInfoFromFrame(Bytes(frames[0])));
    EXPECT_EQ(reader.MainHeader().totalFrames, 5u);
    EXPECT_EQ(reader.MainHeader().width, 720u);
    EXPECT_EQ(reader.MainHeader().height, 480u);
    EXPECT_EQ(reader.OdmlTotalFrames(), 5u);
    EXPECT_EQ(reader.IndexSource(), AviIndexSource::OpenDml);
    EXPECT_FALSE(reader.Damaged());
    EXPECT_EQ(reader.StreamDuration(0), 1668333);  // 5 × 1001/30000 s
    ExpectChunks(reader, 0, frames);

    const QJsonArray streams = ProbeStreams(path);
    ASSERT_EQ(streams.size(), 3);  // the DV demuxer shows both sound pairs
    EXPECT_EQ(Field(streams[0], "codec_name"), "dvvideo");
    EXPECT_EQ(Field(streams[0], "width"), "720");
    EXPECT_EQ(Field(streams[0], "height"), "480");
    EXPECT_EQ(Field(streams[0], "r_frame_rate"), "30000/1001");
    EXPECT_EQ(Field(streams[0], "nb_read_frames"), "5");
    EXPECT_EQ(Field(streams[1], "codec_type"), "audio");
    EXPECT_EQ(Field(streams[1], "sample_rate"), "32000");

    const QJsonObject info = MediaInfo(path);
    EXPECT_EQ(Field(MediaInfoTrack(info, QStringLiteral("General")), "Format"), "AVI");
    EXPECT_EQ(Field(MediaInfoTrack(info, QStringLiteral("Video")), "Format"), "DV");
    EXPECT_EQ(Field(MediaInfoTrack(info, QStringLiteral("Video")), "FrameCount"), "5");
    EXPECT_EQ(Field(MediaInfoTrack(info, QStringLiteral("General")), "Recorded_Date"), "2024-07-08 19:55:58.000");
}

TEST_F(AviWriterTest, Type2FilesWithZeroOneOrTwoSoundStreams)
{
    REQUIRE_SAMPLE(dv, "ffmpeg_pal_16x9_2frames.dv");
    REQUIRE_TOOL("ffprobe");
    REQUIRE_TOOL("mediainfo");
    const std::vector<QByteArray> frames = Stamped(DvFrames(dv), 4);
    for (int soundStreams = 0; soundStreams <= 2; ++soundStreams) {
        SCOPED_TRACE(soundStreams);
        AviWriterSettings settings;
        settings.type = AviDvType::Type2;
        for (int s = 0; s < soundStreams; ++s)
            settings.audio.push_back({48000, 2});
        const auto sound = Sound(4, soundStreams, kPalAudioBytes);
        const QString path = PathOf(QStringLiteral("type2_%1.avi").arg(soundStreams));
        const AviWriteResult written = WriteAvi(path, settings, frames, sound);
        ASSERT_TRUE(written.ok) << qPrintable(written.error);

        auto opened = AviReader::Open(path);
        ASSERT_TRUE(opened.reader) << qPrintable(opened.error);
        const AviReader &reader = *opened.reader;
        ASSERT_EQ(reader.Streams().size(), size_t(1 + soundStreams));
        const AviStream &video = reader.Streams()[0];
        EXPECT_EQ(video.header.type, avi::kVids);
        EXPECT_EQ(video.header.handler, avi::kDvsd);
        EXPECT_EQ(video.header.rate, 25u);
        EXPECT_EQ(video.header.scale, 1u);
        ASSERT_TRUE(video.bitmap);
        EXPECT_EQ(video.bitmap->compression, avi::kDvsd);
        EXPECT_EQ(video.bitmap->width, 720);
        EXPECT_EQ(video.bitmap->height, 576);
        EXPECT_EQ(video.formatSize, avi::BitmapInfoHeader::kSize + DvInfo::kSize);
        EXPECT_EQ(video.dvInfo, DvInfoFromFrame(Bytes(frames[0])));
        ExpectChunks(reader, 0, frames);
        for (int s = 0; s < soundStreams; ++s) {
            const AviStream &audio = reader.Streams()[size_t(1 + s)];
            EXPECT_EQ(audio.header.type, avi::kAuds);
            ASSERT_TRUE(audio.wave);
            EXPECT_EQ(audio.wave->formatTag, avi::kWaveFormatPcm);
            EXPECT_EQ(audio.wave->channels, 2);
            EXPECT_EQ(audio.wave->samplesPerSec, 48000u);
            EXPECT_EQ(audio.wave->bitsPerSample, 16);
            EXPECT_EQ(audio.header.length, 4u * 1920);
            EXPECT_EQ(reader.StreamDuration(1 + s), reader.StreamDuration(0));
            ExpectChunks(reader, 1 + s, Column(sound, s));
        }

        const QJsonArray streams = ProbeStreams(path);
        ASSERT_EQ(streams.size(), 1 + soundStreams);
        EXPECT_EQ(Field(streams[0], "codec_name"), "dvvideo");
        EXPECT_EQ(Field(streams[0], "codec_tag_string"), "dvsd");
        EXPECT_EQ(Field(streams[0], "width"), "720");
        EXPECT_EQ(Field(streams[0], "height"), "576");
        EXPECT_EQ(Field(streams[0], "r_frame_rate"), "25/1");
        EXPECT_EQ(Field(streams[0], "nb_read_frames"), "4");
        for (int s = 1; s <= soundStreams; ++s) {
            EXPECT_EQ(Field(streams[s], "codec_name"), "pcm_s16le");
            EXPECT_EQ(Field(streams[s], "sample_rate"), "48000");
            EXPECT_EQ(Field(streams[s], "channels"), "2");
            EXPECT_EQ(Field(streams[s], "nb_frames"), "7680");  // samples
        }
        const QJsonObject info = MediaInfo(path);
        EXPECT_EQ(Field(MediaInfoTrack(info, QStringLiteral("Video")), "Format"), "DV");
        EXPECT_EQ(Field(MediaInfoTrack(info, QStringLiteral("Video")), "FrameCount"), "4");
        EXPECT_EQ(Field(MediaInfoTrack(info, QStringLiteral("General")), "AudioCount"),
                  soundStreams ? QString::number(soundStreams) : QString());
    }
}

TEST_F(AviWriterTest, SmallRiffLimitGivesSeveralAvixChunksReadWhole)
{
    REQUIRE_SAMPLE(dv, "ffmpeg_pal_16x9_2frames.dv");
    REQUIRE_SAMPLE(ntscDv, "sony_ntsc_32k12_4ch.dv");
    REQUIRE_TOOL("ffprobe");
    REQUIRE_TOOL("mediainfo");
    struct Case {
        AviDvType type;
        QString source;
        bool ntsc;
    } cases[] = {{AviDvType::Type2, dv, false}, {AviDvType::Type1, ntscDv, true}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.type == AviDvType::Type1 ? "type 1" : "type 2");
        const std::vector<QByteArray> frames = Stamped(DvFrames(c.source), 30);
        AviWriterSettings settings;
        settings.type = c.type;
        settings.ntsc = c.ntsc;
        if (c.type == AviDvType::Type2)
            settings.audio.push_back({48000, 2});
        settings.firstRiffLimit = 1'000'000;
        settings.riffLimit = 1'000'000;
        const auto sound = Sound(30, c.type == AviDvType::Type2 ? 1 : 0, kPalAudioBytes);
        const QString path = PathOf(QStringLiteral("multi.avi"));
        const AviWriteResult written = WriteAvi(path, settings, frames, sound);
        ASSERT_TRUE(written.ok) << qPrintable(written.error);

        auto opened = AviReader::Open(path);
        ASSERT_TRUE(opened.reader) << qPrintable(opened.error);
        const AviReader &reader = *opened.reader;
        EXPECT_GE(reader.RiffCount(), 4);
        EXPECT_EQ(reader.IndexSource(), AviIndexSource::OpenDml);
        EXPECT_FALSE(reader.Damaged());
        EXPECT_EQ(reader.OdmlTotalFrames(), 30u);
        EXPECT_EQ(reader.Streams()[0].header.length, 30u);
        EXPECT_LT(reader.MainHeader().totalFrames, 30u);  // frames of the first RIFF chunk only
        EXPECT_GT(reader.MainHeader().totalFrames, 0u);
        ExpectChunks(reader, 0, frames);
        if (c.type == AviDvType::Type2)
            ExpectChunks(reader, 1, Column(sound, 0));

        // Every RIFF chunk keeps within the limit.
        const QByteArray bytes = testsupport::ReadWholeFile(path);
        for (qsizetype at = 0; at + 8 <= bytes.size();) {
            const uint32_t size = ReadLE32(reinterpret_cast<const uint8_t *>(bytes.constData()) + at + 4);
            EXPECT_LE(size + 8u, 1'000'000u);
            at += 8 + qsizetype(size);
        }

        const QJsonArray streams = ProbeStreams(path);
        ASSERT_FALSE(streams.isEmpty());
        EXPECT_EQ(Field(streams[0], "codec_name"), "dvvideo");
        EXPECT_EQ(Field(streams[0], "nb_read_frames"), "30");
        const QJsonObject info = MediaInfo(path);
        EXPECT_EQ(Field(MediaInfoTrack(info, QStringLiteral("Video")), "FrameCount"), "30");
    }
}

TEST_F(AviWriterTest, InfoTextsAreWrittenAndVisibleToPeers)
{
    REQUIRE_SAMPLE(dv, "ffmpeg_pal_16x9_2frames.dv");
    REQUIRE_TOOL("ffprobe");
    const QString note = QStringLiteral("Datecode overwritten with 2004-07-14 10:32:05 by Morvik at 14/07/2004 é");
    AviWriterSettings settings;
    settings.info.push_back({MakeFourCC("ISFT"), QStringLiteral("Morvik")});
    AviCreateResult created = AviWriter::Create(PathOf(QStringLiteral("info.avi")), settings);
    ASSERT_TRUE(created.writer) << qPrintable(created.error);
    EXPECT_TRUE(created.writer->SetInfo(MakeFourCC("IQNR"), note));
    const std::vector<QByteArray> frames = DvFrames(dv);
    ASSERT_TRUE(created.writer->WriteFrame(Bytes(frames[0])).ok);
    EXPECT_FALSE(created.writer->SetInfo(MakeFourCC("ICMT"), QStringLiteral("too late")));
    ASSERT_TRUE(created.writer->Close().ok);

    auto opened = AviReader::Open(PathOf(QStringLiteral("info.avi")));
    ASSERT_TRUE(opened.reader) << qPrintable(opened.error);
    EXPECT_EQ(opened.reader->InfoText(MakeFourCC("IQNR")), note);
    EXPECT_EQ(opened.reader->InfoText(MakeFourCC("ISFT")), QStringLiteral("Morvik"));
    EXPECT_FALSE(opened.reader->InfoText(MakeFourCC("ICMT")));

    const QJsonObject tags = Ffprobe(PathOf(QStringLiteral("info.avi")))
                                 .value(QStringLiteral("format")).toObject().value(QStringLiteral("tags")).toObject();
    EXPECT_EQ(tags.value(QStringLiteral("IQNR")).toString(), note);
    EXPECT_EQ(tags.value(QStringLiteral("software")).toString(), QStringLiteral("Morvik"));
    // MediaInfo reads INFO texts as Latin-1; the ASCII part must come through.
    const QJsonObject general = MediaInfoTrack(MediaInfo(PathOf(QStringLiteral("info.avi"))), QStringLiteral("General"));
    EXPECT_TRUE(general.value(QStringLiteral("extra")).toObject().value(QStringLiteral("IQNR")).toString().startsWith(
        QStringLiteral("Datecode overwritten with 2004-07-14 10:32:05 by Morvik")))
        << qPrintable(QJsonDocument(general).toJson());
    EXPECT_EQ(Field(general, "Encoded_Application"), "Morvik");
}

TEST_F(AviWriterTest, DestinationIsReplacedOnlyOnClose)
{
    REQUIRE_SAMPLE(dv, "ffmpeg_pal_16x9_2frames.dv");
    REQUIRE_TOOL("ffprobe");
    const std::vector<QByteArray> frames = Stamped(DvFrames(dv), 10);
    const QString destination = PathOf(QStringLiteral("out.avi"));
    const QByteArray previous("an older file of the same name");
    ASSERT_TRUE(testsupport::WriteWholeFile(destination, previous));

    {  // Discard: no trace, the old file intact.
        AviCreateResult created = AviWriter::Create(destination, {});
        ASSERT_TRUE(created.writer);
        ASSERT_TRUE(created.writer->WriteFrame(Bytes(frames[0])).ok);
        EXPECT_EQ(QFileInfo(created.writer->TemporaryPath()).absolutePath(), QFileInfo(destination).absolutePath());
        EXPECT_TRUE(QFileInfo::exists(created.writer->TemporaryPath()));
        created.writer->Discard();
        EXPECT_EQ(Entries(), QStringList{QStringLiteral("out.avi")});
        EXPECT_EQ(testsupport::ReadWholeFile(destination), previous);
    }
    {  // Destroyed without Close: the same.
        AviCreateResult created = AviWriter::Create(destination, {});
        ASSERT_TRUE(created.writer->WriteFrame(Bytes(frames[0])).ok);
    }
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("out.avi")});
    EXPECT_EQ(testsupport::ReadWholeFile(destination), previous);

    // A run stopped after 3 of its 10 frames still closes into a playable file.
    AviCreateResult created = AviWriter::Create(destination, {});
    for (int n = 0; n < 3; ++n)
        ASSERT_TRUE(created.writer->WriteFrame(Bytes(frames[size_t(n)])).ok);
    EXPECT_EQ(testsupport::ReadWholeFile(destination), previous);
    const AviWriteResult closed = created.writer->Close();
    ASSERT_TRUE(closed.ok) << qPrintable(closed.error);
    EXPECT_EQ(Entries(), QStringList{QStringLiteral("out.avi")});
    EXPECT_FALSE(created.writer->WriteFrame(Bytes(frames[3])).ok);
    const QJsonArray streams = ProbeStreams(destination);
    ASSERT_EQ(streams.size(), 1);
    EXPECT_EQ(Field(streams[0], "nb_read_frames"), "3");
}

TEST_F(AviWriterTest, FileWithoutFramesIsStillAnAviFile)
{
    REQUIRE_TOOL("ffprobe");
    AviWriterSettings settings;
    settings.audio.push_back({32000, 2});
    const QString path = PathOf(QStringLiteral("empty.avi"));
    ASSERT_TRUE(WriteAvi(path, settings, {}).ok);
    auto opened = AviReader::Open(path);
    ASSERT_TRUE(opened.reader) << qPrintable(opened.error);
    EXPECT_EQ(opened.reader->Streams().size(), 2u);
    EXPECT_EQ(opened.reader->ChunkCount(0), 0u);
    EXPECT_FALSE(opened.reader->Damaged());
    const auto probe = testsupport::Run(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), path});
    EXPECT_EQ(probe.exitCode, 0) << probe.err.constData();
}

TEST_F(AviWriterTest, RefusesWhatItCannotWrite)
{
    AviWriterSettings type1WithSound;
    type1WithSound.type = AviDvType::Type1;
    type1WithSound.audio.push_back({48000, 2});
    AviWriterSettings threeStreams;
    threeStreams.audio.assign(3, AviAudioFormat{48000, 2});
    AviWriterSettings silentRate;
    silentRate.audio.push_back({0, 2});
    for (const AviWriterSettings &settings : {type1WithSound, threeStreams, silentRate}) {
        const AviCreateResult created = AviWriter::Create(PathOf(QStringLiteral("x.avi")), settings);
        EXPECT_FALSE(created.writer);
        EXPECT_FALSE(created.error.isEmpty());
    }
    EXPECT_FALSE(AviWriter::Create(PathOf(QStringLiteral("no/such/folder/x.avi")), {}).writer);
    EXPECT_TRUE(Entries().isEmpty());

    AviWriterSettings settings;
    settings.audio.push_back({48000, 2});
    AviCreateResult created = AviWriter::Create(PathOf(QStringLiteral("x.avi")), settings);
    ASSERT_TRUE(created.writer);
    const QByteArray pal = SyntheticFrame(144000, 0);
    const QByteArray ntsc = SyntheticFrame(120000, 0);
    const QByteArray halfSample(7, '\0');
    const ByteSpan none[] = {ByteSpan()};
    const ByteSpan odd[] = {Bytes(halfSample)};
    EXPECT_FALSE(created.writer->WriteFrame(Bytes(ntsc), none).ok);  // a 525/60 frame in a 625/50 file
    EXPECT_FALSE(created.writer->WriteFrame(Bytes(pal)).ok);         // one sound chunk per stream is due
    EXPECT_FALSE(created.writer->WriteFrame(Bytes(pal), odd).ok);
    // Refused frames leave the file as it was: still good for a valid frame and a close.
    EXPECT_TRUE(created.writer->WriteFrame(Bytes(pal), none).ok);
    ASSERT_TRUE(created.writer->Close().ok);
    auto opened = AviReader::Open(PathOf(QStringLiteral("x.avi")));
    ASSERT_TRUE(opened.reader);
    EXPECT_EQ(opened.reader->ChunkCount(0), 1u);
    EXPECT_EQ(opened.reader->ChunkCount(1), 0u);
}
