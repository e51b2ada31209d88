#include "media/dv_dvheader.h"

#include "base/datetimeformat.h"
#include "base/textformat.h"
#include "formats/dvcodes.h"
#include "formats/dvlayout.h"

#include <algorithm>
#include <cmath>
#include <optional>

using namespace dvlayout;

namespace {

constexpr int64_t kTicksPerSecond = 30000;
constexpr int64_t kFrameTicks525 = 1001;  // 30000/1001 frames per second
constexpr int64_t kFrameTicks625 = 1200;  // 25 frames per second

// The VAUX source pack's 50/60 flag (PC3 bit 5): set for 50 fields.
constexpr uint8_t kSource50Fields = 0x20;

// The datecode of a value inside the calendar, none for a value past it.
std::optional<TDatecodeRec> CalendarDatecode(TDateTime value)
{
    static const TDateTime first = *EncodeDateTime(1, 1, 1);
    static const TDateTime last = *EncodeDateTime(9999, 12, 31, 23, 59, 59, 999);
    if (!std::isfinite(value) || value < first || value > last)
        return std::nullopt;
    return DateTimeToDatecode(value);
}

// A source of the other TV system left its 50/60 flag in the restored VAUX source packs.
void SetSourceFieldRate(MutableByteSpan frame, int sequences, bool fields50)
{
    for (int s = 0; s < sequences; ++s) {
        for (int block = kFirstVauxBlock; block < kFirstVauxBlock + kVauxBlocks; ++block) {
            for (size_t k = 0; k < kVauxPacksPerBlock; ++k) {
                uint8_t *pack = frame.data() + kSequenceSize * static_cast<size_t>(s)
                              + VauxPackOffset(block, static_cast<int>(k));
                if (pack[0] != kPackVideoSource)
                    continue;
                pack[3] = static_cast<uint8_t>(fields50 ? pack[3] | kSource50Fields : pack[3] & ~kSource50Fields);
            }
        }
    }
}

// The metadata blocks of each DIF sequence of a whole DV frame.
TSavedHeads HeadsOf(ByteSpan frame)
{
    TSavedHeads heads;
    const int sequences = SequencesForFrameSize(frame.size());
    for (int s = 0; s < sequences; ++s) {
        const ByteSpan head = frame.subspan(kSequenceSize * static_cast<size_t>(s), TSavedHead::kSize);
        std::copy(head.begin(), head.end(), heads.Entries[static_cast<size_t>(s)].Bytes.begin());
        heads.Entries[static_cast<size_t>(s)].Sample = 0;
    }
    heads.Sequences = sequences;
    return heads;
}

}  // namespace

void DvHeaderCore::Reset()
{
    overwriteDatecode_ = false;
    restoreHeaders_ = true;
    setAspect_ = false;
    timeDifference_ = 0;
}

void DvHeaderCore::SetStartDatecode(TDateTime value)
{
    startDatecode_ = value;
    nextDatecode_ = value;
    elapsedTicks_ = 0;
}

void DvHeaderCore::SetAspect(bool setAspect, bool wide)
{
    setAspect_ = setAspect;
    wide_ = wide;
}

void DvHeaderCore::ProcessFrame(MutableByteSpan sample, std::optional<FrameOrigin> origin)
{
    const int sequences = SequencesForFrameSize(sample.size());
    if (sequences == 0)
        return;
    if (restoreHeaders_ && !(origin && origin->blocksInPlace))
        Restore(sample, sequences, origin ? HeadsOf(origin->frame) : sceneDetector_.SavedHeads());
    if (timeDifference_ != 0) {
        const std::optional<TDatecodeRec> datecode = DvGetDatecode(sample, sequences);
        const std::optional<TDateTime> value = datecode ? DatecodeToDateTime(*datecode) : std::nullopt;
        if (const auto shifted = value ? CalendarDatecode(*value + timeDifference_) : std::nullopt)
            DvSetDatecode(sample, sequences, *shifted);
    }
    if (setAspect_)
        DvSetWide(sample, sequences, wide_);
    if (overwriteDatecode_) {
        if (const auto datecode = CalendarDatecode(nextDatecode_))
            DvSetDatecode(sample, sequences, *datecode);
        // Counted from the start, so that long runs gather no rounding drift.
        elapsedTicks_ += sequences == kSequences525 ? kFrameTicks525 : kFrameTicks625;
        nextDatecode_ = startDatecode_ + static_cast<double>(elapsedTicks_) / kTicksPerSecond / kSecondsPerDay;
    }
}

void DvHeaderCore::Restore(MutableByteSpan frame, int sequences, const TSavedHeads &heads) const
{
    if (!heads.Present())
        return;
    // Sequences the source frame did not have keep what the encoder wrote but for the
    // recording date, which every sequence carries. Across TV systems the frame keeps
    // its own header block, which names its system.
    const bool sameSystem = heads.Sequences == sequences;
    const size_t from = sameSystem ? 0 : kBlockSize * kFirstSubcodeBlock;
    const int restored = std::min(heads.Sequences, sequences);
    for (int s = 0; s < restored; ++s) {
        const auto &head = heads.Entries[static_cast<size_t>(s)].Bytes;
        std::copy(head.begin() + static_cast<std::ptrdiff_t>(from), head.end(),
                  frame.begin() + static_cast<std::ptrdiff_t>(kSequenceSize * static_cast<size_t>(s) + from));
    }
    if (sameSystem)
        return;
    SetSourceFieldRate(frame, restored, sequences == kSequences625);
    // The sequences a 525-line source lacks take the same recording date and time.
    if (restored < sequences)
        if (const auto datecode = DvGetDatecode(frame, restored))
            DvSetDatecode(frame, sequences, *datecode);
}

QString DatecodeOverwrittenText(TDateTime now)
{
    return FormatText(QStringLiteral("Datecode overwritten with %s by %s at %s"),
                      {QStringLiteral("Morvik"), QStringLiteral("Quenlor"), FormatDateTime(QStringLiteral("ddddd tt"), now)});
}
