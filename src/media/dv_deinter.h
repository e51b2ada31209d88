// The deinterlacer: DeinterlacePicture, which removes the combs that motion leaves
// between the two fields of a DV picture, and Tdv_deinter, the in-place filter that
// applies it to every picture between the DV decoder and the DV encoder. The
// filter owns its work images (allocated at the start of streaming, none per
// frame); its hooks run on the graph's threads as for Filter.
#pragma once

#include "media/transinplacefilter.h"

#include <QImage>

// out := source with the pixels of odd rows that differ from both vertical
// neighbours in the same direction (and have a marked horizontal neighbour)
// replaced by the mean of those neighbours. source and out are Format_BGR888,
// rows top-down; the masks Format_Grayscale8 work areas; all four of one size.
// False, nothing written, when the formats or sizes disagree.
bool DeinterlacePicture(const QImage &source, QImage &out, QImage &combMask, QImage &keepMask);

// The comb measure of a pixel P between A above and B below (blue, green, red):
// the colour-weighted sum of (A - P)(B - P); a comb from kCombThreshold on.
int CombMeasure(const uint8_t *above, const uint8_t *pixel, const uint8_t *below);
constexpr int kCombThreshold = 3001;

class Tdv_deinter final : public TBCTransInPlaceFilter {
public:
    static constexpr const char *kGraphName = "dv_Deinter";

    Tdv_deinter();

protected:
    bool CheckInputType(const MediaType &type) const override;
    StreamResult StartStreaming() override;
    StreamResult Transform(MediaSample &sample) override;

private:
    QImage frameBitmap_;  // the picture as received
    QImage outBitmap_;    // the deinterlaced picture
    QImage combMask_;
    QImage keepMask_;
    int width_ = 0;
    int height_ = 0;
};
