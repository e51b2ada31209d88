#include "media/colorconverter.h"

#include "media/mediaformats.h"

extern "C" {
#include <libavutil/pixfmt.h>
}

#include <array>
#include <cstdlib>
#include <utility>

namespace {

constexpr int kMaxDimension = 8192;

enum class PlaneLayout { PackedBottomUp, PackedTopDown, Planar420, Planar420SwappedChroma };

struct SubtypeFormat {
    FourCC subtype;
    AVPixelFormat pixelFormat;
    int bytesPerPixel;  // of the packed layouts
    PlaneLayout layout;
};

constexpr std::array kSubtypeFormats = {
    SubtypeFormat{kSubtypeRgb24, AV_PIX_FMT_BGR24, 3, PlaneLayout::PackedBottomUp},
    SubtypeFormat{kSubtypeRgb32, AV_PIX_FMT_BGR0, 4, PlaneLayout::PackedBottomUp},
    SubtypeFormat{kSubtypeYuy2, AV_PIX_FMT_YUYV422, 2, PlaneLayout::PackedTopDown},
    SubtypeFormat{kSubtypeUyvy, AV_PIX_FMT_UYVY422, 2, PlaneLayout::PackedTopDown},
    SubtypeFormat{kSubtypeI420, AV_PIX_FMT_YUV420P, 1, PlaneLayout::Planar420},
    SubtypeFormat{kSubtypeIyuv, AV_PIX_FMT_YUV420P, 1, PlaneLayout::Planar420},
    SubtypeFormat{kSubtypeYv12, AV_PIX_FMT_YUV420P, 1, PlaneLayout::Planar420SwappedChroma},
};

const SubtypeFormat *FindSubtype(FourCC subtype)
{
    for (const SubtypeFormat &entry : kSubtypeFormats)
        if (entry.subtype == subtype)
            return &entry;
    return nullptr;
}

}  // namespace

UncompressedLayout UncompressedPictureLayout(FourCC subtype, int width, int height, MutableByteSpan bytes)
{
    UncompressedLayout result;
    const SubtypeFormat *format = FindSubtype(subtype);
    if (!format || width <= 0 || height <= 0)
        return result;
    result.pixelFormat = format->pixelFormat;
    const auto w = static_cast<size_t>(width);
    const auto h = static_cast<size_t>(height);
    switch (format->layout) {
    case PlaneLayout::PackedBottomUp:
    case PlaneLayout::PackedTopDown: {
        const size_t row = (w * static_cast<size_t>(format->bytesPerPixel) + 3) / 4 * 4;
        if (bytes.size() < row * h)
            return result;
        const bool bottomUp = format->layout == PlaneLayout::PackedBottomUp;
        result.planes.data[0] = bytes.data() + (bottomUp ? row * (h - 1) : 0);
        result.planes.stride[0] = bottomUp ? -static_cast<int>(row) : static_cast<int>(row);
        break;
    }
    case PlaneLayout::Planar420:
    case PlaneLayout::Planar420SwappedChroma: {
        const size_t chromaWidth = (w + 1) / 2;
        const size_t chromaSize = chromaWidth * ((h + 1) / 2);
        if (bytes.size() < w * h + 2 * chromaSize)
            return result;
        result.planes.data[0] = bytes.data();
        result.planes.data[1] = bytes.data() + w * h;
        result.planes.data[2] = bytes.data() + w * h + chromaSize;
        if (format->layout == PlaneLayout::Planar420SwappedChroma)
            std::swap(result.planes.data[1], result.planes.data[2]);
        result.planes.stride[0] = width;
        result.planes.stride[1] = result.planes.stride[2] = static_cast<int>(chromaWidth);
        break;
    }
    }
    return result;
}

ColorConverter::ColorConverter() : TBCTransformFilter(QString::fromLatin1(kFriendlyName)) {}

bool ColorConverter::Converts(FourCC subtype)
{
    return FindSubtype(subtype) != nullptr;
}

void ColorConverter::SetOutputSize(int width, int height)
{
    const bool valid = width > 0 && height > 0 && width <= kMaxDimension && height <= kMaxDimension;
    requested_ = valid ? Size{width, height} : Size{};
}

std::optional<ColorConverter::Size> ColorConverter::InputSize(const MediaType &type) const
{
    if (type.majorType != MajorType::Video || type.formatType != FormatType::VideoInfo || !FindSubtype(type.subtype))
        return std::nullopt;
    const std::optional<VideoInfoHeader> header = ParseVideoInfoHeader(type.FormatBytes());
    if (!header)
        return std::nullopt;
    const Size size{header->bmiHeader.width, std::abs(header->bmiHeader.height)};
    if (size.width <= 0 || size.height <= 0 || size.width > kMaxDimension || size.height > kMaxDimension)
        return std::nullopt;
    return size;
}

ColorConverter::Size ColorConverter::OutputSize(Size input) const
{
    return requested_.width > 0 ? requested_ : input;
}

bool ColorConverter::CheckInputType(const MediaType &type) const
{
    return InputSize(type).has_value();
}

std::optional<MediaType> ColorConverter::GetMediaType(int position) const
{
    if (position != 0)
        return std::nullopt;
    const MediaType &input = Input().ConnectionMediaType();
    const std::optional<Size> size = InputSize(input);
    if (!size)
        return std::nullopt;
    const Size output = OutputSize(*size);
    const std::optional<VideoInfoHeader> header = ParseVideoInfoHeader(input.FormatBytes());
    return MakeRgb24VideoType(output.width, output.height, header ? header->avgTimePerFrame : 0);
}

StreamResult ColorConverter::StartStreaming()
{
    const std::optional<Size> size = InputSize(Input().ConnectionMediaType());
    if (!size)
        return StreamResult::Error(QStringLiteral("The colour converter does not know the type of its input."));
    input_ = *size;
    output_ = OutputSize(input_);
    return StreamResult::Ok();
}

StreamResult ColorConverter::Transform(const MediaSample &input, MediaSample &output)
{
    const ByteSpan data = input.Data();
    // The bytes are only read: libswscale takes its sources through non-const pointers.
    const UncompressedLayout source = UncompressedPictureLayout(
        Input().ConnectionMediaType().subtype, input_.width, input_.height,
        MutableByteSpan(const_cast<uint8_t *>(data.data()), data.size()));
    if (!source.planes.data[0])
        return StreamResult::Error(QStringLiteral("A picture given to the colour converter is too short."));
    if (!output.SetActualLength(Rgb24ImageSize(output_.width, output_.height)))
        return StreamResult::Error(QStringLiteral("The colour converter's buffer is too small."));
    if (!scaler_.Scale(source.planes, input_.width, input_.height, source.pixelFormat,
                       Rgb24BottomUpPlanes(output.Data(), output_.width, output_.height), output_.width,
                       output_.height, AV_PIX_FMT_BGR24))
        return StreamResult::Error(QStringLiteral("The picture could not be converted."));
    output.SetSyncPoint(true);
    return StreamResult::Ok();
}
