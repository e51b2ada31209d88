#include "media/cellconverter.h"
#include "media/picturescaler.h"

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

#include <cstdlib>
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

}  // namespace

// A picture as the DV decoder gives it, turned into RGB the way the decoder filter
// does, comes back from the cell conversion with its colours to within a step or
// two, in both chroma layouts: so a re-encoded segment matches its neighbours.
TEST(ConvertCellToYuv, UndoesTheDecodersConversion)
{
    constexpr int kWidth = 64;
    constexpr int kHeight = 32;
    for (const int format : {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV411P}) {
        SCOPED_TRACE(format == AV_PIX_FMT_YUV420P ? "4:2:0" : "4:1:1");
        const FramePtr original = NewPicture(format, kWidth, kHeight);
        const int chromaWidth = format == AV_PIX_FMT_YUV420P ? kWidth / 2 : kWidth / 4;
        const int chromaHeight = format == AV_PIX_FMT_YUV420P ? kHeight / 2 : kHeight;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                original->data[0][y * original->linesize[0] + x] = static_cast<uint8_t>(60 + (x * 5 + y * 3) % 120);
        for (int y = 0; y < chromaHeight; ++y)
            for (int x = 0; x < chromaWidth; ++x) {
                original->data[1][y * original->linesize[1] + x] = static_cast<uint8_t>(110 + (x * 7) % 36);
                original->data[2][y * original->linesize[2] + x] = static_cast<uint8_t>(110 + (y * 5) % 36);
            }

        std::vector<uint8_t> rgb(Rgb24ImageSize(kWidth, kHeight));
        PictureScaler toRgb(ScalerQuality::Fast);
        ASSERT_TRUE(toRgb.Scale(PlanesOf(*original), kWidth, kHeight, format, Rgb24BottomUpPlanes(rgb, kWidth, kHeight),
                                kWidth, kHeight, AV_PIX_FMT_BGR24));
        const FramePtr back = NewPicture(format, kWidth, kHeight);
        for (int y = 0; y < kHeight; y += 8)
            for (int x = 0; x < kWidth; x += 8)
                ConvertCellToYuv(rgb, kWidth, kHeight, x, y, *back);

        const auto near = [](const AVFrame &a, const AVFrame &b, int plane, int w, int h, int tolerance) {
            int worst = 0;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    worst = std::max(worst, std::abs(a.data[plane][y * a.linesize[plane] + x]
                                                     - b.data[plane][y * b.linesize[plane] + x]));
            return worst <= tolerance;
        };
        EXPECT_TRUE(near(*original, *back, 0, kWidth, kHeight, 2));
        EXPECT_TRUE(near(*original, *back, 1, chromaWidth, chromaHeight, 3));
        EXPECT_TRUE(near(*original, *back, 2, chromaWidth, chromaHeight, 3));
    }
}
