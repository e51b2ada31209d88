#include "framemaker.h"

#include "formats/dvaudio.h"
#include "formats/dvlayout.h"
#include "testpattern.h"

extern "C" {
#include <libavutil/frame.h>
}

#include <cmath>

namespace {

// Turns the empty slots where a camcorder keeps its metadata into packs of the
// right kind, so that the writers below fill them: timecode packs in every
// subcode slot, and recording date and time packs after the video source and
// control packs of each VAUX block, where camcorders and FFmpeg's muxer put them.
void PrepareMetadataSlots(MutableByteSpan frame, int sequences, bool withDatecode)
{
    for (int s = 0; s < sequences; ++s) {
        uint8_t *sequence = frame.data() + s * dvlayout::kSequenceSize;
        for (int block = dvlayout::kFirstSubcodeBlock; block < dvlayout::kFirstSubcodeBlock + dvlayout::kSubcodeBlocks;
             ++block)
            for (int k = 0; k < static_cast<int>(dvlayout::kSubcodePacksPerBlock); ++k) {
                uint8_t *pack = sequence + dvlayout::SubcodePackOffset(block, k);
                pack[0] = kPackTimecode;
                std::fill(pack + 1, pack + dvlayout::kPackSize, 0x00);
            }
        if (!withDatecode)
            continue;
        for (int block = dvlayout::kFirstVauxBlock; block < dvlayout::kFirstVauxBlock + dvlayout::kVauxBlocks; ++block)
            for (int k : {2, 11}) {
                sequence[dvlayout::VauxPackOffset(block, k)] = kPackRecordingDate;
                sequence[dvlayout::VauxPackOffset(block, k + 1)] = kPackRecordingTime;
            }
    }
}

}  // namespace

FrameMaker::FrameMaker(const RecordingPlan &plan) : plan_(plan)
{
}

FrameMaker::~FrameMaker()
{
    av_frame_free(&picture_);
}

std::optional<QString> FrameMaker::Open()
{
    if (auto error = encoder_.Open(plan_.ntsc))
        return error;
    picture_ = av_frame_alloc();
    if (!picture_)
        return QStringLiteral("out of memory");
    picture_->format = encoder_.PixelFormat();
    picture_->width = encoder_.Width();
    picture_->height = encoder_.Height();
    if (av_frame_get_buffer(picture_, 0) < 0)
        return QStringLiteral("out of memory");
    if (!plan_.stretches.empty())
        timecode_ = plan_.stretches.front().timecode;
    return std::nullopt;
}

int64_t FrameMaker::TotalFrames() const
{
    int64_t total = 0;
    for (const PlanStretch &stretch : plan_.stretches)
        total += stretch.frames;
    return total;
}

int FrameMaker::AudioRate() const
{
    switch (plan_.audio) {
    case PlanAudio::Pcm48k16: return 48000;
    case PlanAudio::Pcm32k12: return 32000;
    case PlanAudio::None: break;
    }
    return 0;
}

void FrameMaker::AdvanceTimecode()
{
    const int fps = plan_.ntsc ? 30 : 25;
    if (++timecode_.frames < fps)
        return;
    timecode_.frames = 0;
    if (++timecode_.seconds < 60)
        return;
    timecode_.seconds = 0;
    if (++timecode_.minutes < 60)
        return;
    timecode_.minutes = 0;
    timecode_.hours = static_cast<uint8_t>((timecode_.hours + 1) % 24);
}

std::optional<QString> FrameMaker::Next(MutableByteSpan frame, std::vector<int16_t> &pcm)
{
    while (stretch_ < plan_.stretches.size() && frameInStretch_ >= plan_.stretches[stretch_].frames) {
        ++stretch_;
        frameInStretch_ = 0;
        if (stretch_ < plan_.stretches.size() && plan_.stretches[stretch_].timecodeGiven)
            timecode_ = plan_.stretches[stretch_].timecode;
    }
    if (stretch_ >= plan_.stretches.size())
        return QStringLiteral("no frame left");
    const PlanStretch &stretch = plan_.stretches[stretch_];

    if (av_frame_make_writable(picture_) < 0)
        return QStringLiteral("out of memory");
    FillTestPattern(picture_, static_cast<int>(stretch_), static_cast<int>(frameNumber_));
    picture_->pts = frameNumber_;
    if (auto error = encoder_.Encode(picture_, frame))
        return error;

    const int sequences = plan_.ntsc ? dvlayout::kSequences525 : dvlayout::kSequences625;
    PrepareMetadataSlots(frame, sequences, stretch.hasDatecode);
    DvSetTimecode(frame, sequences, timecode_);
    if (stretch.hasDatecode) {
        const double frameSeconds = plan_.ntsc ? 1001.0 / 30000.0 : 1.0 / 25.0;
        const TDateTime when = stretch.start + frameInStretch_ * frameSeconds / kSecondsPerDay;
        DvSetDatecode(frame, sequences, DateTimeToDatecode(when));
    }
    DvSetWide(frame, sequences, plan_.wide);

    pcm.clear();
    if (const int rate = AudioRate()) {
        const int samples = DvAudioSamplesForFrame(plan_.ntsc, rate, frameNumber_);
        pcm.resize(static_cast<size_t>(samples) * 2);
        // A tone whose pitch tells the recordings apart; the phase runs on across frames.
        const double hertz = 440.0 * (1 + static_cast<int>(stretch_ % 4));
        for (int i = 0; i < samples; ++i) {
            const auto value = static_cast<int16_t>(8000 * std::sin(tonePhase_));
            tonePhase_ = std::fmod(tonePhase_ + 2 * M_PI * hertz / rate, 2 * M_PI);
            pcm[2 * i] = value;
            pcm[2 * i + 1] = static_cast<int16_t>(-value);
        }
        const int bits = plan_.audio == PlanAudio::Pcm32k12 ? 12 : 16;
        if (!DvInsertAudio(frame, rate, bits, frameNumber_, pcm))
            return QStringLiteral("the sound could not be written into frame %1").arg(frameNumber_);
        if (bits == 12)
            for (int16_t &value : pcm)
                value = DvExpand12(DvCompress12(value));
    }

    AdvanceTimecode();
    ++frameInStretch_;
    ++frameNumber_;
    return std::nullopt;
}
