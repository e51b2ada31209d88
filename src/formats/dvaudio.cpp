#include "formats/dvaudio.h"

#include "formats/dvlayout.h"

#include <algorithm>
#include <array>
#include <bit>
#include <numeric>

namespace {

constexpr uint8_t kAauxSource = 0x50;
constexpr uint8_t kAauxControl = 0x51;
constexpr uint8_t kPackEmpty = 0xFF;

// Inside an audio block: the AAUX pack at byte 3 (id, PC1..PC4), the samples from byte 8.
constexpr size_t kAauxPackStart = 3;
constexpr size_t kSampleStart = 8;
constexpr size_t kSampleBytes = dvlayout::kBlockSize - kSampleStart;  // 72

constexpr uint8_t kAudioModeNoSound = 0x0F;  // PC2 low nibble: this half carries no sound
constexpr uint16_t kError16 = 0x8000;        // sample codes that mark a sample as lost
constexpr uint16_t kError12 = 0x800;

// 525/60 locked 48 kHz: 8008 samples every five frames.
constexpr std::array<int, 5> kCycle525At48k = {1600, 1602, 1602, 1602, 1602};

struct RateRow {
    int rate;
    uint8_t code;  // PC4 bits 5..3
    int min525, max525;
    int min625, max625;
    int count625;                // locked samples per 625/50 frame
    std::span<const int> cycle525;  // locked 525/60 cycle; empty: spread the exact rate
    bool takes12Bit;
};

constexpr RateRow kRates[] = {
    {48000, 0, 1580, 1620, 1896, 1944, 1920, kCycle525At48k, false},
    {44100, 1, 1452, 1489, 1742, 1786, 1764, {}, false},
    {32000, 2, 1053, 1080, 1264, 1296, 1280, {}, true},
};

struct QuantRow {
    int bits;
    uint8_t code;       // PC4 bits 2..0
    int bytesPerSlot;   // one sample of one channel (16-bit), or one sample of both (12-bit)
    uint8_t pc2;        // SM, CHN, PA as recorders write them; the audio mode is added
};

constexpr QuantRow kQuants[] = {
    {16, 0, 2, 0x00},  // one channel per block: left in the first half, right in the other
    {12, 1, 3, 0x30},  // two channels per block, each half an independent pair
};

const RateRow *RateByValue(int rate)
{
    const auto row = std::ranges::find(kRates, rate, &RateRow::rate);
    return row == std::end(kRates) ? nullptr : &*row;
}

const RateRow *RateByCode(uint8_t code)
{
    const auto row = std::ranges::find(kRates, code, &RateRow::code);
    return row == std::end(kRates) ? nullptr : &*row;
}

const QuantRow *QuantByBits(int bits)
{
    const auto row = std::ranges::find(kQuants, bits, &QuantRow::bits);
    return row == std::end(kQuants) ? nullptr : &*row;
}

const QuantRow *QuantByCode(uint8_t code)
{
    const auto row = std::ranges::find(kQuants, code, &QuantRow::code);
    return row == std::end(kQuants) ? nullptr : &*row;
}

struct FrameLayout {
    int sequences;
    int half;  // sequences of one half: 5 or 6
    bool is525;
};

std::optional<FrameLayout> LayoutOf(size_t frameSize)
{
    const int sequences = dvlayout::SequencesForFrameSize(frameSize);
    if (sequences == 0)
        return std::nullopt;
    return FrameLayout{sequences, sequences / 2, sequences == dvlayout::kSequences525};
}

int MinSamples(const RateRow &rate, const FrameLayout &layout) { return layout.is525 ? rate.min525 : rate.min625; }

// Samples per channel the audio blocks of one half can hold.
int Capacity(const QuantRow &quant, const FrameLayout &layout)
{
    const int slotsPerBlock = static_cast<int>(kSampleBytes) / quant.bytesPerSlot;
    return slotsPerBlock * dvlayout::kAudioBlocksPerSequence * layout.half;
}

int MaxSamples(const RateRow &rate, const QuantRow &quant, const FrameLayout &layout)
{
    return std::min(layout.is525 ? rate.max525 : rate.max625, Capacity(quant, layout));
}

constexpr size_t AudioBlockStart(int sequence, int block)
{
    return static_cast<size_t>(sequence) * dvlayout::kSequenceSize + dvlayout::AudioBlockOffset(block);
}

// The shuffle: sample n of a channel lies in sequence (n/3 + 2(n%3)) mod half of its half,
// audio block 3(n%3) + (n mod 9·half) / 3·half, at slot n / 9·half of that block.
struct SamplePlace {
    int sequence;
    int block;
    int slot;
};

constexpr SamplePlace PlaceOfSample(int n, int half)
{
    return {(n / 3 + 2 * (n % 3)) % half, 3 * (n % 3) + n % (9 * half) / (3 * half), n / (9 * half)};
}

// Where sample n of a channel lies in the first half of the frame, for every sample a half
// can hold; in the second half it lies half x kSequenceSize bytes further. Worked out once,
// as the shuffle costs divisions for every sample.
template <int Half, int BytesPerSlot>
constexpr auto MakeSampleOffsets()
{
    constexpr int kCount = static_cast<int>(kSampleBytes) / BytesPerSlot * dvlayout::kAudioBlocksPerSequence * Half;
    std::array<uint32_t, kCount> offsets{};
    for (int n = 0; n < kCount; ++n) {
        const SamplePlace place = PlaceOfSample(n, Half);
        offsets[static_cast<size_t>(n)] = static_cast<uint32_t>(
            AudioBlockStart(place.sequence, place.block) + kSampleStart + static_cast<size_t>(place.slot * BytesPerSlot));
    }
    return offsets;
}

constexpr auto kOffsets525At16 = MakeSampleOffsets<5, 2>();
constexpr auto kOffsets625At16 = MakeSampleOffsets<6, 2>();
constexpr auto kOffsets525At12 = MakeSampleOffsets<5, 3>();
constexpr auto kOffsets625At12 = MakeSampleOffsets<6, 3>();

std::span<const uint32_t> SampleOffsets(const FrameLayout &layout, const QuantRow &quant)
{
    if (quant.bits == 16)
        return layout.is525 ? std::span<const uint32_t>(kOffsets525At16) : std::span<const uint32_t>(kOffsets625At16);
    return layout.is525 ? std::span<const uint32_t>(kOffsets525At12) : std::span<const uint32_t>(kOffsets625At12);
}

size_t HalfBytes(const FrameLayout &layout) { return static_cast<size_t>(layout.half) * dvlayout::kSequenceSize; }

// Source packs stand in audio block 3 of even sequences and block 0 of odd ones, the
// source control pack in the block after.
constexpr int SourcePackBlock(int sequence) { return sequence % 2 == 0 ? 3 : 0; }

// The first AAUX source pack in sequences [first, end), or nullptr.
const uint8_t *FindSourcePack(ByteSpan frame, int first, int end)
{
    for (int s = first; s < end; ++s)
        for (int k = 0; k < dvlayout::kAudioBlocksPerSequence; ++k) {
            const uint8_t *pack = frame.data() + AudioBlockStart(s, k) + kAauxPackStart;
            if (pack[0] == kAauxSource)
                return pack;
        }
    return nullptr;
}

struct FrameSound {
    DvAudioInfo info;
    FrameLayout layout;
    const QuantRow *quant;
};

std::optional<FrameSound> ReadFrameSound(ByteSpan frame)
{
    const auto layout = LayoutOf(frame.size());
    if (!layout)
        return std::nullopt;
    const uint8_t *pack = FindSourcePack(frame, 0, layout->sequences);
    if (!pack)
        return std::nullopt;
    // PC1: LF (1 = unlocked), reserved, AF_SIZE (samples above the minimum).
    // PC4: emphasis flags, SMP (rate), QU (sample size).
    const RateRow *rate = RateByCode((pack[4] >> 3) & 0x07);
    const QuantRow *quant = QuantByCode(pack[4] & 0x07);
    if (!rate || !quant)
        return std::nullopt;

    DvAudioInfo info;
    info.rate = rate->rate;
    info.bits = quant->bits;
    info.samples = std::min(MinSamples(*rate, *layout) + (pack[1] & 0x3F), MaxSamples(*rate, *quant, *layout));
    info.locked = (pack[1] & 0x80) == 0;
    info.pairs = 1;
    if (quant->bits == 12) {
        const uint8_t *second = FindSourcePack(frame, layout->half, layout->sequences);
        if (second && (second[2] & 0x0F) != kAudioModeNoSound)
            info.pairs = 2;
    }
    return FrameSound{info, *layout, quant};
}

int16_t Read16(const uint8_t *p)
{
    const uint16_t code = static_cast<uint16_t>(p[0] << 8 | p[1]);  // big-endian
    return code == kError16 ? 0 : static_cast<int16_t>(code);
}

int16_t Decode12(uint16_t code)
{
    if (code == kError12)
        return 0;
    return DvExpand12(code >= 0x800 ? code - 0x1000 : code);
}

// Both channels of a pair share three bytes: the high eight bits of each, then a byte
// of their low four bits (left in the high nibble).
void Read12(const uint8_t *p, int16_t &left, int16_t &right)
{
    left = Decode12(static_cast<uint16_t>(p[0] << 4 | p[2] >> 4));
    right = Decode12(static_cast<uint16_t>(p[1] << 4 | (p[2] & 0x0F)));
}

void Write16(uint8_t *p, int16_t value)
{
    // The lowest value is the lost-sample code; one step up is what can be recorded.
    const uint16_t code = static_cast<uint16_t>(std::max<int16_t>(value, -32767));
    p[0] = static_cast<uint8_t>(code >> 8);
    p[1] = static_cast<uint8_t>(code);
}

void Write12(uint8_t *p, int16_t left, int16_t right)
{
    const unsigned l = static_cast<unsigned>(DvCompress12(left)) & 0xFFF;
    const unsigned r = static_cast<unsigned>(DvCompress12(right)) & 0xFFF;
    p[0] = static_cast<uint8_t>(l >> 4);
    p[1] = static_cast<uint8_t>(r >> 4);
    p[2] = static_cast<uint8_t>((l & 0x0F) << 4 | (r & 0x0F));
}

void WritePack(uint8_t *pack, uint8_t id, uint8_t pc1, uint8_t pc2, uint8_t pc3, uint8_t pc4)
{
    pack[0] = id;
    pack[1] = pc1;
    pack[2] = pc2;
    pack[3] = pc3;
    pack[4] = pc4;
}

struct PackValues {
    const RateRow &rate;
    const QuantRow &quant;
    const FrameLayout &layout;
    int samples;
    bool secondPair;
};

void WriteAauxPacks(MutableByteSpan frame, const PackValues &v)
{
    const uint8_t pc1 = static_cast<uint8_t>(0x40 | (v.samples - MinSamples(v.rate, v.layout)));  // locked
    const uint8_t pc3 = static_cast<uint8_t>(0xC0 | (v.layout.is525 ? 0x00 : 0x20));  // 50/60 flag, STYPE 0
    const uint8_t pc4 = static_cast<uint8_t>(0xC0 | v.rate.code << 3 | v.quant.code);  // no emphasis
    for (int s = 0; s < v.layout.sequences; ++s) {
        const int halfIndex = s / v.layout.half;
        // 16-bit: audio mode 0 is the left channel, 1 the right; 12-bit: 0 is a stereo pair.
        const bool silent = v.quant.bits == 12 && halfIndex == 1 && !v.secondPair;
        const uint8_t mode = silent ? kAudioModeNoSound : v.quant.bits == 16 ? static_cast<uint8_t>(halfIndex) : 0;
        for (int k = 0; k < dvlayout::kAudioBlocksPerSequence; ++k) {
            uint8_t *pack = frame.data() + AudioBlockStart(s, k) + kAauxPackStart;
            if (k == SourcePackBlock(s))
                WritePack(pack, kAauxSource, pc1, static_cast<uint8_t>(v.quant.pc2 | mode), pc3, pc4);
            else if (k == SourcePackBlock(s) + 1)
                // Copy free, sources unknown; original recording, or none in a silent half; normal speed.
                WritePack(pack, kAauxControl, 0x3F, silent ? 0xFF : 0xCF, 0xA0, 0xFF);
            else if (pack[0] == kAauxSource || pack[0] == kAauxControl)
                std::fill_n(pack, dvlayout::kPackSize, kPackEmpty);  // a stray copy would contradict the new ones
        }
    }
}

}  // namespace

int16_t DvExpand12(int code)
{
    code = std::clamp(code, -2048, 2047);
    if (code < 0)
        return static_cast<int16_t>(-DvExpand12(-code - 1) - 1);  // the scale is symmetric in one's complement
    const int segment = code >> 8;
    if (segment < 2)
        return static_cast<int16_t>(code);
    const int shift = segment - 1;
    return static_cast<int16_t>((code - 256 * shift) << shift);
}

int DvCompress12(int16_t value)
{
    if (value < 0)
        return std::max(-DvCompress12(static_cast<int16_t>(-value - 1)) - 1, -2047);
    if (value < 512)
        return value;
    const int shift = std::bit_width(static_cast<unsigned>(value)) - 9;  // 1..6: step 2^shift
    int code = (value >> shift) + 256 * shift;
    const int rest = value & ((1 << shift) - 1);
    if (2 * rest >= (1 << shift) && code < 2047)
        ++code;
    return code;
}

std::optional<DvAudioInfo> DvGetAudioInfo(ByteSpan frame)
{
    const auto sound = ReadFrameSound(frame);
    if (!sound)
        return std::nullopt;
    return sound->info;
}

std::optional<DvAudioInfo> DvAudioInfoFromDvInfo(const DvInfo &info)
{
    // PC1 is the low byte of each word.
    const auto pc = [](uint32_t word, int n) { return static_cast<uint8_t>(word >> (8 * (n - 1))); };
    const uint32_t source = info.aauxSrc;
    const RateRow *rate = RateByCode((pc(source, 4) >> 3) & 0x07);
    const QuantRow *quant = QuantByCode(pc(source, 4) & 0x07);
    if (source == DvInfo::kNoPack || !rate || !quant)
        return std::nullopt;
    const bool is525 = (pc(source, 3) & 0x20) == 0;  // PC3: the 50/60 flag
    const FrameLayout layout = *LayoutOf(is525 ? dvlayout::kFrameSize525 : dvlayout::kFrameSize625);

    DvAudioInfo audio;
    audio.rate = rate->rate;
    audio.bits = quant->bits;
    audio.samples = std::min(MinSamples(*rate, layout) + (pc(source, 1) & 0x3F), MaxSamples(*rate, *quant, layout));
    audio.locked = (pc(source, 1) & 0x80) == 0;
    const bool secondPair = quant->bits == 12 && info.aauxSrc1 != DvInfo::kNoPack
                         && (pc(info.aauxSrc1, 2) & 0x0F) != kAudioModeNoSound;
    audio.pairs = secondPair ? 2 : 1;
    return audio;
}

std::optional<int> DvExtractAudio(ByteSpan frame, DvAudioPairs pairs, std::span<int16_t> pcm)
{
    const auto sound = ReadFrameSound(frame);
    if (!sound || (sound->quant->bits == 16 && pairs != DvAudioPairs::First))
        return std::nullopt;
    const int channels = pairs == DvAudioPairs::Both ? 4 : 2;
    const int samples = sound->info.samples;
    if (pcm.size() < static_cast<size_t>(samples * channels))
        return std::nullopt;

    const FrameLayout &layout = sound->layout;
    const QuantRow &quant = *sound->quant;
    const std::span<const uint32_t> offsets = SampleOffsets(layout, quant);
    const size_t halfBytes = HalfBytes(layout);
    int16_t *out = pcm.data();
    if (quant.bits == 16) {
        // One channel in each half.
        for (int n = 0; n < samples; ++n, out += 2) {
            const uint8_t *left = frame.data() + offsets[static_cast<size_t>(n)];
            out[0] = Read16(left);
            out[1] = Read16(left + halfBytes);
        }
        return samples;
    }
    const uint8_t *first = frame.data() + (pairs == DvAudioPairs::Second ? halfBytes : 0);
    for (int n = 0; n < samples; ++n, out += channels) {
        const uint8_t *pair = first + offsets[static_cast<size_t>(n)];
        Read12(pair, out[0], out[1]);
        if (channels == 4)
            Read12(pair + halfBytes, out[2], out[3]);
    }
    return samples;
}

int DvAudioSamplesForFrame(bool is525, int rate, int64_t frameIndex)
{
    const RateRow *row = RateByValue(rate);
    if (!row)
        return 0;
    if (!is525)
        return row->count625;
    const auto wrap = [frameIndex](int64_t cycle) { return (frameIndex % cycle + cycle) % cycle; };
    if (!row->cycle525.empty())
        return row->cycle525[static_cast<size_t>(wrap(static_cast<int64_t>(row->cycle525.size())))];
    // Frame k ends at sample round(k x rate x 1001 / 30000); the pattern repeats once that is whole.
    const int64_t perFrameNumerator = int64_t{rate} * 1001;
    const int64_t k = wrap(30000 / std::gcd(perFrameNumerator, int64_t{30000}));
    const auto end = [perFrameNumerator](int64_t frames) { return (2 * frames * perFrameNumerator + 30000) / 60000; };
    return static_cast<int>(end(k + 1) - end(k));
}

std::optional<int> DvInsertAudio(MutableByteSpan frame, int rate, int bits, int64_t frameIndex,
                                 std::span<const int16_t> pair1, std::span<const int16_t> pair2)
{
    const auto layout = LayoutOf(frame.size());
    const RateRow *rateRow = RateByValue(rate);
    const QuantRow *quant = QuantByBits(bits);
    if (!layout || !rateRow || !quant || (bits == 12 && !rateRow->takes12Bit) || (bits == 16 && !pair2.empty()))
        return std::nullopt;
    const int samples = DvAudioSamplesForFrame(layout->is525, rate, frameIndex);
    const size_t values = static_cast<size_t>(samples) * 2;
    if (pair1.size() < values || (!pair2.empty() && pair2.size() < values))
        return std::nullopt;

    const bool secondPair = !pair2.empty();
    WriteAauxPacks(frame, PackValues{*rateRow, *quant, *layout, samples, secondPair});
    // Slots past this frame's samples stay silent rather than keep older sound.
    for (int s = 0; s < layout->sequences; ++s)
        for (int k = 0; k < dvlayout::kAudioBlocksPerSequence; ++k)
            std::fill_n(frame.data() + AudioBlockStart(s, k) + kSampleStart, kSampleBytes, uint8_t{0});

    const std::span<const uint32_t> offsets = SampleOffsets(*layout, *quant);
    const size_t halfBytes = HalfBytes(*layout);
    for (int n = 0; n < samples; ++n) {
        uint8_t *place = frame.data() + offsets[static_cast<size_t>(n)];
        const size_t i = static_cast<size_t>(n) * 2;
        if (bits == 16) {
            Write16(place, pair1[i]);
            Write16(place + halfBytes, pair1[i + 1]);
            continue;
        }
        Write12(place, pair1[i], pair1[i + 1]);
        if (secondPair)
            Write12(place + halfBytes, pair2[i], pair2[i + 1]);
    }
    return samples;
}
