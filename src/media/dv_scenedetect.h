// The per-frame logic of the datecode scene detector: decodes the metadata of
// every DV frame, ends a scene where one recording stops and the next begins,
// builds the two overlay text lines and publishes what it saw for the filters
// after it and for the player.
//
// The owning filter calls StartStreaming, ProcessSample, EndOfStream and
// StoppedEarly on its streaming thread, and the callbacks run there. The
// callback setters are for that thread or for a stopped stream. SetOverlaySettings,
// Published and SavedHeads may be called from any thread: the published copy and
// the pending settings sit behind a mutex, held only to copy them.
#pragma once

#include "base/datetime.h"
#include "formats/bytes.h"
#include "formats/dvcodes.h"
#include "formats/dvlayout.h"
#include "media/incrustrec.h"

#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

// What the detector knows of one DV frame.
struct TFrameInfo {
    int32_t Frame = 0;           // DV frames of the stream before this one
    bool DatecodeValid = false;  // a datecode forming a real date and time
    bool TimecodeValid = false;  // a timecode pack
    bool FormatValid = false;    // both the audio source and the video control pack
    TDateTime Datecode = 0;      // 0 when not valid
    TTimecodeRec Timecode;
    bool Wide = false;  // 16:9
    bool Is525 = false;
    int32_t AudioRate = 0;
    int32_t AudioChannels = 0;
    int32_t AudioBits = 0;
    bool operator==(const TFrameInfo &) const = default;
};

// The header, subcode and VAUX blocks of one DIF sequence of the last DV frame.
struct TSavedHead {
    static constexpr size_t kSize = dvlayout::kBlockSize * 6;  // 480
    std::array<uint8_t, kSize> Bytes{};
    int64_t Sample = -1;  // SampleCount at that frame, -1 before any
};

struct TSavedHeads {
    std::array<TSavedHead, dvlayout::kSequences625> Entries;
    int Sequences = 0;  // entries filled by the last DV frame (10 or 12), 0 before any
    // Whether the entries hold a frame of the current stream.
    bool Present() const { return Sequences > 0 && Entries[0].Sample >= 0; }
};

class SceneDetectCore {
public:
    using SceneCallback = std::function<void(const TFrameInfo &start, const TFrameInfo &current)>;
    using SubtitleCallback = std::function<void(const TFrameInfo &current, const QString &line1, const QString &line2)>;
    using EndCallback = std::function<void()>;

    static constexpr int32_t kMinSceneFrames = 12;
    static constexpr int64_t kMaxJumpMs = 5000;
    static constexpr int64_t kNewSceneGapMs = 2000;  // timing mode "each new scene"
    static constexpr int32_t kDefaultDisplayFrames = 125;
    static constexpr int64_t kFrameDuration625 = 400000;  // 100-ns units
    static constexpr int64_t kFrameDuration525 = 333667;

    SceneDetectCore() = default;
    SceneDetectCore(const SceneDetectCore &) = delete;
    SceneDetectCore &operator=(const SceneDetectCore &) = delete;

    void SetSceneCallback(SceneCallback callback) { sceneCallback_ = std::move(callback); }
    void SetSubtitleCallback(SubtitleCallback callback) { subtitleCallback_ = std::move(callback); }
    void SetEndCallback(EndCallback callback) { endCallback_ = std::move(callback); }

    // Taken at the start of streaming or, while streaming, before the next frame.
    void SetOverlaySettings(const TincrustRec &rec);

    // averageFrameDuration: the input format's frame duration in 100-ns units, when
    // it has one; without it the size of the first DV frame gives the frame rate.
    void StartStreaming(std::optional<int64_t> averageFrameDuration);
    // One sample of the stream; samples of another size than a DV frame only count.
    // frameNumber, when given, numbers the frame instead of the count since the start
    // (a player that seeks gives the file's frame number). mediaStart, the sample's
    // media start time when it has one, is what PublishedAt finds the frame by.
    void ProcessSample(ByteSpan sample, std::optional<int32_t> frameNumber = std::nullopt,
                       std::optional<int64_t> mediaStart = std::nullopt);
    // Reports the last scene, clears the lines, calls the end callback and resets.
    void EndOfStream();
    // The run was stopped before its end: the scene in progress is dropped, not
    // reported, so that the next run starts a fresh scene at its own frame 0.
    void StoppedEarly();

    // Streaming thread, or a stopped stream.
    const TFrameInfo &Current() const { return current_; }
    const QString &Line1() const { return line1_; }
    const QString &Line2() const { return line2_; }
    int32_t DisplayFrames() const { return displayFrames_; }
    int32_t Countdown() const { return countdown_; }

    // Any thread: copies of what the last DV frame left.
    TFrameInfo Published() const;
    // What one of the last few DV frames left, found by its media start time: for a
    // filter that gets its frames some frames behind the detector (after a decoder
    // that works ahead). Empty when the frame is not among them.
    std::optional<TFrameInfo> PublishedAt(int64_t mediaStart) const;
    // Forgets the published frame, for a graph that will bring no DV frame (a
    // player showing another kind of file), so that no stale datecode is drawn.
    void ClearPublished();
    TSavedHeads SavedHeads() const;

private:
    void TakePendingSettings();
    void UpdateDisplayFrames();
    void DecodeFrame(ByteSpan frame, int sequences);
    void UpdateLines();
    void ShowLines();
    void HideLines();
    void CheckBreaks();
    void EndScene();
    void Publish(ByteSpan frame, int sequences, std::optional<int64_t> mediaStart);
    void ResetScenes();

    TFrameInfo current_;
    TFrameInfo previous_;
    TFrameInfo start_;
    TDateTime reference_ = 0;
    bool armed_ = false;
    bool firstFrame_ = true;
    int32_t sampleCount_ = 0;

    TincrustRec settings_ = DetectorDefaultSettings();
    std::optional<int64_t> frameDuration_;
    bool countdownFromFirstFrame_ = false;
    int32_t displayFrames_ = kDefaultDisplayFrames;
    int32_t countdown_ = 0;
    TDateTime lastDatecode_ = 0;
    QString line1_;
    QString line2_;
    QString lastLine1_;
    QString lastLine2_;

    SceneCallback sceneCallback_;
    SubtitleCallback subtitleCallback_;
    EndCallback endCallback_;

    struct RecentFrame {
        int64_t mediaStart = 0;
        TFrameInfo info;
    };
    static constexpr size_t kRecentFrames = 8;  // more than any filter works ahead

    mutable std::mutex mutex_;  // guards the five below
    TFrameInfo published_;
    std::array<RecentFrame, kRecentFrames> recent_;
    size_t recentCount_ = 0;  // entries filled, the newest at recentCount_ - 1 modulo the size
    TSavedHeads savedHeads_;
    std::optional<TincrustRec> pendingSettings_;
    std::atomic<bool> settingsPending_ = false;

    // Before any settings arrive the lines are shown permanently.
    static TincrustRec DetectorDefaultSettings();
};
