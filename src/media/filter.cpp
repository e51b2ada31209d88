#include "media/filter.h"

#include "media/filtergraph.h"

#include <algorithm>

Filter::Filter(QString friendlyName) : friendlyName_(std::move(friendlyName)) {}

Filter::~Filter()
{
    if (graph_) {
        graph_->Stop();
        graph_->RemoveFilter(*this);
    }
}

std::vector<Pin *> Filter::Pins() const
{
    std::vector<Pin *> pins;
    pins.reserve(pins_.size());
    for (const auto &pin : pins_)
        pins.push_back(pin.get());
    return pins;
}

std::vector<InputPin *> Filter::InputPins() const
{
    std::vector<InputPin *> pins;
    for (const auto &pin : pins_)
        if (pin->Direction() == PinDirection::Input)
            pins.push_back(static_cast<InputPin *>(pin.get()));
    return pins;
}

std::vector<OutputPin *> Filter::OutputPins() const
{
    std::vector<OutputPin *> pins;
    for (const auto &pin : pins_)
        if (pin->Direction() == PinDirection::Output)
            pins.push_back(static_cast<OutputPin *>(pin.get()));
    return pins;
}

Pin *Filter::FindPin(const QString &name) const
{
    for (const auto &pin : pins_)
        if (pin->Name() == name)
            return pin.get();
    return nullptr;
}

namespace {

template <typename PinType>
PinType &InsertPin(std::vector<std::unique_ptr<Pin>> &pins, std::unique_ptr<PinType> pin, int position)
{
    PinType &added = *pin;
    const auto at = position >= 0 && static_cast<size_t>(position) < pins.size() ? pins.begin() + position : pins.end();
    pins.insert(at, std::move(pin));
    return added;
}

}  // namespace

InputPin &Filter::AddInputPin(const QString &name, int position)
{
    return InsertPin(pins_, std::make_unique<InputPin>(*this, name), position);
}

OutputPin &Filter::AddOutputPin(const QString &name, int position)
{
    return InsertPin(pins_, std::make_unique<OutputPin>(*this, name), position);
}

bool Filter::RemovePin(Pin &pin)
{
    if (pin.IsConnected() && !graph_->Disconnect(pin))
        return false;
    std::erase_if(pins_, [&pin](const std::unique_ptr<Pin> &p) { return p.get() == &pin; });
    return true;
}

bool Filter::CompleteConnect(Pin &)
{
    return true;
}

void Filter::BreakConnect(Pin &) {}

StreamResult Filter::StartStreaming()
{
    return StreamResult::Ok();
}

StreamResult Filter::EndOfStream(InputPin &)
{
    for (const InputPin *input : InputPins())
        if (input->IsConnected() && !input->AtEndOfStream())
            return StreamResult::Ok();
    for (OutputPin *output : OutputPins()) {
        StreamResult result = output->DeliverEndOfStream();
        if (result.IsError() || result.Status() == StreamStatus::Interrupted)
            return result;
    }
    return StreamResult::Ok();
}

StreamResult Filter::StopStreaming(bool)
{
    return StreamResult::Ok();
}

void Filter::Flush() {}
