#include "media/soundconverter.h"

#include "media/filtergraph.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>

namespace {

constexpr uint32_t kMinRate = 8000;
constexpr uint32_t kMaxRate = 192000;
constexpr uint16_t kMaxInputChannels = 8;
// Samples the resampler may hold back beyond what the rate ratio gives.
constexpr int64_t kResamplerSlack = 256;

AVSampleFormat SampleFormat(uint16_t bits) { return bits == 8 ? AV_SAMPLE_FMT_U8 : AV_SAMPLE_FMT_S16; }

bool Complete(WaveFormatEx &format)
{
    if (format.formatTag != kSubtypePcm || format.channels < 1 || format.channels > 2
        || (format.bitsPerSample != 8 && format.bitsPerSample != 16) || format.samplesPerSec < kMinRate
        || format.samplesPerSec > kMaxRate)
        return false;
    format.blockAlign = static_cast<uint16_t>(format.channels * format.bitsPerSample / 8);
    format.avgBytesPerSec = format.samplesPerSec * format.blockAlign;
    format.cbSize = 0;
    return true;
}

}  // namespace

SoundConverter::SoundConverter() : TBCTransformFilter(QStringLiteral("ACM Wrapper")) {}

SoundConverter::~SoundConverter()
{
    CloseResampler();
}

std::optional<WaveFormatEx> SoundConverter::InputFormat() const
{
    if (!Input().IsConnected())
        return std::nullopt;
    return ParseWaveFormatEx(Input().ConnectionMediaType().FormatBytes());
}

WaveFormatEx SoundConverter::OutputFormat() const
{
    if (format_)
        return *format_;
    WaveFormatEx format = InputFormat().value_or(WaveFormatEx{});
    format.cbSize = 0;
    return format;
}

bool SoundConverter::SetFormat(const WaveFormatEx &format)
{
    WaveFormatEx complete = format;
    if (!Complete(complete))
        return false;
    const std::optional<WaveFormatEx> previous = format_;
    format_ = complete;
    InputPin *peer = Output().PeerInput();
    if (!peer)
        return true;
    FilterGraph &graph = *Graph();
    if (graph.Disconnect(Output()) && graph.Connect(Output(), *peer))
        return true;
    format_ = previous;
    if (!Output().IsConnected())
        graph.Connect(Output(), *peer);
    return false;
}

bool SoundConverter::CheckInputType(const MediaType &type) const
{
    if (type.majorType != MajorType::Audio || type.formatType != FormatType::WaveFormatEx)
        return false;
    const std::optional<WaveFormatEx> wave = ParseWaveFormatEx(type.FormatBytes());
    return wave && wave->formatTag == kSubtypePcm && (wave->bitsPerSample == 8 || wave->bitsPerSample == 16)
        && wave->channels >= 1 && wave->channels <= kMaxInputChannels && wave->samplesPerSec >= kMinRate
        && wave->samplesPerSec <= kMaxRate && wave->blockAlign == wave->channels * wave->bitsPerSample / 8;
}

std::optional<MediaType> SoundConverter::GetMediaType(int position) const
{
    if (position > 0)
        return std::nullopt;
    return MakeAudioType(OutputFormat());
}

bool SoundConverter::OpenResampler()
{
    CloseResampler();
    AVChannelLayout inLayout;
    AVChannelLayout outLayout;
    av_channel_layout_default(&inLayout, in_.channels);
    av_channel_layout_default(&outLayout, out_.channels);
    const int made = swr_alloc_set_opts2(&swr_, &outLayout, SampleFormat(out_.bitsPerSample),
                                         static_cast<int>(out_.samplesPerSec), &inLayout,
                                         SampleFormat(in_.bitsPerSample), static_cast<int>(in_.samplesPerSec), 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    if (made < 0 || swr_init(swr_) < 0) {
        CloseResampler();
        return false;
    }
    baseTime_.reset();
    samplesOut_ = 0;
    return true;
}

void SoundConverter::CloseResampler()
{
    swr_free(&swr_);
}

StreamResult SoundConverter::StartStreaming()
{
    // A converter that the build left unconnected takes no part in the run.
    if (!Input().IsConnected())
        return StreamResult::Ok();
    const std::optional<WaveFormatEx> input = InputFormat();
    if (!input)
        return StreamResult::Error(QStringLiteral("The sound converter's input has no wave format."));
    in_ = *input;
    out_ = OutputFormat();
    if (!OpenResampler())
        return StreamResult::Error(QStringLiteral("The sound cannot be converted from %1 Hz to %2 Hz.")
                                       .arg(in_.samplesPerSec)
                                       .arg(out_.samplesPerSec));
    return StreamResult::Ok();
}

StreamResult SoundConverter::StopStreaming(bool)
{
    CloseResampler();
    return StreamResult::Ok();
}

void SoundConverter::Flush()
{
    if (swr_)
        OpenResampler();
}

size_t SoundConverter::DecideBufferSize(const MediaSample &input) const
{
    const int64_t inSamples = static_cast<int64_t>(input.ActualLength() / std::max<uint16_t>(in_.blockAlign, 1));
    const int64_t outSamples = inSamples * out_.samplesPerSec / std::max<uint32_t>(in_.samplesPerSec, 1) + kResamplerSlack;
    return static_cast<size_t>(outSamples) * out_.blockAlign;
}

void SoundConverter::StampTimes(MediaSample &output, int64_t samples)
{
    const MediaTime base = baseTime_.value_or(0);
    const auto at = [&](int64_t count) { return base + count * kUnitsPerSecond / out_.samplesPerSec; };
    output.SetTime(MediaTimeRange{at(samplesOut_), at(samplesOut_ + samples)});
    output.SetMediaTimes(std::nullopt);
    samplesOut_ += samples;
}

StreamResult SoundConverter::Transform(const MediaSample &input, MediaSample &output)
{
    if (!swr_)
        return StreamResult::Error(QStringLiteral("The sound converter is not streaming."));
    if (!baseTime_)
        baseTime_ = input.Time() ? input.Time()->start : 0;
    const uint8_t *in = input.Data().data();
    uint8_t *out = output.Buffer().data();
    const auto inSamples = static_cast<int>(input.ActualLength() / in_.blockAlign);
    const auto capacity = static_cast<int>(output.Capacity() / out_.blockAlign);
    const int converted = swr_convert(swr_, &out, capacity, &in, inSamples);
    if (converted < 0)
        return StreamResult::Error(QStringLiteral("The sound could not be converted."));
    output.SetActualLength(static_cast<size_t>(converted) * out_.blockAlign);
    StampTimes(output, converted);
    return StreamResult::Ok();
}

StreamResult SoundConverter::EndOfStream(InputPin &pin)
{
    // What the resampler still holds belongs at the end of the stream.
    while (swr_) {
        const int64_t held = swr_get_out_samples(swr_, 0);
        if (held <= 0)
            break;
        MediaSample &output = Output().GetDeliveryBuffer(static_cast<size_t>(held) * out_.blockAlign);
        uint8_t *out = output.Buffer().data();
        const int converted = swr_convert(swr_, &out, static_cast<int>(held), nullptr, 0);
        if (converted <= 0)
            break;
        output.SetActualLength(static_cast<size_t>(converted) * out_.blockAlign);
        StampTimes(output, converted);
        output.SetSyncPoint(true);
        StreamResult result = Output().Deliver(output);
        if (!result.IsOk())
            return result;
    }
    return TBCTransformFilter::EndOfStream(pin);
}
