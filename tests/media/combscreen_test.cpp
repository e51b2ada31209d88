#include "picturetestsupport.h"

#include "media/cellconverter.h"
#include "media/combscreen.h"
#include "media/dv_deinter.h"
#include "media/picturescaler.h"

#include <QImage>
#include <QRandomGenerator>

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

#include <algorithm>
#include <vector>

namespace {

int ShiftX(const AVFrame &picture) { return picture.format == AV_PIX_FMT_YUV411P ? 2 : 1; }
int ShiftY(const AVFrame &picture) { return picture.format == AV_PIX_FMT_YUV411P ? 0 : 1; }

uint8_t &Luma(AVFrame &picture, int x, int y) { return picture.data[0][y * picture.linesize[0] + x]; }
uint8_t &Chroma(AVFrame &picture, int plane, int x, int y)
{
    return picture.data[plane][(y >> ShiftY(picture)) * picture.linesize[plane] + (x >> ShiftX(picture))];
}

void Fill(AVFrame &picture, uint8_t luma, uint8_t cb, uint8_t cr)
{
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            Luma(picture, x, y) = luma;
            Chroma(picture, 1, x, y) = cb;
            Chroma(picture, 2, x, y) = cr;
        }
}

// The odd rows where the deinterlacer finds a comb pixel (before it drops the
// isolated ones) in the picture as the cell converter makes it.
std::vector<int> CombRows(const AVFrame &picture)
{
    const int width = picture.width;
    const int height = picture.height;
    std::vector<uint8_t> bottomUp(Rgb24ImageSize(width, height));
    ConvertAreaToRgb(picture, QRect(0, 0, width, height), bottomUp, width, height);
    QImage source(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y)
        std::copy_n(bottomUp.data() + Rgb24RowBytes(width) * static_cast<size_t>(height - 1 - y), 3 * width,
                    source.scanLine(y));
    QImage out(source.size(), QImage::Format_BGR888);
    QImage comb(source.size(), QImage::Format_Grayscale8);
    QImage keep(source.size(), QImage::Format_Grayscale8);
    comb.fill(0);
    EXPECT_TRUE(DeinterlacePicture(source, out, comb, keep));
    std::vector<int> rows;
    for (int y = 1; y < height - 1; y += 2) {
        const uchar *marks = comb.constScanLine(y);
        if (std::any_of(marks, marks + width, [](uchar m) { return m != 0; }))
            rows.push_back(y);
    }
    return rows;
}

bool Covers(const RowRange &range, int row)
{
    return range.top <= row - 1 && row + 2 <= range.end;
}

constexpr int kFormats[] = {AV_PIX_FMT_YUV420P, AV_PIX_FMT_YUV411P};

}  // namespace

// Pixels near the comb threshold, one odd row and its neighbours changed at a time,
// in the vector part of a row and in its tail: every comb the deinterlacer finds
// lies in the rows screened.
TEST(RowsThatMayComb, NeverMissesACombTheDeinterlacerFinds)
{
    QRandomGenerator random(20261211);
    const auto near = [&](int base, int spread) {
        return static_cast<uint8_t>(std::clamp(base + static_cast<int>(random.bounded(2 * spread + 1)) - spread, 0, 255));
    };
    for (const int format : kFormats) {
        SCOPED_TRACE(format);
        FramePtr picture = NewPicture(format, 24, 16);
        int combs = 0;
        int withoutComb = 0;
        for (int trial = 0; trial < 20000; ++trial) {
            const uint8_t luma = near(128, 110);
            const uint8_t cb = near(128, 100);
            const uint8_t cr = near(128, 100);
            Fill(*picture, luma, cb, cr);
            const int y = 1 + 2 * static_cast<int>(random.bounded(7));
            const int x = static_cast<int>(random.bounded(24));
            // Luma or chroma may make the most of the difference.
            const int lumaSpread = static_cast<int>(random.bounded(46));
            const int chromaSpread = static_cast<int>(random.bounded(30));
            for (int row = y - 1; row <= y + 1; ++row) {
                Luma(*picture, x, row) = near(luma, lumaSpread);
                Luma(*picture, x ^ 1, row) = near(luma, lumaSpread);
                Chroma(*picture, 1, x, row) = near(cb, chromaSpread);
                Chroma(*picture, 2, x, row) = near(cr, chromaSpread);
            }
            const std::vector<int> rows = CombRows(*picture);
            const std::optional<RowRange> screened = RowsThatMayComb(*picture);
            ASSERT_TRUE(screened);
            for (const int row : rows)
                ASSERT_TRUE(Covers(*screened, row)) << "trial " << trial << " row " << row << " screened ["
                                                    << screened->top << ", " << screened->end << ")";
            combs += rows.empty() ? 0 : 1;
            withoutComb += rows.empty() ? 1 : 0;
        }
        // Both sides of the threshold were tried.
        EXPECT_GT(combs, 2000);
        EXPECT_GT(withoutComb, 2000);
    }
}

// Whole pictures: what is screened, in 8-row bands.
TEST(RowsThatMayComb, ScreensTheBandsAroundTheOddRowsThatStandOut)
{
    constexpr int kW = 64;
    constexpr int kH = 48;
    struct Case {
        const char *name;
        void (*draw)(AVFrame &);
        int top, end;  // top == end: nothing screened
    };
    const Case cases[] = {
        {"flat", [](AVFrame &) {}, 0, 0},
        {"decoding noise",
         [](AVFrame &p) {
             for (int y = 0; y < kH; ++y)
                 for (int x = 0; x < kW; ++x) {
                     Luma(p, x, y) = static_cast<uint8_t>(Luma(p, x, y) + (x * 7 + y * 3) % 5 - 2);
                     Chroma(p, 1, x, y) = static_cast<uint8_t>(128 + (x + y) % 3 - 1);
                 }
         },
         0, 0},
        {"horizontal edge",
         [](AVFrame &p) {
             for (int y = 19; y < kH; ++y)
                 for (int x = 0; x < kW; ++x) {
                     Luma(p, x, y) = 230;
                     Chroma(p, 2, x, y) = 200;
                 }
         },
         0, 0},
        {"bright odd row 17",
         [](AVFrame &p) {
             for (int x = 30; x < 33; ++x)
                 Luma(p, x, 17) = 200;
         },
         16, 24},
        {"odd row 23 and its row below in the next band",
         [](AVFrame &p) {
             for (int x = 0; x < 3; ++x)
                 Luma(p, x, 23) = 200;
         },
         16, 32},
        {"first and last rows tested",
         [](AVFrame &p) {
             Luma(p, 60, 1) = 20;
             Luma(p, 61, 1) = 20;
             Luma(p, 5, kH - 3) = 220;
         },
         0, kH},
    };
    for (const int format : kFormats)
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(c.name) + (format == AV_PIX_FMT_YUV411P ? " 4:1:1" : " 4:2:0"));
            FramePtr picture = NewPicture(format, kW, kH);
            Fill(*picture, 100, 128, 128);
            c.draw(*picture);
            const std::optional<RowRange> screened = RowsThatMayComb(*picture);
            ASSERT_TRUE(screened);
            if (c.top == c.end) {
                EXPECT_TRUE(screened->IsEmpty()) << screened->top << ", " << screened->end;
                EXPECT_TRUE(CombRows(*picture).empty());
            } else {
                EXPECT_EQ(screened->top, c.top);
                EXPECT_EQ(screened->end, c.end);
            }
        }
}

TEST(RowsThatMayComb, TakesOnlyDvPlanesInWholeCells)
{
    EXPECT_FALSE(RowsThatMayComb(*NewPicture(AV_PIX_FMT_YUV422P, 64, 48)));
    EXPECT_FALSE(RowsThatMayComb(*NewPicture(AV_PIX_FMT_YUV420P, 60, 48)));
    EXPECT_FALSE(RowsThatMayComb(*NewPicture(AV_PIX_FMT_YUV420P, 64, 44)));
}
