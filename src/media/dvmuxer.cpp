#include "media/dvmuxer.h"

#include "formats/dvaudio.h"
#include "formats/dvinfo.h"
#include "formats/dvlayout.h"
#include "media/avisplitter.h"
#include "media/dvsplitter.h"
#include "media/mediaformats.h"

#include <algorithm>

namespace {

constexpr size_t kMaxAudioInputs = 2;
constexpr int kTwoPairRate = 32000;  // the only rate of 12-bit sound in two pairs
constexpr int kRates[] = {48000, 44100, 32000};

std::optional<WaveFormatEx> DvSound(const MediaType &type)
{
    if (type.majorType != MajorType::Audio || type.formatType != FormatType::WaveFormatEx)
        return std::nullopt;
    const std::optional<WaveFormatEx> wave = ParseWaveFormatEx(type.FormatBytes());
    if (!wave || wave->formatTag != kSubtypePcm || wave->bitsPerSample != 16 || wave->channels < 1
        || wave->channels > 2 || std::ranges::find(kRates, static_cast<int>(wave->samplesPerSec)) == std::end(kRates))
        return std::nullopt;
    return wave;
}

bool Is525Video(const MediaType &type)
{
    const std::optional<VideoInfoHeader> header = ParseVideoInfoHeader(type.FormatBytes());
    if (!header)
        return type.sampleSize == dvlayout::kFrameSize525;
    const int32_t height = header->bmiHeader.height < 0 ? -header->bmiHeader.height : header->bmiHeader.height;
    if (height == 480 || height == 576)
        return height == 480;
    return header->bmiHeader.sizeImage == dvlayout::kFrameSize525 || header->avgTimePerFrame == kFrameTime525;
}

// The first frame the video input will bring, when it comes unchanged from a file:
// straight from the AVI splitter or through a DV splitter. Empty otherwise.
std::vector<uint8_t> FirstSourceFrame(const InputPin &video)
{
    const Pin *peer = video.Peer();
    while (peer) {
        if (const auto *splitter = dynamic_cast<const AviSplitter *>(&peer->Owner()))
            return splitter->FirstChunk(static_cast<const OutputPin &>(*peer));
        const auto *dvSplitter = dynamic_cast<const DvSplitter *>(&peer->Owner());
        peer = dvSplitter ? dvSplitter->Input().Peer() : nullptr;
    }
    return {};
}

// A VAUX source pack that says only the system: 50/60 flag and standard-definition
// signal type, every other field "no information".
uint32_t SystemVauxSource(bool is525)
{
    const uint32_t pc3 = 0xC0u | (is525 ? 0x00u : 0x20u);
    return 0xFFu | 0xFFu << 8 | pc3 << 16 | 0xFFu << 24;
}

}  // namespace

DvMuxer::DvMuxer() : MuxFilter(QStringLiteral("DV Muxer"), InputPlace::BeforeOutput, 0), output_(AddOutputPin(QStringLiteral("Output")))
{
    AddInput();
}

InputPin *DvMuxer::Connected(MajorType major, const InputPin *except) const
{
    for (InputPin *input : Inputs())
        if (input != except && input->IsConnected() && input->ConnectionMediaType().majorType == major)
            return input;
    return nullptr;
}

bool DvMuxer::AcceptInputType(const InputPin &pin, const MediaType &type) const
{
    if (type.majorType == MajorType::Video)
        return type.subtype == kSubtypeDvsd && !Connected(MajorType::Video, &pin);
    const std::optional<WaveFormatEx> wave = DvSound(type);
    if (!wave)
        return false;
    // Two sound streams share the frame only as 12-bit sound at 32000 Hz.
    const InputPin *other = Connected(MajorType::Audio, &pin);
    if (!other)
        return true;
    const std::optional<WaveFormatEx> connected = DvSound(other->ConnectionMediaType());
    const auto sounds = std::ranges::count_if(Inputs(), [&pin](const InputPin *input) {
        return input != &pin && input->IsConnected() && input->ConnectionMediaType().majorType == MajorType::Audio;
    });
    return sounds < static_cast<std::ptrdiff_t>(kMaxAudioInputs) && connected && connected->samplesPerSec == kTwoPairRate
        && wave->samplesPerSec == kTwoPairRate;
}

std::vector<MediaType> DvMuxer::OutputTypes(const OutputPin &) const
{
    const InputPin *video = Connected(MajorType::Video);
    if (!video)
        return {};
    return {MakeInterleavedDvType(ExpectedDvInfo(*video))};
}

// The information block of the frames to come, as a reader takes it from the first one:
// the video's packs where its first frame can be read now (else the system alone), and
// the sound packs this muxer writes into it.
DvInfo DvMuxer::ExpectedDvInfo(const InputPin &video) const
{
    std::vector<uint8_t> frame = FirstSourceFrame(video);
    const std::optional<DvInfo> source = DvInfoFromFrame(frame);
    DvInfo info;
    if (source) {
        info = *source;
    } else {
        const bool is525 = Is525Video(video.ConnectionMediaType());
        frame.assign(is525 ? dvlayout::kFrameSize525 : dvlayout::kFrameSize625, 0);
        info.vauxSrc = SystemVauxSource(is525);
    }
    std::vector<int> rates;
    for (const InputPin *input : Inputs())
        if (input->IsConnected() && input != &video)
            if (const std::optional<WaveFormatEx> wave = DvSound(input->ConnectionMediaType()))
                rates.push_back(static_cast<int>(wave->samplesPerSec));
    if (rates.empty())
        return info;
    const std::vector<int16_t> silence(static_cast<size_t>(kDvMaxAudioSamples) * 2, 0);
    const std::span<const int16_t> second = rates.size() > 1 ? std::span<const int16_t>(silence) : std::span<const int16_t>();
    if (!DvInsertAudio(frame, rates.front(), rates.size() == kMaxAudioInputs ? 12 : 16, 0, silence, second))
        return info;
    const DvInfo written = *DvInfoFromFrame(frame);
    info.aauxSrc = written.aauxSrc;
    info.aauxCtl = written.aauxCtl;
    info.aauxSrc1 = written.aauxSrc1;
    info.aauxCtl1 = written.aauxCtl1;
    return info;
}

StreamResult DvMuxer::StartStreaming()
{
    sounds_.clear();
    rate_ = 0;
    video_ = Connected(MajorType::Video);
    // A muxer that the build left unconnected takes no part in the run.
    if (!InUse())
        return StreamResult::Ok();
    if (!video_)
        return StreamResult::Error(QStringLiteral("The DV muxer has no video stream."));
    for (InputPin *pin : Inputs()) {
        if (!pin->IsConnected() || pin == video_)
            continue;
        const WaveFormatEx wave = *DvSound(pin->ConnectionMediaType());
        rate_ = static_cast<int>(wave.samplesPerSec);
        sounds_.push_back({pin, wave.channels, {}, 0, {}});
    }
    bits_ = sounds_.size() == kMaxAudioInputs ? 12 : 16;
    Flush();
    return StreamResult::Ok();
}

void DvMuxer::Flush()
{
    while (!queued_.empty()) {
        spareFrames_.push_back(std::move(queued_.front()));
        queued_.pop_front();
    }
    for (Sound &sound : sounds_) {
        sound.pending.clear();
        sound.firstSample = 0;
    }
    framesOut_ = 0;
    samplesOut_ = 0;
    ended_ = false;
}

StreamResult DvMuxer::Receive(InputPin &pin, MediaSample &sample)
{
    // Sound past the end of the video has no frame to go into.
    if (ended_)
        return StreamResult::End();
    if (&pin == video_) {
        MediaSample frame;
        if (!spareFrames_.empty()) {
            frame = std::move(spareFrames_.back());
            spareFrames_.pop_back();
        }
        const ByteSpan data = sample.Data();
        frame.ResetProperties();
        frame.Reserve(data.size());
        frame.SetActualLength(data.size());
        std::copy(data.begin(), data.end(), frame.Data().begin());
        frame.SetTime(sample.Time());
        frame.SetMediaTimes(sample.MediaTimes());
        queued_.push_back(std::move(frame));
    } else {
        const auto sound = std::ranges::find(sounds_, &pin, &Sound::pin);
        if (sound == sounds_.end())
            return StreamResult::Ok();
        const ByteSpan data = sample.Data();
        const size_t values = data.size() / 2;
        const size_t from = sound->pending.size();
        // Mono fills both channels.
        const size_t copies = sound->channels == 1 ? 2 : 1;
        sound->pending.resize(from + values * copies);
        int16_t *out = sound->pending.data() + from;
        for (size_t i = 0; i < values; ++i) {
            const auto value = static_cast<int16_t>(ReadLE16(data.data() + 2 * i));
            for (size_t c = 0; c < copies; ++c)
                *out++ = value;
        }
    }
    StreamResult result = DeliverReadyFrames();
    if (result.IsOk() && video_->AtEndOfStream() && queued_.empty()) {
        ended_ = true;
        result = output_.DeliverEndOfStream();
    }
    return result.IsOk() && ended_ ? StreamResult::End() : result;
}

int64_t DvMuxer::SamplesWanted(const MediaSample &frame) const
{
    return DvAudioSamplesForFrame(frame.ActualLength() == dvlayout::kFrameSize525, rate_, framesOut_);
}

// Sound samples of `sound` that lie in [samplesOut_, samplesOut_ + wanted).
int64_t DvMuxer::Available(const Sound &sound, int64_t wanted) const
{
    const int64_t end = sound.firstSample + static_cast<int64_t>(sound.pending.size() / 2);
    return std::clamp<int64_t>(end - samplesOut_, 0, wanted);
}

StreamResult DvMuxer::DeliverReadyFrames()
{
    while (!queued_.empty()) {
        const int64_t wanted = SamplesWanted(queued_.front());
        const bool soundReady = std::ranges::all_of(sounds_, [&](const Sound &sound) {
            return sound.pin->AtEndOfStream() || Available(sound, wanted) == wanted;
        });
        if (!soundReady && queued_.size() <= kMaxQueuedFrames)
            return StreamResult::Ok();
        MediaSample frame = std::move(queued_.front());
        queued_.pop_front();
        StreamResult result = DeliverFrame(frame, wanted);
        spareFrames_.push_back(std::move(frame));
        if (!result.IsOk())
            return result;
    }
    return StreamResult::Ok();
}

StreamResult DvMuxer::DeliverFrame(MediaSample &out, int64_t wanted)
{
    out.SetSyncPoint(true);
    if (!sounds_.empty() && wanted > 0) {
        for (Sound &sound : sounds_) {
            // Samples before the frame's place came too late; missing ones are silence.
            const int64_t pendingSamples = static_cast<int64_t>(sound.pending.size() / 2);
            const int64_t late = samplesOut_ - sound.firstSample;
            const int64_t dropped = std::min(late, pendingSamples);
            const int64_t taken = dropped == late ? std::min(pendingSamples - dropped, wanted) : 0;
            sound.frameSamples.assign(static_cast<size_t>(wanted) * 2, 0);
            const auto from = sound.pending.begin() + static_cast<std::ptrdiff_t>(dropped * 2);
            std::copy(from, from + static_cast<std::ptrdiff_t>(taken * 2), sound.frameSamples.begin());
            sound.pending.erase(sound.pending.begin(), from + static_cast<std::ptrdiff_t>(taken * 2));
            sound.firstSample += dropped + taken;
        }
        const std::span<const int16_t> second =
            sounds_.size() > 1 ? std::span<const int16_t>(sounds_[1].frameSamples) : std::span<const int16_t>();
        DvInsertAudio(out.Data(), rate_, bits_, framesOut_, sounds_[0].frameSamples, second);
        samplesOut_ += wanted;
    }
    ++framesOut_;
    return output_.Deliver(out);
}

StreamResult DvMuxer::EndOfStream(InputPin &)
{
    if (ended_)
        return StreamResult::Ok();
    StreamResult result = DeliverReadyFrames();
    if (!result.IsOk() || !video_->AtEndOfStream() || !queued_.empty())
        return result;
    // The stream ends with the video, once its last frame has its sound.
    ended_ = true;
    return output_.DeliverEndOfStream();
}
