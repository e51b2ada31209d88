// The DV video encoder filter: pictures in as 24-bit bottom-up RGB (subtype
// RGB24) of any size, DV frames out ('dvsd', 25 Mbit/s, whole 144000- or
// 120000-byte frames) in the format chosen with SetFormatResolution, on
// DvVideoEncoder. A picture of another size is scaled to the DV size. The owner
// creates and destroys it; SetFormatResolution on the controlling thread while the
// graph is stopped, before the output is connected; hooks as for Filter.
// A picture that carries its source DV frame (PictureSource) of the same system is
// encoded as that frame with only the segments under its changed part made anew;
// the frame made then carries that source too. A picture of another size that
// carries the decoder's own planar picture and changes little of it, or was decoded
// only in part, is scaled from those planes, on the encoding thread, with only its
// changed cells converted from RGB.
//
// Frames are encoded two at once, each on a worker thread of the filter with an
// encoder of its own: frame n is handed to one while the other finishes frame
// n - 1, which then goes downstream, and the streaming thread goes on to make the
// picture of n + 1. So a frame that names its source leaves one Receive late; one
// that does not leaves at once, encoded on the streaming thread by an encoder that
// spreads the frame over the codec's threads. The end of the stream, a flush and a
// stop first wait for the frames in hand.
#pragma once

#include "media/dvvideoencoder.h"
#include "base/jobworker.h"
#include "media/picturescaler.h"
#include "media/filter.h"

#include <memory>
#include <optional>

struct AVFrame;

enum class DvVideoFormat { Pal, Ntsc };

class DvEncoderFilter final : public Filter {
public:
    static constexpr const char *kFriendlyName = "DV Video Encoder";

    DvEncoderFilter();
    ~DvEncoderFilter() override;

    // The TV system of the frames made, at full resolution; PAL until set.
    void SetFormatResolution(DvVideoFormat format) { format_ = format; }
    DvVideoFormat FormatResolution() const { return format_; }
    // The frames made keep their pictures' frame time rather than take the system's,
    // for a graph that changes the frame rate after encoding. Off until set.
    void SetKeepsFrameTime(bool keeps) { keepsFrameTime_ = keeps; }

    InputPin &Input() const { return input_; }
    OutputPin &Output() const { return output_; }

protected:
    bool AcceptInputType(const InputPin &pin, const MediaType &type) const override;
    std::vector<MediaType> OutputTypes(const OutputPin &pin) const override;
    StreamResult StartStreaming() override;
    StreamResult StopStreaming(bool stoppedEarly) override;
    StreamResult Receive(InputPin &pin, MediaSample &sample) override;
    StreamResult EndOfStream(InputPin &pin) override;
    void Flush() override;

private:
    // One frame: its picture converted on the streaming thread, encoded on its lane.
    struct Job {
        AVFrame *picture = nullptr;
        MediaSample output;
        bool encode = true;  // false: the output is complete already (its source's copy)
        std::shared_ptr<const std::vector<uint8_t>> keep;  // the frame built on, if any
        std::vector<uint8_t> segments;                     // the segments made anew on it
        // The planar picture the worker scales into `picture` before encoding: the
        // decoder's own, or `patched` when the picture changed some of it.
        std::shared_ptr<const AVFrame> scaleFrom;
        AVFrame *patched = nullptr;
        StreamResult result = StreamResult::Ok();
    };

    void Close();
    // Streaming thread: everything of a frame but the encoding.
    StreamResult Prepare(const MediaSample &input, Job &job);
    // Whether Prepare could leave the scale to the worker, from the source's planes
    // and, where the picture changed them, its RGB bytes.
    bool ScalesFromPlanes(const PictureSource &origin, ByteSpan rgb, Job &job);
    // A worker, or the streaming thread for frames that leave at once, with the
    // encoder and scaler of that thread.
    static void Encode(Job &job, DvVideoEncoder &encoder, PictureScaler &planeScaler);
    // Waits for the frame in hand on a lane, if any, and delivers it.
    StreamResult DeliverFinished(int lane);

    // An encoder and its worker thread.
    struct Lane {
        DvVideoEncoder encoder;
        PictureScaler planeScaler{ScalerQuality::Fast};
        JobWorker<Job> worker;
    };
    void StopLanes();

    InputPin &input_;
    OutputPin &output_;
    DvVideoFormat format_ = DvVideoFormat::Pal;
    bool keepsFrameTime_ = false;
    DvVideoEncoder encoder_;  // streaming thread: the frames that leave at once
    PictureScaler scaler_{ScalerQuality::Fast};
    PictureScaler planeScaler_{ScalerQuality::Fast};  // for encoder_, from the source's planes
    int inputWidth_ = 0;
    int inputHeight_ = 0;
    int64_t frames_ = 0;

    // Job i runs on lane i; frames take them in turn.
    Job jobs_[2];
    Lane lanes_[2];
    int nextJob_ = 0;
};
