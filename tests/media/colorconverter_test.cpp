#include "picturetestsupport.h"

#include "media/colorconverter.h"
#include "media/mediaformats.h"
#include "media/picturescaler.h"
#include "support/testsupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 48;

// One picture of FFmpeg's test source in a raw pixel format, top-down, at a size.
Bytes PeerPicture(const char *pixelFormat)
{
    const auto made = testsupport::Run(
        "ffmpeg", {"-v", "error", "-f", "lavfi", "-i", QStringLiteral("testsrc2=size=%1x%2").arg(kWidth).arg(kHeight),
                   "-frames:v", "1", "-f", "rawvideo", "-pix_fmt", pixelFormat, "-"});
    return Bytes(made.out.begin(), made.out.end());
}

// Rows of `bytesPerPixel` pixels turned bottom-up and padded to 4 bytes.
Bytes BottomUp(const Bytes &topDown, int width, int height, int bytesPerPixel)
{
    const size_t row = static_cast<size_t>(width * bytesPerPixel);
    const size_t padded = (row + 3) / 4 * 4;
    Bytes out(padded * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y)
        std::copy_n(topDown.begin() + static_cast<std::ptrdiff_t>(row * static_cast<size_t>(y)), row,
                    out.begin() + static_cast<std::ptrdiff_t>(padded * static_cast<size_t>(height - 1 - y)));
    return out;
}

// FFmpeg's conversion of a raw top-down picture to blue-green-red at a size.
Bytes PeerConversion(const Bytes &picture, const char *pixelFormat, int width, int height)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("picture.raw"));
    testsupport::WriteWholeFile(file, QByteArray(reinterpret_cast<const char *>(picture.data()),
                                                 static_cast<qsizetype>(picture.size())));
    const auto made = testsupport::Run(
        "ffmpeg", {"-v", "error", "-f", "rawvideo", "-pix_fmt", pixelFormat, "-s",
                   QStringLiteral("%1x%2").arg(kWidth).arg(kHeight), "-i", file, "-vf",
                   QStringLiteral("scale=%1:%2:flags=bicubic+accurate_rnd+full_chroma_int").arg(width).arg(height), "-f", "rawvideo", "-pix_fmt",
                   "bgr24", "-"});
    return Bytes(made.out.begin(), made.out.end());
}

double MeanDifference(const Rgb24Picture &ours, const Bytes &peerBgrTopDown)
{
    uint64_t sum = 0;
    const size_t row = static_cast<size_t>(ours.width) * 3;
    for (int y = 0; y < ours.height; ++y)
        for (size_t i = 0; i < row; ++i)
            sum += static_cast<uint64_t>(std::abs(ours.At(0, y)[i] - peerBgrTopDown.at(static_cast<size_t>(y) * row + i)));
    return static_cast<double>(sum) / static_cast<double>(row * static_cast<size_t>(ours.height));
}

MediaType UncompressedType(FourCC subtype, int bitCount)
{
    VideoInfoHeader header;
    header.avgTimePerFrame = kFrameTime625;
    header.bmiHeader.width = kWidth;
    header.bmiHeader.height = kHeight;
    header.bmiHeader.bitCount = static_cast<uint16_t>(bitCount);
    header.bmiHeader.compression = subtype == kSubtypeRgb24 || subtype == kSubtypeRgb32 ? 0 : subtype;
    return MakeVideoType(subtype, header);
}

}  // namespace

TEST(ColorConverter, ConvertsEveryInputAsFfmpegDoes)
{
    REQUIRE_TOOL("ffmpeg");
    const Bytes reference = PeerPicture("bgr24");
    ASSERT_EQ(reference.size(), size_t{kWidth * kHeight * 3});
    Bytes yv12 = PeerPicture("yuv420p");
    const size_t luma = kWidth * kHeight;
    const size_t chroma = luma / 4;
    std::swap_ranges(yv12.begin() + static_cast<std::ptrdiff_t>(luma),
                     yv12.begin() + static_cast<std::ptrdiff_t>(luma + chroma),
                     yv12.begin() + static_cast<std::ptrdiff_t>(luma + chroma));
    const Bytes i420 = PeerPicture("yuv420p");
    const Bytes yuy2 = PeerPicture("yuyv422");
    const Bytes uyvy = PeerPicture("uyvy422");
    const struct {
        const char *name;
        FourCC subtype;
        int bitCount;
        Bytes picture;
        Bytes expected;
    } cases[] = {
        {"rgb24", kSubtypeRgb24, 24, BottomUp(reference, kWidth, kHeight, 3), reference},
        {"rgb32", kSubtypeRgb32, 32, BottomUp(PeerPicture("bgr0"), kWidth, kHeight, 4), reference},
        {"yuy2", kSubtypeYuy2, 16, yuy2, PeerConversion(yuy2, "yuyv422", kWidth, kHeight)},
        {"uyvy", kSubtypeUyvy, 16, uyvy, PeerConversion(uyvy, "uyvy422", kWidth, kHeight)},
        {"i420", kSubtypeI420, 12, i420, PeerConversion(i420, "yuv420p", kWidth, kHeight)},
        {"yv12", kSubtypeYv12, 12, yv12, PeerConversion(i420, "yuv420p", kWidth, kHeight)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SampleListSource source(UncompressedType(c.subtype, c.bitCount), {c.picture});
        ColorConverter converter;
        KeepingSink sink(MediaType{MajorType::Video, kSubtypeRgb24, FormatType::VideoInfo});
        ASSERT_EQ(RunChain(source, {&converter}, sink), QString());
        ASSERT_EQ(sink.samples.size(), size_t{1});
        ASSERT_EQ(sink.samples[0].size(), Rgb24ImageSize(kWidth, kHeight));
        EXPECT_LT(MeanDifference(Rgb24Picture(kWidth, kHeight, sink.samples[0]), c.expected), 1.0);
    }
}

TEST(ColorConverter, ScalesToTheSizeAsked)
{
    REQUIRE_TOOL("ffmpeg");
    constexpr int kOutWidth = 30;  // rows of 90 bytes, padded to 92
    constexpr int kOutHeight = 20;
    const Bytes picture = PeerPicture("bgr24");
    SampleListSource source(UncompressedType(kSubtypeRgb24, 24), {BottomUp(picture, kWidth, kHeight, 3)});
    ColorConverter converter;
    converter.SetOutputSize(kOutWidth, kOutHeight);
    KeepingSink sink;
    std::vector<MediaType> types;
    ASSERT_EQ(RunChain(source, {&converter}, sink, &types), QString());
    const auto header = ParseVideoInfoHeader(types.at(0).FormatBytes());
    ASSERT_TRUE(header);
    EXPECT_EQ(header->bmiHeader.width, kOutWidth);
    EXPECT_EQ(header->bmiHeader.height, kOutHeight);
    ASSERT_EQ(sink.samples.size(), size_t{1});
    ASSERT_EQ(sink.samples[0].size(), size_t{92 * kOutHeight});
    EXPECT_LT(MeanDifference(Rgb24Picture(kOutWidth, kOutHeight, sink.samples[0]),
                             PeerConversion(picture, "bgr24", kOutWidth, kOutHeight)),
              2.0);
}

TEST(ColorConverter, RefusesShortPicturesAndUnknownSubtypes)
{
    Bytes tooShort(100);
    EXPECT_EQ(UncompressedPictureLayout(kSubtypeI420, kWidth, kHeight, tooShort).planes.data[0], nullptr);
    EXPECT_EQ(UncompressedPictureLayout(MakeFourCC("XVID"), kWidth, kHeight, tooShort).pixelFormat, -1);
    SampleListSource source(UncompressedType(kSubtypeYuy2, 16), {Bytes(100)});
    ColorConverter converter;
    KeepingSink sink;
    EXPECT_TRUE(RunChain(source, {&converter}, sink).contains(QStringLiteral("too short")));
}
