// Picture conversions on libswscale between libav pictures and the layout the
// program's picture filters share: 24-bit rows in blue-green-red byte order,
// bottom-up, each row padded to 4 bytes. An instance is used on one thread at a
// time (a filter's streaming thread or one of its workers); it owns its scaling
// contexts and remakes them only when a size or a pixel format changes.
#pragma once

#include "formats/bytes.h"
#include "media/mediaformats.h"

#include <cstddef>
#include <cstdint>

struct AVBufferRef;
struct AVFrame;
struct SwsContext;

// Bytes of one padded row of a 24-bit picture.
constexpr size_t Rgb24RowBytes(int width) { return (static_cast<size_t>(width) * 3 + 3) / 4 * 4; }
constexpr size_t Rgb24ImageSize(int width, int height) { return Rgb24RowBytes(width) * static_cast<size_t>(height); }

// The media type of decoded pictures of this size: video, subtype RGB24, a
// VIDEOINFOHEADER of bit count 24 with a positive (bottom-up) height.
MediaType MakeRgb24VideoType(int width, int height, MediaTime avgTimePerFrame);

// Planes of a picture as libswscale takes them: up to four pointers and strides
// (negative for bottom-up rows).
struct PicturePlanes {
    uint8_t *data[4] = {};
    int stride[4] = {};
};

// The planes of a 24-bit bottom-up picture held in bytes (at least Rgb24ImageSize).
PicturePlanes Rgb24BottomUpPlanes(MutableByteSpan bytes, int width, int height);
// The planes of a libav picture.
PicturePlanes PlanesOf(const AVFrame &frame);

// Accurate: bicubic, interpolated chroma and exact rounding, as FFmpeg's own conversions;
// Fast: at the same size, swscale's direct colour converters, several times faster,
// and otherwise bicubic without exact rounding, for the pictures a codec takes or gives.
enum class ScalerQuality { Accurate, Fast };

class PictureScaler {
public:
    explicit PictureScaler(ScalerQuality quality = ScalerQuality::Accurate) : quality_(quality) {}
    ~PictureScaler();
    PictureScaler(const PictureScaler &) = delete;
    PictureScaler &operator=(const PictureScaler &) = delete;

    // Converts and scales a picture; pixel formats are AVPixelFormat values.
    // False when libswscale cannot convert between the two.
    bool Scale(const PicturePlanes &source, int sourceWidth, int sourceHeight, int sourceFormat,
               const PicturePlanes &target, int targetWidth, int targetHeight, int targetFormat);
    // The same between two pictures that hold their buffers (target's sized and
    // allocated), in slices on a thread per processor core: for a stage of a
    // pipeline whose other threads wait on it.
    bool ScaleInSlices(const AVFrame &source, AVFrame &target);
    // Into planes the caller holds (a 24-bit picture, say).
    bool ScaleInSlices(const AVFrame &source, const PicturePlanes &target, int targetWidth, int targetHeight,
                       int targetFormat);

private:
    int Flags(int sourceWidth, int sourceHeight, int sourceFormat, int targetWidth, int targetHeight,
              int targetFormat) const;

    ScalerQuality quality_;
    SwsContext *context_ = nullptr;
    SwsContext *sliceContext_ = nullptr;  // made for one source and target shape
    int sliceShape_[6] = {};
    AVBufferRef *heldElsewhere_ = nullptr;  // stands for the buffer of planes the caller holds
    AVFrame *wrapper_ = nullptr;            // those planes as a frame
};
