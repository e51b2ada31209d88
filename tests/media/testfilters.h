// Small filters for the media tests: a source of synthetic frames, an in-place
// probe that records what passes, and a copying transform that inverts the bytes
// and can be told to fail.
#pragma once

#include "media/sourcefilter.h"
#include "media/transformfilter.h"
#include "media/transinplacefilter.h"

#include <QStringList>

#include <atomic>
#include <mutex>
#include <vector>

// Byte i of frame f, so every frame's data is recognisable downstream.
inline uint8_t PatternByte(int64_t frame, size_t i) { return static_cast<uint8_t>(frame * 7 + static_cast<int64_t>(i)); }

MediaType TestVideoType(FourCC subtype = kSubtypeDvsd);

// Frames 0 .. frames - 1 at 25 frames a second, each with sample times, media times
// (frame, frame + 1) and the pattern as data.
class TestSource final : public SourceFilter {
public:
    explicit TestSource(int64_t frames, MediaType type = TestVideoType(), size_t sampleSize = 64);

    OutputPin &Output() const { return output_; }
    // From this frame on, samples carry no media times.
    void SetMediaTimesUntil(int64_t frame) { mediaTimesUntil_ = frame; }

    bool SupportsTimeFormat(TimeFormat) const override { return true; }
    std::optional<int64_t> GetDuration(TimeFormat format) const override;
    std::optional<int64_t> GetCurrentPosition(TimeFormat format) const override;
    bool SetPositions(std::optional<int64_t> current, std::optional<int64_t> stop, TimeFormat format) override;

protected:
    std::vector<MediaType> OutputTypes(const OutputPin &pin) const override;
    StreamResult Produce() override;

private:
    OutputPin &output_;
    const int64_t frames_;
    const MediaType type_;
    const size_t sampleSize_;
    int64_t mediaTimesUntil_ = INT64_MAX;
    std::atomic<int64_t> next_{0};
    std::atomic<int64_t> stop_;
};

// Passes samples on, recording them; accepts the types matching `accepted`.
// Its records are read by the test after the run ended or under its lock.
class Probe final : public TBCTransInPlaceFilter {
public:
    explicit Probe(QString name, MediaType accepted = MediaType::Partial(MajorType::Any), QStringList *log = nullptr);

    // Overwrite the first data byte with this value before passing the sample on.
    void SetStamp(int value) { stamp_ = value; }

    int64_t Received() const { return received_.load(); }
    std::vector<int64_t> MediaStarts() const;
    std::vector<int> FirstBytes() const;
    // Samples whose data was not the pattern of their frame.
    int PatternMismatches() const { return mismatches_; }
    int EndOfStreams() const { return endOfStreams_; }
    int Starts() const { return starts_; }
    int Flushes() const { return flushes_; }
    std::vector<bool> StopsEarly() const { return stopsEarly_; }

protected:
    bool CheckInputType(const MediaType &type) const override;
    StreamResult Transform(MediaSample &sample) override;
    StreamResult StartStreaming() override;
    StreamResult EndOfStream(InputPin &pin) override;
    StreamResult StopStreaming(bool stoppedEarly) override;
    void Flush() override;

private:
    MediaType accepted_;
    QStringList *log_;
    int stamp_ = -1;
    mutable std::mutex lock_;
    std::vector<int64_t> mediaStarts_;
    std::vector<int> firstBytes_;
    std::atomic<int64_t> received_{0};
    int mismatches_ = 0;
    int endOfStreams_ = 0;
    int starts_ = 0;
    int flushes_ = 0;
    std::vector<bool> stopsEarly_;
};

// Copies each sample with its bytes inverted, and proposes `outputSubtype`.
// Accepts only `inputSubtype`. Fails on sample `failAt` when set.
class Inverter final : public TBCTransformFilter {
public:
    explicit Inverter(FourCC inputSubtype = kSubtypeDvsd, FourCC outputSubtype = kSubtypeDvsd);

    void FailAt(int64_t sample) { failAt_ = sample; }

protected:
    bool CheckInputType(const MediaType &type) const override;
    std::optional<MediaType> GetMediaType(int position) const override;
    StreamResult Transform(const MediaSample &input, MediaSample &output) override;
    StreamResult StartStreaming() override;

private:
    FourCC inputSubtype_;
    FourCC outputSubtype_;
    int64_t failAt_ = -1;
    int64_t count_ = 0;
};
