// The deinterlacer: DeinterlacePicture, which removes the combs that motion leaves
// between the two fields of a DV picture, and Tdv_deinter, the in-place filter that
// applies it to every picture between the DV decoder and the DV encoder, row by row
// in the sample itself. The filter owns its work rows (allocated at the start of
// streaming, none per frame); its hooks run on the graph's threads as for Filter.
#pragma once

#include "media/transinplacefilter.h"

#include <QImage>

#include <cstdint>

#include <vector>

// out := source with the pixels of odd rows that differ from both vertical
// neighbours in the same direction (and have a marked horizontal neighbour)
// replaced by the mean of those neighbours. source and out are Format_BGR888,
// rows top-down; the masks Format_Grayscale8 work areas; all four of one size.
// False, nothing written, when the formats or sizes disagree.
bool DeinterlacePicture(const QImage &source, QImage &out, QImage &combMask, QImage &keepMask);

// The columns [first, end) of a row between its first and its last replaced pixel;
// empty when none was replaced.
struct ReplacedColumns {
    int first = 0;
    int end = 0;
    bool IsEmpty() const { return end <= first; }
};

// One odd row of that: out := row, with its combs replaced by the mean of above and
// below; comb and keep are work rows of `width` bytes. out may be row itself.
ReplacedColumns DeinterlaceRow(const uint8_t *above, const uint8_t *row, const uint8_t *below, uint8_t *out,
                               int width, uint8_t *comb, uint8_t *keep);

// The comb measure of a pixel P between A above and B below (blue, green, red):
// the colour-weighted sum of (A - P)(B - P); a comb from kCombThreshold on.
// Inline: it runs for every pixel of every odd row.
inline int CombMeasure(const uint8_t *above, const uint8_t *pixel, const uint8_t *below)
{
    return (above[0] - pixel[0]) * (below[0] - pixel[0]) + 6 * (above[1] - pixel[1]) * (below[1] - pixel[1])
         + 3 * (above[2] - pixel[2]) * (below[2] - pixel[2]);
}
constexpr int kCombThreshold = 3001;

class Tdv_deinter final : public TBCTransInPlaceFilter {
public:
    static constexpr const char *kGraphName = "dv_Deinter";

    Tdv_deinter();

protected:
    bool CheckInputType(const MediaType &type) const override;
    StreamResult StartStreaming() override;
    StreamResult Transform(MediaSample &sample) override;
    bool MarksItsChanges() const override { return true; }

private:
    std::vector<uint8_t> combRow_;
    std::vector<uint8_t> keepRow_;
    int width_ = 0;
    int height_ = 0;
};
