// The DV video decoder filter: DV frames in, as a video stream ('dvsd') or an
// interleaved one ('iavs'), decoded at full resolution (720 x 576 or 720 x 480)
// with libavcodec's dvvideo on slice threads, so every frame comes out at once.
// The TV system is taken from the input format. Ownership and threads as for
// VideoDecoder.
#pragma once

#include "media/videodecoder.h"

class DvDecoder final : public VideoDecoder {
public:
    static constexpr const char *kFriendlyName = "DV Video Decoder";

    DvDecoder();

    // The TV system of a DV input type: the picture height or frame time of a video
    // format, the 50/60 flag of the VAUX source pack of a DV information block, else
    // the fixed frame size; 625/50 when nothing tells.
    static bool Is525(const MediaType &type);

    // Each picture carries the frame it was decoded from (PictureSource), so a DV
    // encoder after a partial change keeps the rest of the frame. Off until set; set
    // while the graph is stopped.
    void SetKeepsSourceFrames(bool keeps) { keepsSourceFrames_ = keeps; }
    // With source frames kept: once `area` knows which part of the pictures the graph
    // uses, only the segments under it are decoded (PictureSource::decoded). The
    // area outlives the runs; set while the graph is stopped; nullptr: whole pictures.
    void SetUsedArea(const UsedPictureArea *area) { usedArea_ = area; }
    // The graph reads only these bytes of each picture: only the pixels under them
    // are converted, the rest of each picture is undefined. nullopt: whole pictures.
    // Set while the graph is stopped.
    void SetSampledBytes(std::optional<SampledPictureBytes> bytes) { sampledBytes_ = bytes; }
    // With source frames kept: the graph reads the pictures only to deinterlace them
    // and takes what stays unchanged from the decoder's planes, so when the rows where
    // a comb may lie are few, only they are converted (PictureSource::decoded). Set
    // while the graph is stopped.
    void SetConvertsCombRowsOnly(bool only) { convertsCombRowsOnly_ = only; }

protected:
    std::optional<VideoDecoderSetup> SetupFor(const MediaType &type) const override;

private:
    bool keepsSourceFrames_ = false;
    const UsedPictureArea *usedArea_ = nullptr;
    std::optional<SampledPictureBytes> sampledBytes_;
    bool convertsCombRowsOnly_ = false;
};
