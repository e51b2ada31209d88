// Tviewdm: the player. It owns the playback graph and its filters for the whole
// run, builds the graph for the file shown (the DV graph for DV files, the general
// graph for other AVI files), plays, pauses and moves it frame-accurately, and
// gives the status texts of the frame shown every 40 ms. The picture and the sound
// go to the outputs given at creation, which may be headless.
//
// Everything is called on the thread the player lives in (the window thread).
// The waits for a drawn frame keep processing that thread's events, so other
// handlers may run meanwhile; the overlay filter sets FramePassed on the
// streaming thread. The outputs and the shared overlay settings must outlive it;
// the item shown must live until another is loaded.
#pragma once

#include "media/avisplitter.h"
#include "media/colorconverter.h"
#include "media/dv_scenedetectfilter.h"
#include "media/dv_superposer.h"
#include "media/dvdecoder.h"
#include "media/dvsplitter.h"
#include "media/filesource.h"
#include "media/filtergraph.h"
#include "media/incrustrec.h"
#include "media/playeroutputs.h"
#include "media/playerrenderers.h"
#include "media/playerstatus.h"
#include "media/referenceclock.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>

class TaviFichier;

// What the video area shows: the picture, or a message (with or without the
// track bar and status label, which stay when the sound plays).
struct TPlayerView {
    bool picture = false;
    bool trackBar = false;
    QString message;  // empty while the picture shows
    bool operator==(const TPlayerView &) const = default;
};

// The moves of the stepping actions and of the start and end buttons.
enum class TPlayerMove {
    kNextFrame,
    kPreviousFrame,
    kNextSecond,
    kPreviousSecond,
    kNextMinute,
    kPreviousMinute,
    kEnd,
    kStart,
};

class Tviewdm final : public QObject {
    Q_OBJECT

public:
    static constexpr const char *kDetectorGraphName = "vScenedetect";
    static constexpr int kStatusIntervalMs = 40;

    Tviewdm(PlayerVideoOutput &video, PlayerSoundOutput &sound, QObject *parent = nullptr);
    // Stops and empties the graph.
    ~Tviewdm() override;

    // Builds the graph for the item (none: nothing is shown) and shows its first
    // frame. True when a graph was built.
    bool LoadFile(const TaviFichier *item);
    // Moves by n frames, within the file, and waits until the frame is drawn.
    void StepFrames(int64_t n);
    // Moves by t in media time (100 ns), within the file.
    void SeekBy(int64_t t);
    // Moves to p in the player's time format, pauses and waits for the frame.
    void SeekTo(int64_t p);
    // A step by frames of the file's rate, or by media time when the rate is 0.
    void Move(TPlayerMove move);
    // The track bar's value 0..1000 as a position in the file.
    void SeekToTrack(int value);
    // When not running: the frame shown is drawn again (new inlay settings).
    void Redraw();
    void PauseIfNot();
    void Play();
    // Empties the graph so that a command may use the file; a later load that
    // cannot build says why.
    void ReleaseForCommand();
    void ResetPlayer();

    // Volume 0..10000 and mute, applied to the sound at once.
    void SetVolume(int volume);
    void SetMute(bool muted);
    int Volume() const { return volume_; }
    bool Muted() const { return muted_; }
    // The shared overlay settings, which a load gives the file's time difference;
    // the player's own record until one is given. displayed: "is Incrust On".
    void SetSharedOverlay(TIncrustSettings *shared) { overlay_ = shared ? shared : &ownOverlay_; }
    TIncrustSettings &SharedOverlay() const { return *overlay_; }
    void SetInlayDisplayed(bool displayed);
    // While the inlay is edited the video loops at its end instead of pausing.
    void SetLoopAtEnd(bool loop) { loopAtEnd_ = loop; }

    const TaviFichier *CurrentFile() const { return current_; }
    bool Built() const { return built_; }
    int FailureCode() const { return failureCode_; }
    const TPlayerView &View() const { return view_; }
    bool VideoShown() const { return videoShown_; }
    bool SoundPlayed() const { return soundPlayed_; }
    bool StoppedForCommand() const { return stoppedForCommand_; }
    TimeFormat PositionFormat() const { return graph_.GetTimeFormat(); }
    int64_t Begin() const { return begin_; }
    int64_t Duration() const { return duration_; }
    // Reads the position anew.
    int64_t Position();
    int TrackPosition() const { return trackPosition_; }
    GraphState State() const { return graph_.GetState(); }
    // The status texts of the frame shown (what the timer sends).
    TPlayerStatus Status();

    Tdv_sceneDetect &SceneDetector() { return detector_; }
    Tdv_Superposer &Superposer() { return superposer_; }
    FilterGraph &Graph() { return graph_; }

Q_SIGNALS:
    void StatusChanged(const TPlayerStatus &status);
    void ViewChanged(const TPlayerView &view);

private:
    bool BuildDvGraph(const TaviFichier &item);
    bool BuildGeneralGraph(const TaviFichier &item);
    bool LoadSource(const TaviFichier &item);
    void ConnectPicture();
    void RenderSound(Filter &filter, size_t firstPin);
    void SetTimeFormat(const TaviFichier &item);
    void ShowView(TPlayerView view);
    int64_t Clamped(int64_t position) const;
    void SetPositions(int64_t current, std::optional<int64_t> stop);
    bool WaitForFrame();
    void OnCompleted(const GraphCompletion &completion);
    void OnFirstPause();
    void OnTimer();

    PlayerVideoOutput &videoOutput_;
    PlayerSoundOutput &soundOutput_;
    FilterGraph graph_;
    SystemClock systemClock_;
    FileSourceFilter source_;
    AviSplitter avisplitter_;
    DvSplitter dvsplitter_;
    Tdv_sceneDetect detector_;
    DvDecoder dvdecoder_;
    Tdv_Superposer superposer_;
    ColorConverter color_;
    TVideoWindow videoWindow_;
    QTimer statusTimer_;
    QMetaObject::Connection pausedHandler_;

    TIncrustSettings ownOverlay_;
    TIncrustSettings *overlay_ = &ownOverlay_;
    bool inlayDisplayed_ = true;
    bool loopAtEnd_ = false;
    int volume_ = 5000;
    bool muted_ = false;

    const TaviFichier *current_ = nullptr;
    bool built_ = false;
    int failureCode_ = 0;
    bool videoShown_ = false;
    bool soundPlayed_ = false;
    bool stoppedForCommand_ = false;
    int64_t begin_ = 0;
    int64_t duration_ = 0;
    int64_t position_ = 0;
    int trackPosition_ = 0;
    TPlayerView view_;
};
