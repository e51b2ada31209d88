#include "media/avimux.h"

#include "formats/aviwriter.h"
#include "formats/dvlayout.h"
#include "media/filewriter.h"

#include <algorithm>

namespace {

constexpr uint16_t kSoundBits = 16;

bool IsDvVideo(const MediaType &type) { return type.majorType == MajorType::Video && type.subtype == kSubtypeDvsd; }

std::optional<avi::WaveFormat> Pcm16(const MediaType &type)
{
    if (type.majorType != MajorType::Audio || type.formatType != FormatType::WaveFormatEx)
        return std::nullopt;
    const std::optional<avi::WaveFormat> wave = avi::ReadWaveFormat(type.FormatBytes());
    if (!wave || wave->formatTag != avi::kWaveFormatPcm || wave->bitsPerSample != kSoundBits || wave->channels == 0
        || wave->samplesPerSec == 0 || wave->blockAlign != wave->channels * (kSoundBits / 8))
        return std::nullopt;
    return wave;
}

ByteSpan Bytes(const std::vector<uint8_t> &data) { return {data.data(), data.size()}; }

}  // namespace

AviMux::AviMux() : MuxFilter(QStringLiteral("AVI Mux"), InputPlace::AtEnd, 2), output_(AddOutputPin(QStringLiteral("AVI Out")))
{
    AddInput();
}

AviMux::~AviMux() = default;

void AviMux::SetInfo(FourCC id, const QString &text)
{
    const auto found = std::ranges::find(info_, id, &AviInfoEntry::id);
    if (found != info_.end())
        found->text = text;
    else
        info_.push_back({id, text});
}

std::optional<MediaTime> AviMux::LastSampleTime() const
{
    const MediaTime start = lastStart_.load(std::memory_order_relaxed);
    if (start == kNoTime)
        return std::nullopt;
    return start;
}

bool AviMux::HasConnected(MajorType major) const
{
    return std::ranges::any_of(Inputs(), [major](const InputPin *input) {
        return input->IsConnected() && input->ConnectionMediaType().majorType == major;
    });
}

int AviMux::ConnectedAudio() const
{
    return static_cast<int>(std::ranges::count_if(Inputs(), [](const InputPin *input) {
        return input->IsConnected() && input->ConnectionMediaType().majorType == MajorType::Audio;
    }));
}

bool AviMux::AcceptInputType(const InputPin &, const MediaType &type) const
{
    // A type 1 file holds its one interleaved stream and nothing else.
    if (HasConnected(MajorType::Interleaved))
        return false;
    if (type.majorType == MajorType::Interleaved)
        return !HasConnected(MajorType::Video) && !HasConnected(MajorType::Audio);
    if (IsDvVideo(type))
        return !HasConnected(MajorType::Video);
    return Pcm16(type) && ConnectedAudio() < static_cast<int>(AviWriter::kMaxAudioStreams);
}

std::vector<MediaType> AviMux::OutputTypes(const OutputPin &) const
{
    MediaType type;
    type.majorType = MajorType::Stream;
    type.subtype = kSubtypeAvi;
    return {type};
}

StreamResult AviMux::StartStreaming()
{
    writer_.reset();
    finished_ = false;
    queued_.clear();
    sounds_.clear();
    video_ = nullptr;
    type1_ = false;
    lastStart_.store(kNoTime, std::memory_order_relaxed);
    framesWritten_.store(0, std::memory_order_relaxed);
    // A mux that the build left unconnected takes no part in the run.
    if (!InUse()) {
        finished_ = true;
        return StreamResult::Ok();
    }
    const auto *sink = output_.IsConnected() ? dynamic_cast<const FileWriter *>(&output_.Peer()->Owner()) : nullptr;
    if (!sink)
        return StreamResult::Error(QStringLiteral("The AVI mux is connected to no file writer."));
    target_ = sink->TargetPath();
    for (InputPin *input : Inputs()) {
        if (!input->IsConnected())
            continue;
        const MediaType &type = input->ConnectionMediaType();
        if (type.majorType == MajorType::Audio) {
            const avi::WaveFormat wave = *Pcm16(type);
            sounds_.push_back({input, wave.samplesPerSec, wave.channels, wave.blockAlign, {}, 0});
        } else {
            video_ = input;
            type1_ = type.majorType == MajorType::Interleaved;
        }
    }
    if (!video_)
        return StreamResult::Error(QStringLiteral("The AVI mux has no video stream to write."));
    return StreamResult::Ok();
}

StreamResult AviMux::Fail(const QString &message)
{
    if (writer_)
        writer_->Discard();
    writer_.reset();
    finished_ = true;
    queued_.clear();
    return StreamResult::Error(message);
}

uint64_t AviMux::SamplesUpToFrame(const SoundStream &sound, uint64_t frames) const
{
    return ntsc_ ? frames * sound.rate * 1001 / 30000 : frames * sound.rate / 25;
}

StreamResult AviMux::EnsureWriter(size_t frameSize)
{
    if (writer_)
        return StreamResult::Ok();
    AviWriterSettings settings;
    settings.type = type1_ ? AviDvType::Type1 : AviDvType::Type2;
    ntsc_ = frameSize == dvlayout::kFrameSize525;
    settings.ntsc = ntsc_;
    for (const SoundStream &sound : sounds_)
        settings.audio.push_back({sound.rate, sound.channels});
    settings.info = info_;
    AviCreateResult created = AviWriter::Create(target_, std::move(settings));
    if (!created.writer)
        return Fail(created.error);
    writer_ = std::move(created.writer);
    return StreamResult::Ok();
}

uint64_t AviMux::SamplesOwed(const SoundStream &sound) const
{
    const uint64_t due = SamplesUpToFrame(sound, writer_->FramesWritten() + uint64_t{1});
    return due - std::min(sound.samplesWritten, due);
}

StreamResult AviMux::WriteFrame(ByteSpan frame)
{
    if (StreamResult created = EnsureWriter(frame.size()); !created.IsOk())
        return created;
    std::array<ByteSpan, AviWriter::kMaxAudioStreams> chunks{};
    for (size_t i = 0; i < sounds_.size(); ++i) {
        const SoundStream &sound = sounds_[i];
        const uint64_t samples = std::min({SamplesOwed(sound), uint64_t{sound.pending.size() / sound.blockAlign},
                                           uint64_t{AviWriter::kMaxAudioChunk / sound.blockAlign}});
        chunks[i] = ByteSpan(sound.pending.data(), samples * sound.blockAlign);
    }
    const AviWriteResult written = writer_->WriteFrame(frame, std::span(chunks.data(), sounds_.size()));
    if (!written.ok)
        return Fail(written.error);
    for (size_t i = 0; i < sounds_.size(); ++i) {
        SoundStream &sound = sounds_[i];
        sound.samplesWritten += chunks[i].size() / sound.blockAlign;
        sound.pending.erase(sound.pending.begin(), sound.pending.begin() + static_cast<std::ptrdiff_t>(chunks[i].size()));
    }
    framesWritten_.store(writer_->FramesWritten(), std::memory_order_relaxed);
    return StreamResult::Ok();
}

// A frame waits until each sound stream has its share or has ended; all wait at the
// end, or when too many frames are held back.
StreamResult AviMux::WriteReadyFrames(bool flush)
{
    while (!queued_.empty()) {
        const size_t frameSize = queued_.front().size();
        if (StreamResult created = EnsureWriter(frameSize); !created.IsOk())
            return created;
        const bool soundReady = std::ranges::all_of(sounds_, [this](const SoundStream &sound) {
            return sound.pin->AtEndOfStream() || sound.pending.size() / sound.blockAlign >= SamplesOwed(sound);
        });
        if (!flush && !soundReady && queued_.size() <= kMaxQueuedFrames)
            break;
        std::vector<uint8_t> frame = std::move(queued_.front());
        queued_.pop_front();
        StreamResult result = WriteFrame(Bytes(frame));
        spareFrames_.push_back(std::move(frame));
        if (!result.IsOk())
            return result;
    }
    return StreamResult::Ok();
}

StreamResult AviMux::Receive(InputPin &pin, MediaSample &sample)
{
    if (finished_)
        return StreamResult::End();
    if (&pin == video_) {
        if (sample.Time())
            lastStart_.store(sample.Time()->start, std::memory_order_relaxed);
        if (type1_)
            return WriteFrame(sample.Data());
        std::vector<uint8_t> frame = spareFrames_.empty() ? std::vector<uint8_t>() : std::move(spareFrames_.back());
        if (!spareFrames_.empty())
            spareFrames_.pop_back();
        frame.assign(sample.Data().begin(), sample.Data().end());
        queued_.push_back(std::move(frame));
    } else {
        const auto sound = std::ranges::find(sounds_, &pin, &SoundStream::pin);
        if (sound == sounds_.end())
            return StreamResult::Ok();
        sound->pending.insert(sound->pending.end(), sample.Data().begin(), sample.Data().end());
    }
    return WriteReadyFrames(false);
}

StreamResult AviMux::Finish()
{
    if (finished_)
        return StreamResult::Ok();
    if (StreamResult flushed = WriteReadyFrames(true); !flushed.IsOk())
        return flushed;
    // A run without frames still leaves a valid, empty file.
    if (StreamResult created = EnsureWriter(0); !created.IsOk())
        return created;
    finished_ = true;
    const AviWriteResult closed = writer_->Close();
    writer_.reset();
    if (!closed.ok)
        return StreamResult::Error(closed.error);
    return StreamResult::Ok();
}

StreamResult AviMux::EndOfStream(InputPin &)
{
    for (const InputPin *input : Inputs())
        if (input->IsConnected() && !input->AtEndOfStream())
            return WriteReadyFrames(false);
    if (StreamResult finished = Finish(); !finished.IsOk())
        return finished;
    return output_.DeliverEndOfStream();
}

StreamResult AviMux::StopStreaming(bool)
{
    StreamResult result = Finish();
    queued_.clear();
    spareFrames_.clear();
    for (SoundStream &sound : sounds_)
        sound.pending.clear();
    return result;
}
