// The scene file made from picture-content cuts: every cut ends the scene in
// progress, so the scenes are contiguous and cover the video. The content
// detector's cut callback feeds it on the streaming thread; one thread uses it.
#pragma once

#include "scenes/scnfile.h"

#include <cstdint>

class TContentSceneCuts {
public:
    // The writer must outlive this; it starts a video at frame 0.
    explicit TContentSceneCuts(TwriteScene &writer) : writer_(writer) {}

    // A cut at the frame: writes [LastCut, frame) and starts the next scene there.
    // The end of the stream arrives as a cut at the frame count. A cut at frame 0
    // (the first picture of a run) or at no later frame than the last cut writes nothing.
    void OnCut(int64_t frame);

    int32_t LastCut() const { return lastCut_; }

private:
    TwriteScene &writer_;
    int32_t lastCut_ = 0;
};
