#include "testpattern.h"

#include "framecode.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixdesc.h>
}

#include <cmath>
#include <cstring>

namespace {

struct Planes {
    AVFrame *picture;
    int chromaShiftX;
    int chromaShiftY;

    void FillLuma(int x, int y, int w, int h, uint8_t value) const
    {
        for (int row = y; row < y + h; ++row)
            std::memset(picture->data[0] + row * picture->linesize[0] + x, value, w);
    }
    void FillChroma(int x, int y, int w, int h, uint8_t u, uint8_t v) const
    {
        const int cx = x >> chromaShiftX, cw = std::max(1, w >> chromaShiftX);
        const int cy = y >> chromaShiftY, ch = std::max(1, h >> chromaShiftY);
        for (int row = cy; row < cy + ch; ++row) {
            std::memset(picture->data[1] + row * picture->linesize[1] + cx, u, cw);
            std::memset(picture->data[2] + row * picture->linesize[2] + cx, v, cw);
        }
    }
};

// Segments a..g of a seven-segment digit, as bit masks per digit 0..9.
constexpr uint8_t kSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

void DrawDigit(const Planes &planes, int x, int y, int digit)
{
    constexpr int w = 40, h = 80, t = 8;
    struct Bar { int x, y, w, h; };
    const Bar bars[7] = {
        {t, 0, w - 2 * t, t},          // a: top
        {w - t, t, t, h / 2 - t},      // b: top right
        {w - t, h / 2, t, h / 2 - t},  // c: bottom right
        {t, h - t, w - 2 * t, t},      // d: bottom
        {0, h / 2, t, h / 2 - t},      // e: bottom left
        {0, t, t, h / 2 - t},          // f: top left
        {t, h / 2 - t / 2, w - 2 * t, t},  // g: middle
    };
    for (int s = 0; s < 7; ++s)
        if (kSegments[digit] & (1 << s))
            planes.FillLuma(x + bars[s].x, y + bars[s].y, bars[s].w, bars[s].h, framecode::kLumaOne);
}

}  // namespace

void FillTestPattern(AVFrame *picture, int recording, int frameNumber)
{
    const AVPixFmtDescriptor *desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(picture->format));
    const Planes planes{picture, desc->log2_chroma_w, desc->log2_chroma_h};
    const int width = picture->width, height = picture->height;

    // Eight vertical bars; the hue of bar i turns with the recording number.
    constexpr int kBars = 8;
    const int barWidth = width / kBars;
    for (int i = 0; i < kBars; ++i) {
        const double angle = (i * 45.0 + recording * 67.0) * M_PI / 180.0;
        const auto u = static_cast<uint8_t>(128 + 90 * std::cos(angle));
        const auto v = static_cast<uint8_t>(128 + 90 * std::sin(angle));
        planes.FillLuma(i * barWidth, 0, barWidth, height, static_cast<uint8_t>(60 + 15 * i));
        planes.FillChroma(i * barWidth, 0, barWidth, height, u, v);
    }

    // The cell code on a neutral band.
    planes.FillLuma(0, 0, width, framecode::kTop * 2 + framecode::kCellSize, framecode::kLumaZero);
    planes.FillChroma(0, 0, width, framecode::kTop * 2 + framecode::kCellSize, 128, 128);
    for (int bit = 0; bit < framecode::kBits; ++bit) {
        const bool one = frameNumber & (1 << (framecode::kBits - 1 - bit));
        planes.FillLuma(framecode::kLeft + bit * framecode::kCellSize, framecode::kTop, framecode::kCellSize,
                        framecode::kCellSize, one ? framecode::kLumaOne : framecode::kLumaZero);
    }

    // Six digits in the middle, on a dark plate.
    constexpr int kDigits = 6, kDigitStep = 56;
    const int plateX = (width - kDigits * kDigitStep) / 2, plateY = height / 2 - 56;
    planes.FillLuma(plateX - 16, plateY, kDigits * kDigitStep + 32, 112, framecode::kLumaZero);
    planes.FillChroma(plateX - 16, plateY, kDigits * kDigitStep + 32, 112, 128, 128);
    int rest = frameNumber;
    for (int d = kDigits - 1; d >= 0; --d) {
        DrawDigit(planes, plateX + d * kDigitStep + 8, plateY + 16, rest % 10);
        rest /= 10;
    }
}
