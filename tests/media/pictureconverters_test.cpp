#include "picturetestsupport.h"

#include "media/colorconverter.h"
#include "media/dvdecoder.h"
#include "media/mediaformats.h"
#include "media/pictureconverters.h"
#include "media/picturescaler.h"
#include "media/videodecoder.h"

#include <gtest/gtest.h>

namespace {

MediaType VideoOf(FourCC subtype, uint16_t bitCount = 24)
{
    VideoInfoHeader header;
    header.avgTimePerFrame = kFrameTime625;
    header.bmiHeader.width = 720;
    header.bmiHeader.height = 576;
    header.bmiHeader.bitCount = bitCount;
    header.bmiHeader.compression = subtype;
    return MakeVideoType(subtype, header);
}

}  // namespace

// An intelligent connection of each kind of video stream to a sink of RGB pictures
// goes through the converter made for it.
TEST(MakePictureConverter, BridgesEveryVideoStreamToRgbPictures)
{
    const struct {
        const char *name;
        MediaType type;
        const char *converter;  // friendly name, or null when none is made
    } cases[] = {
        {"DV video", VideoOf(kSubtypeDvsd), DvDecoder::kFriendlyName},
        {"interleaved DV", MakeInterleavedDvType(DvInfo{}), DvDecoder::kFriendlyName},
        {"MPEG-4", VideoOf(MakeFourCC("XVID")), VideoDecoder::kFriendlyName},
        {"YUY2", VideoOf(kSubtypeYuy2, 16), ColorConverter::kFriendlyName},
        {"RGB24 needs none", MakeRgb24VideoType(720, 576, kFrameTime625), nullptr},
        {"unknown code", VideoOf(MakeFourCC("abcd")), nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::unique_ptr<Filter> made = MakePictureConverter(c.type);
        ASSERT_EQ(made != nullptr, c.converter != nullptr);
        if (!made)
            continue;
        EXPECT_EQ(made->FriendlyName(), QString::fromLatin1(c.converter));
        FilterGraph graph;
        graph.AddConverterFactory(MakePictureConverter);
        SampleListSource source(c.type, {});
        KeepingSink sink(MediaType{MajorType::Video, kSubtypeRgb24, FormatType::VideoInfo});
        graph.AddFilter(source);
        graph.AddFilter(sink);
        EXPECT_TRUE(graph.ConnectIntelligent(source.Output(), sink.Input()));
        EXPECT_EQ(graph.Filters().size(), size_t{3});
    }
}
