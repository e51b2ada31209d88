#include "media/dv_wavedest.h"

#include "media/filewriter.h"

Tdv_WaveDest::Tdv_WaveDest() : TBCTransformFilter(QStringLiteral("WavDest filter")) {}

bool Tdv_WaveDest::CheckInputType(const MediaType &type) const
{
    return type.formatType == FormatType::WaveFormatEx;
}

std::optional<MediaType> Tdv_WaveDest::GetMediaType(int position) const
{
    if (position > 0)
        return std::nullopt;
    MediaType type;
    type.majorType = MajorType::Stream;
    type.subtype = kSubtypeWave;
    return type;
}

StreamResult Tdv_WaveDest::StartStreaming()
{
    headerSize_ = kHeaderOverhead + static_cast<uint32_t>(Input().ConnectionMediaType().format.size());
    dataSize_ = 0;
    return StreamResult::Ok();
}

StreamResult Tdv_WaveDest::Transform(const MediaSample &input, MediaSample &output)
{
    const size_t n = input.ActualLength();
    output.Reserve(n);
    std::copy_n(input.Data().data(), n, output.Buffer().data());
    output.SetActualLength(n);
    const uint64_t start = uint64_t{headerSize_} + dataSize_;
    if (start + n > UINT32_MAX)
        return StreamResult::Error(QStringLiteral("The sound does not fit in a WAV file of 4 GB."));
    output.SetTime(MediaTimeRange{static_cast<int64_t>(start), static_cast<int64_t>(start + n)});
    dataSize_ += static_cast<uint32_t>(n);
    return StreamResult::Ok();
}

StreamResult Tdv_WaveDest::Receive(InputPin &pin, MediaSample &sample)
{
    const uint32_t before = dataSize_;
    StreamResult result = TBCTransformFilter::Receive(pin, sample);
    if (!result.IsOk())
        dataSize_ = before;
    return result;
}

QByteArray Tdv_WaveDest::BuildHeader(const QByteArray &formatBlock, uint32_t dataSize)
{
    const auto f = static_cast<uint32_t>(formatBlock.size());
    QByteArray header(static_cast<qsizetype>(kHeaderOverhead + f), '\0');
    auto *p = reinterpret_cast<uint8_t *>(header.data());
    WriteLE32(p, MakeFourCC("RIFF"));
    WriteLE32(p + 4, dataSize + kHeaderOverhead + f - 8);
    WriteLE32(p + 8, MakeFourCC("WAVE"));
    WriteLE32(p + 12, MakeFourCC("fmt "));
    WriteLE32(p + 16, f);
    std::copy(formatBlock.begin(), formatBlock.end(), header.begin() + 20);
    WriteLE32(p + 20 + f, MakeFourCC("data"));
    WriteLE32(p + 24 + f, dataSize);
    return header;
}

StreamResult Tdv_WaveDest::StopStreaming(bool)
{
    if (!Input().IsConnected() && !Output().IsConnected())
        return StreamResult::Ok();
    if (!Output().IsConnected())
        return StreamResult::Error(QStringLiteral("The WAV writer's output is not connected."));
    auto *stream = dynamic_cast<FileStream *>(&Output().Peer()->Owner());
    if (!stream)
        return StreamResult::Error(QStringLiteral("The WAV writer's output does not lead to a file."));
    const QByteArray header = BuildHeader(Input().ConnectionMediaType().format, dataSize_);
    const ByteSpan bytes(reinterpret_cast<const uint8_t *>(header.constData()), static_cast<size_t>(header.size()));
    if (!stream->Seek(0) || !stream->Write(bytes))
        return StreamResult::Error(stream->StreamError());
    return StreamResult::Ok();
}
