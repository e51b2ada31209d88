#include "picturetestsupport.h"

#include "formats/dvlayout.h"
#include "media/dvdecoder.h"
#include "media/dvencoderfilter.h"
#include "media/mediaformats.h"
#include "support/testsupport.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

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
