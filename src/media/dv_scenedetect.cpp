#include "media/dv_scenedetect.h"

#include "media/overlaylines.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace {

constexpr int64_t kDayMs = 86400000;
constexpr double kUnitsPerSecond = 10000000.0;  // 100-ns units

int64_t Milliseconds(TDateTime value) { return DateTimeToMilliseconds(value); }

}  // namespace

TincrustRec SceneDetectCore::DetectorDefaultSettings()
{
    TincrustRec rec;
    rec.When = IncrustWhen::kPermanently;
    return rec;
}

void SceneDetectCore::SetOverlaySettings(const TincrustRec &rec)
{
    std::lock_guard lock(mutex_);
    pendingSettings_ = rec;
    settingsPending_ = true;
}

void SceneDetectCore::TakePendingSettings()
{
    if (!settingsPending_.exchange(false))
        return;
    {
        std::lock_guard lock(mutex_);
        if (!pendingSettings_)
            return;
        settings_ = std::move(*pendingSettings_);
        pendingSettings_.reset();
    }
    UpdateDisplayFrames();
}

void SceneDetectCore::UpdateDisplayFrames()
{
    if (!frameDuration_ || *frameDuration_ <= 0)
        return;
    const double frames = std::round(settings_.Duration * kUnitsPerSecond / static_cast<double>(*frameDuration_));
    displayFrames_ = static_cast<int32_t>(std::clamp(frames, 0.0, double(std::numeric_limits<int32_t>::max())));
}

void SceneDetectCore::StartStreaming(std::optional<int64_t> averageFrameDuration)
{
    const bool known = averageFrameDuration && *averageFrameDuration > 0;
    frameDuration_ = known ? averageFrameDuration : std::nullopt;
    countdownFromFirstFrame_ = !known;
    TakePendingSettings();
    UpdateDisplayFrames();
    countdown_ = displayFrames_ - 1;
    lastLine1_.clear();
    lastLine2_.clear();
    sampleCount_ = 0;
    current_.Frame = 0;
    std::lock_guard lock(mutex_);
    savedHeads_.Entries[0].Sample = -1;
    recentCount_ = 0;
}

void SceneDetectCore::ProcessSample(ByteSpan sample, std::optional<int32_t> frameNumber,
                                    std::optional<int64_t> mediaStart)
{
    TakePendingSettings();
    const int sequences = dvlayout::SequencesForFrameSize(sample.size());
    if (sequences > 0) {
        if (countdownFromFirstFrame_) {
            // The interleaved stream's format has no frame duration: the frame size gives the rate.
            frameDuration_ = sequences == dvlayout::kSequences525 ? kFrameDuration525 : kFrameDuration625;
            UpdateDisplayFrames();
            countdown_ = displayFrames_ - 1;
            countdownFromFirstFrame_ = false;
        }
        previous_ = current_;
        if (frameNumber)
            current_.Frame = *frameNumber;
        DecodeFrame(sample, sequences);
        UpdateLines();
        CheckBreaks();
        if (firstFrame_) {
            start_ = current_;
            firstFrame_ = false;
        }
        Publish(sample, sequences, mediaStart);
        ++current_.Frame;
    }
    ++sampleCount_;
}

void SceneDetectCore::DecodeFrame(ByteSpan frame, int sequences)
{
    const std::optional<TDatecodeRec> datecode = DvGetDatecode(frame, sequences);
    const std::optional<TDateTime> value = datecode ? DatecodeToDateTime(*datecode) : std::nullopt;
    current_.DatecodeValid = value.has_value();
    current_.Datecode = value.value_or(0);

    const std::optional<TTimecodeRec> timecode = DvGetTimecode(frame, sequences);
    current_.TimecodeValid = timecode.has_value();
    if (timecode)
        current_.Timecode = *timecode;

    const std::optional<DvAudioFormat> audio = DvGetAudio(frame, sequences);
    if (audio) {
        current_.AudioRate = audio->rate;
        current_.AudioChannels = audio->channels;
        current_.AudioBits = audio->bits;
    }
    const std::optional<bool> wide = DvGetWide(frame, sequences);
    if (wide)
        current_.Wide = *wide;
    if (const std::optional<bool> is525 = DvIs525(frame))
        current_.Is525 = *is525;
    current_.FormatValid = audio.has_value() && wide.has_value();
}

void SceneDetectCore::UpdateLines()
{
    if (countdown_ > 0)
        --countdown_;
    if (current_.DatecodeValid) {
        const int64_t step = Milliseconds(current_.Datecode) - Milliseconds(lastDatecode_);
        const bool newScene = step > kNewSceneGapMs || step < 0;
        const bool newDay = DecodeDateTime(current_.Datecode).day != DecodeDateTime(lastDatecode_).day
                         || std::llabs(step) > kDayMs;
        if ((settings_.When == IncrustWhen::kEachNewScene && newScene)
            || (settings_.When == IncrustWhen::kEachNewDay && newDay))
            countdown_ = displayFrames_;
    }
    lastDatecode_ = current_.Datecode;
    if (settings_.When != IncrustWhen::kPermanently && countdown_ <= 0)
        HideLines();
    else
        ShowLines();
}

void SceneDetectCore::ShowLines()
{
    TOverlayLines lines = OverlayLines(settings_, current_);
    line1_ = std::move(lines.line1);
    line2_ = std::move(lines.line2);
    if (subtitleCallback_ && (line1_ != lastLine1_ || line2_ != lastLine2_)) {
        subtitleCallback_(current_, line1_, line2_);
        lastLine1_ = line1_;
        lastLine2_ = line2_;
    }
}

void SceneDetectCore::HideLines()
{
    line1_.clear();
    line2_.clear();
    if (subtitleCallback_ && (!lastLine1_.isEmpty() || !lastLine2_.isEmpty())) {
        subtitleCallback_(current_, QString(), QString());
        lastLine1_.clear();
        lastLine2_.clear();
    }
}

void SceneDetectCore::CheckBreaks()
{
    if (start_.FormatValid && current_.FormatValid
        && (current_.Wide != start_.Wide || current_.Is525 != start_.Is525 || current_.AudioRate != start_.AudioRate
            || current_.AudioChannels != start_.AudioChannels)) {
        EndScene();
        armed_ = false;
    }

    const bool valid = current_.DatecodeValid;
    const bool wasValid = previous_.DatecodeValid;
    if (!valid && wasValid && current_.Frame > 0) {
        EndScene();
    } else if (valid && !wasValid) {
        // A datecode back after a short loss continues the scene.
        if (std::abs(current_.Frame - start_.Frame) > kMinSceneFrames)
            EndScene();
        reference_ = current_.Datecode;
    } else if (valid && wasValid) {
        if (armed_ && std::llabs(Milliseconds(current_.Datecode) - Milliseconds(reference_)) > kMaxJumpMs)
            EndScene();
        reference_ = current_.Datecode;
        armed_ = true;
    }
}

void SceneDetectCore::EndScene()
{
    if (sceneCallback_)
        sceneCallback_(start_, current_);
    start_ = current_;
}

void SceneDetectCore::Publish(ByteSpan frame, int sequences, std::optional<int64_t> mediaStart)
{
    std::lock_guard lock(mutex_);
    published_ = current_;
    if (mediaStart)
        recent_[recentCount_++ % kRecentFrames] = RecentFrame{*mediaStart, current_};
    for (int s = 0; s < sequences; ++s) {
        TSavedHead &entry = savedHeads_.Entries[static_cast<size_t>(s)];
        const ByteSpan head = frame.subspan(dvlayout::kSequenceSize * static_cast<size_t>(s), TSavedHead::kSize);
        std::copy(head.begin(), head.end(), entry.Bytes.begin());
        entry.Sample = sampleCount_;
    }
    savedHeads_.Sequences = sequences;
}

void SceneDetectCore::EndOfStream()
{
    if (sceneCallback_)
        sceneCallback_(start_, current_);
    if (subtitleCallback_ && (!lastLine1_.isEmpty() || !lastLine2_.isEmpty())) {
        subtitleCallback_(current_, QString(), QString());
        lastLine1_.clear();
        lastLine2_.clear();
    }
    // The end handler may replace or clear the handlers, this one included.
    if (const EndCallback end = endCallback_)
        end();
    ResetScenes();
    // Its owner destroys the subtitle writer in the end handler.
    subtitleCallback_ = nullptr;
}

void SceneDetectCore::StoppedEarly() { ResetScenes(); }

void SceneDetectCore::ResetScenes()
{
    start_ = TFrameInfo();
    firstFrame_ = true;
    current_.Frame = 0;
    // The first frame of the next stream is taken as following a frame with a
    // datecode, so a datecode at its frame 0 arms the jump test at once.
    current_.DatecodeValid = true;
    reference_ = 0;
    armed_ = false;
    countdown_ = 0;
}

TFrameInfo SceneDetectCore::Published() const
{
    std::lock_guard lock(mutex_);
    return published_;
}

std::optional<TFrameInfo> SceneDetectCore::PublishedAt(int64_t mediaStart) const
{
    std::lock_guard lock(mutex_);
    const size_t kept = std::min(recentCount_, kRecentFrames);
    for (size_t back = 1; back <= kept; ++back) {
        const RecentFrame &frame = recent_[(recentCount_ - back) % kRecentFrames];
        if (frame.mediaStart == mediaStart)
            return frame.info;
    }
    return std::nullopt;
}

void SceneDetectCore::ClearPublished()
{
    std::lock_guard lock(mutex_);
    published_ = {};
    recentCount_ = 0;
}

TSavedHeads SceneDetectCore::SavedHeads() const
{
    std::lock_guard lock(mutex_);
    return savedHeads_;
}
