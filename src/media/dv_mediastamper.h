// Tdv_MediaStamper: a pass-through filter that remembers the media times (frame
// numbers) of the last sample through it. It sits right after the splitter, where
// samples still carry their frame numbers, so that a filter after a decoder (which
// drops media times) can learn which frame it is looking at. Accepts every type and
// never touches the data. One instance lives for the program's run; its fields carry
// over from one run to the next. Written on the streaming thread; MediaStart and
// MediaStop may be read from any thread, each on its own (atomics).
#pragma once

#include "media/transinplacefilter.h"

#include <atomic>
#include <cstdint>

class Tdv_MediaStamper final : public TBCTransInPlaceFilter {
public:
    Tdv_MediaStamper();

    static constexpr const char *kGraphName = "MediaStamper";

    int64_t MediaStart() const { return mediaStart_.load(std::memory_order_relaxed); }
    int64_t MediaStop() const { return mediaStop_.load(std::memory_order_relaxed); }

protected:
    bool CheckInputType(const MediaType &type) const override;
    // A sample without media times leaves the fields as they were.
    StreamResult Transform(MediaSample &sample) override;

private:
    std::atomic<int64_t> mediaStart_{0};
    std::atomic<int64_t> mediaStop_{0};
};
