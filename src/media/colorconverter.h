// The colour converter and scaler on libswscale: uncompressed pictures in (24- and
// 32-bit RGB, YUY2, UYVY, I420/IYUV, YV12), 24-bit bottom-up RGB out (subtype
// RGB24), at the input's size or the one set with SetOutputSize. The owner creates
// and destroys it; SetOutputSize on the controlling thread while the graph is
// stopped, before the output is connected; hooks as for Filter.
#pragma once

#include "media/picturescaler.h"
#include "media/transformfilter.h"

constexpr FourCC kSubtypeRgb32 = MakeFourCC('R', 'G', 'B', 32);
constexpr FourCC kSubtypeYuy2 = MakeFourCC("YUY2");
constexpr FourCC kSubtypeUyvy = MakeFourCC("UYVY");
constexpr FourCC kSubtypeI420 = MakeFourCC("I420");
constexpr FourCC kSubtypeIyuv = MakeFourCC("IYUV");
constexpr FourCC kSubtypeYv12 = MakeFourCC("YV12");

// Where the planes of an uncompressed picture lie in a sample, and their pixel format.
struct UncompressedLayout {
    int pixelFormat = -1;  // AVPixelFormat
    PicturePlanes planes;  // empty when the sample is too short
};

// The layout of a picture of this subtype and size in bytes: RGB rows bottom-up and
// padded to 4 bytes, YUV rows top-down. Empty planes for a subtype not listed or a
// sample too short for the picture.
UncompressedLayout UncompressedPictureLayout(FourCC subtype, int width, int height, MutableByteSpan bytes);

class ColorConverter final : public TBCTransformFilter {
public:
    static constexpr const char *kFriendlyName = "Color Space Converter";

    ColorConverter();

    // Whether the converter reads pictures of this subtype.
    static bool Converts(FourCC subtype);

    // 0 x 0 keeps the input's size.
    void SetOutputSize(int width, int height);

protected:
    bool CheckInputType(const MediaType &type) const override;
    std::optional<MediaType> GetMediaType(int position) const override;
    StreamResult Transform(const MediaSample &input, MediaSample &output) override;
    StreamResult StartStreaming() override;

private:
    struct Size {
        int width = 0;
        int height = 0;
    };
    std::optional<Size> InputSize(const MediaType &type) const;
    Size OutputSize(Size input) const;

    Size requested_;
    Size input_;
    Size output_;
    PictureScaler scaler_;
};
