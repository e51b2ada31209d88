// One unit of data travelling from pin to pin: a buffer with its actual length,
// times and flags. A sample belongs to the output pin that delivers it and is
// reused for every delivery: its buffer only grows, so the steady state allocates
// nothing. A receiver may read (and an in-place filter change) the sample only
// during the call that hands it over; it copies what it wants to keep.
// Used on the streaming thread only.
#pragma once

#include "formats/bytes.h"
#include "media/mediatime.h"
#include "media/mediatype.h"

#include <QRect>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

struct AVFrame;

struct MediaTimeRange {
    int64_t start = 0;
    int64_t stop = 0;
    bool operator==(const MediaTimeRange &) const = default;
};

// The DV frame a decoded picture was made from, and the part of the picture (a
// top-down pixel rectangle) that is no longer that frame's decoding: a DV encoder
// re-encodes only that part and keeps the rest of the frame bit for bit.
// A decoder told which part of its pictures is used may decode only the DV
// segments under that part and convert only that part: `decoded` says which, and
// the other pixels are undefined. `planes`, when set, is the decoder's own picture
// (libavcodec's, in the codec's pixel format), right in every segment under
// `decoded`, from which an encoder takes the cells that did not change.
// `planesWhole` says that every segment was decoded into `planes` even where
// `decoded` says that less was converted.
struct PictureSource {
    std::shared_ptr<const std::vector<uint8_t>> frame;
    QRect changed;
    QRect decoded = WholePicture();
    std::shared_ptr<const AVFrame> planes;
    bool planesWhole = false;

    static QRect WholePicture() { return {0, 0, 1 << 16, 1 << 16}; }
};

class MediaSample {
public:
    // The actual data: the first ActualLength() bytes of the buffer.
    ByteSpan Data() const { return {buffer_.data(), length_}; }
    MutableByteSpan Data() { return {buffer_.data(), length_}; }
    // The whole buffer, for writing before the actual length is known.
    MutableByteSpan Buffer() { return buffer_; }
    size_t Capacity() const { return buffer_.size(); }
    size_t ActualLength() const { return length_; }
    // Refused (false, length unchanged) beyond the capacity.
    bool SetActualLength(size_t length);
    // Grows the buffer to at least `capacity` bytes; never shrinks it.
    void Reserve(size_t capacity);

    // Presentation times, 100 ns units, when the sample has them.
    const std::optional<MediaTimeRange> &Time() const { return time_; }
    void SetTime(std::optional<MediaTimeRange> time) { time_ = time; }
    // Media times: for video, the frame number of this sample and of the next one.
    const std::optional<MediaTimeRange> &MediaTimes() const { return mediaTimes_; }
    void SetMediaTimes(std::optional<MediaTimeRange> times) { mediaTimes_ = times; }

    bool IsSyncPoint() const { return syncPoint_; }
    void SetSyncPoint(bool on) { syncPoint_ = on; }
    bool IsDiscontinuity() const { return discontinuity_; }
    void SetDiscontinuity(bool on) { discontinuity_ = on; }
    bool IsPreroll() const { return preroll_; }
    void SetPreroll(bool on) { preroll_ = on; }

    // The new type of the stream, set on the first sample after the type changed.
    const std::optional<MediaType> &MediaTypeChange() const { return typeChange_; }
    void SetMediaTypeChange(std::optional<MediaType> type) { typeChange_ = std::move(type); }

    // Set by a DV decoder; carried on only by the filters that know what they change
    // in the picture, so a filter unaware of it never lets stale blocks through.
    const std::optional<PictureSource> &Source() const { return source_; }
    void SetSource(std::optional<PictureSource> source) { source_ = std::move(source); }
    // The whole picture may differ from its source frame.
    void MarkPictureChanged()
    {
        if (source_)
            source_->changed = PictureSource::WholePicture();
    }
    // The pixels of `area` (from the top) may differ from it.
    void MarkPictureChanged(const QRect &area)
    {
        if (source_)
            source_->changed = source_->changed.united(area);
    }

    // Times, media times, flags and type change; not the data, nor the picture source.
    void CopyPropertiesFrom(const MediaSample &other);
    // Everything: the data (growing the buffer when needed), the properties and the
    // picture source.
    void CopyFrom(const MediaSample &other);
    // Clears the properties and the actual length; keeps the buffer.
    void ResetProperties();

private:
    std::vector<uint8_t> buffer_;
    size_t length_ = 0;
    std::optional<MediaTimeRange> time_;
    std::optional<MediaTimeRange> mediaTimes_;
    bool syncPoint_ = false;
    bool discontinuity_ = false;
    bool preroll_ = false;
    std::optional<MediaType> typeChange_;
    std::optional<PictureSource> source_;
};
