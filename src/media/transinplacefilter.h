// Base of the filters that pass each sample on as it came, possibly changing its
// data in place: one input "In", one output "Out" of the input's type. An own filter
// writes CheckInputType and Transform. Hooks on the graph's threads as for Filter.
#pragma once

#include "media/filter.h"

class TBCTransInPlaceFilter : public Filter {
public:
    explicit TBCTransInPlaceFilter(QString friendlyName);

    InputPin &Input() const { return input_; }
    OutputPin &Output() const { return output_; }

protected:
    virtual bool CheckInputType(const MediaType &type) const = 0;
    // Works on the sample before it is delivered; a result other than Ok is returned
    // upstream instead of delivering.
    virtual StreamResult Transform(MediaSample &sample) = 0;
    // True for a filter whose Transform marks on the sample's picture source just
    // what it changed (MediaSample::MarkPictureChanged); any other counts as having
    // changed the whole picture.
    virtual bool MarksItsChanges() const { return false; }

    StreamResult Receive(InputPin &pin, MediaSample &sample) override;

private:
    bool AcceptInputType(const InputPin &pin, const MediaType &type) const final;
    std::vector<MediaType> OutputTypes(const OutputPin &pin) const final;

    InputPin &input_;
    OutputPin &output_;
};
