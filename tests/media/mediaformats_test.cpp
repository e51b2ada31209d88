#include "media/mediaformats.h"

#include "support/testsupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

ByteSpan Span(const QByteArray &bytes)
{
    return {reinterpret_cast<const uint8_t *>(bytes.constData()), static_cast<size_t>(bytes.size())};
}

}  // namespace

TEST(MediaFormats, VideoInfoHeaderLaysOutItsFields)
{
    VideoInfoHeader header;
    header.source = {0, 0, 720, 576};
    header.target = {1, 2, 3, 4};
    header.bitRate = 28800000;
    header.avgTimePerFrame = kFrameTime625;
    header.bmiHeader.width = 720;
    header.bmiHeader.height = 576;
    header.bmiHeader.bitCount = 24;
    header.bmiHeader.compression = kSubtypeDvsd;
    header.bmiHeader.sizeImage = 144000;

    const QByteArray block = BuildVideoInfoHeader(header);
    ASSERT_EQ(block.size(), 88);
    const uint8_t *p = Span(block).data();
    EXPECT_EQ(ReadLE32(p + 8), 720u);                     // rcSource.right
    EXPECT_EQ(ReadLE32(p + 16 + 12), 4u);                 // rcTarget.bottom
    EXPECT_EQ(ReadLE32(p + 32), 28800000u);               // dwBitRate
    EXPECT_EQ(ReadLE64(p + 40), uint64_t(kFrameTime625)); // AvgTimePerFrame
    EXPECT_EQ(ReadLE32(p + 48), 40u);                     // biSize
    EXPECT_EQ(ReadLE32(p + 48 + 16), kSubtypeDvsd);       // biCompression
    EXPECT_EQ(ReadLE32(p + 48 + 20), 144000u);            // biSizeImage

    EXPECT_EQ(ParseVideoInfoHeader(Span(block)), header);
    EXPECT_FALSE(ParseVideoInfoHeader(Span(block).first(87)));
    EXPECT_EQ(ParseBitmapInfoHeader(Span(block).subspan(48)), header.bmiHeader);

    const MediaType type = MakeVideoType(kSubtypeDvsd, header);
    EXPECT_EQ(type.majorType, MajorType::Video);
    EXPECT_EQ(type.formatType, FormatType::VideoInfo);
    EXPECT_EQ(type.sampleSize, 144000u);
    EXPECT_TRUE(type.Matches(MediaType::Partial(MajorType::Video)));
    EXPECT_FALSE(type.Matches(MediaType::Partial(MajorType::Interleaved)));
}

TEST(MediaFormats, WaveAndDvBlocksRoundTrip)
{
    const WaveFormatEx wave{1, 2, 32000, 128000, 4, 16, 0};
    const QByteArray waveBlock = BuildWaveFormatEx(wave);
    ASSERT_EQ(waveBlock.size(), 18);
    EXPECT_EQ(ParseWaveFormatEx(Span(waveBlock)), wave);
    // The 16-byte PCM form reads with cbSize 0; anything shorter is refused.
    EXPECT_EQ(ParseWaveFormatEx(Span(waveBlock).first(16)), wave);
    EXPECT_FALSE(ParseWaveFormatEx(Span(waveBlock).first(15)));
    EXPECT_EQ(MakeAudioType(wave).subtype, kSubtypePcm);

    DvInfo info;
    info.aauxSrc = 0xD0C0C0C0;
    info.vauxCtl = 0xFFFF3F31;
    info.reserved = {7, 8};
    const QByteArray dvBlock = BuildDvInfo(info);
    ASSERT_EQ(dvBlock.size(), 32);
    EXPECT_EQ(ReadLE32(Span(dvBlock).data() + 20), 0xFFFF3F31u);
    EXPECT_EQ(ParseDvInfo(Span(dvBlock)), info);
    EXPECT_FALSE(ParseDvInfo(Span(dvBlock).first(31)));
}

// The "fmt " chunk of a WAV file that FFmpeg writes is a wave format block.
TEST(MediaFormats, ReadsTheWaveFormatFFmpegWrites)
{
    REQUIRE_TOOL("ffmpeg");
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("tone.wav"));
    const auto result = testsupport::Run(QStringLiteral("ffmpeg"),
                                         {"-v", "error", "-f", "lavfi", "-i", "sine=frequency=1000:duration=0.1",
                                          "-ac", "2", "-ar", "48000", "-c:a", "pcm_s16le", "-y", path});
    ASSERT_EQ(result.exitCode, 0) << result.err.constData();
    const QByteArray file = testsupport::ReadWholeFile(path);
    const qsizetype fmt = file.indexOf("fmt ");
    ASSERT_GE(fmt, 0);
    const uint32_t size = ReadLE32(Span(file).data() + fmt + 4);
    ASSERT_LE(fmt + 8 + qsizetype(size), file.size());
    const auto wave = ParseWaveFormatEx(Span(file).subspan(fmt + 8, size));
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->formatTag, 1);
    EXPECT_EQ(wave->channels, 2);
    EXPECT_EQ(wave->samplesPerSec, 48000u);
    EXPECT_EQ(wave->avgBytesPerSec, 192000u);
    EXPECT_EQ(wave->blockAlign, 4);
    EXPECT_EQ(wave->bitsPerSample, 16);
}
