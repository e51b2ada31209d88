// The part of its pictures that a graph uses after a DV decoder, learnt as the
// pictures pass: the filter that changes them (the overlay) adds what it drew, and
// a decoder that is given the area decodes, once it is known, only the DV segments
// under it (the rest of each new DV frame is its source's, copied). Nothing is known
// until something is added; the area only grows during a run. Thread-safe: the
// filter adds on the streaming thread, the decoder reads on its worker.
#pragma once

#include <QRect>

#include <mutex>
#include <optional>

class UsedPictureArea {
public:
    void Clear()
    {
        std::lock_guard lock(mutex_);
        area_.reset();
    }
    void Add(const QRect &area)
    {
        if (area.isEmpty())
            return;
        std::lock_guard lock(mutex_);
        area_ = area_ ? area_->united(area) : area;
    }
    std::optional<QRect> Known() const
    {
        std::lock_guard lock(mutex_);
        return area_;
    }

private:
    mutable std::mutex mutex_;
    std::optional<QRect> area_;
};
