#include "media/transformfilter.h"

namespace {

// More proposals than any filter makes; a bound on a GetMediaType that never ends.
constexpr int kMaxOutputTypes = 64;

}  // namespace

TBCTransformFilter::TBCTransformFilter(QString friendlyName)
    : Filter(std::move(friendlyName)), input_(AddInputPin(QStringLiteral("In"))),
      output_(AddOutputPin(QStringLiteral("Out")))
{
}

bool TBCTransformFilter::AcceptInputType(const InputPin &, const MediaType &type) const
{
    return CheckInputType(type);
}

std::vector<MediaType> TBCTransformFilter::OutputTypes(const OutputPin &) const
{
    std::vector<MediaType> types;
    if (!input_.IsConnected())
        return types;
    for (int position = 0; position < kMaxOutputTypes; ++position) {
        std::optional<MediaType> type = GetMediaType(position);
        if (!type)
            break;
        types.push_back(std::move(*type));
    }
    return types;
}

size_t TBCTransformFilter::DecideBufferSize(const MediaSample &input) const
{
    const uint32_t fixed = output_.IsConnected() ? output_.ConnectionMediaType().sampleSize : 0;
    return fixed != 0 ? fixed : input.ActualLength();
}

StreamResult TBCTransformFilter::Receive(InputPin &, MediaSample &sample)
{
    MediaSample &output = output_.GetDeliveryBuffer(DecideBufferSize(sample));
    output.CopyPropertiesFrom(sample);
    // The input's type change says nothing about the output's type.
    output.SetMediaTypeChange(std::nullopt);
    StreamResult result = Transform(sample, output);
    if (!result.IsOk())
        return result;
    return output_.Deliver(output);
}
