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
#include <memory>

namespace {

using FramePtr = std::unique_ptr<AVFrame, void (*)(AVFrame *)>;

FramePtr NewPicture(int format, int width, int height)
{
    FramePtr frame(av_frame_alloc(), [](AVFrame *f) { av_frame_free(&f); });
    frame->format = format;
    frame->width = width;
    frame->height = height;
    EXPECT_GE(av_frame_get_buffer(frame.get(), 0), 0);
    return frame;
}

PicturePlanes PlanesOf(const AVFrame &frame)
{
    PicturePlanes planes;
    for (int plane = 0; plane < 4; ++plane) {
        planes.data[plane] = frame.data[plane];
        planes.stride[plane] = frame.linesize[plane];
    }
    return planes;
}

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
