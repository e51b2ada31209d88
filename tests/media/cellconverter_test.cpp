#include "picturetestsupport.h"

#include "media/cellconverter.h"
#include "media/picturescaler.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

#include <algorithm>
#include <cstdlib>
#include <span>
#include <vector>

namespace {

constexpr int kWidth = 64;
constexpr int kHeight = 32;

struct ChromaSize {
    int width;
    int height;
};

ChromaSize ChromaOf(int format)
{
    return format == AV_PIX_FMT_YUV420P ? ChromaSize{kWidth / 2, kHeight / 2} : ChromaSize{kWidth / 4, kHeight};
}

// A picture of gentle gradients in every plane, as DV pictures mostly are.
FramePtr GradientPicture(int format)
{
    FramePtr original = NewPicture(format, kWidth, kHeight);
    const ChromaSize chroma = ChromaOf(format);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            original->data[0][y * original->linesize[0] + x] = static_cast<uint8_t>(60 + (x * 5 + y * 3) % 120);
    for (int y = 0; y < chroma.height; ++y)
        for (int x = 0; x < chroma.width; ++x) {
            original->data[1][y * original->linesize[1] + x] = static_cast<uint8_t>(110 + (x * 7) % 36);
            original->data[2][y * original->linesize[2] + x] = static_cast<uint8_t>(110 + (y * 5) % 36);
        }
    return original;
}

// The largest difference between two planes of w x h.
int WorstDifference(const AVFrame &a, const AVFrame &b, int plane, int w, int h)
{
    int worst = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            worst = std::max(worst, std::abs(a.data[plane][y * a.linesize[plane] + x] - b.data[plane][y * b.linesize[plane] + x]));
    return worst;
}

void ExpectNear(const AVFrame &original, const AVFrame &back, int format)
{
    const ChromaSize chroma = ChromaOf(format);
    EXPECT_LE(WorstDifference(original, back, 0, kWidth, kHeight), 2);
    EXPECT_LE(WorstDifference(original, back, 1, chroma.width, chroma.height), 3);
    EXPECT_LE(WorstDifference(original, back, 2, chroma.width, chroma.height), 3);
}

void ConvertEveryCellToYuv(const std::vector<uint8_t> &rgb, AVFrame &target)
{
    for (int y = 0; y < kHeight; y += 8)
        for (int x = 0; x < kWidth; x += 8)
            ConvertCellToYuv(rgb, kWidth, kHeight, x, y, target);
}

}  // namespace

// A picture as the DV decoder gives it, turned into RGB the way the decoder filter
// does, comes back from the cell conversion with its colours to within a step or
// two, in both chroma layouts: so a re-encoded segment matches its neighbours.
TEST(ConvertCellToYuv, UndoesTheDecodersConversion)
{
    for (const int format : {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV411P}) {
        SCOPED_TRACE(format == AV_PIX_FMT_YUV420P ? "4:2:0" : "4:1:1");
        const FramePtr original = GradientPicture(format);
        std::vector<uint8_t> rgb(Rgb24ImageSize(kWidth, kHeight));
        PictureScaler toRgb(ScalerQuality::Fast);
        ASSERT_TRUE(toRgb.Scale(PlanesOf(*original), kWidth, kHeight, format, Rgb24BottomUpPlanes(rgb, kWidth, kHeight),
                                kWidth, kHeight, AV_PIX_FMT_BGR24));
        const FramePtr back = NewPicture(format, kWidth, kHeight);
        ConvertEveryCellToYuv(rgb, *back);
        ExpectNear(*original, *back, format);
    }
}

// The cells a partial decode converts itself match libswscale's conversion of the
// whole picture, and the cell conversions undo each other: a picture decoded in
// part and re-encoded looks like one decoded whole.
TEST(ConvertCellToRgb, MatchesTheWholePictureConversionAndGoesBack)
{
    for (const int format : {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV411P}) {
        SCOPED_TRACE(format == AV_PIX_FMT_YUV420P ? "4:2:0" : "4:1:1");
        const FramePtr original = GradientPicture(format);
        std::vector<uint8_t> whole(Rgb24ImageSize(kWidth, kHeight));
        PictureScaler toRgb(ScalerQuality::Fast);
        ASSERT_TRUE(toRgb.Scale(PlanesOf(*original), kWidth, kHeight, format,
                                Rgb24BottomUpPlanes(whole, kWidth, kHeight), kWidth, kHeight, AV_PIX_FMT_BGR24));
        std::vector<uint8_t> cells(whole.size(), 0);
        for (int y = 0; y < kHeight; y += 8)
            for (int x = 0; x < kWidth; x += 8)
                ConvertCellToRgb(*original, x, y, cells, kWidth, kHeight);
        int worst = 0;
        for (size_t i = 0; i < whole.size(); ++i)
            worst = std::max(worst, std::abs(whole[i] - cells[i]));
        // libswscale rounds in its own tables; for 4:1:1 it also smooths the chroma.
        EXPECT_LE(worst, 3);

        const FramePtr back = NewPicture(format, kWidth, kHeight);
        ConvertEveryCellToYuv(cells, *back);
        ExpectNear(*original, *back, format);
    }
}

// A cell past the picture is left alone rather than written out of bounds.
TEST(ConvertCellToRgb, LeavesCellsPastThePictureAlone)
{
    const FramePtr original = GradientPicture(AV_PIX_FMT_YUV420P);
    std::vector<uint8_t> picture(Rgb24ImageSize(kWidth, kHeight), 7);
    ConvertCellToRgb(*original, kWidth - 4, 0, picture, kWidth, kHeight);
    ConvertCellToRgb(*original, 0, kHeight, picture, kWidth, kHeight);
    ConvertCellToRgb(*original, 0, 0, std::span(picture).first(picture.size() - 1), kWidth, kHeight);
    EXPECT_TRUE(std::all_of(picture.begin(), picture.end(), [](uint8_t b) { return b == 7; }));
}

// The sampled bytes hold what the cell conversion gives their pixels, whole pixels
// are written for each, the rows' padding and everything else is left alone.
TEST(ConvertSampledPixelsToRgb, ConvertsThePixelsUnderTheSampledBytesOnly)
{
    constexpr int kOddWidth = 62;  // rows of 186 bytes, padded to 188
    for (const int format : {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV411P}) {
        SCOPED_TRACE(format == AV_PIX_FMT_YUV420P ? "4:2:0" : "4:1:1");
        const FramePtr original = GradientPicture(format);
        std::vector<uint8_t> cells(Rgb24ImageSize(kOddWidth, kHeight), 0);
        for (int y = 0; y < kHeight; y += 8)
            for (int x = 0; x + 8 <= kOddWidth; x += 8)
                ConvertCellToRgb(*original, x, y, cells, kOddWidth, kHeight);
        constexpr size_t kStep = 47;
        const size_t count = cells.size() / kStep - 3;
        std::vector<uint8_t> sampled(cells.size(), 7);
        ConvertSampledPixelsToRgb(*original, kStep, count, sampled, kOddWidth, kHeight);
        const size_t rowBytes = Rgb24RowBytes(kOddWidth);
        std::vector<bool> written(sampled.size(), false);
        for (size_t i = 0; i < count; ++i) {
            const size_t column = kStep * i % rowBytes;
            if (column >= 3 * kOddWidth)
                continue;
            for (size_t k = 0; k < 3; ++k)
                written[kStep * i - column % 3 + k] = true;
        }
        ASSERT_GT(std::count(written.begin(), written.end(), true), 0);
        for (size_t i = 0; i < sampled.size(); ++i) {
            const size_t column = i % rowBytes;
            // The cells leave the last 6 pixels of each row out: there only the
            // writing is checked.
            if (!written[i]) {
                ASSERT_EQ(sampled[i], 7) << i;
            } else if (column < 3 * (kOddWidth / 8 * 8)) {
                ASSERT_EQ(sampled[i], cells[i]) << i;
            }
        }
    }
    // A source of another format or smaller than the picture gives nothing.
    const FramePtr small = GradientPicture(AV_PIX_FMT_YUV420P);
    const FramePtr packed = NewPicture(AV_PIX_FMT_YUV422P, kWidth, kHeight);
    std::vector<uint8_t> picture(Rgb24ImageSize(kWidth * 2, kHeight), 7);
    ConvertSampledPixelsToRgb(*small, 5, 1000, picture, kWidth * 2, kHeight);
    ConvertSampledPixelsToRgb(*packed, 5, 1000, picture, kWidth, kHeight);
    EXPECT_TRUE(std::all_of(picture.begin(), picture.end(), [](uint8_t b) { return b == 7; }));
}

// In slices, on several threads, libswscale gives what it gives in one piece: into
// frames and into planes the caller holds (bottom-up RGB), scaled or not; and a
// target without a buffer is refused, not allocated behind the caller's back.
TEST(PictureScaler, ScalesInSlicesAsInOnePiece)
{
    const FramePtr source = GradientPicture(AV_PIX_FMT_YUV420P);
    for (const auto &[width, height] : {std::pair{kWidth, kHeight}, std::pair{kWidth / 2, kHeight * 3 / 4}}) {
        SCOPED_TRACE(width);
        PictureScaler whole(ScalerQuality::Fast);
        PictureScaler slices(ScalerQuality::Fast);
        const FramePtr expected = NewPicture(AV_PIX_FMT_YUV411P, width, height);
        const FramePtr sliced = NewPicture(AV_PIX_FMT_YUV411P, width, height);
        ASSERT_TRUE(whole.Scale(PlanesOf(*source), kWidth, kHeight, AV_PIX_FMT_YUV420P, PlanesOf(*expected), width,
                                height, AV_PIX_FMT_YUV411P));
        ASSERT_TRUE(slices.ScaleInSlices(*source, *sliced));
        for (int plane = 0; plane < 3; ++plane)
            EXPECT_EQ(WorstDifference(*expected, *sliced, plane, plane == 0 ? width : width / 4, height), 0);

        std::vector<uint8_t> rgb(Rgb24ImageSize(width, height), 1);
        std::vector<uint8_t> rgbSliced(rgb.size(), 2);
        ASSERT_TRUE(whole.Scale(PlanesOf(*source), kWidth, kHeight, AV_PIX_FMT_YUV420P,
                                Rgb24BottomUpPlanes(rgb, width, height), width, height, AV_PIX_FMT_BGR24));
        ASSERT_TRUE(slices.ScaleInSlices(*source, Rgb24BottomUpPlanes(rgbSliced, width, height), width, height,
                                         AV_PIX_FMT_BGR24));
        // Only the rows' padding may differ.
        for (int row = 0; row < height; ++row)
            ASSERT_TRUE(std::equal(rgb.begin() + row * Rgb24RowBytes(width),
                                   rgb.begin() + row * Rgb24RowBytes(width) + 3 * width,
                                   rgbSliced.begin() + row * Rgb24RowBytes(width)))
                << row;
    }
    PictureScaler slices(ScalerQuality::Fast);
    FramePtr unallocated(av_frame_alloc(), [](AVFrame *f) { av_frame_free(&f); });
    unallocated->format = AV_PIX_FMT_YUV411P;
    unallocated->width = kWidth;
    unallocated->height = kHeight;
    EXPECT_FALSE(slices.ScaleInSlices(*source, *unallocated));
    EXPECT_EQ(unallocated->buf[0], nullptr);
}
