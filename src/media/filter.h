// A filter: a named unit of media work with an ordered list of pins, inputs and
// outputs mixed in the filter's own order. The creator owns a filter; a graph only
// refers to it while it is added. Its hooks are called by the graph: the connection
// hooks on the controlling thread while the graph is stopped, the streaming hooks
// (StartStreaming to StopStreaming) on the graph's one streaming thread, never two at
// once. A filter blocks only in the graph's own waits (a renderer's PresentWhenDue),
// which a stop or a seek interrupts. State that other threads read while the graph
// runs must be atomic or locked.
#pragma once

#include "media/mediasample.h"
#include "media/mediatime.h"
#include "media/mediatype.h"
#include "media/pin.h"
#include "media/streamresult.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

class FilterGraph;

class Filter {
public:
    explicit Filter(QString friendlyName);
    Filter(const Filter &) = delete;
    Filter &operator=(const Filter &) = delete;
    // Destroy a filter only while its graph is stopped; as a last guard the destructor
    // stops the graph and leaves it, so the graph never refers to a dead filter.
    virtual ~Filter();

    const QString &FriendlyName() const { return friendlyName_; }
    // The name the filter was added under; empty outside a graph.
    const QString &GraphName() const { return graphName_; }
    FilterGraph *Graph() const { return graph_; }

    // Pins in the filter's own order. Read them again after a connection: filters add
    // pins when a connection is made (a splitter its outputs, a tee a free output).
    std::vector<Pin *> Pins() const;
    std::vector<InputPin *> InputPins() const;
    std::vector<OutputPin *> OutputPins() const;
    Pin *FindPin(const QString &name) const;

    // The position a sink or a mux reports: start time of the last sample it received.
    // Any thread; filters that answer keep it in an atomic.
    virtual std::optional<MediaTime> LastSampleTime() const { return std::nullopt; }

protected:
    // Adds a pin at `position` in the pin list, at the end when position is out of range.
    InputPin &AddInputPin(const QString &name, int position = -1);
    OutputPin &AddOutputPin(const QString &name, int position = -1);
    // Disconnects the pin when connected, then destroys it; false (pin kept) when it
    // cannot be disconnected because the graph is not stopped.
    bool RemovePin(Pin &pin);

    // Connection hooks (controlling thread, graph stopped).
    // Accept or refuse the type proposed for an input.
    virtual bool AcceptInputType(const InputPin &pin, const MediaType &type) const = 0;
    // The types an output proposes, best first; empty while it cannot propose one yet.
    virtual std::vector<MediaType> OutputTypes(const OutputPin &pin) const = 0;
    // The link is made with its type; refusing (false) undoes it.
    virtual bool CompleteConnect(Pin &pin);
    // The link is gone (pin.Peer() is already null).
    virtual void BreakConnect(Pin &pin);

    // Streaming hooks (streaming thread).
    // Before the first sample of a run. An error ends the run before it starts.
    virtual StreamResult StartStreaming();
    // A sample arrived on an input.
    virtual StreamResult Receive(InputPin &pin, MediaSample &sample) = 0;
    // The end of the stream arrived on an input. By default it is passed on to every
    // output once every connected input has it.
    virtual StreamResult EndOfStream(InputPin &pin);
    // After the last sample of a run. stoppedEarly: the run was stopped or failed before
    // the end of the stream reached this filter, so writers close without inventing an end.
    // Called upstream first, so a filter may still write to the filter after it.
    virtual StreamResult StopStreaming(bool stoppedEarly);
    // A seek: forget what belongs to the old position. Between samples.
    virtual void Flush();

private:
    friend class FilterGraph;
    friend class OutputPin;

    QString friendlyName_;
    QString graphName_;
    FilterGraph *graph_ = nullptr;
    std::vector<std::unique_ptr<Pin>> pins_;
};
