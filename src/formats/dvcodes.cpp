#include "formats/dvcodes.h"

#include <algorithm>

using namespace dvlayout;

namespace {

constexpr size_t kSubcodeSlots = kSubcodeBlocks * kSubcodePacksPerBlock;  // 12
constexpr size_t kVauxSlots = kVauxBlocks * kVauxPacksPerBlock;           // 45
constexpr size_t kSlotsPerSequence = kSubcodeSlots + kVauxSlots;          // 57

// Offsets inside a sequence of every pack slot, in search order: the subcode
// slots of blocks 1 and 2, then the VAUX slots of blocks 3, 4 and 5.
constexpr std::array<size_t, kSlotsPerSequence> kSlotOffsets = [] {
    std::array<size_t, kSlotsPerSequence> offsets{};
    size_t i = 0;
    for (int b = 0; b < kSubcodeBlocks; ++b)
        for (size_t k = 0; k < kSubcodePacksPerBlock; ++k)
            offsets[i++] = SubcodePackOffset(kFirstSubcodeBlock + b, static_cast<int>(k));
    for (int b = 0; b < kVauxBlocks; ++b)
        for (size_t k = 0; k < kVauxPacksPerBlock; ++k)
            offsets[i++] = VauxPackOffset(kFirstVauxBlock + b, static_cast<int>(k));
    return offsets;
}();

// Header block bytes. Byte 3: DSF in bit 7 (1 = 625/50) over six reserved 1 bits.
// Byte 4: the track application ID (APT) in its low three bits, 0 for consumer DV;
// it decides what the aspect codes mean. Bytes 8 on are reserved (0xFF).
constexpr size_t kSystemByte = kBlockSize * kHeaderBlock + 3;
constexpr size_t kAptByte = kBlockSize * kHeaderBlock + 4;
constexpr uint8_t kSystem525 = 0x3F;
constexpr uint8_t kSystem625 = 0xBF;

// Where a camcorder puts the date and time packs of sequence 0: VAUX block 5, slots 11 and 12.
constexpr size_t kStandardDateOffset = VauxPackOffset(5, 11);  // 458
constexpr size_t kStandardTimeOffset = VauxPackOffset(5, 12);  // 463

// Pack payload bytes PC1..PC4 follow the id.
constexpr size_t kPc1 = 1, kPc2 = 2, kPc3 = 3, kPc4 = 4;

// Two-digit years from 70 are the 1900s. DV appeared in 1995 and FFmpeg's muxer
// writes 1970-01-01 when it has no date, so 70..99 stay in the last century and
// every other year, 2025 and 2026 included, is in this one.
constexpr int kFirstYearOfLastCentury = 70;

bool Holds(size_t size, int sequences)
{
    return sequences > 0 && size / kSequenceSize >= static_cast<size_t>(sequences);
}

// A BCD number: units in the low nibble, tens in the bits of tensMask above it.
int Bcd(uint8_t byte, uint8_t tensMask)
{
    return (byte & 0x0F) + 10 * ((byte >> 4) & tensMask);
}

// Units are always written; the tens only when they fit their field. Other bits stay.
void PutBcd(uint8_t &byte, unsigned value, uint8_t tensMask)
{
    byte = static_cast<uint8_t>((byte & 0xF0) | value % 10);
    const unsigned tens = value / 10;
    if (tens <= tensMask)
        byte = static_cast<uint8_t>((byte & ~(tensMask << 4)) | tens << 4);
}

DvPack CopyPack(ByteSpan frame, size_t offset)
{
    DvPack pack;
    std::copy_n(frame.begin() + static_cast<std::ptrdiff_t>(offset), pack.size(), pack.begin());
    return pack;
}

DvPackBytes PackAt(MutableByteSpan frame, size_t offset)
{
    return frame.subspan(offset).first<kPackSize>();
}

void EncodeTimecode(DvPackBytes pack, const TTimecodeRec &timecode)
{
    PutBcd(pack[kPc1], timecode.frames, 0x03);
    PutBcd(pack[kPc2], timecode.seconds, 0x07);
    PutBcd(pack[kPc3], timecode.minutes, 0x07);
    PutBcd(pack[kPc4], timecode.hours, 0x03);
}

// A new timecode pack: no colour frame lock, no drop frame, the binary group
// flags set as FFmpeg's DV muxer writes them.
constexpr DvPack kFreshTimecodePack = {kPackTimecode, 0x00, 0x80, 0x80, 0xC0};

}  // namespace

std::optional<DvPack> DvFindPack(ByteSpan frame, uint8_t packId, int sequences)
{
    if (!Holds(frame.size(), sequences))
        return std::nullopt;
    for (int s = 0; s < sequences; ++s) {
        const size_t base = kSequenceSize * s;
        for (size_t slot : kSlotOffsets)
            if (frame[base + slot] == packId)
                return CopyPack(frame, base + slot);
    }
    return std::nullopt;
}

std::optional<DvAudioBlock> DvFindAudioBlock(ByteSpan frame, uint8_t packId, int sequences)
{
    if (!Holds(frame.size(), sequences))
        return std::nullopt;
    for (int s = 0; s < sequences; ++s) {
        for (int k = 0; k < kAudioBlocksPerSequence; ++k) {
            const size_t at = kSequenceSize * s + AudioBlockOffset(k);
            if (frame[at + 3] != packId)  // the AAUX pack sits after the 3-byte block ID
                continue;
            DvAudioBlock block;
            std::copy_n(frame.begin() + static_cast<std::ptrdiff_t>(at), block.size(), block.begin());
            return block;
        }
    }
    return std::nullopt;
}

std::optional<TTimecodeRec> DvGetTimecode(ByteSpan frame, int sequences)
{
    const auto pack = DvFindPack(frame, kPackTimecode, sequences);
    if (!pack)
        return std::nullopt;
    const DvPack &p = *pack;
    // PC1: colour frame, drop frame, frame tens (2 bits), units. PC2: polarity,
    // second tens (3), units. PC3: group flag, minute tens (3), units.
    // PC4: two group flags, hour tens (2), units.
    TTimecodeRec tc;
    tc.frames = static_cast<uint8_t>(Bcd(p[kPc1], 0x03));
    tc.seconds = static_cast<uint8_t>(Bcd(p[kPc2], 0x07));
    tc.minutes = static_cast<uint8_t>(Bcd(p[kPc3], 0x07));
    tc.hours = static_cast<uint8_t>(Bcd(p[kPc4], 0x03));
    return tc;
}

std::optional<TDatecodeRec> DvGetDatecode(ByteSpan frame, int sequences)
{
    if (!Holds(frame.size(), sequences))
        return std::nullopt;
    std::optional<DvPack> time = DvFindPack(frame, kPackRecordingTime, sequences);
    std::optional<DvPack> date;
    if (time)
        date = DvFindPack(frame, kPackRecordingDate, sequences);
    if (!time || !date) {
        // Some recorders leave the ids of the standard slots zero; take both packs from there.
        const uint8_t dateId = frame[kStandardDateOffset];
        const uint8_t timeId = frame[kStandardTimeOffset];
        if ((dateId != kPackRecordingDate && dateId != 0) || (timeId != kPackRecordingTime && timeId != 0))
            return std::nullopt;
        date = CopyPack(frame, kStandardDateOffset);
        time = CopyPack(frame, kStandardTimeOffset);
    }
    const DvPack &d = *date;
    const DvPack &t = *time;
    TDatecodeRec dc;
    // Time pack: PC1 frames (unused); PC2, PC3 second and minute with 3-bit tens; PC4 hour with 2-bit tens.
    dc.second = static_cast<uint8_t>(Bcd(t[kPc2], 0x07));
    dc.minute = static_cast<uint8_t>(Bcd(t[kPc3], 0x07));
    dc.hour = static_cast<uint8_t>(Bcd(t[kPc4], 0x03));
    // Date pack: PC1 time zone (unused); PC2 day with 2-bit tens; PC3 week day in
    // bits 7..5 (unused) and month with a 1-bit tens; PC4 two-digit year.
    dc.day = static_cast<uint8_t>(Bcd(d[kPc2], 0x03));
    dc.month = static_cast<uint8_t>(Bcd(d[kPc3], 0x01));
    const int yy = Bcd(d[kPc4], 0x0F);
    dc.year = (yy >= kFirstYearOfLastCentury ? 1900 : 2000) + yy;
    return dc;
}

std::optional<DvAudioFormat> DvGetAudio(ByteSpan frame, int sequences)
{
    const auto block = DvFindAudioBlock(frame, kPackAudioSource, sequences);
    if (!block)
        return std::nullopt;
    constexpr size_t kAauxPack = 3;
    const uint8_t pc2 = (*block)[kAauxPack + kPc2];
    const uint8_t pc4 = (*block)[kAauxPack + kPc4];

    // PC4: emphasis flags, sampling frequency SMP (bits 5..3), quantization QU (bits 2..0).
    static constexpr int kRates[] = {48000, 44100, 32000};
    static constexpr int kBits[] = {16, 12};
    const unsigned smp = (pc4 >> 3) & 7;
    const unsigned qu = pc4 & 7;

    // PC2: stereo mode (bit 7), channels per audio block CHN (bits 6..5), pairing
    // (bit 4), audio mode (bits 3..0; 0 for ordinary stereo, 0xF for no sound).
    // A 25 Mbit/s frame carries two audio block channels, so 48 kHz 16-bit sound
    // (one channel per block) is stereo and 32 kHz 12-bit sound (two per block)
    // is two stereo pairs.
    static constexpr int kChannelsPerBlock[] = {1, 2, 0, 0};
    constexpr int kAudioBlockChannels = 2;
    const unsigned audioMode = pc2 & 0x0F;
    const unsigned chn = (pc2 >> 5) & 3;

    DvAudioFormat format;
    format.rate = smp < std::size(kRates) ? kRates[smp] : 0;
    format.bits = qu < std::size(kBits) ? kBits[qu] : 0;
    format.channels = audioMode == 0 ? kChannelsPerBlock[chn] * kAudioBlockChannels : 0;
    return format;
}

// DISP (bits 2..0 of PC2 of the video source control pack) is 2 for 16:9 in
// every application; on consumer DV (APT 0) 7 is the full-height 16:9 picture too.
std::optional<bool> DvGetWide(ByteSpan frame, int sequences)
{
    const auto pack = DvFindPack(frame, kPackVideoControl, sequences);
    if (!pack)
        return std::nullopt;
    const unsigned apt = frame[kAptByte] & 7;
    const unsigned disp = (*pack)[kPc2] & 7;
    return disp == 2 || (disp == 7 && apt == 0);
}

std::optional<bool> DvIs525(ByteSpan frame)
{
    if (frame.size() <= kSystemByte)
        return std::nullopt;
    switch (frame[kSystemByte]) {
    case kSystem525:
        return true;
    case kSystem625:
        return false;
    default:
        return std::nullopt;
    }
}

void DvSetDatecode(MutableByteSpan frame, int sequences, const TDatecodeRec &datecode)
{
    if (!Holds(frame.size(), sequences))
        return;
    for (int s = 0; s < sequences; ++s) {
        const size_t base = kSequenceSize * s;
        bool dateNext = true;
        for (size_t i = 0; i < kSubcodeSlots; ++i) {
            const DvPackBytes pack = PackAt(frame, base + kSlotOffsets[i]);
            if (pack[0] == kPackEmpty)
                pack[0] = dateNext ? kPackRecordingDate : kPackRecordingTime;
            if (pack[0] == kPackRecordingDate) {
                DvEncodeRecDate(pack, datecode);
                dateNext = false;
            } else if (pack[0] == kPackRecordingTime) {
                DvEncodeRecTime(pack, datecode);
                dateNext = true;
            }
        }
        // VAUX slots are rewritten but never created.
        for (size_t i = kSubcodeSlots; i < kSlotsPerSequence; ++i) {
            const DvPackBytes pack = PackAt(frame, base + kSlotOffsets[i]);
            if (pack[0] == kPackRecordingDate)
                DvEncodeRecDate(pack, datecode);
            else if (pack[0] == kPackRecordingTime)
                DvEncodeRecTime(pack, datecode);
        }
    }
}

void DvSetWide(MutableByteSpan frame, int sequences, bool wide)
{
    if (!Holds(frame.size(), sequences))
        return;
    for (int s = 0; s < sequences; ++s) {
        const size_t base = kSequenceSize * s;
        const unsigned apt = frame[base + kAptByte] & 7;
        const uint8_t disp = !wide ? 0 : apt == 0 ? 7 : 2;
        for (size_t slot : kSlotOffsets) {
            const DvPackBytes pack = PackAt(frame, base + slot);
            if (pack[0] == kPackVideoControl)
                pack[kPc2] = static_cast<uint8_t>((pack[kPc2] & ~7) | disp);
        }
    }
}

void DvEncodeRecDate(DvPackBytes pack, const TDatecodeRec &datecode)
{
    PutBcd(pack[kPc2], datecode.day, 0x03);
    PutBcd(pack[kPc3], datecode.month, 0x01);
    PutBcd(pack[kPc4], static_cast<unsigned>((datecode.year % 100 + 100) % 100), 0x0F);
}

void DvEncodeRecTime(DvPackBytes pack, const TDatecodeRec &datecode)
{
    PutBcd(pack[kPc2], datecode.second, 0x07);
    PutBcd(pack[kPc3], datecode.minute, 0x07);
    PutBcd(pack[kPc4], datecode.hour, 0x03);
}

void DvSetTimecode(MutableByteSpan frame, int sequences, const TTimecodeRec &timecode)
{
    if (!Holds(frame.size(), sequences))
        return;
    for (int s = 0; s < sequences; ++s) {
        const size_t base = kSequenceSize * s;
        bool subcodeHasOne = false;
        for (size_t i = 0; i < kSlotsPerSequence; ++i) {
            const DvPackBytes pack = PackAt(frame, base + kSlotOffsets[i]);
            if (pack[0] != kPackTimecode)
                continue;
            EncodeTimecode(pack, timecode);
            subcodeHasOne = subcodeHasOne || i < kSubcodeSlots;
        }
        if (subcodeHasOne)
            continue;
        for (int b = 0; b < kSubcodeBlocks; ++b) {
            const size_t first = kSubcodePacksPerBlock * b;
            for (size_t i = first; i < first + kSubcodePacksPerBlock; ++i) {
                const DvPackBytes pack = PackAt(frame, base + kSlotOffsets[i]);
                if (pack[0] != kPackEmpty)
                    continue;
                std::copy(kFreshTimecodePack.begin(), kFreshTimecodePack.end(), pack.begin());
                EncodeTimecode(pack, timecode);
                break;
            }
        }
    }
}

std::optional<TDateTime> DatecodeToDateTime(const TDatecodeRec &datecode)
{
    return EncodeDateTime(datecode.year, datecode.month, datecode.day, datecode.hour, datecode.minute,
                          datecode.second);
}

TDatecodeRec DateTimeToDatecode(TDateTime value)
{
    const DateTimeFields f = DecodeDateTime(value);
    TDatecodeRec dc;
    dc.year = f.year;
    dc.month = static_cast<uint8_t>(f.month);
    dc.day = static_cast<uint8_t>(f.day);
    dc.hour = static_cast<uint8_t>(f.hour);
    dc.minute = static_cast<uint8_t>(f.minute);
    dc.second = static_cast<uint8_t>(f.second);
    return dc;
}
