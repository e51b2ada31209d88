// The datecode scan (AVI splitter → scene detector → null renderer, unclocked)
// against FFmpeg copying every stream of the same file to nowhere: prints
// "ratio scan-datecode R", R = our time / FFmpeg's (below 1 = faster), best of a few.
#include "media/avisplitter.h"
#include "media/dv_scenedetectfilter.h"
#include "media/filesource.h"
#include "media/filtergraph.h"
#include "media/nullrenderer.h"

#include "benchsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>

namespace {

constexpr int kRuns = 5;
using bench::RunProgram;
using bench::Seconds;
constexpr int kWaitMs = bench::kWaitMs;

// One scan as the datecode command runs it, from building the graph to the last scene.
std::optional<double> Scan(const QString &path, int &scenes)
{
    const auto start = std::chrono::steady_clock::now();
    FilterGraph graph;
    FileSourceFilter source;
    AviSplitter splitter;
    Tdv_sceneDetect detector;
    NullRenderer renderer;
    graph.SetSyncSource(nullptr);
    graph.AddFilter(source, QStringLiteral("source"));
    graph.AddFilter(splitter, QStringLiteral("avisplitter"));
    graph.AddFilter(detector, QStringLiteral("scenedetect"));
    graph.AddFilter(renderer, QStringLiteral("nullrender"));
    scenes = 0;
    detector.SetSceneCallback([&scenes](const TFrameInfo &, const TFrameInfo &) { ++scenes; });
    if (!source.Load(path).ok || !graph.Connect(source.Output(), splitter.Input()))
        return std::nullopt;
    bool connected = false;
    for (OutputPin *output : splitter.OutputPins())
        if (!connected && graph.Connect(*output, detector.Input()))
            connected = graph.Connect(detector.Output(), renderer.Input());
    if (!connected || !graph.Run())
        return std::nullopt;
    const auto completion = graph.WaitForCompletion(kWaitMs);
    graph.Stop();
    if (!completion || completion->result != GraphCompletion::Result::Complete)
        return std::nullopt;
    const double seconds = Seconds(start);
    graph.RemoveAllFilters();
    return seconds;
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("scan.avi"));
    const QString mkdv = bench::OurProgram(QStringLiteral("morvik-mkdv"));
    // 60 seconds of PAL type 2 in two recordings.
    if (!RunProgram(mkdv, {"--type", "2", "--system", "pal", "--audio", "48k16", "--out", path, "--recording",
                           "2021-06-05 10:00:00,00:00:00:00,750", "--recording",
                           "2021-06-05 14:00:00,00:00:30:00,750"}))
        return 1;

    double ours = 1e9;
    double ffmpeg = 1e9;
    int scenes = 0;
    for (int run = 0; run < kRuns; ++run) {
        const std::optional<double> scan = Scan(path, scenes);
        if (!scan || scenes != 2) {
            std::fprintf(stderr, "the scan failed (%d scenes)\n", scenes);
            return 1;
        }
        ours = std::min(ours, *scan);
        const auto start = std::chrono::steady_clock::now();
        if (!RunProgram(QStringLiteral("ffmpeg"),
                        {"-v", "error", "-nostdin", "-i", path, "-map", "0", "-c", "copy", "-f", "null", "-"}))
            return 1;
        ffmpeg = std::min(ffmpeg, Seconds(start));
    }
    std::printf("scan-datecode: ours %.3f s, ffmpeg %.3f s\n", ours, ffmpeg);
    std::printf("ratio scan-datecode %.3f\n", ours / ffmpeg);
    return 0;
}
