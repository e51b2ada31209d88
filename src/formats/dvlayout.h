// Where things sit in a consumer DV frame (25 Mbit/s): DIF sequences of 150
// blocks of 80 bytes. Shared by the pack code and the sound code.
#pragma once

#include <cstddef>

namespace dvlayout {

constexpr size_t kBlockSize = 80;
constexpr size_t kBlocksPerSequence = 150;
constexpr size_t kSequenceSize = kBlockSize * kBlocksPerSequence;  // 12000

constexpr size_t kFrameSize525 = 10 * kSequenceSize;  // 120000, 525/60
constexpr size_t kFrameSize625 = 12 * kSequenceSize;  // 144000, 625/50
constexpr int kSequences525 = 10;
constexpr int kSequences625 = 12;

// Block indices inside one sequence.
constexpr int kHeaderBlock = 0;
constexpr int kFirstSubcodeBlock = 1;  // blocks 1 and 2
constexpr int kSubcodeBlocks = 2;
constexpr int kFirstVauxBlock = 3;     // blocks 3, 4 and 5
constexpr int kVauxBlocks = 3;
constexpr int kAudioBlocksPerSequence = 9;  // block 6 + 16k, k = 0..8

constexpr size_t kSubcodePacksPerBlock = 6;
constexpr size_t kVauxPacksPerBlock = 15;
constexpr size_t kPackSize = 5;

// Byte offset, inside a sequence, of subcode pack k (0..5) of subcode block j (1 or 2).
constexpr size_t SubcodePackOffset(int block, int k) { return kBlockSize * block + 6 + 8 * k; }
// Byte offset, inside a sequence, of VAUX pack k (0..14) of VAUX block j (3, 4 or 5).
constexpr size_t VauxPackOffset(int block, int k) { return kBlockSize * block + 3 + kPackSize * k; }
// Byte offset, inside a sequence, of audio block k (0..8).
constexpr size_t AudioBlockOffset(int k) { return kBlockSize * (6 + 16 * k); }
// Byte offset, inside a sequence, of video block v (0..134): the blocks that are neither
// header, subcode, VAUX nor audio, in stream order.
constexpr size_t VideoBlockOffset(int v) { return kBlockSize * (7 + v + v / 15); }

// Number of DIF sequences of a frame of this size, 0 when it is no DV frame.
constexpr int SequencesForFrameSize(size_t size)
{
    return size == kFrameSize525 ? kSequences525 : size == kFrameSize625 ? kSequences625 : 0;
}

}  // namespace dvlayout
