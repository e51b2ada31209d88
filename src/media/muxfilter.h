// Base of the filters that gather streams on a growing list of inputs (the AVI
// Mux, the DV Muxer): the last input is always free, connecting it adds a new free
// one, and disconnecting leaves one free input at the end. Connection hooks on
// the controlling thread while the graph is stopped, as for every filter.
#pragma once

#include "media/filter.h"

#include <vector>

class MuxFilter : public Filter {
public:
    const std::vector<InputPin *> &Inputs() const { return inputs_; }
    InputPin &FreeInput() const { return *inputs_.back(); }

protected:
    enum class InputPlace {
        AtEnd,         // inputs follow the output
        BeforeOutput,  // the output stays last
    };
    // nameDigits: inputs are "Input 1", or "Input 01" with 2.
    MuxFilter(QString friendlyName, InputPlace place, int nameDigits);

    // The next free input; the constructor of the filter adds the first.
    void AddInput();
    bool CompleteConnect(Pin &pin) override;
    void BreakConnect(Pin &pin) override;
    // A pin is connected: a mux the build left unconnected takes no part in a run.
    bool InUse() const;

private:
    InputPlace place_;
    int nameDigits_;
    std::vector<InputPin *> inputs_;
};
