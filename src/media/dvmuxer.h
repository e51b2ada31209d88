// The stock DV Muxer: puts the sound of one or two PCM streams inside the DV frames
// of a 'dvsd' video stream and delivers whole DV frames as an interleaved stream.
// Pins: the inputs "Input 1" ..., then the output "Output" last. Connecting the last
// input adds a new free one, so the input second from the end of the list is always
// the free one; builders connect the video
// first, so the list reads video input, sound inputs, output. One sound stream is written as
// 16-bit sound at its own rate (48000, 44100 or 32000 Hz); two streams, both at
// 32000 Hz, as the two pairs of 12-bit sound. Mono sound fills both channels.
//
// The output's type carries the DV information block of the frames it delivers: their
// first frame's video packs when that frame can be read from the file before the run
// (else the system alone), and the sound packs the muxer writes.
//
// Each frame takes the samples its place in the recording calls for; what arrives
// early on one input waits for the other, a sound stream that has ended (or falls
// too far behind) is filled with silence, and the stream ends with the video. Every
// byte of the video frame outside the sound is kept.
//
// The creator owns the filter; connection hooks on the controlling thread, the rest
// on the streaming thread.
#pragma once

#include "formats/dvinfo.h"
#include "media/muxfilter.h"

#include <cstdint>
#include <deque>
#include <vector>

class DvMuxer final : public MuxFilter {
public:
    DvMuxer();

    // The inputs in pin order; the last is free.
    OutputPin &Output() const { return output_; }

    // Video frames held back waiting for their sound, at most.
    static constexpr size_t kMaxQueuedFrames = 50;

protected:
    bool AcceptInputType(const InputPin &pin, const MediaType &type) const override;
    std::vector<MediaType> OutputTypes(const OutputPin &pin) const override;
    StreamResult StartStreaming() override;
    StreamResult Receive(InputPin &pin, MediaSample &sample) override;
    StreamResult EndOfStream(InputPin &pin) override;
    void Flush() override;

private:
    struct Sound {
        InputPin *pin = nullptr;
        int channels = 0;
        std::vector<int16_t> pending;  // interleaved stereo, from sample `firstSample` on
        int64_t firstSample = 0;
        std::vector<int16_t> frameSamples;
    };

    // The connected input carrying this major type, other than `except`.
    InputPin *Connected(MajorType major, const InputPin *except = nullptr) const;
    DvInfo ExpectedDvInfo(const InputPin &video) const;
    // Samples per channel that the next frame to deliver carries.
    int64_t SamplesWanted(const MediaSample &frame) const;
    // Of those, how many have arrived on a sound input.
    int64_t Available(const Sound &sound, int64_t wanted) const;
    StreamResult DeliverReadyFrames();
    StreamResult DeliverFrame(MediaSample &frame, int64_t wanted);

    OutputPin &output_;

    // Streaming thread.
    InputPin *video_ = nullptr;
    std::vector<Sound> sounds_;
    int rate_ = 0;
    int bits_ = 16;
    // A frame is copied once, when it arrives; its sound goes into the copy, which is delivered.
    std::deque<MediaSample> queued_;
    std::vector<MediaSample> spareFrames_;
    int64_t framesOut_ = 0;
    int64_t samplesOut_ = 0;  // per channel, in the frames delivered
    bool ended_ = false;
};
