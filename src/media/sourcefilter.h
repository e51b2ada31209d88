// A filter that the graph drives: its streaming thread calls Produce() again and
// again, and the source pushes its next sample(s) downstream from inside that call,
// so every filter of the graph runs on that one thread. A source may have inputs (a
// splitter is connected to the file source it reads) but receives no samples on them.
// Seeking goes to the sources: SetPositions on the controlling thread while the graph
// is stopped, on the streaming thread between two Produce calls otherwise.
#pragma once

#include "media/filter.h"

#include <cstdint>
#include <optional>

class SourceFilter : public Filter {
public:
    using Filter::Filter;

    // MediaTime always; Frame when the source knows its frames.
    virtual bool SupportsTimeFormat(TimeFormat format) const { return format == TimeFormat::MediaTime; }
    // Known once the source is loaded and connected; any thread.
    virtual std::optional<int64_t> GetDuration(TimeFormat format) const = 0;
    // The position of the sample being delivered, or of the next one; any thread
    // (keep it in an atomic).
    virtual std::optional<int64_t> GetCurrentPosition(TimeFormat format) const = 0;
    // Absolute positions; an empty one stays. Later samples cover [current, stop).
    // Positions set while stopped hold for the next run: StartStreaming keeps them.
    virtual bool SetPositions(std::optional<int64_t> current, std::optional<int64_t> stop, TimeFormat format) = 0;

protected:
    // Delivers the next sample(s) on the outputs and returns Ok while there is more,
    // End at the end of the data (the graph then delivers the end of stream on every
    // output that has not had it), or the first result of a delivery that is not Ok.
    virtual StreamResult Produce() = 0;

    // A source refuses samples on its inputs.
    bool AcceptInputType(const InputPin &pin, const MediaType &type) const override;
    StreamResult Receive(InputPin &pin, MediaSample &sample) override;

private:
    friend class FilterGraph;
};
