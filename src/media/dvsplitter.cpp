#include "media/dvsplitter.h"

#include "formats/dvlayout.h"
#include "media/avisplitter.h"
#include "media/mediaformats.h"

#include <algorithm>

namespace {

constexpr int kPictureWidth = 720;
constexpr int kPictureHeight525 = 480;
constexpr int kPictureHeight625 = 576;
constexpr uint32_t kPcmBytesPerFrame = 4;  // 16-bit stereo

// PC3 of the VAUX and AAUX source packs: the 50/60 flag, set for 625/50.
bool PackSays525(uint32_t word) { return word != DvInfo::kNoPack && ((word >> 16) & 0x20) == 0; }

MediaType DvVideoType(bool is525)
{
    const size_t frameSize = is525 ? dvlayout::kFrameSize525 : dvlayout::kFrameSize625;
    const MediaTime frameTime = is525 ? kFrameTime525 : kFrameTime625;
    VideoInfoHeader header;
    header.source = header.target = {0, 0, kPictureWidth, is525 ? kPictureHeight525 : kPictureHeight625};
    header.bitRate = static_cast<uint32_t>(frameSize * 8 * kUnitsPerSecond / frameTime);
    header.avgTimePerFrame = frameTime;
    header.bmiHeader.width = kPictureWidth;
    header.bmiHeader.height = is525 ? kPictureHeight525 : kPictureHeight625;
    header.bmiHeader.bitCount = 24;
    header.bmiHeader.compression = kSubtypeDvsd;
    header.bmiHeader.sizeImage = static_cast<uint32_t>(frameSize);
    return MakeVideoType(kSubtypeDvsd, header);
}

MediaType PcmType(int rate)
{
    WaveFormatEx format;
    format.channels = 2;
    format.samplesPerSec = static_cast<uint32_t>(rate);
    format.bitsPerSample = 16;
    format.blockAlign = kPcmBytesPerFrame;
    format.avgBytesPerSec = format.samplesPerSec * kPcmBytesPerFrame;
    return MakeAudioType(format);
}

}  // namespace

DvSplitter::DvSplitter() : Filter(QStringLiteral("DV Splitter")), input_(AddInputPin(QStringLiteral("Input"))) {}

bool DvSplitter::AcceptInputType(const InputPin &pin, const MediaType &type) const
{
    return &pin == &input_ && type.majorType == MajorType::Interleaved;
}

std::vector<MediaType> DvSplitter::OutputTypes(const OutputPin &pin) const
{
    if (&pin == video_)
        return {DvVideoType(is525_)};
    for (const AudioOutput &output : audio_)
        if (output.pin == &pin)
            return {PcmType(audioRate_)};
    return {};
}

bool DvSplitter::CompleteConnect(Pin &pin)
{
    if (&pin != &input_)
        return true;
    RemoveOutputs();
    const DvInfo declared = ParseDvInfo(input_.ConnectionMediaType().FormatBytes()).value_or(DvInfo{});
    const std::optional<DvInfo> frame = FirstFrameInfo();
    const DvInfo &info = frame ? *frame : declared;
    is525_ = info.vauxSrc != DvInfo::kNoPack ? PackSays525(info.vauxSrc) : PackSays525(info.aauxSrc);
    video_ = &AddOutputPin(QStringLiteral("DVVidOut0"));
    // A first frame without sound leaves the word to the stream format.
    std::optional<DvAudioInfo> sound = frame ? DvAudioInfoFromDvInfo(*frame) : std::nullopt;
    if (!sound)
        sound = DvAudioInfoFromDvInfo(declared);
    if (sound) {
        audioRate_ = sound->rate;
        audio_.push_back({&AddOutputPin(QStringLiteral("AudOut00")), DvAudioPairs::First});
        if (sound->pairs == 2)
            audio_.push_back({&AddOutputPin(QStringLiteral("AudOut01")), DvAudioPairs::Second});
    }
    return true;
}

// Some writers put a fixed block in the stream format that does not describe the
// frames (48 kHz 16-bit for 32 kHz 12-bit sound): the first frame, when it can be
// read, says what the stream carries.
std::optional<DvInfo> DvSplitter::FirstFrameInfo() const
{
    const auto *splitter = dynamic_cast<const AviSplitter *>(&input_.Peer()->Owner());
    if (!splitter)
        return std::nullopt;
    return DvInfoFromFrame(splitter->FirstChunk(static_cast<const OutputPin &>(*input_.Peer())));
}

void DvSplitter::BreakConnect(Pin &pin)
{
    if (&pin == &input_)
        RemoveOutputs();
}

void DvSplitter::RemoveOutputs()
{
    for (const AudioOutput &output : audio_)
        RemovePin(*output.pin);
    audio_.clear();
    if (video_)
        RemovePin(*video_);
    video_ = nullptr;
}

StreamResult DvSplitter::StartStreaming()
{
    frames_ = 0;
    return StreamResult::Ok();
}

MediaSample &DvSplitter::FillSound(const AudioOutput &output, const MediaSample &frame)
{
    const ByteSpan data = frame.Data();
    std::optional<int> samples = DvExtractAudio(data, output.pair, pcm_);
    if (!samples) {
        // A frame without usable sound keeps its place in the sound stream as silence.
        samples = DvAudioSamplesForFrame(is525_, audioRate_, frames_);
        std::fill_n(pcm_.begin(), std::min<size_t>(static_cast<size_t>(*samples) * 2, pcm_.size()), int16_t{0});
    }
    const size_t values = std::min<size_t>(static_cast<size_t>(*samples) * 2, pcm_.size());
    MediaSample &sound = output.pin->GetDeliveryBuffer(values * 2);
    uint8_t *out = sound.Data().data();
    for (size_t i = 0; i < values; ++i)
        WriteLE16(out + 2 * i, static_cast<uint16_t>(pcm_[i]));
    sound.SetTime(frame.Time());
    sound.SetSyncPoint(true);
    sound.SetDiscontinuity(frame.IsDiscontinuity());
    return sound;
}

StreamResult DvSplitter::Receive(InputPin &, MediaSample &sample)
{
    const bool dvFrame = dvlayout::SequencesForFrameSize(sample.ActualLength()) > 0;
    // The sound is taken out first: a filter on the picture branch may change the frame in place.
    std::array<MediaSample *, kMaxAudioOutputs> sounds{};
    for (size_t i = 0; i < audio_.size(); ++i)
        if (dvFrame && audio_[i].pin->IsConnected())
            sounds[i] = &FillSound(audio_[i], sample);
    StreamResult result = video_->Deliver(sample);
    for (size_t i = 0; i < audio_.size() && result.IsOk(); ++i)
        if (sounds[i])
            result = audio_[i].pin->Deliver(*sounds[i]);
    if (dvFrame)
        ++frames_;
    return result;
}
