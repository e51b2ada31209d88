// The per-frame logic of the DV header rewriter: puts back the metadata blocks
// that the scene detector saw in the source frame, shifts or overwrites the
// datecode and sets the aspect flag, touching no other byte of the frame.
//
// The settings are made by the command's thread before the graph runs; ProcessFrame
// runs on the streaming thread of the same graph as the detector it reads, which
// it does not own and which must outlive it.
#pragma once

#include "base/datetime.h"
#include "formats/bytes.h"
#include "media/dv_scenedetect.h"

#include <QString>

#include <cstdint>

// The source DV frame of a frame being rewritten; blocksInPlace: the frame was built
// on it and already has its metadata blocks.
struct FrameOrigin {
    ByteSpan frame;
    bool blocksInPlace = false;
};

class DvHeaderCore {
public:
    explicit DvHeaderCore(const SceneDetectCore &sceneDetector) : sceneDetector_(sceneDetector) {}
    DvHeaderCore(const DvHeaderCore &) = delete;
    DvHeaderCore &operator=(const DvHeaderCore &) = delete;

    // Back to the initial state that every graph build starts from.
    void Reset();

    void SetTimeDifference(double days) { timeDifference_ = days; }
    void SetStartDatecode(TDateTime value);
    void SetOverwriteDatecode(bool overwrite) { overwriteDatecode_ = overwrite; }
    void SetRestoreHeaders(bool restore) { restoreHeaders_ = restore; }
    // wide: 16:9 when true, 4:3 when false; written only while setAspect is on.
    void SetAspect(bool setAspect, bool wide);

    bool OverwriteDatecode() const { return overwriteDatecode_; }
    TDateTime NextDatecode() const { return nextDatecode_; }
    bool RestoreHeaders() const { return restoreHeaders_; }
    bool SetsAspect() const { return setAspect_; }
    bool Wide() const { return wide_; }
    double TimeDifference() const { return timeDifference_; }

    // Rewrites one sample in place; a sample of another size than a DV frame is left
    // alone. The metadata blocks restored are those of the origin's frame when there is
    // one, else the detector's copy of the frame it passed last.
    void ProcessFrame(MutableByteSpan sample, std::optional<FrameOrigin> origin = std::nullopt);

private:
    void Restore(MutableByteSpan frame, int sequences, const TSavedHeads &heads) const;

    const SceneDetectCore &sceneDetector_;
    bool overwriteDatecode_ = false;
    TDateTime startDatecode_ = 0;
    TDateTime nextDatecode_ = 0;
    int64_t elapsedTicks_ = 0;  // 1/30000 s since the start datecode
    bool restoreHeaders_ = true;
    bool setAspect_ = false;
    bool wide_ = false;
    double timeDifference_ = 0;
};

// The LIST INFO entry that tells a file's datecode was overwritten.
constexpr FourCC kOverwriteInfoId = MakeFourCC("IQNR");
// Its text, naming the present time.
QString DatecodeOverwrittenText(TDateTime now);
