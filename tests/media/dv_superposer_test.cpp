#include "picturetestsupport.h"
#include "syntheticdv.h"
#include "testfilters.h"

#include "base/datetimeformat.h"
#include "media/dv_deinter.h"
#include "media/dv_scenedetectfilter.h"
#include "media/dv_superposer.h"
#include "media/dvdecoder.h"
#include "media/mediaformats.h"
#include "media/picturescaler.h"
#include "media/transinplacefilter.h"

#include <QFontMetrics>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

constexpr uint8_t kGrey = 128;

// Feeds the detector DV frame n before picture n goes on, as the detector before
// the decoder does in a real graph.
class DetectorFeeder final : public TBCTransInPlaceFilter {
public:
    DetectorFeeder(SceneDetectCore &core, std::vector<syntheticdv::Frame> frames)
        : TBCTransInPlaceFilter(QStringLiteral("feeder")), core_(core), frames_(std::move(frames))
    {
    }

protected:
    bool CheckInputType(const MediaType &) const override { return true; }
    StreamResult StartStreaming() override
    {
        core_.StartStreaming(kFrameTime625);
        next_ = 0;
        return StreamResult::Ok();
    }
    StreamResult Transform(MediaSample &) override
    {
        core_.ProcessSample(frames_.at(next_++));
        return StreamResult::Ok();
    }

private:
    SceneDetectCore &core_;
    std::vector<syntheticdv::Frame> frames_;
    size_t next_ = 0;
};

struct OverlayRun {
    std::vector<Rgb24Picture> pictures;
    QString error;
};

// Grey pictures through feeder and overlay, one per DV frame.
OverlayRun RunOverlay(Tdv_Superposer &overlay, SceneDetectCore &core, std::vector<syntheticdv::Frame> frames,
                      int width, int height, const Bytes *picture = nullptr)
{
    Rgb24Picture grey(width, height);
    grey.Fill(kGrey, kGrey, kGrey);
    std::vector<Bytes> samples(frames.size(), picture ? *picture : grey.bytes);
    SampleListSource source(MakeRgb24VideoType(width, height, kFrameTime625), std::move(samples));
    DetectorFeeder feeder(core, std::move(frames));
    KeepingSink sink;
    OverlayRun run;
    run.error = RunChain(source, {&feeder, &overlay}, sink);
    for (Bytes &bytes : sink.samples)
        run.pictures.emplace_back(width, height, std::move(bytes));
    return run;
}

// The pictures of these tests have rows of a multiple of 4 bytes: every byte is a pixel's.
bool Drawn(const Rgb24Picture &picture)
{
    return std::any_of(picture.bytes.begin(), picture.bytes.end(), [](uint8_t b) { return b != kGrey; });
}

syntheticdv::Frame DatedFrame(TDateTime datecode)
{
    syntheticdv::FrameSpec frameSpec;
    frameSpec.datecode = datecode;
    return syntheticdv::MakeFrame(frameSpec);
}

TincrustRec LiteralText(const QString &line1, const QString &line2)
{
    TincrustRec rec;
    rec.Template1 = line1;
    rec.Template2 = line2;
    return rec;
}

// Hands on pictures decoded only in their top-left corner, as a decoder told a
// wrong area would: the source frame, and nothing of its picture elsewhere.
class CornerDecoded final : public TBCTransInPlaceFilter {
public:
    explicit CornerDecoded(const std::vector<Bytes> &frames) : TBCTransInPlaceFilter(QStringLiteral("corner"))
    {
        for (const Bytes &frame : frames)
            frames_.push_back(std::make_shared<const std::vector<uint8_t>>(frame));
    }

protected:
    bool CheckInputType(const MediaType &) const override { return true; }
    StreamResult Transform(MediaSample &sample) override
    {
        std::fill(sample.Data().begin(), sample.Data().end(), uint8_t{0});
        sample.SetSource(PictureSource{frames_.at(next_++), QRect(), QRect(0, 0, 16, 16)});
        return StreamResult::Ok();
    }

private:
    std::vector<std::shared_ptr<const std::vector<uint8_t>>> frames_;
    size_t next_ = 0;
};

}  // namespace

// One second of inlay (25 frames): which frames carry the text in each timing mode.
TEST(Tdv_Superposer, ShowsTheTextAsTheTimingModeSays)
{
    using syntheticdv::At;
    using syntheticdv::Seconds;
    const TDateTime evening = At(2004, 7, 14, 15, 30, 12);
    const TDateTime midnight = At(2004, 7, 14, 23, 59, 58);
    const auto dates = [](TDateTime start, int frames, int jumpAt, double jumpSeconds) {
        std::vector<syntheticdv::Frame> result;
        for (int n = 0; n < frames; ++n)
            result.push_back(DatedFrame(start + Seconds(n / 25 + (n >= jumpAt ? jumpSeconds : 0))));
        return result;
    };
    const auto ranges = [](std::initializer_list<std::pair<int, int>> shown, int frames) {
        std::vector<bool> result(static_cast<size_t>(frames), false);
        for (const auto &[from, to] : shown)
            for (int n = from; n < to; ++n)
                result[static_cast<size_t>(n)] = true;
        return result;
    };
    const struct {
        const char *name;
        IncrustWhen when;
        std::vector<syntheticdv::Frame> frames;
        std::vector<bool> shown;
    } cases[] = {
        {"permanently", IncrustWhen::kPermanently, dates(evening, 40, 99, 0), ranges({{0, 40}}, 40)},
        {"once", IncrustWhen::kOnce, dates(evening, 40, 99, 0), ranges({{0, 23}}, 40)},
        // A one-second step is no new scene; a jump of three seconds is.
        {"each new scene", IncrustWhen::kEachNewScene, dates(evening, 80, 60, 3), ranges({{0, 25}, {60, 80}}, 80)},
        {"each new day", IncrustWhen::kEachNewDay, dates(midnight, 70, 99, 0), ranges({{0, 25}, {50, 70}}, 70)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SceneDetectCore core;
        Tdv_Superposer overlay(core);
        TincrustRec rec = LiteralText(QStringLiteral("X"), QStringLiteral("Y"));
        rec.Duration = 1;
        rec.When = c.when;
        overlay.SetOverlaySettings(rec);
        overlay.SetPosition(500, 900, IncrustAlignment::kCentred);
        const OverlayRun run = RunOverlay(overlay, core, c.frames, 96, 64);
        ASSERT_EQ(run.error, QString());
        ASSERT_EQ(run.pictures.size(), c.shown.size());
        EXPECT_EQ(overlay.DurationFrames(), 25);
        EXPECT_EQ(overlay.FrameCount(), static_cast<int32_t>(c.frames.size()));
        for (size_t n = 0; n < c.shown.size(); ++n)
            EXPECT_EQ(Drawn(run.pictures[n]), c.shown[n]) << "frame " << n;
    }
}

TEST(Tdv_Superposer, FillsTheTemplatesFromTheFrame)
{
    const TDateTime recorded = syntheticdv::At(2004, 7, 14, 15, 30, 12);
    syntheticdv::FrameSpec full;
    full.datecode = recorded;
    full.timecode = TTimecodeRec{1, 2, 3, 4};
    const struct {
        const char *name;
        syntheticdv::FrameSpec frameSpec;
        QString template1;
        QString template2;
        QString line1;
        QString line2;
    } cases[] = {
        {"datecode shifted by an hour", full, "%D1", "%d2", FormatDateTime("ddddd", recorded + 1.0 / 24),
         FormatDateTime("tt", recorded + 1.0 / 24)},
        {"timecode", full, "", "%T", "", "1:02:03:04"},
        {"nothing valid", syntheticdv::FrameSpec{}, "[%D1]", "[%T]", "[]", "[]"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SceneDetectCore core;
        Tdv_Superposer overlay(core);
        TincrustRec rec = LiteralText(c.template1, c.template2);
        rec.When = IncrustWhen::kPermanently;
        overlay.SetOverlaySettings(rec);
        overlay.SetTimeDifference(1.0 / 24);
        ASSERT_EQ(RunOverlay(overlay, core, {syntheticdv::MakeFrame(c.frameSpec)}, 96, 64).error, QString());
        EXPECT_EQ(overlay.Line1(), c.line1);
        EXPECT_EQ(overlay.Line2(), c.line2);
    }
    EXPECT_TRUE(FormatDateTime("tt", recorded + 1.0 / 24).contains(QStringLiteral("16:30:12")));
}

// Pixels change only inside the box of each line, placed as the alignment says, and
// they are text colour surrounded by outline colour.
TEST(Tdv_Superposer, DrawsWhereTheAlignmentSays)
{
    constexpr int kW = 720;
    constexpr int kH = 576;
    const QString line1 = QStringLiteral("Wide first line");
    const QString line2 = QStringLiteral("short");
    const struct {
        const char *name;
        IncrustAlignment alignment;
        int posX;
        int border;
        bool drawn;
    } cases[] = {
        {"left", IncrustAlignment::kLeft, 500, 2, true},
        {"centred", IncrustAlignment::kCentred, 500, 2, true},
        {"right", IncrustAlignment::kRight, 500, 2, true},
        {"subtitle ignores x", IncrustAlignment::kSubtitle, 100, 2, true},
        {"no border", IncrustAlignment::kRight, 500, 0, true},
        {"unknown alignment", static_cast<IncrustAlignment>(7), 500, 2, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SceneDetectCore core;
        Tdv_Superposer overlay(core);
        TincrustRec rec = LiteralText(line1, line2);
        rec.When = IncrustWhen::kPermanently;
        rec.BorderSize = c.border;
        overlay.SetOverlaySettings(rec);
        overlay.SetPosition(c.posX, 800, c.alignment);
        const OverlayRun run = RunOverlay(overlay, core, {syntheticdv::MakeFrame({})}, kW, kH);
        ASSERT_EQ(run.error, QString());
        ASSERT_EQ(run.pictures.size(), size_t{1});
        const Rgb24Picture &picture = run.pictures[0];

        const QFont font = overlay.Font();
        EXPECT_EQ(font.pixelSize(), 21);
        const QFontMetrics metrics(font);
        const int h = font.pixelSize();
        const int w1 = metrics.horizontalAdvance(line1);
        const int w2 = metrics.horizontalAdvance(line2);
        const int cx = kW * c.posX / 1000;
        const int by = kH * 800 / 1000;
        const std::pair<int, int> xs = c.alignment == IncrustAlignment::kLeft      ? std::pair(cx - w2 / 2, cx - w2 / 2)
                                     : c.alignment == IncrustAlignment::kCentred   ? std::pair(cx - w1 / 2, cx - w2 / 2)
                                     : c.alignment == IncrustAlignment::kSubtitle ? std::pair((kW - w1) / 2, (kW - w2) / 2)
                                                                                   : std::pair(cx - w1 + w2 / 2, cx - w2 / 2);
        const int b = c.border;
        const QRect box1(xs.first - b - 2, by - 2 * h - b, w1 + 2 * b + 4, metrics.height() + 2 * b);
        const QRect box2(xs.second - b - 2, by - h - b, w2 + 2 * b + 4, metrics.height() + 2 * b);
        int inBox1 = 0;
        int inBox2 = 0;
        int outline = 0;
        for (int y = 0; y < kH; ++y)
            for (int x = 0; x < kW; ++x) {
                const uint8_t *p = picture.At(x, y);
                if (p[0] == kGrey && p[1] == kGrey && p[2] == kGrey)
                    continue;
                ASSERT_TRUE(box1.contains(x, y) || box2.contains(x, y)) << x << "," << y;
                inBox1 += box1.contains(x, y);
                inBox2 += box2.contains(x, y);
                const bool white = p[0] == 255 && p[1] == 255 && p[2] == 255;
                const bool black = p[0] == 0 && p[1] == 0 && p[2] == 0;
                ASSERT_TRUE(white || black) << x << "," << y;
                outline += black;
                if (!white)
                    continue;
                for (int j = -b; j <= b; ++j)
                    for (int i = -b; i <= b; ++i)
                        ASSERT_NE(picture.At(x + i, y + j)[0], kGrey) << "outline missing at " << x + i << "," << y + j;
            }
        EXPECT_EQ(inBox1 > 0, c.drawn);
        EXPECT_EQ(inBox2 > 0, c.drawn);
        EXPECT_EQ(outline > 0, c.drawn && b > 0);
    }
}

TEST(Tdv_Superposer, KeepsTheStillDeinterlacedAndSaysAFramePassed)
{
    constexpr int kW = 64;
    constexpr int kH = 32;
    Rgb24Picture interlaced(kW, kH);
    interlaced.Fill(20, 30, 40);
    for (int y = 1; y < kH; y += 2)
        for (int x = 16; x < 48; ++x)
            interlaced.At(x, y)[0] = interlaced.At(x, y)[1] = interlaced.At(x, y)[2] = 230;
    QImage expected(kW, kH, QImage::Format_BGR888);
    for (int y = 0; y < kH; ++y)
        std::copy_n(interlaced.At(0, y), kW * 3, expected.scanLine(y));
    QImage source = expected.copy();
    QImage comb(kW, kH, QImage::Format_Grayscale8);
    QImage keep(kW, kH, QImage::Format_Grayscale8);
    ASSERT_TRUE(DeinterlacePicture(source, expected, comb, keep));
    ASSERT_NE(expected, source);

    for (const bool deinterlace : {false, true}) {
        SCOPED_TRACE(deinterlace ? "deinterlaced output" : "output as drawn");
        SceneDetectCore core;
        Tdv_Superposer overlay(core);
        overlay.SetEnabled(false);
        overlay.SetDeinterlace(deinterlace);
        FramePassed = false;
        const OverlayRun run =
            RunOverlay(overlay, core, {syntheticdv::MakeFrame({}), syntheticdv::MakeFrame({})}, kW, kH, &interlaced.bytes);
        ASSERT_EQ(run.error, QString());
        EXPECT_TRUE(FramePassed.load());
        ASSERT_EQ(run.pictures.size(), size_t{2});
        for (int y = 0; y < kH; ++y)
            ASSERT_TRUE(std::equal(run.pictures[1].At(0, y), run.pictures[1].At(0, y) + kW * 3,
                                   (deinterlace ? expected : source).constScanLine(y)))
                << "row " << y;
        QImage still(kW, kH, QImage::Format_BGR888);
        overlay.DrawStill(still);
        EXPECT_EQ(still, expected);
        QImage half(kW / 2, kH / 2, QImage::Format_BGR888);
        overlay.DeinterlaceStill(half);
        EXPECT_EQ(half.pixelColor(16, 8), expected.pixelColor(32, 16));
    }
}

TEST(Tdv_Superposer, SizesTheFontFromPointsOrFromThePictureWidth)
{
    SceneDetectCore core;
    Tdv_Superposer overlay(core);
    EXPECT_EQ(overlay.Font().pixelSize(), 21);
    TincrustRec rec;
    rec.Font.size = 12;
    rec.Font.italic = true;
    overlay.SetOverlaySettings(rec);
    EXPECT_EQ(overlay.Font().pixelSize(), 16);
    EXPECT_TRUE(overlay.Font().italic());
    EXPECT_FALSE(overlay.Font().bold());
    rec.AutoSize = true;
    overlay.SetOverlaySettings(rec);
    ASSERT_EQ(RunOverlay(overlay, core, {syntheticdv::MakeFrame({})}, 360, 64).error, QString());
    EXPECT_EQ(overlay.Font().pixelSize(), 360 * 21 / 720);
    // A change of settings while the size follows the picture keeps following it.
    rec.Font.color = Qt::yellow;
    overlay.SetOverlaySettings(rec);
    EXPECT_EQ(overlay.Font().pixelSize(), 360 * 21 / 720);
}

// A decoder that works ahead hands the overlay its frames one behind the datecode
// detector; the overlay still draws each frame's own date and time: the pictures are
// those of a decoder that does not, and the second's change lands on its frame.
TEST(Tdv_Superposer, DrawsEachFramesOwnDateAfterADecoderThatWorksAhead)
{
    QTemporaryDir dir;
    constexpr int kFrames = 30;  // 15:30:12 and, from frame 25, 15:30:13
    const std::vector<Bytes> frames = GeneratedDvFrames(dir.filePath(QStringLiteral("pal.avi")), false, kFrames);
    ASSERT_EQ(frames.size(), size_t{kFrames});
    VideoInfoHeader header;
    header.avgTimePerFrame = kFrameTime625;
    header.bmiHeader.width = 720;
    header.bmiHeader.height = 576;
    header.bmiHeader.compression = kSubtypeDvsd;
    std::vector<Bytes> drawn[2];
    for (const bool ahead : {false, true}) {
        SCOPED_TRACE(ahead ? "ahead" : "in step");
        SampleListSource source(MakeVideoType(kSubtypeDvsd, header), frames);
        Tdv_sceneDetect detector;
        DvDecoder decoder;
        decoder.SetDecodesAhead(ahead);
        Tdv_Superposer overlay(detector.Core());
        TincrustRec rec;
        rec.When = IncrustWhen::kPermanently;
        overlay.SetOverlaySettings(rec);
        KeepingSink sink;
        ASSERT_EQ(RunChain(source, {&detector, &decoder, &overlay}, sink), QString());
        drawn[ahead] = std::move(sink.samples);
        ASSERT_EQ(drawn[ahead].size(), size_t{kFrames});
    }
    EXPECT_TRUE(drawn[0] == drawn[1]);
    const auto textOf = [](const Bytes &picture) {
        return Bytes(picture.begin(), picture.begin() + static_cast<std::ptrdiff_t>(picture.size() / 4));
    };
    // The lines are at the bottom, which comes first in a bottom-up picture.
    EXPECT_NE(textOf(drawn[1][24]), textOf(drawn[1][25]));
    EXPECT_EQ(textOf(drawn[1][25]), textOf(drawn[1][26]));
}

// Without a still to keep, the overlay learns where it draws, the lines with a
// margin; a picture decoded for less than the lines cover is decoded whole again,
// so the result is that of a picture decoded whole.
TEST(Tdv_Superposer, LearnsWhereItDrawsAndCompletesPicturesDecodedInPart)
{
    QTemporaryDir dir;
    constexpr int kFrames = 4;
    const std::vector<Bytes> frames = GeneratedDvFrames(dir.filePath(QStringLiteral("pal.avi")), false, kFrames);
    ASSERT_EQ(frames.size(), size_t{kFrames});
    TincrustRec rec;
    rec.When = IncrustWhen::kPermanently;
    std::vector<Bytes> drawn[2];
    std::optional<QRect> learnt[2];
    std::vector<std::optional<PictureSource>> sources;
    for (const bool inPart : {false, true}) {
        SCOPED_TRACE(inPart ? "decoded in part" : "decoded whole");
        SampleListSource source(TestVideoType(), frames);
        Tdv_sceneDetect detector;
        DvDecoder decoder;
        CornerDecoded corner(frames);
        Tdv_Superposer overlay(detector.Core());
        overlay.SetOverlaySettings(rec);
        overlay.SetKeepsStill(!inPart);
        KeepingSink sink;
        std::vector<Filter *> chain{&detector, &decoder, &overlay};
        if (inPart)
            chain.insert(chain.begin() + 2, &corner);
        ASSERT_EQ(RunChain(source, chain, sink), QString());
        drawn[inPart] = std::move(sink.samples);
        learnt[inPart] = overlay.UsedArea().Known();
        if (inPart)
            sources = sink.sources;
    }
    ASSERT_EQ(drawn[1].size(), size_t{kFrames});
    EXPECT_TRUE(drawn[0] == drawn[1]);
    // The still kept, the whole picture is in use and nothing is learnt.
    EXPECT_FALSE(learnt[0]);
    ASSERT_TRUE(learnt[1]);
    // The lines sit bottom right by default.
    EXPECT_TRUE(QRect(0, 0, 720, 576).contains(*learnt[1]));
    EXPECT_GT(learnt[1]->center().x(), 360);
    EXPECT_GT(learnt[1]->center().y(), 288);
    for (const auto &source : sources) {
        ASSERT_TRUE(source);
        EXPECT_EQ(source->decoded, PictureSource::WholePicture());
    }
}
