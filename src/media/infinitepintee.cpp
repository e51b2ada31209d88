#include "media/infinitepintee.h"

InfinitePinTee::InfinitePinTee()
    : Filter(QStringLiteral("Infinite Pin Tee Filter")), input_(AddInputPin(QStringLiteral("Input")))
{
    AddOutput();
}

void InfinitePinTee::AddOutput()
{
    outputs_.push_back(&AddOutputPin(QStringLiteral("Output%1").arg(nextNumber_++)));
}

bool InfinitePinTee::AcceptInputType(const InputPin &, const MediaType &) const
{
    return true;
}

std::vector<MediaType> InfinitePinTee::OutputTypes(const OutputPin &) const
{
    if (!input_.IsConnected())
        return {};
    return {input_.ConnectionMediaType()};
}

bool InfinitePinTee::CompleteConnect(Pin &pin)
{
    if (&pin == outputs_.back())
        AddOutput();
    return true;
}

void InfinitePinTee::BreakConnect(Pin &pin)
{
    if (pin.Direction() != PinDirection::Output)
        return;
    // Two free outputs at the end: the last one is spare.
    while (outputs_.size() >= 2 && !outputs_.back()->IsConnected() && !outputs_[outputs_.size() - 2]->IsConnected()
           && outputs_.back() != &pin) {
        OutputPin *spare = outputs_.back();
        outputs_.pop_back();
        RemovePin(*spare);
    }
}

StreamResult InfinitePinTee::Receive(InputPin &, MediaSample &sample)
{
    int connected = 0;
    int ended = 0;
    for (OutputPin *output : outputs_) {
        if (!output->IsConnected())
            continue;
        ++connected;
        MediaSample &copy = output->GetDeliveryBuffer(sample.ActualLength());
        copy.CopyFrom(sample);
        StreamResult result = output->Deliver(copy);
        if (result.IsError() || result.Status() == StreamStatus::Interrupted)
            return result;
        if (result.Status() == StreamStatus::End)
            ++ended;
    }
    // The tee wants no more only when no branch does.
    return connected > 0 && ended == connected ? StreamResult::End() : StreamResult::Ok();
}
