// Makes the DV frames of a recording plan one after the other: the test
// pattern encoded as DV, the datecode and timecode packs a camcorder writes,
// the aspect flag, and a tone in the audio blocks.
#pragma once

#include "media/dvvideoencoder.h"
#include "recordingplan.h"

#include <QString>

#include <optional>
#include <vector>

struct AVFrame;

class FrameMaker {
public:
    explicit FrameMaker(const RecordingPlan &plan);
    ~FrameMaker();
    FrameMaker(const FrameMaker &) = delete;
    FrameMaker &operator=(const FrameMaker &) = delete;

    std::optional<QString> Open();
    int64_t TotalFrames() const;
    size_t FrameSize() const { return encoder_.FrameSize(); }
    int AudioRate() const;

    // Makes the next frame into frame (FrameSize() bytes); pcm receives the
    // interleaved stereo sound the frame carries (empty without sound).
    std::optional<QString> Next(MutableByteSpan frame, std::vector<int16_t> &pcm);

private:
    void AdvanceTimecode();

    const RecordingPlan &plan_;
    DvVideoEncoder encoder_;
    AVFrame *picture_ = nullptr;
    size_t stretch_ = 0;
    int frameInStretch_ = 0;
    int64_t frameNumber_ = 0;
    TTimecodeRec timecode_;
    double tonePhase_ = 0;
};
