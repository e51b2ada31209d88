// A graph of filters and the one streaming thread that runs them.
//
// Ownership: the graph refers to the filters added to it and owns none of them,
// except the converters it inserts itself (ConnectIntelligent, Render) and the
// position interfaces it hands out; a filter must outlive its membership.
//
// Threads: graph control (adding, connecting, Run, Pause, Stop, positions) comes from
// one controlling thread at a time, the UI thread or the command worker thread, never
// from the streaming thread. While the graph is paused or running, its filters run on
// the one streaming thread that Run or Pause starts and Stop joins. Control reaches
// that thread only through the graph's command queue (stop and seek); a renderer
// waiting in pause or for its time wakes up for it. GetState, WaitForState and
// WaitForCompletion may be called from any thread. The
// Completed and Paused signals are emitted on the thread the graph lives in.
#pragma once

#include "media/filter.h"
#include "media/mediaseeking.h"
#include "media/referenceclock.h"
#include "media/sourcefilter.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

enum class GraphState { Stopped, Paused, Running };

// How a run ended.
struct GraphCompletion {
    enum class Result {
        Complete,      // the end of every stream went through the graph
        Error,         // a filter failed; message says why
        StoppedEarly,  // Stop came before the end
    };
    Result result = Result::Complete;
    QString message;
};
Q_DECLARE_METATYPE(GraphCompletion)

// Makes a filter that may sit between an output of the given type and an input that
// refuses it (a decoder), or nullptr. Registered by the graph's owner.
using ConverterFactory = std::function<std::unique_ptr<Filter>(const MediaType &outputType)>;

class FilterGraph : public QObject, public MediaSeeking {
    Q_OBJECT

public:
    explicit FilterGraph(QObject *parent = nullptr);
    // Stops, then takes every filter out.
    ~FilterGraph() override;

    // Building (graph stopped). An empty name takes the friendly name; a name already
    // used gets " 0001", " 0002" ... appended. False when the filter is in a graph.
    bool AddFilter(Filter &filter, const QString &name = {});
    // Disconnects the filter's pins first.
    bool RemoveFilter(Filter &filter);
    void RemoveAllFilters();
    Filter *FindFilter(const QString &name) const;
    std::vector<Filter *> Filters() const;

    // Direct connection: the first type the output proposes that matches `partial` and
    // that the input accepts. False when both pins are not free pins of this graph's
    // filters, the graph is not stopped, or no type is accepted.
    bool Connect(OutputPin &output, InputPin &input, const std::optional<MediaType> &partial = std::nullopt);
    // Connect, else through one converter made by a registered factory.
    bool ConnectIntelligent(OutputPin &output, InputPin &input,
                            const std::optional<MediaType> &partial = std::nullopt);
    // Completes the stream of an output with filters made by the factories, down to a
    // filter with no outputs.
    bool Render(OutputPin &output);
    // Breaks the link of the pin with its peer (both ends). False when not connected.
    bool Disconnect(Pin &pin);
    void AddConverterFactory(ConverterFactory factory);

    // The clock of clocked runs; nullptr runs unclocked, as fast as the filters go.
    // The system clock by default. Only while stopped.
    bool SetSyncSource(ReferenceClock *clock);
    ReferenceClock *SyncSource() const { return clock_; }

    // Streaming. Pause starts streaming and holds at the first sample that reaches a
    // renderer; Run lets it flow (from a pause it resumes where the clock stood).
    // Stop ends the run (the filters hear StopStreaming(stoppedEarly = true) unless the
    // run had completed) and joins the streaming thread.
    bool Run();
    bool Pause();
    void Stop();
    GraphState GetState() const;
    // True once the state asked for is reached within the time: paused means a renderer
    // holds a sample or the end of the stream, or the run has ended. timeoutMs < 0 waits
    // without limit.
    bool WaitForState(int timeoutMs) const;
    // The completion of the current run once there is one (it stays until the next
    // start from stopped); empty after the time. timeoutMs < 0 waits without limit.
    std::optional<GraphCompletion> WaitForCompletion(int timeoutMs) const;

    // Position interface of the graph: duration and position come from the first
    // source; seeking goes to every source (and flushes the filters while streaming).
    bool SetTimeFormat(TimeFormat format) override;
    TimeFormat GetTimeFormat() const override;
    std::optional<int64_t> GetDuration() const override;
    std::optional<int64_t> GetCurrentPosition() const override;
    bool SetPositions(std::optional<int64_t> current, std::optional<int64_t> stop) override;
    // Position interface of a filter of the graph (a mux, a renderer): in media time,
    // its position is its last sample's time; duration and seeking are the graph's.
    // Owned by the graph; valid until the filter leaves it.
    MediaSeeking *PositionOf(Filter &filter);

    // For renderers, on the streaming thread: waits until the sample is due, calls
    // `render`, and returns its result; or returns Interrupted for a stop or a seek.
    // In pause it renders at once and holds until the graph runs.
    StreamResult PresentWhenDue(std::optional<MediaTime> due, const std::function<StreamResult()> &render);
    // For pins, on the streaming thread: a stop, a seek or a failure is pending.
    bool InterruptPending() const { return interrupt_.load(std::memory_order_acquire); }
    // For pins: a filter failed; the first failure ends the run with its message.
    void ReportStreamError(const QString &message);

Q_SIGNALS:
    void Completed(const GraphCompletion &completion);
    // The graph reached the paused state (a renderer holds a sample, or the run ended).
    void Paused();

private:
    class FilterPosition;
    struct Command {
        enum class Kind { Stop, Seek };
        Kind kind = Kind::Stop;
        std::optional<int64_t> current;
        std::optional<int64_t> stop;
        TimeFormat format = TimeFormat::MediaTime;
        std::shared_ptr<std::promise<bool>> done;
    };

    bool IsStreamingThread() const;
    bool CanEdit() const;
    void Link(OutputPin &output, InputPin &input, const MediaType &type);
    void Unlink(OutputPin &output, InputPin &input);
    bool TryConverter(OutputPin &output, const MediaType &type, const std::function<bool(Filter &)> &finish);
    bool RenderFrom(OutputPin &output, int depth);
    QString UniqueName(const QString &name) const;
    std::vector<SourceFilter *> Sources() const;
    std::vector<Filter *> UpstreamFirst() const;
    std::optional<int64_t> DurationIn(TimeFormat format) const;
    bool SetPositionsIn(std::optional<int64_t> current, std::optional<int64_t> stop, TimeFormat format);
    bool SeekSources(std::optional<int64_t> current, std::optional<int64_t> stop, TimeFormat format);
    bool StartThread(GraphState state);

    // Streaming thread.
    void StreamingLoop();
    bool BeginSession();
    void BeginSegment();
    void EndSession(GraphCompletion completion);
    StreamResult ProduceRound();
    void FlushFilters();
    void ResetEndOfStream();
    std::optional<Command> TakeCommand(bool wait);
    bool CommandPending() const;
    bool TakeStreamError(QString &message);
    void MarkCuedLocked();
    void PostCompleted(const GraphCompletion &completion);
    void PostPaused();

    // Building state (controlling thread, graph stopped).
    std::vector<Filter *> filters_;
    std::vector<std::unique_ptr<Filter>> insertedFilters_;
    std::vector<ConverterFactory> factories_;
    std::map<Filter *, std::unique_ptr<FilterPosition>> positions_;
    SystemClock systemClock_;
    ReferenceClock *clock_ = &systemClock_;
    TimeFormat timeFormat_ = TimeFormat::MediaTime;
    std::thread thread_;
    std::thread::id streamingThreadId_;

    // Streaming thread only; fixed for a run, since the graph cannot change meanwhile.
    std::vector<SourceFilter *> sources_;
    std::vector<SourceFilter *> endedSources_;
    std::vector<Filter *> started_;  // in the order StartStreaming was called, downstream first

    // Shared, under mutex_.
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    GraphState state_ = GraphState::Stopped;
    bool sessionActive_ = false;
    bool cued_ = false;
    std::deque<Command> commands_;
    std::optional<QString> streamError_;
    std::optional<GraphCompletion> completion_;
    MediaTime segmentStart_ = 0;     // media time of the first sample of the segment
    MediaTime runStartRef_ = 0;      // clock time at which the segment start is due
    MediaTime pausedStreamTime_ = 0; // stream time reached when the graph paused
    std::atomic<bool> interrupt_{false};
    std::atomic<uint64_t> session_{0};  // stale notifications of an earlier run are dropped
};
