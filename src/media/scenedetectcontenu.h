// TSceneDetectContenu: the scene detector by picture content. An in-place filter on
// decoded 24-bit pictures that leaves them untouched: it samples every 397th byte
// of each picture (at most 10000), counts the samples that changed by more than 16
// levels since the previous picture, and reports a cut when that count is large
// and well above the counts of the three pictures before. The frame number of a
// cut comes from the media time stamper before the decoder.
//
// One instance lives for the program's run; its samples and history carry over
// from one stream to the next. The callbacks are set on the controlling thread
// while the graph is stopped and are called on the streaming thread.
#pragma once

#include "media/dv_mediastamper.h"
#include "media/transinplacefilter.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

constexpr size_t kContentSamples = 10000;
constexpr size_t kContentSampleStep = 397;  // no multiple of 3: the samples mix blue, green and red
constexpr int kContentChangeLevel = 16;

using ContentSamples = std::array<uint8_t, kContentSamples>;
using ContentHistory = std::array<uint32_t, 3>;  // change counts of the last pictures, most recent first

// The number of sampled bytes of picture that differ from previous by more than
// kContentChangeLevel; previous then holds the picture's samples.
uint32_t ContentChangeCount(ByteSpan picture, ContentSamples &previous);
// Whether a change count makes a cut, for a picture of `length` bytes after the
// pictures of the history: more than 30 % of the samples, and more than twice each
// count of the history.
bool IsContentCut(uint32_t changes, size_t length, const ContentHistory &history);

class TSceneDetectContenu final : public TBCTransInPlaceFilter {
public:
    static constexpr const char *kGraphName = "scenedetectContenu";
    using CutCallback = std::function<void(int64_t frame)>;
    using EndCallback = std::function<void()>;

    explicit TSceneDetectContenu(const Tdv_MediaStamper &stamper);

    // Receives the frame of each cut, and at the end of the stream the frame after the
    // last one processed (0 when none was).
    void SetCutCallback(CutCallback callback) { cutCallback_ = std::move(callback); }
    // Called at the end of the stream, and when a run stops before it, so that the
    // owner can close what it writes.
    void SetEndCallback(EndCallback callback) { endCallback_ = std::move(callback); }

protected:
    bool CheckInputType(const MediaType &type) const override;
    StreamResult StartStreaming() override;
    StreamResult Transform(MediaSample &sample) override;
    StreamResult EndOfStream(InputPin &pin) override;
    StreamResult StopStreaming(bool stoppedEarly) override;

private:
    const Tdv_MediaStamper &stamper_;
    ContentSamples previous_{};
    ContentHistory history_{};
    std::optional<int64_t> lastFrame_;  // of this run
    bool endReported_ = false;
    CutCallback cutCallback_;
    EndCallback endCallback_;
};
