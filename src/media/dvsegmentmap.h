// Which video segment of a DV frame holds each part of the picture. A DV frame is
// coded as independent video segments of five macroblocks spread over the picture;
// a segment can be re-encoded alone and the others kept as they are. The segments
// are numbered as libavcodec's dvvideo codec hands them to its workers (the items
// of AVCodecContext::execute), and the map is learnt from that codec itself, once
// per TV system: it decodes a frame one segment at a time and sees what each one
// paints. Thread-safe; the maps live for the program's run.
#pragma once

#include <QRect>

#include <cstdint>
#include <vector>

struct AVCodecContext;

class DvSegmentMap {
public:
    // AVCodecContext::execute, the dispatcher the codec hands a frame's segments to.
    using Execute = int (*)(AVCodecContext *, int (*)(AVCodecContext *, void *), void *, int *, int, int);
    // Hands `execute` only the work items (one of `size` bytes per segment) of the
    // segments marked in `chosen`, compacted into `scratch`; 0 when none is marked.
    static int ExecuteChosen(Execute execute, AVCodecContext *context, int (*func)(AVCodecContext *, void *),
                             const void *items, int count, int size, const std::vector<uint8_t> &chosen,
                             std::vector<char> &scratch);

    // The map of 525/60 (ntsc) or 625/50 DV at 25 Mbit/s; nullptr when the codec
    // could not be asked, in which case callers encode whole frames.
    static const DvSegmentMap *Of(bool ntsc);

    int SegmentCount() const { return segmentCount_; }
    // Sets to 1 the entries of `selected` (resized to SegmentCount()) of the segments
    // holding any pixel of `area`; the others are left as they were.
    void Select(const QRect &area, std::vector<uint8_t> &selected) const;

    // Calls visit(x, y) with the top-left pixel of each 8 x 8 luma cell of the
    // segments selected (as Select marks them).
    template <typename Visit>
    void ForEachCell(const std::vector<uint8_t> &selected, Visit visit) const
    {
        if (selected.size() != static_cast<size_t>(segmentCount_))
            return;
        const int cellsX = width_ / kCell;
        for (size_t cell = 0; cell < segmentOfCell_.size(); ++cell)
            if (selected[segmentOfCell_[cell]])
                visit(static_cast<int>(cell) % cellsX * kCell, static_cast<int>(cell) / cellsX * kCell);
    }

    static constexpr int kCell = 8;  // macroblocks are made of 8 x 8 luma blocks

private:
    static DvSegmentMap Learn(bool ntsc);

    int width_ = 0;
    int height_ = 0;
    int segmentCount_ = 0;
    std::vector<uint16_t> segmentOfCell_;  // per 8 x 8 luma cell, row by row
};
