// DV frames made in memory for the filter tests: blank frames with every pack
// slot empty, given their datecode, timecode, aspect and audio format through
// the pack writers.
#pragma once

#include "base/datetime.h"
#include "formats/dvcodes.h"
#include "formats/dvlayout.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

namespace syntheticdv {

using Frame = std::vector<uint8_t>;

// Where a camcorder puts its VAUX source and control packs in each sequence.
constexpr size_t kVideoSourceSlot = dvlayout::VauxPackOffset(5, 9);
constexpr size_t kVideoControlSlot = dvlayout::VauxPackOffset(5, 10);
// The audio source pack sits in audio block 3 of even sequences and 0 of odd ones.
constexpr size_t AudioSourceSlot(int sequence) { return dvlayout::AudioBlockOffset(sequence % 2 == 0 ? 3 : 0) + 3; }
constexpr size_t kVauxDateSlot = dvlayout::VauxPackOffset(5, 11);
constexpr size_t kVauxTimeSlot = dvlayout::VauxPackOffset(5, 12);

struct FrameSpec {
    bool is525 = false;
    std::optional<TDateTime> datecode;
    std::optional<TTimecodeRec> timecode;
    bool withFormat = true;  // the audio source and video control packs
    bool wide = false;
    int rateCode = 0;  // 0 48000, 1 44100, 2 32000
    int bitsCode = 0;  // 0 16 bits, 1 12 bits
    uint8_t audioMode = 0x00;  // PC2 of the audio source pack: 0x00 two channels
};

inline int Sequences(const Frame &frame) { return dvlayout::SequencesForFrameSize(frame.size()); }

inline void PutPack(Frame &frame, int sequence, size_t offset, const DvPack &pack)
{
    std::copy(pack.begin(), pack.end(), frame.begin() + static_cast<std::ptrdiff_t>(dvlayout::kSequenceSize * sequence + offset));
}

// The section type of each DIF block, in the block's first ID byte.
enum : uint8_t { kHeaderId = 0x1F, kSubcodeId = 0x3F, kVauxId = 0x5F, kAudioId = 0x7F, kVideoId = 0x9F };

// A frame with every pack slot empty, the DIF block IDs of a camcorder and the
// header of a consumer recording (APT 0) in every sequence.
inline Frame BlankFrame(bool is525)
{
    using namespace dvlayout;
    const int sequences = is525 ? kSequences525 : kSequences625;
    Frame frame(kSequenceSize * sequences, 0xFF);
    for (int s = 0; s < sequences; ++s) {
        uint8_t *sequence = frame.data() + kSequenceSize * s;
        const auto id = [&](int block, uint8_t section, int number) {
            uint8_t *b = sequence + kBlockSize * block;
            b[0] = section;
            b[1] = static_cast<uint8_t>(0x07 | s << 4);
            b[2] = static_cast<uint8_t>(number);
        };
        id(0, kHeaderId, 0);
        for (int k = 0; k < kSubcodeBlocks; ++k)
            id(kFirstSubcodeBlock + k, kSubcodeId, k);
        for (int k = 0; k < kVauxBlocks; ++k)
            id(kFirstVauxBlock + k, kVauxId, k);
        for (int i = 0; i < 144; ++i)
            id(6 + i, i % 16 == 0 ? kAudioId : kVideoId, i % 16 == 0 ? i / 16 : i - i / 16 - 1);
        const uint8_t header[] = {is525 ? uint8_t(0x3F) : uint8_t(0xBF), 0x68, 0x78, 0x78, 0x78};
        std::copy(std::begin(header), std::end(header), sequence + 3);
    }
    return frame;
}

inline Frame MakeFrame(const FrameSpec &frameSpec)
{
    Frame frame = BlankFrame(frameSpec.is525);
    const int sequences = Sequences(frame);
    if (frameSpec.withFormat) {
        const uint8_t fields = frameSpec.is525 ? 0x00 : 0x20;
        const uint8_t pc4 = static_cast<uint8_t>(0xC0 | frameSpec.rateCode << 3 | frameSpec.bitsCode);
        for (int s = 0; s < sequences; ++s) {
            PutPack(frame, s, kVideoSourceSlot, {0x60, 0xFF, 0xFF, static_cast<uint8_t>(0xC0 | fields), 0xFF});
            PutPack(frame, s, kVideoControlSlot, {0x61, 0xFF, 0xF8, 0xFC, 0xFF});
            PutPack(frame, s, AudioSourceSlot(s), {0x50, 0xD0, frameSpec.audioMode, static_cast<uint8_t>(0xC0 | fields), pc4});
        }
        DvSetWide(frame, sequences, frameSpec.wide);
    }
    if (frameSpec.timecode)
        DvSetTimecode(frame, sequences, *frameSpec.timecode);
    if (frameSpec.datecode) {
        for (int s = 0; s < sequences; ++s) {
            PutPack(frame, s, kVauxDateSlot, {0x62, 0xFF, 0xFF, 0xFF, 0xFF});
            PutPack(frame, s, kVauxTimeSlot, {0x63, 0xFF, 0xFF, 0xFF, 0xFF});
        }
        DvSetDatecode(frame, sequences, DateTimeToDatecode(*frameSpec.datecode));
    }
    return frame;
}

inline TDateTime At(int year, int month, int day, int hour, int minute, int second)
{
    return *EncodeDateTime(year, month, day, hour, minute, second);
}

inline TDateTime Seconds(double seconds) { return seconds / kSecondsPerDay; }

}  // namespace syntheticdv
