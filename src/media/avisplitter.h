// The AVI splitter: connected to a file source, it opens the file with AviReader
// and offers one output per video, audio or interleaved DV stream, listed before
// its input ("Stream 00", "Stream 01" ..., then "input pin"). It delivers the
// chunks of its connected outputs in time order, so that the branches of a type 2
// file advance together, reading each chunk straight into the output's buffer.
// Video and interleaved samples carry their frame numbers as media times.
//
// Positions in media time or, when the file has a video stream, in frames of the
// first one; a range [current, stop) delivers exactly the frames that start in it,
// and sound from the sample that matches its start. Hooks on the graph's threads as
// for SourceFilter; the position getters from any thread.
#pragma once

#include "media/sourcefilter.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

class AviReader;

class AviSplitter final : public SourceFilter {
public:
    AviSplitter();
    ~AviSplitter() override;

    InputPin &Input() const { return input_; }
    // Why the last connection of the input was refused; empty when it was not.
    const QString &LastError() const { return lastError_; }

    // The first chunk of an output's stream, for a filter after it that must see the
    // data to decide its own outputs; empty when there is none. Controlling thread, stopped.
    std::vector<uint8_t> FirstChunk(const OutputPin &output) const;

    bool SupportsTimeFormat(TimeFormat format) const override;
    // Of the longest connected stream, or of the longest stream when none is connected.
    std::optional<int64_t> GetDuration(TimeFormat format) const override;
    std::optional<int64_t> GetCurrentPosition(TimeFormat format) const override;
    bool SetPositions(std::optional<int64_t> current, std::optional<int64_t> stop, TimeFormat format) override;

protected:
    bool AcceptInputType(const InputPin &pin, const MediaType &type) const override;
    std::vector<MediaType> OutputTypes(const OutputPin &pin) const override;
    bool CompleteConnect(Pin &pin) override;
    void BreakConnect(Pin &pin) override;
    StreamResult StartStreaming() override;
    StreamResult Produce() override;

private:
    struct Stream;

    bool Open(const QString &path);
    void Close();
    const Stream *StreamOf(const OutputPin &pin) const;
    int64_t ToTime(int64_t value, TimeFormat format) const;
    void Cue();
    StreamResult Deliver(Stream &stream);

    InputPin &input_;
    std::unique_ptr<AviReader> reader_;
    std::vector<Stream> streams_;
    int videoStream_ = -1;  // index in streams_ of the stream that counts frames
    QString lastError_;

    // The range to deliver, in 100 ns units; stop empty: to the end.
    int64_t rangeStart_ = 0;
    std::optional<int64_t> rangeStop_;
    std::atomic<int64_t> position_{0};  // start time of the sample being delivered
};
