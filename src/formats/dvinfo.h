// The 32-byte DV information block (DVINFO) of a DV stream format in AVI: the
// AAUX source and control packs of each half of the frame and the VAUX source
// and control packs, each pack's four data bytes as a 32-bit value with PC1 in
// the low byte. Plain value and pure functions; any thread.
#pragma once

#include "formats/bytes.h"

#include <array>
#include <cstdint>
#include <optional>

struct DvInfo {
    static constexpr size_t kSize = 32;
    static constexpr uint32_t kNoPack = 0xFFFFFFFF;
    uint32_t aauxSrc = kNoPack;   // first audio channel pair (first half of the DIF sequences)
    uint32_t aauxCtl = kNoPack;
    uint32_t aauxSrc1 = kNoPack;  // second audio channel pair (second half)
    uint32_t aauxCtl1 = kNoPack;
    uint32_t vauxSrc = kNoPack;
    uint32_t vauxCtl = kNoPack;
    std::array<uint32_t, 2> reserved{};
    bool operator==(const DvInfo &) const = default;
};

std::optional<DvInfo> ReadDvInfo(ByteSpan bytes);
void WriteDvInfo(const DvInfo &info, MutableByteSpan out);

// The block a DV muxer derives from a frame: the first pack of each kind found,
// kNoPack where the frame has none. nullopt when the buffer is no whole 525/60 or
// 625/50 frame.
std::optional<DvInfo> DvInfoFromFrame(ByteSpan frame);
