#include "media/sourcefilter.h"

bool SourceFilter::AcceptInputType(const InputPin &, const MediaType &) const
{
    return false;
}

StreamResult SourceFilter::Receive(InputPin &pin, MediaSample &)
{
    return StreamResult::Error(QStringLiteral("%1 takes no samples on %2").arg(FriendlyName(), pin.Name()));
}
