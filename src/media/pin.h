// The connection points of a filter. A pin belongs to its filter, which creates and
// destroys it; the graph links two pins and fixes the media type of the link.
// Links and their types change only while the graph is stopped, on the controlling
// thread; GetDeliveryBuffer, Deliver and DeliverEndOfStream run on the streaming thread.
#pragma once

#include "media/mediasample.h"
#include "media/mediatype.h"
#include "media/streamresult.h"

#include <QString>

class Filter;
class FilterGraph;
class InputPin;

enum class PinDirection { Input, Output };

class Pin {
public:
    Pin(const Pin &) = delete;
    Pin &operator=(const Pin &) = delete;
    virtual ~Pin() = default;

    PinDirection Direction() const { return direction_; }
    const QString &Name() const { return name_; }
    Filter &Owner() const { return owner_; }
    Pin *Peer() const { return peer_; }
    bool IsConnected() const { return peer_ != nullptr; }
    // The type fixed at connection; meaningless while not connected.
    const MediaType &ConnectionMediaType() const { return connectionType_; }

protected:
    Pin(Filter &owner, PinDirection direction, QString name);

private:
    friend class FilterGraph;

    Filter &owner_;
    PinDirection direction_;
    QString name_;
    Pin *peer_ = nullptr;
    MediaType connectionType_;
};

class InputPin final : public Pin {
public:
    InputPin(Filter &owner, QString name) : Pin(owner, PinDirection::Input, std::move(name)) {}

    // The end of the stream reached this pin since streaming started or the last seek.
    bool AtEndOfStream() const { return endOfStream_; }

private:
    friend class FilterGraph;
    friend class OutputPin;

    bool endOfStream_ = false;
};

class OutputPin final : public Pin {
public:
    OutputPin(Filter &owner, QString name) : Pin(owner, PinDirection::Output, std::move(name)) {}

    InputPin *PeerInput() const;

    // The pin's own sample, cleared, with room for `size` bytes and that actual length.
    // Valid until the next call; one delivery at a time per pin.
    MediaSample &GetDeliveryBuffer(size_t size);
    // Hands the sample to the connected input and returns its receiver's result. An
    // unconnected pin drops the sample and answers Ok; a pending stop or seek answers
    // Interrupted without calling the receiver. The sample need not be this pin's own.
    StreamResult Deliver(MediaSample &sample);
    // Passes the end of the stream on, once per streaming start or seek.
    StreamResult DeliverEndOfStream();
    bool EndOfStreamSent() const { return endOfStreamSent_; }

private:
    friend class FilterGraph;

    MediaSample sample_;
    bool endOfStreamSent_ = false;
};
