#include "media/transinplacefilter.h"

TBCTransInPlaceFilter::TBCTransInPlaceFilter(QString friendlyName)
    : Filter(std::move(friendlyName)), input_(AddInputPin(QStringLiteral("In"))),
      output_(AddOutputPin(QStringLiteral("Out")))
{
}

bool TBCTransInPlaceFilter::AcceptInputType(const InputPin &, const MediaType &type) const
{
    return CheckInputType(type);
}

std::vector<MediaType> TBCTransInPlaceFilter::OutputTypes(const OutputPin &) const
{
    if (!input_.IsConnected())
        return {};
    return {input_.ConnectionMediaType()};
}

StreamResult TBCTransInPlaceFilter::Receive(InputPin &, MediaSample &sample)
{
    StreamResult result = Transform(sample);
    if (!result.IsOk())
        return result;
    // Whatever the filter did to a picture, it may no longer match its source frame.
    if (!MarksItsChanges())
        sample.MarkPictureChanged();
    return output_.Deliver(sample);
}
