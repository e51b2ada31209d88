#include "formats/dvinfo.h"

#include "formats/dvcodes.h"
#include "formats/dvlayout.h"

namespace {

uint32_t PackData(const uint8_t *pack) { return ReadLE32(pack + 1); }

// The AAUX pack of an audio block sits right after its 3-byte block id.
uint32_t FindAauxPack(ByteSpan frame, int firstSequence, int endSequence, uint8_t packId)
{
    for (int s = firstSequence; s < endSequence; ++s) {
        for (int k = 0; k < dvlayout::kAudioBlocksPerSequence; ++k) {
            const uint8_t *pack = frame.data() + s * dvlayout::kSequenceSize + dvlayout::AudioBlockOffset(k) + 3;
            if (pack[0] == packId)
                return PackData(pack);
        }
    }
    return DvInfo::kNoPack;
}

uint32_t FindVauxPack(ByteSpan frame, int sequences, uint8_t packId)
{
    for (int s = 0; s < sequences; ++s) {
        for (int b = 0; b < dvlayout::kVauxBlocks; ++b) {
            for (size_t k = 0; k < dvlayout::kVauxPacksPerBlock; ++k) {
                const uint8_t *pack = frame.data() + s * dvlayout::kSequenceSize
                                    + dvlayout::VauxPackOffset(dvlayout::kFirstVauxBlock + b, static_cast<int>(k));
                if (pack[0] == packId)
                    return PackData(pack);
            }
        }
    }
    return DvInfo::kNoPack;
}

}  // namespace

std::optional<DvInfo> ReadDvInfo(ByteSpan bytes)
{
    if (bytes.size() < DvInfo::kSize)
        return std::nullopt;
    const uint8_t *p = bytes.data();
    DvInfo info;
    info.aauxSrc = ReadLE32(p + 0);
    info.aauxCtl = ReadLE32(p + 4);
    info.aauxSrc1 = ReadLE32(p + 8);
    info.aauxCtl1 = ReadLE32(p + 12);
    info.vauxSrc = ReadLE32(p + 16);
    info.vauxCtl = ReadLE32(p + 20);
    info.reserved[0] = ReadLE32(p + 24);
    info.reserved[1] = ReadLE32(p + 28);
    return info;
}

void WriteDvInfo(const DvInfo &info, MutableByteSpan out)
{
    uint8_t *p = out.data();
    WriteLE32(p + 0, info.aauxSrc);
    WriteLE32(p + 4, info.aauxCtl);
    WriteLE32(p + 8, info.aauxSrc1);
    WriteLE32(p + 12, info.aauxCtl1);
    WriteLE32(p + 16, info.vauxSrc);
    WriteLE32(p + 20, info.vauxCtl);
    WriteLE32(p + 24, info.reserved[0]);
    WriteLE32(p + 28, info.reserved[1]);
}

std::optional<DvInfo> DvInfoFromFrame(ByteSpan frame)
{
    const int sequences = dvlayout::SequencesForFrameSize(frame.size());
    if (sequences == 0)
        return std::nullopt;
    // Channels 1/2 are recorded in the first half of the sequences, 3/4 in the second.
    const int half = sequences / 2;
    DvInfo info;
    info.aauxSrc = FindAauxPack(frame, 0, half, kPackAudioSource);
    info.aauxCtl = FindAauxPack(frame, 0, half, kPackAudioControl);
    info.aauxSrc1 = FindAauxPack(frame, half, sequences, kPackAudioSource);
    info.aauxCtl1 = FindAauxPack(frame, half, sequences, kPackAudioControl);
    info.vauxSrc = FindVauxPack(frame, sequences, kPackVideoSource);
    info.vauxCtl = FindVauxPack(frame, sequences, kPackVideoControl);
    return info;
}
