// The stock tee: one input "Input" and outputs "Output1", "Output2" ... of the
// input's type, in that pin order. Connecting the last output adds a new free one, so
// the last output is always free; disconnecting trims spare free outputs at the end
// but never removes the pin just disconnected. Each connected output gets its own
// copy of every sample, in its own reused buffer, so a filter that changes data in
// place on one branch cannot change what another branch sees.
#pragma once

#include "media/filter.h"

#include <vector>

class InfinitePinTee final : public Filter {
public:
    InfinitePinTee();

    InputPin &Input() const { return input_; }

protected:
    bool AcceptInputType(const InputPin &pin, const MediaType &type) const override;
    std::vector<MediaType> OutputTypes(const OutputPin &pin) const override;
    bool CompleteConnect(Pin &pin) override;
    void BreakConnect(Pin &pin) override;
    StreamResult Receive(InputPin &pin, MediaSample &sample) override;

private:
    void AddOutput();

    InputPin &input_;
    std::vector<OutputPin *> outputs_;  // in pin order; kept here so delivery allocates nothing
    int nextNumber_ = 1;
};
