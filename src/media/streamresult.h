// The result of every streaming call between filters (receive, end of stream,
// start and stop of streaming, a source's production step). A plain value.
#pragma once

#include <QString>

#include <utility>

enum class StreamStatus {
    Ok,
    // No more data: from a source's Produce, the source has ended; from Receive, the
    // receiver wants no more samples, and a source that gets it back may end early.
    End,
    // A stop or a seek is pending: stop delivering and return at once. Not an error.
    Interrupted,
    Error,
};

class StreamResult {
public:
    static StreamResult Ok() { return StreamResult(StreamStatus::Ok, {}); }
    static StreamResult End() { return StreamResult(StreamStatus::End, {}); }
    static StreamResult Interrupted() { return StreamResult(StreamStatus::Interrupted, {}); }
    // The message is what the user is shown as the reason the run ended.
    static StreamResult Error(QString message) { return StreamResult(StreamStatus::Error, std::move(message)); }

    StreamStatus Status() const { return status_; }
    const QString &Message() const { return message_; }
    bool IsOk() const { return status_ == StreamStatus::Ok; }
    bool IsError() const { return status_ == StreamStatus::Error; }

private:
    StreamResult(StreamStatus status, QString message) : status_(status), message_(std::move(message)) {}

    StreamStatus status_;
    QString message_;
};
