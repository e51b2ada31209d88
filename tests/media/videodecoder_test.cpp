#include "picturetestsupport.h"

#include "formats/dvlayout.h"
#include "media/dvdecoder.h"
#include "media/mediaformats.h"
#include "media/picturescaler.h"
#include "media/videodecoder.h"
#include "media/videofourccs.h"
#include "support/testsupport.h"

extern "C" {
#include <libavcodec/codec_id.h>
}

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

MediaType DvVideoType(bool ntsc)
{
    VideoInfoHeader header;
    header.avgTimePerFrame = ntsc ? kFrameTime525 : kFrameTime625;
    header.bmiHeader.width = 720;
    header.bmiHeader.height = ntsc ? 480 : 576;
    header.bmiHeader.compression = kSubtypeDvsd;
    header.bmiHeader.sizeImage = static_cast<uint32_t>(ntsc ? dvlayout::kFrameSize525 : dvlayout::kFrameSize625);
    return MakeVideoType(kSubtypeDvsd, header);
}

// FFmpeg's own decoding of a file's first video stream, as top-down blue-green-red rows.
Bytes PeerDecoding(const QString &file)
{
    const auto decoded = testsupport::Run("ffmpeg", {"-v", "error", "-i", file, "-f", "rawvideo", "-pix_fmt", "bgr24", "-"});
    return Bytes(decoded.out.begin(), decoded.out.end());
}

// Mean absolute difference of our bottom-up picture against frame n of the peer's top-down pictures.
double MeanDifference(const Rgb24Picture &ours, const Bytes &peer, size_t n)
{
    const size_t row = static_cast<size_t>(ours.width) * 3;
    const size_t frame = row * static_cast<size_t>(ours.height);
    if (peer.size() < (n + 1) * frame)
        return 255;
    uint64_t sum = 0;
    for (int y = 0; y < ours.height; ++y)
        for (size_t i = 0; i < row; ++i)
            sum += static_cast<uint64_t>(std::abs(ours.At(0, y)[i] - peer[n * frame + static_cast<size_t>(y) * row + i]));
    return static_cast<double>(sum) / static_cast<double>(frame);
}

}  // namespace

TEST(DvDecoder, DecodesTheGeneratedPicturesInBothSystems)
{
    REQUIRE_TOOL("ffmpeg");
    for (const bool ntsc : {false, true}) {
        SCOPED_TRACE(ntsc ? "ntsc" : "pal");
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("fixture.avi"));
        constexpr int kFrames = 5;
        std::vector<Bytes> frames = GeneratedDvFrames(file, ntsc, kFrames);
        ASSERT_EQ(frames.size(), size_t{kFrames});
        SampleListSource source(DvVideoType(ntsc), frames, ntsc ? kFrameTime525 : kFrameTime625);
        DvDecoder decoder;
        KeepingSink sink(MediaType{MajorType::Video, kSubtypeRgb24, FormatType::VideoInfo});
        std::vector<MediaType> types;
        ASSERT_EQ(RunChain(source, {&decoder}, sink, &types), QString());

        const int height = ntsc ? 480 : 576;
        const auto output = ParseVideoInfoHeader(types.at(0).FormatBytes());
        ASSERT_TRUE(output);
        EXPECT_EQ(output->bmiHeader.width, 720);
        EXPECT_EQ(output->bmiHeader.height, height);
        EXPECT_EQ(output->bmiHeader.bitCount, 24);
        EXPECT_EQ(output->avgTimePerFrame, ntsc ? kFrameTime525 : kFrameTime625);
        const Bytes peer = PeerDecoding(file);
        ASSERT_EQ(sink.samples.size(), size_t{kFrames});
        for (int n = 0; n < kFrames; ++n) {
            ASSERT_EQ(sink.samples[n].size(), Rgb24ImageSize(720, height));
            const Rgb24Picture picture(720, height, sink.samples[n]);
            EXPECT_EQ(FrameNumberOf(picture), n);
            EXPECT_LT(MeanDifference(picture, peer, static_cast<size_t>(n)), 3.0) << "frame " << n;
            EXPECT_EQ(sink.mediaTimes[n], (MediaTimeRange{n, n + 1}));
        }
    }
}

TEST(DvDecoder, TakesTheSystemFromTheInputFormat)
{
    DvInfo pal;
    pal.vauxSrc = 0xFF'3F'FF'FF;  // PC3 with the 50/60 bit set
    DvInfo ntsc;
    ntsc.vauxSrc = 0xFF'1F'FF'FF;
    MediaType bySize = MakeInterleavedDvType(DvInfo{0, 0, 0, 0, 0xFFFFFFFF, 0, {}});
    bySize.sampleSize = static_cast<uint32_t>(dvlayout::kFrameSize525);
    const struct {
        MediaType type;
        bool is525;
    } cases[] = {
        {DvVideoType(false), false},           {DvVideoType(true), true},
        {MakeInterleavedDvType(pal), false},   {MakeInterleavedDvType(ntsc), true},
        {bySize, true},                        {MakeInterleavedDvType(DvInfo{}), false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(DvDecoder::Is525(c.type), c.is525);
}

TEST(VideoDecoder, KnowsTheCodecsByTheirCodeInEitherCase)
{
    const struct {
        const char *code;
        std::optional<int> codec;
    } cases[] = {
        {"XVID", AV_CODEC_ID_MPEG4}, {"xvid", AV_CODEC_ID_MPEG4},  {"dvsd", AV_CODEC_ID_DVVIDEO},
        {"MJPG", AV_CODEC_ID_MJPEG}, {"H264", AV_CODEC_ID_H264},   {"abcd", std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(VideoCodecForFourCC(MakeFourCC(c.code)), c.codec) << c.code;
    EXPECT_EQ(VideoCodecForFourCC(kSubtypeRgb24), std::nullopt);
}

// MPEG-4 with B-frames: the decoder holds pictures back and gives the rest at the end.
TEST(VideoDecoder, DecodesAsFfmpegDoesWithPicturesHeldBack)
{
    REQUIRE_TOOL("ffmpeg");
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("mpeg4.avi"));
    constexpr int kFrames = 12;
    const auto made = testsupport::Run("ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "testsrc2=size=320x240:rate=25",
                                                  "-frames:v", QString::number(kFrames), "-c:v", "mpeg4", "-bf", "2",
                                                  "-q:v", "3", "-vtag", "XVID", file});
    ASSERT_EQ(made.exitCode, 0) << made.err.constData();
    FourCC handler = 0;
    Bytes format;
    std::vector<Bytes> chunks = VideoChunks(file, &handler, &format);
    ASSERT_EQ(chunks.size(), size_t{kFrames});
    const auto bitmap = ParseBitmapInfoHeader(format);
    ASSERT_TRUE(bitmap);
    VideoInfoHeader header;
    header.avgTimePerFrame = kFrameTime625;
    header.bmiHeader = *bitmap;
    MediaType type = MakeVideoType(handler, header);
    type.format.append(reinterpret_cast<const char *>(format.data()) + BitmapInfoHeader::kSize,
                       static_cast<qsizetype>(format.size() - BitmapInfoHeader::kSize));

    SampleListSource source(type, chunks);
    VideoDecoder decoder;
    KeepingSink sink;
    ASSERT_EQ(RunChain(source, {&decoder}, sink), QString());
    const Bytes peer = PeerDecoding(file);
    ASSERT_EQ(sink.samples.size(), size_t{kFrames});
    for (int n = 0; n < kFrames; ++n) {
        EXPECT_LT(MeanDifference(Rgb24Picture(320, 240, sink.samples[n]), peer, static_cast<size_t>(n)), 3.0)
            << "frame " << n;
        EXPECT_EQ(sink.mediaTimes[n], (MediaTimeRange{n, n + 1}));
    }
}

TEST(VideoDecoder, RefusesPicturesItCannotDecode)
{
    VideoDecoder decoder;
    SampleListSource rgb(MakeRgb24VideoType(320, 240, kFrameTime625), {});
    FilterGraph graph;
    graph.AddFilter(rgb);
    graph.AddFilter(decoder);
    EXPECT_FALSE(graph.Connect(rgb.Output(), decoder.Input()));
    VideoInfoHeader huge;
    huge.bmiHeader.width = 100000;
    huge.bmiHeader.height = 576;
    SampleListSource damaged(MakeVideoType(MakeFourCC("XVID"), huge), {});
    graph.AddFilter(damaged);
    EXPECT_FALSE(graph.Connect(damaged.Output(), decoder.Input()));
}
