#include "formats/fpsunit.h"

#include "support/riffbuilder.h"
#include "support/testsupport.h"

#include <QFile>
#include <QTemporaryDir>

using namespace riff;
using testsupport::ReadWholeFile;
using testsupport::WriteWholeFile;

namespace {

// The offsets where a patch differs from the original, to check it writes only what it names.
std::vector<int> ChangedOffsets(const QByteArray &before, const QByteArray &after)
{
    std::vector<int> changed;
    EXPECT_EQ(before.size(), after.size());
    for (int i = 0; i < std::min(before.size(), after.size()); ++i)
        if (before[i] != after[i])
            changed.push_back(i);
    return changed;
}

std::vector<int> Range(int from, int count)
{
    std::vector<int> offsets;
    for (int i = 0; i < count; ++i)
        offsets.push_back(from + i);
    return offsets;
}

}  // namespace

TEST(FpsUnit, CodecChangeOfType2WritesHandlerAndCompressionOnly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("t2.avi");
    const QByteArray before = Avi(Type2StreamLists("dvsd", "dvsd"));
    ASSERT_TRUE(WriteWholeFile(path, before));

    const AviHeaderPositions positions = FindHeaderPositions(path);
    const int strh = before.indexOf("strh") + 8;
    const int strf = before.indexOf("strf") + 8;
    EXPECT_EQ(positions.handler, strh + 4);
    EXPECT_EQ(positions.rate, strh + 20);
    EXPECT_EQ(positions.compression, strf + 16);

    ASSERT_TRUE(WriteCodecCode(path, MakeFourCC("CDVC")));
    const QByteArray after = ReadWholeFile(path);
    std::vector<int> expected = Range(strh + 4, 4);
    for (int offset : Range(strf + 16, 4))
        expected.push_back(offset);
    EXPECT_EQ(ChangedOffsets(before, after), expected);
    EXPECT_EQ(ReadCodecCode(path), MakeFourCC("CDVC"));
    EXPECT_EQ(after.mid(strf + 16, 4), "CDVC");
}

TEST(FpsUnit, CodecChangeOfType1WritesTheHandlerOnly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("t1.avi");
    const QByteArray before = Avi(Type1StreamList());
    ASSERT_TRUE(WriteWholeFile(path, before));
    ASSERT_TRUE(WriteCodecCode(path, MakeFourCC("ab  ")));
    EXPECT_EQ(ChangedOffsets(before, ReadWholeFile(path)), Range(before.indexOf("strh") + 8 + 4, 4));
    EXPECT_EQ(ReadCodecCode(path), MakeFourCC("ab  "));
}

TEST(FpsUnit, FrameRateWritesScaleAndRate)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("rate.avi");
    const QByteArray before = Avi(Type2StreamLists());
    ASSERT_TRUE(WriteWholeFile(path, before));
    const int rate = before.indexOf("strh") + 8 + 20;
    for (const auto &[fps, scale] : {std::pair{29.97, 33367u}, std::pair{25.0, 40000u}}) {
        SCOPED_TRACE(fps);
        ASSERT_TRUE(WriteFrameRate(path, fps));
        const QByteArray after = ReadWholeFile(path);
        EXPECT_EQ(after.mid(rate, 8), U32(scale) + U32(1000000));
        for (int offset : ChangedOffsets(before, after))
            EXPECT_TRUE(offset >= rate && offset < rate + 8) << offset;
    }
}

TEST(FpsUnit, OpenDmlPositionsComeFromTheFirstRiff)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("odml.avi");
    const QByteArray first = Avi(Type2StreamLists());
    const QByteArray avix = List("RIFF", "AVIX", List("LIST", "movi", Chunk("00dc", QByteArray(16, 'x'))));
    ASSERT_TRUE(WriteWholeFile(path, first + avix + avix));
    EXPECT_EQ(FindHeaderPositions(path).handler, first.indexOf("strh") + 8 + 4);
}

TEST(FpsUnit, FileWithoutVideoStreamIsLeftUnchanged)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("audio.avi");
    const QByteArray before = Avi(List("LIST", "strl", Chunk("strh", StreamHeader("auds", "\0\0\0\0"))));
    ASSERT_TRUE(WriteWholeFile(path, before));
    const AviHeaderPositions positions = FindHeaderPositions(path);
    EXPECT_EQ(positions.handler, -1);
    EXPECT_EQ(positions.rate, -1);
    EXPECT_EQ(positions.compression, -1);
    EXPECT_EQ(ReadCodecCode(path), MakeFourCC("RIFF"));
    WriteCodecCode(path, MakeFourCC("CDVC"));
    WriteFrameRate(path, 25);
    EXPECT_EQ(ReadWholeFile(path), before);
    EXPECT_FALSE(ReadCodecCode(dir.filePath("missing.avi")));
    EXPECT_FALSE(WriteCodecCode(dir.filePath("missing.avi"), MakeFourCC("dvsd")));
}

TEST(FpsUnit, ReadOnlyFileIsPatchedAndStaysReadOnly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("ro.avi");
    ASSERT_TRUE(WriteWholeFile(path, Avi(Type2StreamLists())));
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    ASSERT_TRUE(QFile::setPermissions(path, readOnly));
    EXPECT_TRUE(PatchCodecCode(path, MakeFourCC("CDVC")));
    EXPECT_TRUE(PatchFrameRate(path, 29.97));
    EXPECT_EQ(ReadCodecCode(path), MakeFourCC("CDVC"));
    // Owner, group and other bits; Qt's "user" bits merely repeat them for the current user.
    constexpr auto kModeBits = QFile::Permissions(0x7077);
    EXPECT_EQ(QFile::permissions(path) & kModeBits, readOnly);
}

TEST(FpsUnit, PatchedRealFileIsReadByFfprobeWithItsNewCodec)
{
    REQUIRE_SAMPLE(sample, "sony_ntsc_type2.avi");
    REQUIRE_TOOL("ffprobe");
    QTemporaryDir dir;
    const QString path = dir.filePath("patched.avi");
    ASSERT_TRUE(QFile::copy(sample, path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    ASSERT_TRUE(PatchCodecCode(path, MakeFourCC("CDVC")));
    ASSERT_TRUE(PatchFrameRate(path, 25));
    const auto probe = testsupport::Run(
        "ffprobe", {"-v", "error", "-select_streams", "v:0", "-show_entries", "stream=codec_tag_string,r_frame_rate",
                    "-of", "default=nw=1", path});
    EXPECT_TRUE(probe.out.contains("codec_tag_string=CDVC")) << probe.out.constData();
    EXPECT_TRUE(probe.out.contains("r_frame_rate=25/1")) << probe.out.constData();
}
