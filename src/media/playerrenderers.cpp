#include "media/playerrenderers.h"

#include "media/filtergraph.h"
#include "media/rgb24image.h"

namespace {

std::optional<BitmapInfoHeader> PictureHeader(const MediaType &type)
{
    if (type.majorType != MajorType::Video || type.subtype != kSubtypeRgb24 || type.formatType != FormatType::VideoInfo)
        return std::nullopt;
    const std::optional<VideoInfoHeader> header = ParseVideoInfoHeader(type.FormatBytes());
    if (!header || header->bmiHeader.width <= 0 || header->bmiHeader.height <= 0 || header->bmiHeader.bitCount != 24)
        return std::nullopt;
    return header->bmiHeader;
}

std::optional<WaveFormatEx> PcmFormat(const MediaType &type)
{
    if (type.majorType != MajorType::Audio || type.subtype != kSubtypePcm)
        return std::nullopt;
    return ParseWaveFormatEx(type.FormatBytes());
}

}  // namespace

TVideoWindow::TVideoWindow(PlayerVideoOutput &output) : RendererFilter(QString::fromLatin1(kFriendlyName)), output_(output)
{
}

bool TVideoWindow::CheckInputType(const MediaType &type) const
{
    return PictureHeader(type).has_value();
}

StreamResult TVideoWindow::StartStreaming()
{
    const std::optional<BitmapInfoHeader> header = PictureHeader(Input().ConnectionMediaType());
    if (!header)
        return StreamResult::Error(QStringLiteral("The video window has no picture format."));
    if (picture_.width() != header->width || picture_.height() != header->height)
        picture_ = QImage(header->width, header->height, QImage::Format_BGR888);
    return RendererFilter::StartStreaming();
}

StreamResult TVideoWindow::Render(const MediaSample &sample)
{
    // A short sample is not shown rather than shown torn.
    if (CopyBottomUpToImage(sample.Data(), picture_))
        output_.Present(picture_);
    return StreamResult::Ok();
}

TSoundRenderer::TSoundRenderer(PlayerSoundOutput &output)
    : Filter(QString::fromLatin1(kFriendlyName)), input_(AddInputPin(QStringLiteral("In"))), output_(output)
{
}

bool TSoundRenderer::AcceptInputType(const InputPin &, const MediaType &type) const
{
    const std::optional<WaveFormatEx> format = PcmFormat(type);
    return format && format->channels > 0 && format->samplesPerSec > 0;
}

std::vector<MediaType> TSoundRenderer::OutputTypes(const OutputPin &) const
{
    return {};
}

StreamResult TSoundRenderer::StartStreaming()
{
    if (const std::optional<WaveFormatEx> format = PcmFormat(input_.ConnectionMediaType()))
        stream_ = output_.OpenStream(*format);
    return StreamResult::Ok();
}

StreamResult TSoundRenderer::Receive(InputPin &, MediaSample &sample)
{
    if (Graph()->GetState() == GraphState::Paused)
        return StreamResult::Ok();
    std::optional<MediaTime> due;
    if (sample.Time())
        due = sample.Time()->start;
    return Graph()->PresentWhenDue(due, [this, &sample] {
        // A device that refused the stream leaves the picture playing without sound.
        if (stream_)
            stream_->Write(sample.Data());
        return StreamResult::Ok();
    });
}

StreamResult TSoundRenderer::StopStreaming(bool)
{
    stream_.reset();
    return StreamResult::Ok();
}
