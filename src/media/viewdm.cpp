#include "media/viewdm.h"

#include "files/avifichier.h"
#include "files/itemsettings.h"
#include "media/pictureconverters.h"
#include "media/playermessages.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iterator>
#include <thread>

namespace {

// A bail-out for a frame that never comes (a play range that holds none), never
// a time the player is meant to take.
constexpr int kFrameWaitMs = 5000;

const QString kNotAvailable = QStringLiteral("N/A");

// A step: so many seconds of frames at the file's rate (0: one frame), or so much
// media time when the file has no frame rate.
struct StepRule {
    TPlayerMove move;
    int sign;
    int seconds;
    MediaTime mediaTime;
};

const StepRule kSteps[] = {
    {TPlayerMove::kNextFrame, 1, 0, kFrameTime625},
    {TPlayerMove::kPreviousFrame, -1, 0, kFrameTime625},
    {TPlayerMove::kNextSecond, 1, 1, kUnitsPerSecond},
    {TPlayerMove::kPreviousSecond, -1, 1, kUnitsPerSecond},
    {TPlayerMove::kNextMinute, 1, 60, 60 * kUnitsPerSecond},
    {TPlayerMove::kPreviousMinute, -1, 60, 60 * kUnitsPerSecond},
};

bool CarriesSound(const OutputPin &pin)
{
    return pin.ConnectionMediaType().majorType == MajorType::Audio;
}

}  // namespace

Tviewdm::Tviewdm(PlayerVideoOutput &video, PlayerSoundOutput &sound, QObject *parent)
    : QObject(parent), videoOutput_(video), soundOutput_(sound), superposer_(detector_.Core()),
      videoWindow_(video)
{
    detector_.SetFramesFromMediaTimes(true);
    graph_.AddConverterFactory(MakePictureConverter);
    // Rendering a sound output ends at the sound device.
    graph_.AddConverterFactory([this](const MediaType &type) -> std::unique_ptr<Filter> {
        if (type.majorType != MajorType::Audio || type.subtype != kSubtypePcm)
            return nullptr;
        return std::make_unique<TSoundRenderer>(soundOutput_);
    });
    connect(&graph_, &FilterGraph::Completed, this, &Tviewdm::OnCompleted);
    statusTimer_.setInterval(kStatusIntervalMs);
    connect(&statusTimer_, &QTimer::timeout, this, &Tviewdm::OnTimer);
}

Tviewdm::~Tviewdm()
{
    graph_.Stop();
    graph_.RemoveAllFilters();
}

bool Tviewdm::LoadFile(const TaviFichier *item)
{
    ResetPlayer();
    current_ = item;
    if (!item) {
        ShowView({});
        return false;
    }
    graph_.AddFilter(videoWindow_, QString::fromLatin1(TVideoWindow::kFriendlyName));
    overlay_->Settings.TimeDifference = item->displayTimeDifference;

    const bool ok = item->dvInfo ? BuildDvGraph(*item) : BuildGeneralGraph(*item);
    if (!ok) {
        if (stoppedForCommand_)
            failureCode_ = kFailureCommand;
        graph_.Stop();
        graph_.RemoveAllFilters();
        ShowView({false, false, PlayerFailureMessage(failureCode_, item->name, item->codec)});
        return false;
    }
    built_ = true;
    stoppedForCommand_ = false;
    failureCode_ = kFailureNone;

    const bool hasImage = item->imageText != kNotAvailable;
    if (hasImage && videoShown_) {
        ShowView({true, true, {}});
        superposer_.SetTimeDifference(item->displayTimeDifference);
    } else {
        if (!hasImage)
            failureCode_ = soundPlayed_ ? kFailureOnlyAudio : kFailureAvi;
        else if (soundPlayed_)
            failureCode_ = kFailureCodecAudio;
        else
            failureCode_ = item->audioText != kNotAvailable ? kFailureCodecUnknown : kFailureCodecNoAudio;
        ShowView({false, soundPlayed_, PlayerFailureMessage(failureCode_, item->name, item->codec)});
        if (!soundPlayed_)
            return true;
    }

    graph_.SetSyncSource(soundPlayed_ && soundOutput_.Clock() ? soundOutput_.Clock() : &systemClock_);
    pausedHandler_ = connect(&graph_, &FilterGraph::Paused, this, &Tviewdm::OnFirstPause);
    soundOutput_.SetVolume(GraphVolume(volume_, muted_));
    superposer_.SetOverlaySettings(overlay_->Settings);
    superposer_.SetPosition(overlay_->position.x, overlay_->position.y, overlay_->alignment);
    superposer_.SetEnabled(inlayDisplayed_);
    detector_.SetOverlaySettings(overlay_->Settings);
    begin_ = 0;
    duration_ = graph_.GetDuration().value_or(0);
    statusTimer_.start();
    graph_.Run();
    PauseIfNot();
    // The first pause seeks to the start, which draws the first frame.
    QElapsedTimer waited;
    waited.start();
    while (pausedHandler_ && waited.elapsed() < kFrameWaitMs) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool Tviewdm::LoadSource(const TaviFichier &item)
{
    failureCode_ = kFailureSource;
    graph_.AddFilter(source_, QStringLiteral("source"));
    if (!source_.Load(item.path).ok)
        return false;
    failureCode_ = kFailureAvi;
    graph_.AddFilter(avisplitter_, QStringLiteral("avisplitter"));
    return graph_.Connect(source_.Output(), avisplitter_.Input());
}

bool Tviewdm::BuildDvGraph(const TaviFichier &item)
{
    if (!LoadSource(item))
        return false;

    failureCode_ = kFailureDv;
    graph_.AddFilter(dvsplitter_, QStringLiteral("dvsplitter"));
    graph_.AddFilter(detector_, QString::fromLatin1(kDetectorGraphName));
    bool dvPath = false;
    for (OutputPin *output : avisplitter_.OutputPins())
        if (graph_.Connect(*output, dvsplitter_.Input())) {
            // Pin 0 is the DV splitter's input; its video output comes first after it.
            const std::vector<Pin *> pins = dvsplitter_.Pins();
            for (size_t i = 1; i < pins.size() && !dvPath; ++i)
                if (pins[i]->Direction() == PinDirection::Output)
                    dvPath = graph_.Connect(static_cast<OutputPin &>(*pins[i]), detector_.Input());
            break;
        }
    if (!dvPath) {
        // A type 2 file: its video stream goes to the detector directly.
        graph_.RemoveFilter(dvsplitter_);
        for (OutputPin *output : avisplitter_.OutputPins())
            if (!output->IsConnected() && graph_.Connect(*output, detector_.Input())) {
                dvPath = true;
                break;
            }
    }
    if (!dvPath)
        return false;

    failureCode_ = kFailureDecoder;
    graph_.AddFilter(dvdecoder_, QStringLiteral("Dvdecoder"));
    if (!graph_.Connect(detector_.Output(), dvdecoder_.Input()))
        return false;
    graph_.AddFilter(superposer_, QString::fromLatin1(Tdv_Superposer::kPlaybackGraphName));
    if (graph_.Connect(dvdecoder_.Output(), superposer_.Input()))
        ConnectPicture();

    RenderSound(avisplitter_, 0);
    if (dvsplitter_.Graph() == &graph_)
        RenderSound(dvsplitter_, 1);
    SetTimeFormat(item);
    return true;
}

bool Tviewdm::BuildGeneralGraph(const TaviFichier &item)
{
    if (!LoadSource(item))
        return false;
    // The first stream that a decoder turns into pictures goes through the overlay;
    // it sees no DV frames here, so its datecode and timecode parts stay empty.
    detector_.ClearPublished();
    graph_.AddFilter(superposer_, QString::fromLatin1(Tdv_Superposer::kPlaybackGraphName));
    for (OutputPin *output : avisplitter_.OutputPins())
        if (graph_.ConnectIntelligent(*output, superposer_.Input()))
            break;
    if (superposer_.Input().IsConnected())
        ConnectPicture();
    RenderSound(avisplitter_, 0);
    SetTimeFormat(item);
    return true;
}

void Tviewdm::ConnectPicture()
{
    graph_.AddFilter(color_, QStringLiteral("color"));
    videoShown_ = graph_.Connect(superposer_.Output(), color_.Input())
               && graph_.Connect(color_.Output(), videoWindow_.Input());
}

void Tviewdm::RenderSound(Filter &filter, size_t firstPin)
{
    const std::vector<Pin *> pins = filter.Pins();
    for (size_t i = firstPin; i < pins.size(); ++i) {
        if (pins[i]->Direction() != PinDirection::Output || pins[i]->IsConnected())
            continue;
        auto &output = static_cast<OutputPin &>(*pins[i]);
        if (graph_.Render(output) && CarriesSound(output))
            soundPlayed_ = true;
    }
}

void Tviewdm::SetTimeFormat(const TaviFichier &item)
{
    if (!(item.fps > 0 && graph_.SetTimeFormat(TimeFormat::Frame)))
        graph_.SetTimeFormat(TimeFormat::MediaTime);
}

void Tviewdm::ShowView(TPlayerView view)
{
    view_ = std::move(view);
    Q_EMIT ViewChanged(view_);
}

int64_t Tviewdm::Clamped(int64_t position) const
{
    // The last position that still shows a frame: in frames, the last frame.
    const int64_t last = graph_.GetTimeFormat() == TimeFormat::Frame ? duration_ - 1 : duration_;
    return std::clamp(position, begin_, std::max(begin_, last));
}

void Tviewdm::SetPositions(int64_t current, std::optional<int64_t> stop)
{
    // Cleared before the seek: the new frame may be drawn before SetPositions returns.
    FramePassed = false;
    graph_.SetPositions(current, stop);
}

bool Tviewdm::WaitForFrame()
{
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        const GraphState state = graph_.GetState();
        if (!videoShown_ || state == GraphState::Stopped)
            return false;
        // Paused: the overlay draws before the window holds the picture, so the
        // frame is shown once the graph has cued; it may have cued on the end of
        // the range instead.
        if (state == GraphState::Paused ? graph_.WaitForState(0) : FramePassed.load())
            return FramePassed;
        if (waited.elapsed() >= kFrameWaitMs)
            return false;
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void Tviewdm::StepFrames(int64_t n)
{
    if (!built_)
        return;
    const int64_t position = graph_.GetCurrentPosition().value_or(begin_);
    graph_.SetTimeFormat(TimeFormat::Frame);
    SetPositions(Clamped(position + n), duration_);
    WaitForFrame();
    OnTimer();
}

void Tviewdm::SeekBy(int64_t t)
{
    if (!built_)
        return;
    const TimeFormat format = graph_.GetTimeFormat();
    graph_.SetTimeFormat(TimeFormat::MediaTime);
    const int64_t duration = graph_.GetDuration().value_or(0);
    const int64_t position = graph_.GetCurrentPosition().value_or(0);
    FramePassed = false;
    graph_.SetPositions(std::clamp<int64_t>(position + t, 0, std::max<int64_t>(0, duration - 1)), duration);
    graph_.SetTimeFormat(format);
}

void Tviewdm::SeekTo(int64_t p)
{
    if (!built_)
        return;
    // Paused first, so that the frame held is the one sought and no later one.
    PauseIfNot();
    SetPositions(Clamped(p), std::nullopt);
    WaitForFrame();
    position_ = graph_.GetCurrentPosition().value_or(begin_);
    trackPosition_ = duration_ > 0 ? static_cast<int>(position_ * kTrackMaximum / duration_) : 0;
}

void Tviewdm::Move(TPlayerMove move)
{
    if (!current_)
        return;
    if (move == TPlayerMove::kEnd || move == TPlayerMove::kStart) {
        SeekTo(move == TPlayerMove::kEnd ? duration_ : begin_);
        return;
    }
    const auto *step = std::ranges::find(kSteps, move, &StepRule::move);
    if (step == std::end(kSteps))
        return;
    const double fps = current_->fps;
    if (fps <= 0) {
        SeekBy(step->sign * step->mediaTime);
        return;
    }
    const int64_t frames = step->seconds == 0 ? 1 : std::llround(step->seconds * fps);
    StepFrames(step->sign * frames);
}

void Tviewdm::SeekToTrack(int value)
{
    SeekTo(begin_ + static_cast<int64_t>(std::clamp(value, 0, kTrackMaximum)) * (duration_ - begin_) / kTrackMaximum);
}

void Tviewdm::Redraw()
{
    if (!built_ || graph_.GetState() == GraphState::Running)
        return;
    // Stopping forgets the frame held, so the position is set again before the pause.
    const int64_t position = graph_.GetCurrentPosition().value_or(begin_);
    graph_.Stop();
    SetPositions(position, std::nullopt);
    graph_.Pause();
    WaitForFrame();
}

void Tviewdm::PauseIfNot()
{
    if (graph_.GetState() != GraphState::Paused)
        graph_.Pause();
}

void Tviewdm::Play()
{
    if (built_)
        graph_.Run();
}

void Tviewdm::ReleaseForCommand()
{
    stoppedForCommand_ = true;
    statusTimer_.stop();
    disconnect(pausedHandler_);
    graph_.Stop();
    graph_.RemoveAllFilters();
    built_ = false;
}

void Tviewdm::ResetPlayer()
{
    statusTimer_.stop();
    disconnect(pausedHandler_);
    graph_.Stop();
    graph_.RemoveAllFilters();
    videoOutput_.Clear();
    videoShown_ = false;
    soundPlayed_ = false;
    built_ = false;
    begin_ = 0;
    duration_ = 0;
    position_ = 0;
    trackPosition_ = 0;
}

void Tviewdm::SetVolume(int volume)
{
    volume_ = std::clamp(volume, 0, kVolumeMaximum);
    soundOutput_.SetVolume(GraphVolume(volume_, muted_));
}

void Tviewdm::SetMute(bool muted)
{
    muted_ = muted;
    soundOutput_.SetVolume(GraphVolume(volume_, muted_));
}

void Tviewdm::SetInlayDisplayed(bool displayed)
{
    inlayDisplayed_ = displayed;
    superposer_.SetEnabled(displayed);
}

int64_t Tviewdm::Position()
{
    position_ = graph_.GetCurrentPosition().value_or(position_);
    return position_;
}

TPlayerStatus Tviewdm::Status()
{
    if (!current_ || !built_)
        return {};
    const TPlayerStatus status =
        PlayerStatusTexts(detector_.Published(), graph_.GetState() == GraphState::Stopped, *current_,
                          {Position(), begin_, duration_}, DatecodeDisplayFormat());
    trackPosition_ = status.trackPosition;
    return status;
}

void Tviewdm::OnTimer()
{
    if (current_ && built_)
        Q_EMIT StatusChanged(Status());
}

void Tviewdm::OnCompleted(const GraphCompletion &completion)
{
    if (!built_ || completion.result != GraphCompletion::Result::Complete)
        return;
    if (loopAtEnd_) {
        SetPositions(begin_, std::nullopt);
        graph_.Run();
        return;
    }
    SeekTo(begin_);
}

void Tviewdm::OnFirstPause()
{
    disconnect(pausedHandler_);
    pausedHandler_ = {};
    SeekTo(begin_);
}
