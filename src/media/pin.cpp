#include "media/pin.h"

#include "media/filter.h"
#include "media/filtergraph.h"

Pin::Pin(Filter &owner, PinDirection direction, QString name)
    : owner_(owner), direction_(direction), name_(std::move(name))
{
}

InputPin *OutputPin::PeerInput() const
{
    return static_cast<InputPin *>(Peer());
}

MediaSample &OutputPin::GetDeliveryBuffer(size_t size)
{
    sample_.ResetProperties();
    sample_.Reserve(size);
    sample_.SetActualLength(size);
    return sample_;
}

StreamResult OutputPin::Deliver(MediaSample &sample)
{
    InputPin *input = PeerInput();
    if (!input)
        return StreamResult::Ok();
    FilterGraph *graph = Owner().Graph();
    if (graph->InterruptPending())
        return StreamResult::Interrupted();
    StreamResult result = input->Owner().Receive(*input, sample);
    if (result.IsError())
        graph->ReportStreamError(result.Message());
    return result;
}

StreamResult OutputPin::DeliverEndOfStream()
{
    InputPin *input = PeerInput();
    if (endOfStreamSent_ || !input)
        return StreamResult::Ok();
    FilterGraph *graph = Owner().Graph();
    if (graph->InterruptPending())
        return StreamResult::Interrupted();
    endOfStreamSent_ = true;
    input->endOfStream_ = true;
    StreamResult result = input->Owner().EndOfStream(*input);
    if (result.IsError())
        graph->ReportStreamError(result.Message());
    return result;
}
