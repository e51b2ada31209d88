#include "media/buildlist.h"

#include "media/avisplitter.h"
#include "media/dv_scenedetectfilter.h"
#include "media/dvsplitter.h"
#include "media/filesource.h"
#include "media/filtergraph.h"
#include "media/nullrenderer.h"

#include <QCoreApplication>
#include <QScopeGuard>

#include <exception>

namespace {

// How long a stream may take to bring its first sample to the paused renderer.
constexpr int kFirstSampleWaitMs = 1000;

}  // namespace

struct TdmList::Graph {
    Graph()
    {
        // Its notifications go to a thread that runs an event loop, not to the
        // worker that happened to make the reader first.
        if (QCoreApplication *app = QCoreApplication::instance())
            listfg.moveToThread(app->thread());
        listfg.SetSyncSource(nullptr);
    }
    ~Graph() { listfg.RemoveAllFilters(); }

    FilterGraph listfg;
    FileSourceFilter source;
    AviSplitter avisplitter;
    DvSplitter dvsplitter;
    NullRenderer nullrender;
    Tdv_sceneDetect detector;
};

TdmList::TdmList() : graph_(std::make_unique<Graph>()) {}

TdmList::~TdmList() = default;

bool TdmList::LoadSource(const QString &fileName)
{
    Graph &g = *graph_;
    if (!g.source.Graph() && !g.listfg.AddFilter(g.source, QStringLiteral("source")))
        return false;
    return g.source.Load(fileName).ok;
}

namespace {

// Pauses so that the first sample travels down to the renderer, notes the type of
// the output's connection and, once stopped, the duration of what was connected.
struct Probe {
    MediaType type;
    int64_t duration = 0;
};

Probe PauseAndProbe(FilterGraph &graph, const OutputPin &output, const std::function<void()> &whilePaused = {})
{
    graph.Pause();
    graph.WaitForState(kFirstSampleWaitMs);
    Probe probe{output.ConnectionMediaType(), 0};
    if (whilePaused)
        whilePaused();
    graph.Stop();
    probe.duration = graph.GetDuration().value_or(0);
    return probe;
}

// Keeps the format of the first picture and the first sound stream. True when the
// type is one of those still missing, whether or not its format block was long enough.
bool TakeVideoOrAudio(TMediaInfo &info, const MediaType &type, int64_t duration)
{
    const ByteSpan format = type.FormatBytes();
    if (type.majorType == MajorType::Video && !info.videoFound) {
        if (format.size() >= VideoInfoHeader::kSize) {
            info.videoFormat = *ParseVideoInfoHeader(format);
            info.videoFound = true;
            info.videoDuration = duration;
        }
        return true;
    }
    if (type.majorType == MajorType::Audio && !info.audioFound) {
        if (format.size() >= WaveFormatEx::kSize) {
            info.audioFormat = *ParseWaveFormatEx(format);
            info.audioFound = true;
            info.audioDuration = duration;
        }
        return true;
    }
    return false;
}

}  // namespace

bool TdmList::ReadMediaInfo(const QString &fileName)
{
    TMediaInfo &info = mediaInfo_;
    info.videoFound = false;
    info.audioFound = false;
    info.interleavedFound = false;
    info.videoDuration = 0;
    info.audioDuration = 0;

    Graph &g = *graph_;
    FilterGraph &graph = g.listfg;
    // Whatever happens, the graph is left stopped and empty, and the file closed.
    const auto cleanup = qScopeGuard([&graph] { graph.RemoveAllFilters(); });
    try {
        graph.RemoveAllFilters();
        graph.SetTimeFormat(TimeFormat::MediaTime);
        for (Filter *filter : {static_cast<Filter *>(&g.avisplitter), static_cast<Filter *>(&g.dvsplitter),
                               static_cast<Filter *>(&g.nullrender)})
            graph.AddFilter(*filter);
        graph.AddFilter(g.detector, QStringLiteral("SceneDetect"));
        if (!LoadSource(fileName))
            return false;
        // A file that the splitter cannot parse was not opened in the graph.
        if (!graph.Connect(g.source.Output(), g.avisplitter.Input()))
            return false;

        const std::vector<Pin *> splitterPins = g.avisplitter.Pins();
        info.outputCount = static_cast<int>(splitterPins.size()) - 1;
        info.dvSeen = false;
        for (int i = 0; i < info.outputCount; ++i) {
            auto &output = static_cast<OutputPin &>(*splitterPins[static_cast<size_t>(i)]);
            const bool throughDetector = graph.Connect(output, g.detector.Input());
            if (throughDetector) {
                info.dvSeen = true;
                graph.Connect(g.detector.Output(), g.nullrender.Input());
            } else {
                graph.Connect(output, g.nullrender.Input());
            }

            const Probe probe = PauseAndProbe(graph, output, [&] {
                if (!throughDetector)
                    return;
                // Only a frame of this file tells its values, never the last file's.
                const bool seen = g.detector.SavedHeads().Present();
                const TFrameInfo frame = g.detector.Published();
                info.datecodeValid = seen && frame.DatecodeValid;
                info.datecode = seen ? frame.Datecode : 0;
                info.timecodeValid = seen && frame.TimecodeValid;
                info.timecode = seen ? frame.Timecode : TTimecodeRec{};
                info.wide = seen && frame.Wide;
            });
            graph.Disconnect(g.nullrender.Input());
            graph.Disconnect(g.detector.Output());
            graph.Disconnect(g.detector.Input());
            graph.Disconnect(output);

            const MediaType &type = probe.type;
            if (TakeVideoOrAudio(info, type, probe.duration))
                continue;
            if (type.majorType == MajorType::Interleaved && !info.interleavedFound) {
                if (type.format.size() >= qsizetype(DvInfo::kSize)) {
                    info.dvInfo = *ParseDvInfo(type.FormatBytes());
                    info.interleavedFound = true;
                    info.videoDuration = probe.duration;
                    info.audioDuration = probe.duration;
                }
                if (!SplitInterleaved(output, probe.duration))
                    return false;
            }
        }
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

// The DV splitter's outputs: the picture and sound formats of an interleaved stream.
bool TdmList::SplitInterleaved(OutputPin &output, int64_t duration)
{
    Graph &g = *graph_;
    FilterGraph &graph = g.listfg;
    TMediaInfo &info = mediaInfo_;
    if (!graph.Connect(output, g.dvsplitter.Input()))
        return false;
    const std::vector<Pin *> pins = g.dvsplitter.Pins();
    for (size_t k = 1; k < pins.size(); ++k) {
        auto &split = static_cast<OutputPin &>(*pins[k]);
        if (!graph.Connect(split, g.nullrender.Input()))
            continue;
        const Probe probe = PauseAndProbe(graph, split);
        graph.Disconnect(split);
        TakeVideoOrAudio(info, probe.type, duration);
    }
    graph.Disconnect(g.dvsplitter.Input());
    return true;
}

TdmList &DmList()
{
    static TdmList list;
    return list;
}

std::mutex &MediaInfoLock()
{
    static std::mutex lock;
    return lock;
}
