// The sound inside consumer DV frames (25 Mbit/s): what a frame's AAUX source pack
// says about it, its samples read out as 16-bit PCM, and PCM written into its audio
// blocks. Pure functions over a frame buffer the caller owns (120000 bytes for 525/60,
// 144000 for 625/50; any other size is no DV frame); no allocation, no state, any thread.
#pragma once

#include "formats/bytes.h"
#include "formats/dvinfo.h"

#include <cstdint>
#include <optional>
#include <span>

// The most samples per channel one frame can carry (625/50 at 48 kHz). An output of
// kDvMaxAudioSamples x channels values always suffices for DvExtractAudio.
constexpr int kDvMaxAudioSamples = 1944;

struct DvAudioInfo {
    int rate = 0;         // 48000, 44100 or 32000
    int bits = 0;         // 16 (linear) or 12 (non-linear)
    int pairs = 0;        // stereo pairs that carry sound: 1, or 2 in 12-bit mode
    int samples = 0;      // samples per channel in this frame, bounded by what the frame holds
    bool locked = false;  // sound clock locked to the picture
    bool operator==(const DvAudioInfo &) const = default;
};

// In 12-bit mode the first pair lies in the first half of the DIF sequences and the
// second pair in the other half; 16-bit sound has only the first pair.
enum class DvAudioPairs { First, Second, Both };

// The sound format of the frame, from its first AAUX source pack; nullopt when the frame
// is no DV frame, has no source pack, or names a rate or sample size that does not exist.
std::optional<DvAudioInfo> DvGetAudioInfo(ByteSpan frame);

// The sound that a DV information block announces, from its AAUX source pack words (the
// first half's for the format, the second half's for a second pair); nullopt when the block
// has no source pack or names a rate or sample size that does not exist.
std::optional<DvAudioInfo> DvAudioInfoFromDvInfo(const DvInfo &info);

// Reads the frame's samples into pcm as interleaved 16-bit values (L R for one pair,
// L1 R1 L2 R2 for both), 12-bit samples expanded, error samples as silence. Returns the
// samples per channel written; nullopt when the frame has no usable sound, the pair does
// not exist in its mode, or pcm is too small for samples x channels.
std::optional<int> DvExtractAudio(ByteSpan frame, DvAudioPairs pairs, std::span<int16_t> pcm);

// Samples per channel that locked sound of this rate carries in frame frameIndex (counted
// from 0) of a recording: constant in 625/50, a repeating cycle in 525/60 that keeps the
// exact rate. 0 for a rate DV has no place for.
int DvAudioSamplesForFrame(bool is525, int rate, int64_t frameIndex);

// Writes DvAudioSamplesForFrame samples per channel of interleaved stereo PCM into the
// frame's audio blocks, with AAUX source (0x50) and source control (0x51) packs saying so.
// 16-bit sound takes 48000, 44100 or 32000 Hz and one pair; 12-bit sound takes 32000 Hz and
// one or two pairs (pair2 empty: the second pair is marked as carrying no sound). Every
// byte outside the audio blocks' packs and sample data, and the other AAUX packs (dates),
// are kept. Returns the samples per channel taken from each pair; nullopt, with the frame
// untouched, when the frame is no DV frame, the format is not one of these, or a pair
// holds fewer values than needed.
std::optional<int> DvInsertAudio(MutableByteSpan frame, int rate, int bits, int64_t frameIndex,
                                 std::span<const int16_t> pair1, std::span<const int16_t> pair2 = {});

// The non-linear 12-bit scale: a 12-bit code (-2048..2047; -2048 is the error code and is
// never written) to its 16-bit value, and a 16-bit value to the nearest code (-2047..2047).
int16_t DvExpand12(int code);
int DvCompress12(int16_t value);
