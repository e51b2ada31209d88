// Tdv_DVheader: the in-place filter that rewrites the metadata inside each DV frame
// on its way to the new file (datecode shifted or overwritten, aspect flag, the
// source frame's metadata blocks put back after a re-encode), through DvHeaderCore;
// picture and sound are never touched. It reads the header copy of the datecode
// scene detector it is given, which must outlive it.
//
// One instance lives for the program's run. The settings are made on the command's
// thread while the graph is stopped; Transform runs on the streaming thread.
#pragma once

#include "media/dv_dvheader.h"
#include "media/transinplacefilter.h"

class Tdv_DVheader final : public TBCTransInPlaceFilter {
public:
    explicit Tdv_DVheader(const SceneDetectCore &sceneDetector);

    static constexpr const char *kGraphName = "dv_DVHeader";

    // The initial state that every graph build starts from.
    void Reset() { core_.Reset(); }

    void SetTimeDifference(double days) { core_.SetTimeDifference(days); }
    void SetStartDatecode(TDateTime value) { core_.SetStartDatecode(value); }
    void SetOverwriteDatecode(bool overwrite) { core_.SetOverwriteDatecode(overwrite); }
    void SetRestoreHeaders(bool restore) { core_.SetRestoreHeaders(restore); }
    // wide: 16:9 when true, 4:3 when false; written only while setAspect is on.
    void SetAspect(bool setAspect, bool wide) { core_.SetAspect(setAspect, wide); }

    const DvHeaderCore &Core() const { return core_; }

protected:
    // Interleaved DV of any subtype, or DV video ('dvsd').
    bool CheckInputType(const MediaType &type) const override;
    // Never fails: a sample that is no DV frame passes unchanged.
    StreamResult Transform(MediaSample &sample) override;

private:
    DvHeaderCore core_;
};
