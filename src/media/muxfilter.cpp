#include "media/muxfilter.h"

#include <algorithm>

MuxFilter::MuxFilter(QString friendlyName, InputPlace place, int nameDigits)
    : Filter(std::move(friendlyName)), place_(place), nameDigits_(nameDigits)
{
}

void MuxFilter::AddInput()
{
    // Inputs are added and removed only at the end of their run, so numbering by place keeps names unique.
    const QString name = QStringLiteral("Input %1").arg(inputs_.size() + 1, nameDigits_, 10, QLatin1Char('0'));
    const int position = place_ == InputPlace::BeforeOutput ? static_cast<int>(Pins().size()) - 1 : -1;
    inputs_.push_back(&AddInputPin(name, position));
}

bool MuxFilter::CompleteConnect(Pin &pin)
{
    // The free input stays even when the filter can take no more streams; it refuses them.
    if (&pin == inputs_.back())
        AddInput();
    return true;
}

void MuxFilter::BreakConnect(Pin &pin)
{
    if (pin.Direction() != PinDirection::Input)
        return;
    // Two free inputs at the end: the last one is spare.
    while (inputs_.size() >= 2 && !inputs_.back()->IsConnected() && !inputs_[inputs_.size() - 2]->IsConnected() &&
           inputs_.back() != &pin) {
        InputPin *spare = inputs_.back();
        inputs_.pop_back();
        RemovePin(*spare);
    }
}

bool MuxFilter::InUse() const
{
    const std::vector<Pin *> pins = Pins();
    return std::ranges::any_of(pins, [](const Pin *pin) { return pin->IsConnected(); });
}
