// The DV video encoder filter: pictures in as 24-bit bottom-up RGB (subtype
// RGB24) of any size, DV frames out ('dvsd', 25 Mbit/s, whole 144000- or
// 120000-byte frames) in the format chosen with SetFormatResolution, on
// DvVideoEncoder. A picture of another size is scaled to the DV size. The owner
// creates and destroys it; SetFormatResolution on the controlling thread while the
// graph is stopped, before the output is connected; hooks as for Filter.
#pragma once

#include "media/dvvideoencoder.h"
#include "media/picturescaler.h"
#include "media/transformfilter.h"

struct AVFrame;

enum class DvVideoFormat { Pal, Ntsc };

class DvEncoderFilter final : public TBCTransformFilter {
public:
    static constexpr const char *kFriendlyName = "DV Video Encoder";

    DvEncoderFilter();
    ~DvEncoderFilter() override;

    // The TV system of the frames made, at full resolution; PAL until set.
    void SetFormatResolution(DvVideoFormat format) { format_ = format; }
    DvVideoFormat FormatResolution() const { return format_; }

protected:
    bool CheckInputType(const MediaType &type) const override;
    std::optional<MediaType> GetMediaType(int position) const override;
    StreamResult Transform(const MediaSample &input, MediaSample &output) override;
    StreamResult StartStreaming() override;
    StreamResult StopStreaming(bool stoppedEarly) override;

private:
    void Close();

    DvVideoFormat format_ = DvVideoFormat::Pal;
    DvVideoEncoder encoder_;
    PictureScaler scaler_{ScalerQuality::Fast};
    AVFrame *picture_ = nullptr;
    int inputWidth_ = 0;
    int inputHeight_ = 0;
    int64_t frames_ = 0;
};
