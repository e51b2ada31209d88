#include "picturetestsupport.h"

#include "formats/dvlayout.h"
#include "media/cellconverter.h"
#include "media/dv_deinter.h"
#include "media/dvdecoder.h"
#include "media/dvencoderfilter.h"
#include "media/dvsegmentmap.h"
#include "media/mediaformats.h"
#include "media/picturescaler.h"
#include "media/transformfilter.h"
#include "media/transinplacefilter.h"
#include "media/usedpicturearea.h"
#include "support/testsupport.h"

#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// Paints a white rectangle on each picture and says so in its picture source, as
// the date overlay does.
class RectanglePainter final : public TBCTransformFilter {
public:
    explicit RectanglePainter(QRect area) : TBCTransformFilter(QStringLiteral("Painter")), area_(area) {}

protected:
    bool CheckInputType(const MediaType &type) const override { return type.subtype == kSubtypeRgb24; }
    std::optional<MediaType> GetMediaType(int position) const override
    {
        return position == 0 ? std::optional(Input().ConnectionMediaType()) : std::nullopt;
    }
    StreamResult Transform(const MediaSample &input, MediaSample &output) override
    {
        Rgb24Picture picture(720, 576, Bytes(input.Data().begin(), input.Data().end()));
        for (int y = area_.top(); y <= area_.bottom(); ++y)
            for (int x = area_.left(); x <= area_.right(); ++x)
                std::fill_n(picture.At(x, y), 3, 255);
        std::copy(picture.bytes.begin(), picture.bytes.end(), output.Data().begin());
        if (input.Source()) {
            PictureSource source = *input.Source();
            source.changed = source.changed.united(area_);
            output.SetSource(source);
        }
        return StreamResult::Ok();
    }

private:
    QRect area_;
};

std::vector<Bytes> Decoded(const std::vector<Bytes> &frames, const MediaType &type)
{
    SampleListSource source(type, frames);
    DvDecoder decoder;
    KeepingSink pictures;
    if (!RunChain(source, {&decoder}, pictures).isEmpty())
        return {};
    return pictures.samples;
}

// Overwrites every pixel outside the part of the picture its source says was decoded.
class UndecodedScribbler final : public TBCTransInPlaceFilter {
public:
    UndecodedScribbler() : TBCTransInPlaceFilter(QStringLiteral("Scribbler")) {}

protected:
    bool CheckInputType(const MediaType &type) const override { return type.subtype == kSubtypeRgb24; }
    bool MarksItsChanges() const override { return true; }
    StreamResult Transform(MediaSample &sample) override
    {
        const int height = static_cast<int>(sample.ActualLength() / Rgb24RowBytes(720));
        Rgb24Picture picture(720, height, Bytes(sample.Data().begin(), sample.Data().end()));
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < 720; ++x)
                if (!sample.Source()->decoded.contains(x, y))
                    std::fill_n(picture.At(x, y), 3, static_cast<uint8_t>(x * 7 + y * 13));
        std::copy(picture.bytes.begin(), picture.bytes.end(), sample.Data().begin());
        return StreamResult::Ok();
    }
};

MediaType DvVideoType(bool ntsc)
{
    VideoInfoHeader header;
    header.avgTimePerFrame = ntsc ? kFrameTime525 : kFrameTime625;
    header.bmiHeader.width = 720;
    header.bmiHeader.height = ntsc ? 480 : 576;
    header.bmiHeader.compression = kSubtypeDvsd;
    return MakeVideoType(kSubtypeDvsd, header);
}

}  // namespace

// Generated frames decoded, encoded again in either system and decoded once more keep
// their pictures; FFmpeg reads the encoded frames as DV of the system asked for.
TEST(DvEncoderFilter, RoundTripKeepsThePicturesInTheSystemAsked)
{
    REQUIRE_TOOL("ffprobe");
    QTemporaryDir dir;
    constexpr int kFrames = 4;
    const std::vector<Bytes> frames = GeneratedDvFrames(dir.filePath(QStringLiteral("pal.avi")), false, kFrames);
    ASSERT_EQ(frames.size(), size_t{kFrames});
    for (const DvVideoFormat format : {DvVideoFormat::Pal, DvVideoFormat::Ntsc}) {
        const bool ntsc = format == DvVideoFormat::Ntsc;
        SCOPED_TRACE(ntsc ? "ntsc" : "pal");
        SampleListSource source(DvVideoType(false), frames);
        DvDecoder decoder;
        DvEncoderFilter encoder;
        encoder.SetFormatResolution(format);
        KeepingSink encoded;
        std::vector<MediaType> types;
        ASSERT_EQ(RunChain(source, {&decoder, &encoder}, encoded, &types), QString());
        EXPECT_EQ(types.at(1).subtype, kSubtypeDvsd);
        EXPECT_EQ(types.at(1).sampleSize, ntsc ? dvlayout::kFrameSize525 : dvlayout::kFrameSize625);
        ASSERT_EQ(encoded.samples.size(), size_t{kFrames});

        Bytes stream;
        for (const Bytes &frame : encoded.samples) {
            EXPECT_EQ(frame.size(), ntsc ? dvlayout::kFrameSize525 : dvlayout::kFrameSize625);
            stream.insert(stream.end(), frame.begin(), frame.end());
        }
        const QString raw = dir.filePath(QStringLiteral("encoded.dv"));
        ASSERT_TRUE(testsupport::WriteWholeFile(raw, QByteArray(reinterpret_cast<const char *>(stream.data()),
                                                                 static_cast<qsizetype>(stream.size()))));
        const auto probe = testsupport::Run("ffprobe", {"-v", "error", "-count_frames", "-select_streams", "v:0",
                                                        "-show_entries", "stream=codec_name,width,height,nb_read_frames",
                                                        "-of", "csv=p=0", raw});
        EXPECT_EQ(probe.out.trimmed(), QByteArray(ntsc ? "dvvideo,720,480,4" : "dvvideo,720,576,4"));

        SampleListSource again(DvVideoType(ntsc), encoded.samples);
        DvDecoder redecoder;
        KeepingSink pictures;
        ASSERT_EQ(RunChain(again, {&redecoder}, pictures), QString());
        ASSERT_EQ(pictures.samples.size(), size_t{kFrames});
        for (int n = 0; n < kFrames; ++n)
            EXPECT_EQ(FrameNumberOf(Rgb24Picture(720, ntsc ? 480 : 576, pictures.samples[n])), n);
    }
}

TEST(DvEncoderFilter, TakesOnly24BitPictures)
{
    DvEncoderFilter encoder;
    FilterGraph graph;
    graph.AddFilter(encoder);
    SampleListSource dv(DvVideoType(false), {});
    SampleListSource rgb(MakeRgb24VideoType(352, 288, kFrameTime625), {});
    graph.AddFilter(dv);
    graph.AddFilter(rgb);
    EXPECT_FALSE(graph.Connect(dv.Output(), encoder.Input()));
    EXPECT_TRUE(graph.Connect(rgb.Output(), encoder.Input()));
}

// Each video segment is five macroblocks of four 8 x 8 luma blocks, so it holds 20
// cells, and every cell belongs to exactly one segment.
TEST(DvSegmentMap, EverySegmentHoldsFiveMacroblocks)
{
    for (const bool ntsc : {false, true}) {
        SCOPED_TRACE(ntsc ? "ntsc" : "pal");
        const DvSegmentMap *map = DvSegmentMap::Of(ntsc);
        ASSERT_NE(map, nullptr);
        ASSERT_EQ(map->SegmentCount(), ntsc ? 270 : 324);
        std::vector<int> cells(static_cast<size_t>(map->SegmentCount()), 0);
        for (int y = 0; y < (ntsc ? 480 : 576); y += 8)
            for (int x = 0; x < 720; x += 8) {
                std::vector<uint8_t> selected;
                map->Select(QRect(x, y, 8, 8), selected);
                ASSERT_EQ(std::count(selected.begin(), selected.end(), 1), 1) << x << "," << y;
                ++cells[static_cast<size_t>(std::find(selected.begin(), selected.end(), 1) - selected.begin())];
            }
        for (const int count : cells)
            EXPECT_EQ(count, 20);
        std::vector<uint8_t> none;
        map->Select(QRect(800, 0, 16, 16), none);
        EXPECT_EQ(std::count(none.begin(), none.end(), 1), 0);
    }
}

// A picture that is its source frame's decoding comes out as that frame, bit for bit;
// one changed in a rectangle has only the segments under it encoded anew: outside
// them the decoded picture is exactly the source's, inside it shows the change, and
// FFmpeg decodes the frames without complaint.
TEST(DvEncoderFilter, KeepsTheSegmentsOutsideTheChange)
{
    REQUIRE_TOOL("ffmpeg");
    QTemporaryDir dir;
    constexpr int kFrames = 3;
    const std::vector<Bytes> frames = GeneratedDvFrames(dir.filePath(QStringLiteral("pal.avi")), false, kFrames);
    ASSERT_EQ(frames.size(), size_t{kFrames});
    {
        SampleListSource source(DvVideoType(false), frames);
        DvDecoder decoder;
        decoder.SetKeepsSourceFrames(true);
        DvEncoderFilter encoder;
        KeepingSink encoded;
        ASSERT_EQ(RunChain(source, {&decoder, &encoder}, encoded), QString());
        EXPECT_EQ(encoded.samples, frames);
    }
    const QRect area(500, 500, 150, 40);
    SampleListSource source(DvVideoType(false), frames);
    DvDecoder decoder;
    decoder.SetKeepsSourceFrames(true);
    RectanglePainter painter(area);
    DvEncoderFilter encoder;
    KeepingSink encoded;
    ASSERT_EQ(RunChain(source, {&decoder, &painter, &encoder}, encoded), QString());
    ASSERT_EQ(encoded.samples.size(), size_t{kFrames});

    const std::vector<Bytes> before = Decoded(frames, DvVideoType(false));
    const std::vector<Bytes> after = Decoded(encoded.samples, DvVideoType(false));
    ASSERT_EQ(after.size(), size_t{kFrames});
    const DvSegmentMap *map = DvSegmentMap::Of(false);
    ASSERT_NE(map, nullptr);
    std::vector<uint8_t> touched;
    map->Select(area, touched);
    const auto segmentsAnew = std::count(touched.begin(), touched.end(), 1);
    EXPECT_LT(segmentsAnew, 324 / 4);
    for (int n = 0; n < kFrames; ++n) {
        // Five 80-byte blocks a segment; every other block, headers included, is the source's.
        int differing = 0;
        for (size_t block = 0; block < frames[n].size() / 80; ++block)
            differing += !std::equal(frames[n].begin() + block * 80, frames[n].begin() + block * 80 + 80,
                                     encoded.samples[n].begin() + block * 80);
        EXPECT_LE(differing, segmentsAnew * 5);
        EXPECT_GT(differing, 0);
        const Rgb24Picture old(720, 576, before[n]);
        const Rgb24Picture now(720, 576, after[n]);
        int kept = 0;
        for (int y = 0; y < 576; y += 8)
            for (int x = 0; x < 720; x += 8) {
                std::vector<uint8_t> cell;
                map->Select(QRect(x, y, 8, 8), cell);
                const auto segment = static_cast<size_t>(std::find(cell.begin(), cell.end(), 1) - cell.begin());
                if (touched[segment])
                    continue;
                ++kept;
                for (int row = y; row < y + 8; ++row)
                    ASSERT_TRUE(std::equal(old.At(x, row), old.At(x, row) + 24, now.At(x, row))) << x << "," << row;
            }
        EXPECT_GT(kept, 324 * 20 * 3 / 4);
        for (int y = area.top() + 2; y < area.bottom() - 2; y += 3)
            for (int x = area.left() + 2; x < area.right() - 2; x += 3)
                EXPECT_GT(now.At(x, y)[1], 235) << x << "," << y;
    }

    Bytes stream;
    for (const Bytes &frame : encoded.samples)
        stream.insert(stream.end(), frame.begin(), frame.end());
    const QString raw = dir.filePath(QStringLiteral("partial.dv"));
    ASSERT_TRUE(testsupport::WriteWholeFile(
        raw, QByteArray(reinterpret_cast<const char *>(stream.data()), static_cast<qsizetype>(stream.size()))));
    const auto decode = testsupport::Run("ffmpeg", {"-v", "error", "-i", raw, "-f", "null", "-"});
    EXPECT_EQ(decode.exitCode, 0);
    EXPECT_EQ(decode.err.trimmed(), QByteArray());
}

// Once the part of the pictures in use is known, the decoder decodes only the
// segments under it, converts only that part and says so; those pixels are the
// whole decoding's, and a change inside them is encoded as from a whole picture. Until it is known, and for an
// encoder asked to encode what was not decoded, nothing is taken on trust.
TEST(DvDecoder, DecodesOnlyTheSegmentsUnderTheAreaInUse)
{
    QTemporaryDir dir;
    constexpr int kFrames = 3;
    const std::vector<Bytes> frames = GeneratedDvFrames(dir.filePath(QStringLiteral("pal.avi")), false, kFrames);
    ASSERT_EQ(frames.size(), size_t{kFrames});
    const std::vector<Bytes> whole = Decoded(frames, DvVideoType(false));
    ASSERT_EQ(whole.size(), size_t{kFrames});
    const QRect area(500, 500, 150, 40);

    UsedPictureArea used;
    const auto decodeWith = [&](KeepingSink &pictures) {
        SampleListSource source(DvVideoType(false), frames);
        DvDecoder decoder;
        decoder.SetKeepsSourceFrames(true);
        decoder.SetUsedArea(&used);
        return RunChain(source, {&decoder}, pictures);
    };
    KeepingSink unknown;
    ASSERT_EQ(decodeWith(unknown), QString());
    ASSERT_EQ(unknown.sources.size(), size_t{kFrames});
    EXPECT_EQ(unknown.samples, whole);
    for (const auto &source : unknown.sources)
        EXPECT_EQ(source->decoded, PictureSource::WholePicture());

    used.Add(area);
    KeepingSink partial;
    ASSERT_EQ(decodeWith(partial), QString());
    ASSERT_EQ(partial.samples.size(), size_t{kFrames});
    for (int n = 0; n < kFrames; ++n) {
        EXPECT_EQ(partial.sources[n]->decoded, area);
        const Rgb24Picture full(720, 576, whole[n]);
        const Rgb24Picture part(720, 576, partial.samples[n]);
        ASSERT_TRUE(partial.sources[n]->planes);
        for (int y = area.top() / 8 * 8; y <= area.bottom(); y += 8)
            for (int x = area.left() / 8 * 8; x <= area.right(); x += 8)
                for (int row = y; row < y + 8; ++row)
                    for (int i = 0; i < 24; ++i)
                        ASSERT_LE(std::abs(full.At(x, row)[i] - part.At(x, row)[i]), 3) << x << "," << row;
    }

    // The painter changes the area in use: only its segments are made anew.
    {
        SampleListSource source(DvVideoType(false), frames);
        DvDecoder decoder;
        decoder.SetKeepsSourceFrames(true);
        decoder.SetUsedArea(&used);
        RectanglePainter painter(area);
        DvEncoderFilter encoder;
        KeepingSink encoded;
        ASSERT_EQ(RunChain(source, {&decoder, &painter, &encoder}, encoded), QString());
        ASSERT_EQ(encoded.samples.size(), size_t{kFrames});
        const std::vector<Bytes> after = Decoded(encoded.samples, DvVideoType(false));
        ASSERT_EQ(after.size(), size_t{kFrames});
        const Rgb24Picture now(720, 576, after[0]);
        for (int y = area.top() + 2; y < area.bottom() - 2; y += 3)
            for (int x = area.left() + 2; x < area.right() - 2; x += 3)
                EXPECT_GT(now.At(x, y)[1], 235) << x << "," << y;
    }
    // A change past the part decoded is refused, not encoded from undefined pixels;
    // so is a scale into the other system, even of a change in whole cells decoded: it
    // would read the segments not decoded.
    const struct {
        const char *name;
        QRect painted;
        DvVideoFormat format;
    } refused[] = {{"change past the part", QRect(10, 10, 40, 40), DvVideoFormat::Pal},
                   {"other system", QRect(504, 504, 136, 32), DvVideoFormat::Ntsc}};
    for (const auto &c : refused) {
        SCOPED_TRACE(c.name);
        SampleListSource source(DvVideoType(false), frames);
        DvDecoder decoder;
        decoder.SetKeepsSourceFrames(true);
        decoder.SetUsedArea(&used);
        RectanglePainter painter(c.painted);
        DvEncoderFilter encoder;
        encoder.SetFormatResolution(c.format);
        KeepingSink encoded;
        EXPECT_NE(RunChain(source, {&decoder, &painter, &encoder}, encoded), QString());
        EXPECT_TRUE(encoded.samples.empty());
    }
}

// Encoded in the other system, a picture that names its source is scaled from the
// decoder's own planes where it can be: unchanged or changed in a small part (the
// part patched in from its RGB bytes), the frames decode as near the RGB path's as
// two roundings allow and show the change; past a small share, it is the RGB path's.
TEST(DvEncoderFilter, ScalesFromTheDecodersPlanesAcrossSystems)
{
    QTemporaryDir dir;
    constexpr int kFrames = 3;
    const std::vector<Bytes> frames = GeneratedDvFrames(dir.filePath(QStringLiteral("pal.avi")), false, kFrames);
    ASSERT_EQ(frames.size(), size_t{kFrames});
    const auto encodeNtsc = [&](bool namesSource, std::optional<QRect> painted) {
        SampleListSource source(DvVideoType(false), frames);
        DvDecoder decoder;
        decoder.SetKeepsSourceFrames(namesSource);
        RectanglePainter painter(painted.value_or(QRect()));
        DvEncoderFilter encoder;
        encoder.SetFormatResolution(DvVideoFormat::Ntsc);
        KeepingSink encoded;
        std::vector<Filter *> chain{&decoder};
        if (painted)
            chain.push_back(&painter);
        chain.push_back(&encoder);
        EXPECT_EQ(RunChain(source, chain, encoded), QString());
        return encoded.samples;
    };
    const struct {
        const char *name;
        std::optional<QRect> painted;
    } cases[] = {
        {"unchanged", std::nullopt},
        {"small change", QRect(500, 500, 150, 40)},
        {"large change", QRect(0, 0, 600, 400)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<Bytes> fromRgb = encodeNtsc(false, c.painted);
        const std::vector<Bytes> fromPlanes = encodeNtsc(true, c.painted);
        ASSERT_EQ(fromRgb.size(), size_t{kFrames});
        ASSERT_EQ(fromPlanes.size(), size_t{kFrames});
        if (c.painted && c.painted->width() * c.painted->height() > 720 * 576 / 8) {
            EXPECT_EQ(fromPlanes, fromRgb);
            continue;
        }
        EXPECT_NE(fromPlanes, fromRgb);
        const std::vector<Bytes> rgbPictures = Decoded(fromRgb, DvVideoType(true));
        const std::vector<Bytes> planePictures = Decoded(fromPlanes, DvVideoType(true));
        ASSERT_EQ(planePictures.size(), size_t{kFrames});
        for (int n = 0; n < kFrames; ++n) {
            const Rgb24Picture expected(720, 480, rgbPictures[n]);
            const Rgb24Picture now(720, 480, planePictures[n]);
            EXPECT_EQ(FrameNumberOf(now), n);
            int64_t difference = 0;
            for (size_t i = 0; i < now.bytes.size(); ++i)
                difference += std::abs(now.bytes[i] - expected.bytes[i]);
            EXPECT_LT(static_cast<double>(difference) / static_cast<double>(now.bytes.size()), 1.5);
            if (!c.painted)
                continue;
            // The rectangle, scaled to 480 lines.
            const QRect area = *c.painted;
            for (int y = area.top() * 480 / 576 + 2; y < area.bottom() * 480 / 576 - 2; y += 3)
                for (int x = area.left() + 2; x < area.right() - 2; x += 3)
                    EXPECT_GT(now.At(x, y)[1], 235) << x << "," << y;
        }
    }
}

// Told which bytes the graph reads, the decoder converts the pixels under them to
// within the cell conversion's steps of the whole picture's and leaves the rest.
TEST(DvDecoder, ConvertsOnlyTheSampledBytes)
{
    QTemporaryDir dir;
    constexpr int kFrames = 2;
    for (const bool ntsc : {false, true}) {
        SCOPED_TRACE(ntsc ? "ntsc" : "pal");
        const std::vector<Bytes> frames = GeneratedDvFrames(dir.filePath(QStringLiteral("dv.avi")), ntsc, kFrames);
        ASSERT_EQ(frames.size(), size_t{kFrames});
        const std::vector<Bytes> whole = Decoded(frames, DvVideoType(ntsc));
        constexpr SampledPictureBytes kSampled{397, 10000};
        SampleListSource source(DvVideoType(ntsc), frames);
        DvDecoder decoder;
        decoder.SetSampledBytes(kSampled);
        KeepingSink pictures;
        ASSERT_EQ(RunChain(source, {&decoder}, pictures), QString());
        ASSERT_EQ(pictures.samples.size(), size_t{kFrames});
        for (int n = 0; n < kFrames; ++n) {
            const Bytes &sampled = pictures.samples[n];
            ASSERT_EQ(sampled.size(), whole[n].size());
            for (size_t i = 0; i < kSampled.count && kSampled.step * i < sampled.size(); ++i) {
                const size_t at = kSampled.step * i;
                ASSERT_LE(std::abs(sampled[at] - whole[n][at]), 3) << at;
            }
            EXPECT_NE(sampled, whole[n]);
        }
    }
}

// Told that the graph reads its pictures only to deinterlace them, the decoder
// converts only the bands around the odd rows that may hold combs, when they are
// few: there the deinterlaced picture is the whole one's, outside it the
// deinterlacer would change nothing, and an encoder scaling into the other system
// never reads the rest. Combs over much of the picture have it all converted.
TEST(DvDecoder, ConvertsOnlyTheFewRowsThatMayHoldCombs)
{
    constexpr int kFrames = 2;
    // A bottom-up picture deinterlaced, as top-down rows.
    const auto deinterlaced = [](const Bytes &bottomUp, int height) {
        const Rgb24Picture picture(720, height, bottomUp);
        QImage image(720, height, QImage::Format_BGR888);
        for (int y = 0; y < height; ++y)
            std::copy_n(picture.At(0, y), 3 * 720, image.scanLine(y));
        QImage out(image.size(), QImage::Format_BGR888);
        QImage comb(image.size(), QImage::Format_Grayscale8);
        QImage keep(image.size(), QImage::Format_Grayscale8);
        EXPECT_TRUE(DeinterlacePicture(image, out, comb, keep));
        return std::pair(image, out);
    };
    const struct {
        const char *name;
        int combTop, combEnd;
        bool converted;  // the whole picture
    } cases[] = {{"few rows", 200, 232, false}, {"many rows", 100, 400, true}};
    for (const bool ntsc : {false, true})
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(ntsc ? "ntsc " : "pal ") + c.name);
            const int height = ntsc ? 480 : 576;
            // Grey pictures with two interlaced bars far apart, their fields 20 pixels
            // apart, and a third a frame.
            std::vector<Bytes> pictures;
            for (int n = 0; n < kFrames; ++n) {
                Rgb24Picture picture(720, height);
                picture.Fill(90, 100, 110);
                for (int y = c.combTop; y < c.combEnd; ++y)
                    for (const int left : {20, 600, 300 + 100 * n})
                        for (int x = left + 20 * (y % 2); x < left + 60 + 20 * (y % 2); ++x)
                            std::fill_n(picture.At(x, y), 3, 235);
                pictures.push_back(picture.bytes);
            }
            SampleListSource rgb(MakeRgb24VideoType(720, height, ntsc ? kFrameTime525 : kFrameTime625), pictures);
            DvEncoderFilter toDv;
            toDv.SetFormatResolution(ntsc ? DvVideoFormat::Ntsc : DvVideoFormat::Pal);
            KeepingSink interlaced;
            ASSERT_EQ(RunChain(rgb, {&toDv}, interlaced), QString());

            // Deinterlaced, then perhaps scribbled on outside the part decoded, then
            // perhaps encoded in the other system.
            const auto run = [&](bool scribbles, bool encodes, KeepingSink &sink) {
                SampleListSource source(DvVideoType(ntsc), interlaced.samples);
                DvDecoder decoder;
                decoder.SetKeepsSourceFrames(true);
                decoder.SetConvertsCombRowsOnly(true);
                Tdv_deinter deinter;
                UndecodedScribbler scribbler;
                DvEncoderFilter encoder;
                encoder.SetFormatResolution(ntsc ? DvVideoFormat::Pal : DvVideoFormat::Ntsc);
                std::vector<Filter *> chain{&decoder, &deinter};
                if (scribbles)
                    chain.push_back(&scribbler);
                if (encodes)
                    chain.push_back(&encoder);
                EXPECT_EQ(RunChain(source, chain, sink), QString());
            };
            KeepingSink screened, encoded, scribbledEncoded;
            run(false, false, screened);
            run(false, true, encoded);
            run(true, true, scribbledEncoded);
            ASSERT_EQ(screened.samples.size(), size_t{kFrames});
            ASSERT_EQ(encoded.samples.size(), size_t{kFrames});
            EXPECT_EQ(scribbledEncoded.samples, encoded.samples);

            const std::vector<Bytes> whole = Decoded(interlaced.samples, DvVideoType(ntsc));
            for (int n = 0; n < kFrames; ++n) {
                const PictureSource &source = *screened.sources[n];
                ASSERT_TRUE(source.planes);
                EXPECT_FALSE(source.changed.isEmpty());
                const Rgb24Picture out(720, height, screened.samples[n]);
                if (c.converted) {
                    // As without the screen: libswscale's picture, deinterlaced.
                    EXPECT_EQ(source.decoded, PictureSource::WholePicture());
                    const QImage expected = deinterlaced(whole[n], height).second;
                    for (int y = 0; y < height; ++y)
                        ASSERT_TRUE(std::equal(expected.constScanLine(y), expected.constScanLine(y) + 3 * 720, out.At(0, y)))
                            << "row " << y;
                    continue;
                }
                const QRect decoded = source.decoded;
                EXPECT_EQ(decoded.left(), 0);
                EXPECT_EQ(decoded.width(), 720);
                EXPECT_LE(decoded.top(), c.combTop);
                EXPECT_GE(decoded.bottom(), c.combEnd - 1);
                EXPECT_LE(decoded.height(), height / 10);
                EXPECT_TRUE(decoded.contains(source.changed));
                // The whole picture as the cell converter makes it, deinterlaced.
                Bytes cells(Rgb24ImageSize(720, height));
                ConvertAreaToRgb(*source.planes, QRect(0, 0, 720, height), cells, 720, height);
                const auto [image, expected] = deinterlaced(cells, height);
                for (int y = 0; y < height; ++y) {
                    const uint8_t *row = expected.constScanLine(y);
                    if (decoded.contains(0, y))
                        ASSERT_TRUE(std::equal(row, row + 3 * 720, out.At(0, y))) << "row " << y;
                    else
                        ASSERT_TRUE(std::equal(row, row + 3 * 720, image.constScanLine(y))) << "row " << y;
                }
            }
        }
}
