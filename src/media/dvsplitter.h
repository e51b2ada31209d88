// The DV splitter: takes an interleaved DV stream on "Input" and, once connected,
// offers "DVVidOut0", a 'dvsd' video stream carrying every DV frame unchanged, and
// one 16-bit PCM stream per stereo pair that the first frame (or, when it cannot be
// read, the stream's DV information block) announces ("AudOut00", "AudOut01"), in
// that pin order after the input. Each frame
// gives its sound the frame's sample times. Hooks on the graph's threads as for Filter.
#pragma once

#include "formats/dvaudio.h"
#include "media/filter.h"

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class DvSplitter final : public Filter {
public:
    DvSplitter();

    InputPin &Input() const { return input_; }

protected:
    bool AcceptInputType(const InputPin &pin, const MediaType &type) const override;
    std::vector<MediaType> OutputTypes(const OutputPin &pin) const override;
    bool CompleteConnect(Pin &pin) override;
    void BreakConnect(Pin &pin) override;
    StreamResult StartStreaming() override;
    StreamResult Receive(InputPin &pin, MediaSample &sample) override;

private:
    static constexpr size_t kMaxAudioOutputs = 2;  // the two stereo pairs of 12-bit sound

    struct AudioOutput {
        OutputPin *pin = nullptr;
        DvAudioPairs pair = DvAudioPairs::First;
    };

    std::optional<DvInfo> FirstFrameInfo() const;
    void RemoveOutputs();
    MediaSample &FillSound(const AudioOutput &output, const MediaSample &frame);

    InputPin &input_;
    OutputPin *video_ = nullptr;
    std::vector<AudioOutput> audio_;
    bool is525_ = false;
    int audioRate_ = 0;
    int64_t frames_ = 0;  // DV frames since streaming started, for the sound of a frame without any
    std::array<int16_t, kDvMaxAudioSamples * 2> pcm_{};
};
