#include "media/filtergraph.h"

#include <QMetaObject>

#include <algorithm>
#include <chrono>

namespace {

// Render goes at most this many converters deep.
constexpr int kMaxRenderDepth = 3;

template <typename T>
bool Contains(const std::vector<T> &items, const T &item)
{
    return std::find(items.begin(), items.end(), item) != items.end();
}

}  // namespace

// A filter's position: its last sample's time; duration and seeking are the graph's.
class FilterGraph::FilterPosition final : public MediaSeeking {
public:
    FilterPosition(FilterGraph &graph, const Filter &filter) : graph_(graph), filter_(filter) {}

    bool SetTimeFormat(TimeFormat format) override { return format == TimeFormat::MediaTime; }
    TimeFormat GetTimeFormat() const override { return TimeFormat::MediaTime; }
    std::optional<int64_t> GetDuration() const override { return graph_.DurationIn(TimeFormat::MediaTime); }
    std::optional<int64_t> GetCurrentPosition() const override { return filter_.LastSampleTime(); }
    bool SetPositions(std::optional<int64_t> current, std::optional<int64_t> stop) override
    {
        return graph_.SetPositionsIn(current, stop, TimeFormat::MediaTime);
    }

private:
    FilterGraph &graph_;
    const Filter &filter_;
};

FilterGraph::FilterGraph(QObject *parent) : QObject(parent)
{
    qRegisterMetaType<GraphCompletion>();
}

FilterGraph::~FilterGraph()
{
    Stop();
    RemoveAllFilters();
}

// ---- Building ----

bool FilterGraph::IsStreamingThread() const
{
    return thread_.joinable() && std::this_thread::get_id() == streamingThreadId_;
}

bool FilterGraph::CanEdit() const
{
    return !thread_.joinable();
}

QString FilterGraph::UniqueName(const QString &name) const
{
    if (!FindFilter(name))
        return name;
    for (int n = 1;; ++n) {
        const QString candidate = QStringLiteral("%1 %2").arg(name).arg(n, 4, 10, QLatin1Char('0'));
        if (!FindFilter(candidate))
            return candidate;
    }
}

bool FilterGraph::AddFilter(Filter &filter, const QString &name)
{
    if (filter.graph_ || !CanEdit())
        return false;
    filter.graphName_ = UniqueName(name.isEmpty() ? filter.FriendlyName() : name);
    filter.graph_ = this;
    filters_.push_back(&filter);
    return true;
}

bool FilterGraph::RemoveFilter(Filter &filter)
{
    if (filter.graph_ != this || !CanEdit())
        return false;
    // A disconnection may make a filter drop pins, so look for a connected pin anew each time.
    for (;;) {
        const std::vector<Pin *> pins = filter.Pins();
        const auto connected = std::find_if(pins.begin(), pins.end(), [](const Pin *pin) { return pin->IsConnected(); });
        if (connected == pins.end())
            break;
        Disconnect(**connected);
    }
    positions_.erase(&filter);
    std::erase(filters_, &filter);
    filter.graph_ = nullptr;
    filter.graphName_.clear();
    std::erase_if(insertedFilters_, [&filter](const std::unique_ptr<Filter> &owned) { return owned.get() == &filter; });
    return true;
}

void FilterGraph::RemoveAllFilters()
{
    Stop();
    while (!filters_.empty())
        RemoveFilter(*filters_.back());
}

Filter *FilterGraph::FindFilter(const QString &name) const
{
    for (Filter *filter : filters_)
        if (filter->GraphName() == name)
            return filter;
    return nullptr;
}

std::vector<Filter *> FilterGraph::Filters() const
{
    return filters_;
}

void FilterGraph::Link(OutputPin &output, InputPin &input, const MediaType &type)
{
    output.peer_ = &input;
    input.peer_ = &output;
    output.connectionType_ = type;
    input.connectionType_ = type;
}

void FilterGraph::Unlink(OutputPin &output, InputPin &input)
{
    output.peer_ = nullptr;
    input.peer_ = nullptr;
    output.connectionType_ = MediaType();
    input.connectionType_ = MediaType();
}

bool FilterGraph::Connect(OutputPin &output, InputPin &input, const std::optional<MediaType> &partial)
{
    Filter &from = output.Owner();
    Filter &to = input.Owner();
    if (!CanEdit() || from.graph_ != this || to.graph_ != this || &from == &to || output.IsConnected()
        || input.IsConnected())
        return false;
    for (const MediaType &type : from.OutputTypes(output)) {
        if (partial && !type.Matches(*partial))
            continue;
        if (!to.AcceptInputType(input, type))
            continue;
        Link(output, input, type);
        if (from.CompleteConnect(output) && to.CompleteConnect(input))
            return true;
        Unlink(output, input);
        from.BreakConnect(output);
        to.BreakConnect(input);
    }
    return false;
}

bool FilterGraph::Disconnect(Pin &pin)
{
    if (!CanEdit() || pin.Owner().graph_ != this || !pin.IsConnected())
        return false;
    OutputPin &output = static_cast<OutputPin &>(pin.Direction() == PinDirection::Output ? pin : *pin.Peer());
    InputPin &input = static_cast<InputPin &>(pin.Direction() == PinDirection::Input ? pin : *pin.Peer());
    Filter &from = output.Owner();
    Filter &to = input.Owner();
    Unlink(output, input);
    from.BreakConnect(output);
    to.BreakConnect(input);
    return true;
}

void FilterGraph::AddConverterFactory(ConverterFactory factory)
{
    factories_.push_back(std::move(factory));
}

bool FilterGraph::TryConverter(OutputPin &output, const MediaType &type, const std::function<bool(Filter &)> &finish)
{
    for (const ConverterFactory &factory : factories_) {
        std::unique_ptr<Filter> made = factory(type);
        if (!made)
            continue;
        Filter &converter = *made;
        if (!AddFilter(converter))
            continue;
        insertedFilters_.push_back(std::move(made));
        for (InputPin *input : converter.InputPins()) {
            if (Connect(output, *input, type)) {
                if (finish(converter))
                    return true;
                break;
            }
        }
        RemoveFilter(converter);
    }
    return false;
}

bool FilterGraph::ConnectIntelligent(OutputPin &output, InputPin &input, const std::optional<MediaType> &partial)
{
    if (Connect(output, input, partial))
        return true;
    if (!CanEdit() || output.Owner().graph_ != this || input.Owner().graph_ != this || output.IsConnected()
        || input.IsConnected())
        return false;
    for (const MediaType &type : output.Owner().OutputTypes(output)) {
        if (partial && !type.Matches(*partial))
            continue;
        const bool connected = TryConverter(output, type, [this, &input](Filter &converter) {
            for (OutputPin *out : converter.OutputPins())
                if (Connect(*out, input))
                    return true;
            return false;
        });
        if (connected)
            return true;
    }
    return false;
}

bool FilterGraph::Render(OutputPin &output)
{
    return RenderFrom(output, 0);
}

bool FilterGraph::RenderFrom(OutputPin &output, int depth)
{
    if (!CanEdit() || output.Owner().graph_ != this || output.IsConnected() || depth >= kMaxRenderDepth)
        return false;
    for (const MediaType &type : output.Owner().OutputTypes(output)) {
        const bool rendered = TryConverter(output, type, [this, depth](Filter &next) {
            const std::vector<OutputPin *> outputs = next.OutputPins();
            return outputs.empty() || RenderFrom(*outputs.front(), depth + 1);
        });
        if (rendered)
            return true;
    }
    return false;
}

bool FilterGraph::SetSyncSource(ReferenceClock *clock)
{
    if (!CanEdit())
        return false;
    clock_ = clock;
    return true;
}

std::vector<SourceFilter *> FilterGraph::Sources() const
{
    std::vector<SourceFilter *> sources;
    for (Filter *filter : filters_)
        if (auto *source = dynamic_cast<SourceFilter *>(filter))
            sources.push_back(source);
    return sources;
}

// Filters in stream order: every filter after the filters that feed it. Filters that
// nothing connects come in the order they were added.
std::vector<Filter *> FilterGraph::UpstreamFirst() const
{
    std::map<const Filter *, int> feeding;
    for (Filter *filter : filters_) {
        int count = 0;
        for (const InputPin *input : filter->InputPins())
            count += input->IsConnected() ? 1 : 0;
        feeding[filter] = count;
    }
    std::vector<Filter *> order;
    for (Filter *filter : filters_)
        if (feeding[filter] == 0)
            order.push_back(filter);
    for (size_t i = 0; i < order.size(); ++i) {
        for (const OutputPin *output : order[i]->OutputPins()) {
            if (!output->IsConnected())
                continue;
            Filter &next = output->Peer()->Owner();
            if (--feeding[&next] == 0)
                order.push_back(&next);
        }
    }
    for (Filter *filter : filters_)
        if (!Contains(order, filter))
            order.push_back(filter);
    return order;
}

// ---- State ----

bool FilterGraph::StartThread(GraphState state)
{
    {
        std::lock_guard lock(mutex_);
        state_ = state;
        cued_ = false;
        sessionActive_ = false;
        completion_.reset();
        streamError_.reset();
        commands_.clear();
        interrupt_.store(false, std::memory_order_release);
        pausedStreamTime_ = 0;
        runStartRef_ = clock_ ? clock_->Now() : 0;
        session_.fetch_add(1);
    }
    thread_ = std::thread(&FilterGraph::StreamingLoop, this);
    streamingThreadId_ = thread_.get_id();
    return true;
}

bool FilterGraph::Run()
{
    if (IsStreamingThread())
        return false;
    if (!thread_.joinable())
        return StartThread(GraphState::Running);
    std::lock_guard lock(mutex_);
    if (state_ == GraphState::Paused) {
        if (clock_)
            runStartRef_ = clock_->Now() - pausedStreamTime_;
        state_ = GraphState::Running;
        changed_.notify_all();
    }
    return true;
}

bool FilterGraph::Pause()
{
    if (IsStreamingThread())
        return false;
    if (!thread_.joinable())
        return StartThread(GraphState::Paused);
    std::lock_guard lock(mutex_);
    if (state_ == GraphState::Running) {
        if (clock_)
            pausedStreamTime_ = clock_->Now() - runStartRef_;
        state_ = GraphState::Paused;
        cued_ = false;
        // A run that has ended holds nothing: it counts as paused at once.
        if (!sessionActive_)
            MarkCuedLocked();
        changed_.notify_all();
    }
    return true;
}

void FilterGraph::Stop()
{
    if (IsStreamingThread() || !thread_.joinable())
        return;
    {
        std::lock_guard lock(mutex_);
        commands_.push_back(Command{Command::Kind::Stop});
        interrupt_.store(true, std::memory_order_release);
        changed_.notify_all();
    }
    thread_.join();
    thread_ = std::thread();
    std::lock_guard lock(mutex_);
    state_ = GraphState::Stopped;
}

GraphState FilterGraph::GetState() const
{
    std::lock_guard lock(mutex_);
    return state_;
}

bool FilterGraph::WaitForState(int timeoutMs) const
{
    std::unique_lock lock(mutex_);
    const auto reached = [this] { return state_ != GraphState::Paused || cued_; };
    if (timeoutMs < 0) {
        changed_.wait(lock, reached);
        return true;
    }
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), reached);
}

std::optional<GraphCompletion> FilterGraph::WaitForCompletion(int timeoutMs) const
{
    std::unique_lock lock(mutex_);
    const auto completed = [this] { return completion_.has_value(); };
    if (timeoutMs < 0)
        changed_.wait(lock, completed);
    else
        changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), completed);
    return completion_;
}

// ---- Positions ----

bool FilterGraph::SetTimeFormat(TimeFormat format)
{
    const std::vector<SourceFilter *> sources = Sources();
    if (sources.empty() || !std::all_of(sources.begin(), sources.end(), [format](const SourceFilter *source) {
            return source->SupportsTimeFormat(format);
        }))
        return false;
    timeFormat_ = format;
    return true;
}

TimeFormat FilterGraph::GetTimeFormat() const
{
    return timeFormat_;
}

std::optional<int64_t> FilterGraph::DurationIn(TimeFormat format) const
{
    const std::vector<SourceFilter *> sources = Sources();
    if (sources.empty())
        return std::nullopt;
    return sources.front()->GetDuration(format);
}

std::optional<int64_t> FilterGraph::GetDuration() const
{
    return DurationIn(timeFormat_);
}

std::optional<int64_t> FilterGraph::GetCurrentPosition() const
{
    const std::vector<SourceFilter *> sources = Sources();
    if (sources.empty())
        return std::nullopt;
    return sources.front()->GetCurrentPosition(timeFormat_);
}

bool FilterGraph::SetPositions(std::optional<int64_t> current, std::optional<int64_t> stop)
{
    return SetPositionsIn(current, stop, timeFormat_);
}

bool FilterGraph::SetPositionsIn(std::optional<int64_t> current, std::optional<int64_t> stop, TimeFormat format)
{
    if (IsStreamingThread())
        return false;
    if (!thread_.joinable())
        return SeekSources(current, stop, format);
    // The streaming thread seeks between two samples, after flushing what is in flight.
    auto done = std::make_shared<std::promise<bool>>();
    std::future<bool> result = done->get_future();
    {
        std::lock_guard lock(mutex_);
        commands_.push_back(Command{Command::Kind::Seek, current, stop, format, done});
        interrupt_.store(true, std::memory_order_release);
        changed_.notify_all();
    }
    return result.get();
}

bool FilterGraph::SeekSources(std::optional<int64_t> current, std::optional<int64_t> stop, TimeFormat format)
{
    const std::vector<SourceFilter *> sources = Sources();
    bool ok = !sources.empty();
    for (SourceFilter *source : sources)
        ok = source->SetPositions(current, stop, format) && ok;
    return ok;
}

MediaSeeking *FilterGraph::PositionOf(Filter &filter)
{
    if (filter.graph_ != this)
        return nullptr;
    std::unique_ptr<FilterPosition> &position = positions_[&filter];
    if (!position)
        position = std::make_unique<FilterPosition>(*this, filter);
    return position.get();
}

// ---- For filters and pins, on the streaming thread ----

StreamResult FilterGraph::PresentWhenDue(std::optional<MediaTime> due, const std::function<StreamResult()> &render)
{
    std::unique_lock lock(mutex_);
    bool rendered = false;
    for (;;) {
        if (interrupt_.load(std::memory_order_acquire))
            return StreamResult::Interrupted();
        if (state_ == GraphState::Paused) {
            if (!rendered) {
                // The sample a paused graph holds is shown at once, as a still.
                lock.unlock();
                StreamResult result = render();
                lock.lock();
                rendered = true;
                if (!result.IsOk())
                    return result;
                continue;
            }
            MarkCuedLocked();
            changed_.wait(lock);
            continue;
        }
        if (clock_ && due) {
            const MediaTime wait = runStartRef_ + (*due - segmentStart_) - clock_->Now();
            if (wait > 0) {
                changed_.wait_for(lock, std::chrono::microseconds(wait / 10 + 1));
                continue;
            }
        }
        break;
    }
    if (rendered)
        return StreamResult::Ok();
    lock.unlock();
    return render();
}

void FilterGraph::ReportStreamError(const QString &message)
{
    std::lock_guard lock(mutex_);
    if (!streamError_)
        streamError_ = message;
    interrupt_.store(true, std::memory_order_release);
    changed_.notify_all();
}

void FilterGraph::MarkCuedLocked()
{
    if (cued_)
        return;
    cued_ = true;
    changed_.notify_all();
    PostPaused();
}

void FilterGraph::PostCompleted(const GraphCompletion &completion)
{
    const uint64_t session = session_.load();
    QMetaObject::invokeMethod(
        this,
        [this, session, completion] {
            if (session == session_.load())
                Q_EMIT Completed(completion);
        },
        Qt::QueuedConnection);
}

void FilterGraph::PostPaused()
{
    const uint64_t session = session_.load();
    QMetaObject::invokeMethod(
        this,
        [this, session] {
            if (session == session_.load())
                Q_EMIT Paused();
        },
        Qt::QueuedConnection);
}

// ---- The streaming thread ----

void FilterGraph::StreamingLoop()
{
    bool active = BeginSession();
    for (;;) {
        std::optional<Command> command = TakeCommand(!active);
        if (command) {
            if (command->kind == Command::Kind::Stop) {
                if (active)
                    EndSession({GraphCompletion::Result::StoppedEarly, {}});
                break;
            }
            if (active)
                FlushFilters();
            const bool ok = SeekSources(command->current, command->stop, command->format);
            if (active)
                BeginSegment();
            else
                active = BeginSession();
            command->done->set_value(ok);
            continue;
        }
        const StreamResult result = ProduceRound();
        QString error;
        if (TakeStreamError(error)) {
            EndSession({GraphCompletion::Result::Error, error});
            active = false;
        } else if (result.Status() == StreamStatus::End && !CommandPending()) {
            EndSession({GraphCompletion::Result::Complete, {}});
            active = false;
        }
    }
    std::lock_guard lock(mutex_);
    for (Command &pending : commands_)
        if (pending.done)
            pending.done->set_value(false);
    commands_.clear();
}

std::optional<FilterGraph::Command> FilterGraph::TakeCommand(bool wait)
{
    std::unique_lock lock(mutex_);
    if (wait)
        changed_.wait(lock, [this] { return !commands_.empty(); });
    if (commands_.empty())
        return std::nullopt;
    Command command = std::move(commands_.front());
    commands_.pop_front();
    interrupt_.store(!commands_.empty() || streamError_, std::memory_order_release);
    return command;
}

bool FilterGraph::CommandPending() const
{
    std::lock_guard lock(mutex_);
    return !commands_.empty();
}

bool FilterGraph::TakeStreamError(QString &message)
{
    std::lock_guard lock(mutex_);
    if (!streamError_)
        return false;
    message = *streamError_;
    return true;
}

bool FilterGraph::BeginSession()
{
    sources_ = Sources();
    endedSources_.clear();
    started_.clear();
    ResetEndOfStream();
    const std::vector<Filter *> order = UpstreamFirst();
    // Downstream first, so every filter is ready before data reaches it.
    for (auto it = order.rbegin(); it != order.rend(); ++it) {
        StreamResult result = (*it)->StartStreaming();
        if (result.IsError()) {
            EndSession({GraphCompletion::Result::Error, result.Message()});
            return false;
        }
        started_.push_back(*it);
    }
    {
        std::lock_guard lock(mutex_);
        sessionActive_ = true;
    }
    BeginSegment();
    return true;
}

void FilterGraph::BeginSegment()
{
    const std::optional<int64_t> start =
        sources_.empty() ? std::nullopt : sources_.front()->GetCurrentPosition(TimeFormat::MediaTime);
    std::lock_guard lock(mutex_);
    segmentStart_ = start.value_or(0);
    pausedStreamTime_ = 0;
    if (state_ == GraphState::Running && clock_)
        runStartRef_ = clock_->Now();
    if (state_ == GraphState::Paused)
        cued_ = false;
}

void FilterGraph::EndSession(GraphCompletion completion)
{
    const bool stoppedEarly = completion.result != GraphCompletion::Result::Complete;
    // Upstream first: a filter may still write to the one after it while it stops.
    for (auto it = started_.rbegin(); it != started_.rend(); ++it) {
        StreamResult result = (*it)->StopStreaming(stoppedEarly);
        if (result.IsError() && completion.result == GraphCompletion::Result::Complete)
            completion = {GraphCompletion::Result::Error, result.Message()};
    }
    started_.clear();
    std::lock_guard lock(mutex_);
    sessionActive_ = false;
    streamError_.reset();
    interrupt_.store(!commands_.empty(), std::memory_order_release);
    completion_ = completion;
    PostCompleted(completion);
    if (state_ == GraphState::Paused)
        MarkCuedLocked();
    changed_.notify_all();
}

StreamResult FilterGraph::ProduceRound()
{
    bool more = false;
    for (SourceFilter *source : sources_) {
        if (Contains(endedSources_, source))
            continue;
        StreamResult result = source->Produce();
        if (result.IsError()) {
            ReportStreamError(result.Message());
            return result;
        }
        if (result.Status() == StreamStatus::Interrupted)
            return result;
        if (result.Status() == StreamStatus::End) {
            endedSources_.push_back(source);
            for (OutputPin *output : source->OutputPins()) {
                StreamResult delivered = output->DeliverEndOfStream();
                if (delivered.IsError() || delivered.Status() == StreamStatus::Interrupted)
                    return delivered;
            }
            continue;
        }
        more = true;
    }
    return more ? StreamResult::Ok() : StreamResult::End();
}

void FilterGraph::FlushFilters()
{
    for (Filter *filter : started_)
        filter->Flush();
    ResetEndOfStream();
    endedSources_.clear();
}

void FilterGraph::ResetEndOfStream()
{
    for (Filter *filter : filters_) {
        for (InputPin *input : filter->InputPins())
            input->endOfStream_ = false;
        for (OutputPin *output : filter->OutputPins())
            output->endOfStreamSent_ = false;
    }
}
