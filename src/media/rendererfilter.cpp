#include "media/rendererfilter.h"

#include "media/filtergraph.h"

RendererFilter::RendererFilter(QString friendlyName)
    : Filter(std::move(friendlyName)), input_(AddInputPin(QStringLiteral("In")))
{
}

std::optional<MediaTime> RendererFilter::LastSampleTime() const
{
    const MediaTime start = lastStart_.load(std::memory_order_relaxed);
    if (start == kNoTime)
        return std::nullopt;
    return start;
}

StreamResult RendererFilter::StartStreaming()
{
    lastStart_.store(kNoTime, std::memory_order_relaxed);
    lastStop_.reset();
    return StreamResult::Ok();
}

bool RendererFilter::AcceptInputType(const InputPin &, const MediaType &type) const
{
    return CheckInputType(type);
}

std::vector<MediaType> RendererFilter::OutputTypes(const OutputPin &) const
{
    return {};
}

StreamResult RendererFilter::Receive(InputPin &, MediaSample &sample)
{
    std::optional<MediaTime> due;
    if (sample.Time()) {
        due = sample.Time()->start;
        lastStart_.store(sample.Time()->start, std::memory_order_relaxed);
        lastStop_ = sample.Time()->stop;
    }
    return Graph()->PresentWhenDue(due, [this, &sample] { return Render(sample); });
}

StreamResult RendererFilter::EndOfStream(InputPin &)
{
    return Graph()->PresentWhenDue(lastStop_, [] { return StreamResult::Ok(); });
}
