// Tdv_sceneDetect: the datecode scene detector as a filter. It passes every sample
// on untouched and hands each DV frame to its SceneDetectCore, which reports scenes,
// text lines and the end of the stream through its callbacks. Accepts the
// interleaved DV stream and 'dvsd' video.
//
// The owner creates the filter and keeps it for the life of its graph. The callback
// setters are for a stopped graph; the callbacks run on the streaming thread.
// SetOverlaySettings, Published and SavedHeads may be called from any thread; Core
// and Current between samples (a stopped or paused graph, or the streaming thread).
#pragma once

#include "media/dv_scenedetect.h"
#include "media/transinplacefilter.h"

class Tdv_sceneDetect final : public TBCTransInPlaceFilter {
public:
    Tdv_sceneDetect();

    void SetSceneCallback(SceneDetectCore::SceneCallback callback) { core_.SetSceneCallback(std::move(callback)); }
    void SetSubtitleCallback(SceneDetectCore::SubtitleCallback callback)
    {
        core_.SetSubtitleCallback(std::move(callback));
    }
    void SetEndCallback(SceneDetectCore::EndCallback callback) { core_.SetEndCallback(std::move(callback)); }
    // Taken at the next start of streaming or, while streaming, before the next frame.
    void SetOverlaySettings(const TincrustRec &rec) { core_.SetOverlaySettings(rec); }
    // Number each frame by the media time the splitter gave it rather than by the
    // frames passed since streaming started, so that after a seek Published().Frame
    // is the file's frame number (the player). Off by default; for a stopped graph.
    void SetFramesFromMediaTimes(bool on) { framesFromMediaTimes_ = on; }

    // The filters after the detector (overlay, header rewriter) read it.
    const SceneDetectCore &Core() const { return core_; }
    const TFrameInfo &Current() const { return core_.Current(); }
    TFrameInfo Published() const { return core_.Published(); }
    void ClearPublished() { core_.ClearPublished(); }
    TSavedHeads SavedHeads() const { return core_.SavedHeads(); }

protected:
    bool CheckInputType(const MediaType &type) const override;
    StreamResult StartStreaming() override;
    StreamResult Transform(MediaSample &sample) override;
    StreamResult EndOfStream(InputPin &pin) override;
    // A run stopped before its end reports no last scene.
    StreamResult StopStreaming(bool stoppedEarly) override;

private:
    SceneDetectCore core_;
    bool framesFromMediaTimes_ = false;
};
