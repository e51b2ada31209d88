// Base of the filters that make a new output sample from each input sample (a
// decoder, the overlay, the WAV writer): one input "In", one output "Out". Receive
// takes the output pin's buffer, copies the input's times and flags into it, calls
// Transform and delivers the result. An own filter writes CheckInputType,
// GetMediaType and Transform. Hooks on the graph's threads as for Filter.
#pragma once

#include "media/filter.h"

#include <cstddef>
#include <optional>

class TBCTransformFilter : public Filter {
public:
    explicit TBCTransformFilter(QString friendlyName);

    InputPin &Input() const { return input_; }
    OutputPin &Output() const { return output_; }

protected:
    virtual bool CheckInputType(const MediaType &type) const = 0;
    // The output types proposed once the input is connected, best first, one per
    // position from 0; empty past the last.
    virtual std::optional<MediaType> GetMediaType(int position) const = 0;
    // Bytes of the output buffer for this input: by default the output type's fixed
    // sample size, else the input's length.
    virtual size_t DecideBufferSize(const MediaSample &input) const;
    // Fills the output (its actual length starts at the buffer size). A result other
    // than Ok is returned upstream instead of delivering.
    virtual StreamResult Transform(const MediaSample &input, MediaSample &output) = 0;

    StreamResult Receive(InputPin &pin, MediaSample &sample) override;

private:
    bool AcceptInputType(const InputPin &pin, const MediaType &type) const final;
    std::vector<MediaType> OutputTypes(const OutputPin &pin) const final;

    InputPin &input_;
    OutputPin &output_;
};
