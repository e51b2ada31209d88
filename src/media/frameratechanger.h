// Changes the frame rate of a video stream (decoded pictures or DV frames) for a
// change of TV system: each frame is passed on as many times (none, once or more)
// as new frames start during it, so frames are repeated or dropped evenly and the
// running time stays that of the source. The new frames are stamped with their own
// times and frame numbers; a repeat is a copy of the frame as it came, so an
// in-place filter after this one changes each delivery from the same bytes.
//
// The creator owns the filter; SetTargetRate on the controlling thread while the
// graph is stopped, the streaming hooks on the streaming thread.
#pragma once

#include "media/filter.h"
#include "media/mediasample.h"

#include <cstdint>

// A frame rate as frames per second num / den.
struct FrameRate {
    int64_t num = 25;
    int64_t den = 1;
};

constexpr FrameRate kFrameRate625{25, 1};
constexpr FrameRate kFrameRate525{30000, 1001};

// The rate a frame time in 100 ns units stands for: the 525-line one near 333667.
FrameRate FrameRateOfFrameTime(MediaTime frameTime);
// How many frames at `to` start before frame `frame` at `from` starts: frames
// [Count(n), Count(n + 1)) of the new stream come from frame n of the source.
int64_t FramesStartedBefore(int64_t frame, FrameRate from, FrameRate to);

class FrameRateChanger final : public Filter {
public:
    static constexpr const char *kGraphName = "FrameRate";
    FrameRateChanger();

    InputPin &Input() const { return input_; }
    OutputPin &Output() const { return output_; }
    void SetTargetRate(FrameRate rate) { target_ = rate; }

protected:
    bool AcceptInputType(const InputPin &pin, const MediaType &type) const override;
    std::vector<MediaType> OutputTypes(const OutputPin &pin) const override;
    StreamResult StartStreaming() override;
    StreamResult Receive(InputPin &pin, MediaSample &sample) override;
    void Flush() override;

private:
    FrameRate SourceRate() const;

    InputPin &input_;
    OutputPin &output_;
    FrameRate target_ = kFrameRate625;
    // Streaming thread.
    FrameRate source_ = kFrameRate625;
    int64_t received_ = 0;   // source pictures since the start or the last seek
    int64_t delivered_ = 0;  // new frames since then
    int64_t firstFrame_ = 0; // source frame number of the first picture
    MediaSample original_;   // the frame as it came, while it is repeated
    MediaSample repeat_;
};
