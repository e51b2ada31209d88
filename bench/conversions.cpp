// The conversion and scan commands, each as its graph runs it, against the closest
// FFmpeg command on the same 60-second PAL file: prints "ratio NAME R" for type1,
// type2, ntsc, scan-content and extract-audio (R = our time / FFmpeg's, best of a
// few), and the peak memory of our process.
#include "media/cdm.h"

#include "benchsupport.h"

#include <QGuiApplication>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <limits>

namespace {

constexpr int kRuns = 2;
constexpr double kFailed = std::numeric_limits<double>::quiet_NaN();

// Builds, runs unclocked and waits for the end of one graph.
double RunGraph(TCdm &cdm, const std::function<MediaSeeking *()> &build)
{
    const auto start = std::chrono::steady_clock::now();
    if (!build() || !cdm.Graph().Run())
        return kFailed;
    const auto completion = cdm.Graph().WaitForCompletion(bench::kWaitMs);
    cdm.Graph().Stop();
    if (!completion || completion->result != GraphCompletion::Result::Complete)
        return kFailed;
    return bench::Seconds(start);
}

double BestOf(const std::function<double()> &once)
{
    double best = std::numeric_limits<double>::infinity();
    for (int run = 0; run < kRuns; ++run)
        best = std::min(best, once());
    return best;
}

double FfmpegTime(const QStringList &args)
{
    return BestOf([&] {
        const auto start = std::chrono::steady_clock::now();
        return bench::RunProgram(QStringLiteral("ffmpeg"), QStringList{"-v", "error", "-nostdin", "-y"} + args)
                   ? bench::Seconds(start)
                   : kFailed;
    });
}

}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    const QString type2 = dir.filePath(QStringLiteral("type2.avi"));
    const QString type1 = dir.filePath(QStringLiteral("type1.avi"));
    const QStringList plan = {"--recording", "2021-06-05 10:00:00,00:00:00:00,750", "--recording",
                              "2021-06-05 14:00:00,00:00:30:00,750"};
    const QString mkdv = bench::OurProgram(QStringLiteral("morvik-mkdv"));
    if (!bench::RunProgram(mkdv, QStringList{"--type", "2", "--out", type2} + plan) ||
        !bench::RunProgram(mkdv, QStringList{"--type", "1", "--out", type1} + plan))
        return 1;
    const QString out = dir.filePath(QStringLiteral("out.avi"));
    const QString wav = dir.filePath(QStringLiteral("out.wav"));

    TCdm cdm;
    struct Row {
        const char *name;
        std::function<MediaSeeking *()> ours;
        QStringList ffmpeg;
    } const rows[] = {
        {"type1", [&] { return cdm.GraphConvertirDV1(type2, out); }, {"-i", type2, "-c", "copy", out}},
        {"type2", [&] { return cdm.GraphConvertirDV2(type1, out); }, {"-i", type1, "-c", "copy", out}},
        {"ntsc",
         [&] { return cdm.GraphStandard(type2, out, 2, true); },
         {"-i", type2, "-vf", "scale=720:480,fps=30000/1001", "-pix_fmt", "yuv411p", "-c:v", "dvvideo", "-c:a", "copy",
          out}},
        {"scan-content", [&] { return cdm.GraphScnByContenu(type2); }, {"-i", type2, "-vf", "scdet", "-f", "null", "-"}},
        {"extract-audio",
         [&] { return cdm.GraphExtraireAudio(type2, wav); },
         {"-i", type2, "-vn", "-c:a", "pcm_s16le", wav}},
    };
    for (const Row &row : rows) {
        const double ours = BestOf([&] { return RunGraph(cdm, row.ours); });
        const double ffmpeg = FfmpegTime(row.ffmpeg);
        std::printf("%s: ours %.3f s, ffmpeg %.3f s\n", row.name, ours, ffmpeg);
        std::printf("ratio %s %.3f\n", row.name, ours / ffmpeg);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("conversions: peak memory %ld MiB\n", usage.ru_maxrss / 1024);
    return 0;
}
