// The date inlay (decode → overlay → encode → write, unclocked, as the Incruster
// command runs it) against FFmpeg drawing the local time on the same file and
// encoding it to DV: prints "ratio inlay R", R = our time / FFmpeg's, best of a few.
#include "media/cdm.h"
#include "media/dv_superposer.h"
#include "media/incrustrec.h"

#include "benchsupport.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>

namespace {

constexpr int kRuns = 3;
using bench::RunProgram;
using bench::Seconds;
const QString kFont = QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");

// One inlay run, from building the graph to the finished file.
std::optional<double> Inlay(TCdm &cdm, const QString &path, const QString &out)
{
    const auto start = std::chrono::steady_clock::now();
    if (!cdm.GraphIncruster(path, out, 2, 0))
        return std::nullopt;
    TincrustRec settings;
    settings.When = IncrustWhen::kPermanently;
    cdm.Superposer().SetOverlaySettings(settings);
    cdm.Superposer().SetEnabled(true);
    cdm.SetSoundRate(QStringLiteral("48000 Hz"));
    if (!cdm.Graph().Run())
        return std::nullopt;
    const auto completion = cdm.Graph().WaitForCompletion(bench::kWaitMs);
    cdm.Graph().Stop();
    if (!completion || completion->result != GraphCompletion::Result::Complete) {
        std::fprintf(stderr, "the inlay failed: %s\n", completion ? qPrintable(completion->message) : "no end");
        return std::nullopt;
    }
    return Seconds(start);
}

}  // namespace

int main(int argc, char **argv)
{
    // The overlay draws its text with QtGui fonts.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("inlay.avi"));
    const QString ours = dir.filePath(QStringLiteral("ours.avi"));
    const QString theirs = dir.filePath(QStringLiteral("ffmpeg.avi"));
    const QString mkdv = bench::OurProgram(QStringLiteral("morvik-mkdv"));
    // 60 seconds of PAL type 2 in two recordings.
    if (!RunProgram(mkdv, {"--type", "2", "--system", "pal", "--audio", "48k16", "--out", path, "--recording",
                           "2021-06-05 10:00:00,00:00:00:00,750", "--recording",
                           "2021-06-05 14:00:00,00:00:30:00,750"}))
        return 1;
    if (!QFile::exists(kFont)) {
        std::fprintf(stderr, "%s is missing (fonts-dejavu-core)\n", qPrintable(kFont));
        return 1;
    }

    TCdm cdm;
    double best = 1e9;
    double ffmpeg = 1e9;
    double ourProcessor = 1e9;
    double theirProcessor = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        const double processorBefore = bench::ProcessorSeconds();
        const std::optional<double> inlay = Inlay(cdm, path, ours);
        if (!inlay)
            return 1;
        best = std::min(best, *inlay);
        ourProcessor = std::min(ourProcessor, bench::ProcessorSeconds() - processorBefore);
        const double childrenBefore = bench::ProcessorSeconds(RUSAGE_CHILDREN);
        const auto start = std::chrono::steady_clock::now();
        if (!RunProgram(QStringLiteral("ffmpeg"),
                        {"-v", "error", "-nostdin", "-y", "-i", path, "-vf",
                         QStringLiteral("drawtext=fontfile=%1:text='%{localtime}':fontsize=24").arg(kFont), "-c:v",
                         "dvvideo", "-c:a", "copy", theirs}))
            return 1;
        ffmpeg = std::min(ffmpeg, Seconds(start));
        theirProcessor = std::min(theirProcessor, bench::ProcessorSeconds(RUSAGE_CHILDREN) - childrenBefore);
    }
    cdm.ResetGraph();
    std::printf("inlay: ours %.3f s (%.3f s of processor time), ffmpeg %.3f s (%.3f s)\n", best, ourProcessor, ffmpeg,
                theirProcessor);
    std::printf("ratio inlay %.3f\n", best / ffmpeg);
    return 0;
}
