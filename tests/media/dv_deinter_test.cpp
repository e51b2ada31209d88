#include "picturetestsupport.h"

#include "media/dv_deinter.h"
#include "media/picturescaler.h"
#include "media/transinplacefilter.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr int kWidth = 16;
constexpr int kHeight = 9;

QImage Grey(int width, int height, uint8_t level)
{
    QImage image(width, height, QImage::Format_BGR888);
    image.fill(QColor(level, level, level));
    return image;
}

QImage Deinterlaced(const QImage &source)
{
    QImage out(source.size(), QImage::Format_BGR888);
    QImage comb(source.size(), QImage::Format_Grayscale8);
    QImage keep(source.size(), QImage::Format_Grayscale8);
    EXPECT_TRUE(DeinterlacePicture(source, out, comb, keep));
    return out;
}

void SetPixel(QImage &image, int x, int y, uint8_t level)
{
    uint8_t *p = image.scanLine(y) + 3 * x;
    p[0] = p[1] = p[2] = level;
}

uint8_t Level(const QImage &image, int x, int y)
{
    return image.constScanLine(y)[3 * x];
}

// Names a source frame for each picture, as the DV decoder does, with nothing changed
// and the part given decoded.
class SourceNamer final : public TBCTransInPlaceFilter {
public:
    explicit SourceNamer(QRect decoded = PictureSource::WholePicture())
        : TBCTransInPlaceFilter(QStringLiteral("Source namer")), decoded_(decoded)
    {
    }

protected:
    bool CheckInputType(const MediaType &) const override { return true; }
    bool MarksItsChanges() const override { return true; }
    StreamResult Transform(MediaSample &sample) override
    {
        sample.SetSource(PictureSource{std::make_shared<const std::vector<uint8_t>>(), QRect(), decoded_});
        return StreamResult::Ok();
    }

private:
    QRect decoded_;
};

}  // namespace

// Pixels of row 3 darker than their neighbours by the same amount: how many and by how much.
TEST(DeinterlacePicture, ReplacesOnlyCombsOfTwoPixelsOrMore)
{
    const struct {
        const char *name;
        int pixels;
        int difference;
        bool replaced;
    } cases[] = {
        {"isolated pixel", 1, 20, false},
        {"two pixels", 2, 20, true},
        {"just above the threshold", 2, 18, true},
        {"just below the threshold", 2, 17, false},
        {"a whole row", kWidth, 40, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QImage source = Grey(kWidth, kHeight, 130);
        // d^2 in each channel, 10 d^2 weighted: 3240 for 18, 2890 for 17.
        for (int x = 0; x < c.pixels; ++x)
            SetPixel(source, 3 + x - (c.pixels == kWidth ? 3 : 0), 3, static_cast<uint8_t>(130 - c.difference));
        const QImage out = Deinterlaced(source);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) {
                const bool marked = y == 3 && Level(source, x, y) != 130;
                EXPECT_EQ(Level(out, x, y), marked && c.replaced ? 130 : Level(source, x, y)) << x << "," << y;
            }
    }
    const uint8_t above[3] = {120, 120, 120};
    const uint8_t pixel[3] = {100, 100, 100};
    EXPECT_EQ(CombMeasure(above, pixel, above), 4000);
}

TEST(DeinterlacePicture, KeepsStillPicturesAndTheEvenFirstAndLastRows)
{
    QImage still = Grey(kWidth, kHeight, 0);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            SetPixel(still, x, y, static_cast<uint8_t>(x * 15));
    EXPECT_EQ(Deinterlaced(still), still);

    // Noise everywhere: only odd rows strictly inside the picture may change.
    QImage noise(kWidth, kHeight + 1, QImage::Format_BGR888);
    QRandomGenerator random(7);
    for (int y = 0; y < noise.height(); ++y)
        for (int i = 0; i < kWidth * 3; ++i)
            noise.scanLine(y)[i] = static_cast<uint8_t>(random.bounded(256));
    const QImage out = Deinterlaced(noise);
    int changedRows = 0;
    for (int y = 0; y < noise.height(); ++y) {
        const bool changed = std::memcmp(out.constScanLine(y), noise.constScanLine(y), kWidth * 3) != 0;
        if (y % 2 == 0 || y == noise.height() - 1) {
            EXPECT_FALSE(changed) << "row " << y;
        }
        changedRows += changed;
    }
    EXPECT_GT(changedRows, 0);

    QImage wrongMask(kWidth, kHeight, QImage::Format_BGR888);
    QImage target(kWidth, kHeight, QImage::Format_BGR888);
    EXPECT_FALSE(DeinterlacePicture(still, target, wrongMask, wrongMask));
}

// The rule spelt out pixel by pixel, against pictures of many widths whose rows differ
// by amounts around the threshold, so that blocks that are and are not combs alternate.
TEST(DeinterlacePicture, MatchesThePixelRuleAtAnyWidth)
{
    QRandomGenerator random(11);
    for (const int width : {1, 7, 16, 17, 33, 100, 720}) {
        SCOPED_TRACE(width);
        QImage source(width, 12, QImage::Format_BGR888);
        for (int y = 0; y < source.height(); ++y)
            for (int i = 0; i < width * 3; ++i) {
                // Stretches of calm and of strong combs, with steps of 17 and 18 in between.
                const int stretch = (i / 3 / 8 + y / 2) % 3;
                const int step = stretch == 0 ? static_cast<int>(random.bounded(2)) : 17 + static_cast<int>(random.bounded(2));
                source.scanLine(y)[i] = static_cast<uint8_t>(y % 2 == 1 ? 120 - step * (stretch == 2 ? 2 : 1) : 120);
            }
        QImage expected = source;
        for (int y = 1; y < source.height() - 1; y += 2)
            for (int x = 0; x < width; ++x) {
                const auto comb = [&](int at) {
                    return at >= 0 && at < width
                        && CombMeasure(source.constScanLine(y - 1) + 3 * at, source.constScanLine(y) + 3 * at,
                                       source.constScanLine(y + 1) + 3 * at)
                               >= kCombThreshold;
                };
                if (comb(x) && (comb(x - 1) || comb(x + 1)))
                    for (int k = 0; k < 3; ++k)
                        expected.scanLine(y)[3 * x + k] = static_cast<uint8_t>(
                            (source.constScanLine(y - 1)[3 * x + k] + source.constScanLine(y + 1)[3 * x + k]) / 2);
            }
        if (width > 1) {
            EXPECT_NE(expected, source);
        }
        EXPECT_EQ(Deinterlaced(source), expected);
    }
}

// A bar that moved between the fields: in the filter's output, bottom-up in the sample,
// the odd rows inside the comb take the mean of their neighbours and nothing else changes.
TEST(Tdv_deinter, RemovesTheCombsOfAnInterlacedPictureAndSaysWhere)
{
    constexpr int kW = 64;
    constexpr int kH = 32;
    Rgb24Picture interlaced(kW, kH);
    interlaced.Fill(20, 30, 40);
    for (int y = 0; y < kH; ++y) {
        const int from = y % 2 == 0 ? 10 : 20;
        for (int x = from; x < from + 20; ++x) {
            uint8_t *p = interlaced.At(x, y);
            p[0] = 220;
            p[1] = 210;
            p[2] = 200;
        }
    }
    Rgb24Picture still(kW, kH);
    still.Fill(20, 30, 40);
    SampleListSource source(MakeRgb24VideoType(kW, kH, kFrameTime625), {interlaced.bytes, still.bytes});
    SourceNamer namer;
    Tdv_deinter deinter;
    EXPECT_EQ(deinter.FriendlyName(), QStringLiteral("Quenlor dv_deinter"));
    KeepingSink sink;
    ASSERT_EQ(RunChain(source, {&namer, &deinter}, sink), QString());
    ASSERT_EQ(sink.samples.size(), size_t{2});
    // The changed part spans the replaced pixels, from the top: columns 10..39 of
    // rows 1..29, and nothing of the still picture.
    ASSERT_TRUE(sink.sources[0] && sink.sources[1]);
    EXPECT_EQ(sink.sources[0]->changed, QRect(10, 1, 30, kH - 3));
    EXPECT_TRUE(sink.sources[1]->changed.isEmpty());
    EXPECT_EQ(sink.samples[1], still.bytes);
    const Rgb24Picture out(kW, kH, sink.samples[0]);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            // Odd rows show the bar at 20..39, their neighbours at 10..29: 10..19 and 30..39
            // are combs, where the odd row takes what its neighbours agree on.
            const bool comb = y % 2 == 1 && y < kH - 1 && ((x >= 10 && x < 20) || (x >= 30 && x < 40));
            const uint8_t expected = comb ? interlaced.At(x, y - 1)[0] : interlaced.At(x, y)[0];
            ASSERT_EQ(out.At(x, y)[0], expected) << x << "," << y;
        }

    // A picture decoded only in part is deinterlaced only where a row and both its
    // neighbours were decoded: rows 9, 11 and 13 of rows 8..15.
    SampleListSource partSource(MakeRgb24VideoType(kW, kH, kFrameTime625), {interlaced.bytes});
    SourceNamer partNamer(QRect(0, 8, kW, 8));
    Tdv_deinter partDeinter;
    KeepingSink partSink;
    ASSERT_EQ(RunChain(partSource, {&partNamer, &partDeinter}, partSink), QString());
    ASSERT_EQ(partSink.samples.size(), size_t{1});
    EXPECT_EQ(partSink.sources[0]->changed, QRect(10, 9, 30, 5));
    const Rgb24Picture part(kW, kH, partSink.samples[0]);
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x) {
            const bool replaced = (y == 9 || y == 11 || y == 13) && ((x >= 10 && x < 20) || (x >= 30 && x < 40));
            ASSERT_EQ(part.At(x, y)[0], replaced ? interlaced.At(x, y - 1)[0] : interlaced.At(x, y)[0])
                << x << "," << y;
        }
}
