#include "formats/fpsunit.h"

#include "formats/aviinfo.h"
#include "formats/codecchoice.h"
#include "formats/fourcctext.h"
#include "support/avifixtures.h"
#include "support/riffbuilder.h"
#include "support/testsupport.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <limits>

using namespace testsupport;

namespace {

class FpsUnit : public ::testing::Test {
protected:
    QString Write(const QByteArray &bytes, const QString &name = QStringLiteral("test.avi"))
    {
        const QString path = dir_.filePath(name);
        EXPECT_TRUE(WriteWholeFile(path, bytes));
        return path;
    }
    QString CopySample(const QString &sample)
    {
        const QString path = dir_.filePath(QFileInfo(sample).fileName());
        EXPECT_TRUE(WriteWholeFile(path, ReadWholeFile(sample)));
        return path;
    }
    QTemporaryDir dir_;
};

// The bytes expected after a patch: the original with exactly these places replaced.
QByteArray Patched(QByteArray bytes, std::initializer_list<std::pair<qsizetype, QByteArray>> places)
{
    for (const auto &[offset, data] : places)
        bytes.replace(offset, data.size(), data);
    return bytes;
}

mode_t ModeOf(const QString &path)
{
    struct stat status {};
    EXPECT_EQ(::stat(QFile::encodeName(path).constData(), &status), 0);
    return status.st_mode & 07777;
}

QString Probe(const QString &path, const char *entries)
{
    const ProcessResult r = Run("ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries", entries,
                                            "-of", "default=nw=1:nk=1", path});
    EXPECT_EQ(r.exitCode, 0) << r.err.constData();
    return QString::fromLatin1(r.out).trimmed();
}

}  // namespace

TEST_F(FpsUnit, FindsThePositionsOfTheVideoStream)
{
    struct Case {
        int type;
        int avixChunks;
        bool compression;
    } cases[] = {{1, 0, false}, {2, 0, true}, {2, 2, true}, {1, 2, false}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.type * 10 + c.avixChunks);
        const DvAvi avi = BuildDvAvi({.type = c.type, .avixChunks = c.avixChunks});
        const AviHeaderPositions p = FindHeaderPositions(Write(avi.bytes));
        EXPECT_EQ(p.handler, avi.streamHeaderData[0] + 4);
        EXPECT_EQ(p.rate, avi.streamHeaderData[0] + 20);
        EXPECT_EQ(p.compression, c.compression ? avi.streamFormatData[0] + 16 : -1);
    }
    const AviHeaderPositions none = FindHeaderPositions(dir_.filePath(QStringLiteral("absent.avi")));
    EXPECT_EQ(none.handler, -1);
    EXPECT_EQ(none.rate, -1);
    EXPECT_EQ(none.compression, -1);
}

TEST_F(FpsUnit, TheLastVideoStreamGivesThePositionsAndShortHeadersGiveNone)
{
    RiffBuilder b;
    b.Riff("AVI ").List("hdrl").Chunk("avih", AviMainHeader(3, 1));
    b.List("strl").Chunk("strh", AviStreamHeader("vids", "dvsd", 1, 25, 1)).Chunk("strf", AviBitmapFormat("dvsd", 720, 576)).End();
    b.List("strl");
    const qsizetype second = b.Size() + 8;
    b.Chunk("strh", AviStreamHeader("iavs", "dvsd", 1, 25, 1)).Chunk("strf", AviDvInfoFormat()).End();
    b.List("strl").Chunk("strh", AviStreamHeader("auds", "", 1, 48000, 1)).End();
    b.End().List("movi").Chunk("00dc", QByteArray(8, 'x')).End().End();
    const AviHeaderPositions last = FindHeaderPositions(Write(b.Bytes()));
    EXPECT_EQ(last.handler, second + 4);
    EXPECT_EQ(last.rate, second + 20);
    EXPECT_EQ(last.compression, -1);  // the iavs stream has no bitmap header

    // A 16-byte stream header holds the handler but not the rate; a 12-byte format no compression.
    RiffBuilder s;
    s.Riff("AVI ").List("hdrl").List("strl");
    const qsizetype header = s.Size() + 8;
    s.Chunk("strh", AviStreamHeader("vids", "dvsd", 1, 25, 1).left(16)).Chunk("strf", QByteArray(12, '\0'));
    s.End().End().List("movi").End().End();
    const QByteArray shortBytes = s.Bytes();
    const QString path = Write(shortBytes, QStringLiteral("short.avi"));
    const AviHeaderPositions cut = FindHeaderPositions(path);
    EXPECT_EQ(cut.handler, header + 4);
    EXPECT_EQ(cut.rate, -1);
    EXPECT_EQ(cut.compression, -1);
    EXPECT_TRUE(WriteFrameRate(path, 25));
    EXPECT_EQ(ReadWholeFile(path), shortBytes);
}

TEST_F(FpsUnit, ChangesTheCodecAndNothingElse)
{
    const QByteArray cdvc = FourBytes("CDVC");
    struct Case {
        int type;
        int avixChunks;
    } cases[] = {{2, 0}, {1, 0}, {2, 2}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.type * 10 + c.avixChunks);
        const DvAvi avi = BuildDvAvi({.type = c.type, .avixChunks = c.avixChunks});
        const QString path = Write(avi.bytes);
        EXPECT_EQ(ReadCodecCode(path), MakeFourCC("dvsd"));
        ASSERT_TRUE(WriteCodecCode(path, TextToFourCC(QStringLiteral("CDVC"))));
        const QByteArray expected = c.type == 2
            ? Patched(avi.bytes, {{avi.streamHeaderData[0] + 4, cdvc}, {avi.streamFormatData[0] + 16, cdvc}})
            : Patched(avi.bytes, {{avi.streamHeaderData[0] + 4, cdvc}});
        EXPECT_EQ(ReadWholeFile(path), expected);
        EXPECT_EQ(ReadCodecCode(path), MakeFourCC("CDVC"));
        EXPECT_EQ(TFriendlyAviParam(path).GetCodec(), "CDVC");
    }
}

TEST_F(FpsUnit, WritesAPersonalizedCodePaddedWithSpaces)
{
    const DvAvi avi = BuildDvAvi({.type = 2});
    const QString path = Write(avi.bytes);
    const QString text = ChosenCodecText(CodecChoice::Personalized, QStringLiteral("ab"));
    ASSERT_TRUE(PatchCodecCode(path, TextToFourCC(text)));
    EXPECT_EQ(ReadWholeFile(path), Patched(avi.bytes, {{avi.streamHeaderData[0] + 4, "ab  "},
                                                        {avi.streamFormatData[0] + 16, "ab  "}}));
}

TEST_F(FpsUnit, WritesTheFrameRate)
{
    struct Case {
        double fps;
        uint32_t scale;
    } cases[] = {{29.97, 33367}, {25.0, 40000}, {30000.0 / 1001, 33367}, {50.0, 20000}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.fps);
        const DvAvi avi = BuildDvAvi({.type = 2});
        const QString path = Write(avi.bytes);
        ASSERT_TRUE(PatchFrameRate(path, c.fps));
        EXPECT_EQ(ReadWholeFile(path), Patched(avi.bytes, {{avi.streamHeaderData[0] + 20, LE32(c.scale) + LE32(1000000)}}));
    }
    // Rates that give no usable scale leave the file as it was.
    const DvAvi avi = BuildDvAvi({.type = 2});
    const QString path = Write(avi.bytes);
    for (double fps : {0.0, -25.0, std::nan(""), std::numeric_limits<double>::infinity(), 3e6, 1e-4}) {
        SCOPED_TRACE(fps);
        EXPECT_FALSE(WriteFrameRate(path, fps));
    }
    EXPECT_EQ(ReadWholeFile(path), avi.bytes);
}

TEST_F(FpsUnit, ReadOnlyFilesArePatchedAndKeepTheirMode)
{
    for (mode_t mode : {mode_t{0444}, mode_t{0440}, mode_t{0604}}) {
        SCOPED_TRACE(mode);
        const DvAvi avi = BuildDvAvi({.type = 2});
        const QString path = Write(avi.bytes);
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), mode), 0);
        if (::geteuid() != 0) {  // root writes whatever the mode says
            EXPECT_FALSE(WriteCodecCode(path, MakeFourCC("CDVC")));
        }
        ASSERT_TRUE(PatchCodecCode(path, MakeFourCC("CDVC")));
        ASSERT_TRUE(PatchFrameRate(path, 25));
        EXPECT_EQ(ModeOf(path), mode);
        const QByteArray cdvc = FourBytes("CDVC");
        EXPECT_EQ(ReadWholeFile(path), Patched(avi.bytes, {{avi.streamHeaderData[0] + 4, cdvc},
                                                            {avi.streamHeaderData[0] + 20, LE32(40000) + LE32(1000000)},
                                                            {avi.streamFormatData[0] + 16, cdvc}}));
    }
    EXPECT_FALSE(PatchCodecCode(dir_.filePath(QStringLiteral("absent.avi")), MakeFourCC("CDVC")));
}

TEST_F(FpsUnit, FilesWithoutVideoStreamAreLeftUnchanged)
{
    RiffBuilder b;
    b.Riff("AVI ").List("hdrl").Chunk("avih", AviMainHeader(1, 1));
    b.List("strl").Chunk("strh", AviStreamHeader("auds", "", 1, 48000, 1)).Chunk("strf", AviWaveFormat(2, 48000, 16)).End();
    b.End().List("movi").Chunk("01wb", QByteArray(64, 's')).End().End();
    const QByteArray bytes = b.Bytes();
    const QString path = Write(bytes);
    const AviHeaderPositions p = FindHeaderPositions(path);
    EXPECT_EQ(p.handler, -1);
    EXPECT_EQ(p.rate, -1);
    EXPECT_EQ(p.compression, -1);
    // The codec read falls back on the first four bytes of the file.
    EXPECT_EQ(ReadCodecCode(path), MakeFourCC("RIFF"));
    // Opened and nothing to write: counts as written, changes nothing.
    EXPECT_TRUE(WriteCodecCode(path, MakeFourCC("dvsd")));
    EXPECT_TRUE(WriteFrameRate(path, 25));
    EXPECT_EQ(ReadWholeFile(path), bytes);

    // A missing file is neither read nor created.
    const QString absent = dir_.filePath(QStringLiteral("absent.avi"));
    EXPECT_EQ(ReadCodecCode(absent), std::nullopt);
    EXPECT_FALSE(WriteCodecCode(absent, MakeFourCC("dvsd")));
    EXPECT_FALSE(WriteFrameRate(absent, 25));
    EXPECT_FALSE(QFile::exists(absent));
}

TEST_F(FpsUnit, TruncatedAndLyingFilesArePatchedWithinTheirBytes)
{
    const DvAvi avi = BuildDvAvi({.type = 2});
    const QByteArray cut = avi.bytes.left(avi.moviPositions.front() + 100);
    const QString path = Write(cut);
    const AviHeaderPositions p = FindHeaderPositions(path);
    EXPECT_EQ(p.handler, avi.streamHeaderData[0] + 4);
    ASSERT_TRUE(WriteCodecCode(path, MakeFourCC("CDVC")));
    EXPECT_EQ(ReadWholeFile(path).size(), cut.size());

    // Every lying size word of the header: positions stay inside the file and a
    // patch never grows it.
    for (qsizetype offset = 0; offset + 4 <= avi.moviPositions.front(); offset += 2) {
        for (uint32_t size : {0u, 1u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
            QByteArray bytes = avi.bytes.left(avi.moviPositions.front() + 16);
            PutLE32(bytes, offset, size);
            const QString lying = Write(bytes, QStringLiteral("lying.avi"));
            const AviHeaderPositions q = FindHeaderPositions(lying);
            for (int64_t position : {q.handler, q.compression})
                ASSERT_LE(position + 4, bytes.size()) << offset << ' ' << size;
            ASSERT_LE(q.rate + 8, bytes.size()) << offset << ' ' << size;
            ASSERT_TRUE(WriteFrameRate(lying, 25));
            ASSERT_EQ(ReadWholeFile(lying).size(), bytes.size());
        }
    }
}

TEST_F(FpsUnit, NestingIsCapped)
{
    // Lists nested ten thousand deep are walked over, not descended into.
    RiffBuilder b;
    b.Riff("AVI ");
    for (int i = 0; i < 10000; ++i)
        b.List("deep");
    b.List("strl").Chunk("strh", AviStreamHeader("vids", "dvsd", 1, 25, 1)).End();
    for (int i = 0; i < 10000; ++i)
        b.End();
    b.End();
    const QString path = Write(b.Bytes());
    EXPECT_EQ(FindHeaderPositions(path).handler, -1);
    EXPECT_TRUE(WriteCodecCode(path, MakeFourCC("CDVC")));
    EXPECT_EQ(ReadWholeFile(path), b.Bytes());
}

TEST_F(FpsUnit, FfprobeReadsPatchedSamples)
{
    REQUIRE_TOOL("ffprobe");
    REQUIRE_SAMPLE(type2, "sony_ntsc_type2.avi");
    const QString path = CopySample(type2);
    ASSERT_TRUE(::chmod(QFile::encodeName(path).constData(), 0444) == 0);
    ASSERT_TRUE(PatchCodecCode(path, MakeFourCC("CDVC")));
    ASSERT_TRUE(PatchFrameRate(path, 25));
    EXPECT_EQ(ModeOf(path), mode_t{0444});
    EXPECT_EQ(Probe(path, "stream=codec_name"), "dvvideo");
    EXPECT_EQ(Probe(path, "stream=codec_tag_string"), "CDVC");
    EXPECT_EQ(Probe(path, "stream=r_frame_rate"), "25/1");
    EXPECT_EQ(TFriendlyAviParam(path).GetCodec(), "CDVC");

    // FFmpeg accepts an iavs stream only with a DV handler: a type 1 file with
    // "CDVC" is refused until "dvsd" is written back, as the file item's retry does.
    REQUIRE_SAMPLE(type1, "sony_ntsc_type1.avi");
    const QByteArray original = ReadWholeFile(type1);
    const QString copy1 = CopySample(type1);
    ASSERT_TRUE(PatchCodecCode(copy1, MakeFourCC("CDVC")));
    // The handler of the iavs stream header of this file sits at 112.
    EXPECT_EQ(ReadWholeFile(copy1), Patched(original, {{112, FourBytes("CDVC")}}));
    EXPECT_NE(testsupport::Run("ffprobe", {"-v", "error", copy1}).exitCode, 0);
    EXPECT_EQ(ReadCodecCode(copy1), MakeFourCC("CDVC"));
    ASSERT_TRUE(PatchCodecCode(copy1, MakeFourCC("dvsd")));
    EXPECT_EQ(ReadWholeFile(copy1), original);
    EXPECT_EQ(Probe(copy1, "stream=codec_name"), "dvvideo");
}
