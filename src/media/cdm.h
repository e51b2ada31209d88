// The conversion graph of the program: one graph at a time, built per file (per
// scene for the cut), run by the graph command and reset before the next build.
// TCdm owns the graph, the stock filters attached to it for one build, and the
// system's own filters, made once and kept with their settings from run to run.
//
// Each builder resets the graph, builds it and hands back the position interface
// the command measures progress with (owned by the graph, valid until the next
// reset), or nullptr when the build failed. A builder never writes to the source;
// the destination is made only by a run that reaches the end of the streams.
//
// Threads: builders, ResetGraph and the rate setters on the command worker thread
// (or any one controlling thread), never while the graph runs; GraphEnded is
// emitted on the thread TCdm lives in.
#pragma once

#include "media/filtergraph.h"
#include "media/mediaseeking.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>

class AviMux;
class AviSplitter;
class DvDecoder;
class DvEncoderFilter;
class DvMuxer;
class DvSplitter;
class FileSourceFilter;
class FileWriter;
class FrameRateChanger;
class InfinitePinTee;
class MuxFilter;
class NullRenderer;
class SoundConverter;
class TSceneDetectContenu;
class Tdv_DVheader;
class Tdv_MediaStamper;
class Tdv_Superposer;
class Tdv_WaveDest;
class Tdv_deinter;
class Tdv_sceneDetect;

class TCdm : public QObject {
    Q_OBJECT

public:
    explicit TCdm(QObject *parent = nullptr);
    ~TCdm() override;

    // Scan graphs: the source only.
    MediaSeeking *GraphScnByDate(const QString &source);
    MediaSeeking *GraphScnByContenu(const QString &source);
    MediaSeeking *GraphSrt(const QString &source);
    // Writing graphs: the position interface of the AVI mux, unless noted.
    MediaSeeking *GraphConvertirDV1(const QString &source, const QString &destination);
    MediaSeeking *GraphConvertirDV2(const QString &source, const QString &destination);
    // standardDv: 0 PAL, else NTSC; wide: aspect 16:9; frequence: 0 32000, 1 44100, 2 48000 Hz.
    MediaSeeking *GraphRecompresserDV2(const QString &source, const QString &destination, int standardDv,
                                       bool wide, int frequence);
    MediaSeeking *GraphCorrigerType2(const QString &source, const QString &destination);
    // type: the source's AVI type (2, or 1 for any other); ntsc: the system of the new file.
    MediaSeeking *GraphStandard(const QString &source, const QString &destination, int type, bool ntsc);
    MediaSeeking *GraphHeader(const QString &source, const QString &destination);
    // system: the source's system byte, 0 PAL.
    MediaSeeking *GraphIncruster(const QString &source, const QString &destination, int type, uint8_t system);
    // The graph's position interface; the destination is the ".wav" path.
    MediaSeeking *GraphExtraireAudio(const QString &source, const QString &destination);
    // The null renderer's position interface; the handler sets the scene's range on the graph.
    MediaSeeking *GraphCutScenes(const QString &source, const QString &destination, int type);

    // Stops and empties the graph, detaches the stock filters, takes the own filters
    // out, clears the scene detector's handlers and resets the header filter.
    void ResetGraph();

    // The rate r on a converter connected to a wave format: r samples per second and
    // the matching byte rate, given to its output. False when it cannot be set.
    static bool SetConverterRate(SoundConverter &converter, int rate);
    // Both converters to the rate of an item's audio text ("48000 Hz ..."): its first
    // five characters, trimmed, as an integer. False, converters unchanged, when the
    // text gives none; acm2 is skipped when absent or unconnected.
    bool SetSoundRate(const QString &audioText, bool firstOnly = false);

    FilterGraph &Graph() const { return *fg_; }
    const QString &CurrentDestination() const { return currentDestination_; }

    Tdv_sceneDetect &SceneDetect() const { return *sceneDetect_; }
    Tdv_Superposer &Superposer() const { return *superposer_; }
    Tdv_DVheader &DvHeader() const { return *dvHeader_; }
    Tdv_deinter &Deinter() const { return *deinter_; }
    Tdv_WaveDest &WaveDest() const { return *waveDest_; }
    TSceneDetectContenu &SceneDetectContenu() const { return *sceneDetectContenu_; }
    Tdv_MediaStamper &MediaStamper() const { return *mediaStamper_; }
    // Attached for the current build only; nullptr otherwise.
    SoundConverter *Acm1() const { return acm1_.get(); }
    SoundConverter *Acm2() const { return acm2_.get(); }
    AviMux *Avimux() const { return avimux_.get(); }

Q_SIGNALS:
    // The run of the current graph ended.
    void GraphEnded(const GraphCompletion &completion);

private:
    template <typename T>
    T &Attach(std::unique_ptr<T> &slot, const char *name);
    void Add(Filter &filter, const char *name);
    // Remembers the destination, loads the source and attaches the File writer.
    bool BeginDv(const QString &source, const QString &destination);
    bool LoadAndSplit(const QString &source);
    // The DV video of the source into the scene detector (type 2 straight from the
    // AVI splitter, type 1 through the DV splitter).
    bool FeedSceneDetector(int type);
    // The sound streams of a type 2 source through acm1 and acm2 into the mux.
    void SoundInto(MuxFilter &muxer);
    // Where the re-encoded DV video goes: the AVI mux for a type 2 file, the DV muxer for type 1.
    InputPin &VideoTarget(int type) const;
    // The sound and the AVI mux, into a file of the source's type.
    bool DvTail(int type);
    MediaSeeking *Built(Filter &positionOf);
    // The mux into the file writer; the mux's position interface.
    MediaSeeking *WrittenBy(AviMux &mux);

    std::unique_ptr<FilterGraph> fg_;
    std::unique_ptr<FileSourceFilter> source_;
    std::unique_ptr<FileWriter> destination_;
    std::unique_ptr<AviSplitter> avisplitter_;
    std::unique_ptr<DvMuxer> dvmuxer_;
    std::unique_ptr<AviMux> avimux_;
    std::unique_ptr<DvSplitter> dvsplitter_;
    std::unique_ptr<SoundConverter> acm1_;
    std::unique_ptr<SoundConverter> acm2_;
    std::unique_ptr<DvDecoder> dvDecoder_;
    std::unique_ptr<DvEncoderFilter> dvEnc_;
    std::unique_ptr<NullRenderer> nullrender_;
    std::unique_ptr<InfinitePinTee> infinite_;

    std::unique_ptr<Tdv_sceneDetect> sceneDetect_;
    std::unique_ptr<Tdv_Superposer> superposer_;
    std::unique_ptr<Tdv_DVheader> dvHeader_;
    std::unique_ptr<Tdv_deinter> deinter_;
    std::unique_ptr<FrameRateChanger> frameRate_;
    std::unique_ptr<Tdv_WaveDest> waveDest_;
    std::unique_ptr<TSceneDetectContenu> sceneDetectContenu_;
    std::unique_ptr<Tdv_MediaStamper> mediaStamper_;

    QString currentDestination_;
};
